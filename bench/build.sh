#!/usr/bin/env bash
# Installer building benchmark: `stp build` of a product folder whose payload.txt lists the
# generated payload (it also makes and packs the uninstaller), against `stp pack` of the
# same files (goal: at most 1.1 times as long), and the installer's size without its
# payload (goal: under 1.5 MB).
#
# usage: bench/build.sh [RUNS] [PAYLOAD_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
payload_mb=${2:-200}
. "$root/bench/common.sh"
bin="$root/build/native/bin"
stub="$root/build/mingw/bin/setup-stub.exe"
uninstaller="$root/build/mingw/bin/uninst-stub.exe"
cd "$root"
cmake --build build/native --target stp >/dev/null
[ -f "$stub" ] && [ -f "$uninstaller" ] || { echo "bench: build the MinGW tree first (no $stub)" >&2; exit 1; }
ensure_payload "$payload_mb"

# A product folder: the demo's settings and artwork, the payload's files listed one a
# line, a stand-in program first.
product="$work/build-product"
rm -rf "$product"
mkdir -p "$product"
cp examples/karvel/product.ini "$product/"
cp -r examples/karvel/art "$product/"
cp build/mingw/bin/Karvel.exe "$product/" 2>/dev/null || printf 'MZ' >"$product/Karvel.exe"
{
  printf 'Karvel.exe\t\n'
  (cd "$payload" && find . -type f | sort | sed 's|^\./||') | while IFS= read -r f; do
    dir=$(dirname "$f")
    if [ "$dir" = . ]; then folder=; else folder="${dir//\//\\}\\"; fi
    printf '%s\t%s\n' "$payload/$f" "$folder"
  done
} >"$product/payload.txt"

rm -f "$work/build.exe"
build=$(for _ in $(seq "$runs"); do
  timed "$bin/stp" build "$product" --stub "$stub" --uninstaller-stub "$uninstaller" -o "$work/build.exe"
done | median)
[ -f "$work/build.exe" ] || { echo "bench: stp build failed" >&2; exit 1; }
pack=$(for _ in $(seq "$runs"); do timed "$bin/stp" pack -o "$work/build.stp" "$product/payload.txt"; done | median)
installer=$(stat -c %s "$work/build.exe")
package=$(stat -c %s "$work/build.stp")
# The package resource as the installer carries it (the payload with the uninstaller).
carried=$("$bin/stp" resources "$work/build.exe" | awk -F'\t' '$1 == "STPFILE" {print $4}')
echo "stp build of $(du -sm "$payload" | cut -f1) MB, median of $runs runs, $(nproc) cores, $(date -u +%F)"
printf 'stp build                    %6.2f s  %s bytes\n' "$build" "$installer"
printf 'stp pack of the same files   %6.2f s  %s bytes\n' "$pack" "$package"
printf 'build against pack: %.2f times as long (goal at most 1.1)\n' "$(echo "$build / $pack" | bc -l)"
printf 'installer without its payload: %d bytes (goal under 1,572,864)\n' "$((installer - carried))"
