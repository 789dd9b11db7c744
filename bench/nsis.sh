#!/usr/bin/env bash
# Under Wine: `stp.exe extract` of each generated payload shape's package (common.sh)
# against the silent install (/S /D=) of an NSIS 3 installer of the same payload with
# zlib compression.
# Also prints the size of an NSIS installer with nothing in it (its stub).
#
# usage: bench/nsis.sh [RUNS] [PAYLOAD_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
payload_mb=${2:-200}
. "$root/bench/common.sh"
mkdir -p "$work/nsis"
cd "$root"
[ -x build/mingw/bin/stp.exe ] || { echo "nsis.sh: build the MinGW tree first (scripts/build.sh mingw)" >&2; exit 1; }
cmake --build build/native --target stp >/dev/null
cat >"$work/nsis/empty.nsi" <<NSI
Target amd64-unicode
Name "Empty"
OutFile "$work/nsis/empty.exe"
Section
SectionEnd
NSI
makensis -V1 "$work/nsis/empty.nsi"

. scripts/wine-env.sh
bash scripts/wine-prefix.sh
wineserver -p5 2>/dev/null || true  # lingers 5 s after the last program, then ends
wine cmd /c exit </dev/null >/dev/null 2>&1
drive_c="$WINEPREFIX/drive_c"

# Each payload shape in turn: stp and NSIS side by side.
for shape in "${shapes[@]}"; do
  ensure_package "$payload_mb" "$shape"
  installer="$work/nsis/$(basename "$payload")-nsis64.exe"
  if [ ! -f "$installer" ]; then
    # 64-bit stubs: the prefix is a 64-bit one, like the installer we measure.
    cat >"$work/nsis/payload.nsi" <<NSI
Target amd64-unicode
SetCompressor zlib
Name "Bench"
OutFile "$installer"
InstallDir "\$PROGRAMFILES\\Bench"
RequestExecutionLevel admin
Section
  SetOutPath "\$INSTDIR"
  File /r "$payload/*"
SectionEnd
NSI
    makensis -V1 "$work/nsis/payload.nsi"
  fi
  stp=$(for _ in $(seq "$runs"); do
    rm -rf "$drive_c/bench-stp"
    timed wine build/mingw/bin/stp.exe extract "$(winepath -w "$package")" 'C:\bench-stp'
  done | median)
  nsis=$(for _ in $(seq "$runs"); do
    rm -rf "$drive_c/bench-nsis"
    timed wine "$installer" /S '/D=C:\bench-nsis'
  done | median)
  files_stp=$(find "$drive_c/bench-stp" -type f | wc -l)
  files_nsis=$(find "$drive_c/bench-nsis" -type f | wc -l)
  rm -rf "$drive_c/bench-stp" "$drive_c/bench-nsis"

  echo "payload \"$shape\" under Wine: $(du -sm "$payload" | cut -f1) MB, median of $runs runs, $(nproc) cores, $(date -u +%F)"
  printf 'stp.exe extract              %6.2f s  (%d files)\n' "$stp" "$files_stp"
  printf 'NSIS 3 silent install (zlib) %6.2f s  (%d files)\n' "$nsis" "$files_nsis"
  printf 'stp is %.2f times as fast (goal at least 2.5)\n' "$(echo "$nsis / $stp" | bc -l)"
done
printf 'NSIS stub (an installer with nothing in it): %d bytes\n' "$(stat -c %s "$work/nsis/empty.exe")"
