#!/usr/bin/env bash
# The release archive as a vendor meets it: unpacked into an empty folder outside the
# build tree, with no compiler on the PATH, stp init starts a product, a program is put
# in, stp build makes the installer and signs it through --finalize (osslsigncode, with a
# throwaway certificate made here by openssl). The signature verifies, the Windows stp.exe
# of the other archive writes the same bytes (unsigned) under Wine, and the signed
# installer installs and launches its program under Wine in a fresh prefix.
# Usage: archive-e2e.sh RELEASE_DIR PROGRAM.exe UIDRIVER.exe PREFIX
set -euo pipefail
release=$(realpath "$1") program=$(realpath "$2") uidriver=$(realpath "$3") prefix=$(realpath -m "$4")
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "archive-e2e: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "archive-e2e: no X display" >&2; exit 77; }
linux=$(ls "$release"/stp-*-linux-x86_64.tar.gz 2>/dev/null | head -1)
windows=$(ls "$release"/stp-*-windows-x86_64.zip 2>/dev/null | head -1)
[ -f "$linux" ] && [ -f "$windows" ] || fail "no release archives in $release: run scripts/release.sh first"

work=$(mktemp -d /tmp/stp-archive-XXXXXX)
export STP_WINEPREFIX="$prefix"
. "$root/scripts/wine-env.sh"
quiet() { "$@" </dev/null >/dev/null 2>&1; }
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

tar -C "$work" -xzf "$linux"
(cd "$work" && unzip -q "$windows")
stp=$(ls -d "$work"/stp-*-linux-x86_64)/stp
stp_exe=$(ls -d "$work"/stp-*-windows-x86_64)/stp.exe
# It runs on any Linux: nothing of the build machine's libraries is needed.
file -L "$stp" | grep -q "statically linked" || fail "the archive's stp is not statically linked: $(file -L "$stp")"

# The vendor's PATH: the signing tool and the shell's helpers, no compiler.
tools="$work/tools"
mkdir -p "$tools"
for t in osslsigncode mv; do ln -s "$(command -v "$t")" "$tools/$t"; done
for cc in cc gcc g++ c++ clang clang++ x86_64-w64-mingw32-g++-posix; do
  PATH="$tools" command -v "$cc" >/dev/null 2>&1 && fail "a compiler ($cc) is on the vendor's PATH"
done
# The same environment for both builds below: no SOURCE_DATE_EPOCH from the caller.
vendor() { (cd "$work" && env -i PATH="$tools" HOME="$work" "$@"); }

# A throwaway code-signing certificate.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Acme test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null

vendor "$stp" init product --name "Acme Paint" --exe AcmePaint
cp "$program" "$work/product/AcmePaint.exe"
vendor "$stp" build product -o unsigned.exe
vendor "$stp" build product -o AcmePaint-setup.exe --finalize \
  "osslsigncode sign -certs $work/cert.pem -key $work/key.pem -in {} -out {}.signed && mv {}.signed {}"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/AcmePaint-setup.exe" >"$work/verify.txt" 2>&1 \
  || { cat "$work/verify.txt" >&2; fail "the signed installer does not verify"; }
echo "archive-e2e: the signed installer verifies"

rm -rf "$prefix"
quiet bash "$root/scripts/wine-prefix.sh"
quiet wineserver -p
quiet wine cmd /c exit
# The desktop started before the installer and the driver both reach for it.
quiet wine "$uidriver" desktop 60 || echo "archive-e2e: no desktop after 60 s" >&2

# The same product folder through stp.exe under Wine gives the same installer.
(cd "$work" && env -u SOURCE_DATE_EPOCH wine "$stp_exe" build 'Z:'"${work//\//\\}"'\product' -o unsigned-wine.exe </dev/null >/dev/null 2>"$work/wine-build.txt") \
  || { cat "$work/wine-build.txt" >&2; fail "stp.exe build failed under Wine"; }
cmp "$work/unsigned.exe" "$work/unsigned-wine.exe" || fail "stp.exe under Wine wrote other bytes than stp"
echo "archive-e2e: stp.exe under Wine writes the same bytes"

# Install: Next, I Agree, Install, Finish (which launches the program).
drive() { wine "$uidriver" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
wizard="Setup - Acme Paint"
wait_text() {
  for _ in $(seq 1 120); do
    [ "$(drive gettext "$wizard" btnNext)" = "$1" ] && return 0
    sleep 0.5
  done
  fail "the wizard never showed $1"
}
wine "$work/AcmePaint-setup.exe" </dev/null >/dev/null 2>&1 &
drive wait "$wizard" 60 >/dev/null || fail "no wizard"
drive click "$wizard" btnNext; wait_text "I &Agree"
drive click "$wizard" btnNext; wait_text "&Install"
drive click "$wizard" btnNext; wait_text "&Finish"
drive click "$wizard" btnNext
drive waitgone "$wizard" 30 >/dev/null || fail "the wizard did not close"
installed="$prefix/drive_c/Program Files/Orvane Soft/AcmePaint/AcmePaint.exe"
cmp "$program" "$installed" || fail "AcmePaint.exe was not installed"
drive wait Karvel 30 >/dev/null || fail "the installed program did not start"
echo "archive-e2e: installed and launched from the signed installer"
