#!/usr/bin/env bash
# Builds Crypto++, libjpeg-turbo, libdeflate and ISA-L's inflate for x86_64-w64-mingw32
# from Debian's own source packages into static libraries under build/deps/mingw. Reuses
# what is already built.
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
# pixel changes, and about 90 KB leave the installer. NO_GETENV: the library does not
# read its memory limit from the environment (with sscanf, which brought MinGW's whole
# scanf along); its messages are formatted by the system's C library, not MinGW's own.
jpeg_recipe="no-idct-scaling no-ifast no-float no-merged no-quantize no-arith"
jpeg_flags="-Os -DNDEBUG -DNO_GETENV -D__USE_MINGW_ANSI_STDIO=0 -ffunction-sections -fdata-sections"
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
# ISA-L's inflate alone (igzip_inflate and what it calls): its C files with MinGW's gcc,
# its assembly with nasm for win64 and the feature level of the library's own Windows
# build. Not taken: igzip.c and igzip_multibinary.asm, the deflate side (the latter's
# dispatch table names every deflate kernel, so one symbol of it pulls them all in), and
# the CRC dispatcher. In their place a dispatcher for isal_adler32 alone, made with the
# library's own multibinary macros as igzip_multibinary.asm makes it; the two helpers
# inflate calls, cut whole out of igzip.c; gzip's CRC bound to its C version (zlib
# streams never call it).
isal_recipe="inflate-only adler32-dispatch"
isal_flags="-O2 -DNDEBUG -ffunction-sections -fdata-sections"
if [ "$(cat "$prefix/lib/isal.flags" 2>/dev/null)" != "$isal_flags $isal_recipe" ]; then
  echo "build-mingw-deps: ISA-L's inflate"
  dir=$(fetch libisal libisal-)
  b="$src/libisal-build"
  rm -rf "$b"
  mkdir -p "$b"
  nasmflags=(-f win64 -DHAVE_AS_KNOWS_AVX512 -DAS_FEATURE_LEVEL=10 -I"$dir/include/" -I"$dir/igzip/")
  cat >"$b/inflate_multibinary_adler32.asm" <<'EOF'
; isal_adler32 alone, dispatched as in igzip/igzip_multibinary.asm.
default rel
[bits 64]
%include "reg_sizes.asm"
extern adler32_base
extern adler32_avx2_4
extern adler32_sse
section .text
%include "multibinary.asm"
mbin_interface		isal_adler32
mbin_dispatch_init5	isal_adler32, adler32_base, adler32_sse, adler32_sse, adler32_avx2_4
EOF
  {
    printf '%s\n' '#include <stddef.h>' '#include <stdint.h>' '#include "igzip_lib.h"' '#include "crc.h"' \
      '#include "igzip_checksums.h"'
    for f in 'uint32_t isal_adler32_bam1(' 'void isal_gzip_header_init('; do
      awk -v f="$f" 'index($0, f) == 1 {on = 1} on {print} on && /^}/ {exit}' "$dir/igzip/igzip.c" | grep . \
        || { echo "build-mingw-deps: igzip.c has no $f" >&2; exit 1; }
    done
    printf '%s\n' 'uint32_t crc32_gzip_refl(uint32_t seed, const unsigned char *buf, uint64_t len)' \
      '{ return crc32_gzip_refl_base(seed, (uint8_t *)buf, len); }'
  } >"$b/inflate_glue.c"
  for c in "$dir"/igzip/igzip_inflate.c "$dir"/igzip/hufftables_c.c "$dir"/igzip/adler32_base.c \
           "$dir"/crc/crc_base.c "$b/inflate_glue.c"; do
    x86_64-w64-mingw32-gcc-posix $isal_flags -I"$dir/include" -I"$dir/igzip" -c "$c" -o "$b/$(basename "$c" .c).o" \
      2>>"$src/libisal-build.log" || { tail -30 "$src/libisal-build.log" >&2; exit 1; }
  done
  for a in "$dir"/igzip/igzip_decode_block_stateless_01.asm "$dir"/igzip/igzip_decode_block_stateless_04.asm \
           "$dir"/igzip/igzip_inflate_multibinary.asm "$dir"/igzip/rfc1951_lookup.asm \
           "$dir"/igzip/adler32_sse.asm "$dir"/igzip/adler32_avx2_4.asm "$b/inflate_multibinary_adler32.asm"; do
    nasm "${nasmflags[@]}" -o "$b/$(basename "$a" .asm).o" "$a" 2>>"$src/libisal-build.log" \
      || { tail -30 "$src/libisal-build.log" >&2; exit 1; }
  done
  rm -f "$prefix/lib/libisal.a.new"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libisal.a.new" "$b"/*.o
  mv "$prefix/lib/libisal.a.new" "$prefix/lib/libisal.a"
  # Where Debian's libisal-dev puts it, so one #include <isa-l/igzip_lib.h> serves both trees.
  mkdir -p "$prefix/include/isa-l"
  cp "$dir/include/igzip_lib.h" "$prefix/include/isa-l/"
  echo "$isal_flags $isal_recipe" >"$prefix/lib/isal.flags"
fi
echo "build-mingw-deps: ready in $prefix"
