#!/usr/bin/env bash
# Makes the Wine prefix once: a virtual desktop by default (so a driver process sees the
# installer's windows and title bars are drawn under Xvfb) and Tahoma linked to a font
# with Chinese glyphs.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.stp-ready"
fonts_stamp="$WINEPREFIX/.stp-fonts"
reg() { wine reg add "$@" /f >/dev/null 2>&1; }

# The title-bar buttons are drawn with Marlett, which Wine does not find by itself here;
# the wizard's Chinese fonts (SimSun, Microsoft YaHei) are stood in for by WenQuanYi.
add_fonts() {
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -f /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # A UTF-16 registry file keeps the Chinese face names intact whatever the locale.
  local file="$WINEPREFIX/drive_c/stp-fonts.reg"
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"SimSun"="WenQuanYi Micro Hei"' '"宋体"="WenQuanYi Micro Hei"' \
    '"Microsoft YaHei"="WenQuanYi Micro Hei"' '"微软雅黑"="WenQuanYi Micro Hei"' \
    | iconv -f UTF-8 -t UTF-16 >"$file"
  wine regedit /S 'C:\stp-fonts.reg' >/dev/null 2>&1
  rm -f "$file"
  wineserver -w
  touch "$fonts_stamp"
}

# Wine links the user's Desktop, Documents and the like to the home folder; an installer
# run here would write its shortcuts there. Real folders inside the prefix instead.
own_user_folders() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    rm -f -- "$link"
    mkdir -p -- "$link"
  done
}

# A CD-ROM drive D: (a folder of the prefix), for the tests of folders on drives that
# are not fixed.
cdrom_drive() {
  [ -e "$WINEPREFIX/.stp-cdrom" ] && return
  mkdir -p "$WINEPREFIX/cdrom"
  ln -sfn ../cdrom "$WINEPREFIX/dosdevices/d:"
  reg 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d cdrom
  wineserver -w
  touch "$WINEPREFIX/.stp-cdrom"
}

if [ -f "$stamp" ]; then
  [ -f "$fonts_stamp" ] || add_fonts
  own_user_folders
  cdrom_drive
  exit 0
fi
echo "wine-prefix: making $WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
own_user_folders
reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei'
wineserver -w
add_fonts
cdrom_drive
touch "$stamp"
