#!/usr/bin/env bash
# A long day at the station: KEYBOARDS simulated keyboards (default 1000) through
# raskladka-cli station --verify on SOCKETS sockets (default 8), plugged in one
# after another in each socket. Every tenth keyboard answers with a wrong checksum,
# every twentieth is pulled out during its transfer and the next one takes its place
# at once. At the end: the rows written, how many say what they should, and the
# station's open file descriptors and memory at the start and the end.
# Not a test (it takes minutes): run it by hand.
#
#   bench/soak_station.sh [BUILD_DIR]        KEYBOARDS=1000 SOCKETS=8 GAP=100
#
# GAP is the simulated keyboards' quiet time that ends a burst: on a loaded machine a
# shorter one may cut an image the host wrote in one go.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cli=$build/cli/raskladka-cli
sim=$build/tools/raskladka-simkbd
total=${KEYBOARDS:-1000}
sockets=${SOCKETS:-8}
[ -x "$cli" ] && [ -x "$sim" ] || { echo "build raskladka-cli and raskladka-simkbd in $build first" >&2; exit 1; }

work=$(mktemp -d)
station=
cleanup() {
  [ -n "$station" ] && kill "$station" 2>/dev/null || true
  pkill -P $$ 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

head -c 880 /dev/zero > "$work/layout.kmp"
printf '\0' >> "$work/layout.kmp"
extra=""
for j in $(seq 1 "$sockets"); do extra="$extra;$work/s$j=Magnetic Stripe Reader (soak)"; done

RASKLADKA_EXTRA_PORTS=$extra "$cli" station "$work/layout.kmp" --verify --log "$work/log.csv" \
  --answer-wait 400 --reboot-wait 50 --read-wait 150 >"$work/out" 2>"$work/err" &
station=$!
sleep 1
usage() { echo "$(ls /proc/"$station"/fd | wc -l) descriptors, $(awk '/VmRSS/ { print $2, $3 }' /proc/"$station"/status)"; }
at_start=$(usage)

# What keyboard i does, and the row it must get.
kind() { if [ $(($1 % 20)) -eq 0 ]; then echo swapped; elif [ $(($1 % 10)) -eq 5 ]; then echo faulty; else echo good; fi; }
rows_for() { grep -c ",$1,[^0-9]" "$work/log.csv" 2>/dev/null || true; }

# One socket's keyboards, one after another.
serve() {
  local j=$1 link=$work/s$1 n=0 i
  for ((i = j; i <= total; i += sockets)); do
    local args=(--gap "${GAP:-100}" --link "$link") k
    k=$(kind "$i")
    [ "$k" = faulty ] && args+=(--upload-answer bad-echo)
    "$sim" "${args[@]}" </dev/null >/dev/null 2>"$work/sim$i" &
    local pid=$!
    n=$((n + 1))
    if [ "$k" = swapped ]; then
      until grep -qs "upload of" "$work/sim$i"; do sleep 0.01; done
      kill "$pid"; wait "$pid" 2>/dev/null || true
      continue  # the next one goes in at once
    fi
    until [ "$(rows_for "$link")" -ge "$n" ]; do sleep 0.02; done
    kill "$pid"; wait "$pid" 2>/dev/null || true
    while [ -e "$link" ]; do sleep 0.01; done
  done
}
t0=$(date +%s)
for j in $(seq 1 "$sockets"); do serve "$j" & done
wait $(jobs -p | grep -v "^$station$") 2>/dev/null || true
t1=$(date +%s)
at_end=$(usage)
kill -INT "$station"; wait "$station" || true
station=

# Each socket's rows in order against what its keyboards were.
right=0
for j in $(seq 1 "$sockets"); do
  mapfile -t got < <(grep ",$work/s$j," "$work/log.csv" | cut -d, -f3)
  n=0
  for ((i = j; i <= total; i += sockets)); do
    case $(kind "$i") in
      good) want="Готово! Сверка совпала." ;;
      faulty) want="Ошибка суммы" ;;
      swapped) want="Клавиатура отключена во время передачи" ;;
    esac
    if [ "${got[$n]:-}" = "$want" ]; then right=$((right + 1)); else echo "keyboard $i: «${got[$n]:-}», not «$want»"; sed "s/^/    /" "$work/sim$i"; fi
    n=$((n + 1))
  done
done
rows=$(($(wc -l < "$work/log.csv") - 1))
echo "$total keyboards on $sockets sockets in $((t1 - t0)) s: $rows rows written, $right of them right"
echo "station at the start: $at_start; at the end: $at_end"
