#!/usr/bin/env bash
# Runs the MinGW tree's tests under Wine with one persistent wineserver; expects a
# display (scripts/test.sh runs it under xvfb-run). Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
# A server already running for this prefix (another run's) is shared, and left to its owner.
if wineserver -p 2>/dev/null; then
  trap 'wineserver -k' EXIT
fi
# Start the prefix's services now, detached from ctest's output pipes: services started
# by the first test would inherit them and keep ctest waiting for their end.
wine cmd /c exit </dev/null >/dev/null 2>&1
# The desktop started before any test makes windows: a new prefix's first window waits
# for it, and two programs starting it at once have found none.
[ ! -f build/mingw/bin/uidriver.exe ] || wine build/mingw/bin/uidriver.exe desktop 60 </dev/null >/dev/null 2>&1 \
  || echo "wine-tests: no desktop after 60 s" >&2
# A bound on the whole run, so a hung program fails the run instead of stalling it.
timeout 2400 ctest --test-dir build/mingw --no-tests=error --output-on-failure -j1 "$@"
