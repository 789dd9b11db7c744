#!/usr/bin/env bash
# Makes the release archives in build/release: stp-<version>-linux-x86_64.tar.gz (a
# statically linked stp, the setup and uninstaller stubs, the vendor guide) and
# stp-<version>-windows-x86_64.zip (stp.exe, the same stubs and guide). Each works unpacked
# anywhere. Expects the native and MinGW trees' dependencies (scripts/install-deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

# The MinGW tree builds its installers with the native tree's stp.
bash scripts/build.sh native stp
bash scripts/build.sh mingw stp setup_stub uninst_stub
cmake -S . -B build/release-linux -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTP_STATIC=ON >/dev/null
cmake --build build/release-linux -j"$jobs" --target stp

version=$(build/release-linux/bin/stp --version | awk '{print $2}')
out="$root/build/release"
rm -rf "$out"
mkdir -p "$out"

# Archives of the same files are the same bytes.
stamp=${SOURCE_DATE_EPOCH:-1577836800}
pack_dir() { # pack_dir NAME STP STRIP
  local dir="$out/$1"
  mkdir -p "$dir"
  cp "$2" "$dir/"
  "$3" "$dir/$(basename "$2")"
  cp build/mingw/bin/setup-stub.exe build/mingw/bin/uninst-stub.exe "$dir/"
  cp docs/VENDOR-GUIDE.md "$dir/"
  chmod 0755 "$dir" "$dir/$(basename "$2")"
  chmod 0644 "$dir/setup-stub.exe" "$dir/uninst-stub.exe" "$dir/VENDOR-GUIDE.md"
  find "$dir" -exec touch -h -d "@$stamp" {} +
}
linux="stp-$version-linux-x86_64"
pack_dir "$linux" build/release-linux/bin/stp strip
tar -C "$out" --sort=name --owner=0 --group=0 --numeric-owner -cf - "$linux" | gzip -n -9 >"$out/$linux.tar.gz"
windows="stp-$version-windows-x86_64"
pack_dir "$windows" build/mingw/bin/stp.exe x86_64-w64-mingw32-strip
(cd "$out" && find "$windows" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$windows.zip")
rm -rf "${out:?}/$linux" "${out:?}/$windows"
echo "release: $out/$linux.tar.gz"
echo "release: $out/$windows.zip"
