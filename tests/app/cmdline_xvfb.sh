#!/usr/bin/env bash
# The real editor with a file on its command line, under Xvfb: the layout opens with
# its name in the title; a missing file is reported in the message window.
set -u
bin=$1 sample=$2
. "$(dirname "$0")/xvfb_probe.sh" xdotool
cp "$sample" "$work/макет 1.btv"

# Without a display (none named, or one that does not answer) the editor says so in one
# line and exits 1; its help needs none.
for display in "" ":$((RANDOM + 2000))"; do
  env -u WAYLAND_DISPLAY DISPLAY="$display" "$bin" >"$work/out" 2>"$work/err"
  rc=$?
  [ $rc = 1 ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q "^raskladka: .*диспле" "$work/err" ||
    { echo "display '$display': exit $rc"; cat "$work/err"; exit 1; }
done
env -u DISPLAY -u WAYLAND_DISPLAY "$bin" --help | grep -q "^Usage: " || { echo "no help without a display"; exit 1; }
cat > "$work/probe.sh" <<PROBE
set -u
fail() { echo "\$1"; kill \$pid 2>/dev/null; exit 1; }
"$bin" "$work/макет 1.btv" 2>"$work/stderr" &
pid=\$!
win=\$(timeout 20 xdotool search --sync --pid \$pid --name "Редактор Раскладки" | head -1)
[ -n "\$win" ] || fail "no window"
# The window maps before the file is read (slowly under the sanitizers), so the
# title is polled until it names the file or the time runs out.
want="Редактор Раскладки $work/макет 1.btv"
for i in \$(seq 100); do
  title=\$(xdotool getwindowname \$win)
  [ "\$title" = "\$want" ] && break
  sleep 0.2
done
[ "\$title" = "\$want" ] || fail "title: \$title"
kill \$pid; wait \$pid 2>/dev/null

"$bin" "$work/нет такого.btv" 2>>"$work/stderr" &
pid=\$!
timeout 20 xdotool search --sync --pid \$pid --name "^Ошибка\\\$" >/dev/null || fail "no message window"
kill \$pid; wait \$pid 2>/dev/null
exit 0
PROBE
run_probe
