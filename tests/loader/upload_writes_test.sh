#!/usr/bin/env bash
# Watched through the system calls: raskladka-cli's upload to the simulated keyboard
# writes its 881 bytes to the port one write each, and the keyboard takes the image.
#   upload_writes_test.sh RASKLADKA_CLI RASKLADKA_SIMKBD
set -euo pipefail
cli=$1 sim=$2
. "$(dirname "$0")/../../scripts/tools.sh"
require_tools strace
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Every key empty: 880 zero bytes and the checksum 0.
head -c 881 /dev/zero > "$work/layout.kmp"
"$sim" --gap 30 --link "$work/kbd" </dev/null >/dev/null 2>"$work/sim.log" &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/kbd" ] && break; sleep 0.05; done
port=$(readlink -f "$work/kbd")

# -y names each descriptor's file, so the port's writes are told from the others.
# LeakSanitizer cannot run under ptrace, so a sanitizer build skips its leak check here.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" strace -f -qq -y -e trace=write -e signal=none -o "$work/trace" \
  "$cli" upload "$work/layout.kmp" --port "$work/kbd" --answer-wait 300 --reboot-wait 100 \
  >"$work/out" 2>&1 || { cat "$work/out"; exit 1; }

to_port=$(grep -cF "<$port>" "$work/trace" || true)
one_byte=$(grep -F "<$port>" "$work/trace" | grep -cE ', 1\) += 1$' || true)
echo "writes to the port: $to_port, of one byte each: $one_byte"
[ "$to_port" -eq 881 ] && [ "$one_byte" -eq 881 ]
