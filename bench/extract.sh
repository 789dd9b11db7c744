#!/usr/bin/env bash
# Extraction benchmark: each payload shape of common.sh (an application's, big files;
# default 200 MB) packed by stp, then extracted by `stp extract` and by the raw zlib
# baseline (each record inflated whole and written), natively, and by stp.exe under Wine;
# the limit: a plain copy of the uncompressed tree (cp -r) to the same place. Then the
# peak memory of extracting a package that holds one large file (default 1 GB).
#
# usage: bench/extract.sh [RUNS] [PAYLOAD_MB] [LARGE_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
payload_mb=${2:-200}
large_mb=${3:-1024}
. "$root/bench/common.sh"
native="$root/build/native/bin"
mingw="$root/build/mingw/bin"
cd "$root"
cmake --build build/native --target stp zlib_baseline >/dev/null

# time_run NAME CMD...: one timed run into $work/out; prints "seconds peak_kb".
time_run() {
  rm -rf "$work/out"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
  cat "$work/time.txt"
}

declare -A secs peak
measure() { # measure NAME CMD...
  local name=$1; shift
  : >"$work/$name.runs"
  for _ in $(seq "$runs"); do time_run "$@" >>"$work/$name.runs"; done
  secs[$name]=$(cut -d' ' -f1 "$work/$name.runs" | median)
  peak[$name]=$(cut -d' ' -f2 "$work/$name.runs" | sort -n | tail -1)
}

label() { case $1 in stp) echo "stp extract (native)";; zlib) echo "raw zlib baseline (native)";;
  copy) echo "copy of the tree (limit)";; wine) echo "stp.exe extract (Wine)";; esac; }

# Each payload shape in turn, its four measures side by side.
for shape in "${shapes[@]}"; do
  ensure_package "$payload_mb" "$shape"
  measure stp "$native/stp" extract "$package" "$work/out"
  measure zlib "$native/zlib_baseline" "$package" "$work/out"
  measure copy cp -r "$payload" "$work/out"
  names=(stp zlib copy)
  if [ -x "$mingw/stp.exe" ] && command -v wine >/dev/null; then
    . scripts/wine-env.sh
    wineserver -p5 2>/dev/null || true  # lingers 5 s after the last program, then ends
    measure wine wine "$mingw/stp.exe" extract "$package" "$work/out"
    names+=(wine)
  fi

  mb=$(du -sm "$payload" | cut -f1)
  over4=$(find "$payload" -type f -size +4M -printf '%s\n' | awk '{s += $1} END {print int(s / 1048576)}')
  echo "payload \"$shape\": extraction of $mb MB ($(find "$payload" -type f | wc -l) files, $over4 MB in files over 4 MB), median of $runs runs, $(nproc) cores, $(date -u +%F)"
  printf '%-28s %8s %10s %12s\n' what seconds MB/s "peak MB"
  for n in "${names[@]}"; do
    printf '%-28s %8.2f %10.1f %12.1f\n' "$(label "$n")" "${secs[$n]}" "$(echo "$mb / ${secs[$n]}" | bc -l)" \
      "$(echo "${peak[$n]} / 1024" | bc -l)"
  done
  printf 'stp / baseline throughput: %.2f (goal at least 2.5)\n' "$(echo "${secs[zlib]} / ${secs[stp]}" | bc -l)"
  printf 'stp / copy throughput: %.2f (goal at least 0.5)\n' "$(echo "${secs[copy]} / ${secs[stp]}" | bc -l)"
  rm -rf "$work/out"
done

# Memory with one large file.
if [ "$large_mb" -gt 0 ]; then
  large="$work/large-$large_mb"
  if [ ! -f "$large.stp" ]; then
    mkdir -p "$large"
    python3 bench/gen_payload.py "$large" "$large_mb" "$large_mb" >/dev/null
    find "$large" -type f ! -name app.dat -delete
    "$native/stp" pack --level 1 -o "$large.stp" "$large" 2>/dev/null
    rm -rf "$large"
  fi
  read -r s k < <(time_run "$native/stp" extract "$large.stp" "$work/out")
  printf 'peak memory extracting one %d MB file: %.1f MB (goal under 64 MB), %.1f s\n' "$large_mb" "$(echo "$k / 1024" | bc -l)" "$s"
  rm -rf "$work/out"
fi
