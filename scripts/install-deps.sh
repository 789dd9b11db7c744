#!/usr/bin/env bash
# Installs every system package the project needs on a Debian 12 machine.
# Idempotent: a second run installs nothing new.
set -euo pipefail

PKGS=(
  build-essential cmake ninja-build pkg-config dpkg-dev clang-14 clang-format-14 libclang-rt-14-dev libfuzzer-14-dev nsis
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  zlib1g-dev libz-mingw-w64-dev libdeflate-dev libisal-dev nasm libcrypto++-dev libjpeg-dev googletest libgtest-dev
  time bc python3 wine wine64 xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei fonts-wine
  osslsigncode openssl zip unzip
  python3-yaml python3-jsonschema
)

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Source entries for `apt-get source`, derived from the machine's own binary entries.
src=/etc/apt/sources.list.d/stp-deb-src.sources
if [ ! -f "$src" ] && ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -n 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/;p' "$f" >>"$tmp"
    echo >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/stp-deb-src.list || true
  fi
  if grep -q 'Types: deb-src' "$tmp"; then mv "$tmp" "$src"; else rm -f "$tmp"; fi
  apt-get update -qq
fi
echo "install-deps: system packages ready"
