#!/usr/bin/env bash
# Starts the editor under Xvfb and checks that it stays up two seconds without
# writing anything to standard error.
set -u
bin=$1
. "$(dirname "$0")/xvfb_probe.sh"
cat > "$work/probe.sh" <<PROBE
"$bin" 2>"$work/stderr" &
pid=\$!
sleep 2
if ! kill -0 \$pid 2>/dev/null; then echo "raskladka exited early"; exit 1; fi
kill \$pid; wait \$pid 2>/dev/null
exit 0
PROBE
run_probe
