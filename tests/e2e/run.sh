#!/usr/bin/env bash
# Runs the end-to-end tests under Wine in a fresh prefix of their own, with E: made a
# CD-ROM drive (a drive that is not fixed). Needs an X display (Xvfb under the test run).
# Usage: run.sh TESTS.exe PREFIX [test arguments...]
set -euo pipefail
tests=$1
prefix=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  echo "e2e: no X display" >&2
  exit 77
fi
case "$prefix" in
  "$root"/build/*) ;;
  *) echo "e2e: the prefix must lie below $root/build" >&2; exit 1 ;;
esac
export STP_WINEPREFIX="$prefix"
. "$root/scripts/wine-env.sh"

# Every Wine process of the preparation writes to /dev/null: a server or service started
# here must not hold ctest's output pipes.
quiet() { "$@" </dev/null >/dev/null 2>&1; }
quiet wineserver -k || true
rm -rf "$prefix"
quiet bash "$root/scripts/wine-prefix.sh"
mkdir -p "$prefix/cdrom"
ln -sfn ../cdrom "$prefix/dosdevices/e:"
quiet wine reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d cdrom /f
quiet wineserver -w
quiet wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
quiet wine cmd /c exit
wine "$tests" "$@"
