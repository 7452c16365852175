#!/usr/bin/env bash
# How long programming keyboards in parallel takes: raskladka-cli upload --verify
# to one simulated keyboard alone, then to 16 at once, all waits shortened to
# 300 ms; the median wall time of RUNS runs each, and their ratio (the aim: 16
# within 1.2 times the time of one). With --real, 16 at once with the
# keyboard's own waits (5000 + 5000 + 3500 ms), timed once.
#
#   bench/upload_parallel.sh [--real] [BUILD_DIR]     (default build/)
set -euo pipefail
real=0
if [ "${1:-}" = "--real" ]; then real=1; shift; fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cli=$build/cli/raskladka-cli
sim=$build/tools/raskladka-simkbd
runs=${RUNS:-5}
[ -x "$cli" ] && [ -x "$sim" ] || { echo "build raskladka-cli and raskladka-simkbd in $build first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

head -c 880 /dev/zero > "$work/layout.kmp"
printf '\0' >> "$work/layout.kmp"   # all keys empty: checksum 0

ports=()
for i in $(seq 1 16); do
  "$sim" --gap 30 --link "$work/kbd$i" </dev/null >/dev/null 2>&1 &
  pids+=($!)
  ports+=(--port "$work/kbd$i")
done
for i in $(seq 1 16); do
  for _ in $(seq 100); do [ -e "$work/kbd$i" ] && break; sleep 0.05; done
done

short=(--answer-wait 300 --reboot-wait 300 --read-wait 300)
# Seconds one upload run takes, wall clock.
timed() {
  local t0 t1
  t0=$(date +%s%N)
  "$cli" upload "$work/layout.kmp" --verify "$@" >"$work/out" 2>&1 || { cat "$work/out" >&2; return 1; }
  t1=$(date +%s%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", (b - a) / 1e9 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one=$(for _ in $(seq "$runs"); do timed "${short[@]}" "${ports[@]:0:2}"; done | median)
many=$(for _ in $(seq "$runs"); do timed "${short[@]}" "${ports[@]}"; done | median)
echo "waits of 300 ms, median of $runs runs: 1 keyboard ${one} s, 16 at once ${many} s," \
     "ratio $(awk -v a="$one" -v b="$many" 'BEGIN { printf "%.2f", b / a }')"
grep -q "^16 из 16 запрограммированы$" "$work/out" || { cat "$work/out" >&2; exit 1; }

if [ "$real" = 1 ]; then
  echo "the keyboard's own waits: 16 at once $(timed "${ports[@]}") s"
fi
