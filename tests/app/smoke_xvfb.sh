#!/usr/bin/env bash
# Starts the editor under Xvfb and checks that it stays up two seconds without
# writing anything to standard error.
set -u
bin=$1
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run not installed"; exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
cat > "$work/probe.sh" <<PROBE
"$bin" 2>"$work/stderr" &
pid=\$!
sleep 2
if ! kill -0 \$pid 2>/dev/null; then echo "raskladka exited early"; exit 1; fi
kill \$pid; wait \$pid 2>/dev/null
exit 0
PROBE
cd "$work" && xvfb-run -a -s "-screen 0 1600x900x24" bash "$work/probe.sh"
rc=$?
if [ -s "$work/stderr" ]; then
  echo "error output:"; cat "$work/stderr"; exit 1
fi
exit $rc
