#!/usr/bin/env bash
# The recovery journal with the real editor under Xvfb, in three scenarios, each an edited
# layout and a kill:
#   once    one edit. Restored, the layout is the edited one, modified (so journaled
#           again) and with its file's name; discarded, the journal is gone and the
#           editor starts with a new layout.
#   steady  twelve keys cleared one a second, killed half a second after the last: the
#           journal has kept up, and at least the first ten come back.
#   small   (root only) the data folder on a 64 KiB file system: the second edit finds
#           no room for a whole copy and the first journal stays; remounted read-only,
#           it is offered and restored, and once writable again replaced by a new one.
set -u
bin=$1 sample=$2 small=$3
. "$(dirname "$0")/xvfb_probe.sh" xdotool import convert
layout="$work/касса 1.btv"
cp "$sample" "$layout"
cp "$small" "$work/small.btv"
cat > "$work/probe.sh" <<PROBE
set -u
fail() { echo "\$scenario: \$1"; kill -9 \$pid; exit 1; }
start() { XDG_DATA_HOME=\$data "$bin" "\$@" 2>>"$work/stderr" & pid=\$!; }
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
    set -- "\$data"/raskladka/recovery/*.journal
    [ \$# = 1 ] && [ -f "\$1" ] && { echo "\$1"; return 0; }
    sleep 0.2
  done
  return 1
}
# The key of column \$1, row \$2 has the focus: a click opens its dialog, Escape closes
# it. A slow editor may miss an early click or key, so each is given again until it shows.
focus_key() {
  for i in \$(seq 10); do
    xdotool mousemove --window \$main \$((55 + 105 * \$1)) \$((85 + 105 * \$2)) click 1
    props=\$(window "Свойства кнопки" 10) && break
  done
  for i in \$(seq 50); do
    window "Свойства кнопки" 1 >/dev/null || return 0
    xdotool windowfocus --sync \$props key Escape 2>/dev/null
    sleep 0.2
  done
  fail "the key's dialog stays"
}
# Delete clears the focused key, given again until the first journal shows (printed).
first_edit() {
  for i in \$(seq 10); do
    xdotool windowfocus --sync \$main key Delete
    journal 25 && return 0
  done
  return 1
}
cleared() {  # \$1: the journal, \$2...: the columns of row 0 cleared in it
  local j=\$1 c; shift
  for c in "\$@"; do grep -q "\"col\": \$c, \"row\": 0, \"count\": 0," "\$j" || return 1; done
}
# The bottom of the main window, where the status bar tells of a journal not written.
status_bar() { import -window \$main png:- | convert - -gravity south -crop 0x20+0+0 +repage gray:- | od -An -tx1 | cksum; }
answer() {  # \$@: the keys that answer the question
  box=\$(window "Редактор Раскладки") || fail "no question"
  xdotool windowfocus --sync \$box sleep 0.5 key "\$@"
}
header='{"file":"$layout","modified":true,'

once() {
  start "$layout"
  main=\$(window "Редактор Раскладки $layout") || fail "file not opened"
  focus_key 0 0
  first=\$(first_edit) || fail "no journal after an edit"
  cp "\$first" "$work/first"
  head -1 "\$first" | grep -qF "\$header" || fail "journal: \$(head -1 "\$first")"
  sed -n 6p "\$first" | grep -q '"col": 0, "row": 0, "count": 0,' || fail "the edit is not in the journal"
  kill -9 \$pid

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
  [ -z "\$(ls "\$data/raskladka/recovery")" ] || fail "journal left after discarding"
  kill \$pid
}

steady() {
  start "$layout"
  main=\$(window "Редактор Раскладки $layout") || fail "file not opened"
  focus_key 0 0
  xdotool windowfocus --sync \$main key Delete
  # The user's own pace, one key a second: no result is waited for here.
  for c in \$(seq 11); do sleep 1; xdotool key Right Delete; done
  sleep 0.5
  kill -9 \$pid
  left=\$(journal 1) || fail "no journal after twelve edits"
  start
  answer Return
  window "Редактор Раскладки $layout" >/dev/null || fail "no question, or no file's name"
  for i in \$(seq 100); do [ -e "\$left" ] && sleep 0.2; done
  restored=\$(journal) && [ "\$restored" != "\$left" ] || fail "restored layout not journaled"
  cleared "\$restored" \$(seq 0 9) || fail "not the first ten keys cleared: \$(grep -c '"row": 0, "count": 0,' "\$restored")"
  kill -9 \$pid
}

small() {
  [ "\$(id -u)" = 0 ] && mkdir -p "\$data" && mount -t tmpfs -o size=64k tmpfs "\$data" 2>/dev/null ||
    { echo "\$scenario: skipped, needs root and a file system of its own"; return 0; }
  trap 'umount -l "\$data"' EXIT
  start "$work/small.btv"
  main=\$(window "Редактор Раскладки $work/small.btv") || fail "file not opened"
  focus_key 0 0
  first=\$(first_edit) || fail "no journal after an edit"
  cp "\$first" "$work/small-first"
  before=\$(status_bar)
  xdotool key Right Delete
  # The second copy finds no room: the status bar says so.
  for i in \$(seq 100); do [ "\$(status_bar)" = "\$before" ] || break; sleep 0.2; done
  [ "\$(status_bar)" != "\$before" ] || fail "nothing said of the journal not written"
  kill -9 \$pid
  cmp "\$first" "$work/small-first" || fail "journal replaced by part of a copy: \$(wc -c <"\$first") bytes"
  cleared "\$first" 0 || fail "the first edit is not in the journal"

  mount -o remount,ro "\$data" || fail "not remounted read-only"
  start
  answer Return
  main=\$(window "Редактор Раскладки $work/small.btv") || fail "journal on a read-only disk not restored"
  mount -o remount,rw,size=256k "\$data" || fail "not remounted writable"
  focus_key 0 1
  xdotool windowfocus --sync \$main key Delete
  for i in \$(seq 100); do [ -e "\$first" ] && sleep 0.2; done
  restored=\$(journal) && [ "\$restored" != "\$first" ] || fail "the restored journal not replaced"
  cleared "\$restored" 0 || fail "the first edit did not come back"
  grep -q '"col": 0, "row": 1, "count": 0,' "\$restored" || fail "the edit after the restore is not journaled"
  kill -9 \$pid
}

for scenario in once steady small; do
  data=$work/\$scenario
  \$scenario
done
PROBE
run_probe
