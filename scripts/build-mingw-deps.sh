#!/usr/bin/env bash
# Builds Crypto++, libjpeg-turbo and libdeflate for x86_64-w64-mingw32 from Debian's own
# source packages into static libraries under build/deps/mingw. Reuses what is already built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix="$root/build/deps/mingw"
src="$root/build/deps/src"
jobs=$(nproc)
mkdir -p "$prefix/lib" "$prefix/include" "$src"

fetch() { # fetch SOURCE_PACKAGE -> prints the unpacked folder
  local pkg=$1
  local dir
  dir=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "$2*" | head -1)
  if [ -z "$dir" ]; then
    (cd "$src" && apt-get source -qq "$pkg" >/dev/null 2>&1) || { echo "build-mingw-deps: apt-get source $pkg failed" >&2; exit 1; }
    dir=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "$2*" | head -1)
  fi
  echo "$dir"
}

# Built for size, one section per function, so the installer links only what it uses.
# Two settings keep the library's public-key code (big integers, ASN.1, elliptic curves,
# and through them the C++ stream and locale machinery) out of a static link that needs
# only block ciphers and hashes: CRYPTOPP_NO_ASSIGN_TO_INTEGER, the library's own switch
# that decouples algorithm parameters from Integer, and cryptlib.cpp instantiating the
# library templates its headers declare (algorithm parameters, string sinks, hash bases,
# allocators, the X9.17 generator) itself rather than taking them from dll.o. Those
# copies duplicate dll.o's and iterhash.o's; g++ emits explicit instantiations as
# mergeable COMDAT sections, so the linker keeps one.
cryptopp_recipe="no-assign-to-integer cryptlib-instantiates"
cryptopp_flags="-DNDEBUG -Os -ffunction-sections -fdata-sections -pipe"
if [ "$(cat "$prefix/lib/cryptopp.flags" 2>/dev/null)" != "$cryptopp_flags $cryptopp_recipe" ]; then
  echo "build-mingw-deps: Crypto++ (about 2 minutes)"
  dir=$(fetch libcrypto++ libcrypto++-)
  # The sources have CRLF line ends.
  sed -i 's|^// #define CRYPTOPP_NO_ASSIGN_TO_INTEGER|#define CRYPTOPP_NO_ASSIGN_TO_INTEGER|' "$dir/config_misc.h"
  grep -q '^#define CRYPTOPP_NO_ASSIGN_TO_INTEGER' "$dir/config_misc.h" \
    || { echo "build-mingw-deps: config_misc.h has no CRYPTOPP_NO_ASSIGN_TO_INTEGER switch" >&2; exit 1; }
  grep -q '^#define CRYPTOPP_MANUALLY_INSTANTIATE_TEMPLATES' "$dir/cryptlib.cpp" \
    || sed -i '1i #define CRYPTOPP_MANUALLY_INSTANTIATE_TEMPLATES' "$dir/cryptlib.cpp"
  make -C "$dir" -f GNUmakefile clean >/dev/null 2>&1 || true
  # The x86 SIMD objects need their own -m flags, which GNUmakefile sets per file.
  make -C "$dir" -f GNUmakefile -j"$jobs" static \
    CXX=x86_64-w64-mingw32-g++-posix AR=x86_64-w64-mingw32-ar RANLIB=x86_64-w64-mingw32-ranlib \
    CXXFLAGS="$cryptopp_flags" >"$src/cryptopp-build.log" 2>&1 \
    || { tail -30 "$src/cryptopp-build.log" >&2; exit 1; }
  mkdir -p "$prefix/include/cryptopp"
  cp "$dir"/*.h "$prefix/include/cryptopp/"
  # Debian's packaging names the archive libcrypto++.a.
  cp "$(ls "$dir"/libcryptopp.a "$dir"/libcrypto++.a 2>/dev/null | head -1)" "$prefix/lib/libcryptopp.a.new"
  mv "$prefix/lib/libcryptopp.a.new" "$prefix/lib/libcryptopp.a"
  echo "$cryptopp_flags $cryptopp_recipe" >"$prefix/lib/cryptopp.flags"
fi

# libjpeg-turbo for size: the installer decodes baseline pictures to RGB with the
# library's defaults (the accurate integer IDCT, fancy upsampling, no scaling and no
# colour quantizing), so the other IDCTs, the scaled IDCTs, merged upsampling, the
# quantizers and arithmetic decoding are configured out of jmorecfg.h: not one decoded
# pixel changes, and about 90 KB leave the installer.
jpeg_recipe="no-idct-scaling no-ifast no-float no-merged no-quantize no-arith"
jpeg_flags="-Os -DNDEBUG -ffunction-sections -fdata-sections"
if [ "$(cat "$prefix/lib/jpeg.flags" 2>/dev/null)" != "$jpeg_flags $jpeg_recipe" ]; then
  echo "build-mingw-deps: libjpeg-turbo"
  dir=$(fetch libjpeg-turbo libjpeg-turbo-)
  for feature in IDCT_SCALING_SUPPORTED DCT_IFAST_SUPPORTED DCT_FLOAT_SUPPORTED UPSAMPLE_MERGING_SUPPORTED \
                 QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED; do
    sed -i "s|^#define $feature\b|#undef $feature|" "$dir/jmorecfg.h"
    grep -q "^#undef $feature" "$dir/jmorecfg.h" \
      || { echo "build-mingw-deps: jmorecfg.h has no $feature switch" >&2; exit 1; }
  done
  b="$src/libjpeg-build"
  rm -rf "$b"
  cmake -S "$dir" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$jpeg_flags" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF \
    -DWITH_SIMD=OFF -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_CROSSCOMPILING_EMULATOR= >"$src/jpeg-build.log" 2>&1 \
    && cmake --build "$b" -j"$jobs" >>"$src/jpeg-build.log" 2>&1 \
    && cmake --install "$b" >>"$src/jpeg-build.log" 2>&1 \
    || { tail -30 "$src/jpeg-build.log" >&2; exit 1; }
  [ -f "$prefix/lib/libjpeg.a" ] || cp "$prefix"/lib*/libjpeg.a "$prefix/lib/" 2>/dev/null || true
  echo "$jpeg_flags $jpeg_recipe" >"$prefix/lib/jpeg.flags"
fi

# libdeflate: its library sources compiled as they are (the architecture-specific files
# compile empty elsewhere) into one archive; the CPU features are detected at run time.
if [ ! -f "$prefix/lib/libdeflate.a" ]; then
  echo "build-mingw-deps: libdeflate"
  dir=$(fetch libdeflate libdeflate-)
  b="$src/libdeflate-build"
  rm -rf "$b"
  mkdir -p "$b"
  for c in "$dir"/lib/*.c "$dir"/lib/*/*.c; do
    x86_64-w64-mingw32-gcc-posix -O2 -DNDEBUG -ffunction-sections -fdata-sections -I"$dir" \
      -c "$c" -o "$b/$(basename "$(dirname "$c")")-$(basename "$c" .c).o" 2>>"$src/libdeflate-build.log" \
      || { tail -30 "$src/libdeflate-build.log" >&2; exit 1; }
  done
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libdeflate.a.new" "$b"/*.o
  mv "$prefix/lib/libdeflate.a.new" "$prefix/lib/libdeflate.a"
  cp "$dir/libdeflate.h" "$prefix/include/"
fi
echo "build-mingw-deps: ready in $prefix"
