#!/usr/bin/env bash
# The real raskladka-station under Xvfb with three simulated keyboards: one that
# answers, one that stays silent and one that restarts by leaving and coming
# back. Checks the verdict each tile shows (also written on standard output, from
# the tile), the title, and the CSV rows, kept in memory while the log cannot be
# written and written once it can. Leaves a screenshot of the window in SHOT.
# A layout the editor refuses is refused at start with the editor's message window.
# usage: station_xvfb.sh STATION SIMKBD SOURCE_DIR SHOT
set -u
bin=$1 simkbd=$2 src=$3 shot=$4
. "$src/tests/app/xvfb_probe.sh" xdotool import
cp "$src/fuzz/corpus/btv_sample.btv" "$work/партия.btv"
cp "$src/fuzz/corpus/kmp_badsum.kmp" "$work/битая.kmp"
mkdir "$work/log.csv"  # a folder where the log should be: it cannot be written until it goes
cat > "$work/probe.sh" <<PROBE
set -u
pids=()
fail() { echo "\$1"; [ -f "$work/out" ] && cat "$work/out"; kill "\${pids[@]}" 2>/dev/null; exit 1; }
extra=
for kind in "good" "silent:--upload-answer none" "restart:--restart-vanish 300"; do
  name=\${kind%%:*} args=
  [ "\$name" != "\$kind" ] && args=\${kind#*:}
  "$simkbd" --gap 30 --link "$work/\$name" \$args >/dev/null 2>>"$work/sim.err" &
  pids+=(\$!)
  extra+="$work/\$name=Magnetic Stripe Reader (sim);"
done
for name in good silent restart; do
  for i in \$(seq 50); do [ -e "$work/\$name" ] && break; sleep 0.1; done
  [ -e "$work/\$name" ] || fail "simulated keyboard \$name did not come up"
done
export RASKLADKA_EXTRA_PORTS=\$extra
"$bin" "$work/партия.btv" --start --log "$work/log.csv" --answer-wait 400 --reboot-wait 600 --read-wait 300 \
  >"$work/out" 2>"$work/stderr" &
pid=\$!
pids+=(\$pid)
win=\$(timeout 20 xdotool search --sync --pid \$pid --name "^Программирование клавиатур — партия.btv\\\$" | head -1)
[ -n "\$win" ] || fail "no window titled with the layout"
for i in \$(seq 150); do [ "\$(wc -l <"$work/out")" -ge 3 ] && break; sleep 0.2; done

# Each socket's tile with its verdict; the three found together are numbered 1 to 3.
expect() {
  grep -Eq "^[1-3] $work/\$1: \$2\\\$" "$work/out" || fail "the tile of \$1 does not read '\$2'"
}
expect good "Готово, [0-9]+\\.[0-9] с"
expect restart "Готово, [0-9]+\\.[0-9] с"
expect silent "Ответ не получен\\., [0-9]+\\.[0-9] с"
[ "\$(cut -d' ' -f1 "$work/out" | sort | tr -d '\\n')" = 123 ] || fail "not one verdict a tile, numbered 1 to 3"
sleep 0.5
import -window \$win "$shot" || fail "no screenshot"

# The log, a folder until now, was not written: the rows wait in memory until it can be.
[ -d "$work/log.csv" ] || fail "the log folder went"
rmdir "$work/log.csv"
for i in \$(seq 40); do [ "\$(cat "$work/log.csv" 2>/dev/null | wc -l)" = 4 ] && break; sleep 0.2; done
kill \$pid; wait \$pid 2>/dev/null

"$bin" "$work/битая.kmp" 2>>"$work/stderr" &
pid=\$!
pids+=(\$pid)
timeout 20 xdotool search --sync --pid \$pid --name "^Ошибка\\\$" >/dev/null || fail "a refused layout shows no message"
kill "\${pids[@]}" 2>/dev/null
wait 2>/dev/null
exit 0
PROBE
run_probe || exit 1
csv=$(cat "$work/log.csv")
[ "$(head -1 <<<"$csv")" = "time,port,result,checksum,seconds,verified" ] || { echo "log: $csv"; exit 1; }
row() {
  grep -Eq "^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8},$work/$1,$2,0x[0-9A-F]{2},[0-9]+\.[0-9],$3\$" <<<"$csv" ||
    { echo "no row for $1: $csv"; exit 1; }
}
row good "Готово! Сверка совпала\." да
row restart "Готово! Сверка совпала\." да
row silent "Ответ не получен\." нет
[ "$(wc -l <<<"$csv")" -eq 4 ] || { echo "log: $csv"; exit 1; }
echo "station checked"
