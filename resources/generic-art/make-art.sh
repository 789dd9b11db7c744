#!/usr/bin/env bash
# Draws the generic artwork that stp init gives a new product folder: the two 160 x 308
# side pictures, the 32 x 32 header bitmap (its bottom-left colour, magenta, is drawn
# transparent) and the two icon groups. The results are kept in the repository and built
# into stp; run this again after changing it.
set -euo pipefail
cd "$(dirname "$0")"
font=DejaVu-Sans-Bold

side() { # side OUTPUT TOP_COLOUR BOTTOM_COLOUR
  convert -size 160x308 "gradient:$2-$3" \
    -fill none -stroke white -strokewidth 2 -draw "roundrectangle 40,70 120,150 10,10" \
    -draw "line 40,95 120,95" -draw "line 80,70 80,150" \
    -stroke none -fill '#ffd54a' -draw "polygon 66,170 94,170 80,190" \
    -fill white -font "$font" -pointsize 20 -gravity north -annotate +0+210 'Setup' \
    -type TrueColor -quality 90 "$1"
}
side ImageLeft0.jpg '#37474f' '#102027'
side ImageLeft2.jpg '#455a64' '#1c313a'

convert -size 32x32 xc:'#ff00ff' \
  -fill '#cfd8dc' -stroke '#37474f' -draw "roundrectangle 5,8 27,28 3,3" \
  -draw "line 5,14 27,14" -stroke none -fill '#ffd54a' -draw "polygon 12,3 20,3 16,9" \
  -type TrueColor BMP3:ImageIcon.bmp

icon() { # icon SIZE OUTPUT
  convert -size "$1x$1" xc:none -fill '#37474f' -draw "roundrectangle 0,0 $(($1-1)),$(($1-1)) $(($1/5)),$(($1/5))" \
    -fill none -stroke white -strokewidth $(($1/16+1)) \
    -draw "roundrectangle $(($1/4)),$(($1/4)) $(($1*3/4)),$(($1*3/4)) $(($1/10)),$(($1/10))" \
    "$2"
}
icon 32 /tmp/generic-32.png
icon 16 /tmp/generic-16.png
convert /tmp/generic-32.png /tmp/generic-16.png AppIcon.ico
convert /tmp/generic-16.png /tmp/generic-32.png MainIcon.ico
rm -f /tmp/generic-32.png /tmp/generic-16.png
