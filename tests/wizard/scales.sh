#!/usr/bin/env bash
# The wizard at every display scale under Wine. For 96, 120, 144 and 192 DPI (the
# prefix's LogPixels, which Wine reads when the prefix's server starts) it runs the scale
# tests and photographs every page into OUTDIR/<dpi>dpi. A prefix of its own, kept
# between runs, with a virtual desktop large enough for the wizard at 200 %.
# Usage: scales.sh TESTS.exe SHOWCASE.exe OUTDIR
set -euo pipefail
tests=$1
showcase=$2
out=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  echo "scales: no X display" >&2
  exit 77
fi
export STP_WINEPREFIX="$root/build/scale-prefix"
. "$root/scripts/wine-env.sh"
# Wine's own processes must not hold ctest's output pipes.
quiet() { "$@" </dev/null >/dev/null 2>&1; }
restart() {
  quiet wineserver -k || true
  wineserver -w 2>/dev/null || true
}
restart
trap restart EXIT
quiet bash "$root/scripts/wine-prefix.sh"
quiet wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1400x1100 /f

status=0
for dpi in 96 120 144 192; do
  quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
  quiet wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f
  restart
  quiet wine cmd /c exit
  echo "== $dpi DPI"
  STP_EXPECT_DPI=$dpi wine "$tests" --gtest_filter='WizardScale.*' </dev/null 2>&1 || status=1
  bash "$root/tests/wizard/screenshots.sh" "$showcase" "$out/${dpi}dpi" || status=1
done
exit $status
