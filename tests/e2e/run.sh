#!/usr/bin/env bash
# Runs the end-to-end tests under Wine in a fresh prefix of their own, with E: made a
# CD-ROM drive (a drive that is not fixed), and for the fault tests two small tmpfs
# drives: F: to fill up and G: to turn read-only. Needs an X display (Xvfb under the
# test run) and, for F: and G:, the right to mount (without it those tests are skipped).
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
drives="$prefix/drives"
unmount_drives() {
  for m in "$drives/full" "$drives/readonly"; do
    if mountpoint -q "$m" 2>/dev/null; then
      umount "$m" || umount -l "$m" || echo "e2e: could not unmount $m" >&2
    fi
  done
}
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  unmount_drives
}
quiet wineserver -k || true
unmount_drives
trap cleanup EXIT
rm -rf "$prefix"
quiet bash "$root/scripts/wine-prefix.sh"
mkdir -p "$prefix/cdrom"
ln -sfn ../cdrom "$prefix/dosdevices/e:"
quiet wine reg add 'HKLM\Software\Wine\Drives' /v e: /t REG_SZ /d cdrom /f

# F: and G:, each a 4 MB tmpfs that Wine treats as a hard disk.
mkdir -p "$drives/full" "$drives/readonly"
if mount -t tmpfs -o size=4m stp-e2e-full "$drives/full" 2>/dev/null \
    && mount -t tmpfs -o size=4m stp-e2e-readonly "$drives/readonly" 2>/dev/null; then
  ln -sfn ../drives/full "$prefix/dosdevices/f:"
  ln -sfn ../drives/readonly "$prefix/dosdevices/g:"
  quiet wine reg add 'HKLM\Software\Wine\Drives' /v f: /t REG_SZ /d hd /f
  quiet wine reg add 'HKLM\Software\Wine\Drives' /v g: /t REG_SZ /d hd /f
  export STP_E2E_FAULT_DRIVES=1
else
  unmount_drives
  echo "e2e: cannot mount a tmpfs here; the full and read-only drive tests are skipped" >&2
fi

# Windows programs cannot remount a drive nor make a link under Wine: a test asks with a
# file NAME.request in C:\stp-e2e-control, and gets NAME.done holding the exit code on
# its first line and what the command said after it. "readonly" and "writable" remount
# G:. "link" makes the request's second line (a C: path) a link to its first, in place of
# whatever is there, "unlink" removes the link on its first line; "flip" keeps switching the link on its first line between the folders
# on its second and third lines until "stopflip" (which waits for the loop's round to end). The loop ends with this script.
control="$prefix/drive_c/stp-e2e-control"
mkdir -p "$control"
unix_path() { local p=${1%$'\r'}; p=${p#[Cc]:\\}; printf '%s/drive_c/%s' "$prefix" "${p//\\//}"; }
flipper=
serve_requests() {
  set +e
  while kill -0 $$ 2>/dev/null; do
    for request in "$control"/*.request; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .request)
      mapfile -t lines <"$request"
      case "$name" in
        readonly) said=$(mount -o remount,ro "$drives/readonly" 2>&1); rc=$? ;;
        writable) said=$(mount -o remount,rw "$drives/readonly" 2>&1); rc=$? ;;
        link)
          at=$(unix_path "${lines[1]}")
          said=$(rm -rf "$at" && ln -s "$(unix_path "${lines[0]}")" "$at" 2>&1); rc=$? ;;
        unlink) said=$(rm -f -- "$(unix_path "${lines[0]}")" 2>&1); rc=$? ;;
        flip)
          at=$(unix_path "${lines[0]}") a=$(unix_path "${lines[1]}") b=$(unix_path "${lines[2]}")
          # Ended by a flag it reads between rounds, never killed: a killed loop's running
          # mv would go on and move away the link that stopflip puts back.
          rm -f "$control/flip.stop"
          ( while [ ! -e "$control/flip.stop" ] && kill -0 $$ 2>/dev/null; do
              ln -sfn "$b" "$at.b" && mv -T "$at.b" "$at"; ln -sfn "$a" "$at.a" && mv -T "$at.a" "$at"
            done ) &
          flipper=$!; said=; rc=0 ;;
        stopflip)
          if [ -n "$flipper" ]; then touch "$control/flip.stop"; wait "$flipper" 2>/dev/null; fi
          flipper=; rm -f "$control/flip.stop"
          said=$(ln -sfn "$(unix_path "${lines[1]}")" "$(unix_path "${lines[0]}").a" &&
                 mv -T "$(unix_path "${lines[0]}").a" "$(unix_path "${lines[0]}")" 2>&1); rc=$? ;;
        *) said="unknown request"; rc=2 ;;
      esac
      rm -f "$request"
      printf '%s\n%s\n' "$rc" "$said" >"$control/$name.done.tmp"
      mv "$control/$name.done.tmp" "$control/$name.done"
    done
    sleep 0.1
  done
}
serve_requests </dev/null >/dev/null 2>&1 &
server=$!

# STP_E2E_DPI: the display scale to run at (the prefix's LogPixels, read when its server
# starts), with a desktop that holds the larger windows.
if [ -n "${STP_E2E_DPI:-}" ]; then
  quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$STP_E2E_DPI" /f
  quiet wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$STP_E2E_DPI" /f
  quiet wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1400x1100 /f
  quiet wineserver -k || true
fi

quiet wineserver -w
quiet wineserver -p
quiet wine cmd /c exit
# The desktop started before the tests make windows (a new prefix's takes a while).
quiet wine "$(dirname "$tests")/uidriver.exe" desktop 60 || echo "e2e: no desktop after 60 s" >&2
wine "$tests" "$@"
