#!/usr/bin/env bash
# Starts the editor under Xvfb and checks that it shows its window and is still up
# then, without writing anything to standard error.
set -u
bin=$1
. "$(dirname "$0")/xvfb_probe.sh" xdotool
cat > "$work/probe.sh" <<PROBE
"$bin" 2>"$work/stderr" &
pid=\$!
timeout 60 xdotool search --sync --onlyvisible --pid \$pid --name "^Редактор Раскладки" >/dev/null ||
  { echo "no window"; kill \$pid 2>/dev/null; exit 1; }
if ! kill -0 \$pid 2>/dev/null; then echo "raskladka exited early"; exit 1; fi
kill \$pid; wait \$pid 2>/dev/null
exit 0
PROBE
run_probe
