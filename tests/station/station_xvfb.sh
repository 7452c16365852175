#!/usr/bin/env bash
# The real raskladka-station under Xvfb with three simulated keyboards: one that
# answers, one that stays silent and one that restarts by leaving and coming
# back. Checks the verdict each tile shows (also written on standard output, from
# the tile), the title, and the CSV rows, kept in memory while the log cannot be
# written and written once it can. Leaves a screenshot of the window in SHOT.
# A layout the editor refuses is refused at start with the editor's message window.
# Then a day's turns: SIGTERM with two keyboards in flight leaves a row "прервано"
# each; Стоп and Пуск (Shift+F5, F5) program no keyboard still in its socket again;
# a keyboard swapped in during the restart, verification off, gets its upload and row.
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
"$bin" "$work/партия.btv" --start --log "$work/log.csv" --answer-wait 1500 --reboot-wait 600 --read-wait 1500 \
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
kill \$pid 2>/dev/null

until_() { local n=\$1; shift; for i in \$(seq \$n); do "\$@" && return; sleep 0.1; done; false; }
sim() {  # NAME ARGS...: a keyboard behind the link NAME, its log in NAME.err
  local name=\$1; shift
  "$simkbd" --gap 30 --link "$work/\$name" "\$@" >/dev/null 2>"$work/\$name.err" &
  pids+=(\$!)
  until_ 50 test -e "$work/\$name" || fail "simulated keyboard \$name did not come up"
}
uploads() { [ "\$(cat "$work"/k?.err | grep -c "upload of")" = \$1 ]; }
verdicts() { [ "\$(grep -c ": " "$work/out2")" = \$1 ]; }
station() {  # LOG ARGS...
  "$bin" "$work/партия.btv" --start --log "$work/\$1" "\${@:2}" >"$work/out2" 2>"$work/\$1.err" &
  pid=\$!
  pids+=(\$pid)
  win=\$(timeout 20 xdotool search --sync --pid \$pid --name "^Программирование клавиатур" | head -1)
  [ -n "\$win" ] || fail "no station window"
}
reset() { kill "\${pids[@]}" 2>/dev/null; wait 2>/dev/null; pids=(); rm -f "$work"/k?.err; }
export RASKLADKA_EXTRA_PORTS="$work/k1=Magnetic Stripe Reader (sim);$work/k2=Magnetic Stripe Reader (sim);\
$work/k3=Magnetic Stripe Reader (sim)"

sim k1 --upload-answer none
sim k2 --upload-answer none
mkdir "$work/term.csv"  # and the log cannot be written: its rows go beside it
station term.csv --answer-wait 60000
until_ 100 uploads 2
kill -TERM \$pid; wait \$pid
grep -q "записаны в $work/term.csv.unwritten-" "$work/term.csv.err" || fail "SIGTERM: \$(cat "$work/term.csv.err")"
[ "\$(cat "$work"/term.csv.unwritten-*.csv | grep -c ',прервано,')" = 2 ] || fail "SIGTERM: no rows прервано"
reset

sim k1
sim k2
station again.csv --no-verify --answer-wait 1500 --reboot-wait 300
until_ 100 verdicts 2
xdotool windowfocus --sync \$win key shift+F5 || fail "no Стоп"
until_ 100 grep -q "^Станция остановлена\\\$" "$work/out2" || fail "not stopped: \$(cat "$work/out2")"
xdotool windowfocus --sync \$win key F5 || fail "no Пуск"
sim k3
until_ 100 verdicts 3 && uploads 3 || fail "Стоп, Пуск: \$(cat "$work/out2")"
kill \$pid; wait \$pid
[ "\$(grep -c ',Готово!,' "$work/again.csv")" = 3 ] || fail "Стоп, Пуск: \$(cat "$work/again.csv")"
reset

head -c 881 /dev/zero >"$work/other.img"  # all keys empty, checksum 0: another layout
sim k1 --restart-vanish never  # leaves as its restart begins: another takes its place
station swap.csv --no-verify --answer-wait 1500 --reboot-wait 8000
wait \${pids[0]}
sim k1 --image "$work/other.img"
until_ 300 verdicts 2 && uploads 1 && grep -q ": Готово, " "$work/out2" || fail "swap: \$(cat "$work/out2")"
kill \$pid; wait \$pid
grep -q ',Готово! Клавиатура заменена во время перезапуска,' "$work/swap.csv" && [ "\$(wc -l <"$work/swap.csv")" = 3 ] ||
  fail "swap: \$(cat "$work/swap.csv")"
cat "$work/again.csv.err" "$work/swap.csv.err" >>"$work/stderr"
kill "\${pids[@]}" 2>/dev/null
wait 2>/dev/null
exit 0
PROBE
run_probe || exit 1
csv=$(cat "$work/log.csv")
[ "$(head -1 <<<"$csv")" = "time,port,result,checksum,seconds,verified,layout,device,serial,tile,host,time_utc_offset" ] ||
  { echo "log: $csv"; exit 1; }
row() {
  grep -Eq "^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8},$work/$1,$2,0x[0-9A-F]{2},[0-9]+\.[0-9],$3,партия.btv,[^,]*,,[1-3],[^,]+,[0-9T:+-]{19}(Z|[+-][0-9:]{5})\$" <<<"$csv" ||
    { echo "no row for $1: $csv"; exit 1; }
}
row good "Готово! Сверка совпала\." да
row restart "Готово! Сверка совпала\." да
row silent "Ответ не получен\." "не сверялась"
[ "$(wc -l <<<"$csv")" -eq 4 ] || { echo "log: $csv"; exit 1; }
echo "station checked"
