#!/usr/bin/env bash
# The recovery journal with the real editor under Xvfb. A layout opened from a file is
# edited and the editor killed; started again, the editor offers it back. Restored, it
# is the edited layout, modified (so journaled again) and with its file's name;
# discarded, the journal is gone and the editor starts with a new layout. Keys cleared one a
# second lose at most the last two; (root only) a 64 KiB data folder keeps the first journal.
set -u
bin=$1 sample=$2 small=$3
. "$(dirname "$0")/xvfb_probe.sh" xdotool import convert
layout="$work/касса 1.btv"
cp "$sample" "$layout"
cat > "$work/probe.sh" <<PROBE
set -u
fail() { echo "\$1"; kill -9 \$pid; exit 1; }
start() { XDG_DATA_HOME=\${data:-$work/data} "$bin" "\$@" 2>>"$work/stderr" & pid=\$!; }
# Waits (\$2 or 100 times 0.2 s) for: a shown window of the editor titled \$1 (printed);
# the one journal there is (printed).
window() {
  for i in \$(seq \${2:-100}); do
    for w in \$(xdotool search --onlyvisible --pid \$pid --name . 2>/dev/null); do
      [ "\$(xdotool getwindowname \$w 2>/dev/null)" = "\$1" ] && { echo \$w; return 0; }
    done
    sleep 0.2
  done
  return 1
}
journal() {
  for i in \$(seq \${1:-100}); do
    set -- "\${data:-$work/data}"/raskladka/recovery/*.journal
    [ \$# = 1 ] && [ -f "\$1" ] && { echo "\$1"; return 0; }
    sleep 0.2
  done
  return 1
}
header='{"file":"$layout","modified":true,'

start "$layout"
main=\$(window "Редактор Раскладки $layout") || fail "file not opened"
# A click opens key (0, \$1), Escape closes it again, Delete then clears it. A slow
# editor may miss an early click or key, so each is given again until it shows.
focus_key() {
for i in \$(seq 10); do
  xdotool mousemove --window \$main 55 \$((85 + 105 * \$1)) click 1
  props=\$(window "Свойства кнопки" 10) && break
done
# Escape closes it; a dialog not yet taking keys is given it again until it has gone.
for i in \$(seq 50); do
  window "Свойства кнопки" 1 >/dev/null || break
  xdotool windowfocus --sync \$props key Escape 2>/dev/null
  sleep 0.2
done
}
focus_key 0
for i in \$(seq 10); do
  xdotool windowfocus --sync \$main key Delete
  first=\$(journal 25) && break
done
[ -n "\$first" ] || fail "no journal after an edit"
# Eleven keys more, one a second at the user's own pace (no result waited for).
for c in \$(seq 11); do sleep 1; xdotool key Right Delete; done
sleep 0.5; kill -9 \$pid
cp "\$first" "$work/first"
head -1 "\$first" | grep -qF "\$header" || fail "journal: \$(head -1 "\$first")"
for c in \$(seq 0 9); do grep -q "\"col\": \$c, \"row\": 0, \"count\": 0," "\$first" || fail "edit \$c lost"; done

status_bar() { import -window \$main png:- | convert - -gravity south -crop 0x20+0+0 gray:- | cksum; }
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
data=$work/small
[ "\$(id -u)" = 0 ] && mkdir "\$data" && mount -t tmpfs -o size=64k tmpfs "\$data" 2>/dev/null ||
  { echo "64 KiB data folder skipped: needs root and a file system of its own"; exit 0; }
trap 'umount -l "\$data"' EXIT
start "$small"
main=\$(window "Редактор Раскладки $small") || fail "file not opened"
focus_key 0
xdotool windowfocus --sync \$main key Delete
first=\$(journal) || fail "no journal after an edit"
cp "\$first" "$work/small-first"
bar=\$(status_bar)
xdotool key Right Delete
for i in \$(seq 100); do [ "\$(status_bar)" = "\$bar" ] && sleep 0.2; done
[ "\$(status_bar)" != "\$bar" ] || fail "nothing said of the second copy that found no room"
kill -9 \$pid; wait \$pid  # its files closed, the disk can be remounted
cmp "\$first" "$work/small-first" || fail "journal replaced by part of a copy"
mount -o remount,ro "\$data" || fail "not remounted read-only"
start
answer Return
main=\$(window "Редактор Раскладки $small") || fail "not restored from a read-only disk"
mount -o remount,rw,size=256k "\$data" || fail "not remounted writable"
focus_key 1
xdotool windowfocus --sync \$main key Delete
for i in \$(seq 100); do [ -e "\$first" ] && sleep 0.2; done
second=\$(journal) && [ "\$second" != "\$first" ] || fail "the restored journal not replaced"
for r in 0 1; do grep -q "\"col\": 0, \"row\": \$r, \"count\": 0," "\$second" || fail "key (0, \$r) not in the journal"; done
kill -9 \$pid
PROBE
run_probe
