#!/usr/bin/env bash
# The long fuzz runs: each target for SECONDS (default 600) under ASan and UBSan, from
# the seed corpus, keeping what it finds in build/fuzz-long/<target>/.
# Usage: long-run.sh [SECONDS] [TARGET...]   (default: every target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(DecryptText DataTable Package PeResources RecordStream FileList)
cd "$root"
bash scripts/build.sh sanitize >/dev/null
for t in "${targets[@]}"; do
  out="build/fuzz-long/$t"
  mkdir -p "$out/corpus" "$out/findings"
  echo "fuzz $t for $seconds s"
  build/sanitize/bin/fuzz_$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/findings/" "$out/corpus" "fuzz/corpus/$t" >"$out/log.txt" 2>&1 || true
  grep -E 'stat::number_of_executed_units|Done|ERROR|SUMMARY' "$out/log.txt" | tail -3
  ls "$out/findings"
done
