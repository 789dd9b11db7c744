#!/usr/bin/env bash
# Photographs every page of the wizard in both text sets under Wine on the current X
# display: runs the showcase program and, for each page it reports, crops the window
# out of the screen with ImageMagick's import. Usage: screenshots.sh SHOWCASE.exe OUTDIR
set -euo pipefail
showcase=$1
out=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DISPLAY:-}" ]; then
  echo "screenshots: no X display" >&2
  exit 77
fi
. "$root/scripts/wine-env.sh"
mkdir -p "$out"
rm -f "$out"/*-page*.png

coproc SHOW { wine "$showcase" 2>/dev/null; }
taken=0
while read -r word name left top right bottom <&"${SHOW[0]}"; do
  case "$word" in
    READY)
      import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$out/$name.png"
      taken=$((taken + 1))
      echo next >&"${SHOW[1]}"
      ;;
    WRONG) echo "screenshots: $name $left $top $right" >&2 ;;
    DONE) break ;;
  esac
done
wait "$SHOW_PID" || { echo "screenshots: the showcase failed" >&2; exit 1; }

# Eight pictures of the window's size, each with more than a handful of colours.
[ "$taken" -eq 8 ] || { echo "screenshots: $taken of 8 pages" >&2; exit 1; }
for f in "$out"/*-page*.png; do
  colours=$(identify -format '%k' "$f")
  [ "$colours" -gt 16 ] || { echo "screenshots: $f looks empty" >&2; exit 1; }
done
# Each page differs from the one before it: a Next that did nothing shows up here.
for set in chinese english; do
  for page in 2 3 4; do
    a="$out/$set-page$((page - 1)).png"
    b="$out/$set-page$page.png"
    # compare: 0 for the same picture, 1 for different ones, 2 when it cannot compare.
    rc=0
    compare -metric AE "$a" "$b" null: 2>/dev/null || rc=$?
    case $rc in
      1) ;;
      0) echo "screenshots: $b shows the same as $a" >&2; exit 1 ;;
      *) echo "screenshots: cannot compare $a with $b" >&2; exit 1 ;;
    esac
  done
done
echo "screenshots: 8 pages in $out"
