#!/usr/bin/env bash
# The recovery journal with the real editor under Xvfb. A layout opened from a file is
# edited and the editor killed; started again, the editor offers it back. Restored, it
# is the edited layout, modified (so journaled again) and with its file's name;
# discarded, the journal is gone and the editor starts with a new layout.
set -u
bin=$1 sample=$2
. "$(dirname "$0")/xvfb_probe.sh" xdotool
layout="$work/касса 1.btv"
cp "$sample" "$layout"
cat > "$work/probe.sh" <<PROBE
set -u
fail() { echo "\$1"; kill -9 \$pid; exit 1; }
start() { "$bin" "\$@" 2>>"$work/stderr" & pid=\$!; }
# Waits (\$2 or 100 times 0.2 s) for: a shown window of the editor titled \$1 (printed);
# the one journal there is (printed).
window() {
  for i in \$(seq \${2:-100}); do
    for w in \$(xdotool search --onlyvisible --pid \$pid --name . 2>/dev/null); do
      [ "\$(xdotool getwindowname \$w)" = "\$1" ] && { echo \$w; return 0; }
    done
    sleep 0.2
  done
  return 1
}
journal() {
  for i in \$(seq \${1:-100}); do
    set -- "$work"/data/raskladka/recovery/*.journal
    [ \$# = 1 ] && [ -f "\$1" ] && { echo "\$1"; return 0; }
    sleep 0.2
  done
  return 1
}
header='{"file":"$layout","modified":true,'

start "$layout"
main=\$(window "Редактор Раскладки $layout") || fail "file not opened"
# A click opens key (0, 0), Escape closes it again, Delete then clears it. A slow
# editor may miss an early click or key, so each is given again until it shows.
for i in \$(seq 10); do
  xdotool mousemove --window \$main 55 85 click 1
  props=\$(window "Свойства кнопки" 10) && break
done
# Escape closes it; a dialog not yet taking keys is given it again until it has gone.
for i in \$(seq 50); do
  window "Свойства кнопки" 1 >/dev/null || break
  xdotool windowfocus --sync \$props key Escape 2>/dev/null
  sleep 0.2
done
for i in \$(seq 10); do
  xdotool windowfocus --sync \$main key Delete
  first=\$(journal 25) && break
done
[ -n "\$first" ] || fail "no journal after an edit"
cp "\$first" "$work/first"
head -1 "\$first" | grep -qF "\$header" || fail "journal: \$(head -1 "\$first")"
sed -n 6p "\$first" | grep -q '"col": 0, "row": 0, "count": 0,' || fail "the edit is not in the journal"
kill -9 \$pid

answer() {  # \$@: the keys that answer the question
  box=\$(window "Редактор Раскладки") || fail "no question"
  xdotool windowfocus --sync \$box sleep 0.5 key "\$@"
}
start
answer Return
window "Редактор Раскладки $layout" >/dev/null || fail "restored layout without its file's name"
for i in \$(seq 100); do [ -e "\$first" ] && sleep 0.2; done
second=\$(journal) && [ "\$second" != "\$first" ] || fail "restored layout not journaled as modified"
head -1 "\$second" | grep -qF "\$header" || fail "journal: \$(head -1 "\$second")"
cmp <(tail -n +2 "$work/first") <(tail -n +2 "\$second") || fail "restored layout differs"
kill -9 \$pid

start
answer Tab space
window "Редактор Раскладки " >/dev/null || fail "no new layout after discarding"
sleep 3
[ -z "\$(ls "$work/data/raskladka/recovery")" ] || fail "journal left after discarding"
kill \$pid
PROBE
run_probe
