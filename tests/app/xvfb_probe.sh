# Sourced by the tests that start the real editor under Xvfb, with the commands the
# test needs besides. After it, $work is a scratch folder (removed on exit) that also
# holds the editor's data, and run_probe runs $work/probe.sh on a virtual screen of its
# own, failing when anything reached $work/stderr.
xvfb_probe_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$xvfb_probe_root/scripts/tools.sh"
require_tools Xvfb xauth "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The editor's recovery journals go here, not among the user's.
export XDG_DATA_HOME=$work/data
unset QT_QPA_PLATFORM

run_probe() {
  (cd "$work" && "$xvfb_probe_root/scripts/with-xvfb" bash "$work/probe.sh")
  local rc=$?
  if [ -s "$work/stderr" ]; then
    echo "error output:"; cat "$work/stderr"; return 1
  fi
  return $rc
}
