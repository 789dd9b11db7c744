# Sourced by the benchmarks: the shared folders, the generated payload and its package,
# and timing helpers. Expects $root.
work="$root/build/bench"
mkdir -p "$work"

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

# Seconds one run of a command takes; its output is dropped.
timed() { /usr/bin/time -f "%e" -o "$work/time.txt" "$@" >/dev/null 2>&1 || true; cat "$work/time.txt"; }

# The payload shapes every extraction benchmark runs on: "app", an application (a
# quarter in one file, the rest in hundreds of small ones), and "big", big files (60% in
# 7 files over 4 MB, as a game's asset packs).
shapes=(app big)

# ensure_payload MB [SHAPE]: sets $payload to the generated payload of MB megabytes of
# that shape (default app), made once.
ensure_payload() {
  local shape=${2:-app}
  if [ "$shape" = app ]; then
    payload="$work/payload-$1"
    [ -d "$payload" ] || python3 "$root/bench/gen_payload.py" "$payload" "$1" "$(($1 / 4))" >/dev/null
  else
    payload="$work/payload-big-$1"
    [ -d "$payload" ] || python3 "$root/bench/gen_payload.py" "$payload" "$1" 0 7 >/dev/null
  fi
}

# ensure_package MB [SHAPE]: also sets $package to the payload packed by the native stp,
# made once.
ensure_package() {
  ensure_payload "$1" "${2:-app}"
  package="$payload.stp"
  [ -f "$package" ] || "$root/build/native/bin/stp" pack -o "$package" "$payload" 2>/dev/null
}
