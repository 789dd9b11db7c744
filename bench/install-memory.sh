#!/usr/bin/env bash
# Memory while installing a 1 GB payload: an installer of the vendor's deployable product
# (tests/e2e/vendor, Unattended = yes) carrying 32 files of 32 MB more, made by the native
# stp from the built stubs, installed silently under Wine (/S /D=) while the process's
# resident size is sampled every 20 ms. Against the same installer started and ended at
# once (an unknown switch): the peak above that, and the installer's own size, which the
# payload's pages mapped while they are read may add to the peak.
#
# usage: bench/install-memory.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
. "$root/bench/common.sh"
cd "$root"
mingw="$root/build/mingw/bin"
for f in setup-stub.exe uninst-stub.exe Karvel.exe; do
  [ -f "$mingw/$f" ] || { echo "build the MinGW tree first (bash scripts/release.sh)" >&2; exit 1; }
done

product="$work/memory-product"
big="$work/memory-payload"
rm -rf "$product"
cp -r "$root/examples/karvel" "$product"
cp "$root"/tests/e2e/vendor/* "$product/"
cp "$mingw/Karvel.exe" "$product/"
[ -f "$big/big32.bin" ] || python3 "$root/tests/e2e/make-big-payload.py" "$big" 32 32
for i in $(seq -w 1 32); do printf '%s\t\n' "$big/big$i.bin" >>"$product/payload.txt"; done
installer="$work/bigsetup.exe"
"$root/build/native/bin/stp" build "$product" -o "$installer" --stub "$mingw/setup-stub.exe" \
  --uninstaller-stub "$mingw/uninst-stub.exe" --text-mode 2 >/dev/null

# A prefix of its own: the installs leave shortcuts and an uninstall entry, which the
# tests' prefix must not see.
export STP_WINEPREFIX="$work/memory-prefix"
. scripts/wine-env.sh
bash scripts/wine-prefix.sh
wineserver -p5 2>/dev/null || true
wine cmd /c exit </dev/null >/dev/null 2>&1
drive_c="$WINEPREFIX/drive_c"

# peak_kb ARGS...: runs the installer with ARGS and prints the largest resident size (KB)
# its process had.
peak_kb() {
  wine "$installer" "$@" </dev/null >/dev/null 2>&1 &
  local runner=$! peak=0 pid rss
  while kill -0 "$runner" 2>/dev/null; do
    for pid in $(pgrep -x bigsetup.exe || true); do
      rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
      [ "${rss:-0}" -gt "$peak" ] && peak=$rss
    done
    sleep 0.02
  done
  wait "$runner" || true
  echo "$peak"
}

base=$(for _ in $(seq "$runs"); do peak_kb /BENCH-UNKNOWN-SWITCH; done | sort -n | tail -1)
install=$(for _ in $(seq "$runs"); do
  rm -rf "$drive_c/bench-big"
  peak_kb /S '/D=C:\bench-big'
done | sort -n | tail -1)
files=$(find "$drive_c/bench-big" -type f | wc -l)
rm -rf "$drive_c/bench-big"
size_kb=$(( $(stat -c %s "$installer") / 1024 ))
above=$(( (install - base) / 1024 ))

echo "under Wine: 1 GB payload (32 files of 32 MB, $files files installed), highest of $runs runs, $(nproc) cores, $(date -u +%F)"
printf 'installer started and ended at once  %6d KB resident\n' "$base"
printf 'installing the 1 GB payload (/S)     %6d KB resident\n' "$install"
printf 'the installer file                   %6d KB\n' "$size_kb"
printf 'peak above the start: %d MB (goal under 64 MB above the installer'"'"'s own %d MB)\n' "$above" "$((size_kb / 1024))"
