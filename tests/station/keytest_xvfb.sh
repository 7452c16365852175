#!/usr/bin/env bash
# The key test of the real raskladka-station under Xvfb: keys pressed through xdotool
# arrive as X key codes and are matched to a layout whose keys type a letter, a letter
# with Shift, five letters, Left Shift alone, and Left Ctrl then a letter (pressed with
# Ctrl held over the letter, then tapped before it). Checks each line the window shows
# (also written on standard output) and that Tab and Escape reach the test instead of
# moving the focus or closing the window. Leaves a screenshot in SHOT.
# usage: keytest_xvfb.sh STATION CLI SOURCE_DIR SHOT
set -u
bin=$1 cli=$2 src=$3 shot=$4
. "$src/tests/app/xvfb_probe.sh" xdotool import
"$cli" dump "$src/fuzz/corpus/kmp_new.kmp" --json >"$work/base.json" || exit 1
# Key (COL, ROW) of the model gets COUNT codes: "[modifiers, code]" pairs, in decimal.
set_key() {
  local rest=""
  for ((i = $3; i < 5; ++i)); do rest+=", [0, 0]"; done
  sed -i "s/{\"col\": $1, \"row\": $2, \"count\": 0, \"pairs\": \[\[0, 0\], \[0, 0\], \[0, 0\], \[0, 0\], \[0, 0\]\]/{\"col\": $1, \"row\": $2, \"count\": $3, \"pairs\": [$4$rest]/" \
    "$work/base.json"
}
set_key 0 0 1 "[0, 4]"                                            # a
set_key 1 0 2 "[1, 224], [0, 5]"                                  # Left Ctrl, b
set_key 2 0 1 "[2, 6]"                                            # Shift + c
set_key 3 0 5 "[0, 11], [0, 8], [0, 15], [0, 15], [0, 18]"       # h e l l o
set_key 4 0 1 "[2, 225]"                                          # Left Shift
mv "$work/base.json" "$work/клавиши.json"

cat > "$work/probe.sh" <<PROBE
set -u
"$bin" --test "$work/клавиши.json" --burst 150 >"$work/out" 2>"$work/stderr" &
pid=\$!
fail() { echo "\$1"; cat "$work/out"; kill \$pid 2>/dev/null; exit 1; }
win=\$(timeout 60 xdotool search --sync --onlyvisible --pid \$pid --name "^Проверка клавиш — клавиши.json\\\$" | head -1)
[ -n "\$win" ] || fail "no key test window"
# Each press is one burst, and the window answers it with two lines: the next press
# waits for them, so that it is a burst of its own.
press() {
  local before=\$(wc -l <"$work/out")
  xdotool windowfocus --sync \$win key --delay 15 "\$@" || fail "xdotool key \$*"
  for i in \$(seq 300); do [ "\$(wc -l <"$work/out")" -ge \$((before + 2)) ] && return; sleep 0.1; done
  fail "no answer to \$*"
}
for keys in a c shift+c "h e l l o" Shift_L Tab Escape ctrl+b "Control_L b"; do press \$keys; done
import -window \$win "$shot" || fail "no screenshot"
xdotool getwindowname \$win >/dev/null 2>&1 || fail "the window closed"
kill \$pid; wait \$pid 2>/dev/null
exit 0
PROBE
run_probe || exit 1
expected="Клавиша (1, 1): A Ф
Проверено 1 из 5
Неизвестная последовательность: C С
Проверено 1 из 5
Клавиша (3, 1): Left Shift + C С
Проверено 2 из 5
Клавиша (4, 1): H Р, E У, L Д, L Д, O Щ
Проверено 3 из 5
Клавиша (5, 1): Left Shift
Проверено 4 из 5
Неизвестная последовательность: Tab
Проверено 4 из 5
Неизвестная последовательность: Escape
Проверено 4 из 5
Клавиша (2, 1): Left Ctrl + B И
Проверено 5 из 5
Клавиша (2, 1): Left Ctrl, B И
Проверено 5 из 5"
[ "$(cat "$work/out")" = "$expected" ] || { echo "the window read:"; cat "$work/out"; exit 1; }
echo "key test checked"
