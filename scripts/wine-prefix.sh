#!/usr/bin/env bash
# Makes the Wine prefix once: a virtual desktop by default (so a driver process sees the
# installer's windows and title bars are drawn under Xvfb) and Tahoma linked to a font
# with Chinese glyphs.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.stp-ready"
[ -f "$stamp" ] && exit 0
echo "wine-prefix: making $WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
reg() { wine reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default
reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 800x600
reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei'
wineserver -w
touch "$stamp"
