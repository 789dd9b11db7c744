#!/usr/bin/env bash
# Draws the Karvel artwork with ImageMagick: the two 160 x 308 side pictures (one per
# text set) and their 320 x 616 versions for high display scales, the 32 x 32 header bitmap and the two icon groups. The results are kept in
# the repository, so a build needs no ImageMagick; run this again after changing it.
set -euo pipefail
cd "$(dirname "$0")"
font=DejaVu-Sans-Bold

side() { # side OUTPUT TOP_COLOUR BOTTOM_COLOUR ACCENT LINE [SCALE]
  local m=${6:-1}
  convert -size $((160 * m))x$((308 * m)) "gradient:$2-$3" \
    -fill none -stroke "$4" -strokewidth $((6 * m)) -fill none \
    -draw "path 'M $((10 * m)),$((290 * m)) C $((50 * m)),$((230 * m)) $((100 * m)),$((300 * m)) $((150 * m)),$((240 * m))'" \
    -stroke white -strokewidth $((3 * m)) -fill none \
    -draw "path 'M $((10 * m)),$((300 * m)) C $((60 * m)),$((250 * m)) $((100 * m)),$((310 * m)) $((150 * m)),$((260 * m))'" \
    -stroke none -fill "$4" -draw "circle $((44 * m)),$((88 * m)) $((44 * m)),$((60 * m))" \
    -fill '#ffd54a' -draw "circle $((104 * m)),$((70 * m)) $((104 * m)),$((52 * m))" \
    -fill '#6fd0ff' -draw "circle $((96 * m)),$((120 * m)) $((96 * m)),$((104 * m))" \
    -fill white -font "$font" -pointsize $((22 * m)) -gravity north -annotate +0+$((160 * m)) 'Karvel' \
    -pointsize $((11 * m)) -annotate +0+$((188 * m)) "$5" \
    -type TrueColor -quality 90 "$1"
}
side ImageLeft0.jpg '#1d4e89' '#0b2545' '#ff7043' 'V3.40'
side ImageLeft2.jpg '#2e7d32' '#0b3d1a' '#ff7043' 'Version 3.40'
# Twice the size, for display scales above 100 %.
side ImageLeft0@2x.jpg '#1d4e89' '#0b2545' '#ff7043' 'V3.40' 2
side ImageLeft2@2x.jpg '#2e7d32' '#0b3d1a' '#ff7043' 'Version 3.40' 2

# A brush over a palette; the bottom-left colour (magenta) is drawn transparent.
convert -size 32x32 xc:'#ff00ff' \
  -fill '#f5deb3' -stroke '#8d6e63' -draw "ellipse 14,18 12,10 0,360" \
  -stroke none -fill '#e53935' -draw "circle 9,15 9,12" \
  -fill '#1e88e5' -draw "circle 15,12 15,9" \
  -fill '#43a047' -draw "circle 21,16 21,13" \
  -fill '#ff00ff' -draw "circle 12,23 12,21" \
  -stroke '#5d4037' -strokewidth 3 -draw "line 20,26 30,4" \
  -type TrueColor BMP3:ImageIcon.bmp

icon() { # icon SIZE OUTPUT
  convert -size "$1x$1" xc:none -fill '#1d4e89' -draw "roundrectangle 0,0 $(($1-1)),$(($1-1)) $(($1/5)),$(($1/5))" \
    -fill '#ffd54a' -draw "circle $(($1*3/10)),$(($1*3/8)) $(($1*3/10)),$(($1/5))" \
    -stroke '#ff7043' -strokewidth $(($1/8)) -fill none -draw "line $(($1/4)),$(($1*4/5)) $(($1*4/5)),$(($1/4))" \
    "$2"
}
icon 32 /tmp/karvel-32.png
icon 16 /tmp/karvel-16.png
# Icon groups keep the order of their images: AppIcon large first, MAINICON small first.
convert /tmp/karvel-32.png /tmp/karvel-16.png AppIcon.ico
convert /tmp/karvel-16.png /tmp/karvel-32.png MainIcon.ico
rm -f /tmp/karvel-32.png /tmp/karvel-16.png
