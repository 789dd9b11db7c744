#!/usr/bin/env bash
# Start-up under Wine: time from launching the demo installer until its wizard window is
# visible, against an NSIS 3 installer of the same files until its first window, both
# measured by bench/startwatch.exe (CreateProcess until a visible top-level window).
# Also the demo installer's size without its payload, stripped, next to NSIS's stub.
#
# usage: bench/startup.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
. "$root/bench/common.sh"
work="$root/build/bench/startup"
bin="$root/build/mingw/bin"
mkdir -p "$work"
cd "$root"
for f in startwatch.exe Karvel-3.40-setup.exe Karvel.exe; do
  [ -f "$bin/$f" ] || { echo "startup.sh: build the MinGW tree first (scripts/build.sh mingw)" >&2; exit 1; }
done

# The same files as the demo's payload, for NSIS.
cat >"$work/karvel.nsi" <<NSI
Target amd64-unicode
SetCompressor zlib
Name "Karvel"
OutFile "$work/karvel-nsis.exe"
InstallDir "\$PROGRAMFILES\\Orvane Soft\\Karvel"
RequestExecutionLevel admin
Page directory
Page instfiles
Section
  SetOutPath "\$INSTDIR"
  File "$bin/Karvel.exe"
  File /r "$root/examples/karvel/files/*"
SectionEnd
NSI
makensis -V1 "$work/karvel.nsi"
cat >"$work/empty.nsi" <<NSI
Target amd64-unicode
Name "Empty"
OutFile "$work/empty.exe"
Section
SectionEnd
NSI
makensis -V1 "$work/empty.nsi"

# Runs each program in turn, RUNS rounds of both in one Wine session, so that a machine
# that speeds up or slows down meanwhile weighs on both alike: one line per program and
# round, "NAME MS".
measure() {
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    . scripts/wine-env.sh
    wineserver -p
    trap "wineserver -k" EXIT
    wine cmd /c exit </dev/null >/dev/null 2>&1
    watch=$1; shift
    for _ in $(seq '"$runs"'); do
      for program in "$@"; do
        echo "$(basename "$program") $(wine "$watch" "$program" 2>/dev/null | tr -d "\r")"
      done
    done
  ' bash "$bin/startwatch.exe" "$@"
}
bash scripts/wine-prefix.sh
# The installer writes its phases (STP_STARTUP_TRACE): as medians over the runs, in
# milliseconds since its process was created; NSIS's stub ignores the variable.
trace="$root/build/wine-prefix/drive_c/stp-startup-trace.txt"
rm -f "$trace"
times=$(STP_STARTUP_TRACE='C:\stp-startup-trace.txt' measure "$bin/Karvel-3.40-setup.exe" "$work/karvel-nsis.exe")
ours=$(awk '$1 == "Karvel-3.40-setup.exe" {print $2}' <<<"$times" | median)
nsis=$(awk '$1 == "karvel-nsis.exe" {print $2}' <<<"$times" | median)

# Without its payload: the installer less its package (the "StpFile" resource), stripped.
x86_64-w64-mingw32-strip -o "$work/setup-stripped.exe" "$bin/Karvel-3.40-setup.exe"
payload=$("$root/build/native/bin/stp" resources "$work/setup-stripped.exe" | awk -F'\t' '$1 == "STPFILE" {print $4}')
size=$(( $(stat -c %s "$work/setup-stripped.exe") - ${payload:-0} ))

echo "start-up under Wine (Xvfb, persistent wineserver), median of $runs runs of each, taking turns, $(nproc) cores, $(date -u +%F)"
printf 'demo installer, wizard visible    %8.1f ms\n' "$ours"
printf 'NSIS 3 installer, first window    %8.1f ms\n' "$nsis"
printf 'wizard / NSIS: %.2f (goal at most 1.00)\n' "$(echo "$ours / $nsis" | bc -l)"
if [ -f "$trace" ]; then
  echo "the demo installer's phases (ms since its process started, medians):"
  tr -d '\r' <"$trace" | awk '{v = $NF; $NF = ""; k = $0; sub(/ +$/, "", k); t[k] = t[k] " " v;
      if (!(k in seen)) {seen[k] = 1; order[++n] = k}}
    END {for (i = 1; i <= n; i++) print order[i] "|" t[order[i]]}' | while IFS='|' read -r phase values; do
    printf '  %-22s %8.1f\n' "$phase" "$(printf '%s\n' $values | median)"
  done
fi
printf 'demo installer without payload, stripped: %d bytes (goal under 1.5 MB)\n' "$size"
printf 'NSIS stub (an installer with nothing in it): %d bytes\n' "$(stat -c %s "$work/empty.exe")"
