#!/usr/bin/env bash
# Packing benchmark: `stp pack` at level 9 on every core against zlib level 9 on one
# thread (each file compressed whole) over the same generated payload; and the size
# `stp pack --level max` reaches against zlib level 9's; on each payload shape of common.sh.
#
# usage: bench/pack.sh [RUNS] [PAYLOAD_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
payload_mb=${2:-200}
. "$root/bench/common.sh"
bin="$root/build/native/bin"
cd "$root"
cmake --build build/native --target stp zlib_pack_baseline >/dev/null

for shape in "${shapes[@]}"; do
  ensure_payload "$payload_mb" "$shape"
  stp=$(for _ in $(seq "$runs"); do timed "$bin/stp" pack --level 9 -o "$work/pack.stp" "$payload"; done | median)
  zlib=$(for _ in $(seq "$runs"); do timed "$bin/zlib_pack_baseline" "$payload" "$work/pack.zlib"; done | median)
  max=$(for _ in $(seq "$runs"); do timed "$bin/stp" pack --level max -o "$work/pack-max.stp" "$payload"; done | median)
  echo "payload \"$shape\": packing $(du -sm "$payload" | cut -f1) MB at level 9, median of $runs runs, $(nproc) cores, $(date -u +%F)"
  printf 'stp pack (%d threads)        %6.2f s  %s bytes\n' "$(nproc)" "$stp" "$(stat -c %s "$work/pack.stp")"
  printf 'zlib level 9, one thread     %6.2f s  %s bytes\n' "$zlib" "$(stat -c %s "$work/pack.zlib")"
  printf 'speed-up: %.2f (goal at least 1.7)\n' "$(echo "$zlib / $stp" | bc -l)"
  printf 'stp pack --level max (%d threads) %6.2f s  %s bytes\n' "$(nproc)" "$max" "$(stat -c %s "$work/pack-max.stp")"
  printf 'level max / zlib level 9 size: %.4f (goal at most 0.980)\n' \
    "$(echo "$(stat -c %s "$work/pack-max.stp") / $(stat -c %s "$work/pack.zlib")" | bc -l)"
done
