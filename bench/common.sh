# Sourced by the benchmarks: the shared folders, the generated payload and its package,
# and timing helpers. Expects $root.
work="$root/build/bench"
mkdir -p "$work"

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

# Seconds one run of a command takes; its output is dropped.
timed() { /usr/bin/time -f "%e" -o "$work/time.txt" "$@" >/dev/null 2>&1 || true; cat "$work/time.txt"; }

# ensure_payload MB: sets $payload to the generated payload of MB megabytes (a quarter
# of it in one file), made once.
ensure_payload() {
  payload="$work/payload-$1"
  [ -d "$payload" ] || python3 "$root/bench/gen_payload.py" "$payload" "$1" "$(($1 / 4))" >/dev/null
}

# ensure_package MB: also sets $package to the payload packed by the native stp, made once.
ensure_package() {
  ensure_payload "$1"
  package="$work/payload-$1.stp"
  [ -f "$package" ] || "$root/build/native/bin/stp" pack -o "$package" "$payload" 2>/dev/null
}
