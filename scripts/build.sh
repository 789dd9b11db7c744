#!/usr/bin/env bash
# Configures and builds both trees: build/native (g++) and build/mingw (Windows x86_64).
# Usage: scripts/build.sh [native|mingw|sanitize|all] [TARGET...]   (default all, every target)
# sanitize: clang with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzz targets.
# TARGETs, for one tree, build just those (the demo builds only what it runs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
shift || true
targets=()
for t in "$@"; do targets+=(--target "$t"); done
jobs=$(nproc)
cd "$root"
if [ "$which" = all ] || [ "$which" = native ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/native -j"$jobs" "${targets[@]}"
fi
if [ "$which" = all ] || [ "$which" = mingw ]; then
  bash scripts/build-mingw-deps.sh
  cmake -S . -B build/mingw -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/mingw -j"$jobs" "${targets[@]}"
fi
if [ "$which" = all ] || [ "$which" = sanitize ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSTP_SANITIZE=ON -DSTP_FUZZ=ON >/dev/null
  cmake --build build/sanitize -j"$jobs" "${targets[@]}"
fi
