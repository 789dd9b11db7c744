#!/usr/bin/env bash
# The whole test run on a fresh Debian 12 machine: installs what is missing, builds both
# trees, runs every test natively and the cross-built ones under Wine (Xvfb display,
# persistent wineserver). Fails when any test fails or when either tree ran none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh all
# The release archives, which the Windows tests unpack and use as a vendor would.
bash scripts/release.sh
bash scripts/wine-prefix.sh

logs="$root/build/test-logs"
mkdir -p "$logs"
status=0

# The one naming and brace style (.clang-format) on every C++ file of the repository.
echo "== format"
format=$(command -v clang-format-14 || command -v clang-format)
if git ls-files -z '*.cpp' '*.h' | xargs -0 "$format" --style=file --dry-run -Werror 2>"$logs/format.log"; then
  echo "format: every file as .clang-format says"
else
  head -40 "$logs/format.log"
  echo "format: files differ from .clang-format (clang-format -i FILE)"
  status=1
fi

echo "== native tests"
ctest --test-dir build/native --no-tests=error --output-on-failure -j"$(nproc)" 2>&1 | tee "$logs/native.log" || status=1

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer, and fuzz smoke runs"
ctest --test-dir build/sanitize --no-tests=error --output-on-failure -j"$(nproc)" 2>&1 | tee "$logs/sanitize.log" || status=1

echo "== Windows tests under Wine"
xvfb-run -a -s "-screen 0 1600x1200x24" bash scripts/wine-tests.sh 2>&1 | tee "$logs/mingw.log" || status=1

# One closing line for both trees.
count() { sed -n "s/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p" "$1" | tail -1; }
read -r nf nt < <(count "$logs/native.log" || true) || true
read -r sf st < <(count "$logs/sanitize.log" || true) || true
read -r mf mt < <(count "$logs/mingw.log" || true) || true
nf=${nf:-0}; nt=${nt:-0}; sf=${sf:-0}; st=${st:-0}; mf=${mf:-0}; mt=${mt:-0}
if [ "$nt" -eq 0 ] || [ "$st" -eq 0 ] || [ "$mt" -eq 0 ]; then
  echo "test: a tree ran no test (native $nt, sanitizers $st, Windows $mt)"
  status=1
fi
echo "native: $((nt - nf)) passed, $nf failed"
echo "sanitizers: $((st - sf)) passed, $sf failed"
echo "windows: $((mt - mf)) passed, $mf failed"
echo "$((nt - nf + st - sf + mt - mf)) passed, $((nf + sf + mf)) failed"
exit $status
