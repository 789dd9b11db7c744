#!/usr/bin/env bash
# The demo: on a fresh Debian 12 machine, installs what is needed, builds the Karvel
# installer and runs it under Wine in a fresh prefix (build/demo-prefix).
#   With a display (DISPLAY set) the user clicks through the wizard.
#   Without one it runs under Xvfb, is driven through every page with uidriver, and each
#   page is photographed into build/demo.
# Either way it prints what was installed (files, shortcuts, uninstall values), then runs
# the uninstaller the uninstall entry names and prints what is left of the product.
# Nothing is written outside build/. (--driven is the script's own second stage, run
# under xvfb-run once the build is done.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "${1:-}" != --driven ]; then
  bash scripts/install-deps.sh
  # Only what the demo runs: stp, then the installer it builds and the forms driver.
  bash scripts/build.sh native stp
  bash scripts/build.sh mingw stp_setup uidriver
  if [ -z "${DISPLAY:-}" ]; then
    echo "demo: no display; the installer is driven under Xvfb"
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --driven
  fi
fi

export STP_WINEPREFIX="$root/build/demo-prefix"
. scripts/wine-env.sh
bin="$root/build/mingw/bin"
shots="$root/build/demo"
setup="Karvel-3.40-setup.exe"
wizard="安装向导 - Orvane画图"
drive_c="$WINEPREFIX/drive_c"

# A fresh prefix each time, so the installer proposes its own folder again.
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
bash scripts/wine-prefix.sh
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# Wine's services start now, not holding any caller's output pipes.
wine cmd /c exit </dev/null >/dev/null 2>&1

drive() { wine "$bin/uidriver.exe" "$@" 2>/dev/null; }

# Waits until the control's text is Text (up to 60 seconds).
wait_text() {
  local i
  for i in $(seq 1 120); do
    [ "$(drive gettext "$wizard" "$1" | tr -d '\r')" = "$2" ] && return 0
    sleep 0.5
  done
  echo "demo: $1 never read \"$2\"" >&2
  return 1
}

# Photographs the window titled $1 into $shots/$2.png.
shoot() {
  local left top right bottom
  read -r left top right bottom < <(drive rect "$1" | tr -d '\r')
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$shots/$2.png"
  echo "demo: $2 photographed"
}

if [ "${1:-}" = --driven ]; then
  mkdir -p "$shots"
  rm -f "$shots"/*.png
  wine "$bin/$setup" </dev/null >/dev/null 2>&1 &
  drive wait "$wizard" 60
  sleep 1
  shoot "$wizard" 1-welcome
  drive click "$wizard" btnNext
  wait_text btnNext "我同意"
  sleep 0.5
  shoot "$wizard" 2-licence
  drive click "$wizard" btnNext
  wait_text btnNext "安 装"
  sleep 0.5
  echo "demo: proposed folder $(drive gettext "$wizard" editSetupDir | tr -d '\r')"
  shoot "$wizard" 3-folder
  drive click "$wizard" btnNext
  wait_text btnNext "完 成"
  sleep 0.5
  shoot "$wizard" 4-complete
  drive click "$wizard" btnNext
  drive waitgone "$wizard" 30
  # Finish starts the installed program.
  drive wait Karvel 30
  sleep 1
  shoot Karvel 5-karvel
  echo "demo: the installed Karvel.exe is running"
else
  echo "demo: click through the installer; the demo goes on when it has ended"
  wine "$bin/$setup" </dev/null >/dev/null 2>&1
fi

echo
echo "== installed files"
installed="$drive_c/Program Files/Orvane Soft/Karvel"
if [ -d "$installed" ]; then
  (cd "$drive_c" && find "Program Files/Orvane Soft" -type f -printf 'C:/%p  %s bytes\n' | tr / '\\')
else
  echo "(nothing under C:\\Program Files\\Orvane Soft\\Karvel)"
fi

echo
echo "== shortcuts"
# The target of a shell link: its LinkInfo's local base path.
link_target() {
  python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
pos = 0x4C
if flags & 1:
    pos += 2 + struct.unpack_from("<H", data, pos)[0]
if flags & 2:
    header = struct.unpack_from("<I", data, pos + 4)[0]
    if header >= 0x24:
        offset = struct.unpack_from("<I", data, pos + 0x1C)[0]
        end = data.index(b"\0\0", pos + offset)
        end += (end - pos - offset) % 2
        print(data[pos + offset:end].decode("utf-16-le"))
    else:
        offset = struct.unpack_from("<I", data, pos + 0x10)[0]
        print(data[pos + offset:data.index(b"\0", pos + offset)].decode("latin-1"))
else:
    print("(no local path)")
PY
}
found=0
while IFS= read -r -d '' lnk; do
  found=1
  rel=${lnk#"$drive_c/"}
  echo "C:\\${rel//\//\\} -> $(link_target "$lnk")"
done < <(find "$drive_c/users" -name '*.lnk' -print0)
[ "$found" = 1 ] || echo "(none)"

echo
echo "== uninstall values (HKEY_LOCAL_MACHINE)"
export_file="$drive_c/stp-uninstall.reg"
wine reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 'C:\stp-uninstall.reg' /y >/dev/null 2>&1 || true
if [ -f "$export_file" ]; then
  iconv -f UTF-16 -t UTF-8 "$export_file" | tr -d '\r' | awk '/^\[/{show = /Orvane/} show'
  rm -f "$export_file"
fi

# What is there of the product: its files, shortcuts and uninstall entry.
show_product() {
  local any=0
  if [ -d "$drive_c/Program Files/Orvane Soft" ]; then
    (cd "$drive_c" && find "Program Files/Orvane Soft" -printf 'C:/%p\n' | tr / '\\')
    any=1
  fi
  while IFS= read -r -d '' lnk; do
    rel=${lnk#"$drive_c/"}
    echo "C:\\${rel//\//\\}"
    any=1
  done < <(find "$drive_c/users" -name 'Orvane*.lnk' -print0)
  if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane画图' >/dev/null 2>&1; then
    echo 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane画图'
    any=1
  fi
  [ "$any" = 1 ] || echo "(nothing of the product)"
}

echo
echo "== uninstall"
uninstaller='C:\Program Files\Orvane Soft\Karvel\Uninst.exe'
if [ "${1:-}" = --driven ]; then
  # Karvel must be closed first: the uninstaller refuses while it runs.
  drive close Karvel >/dev/null || true
  drive waitgone Karvel 30 || true
  wine "$uninstaller" </dev/null >/dev/null 2>&1 &
  uninstalling=$!
  for said in asked told; do
    { drive msgbox --title "卸载 - Orvane画图" --wait 60 --press OK || echo "(no message)"; } | sed "s/^/demo: $said: /"
  done
  code=0
  wait "$uninstalling" || code=$?
  echo "demo: the uninstaller ended with exit code $code"
else
  if drive wait Karvel 3; then
    echo "demo: Karvel is running; close its window, then the uninstaller starts"
    drive waitgone Karvel 86400 || true
  fi
  echo "demo: the uninstaller, as the uninstall entry names it, asks before it removes anything"
  wine "$uninstaller" </dev/null >/dev/null 2>&1 || echo "demo: the uninstaller ended with exit code $?"
fi
# Its copy in the temporary folder removes Uninst.exe and the empty folders after it.
for _ in $(seq 1 40); do [ -e "$drive_c/Program Files/Orvane Soft" ] || break; sleep 0.5; done
echo "what is left:"
show_product

echo
if [ "${1:-}" = --driven ]; then
  echo "demo: screenshots of every page are in $shots"
fi
echo "demo: the prefix is $WINEPREFIX"
