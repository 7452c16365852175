# Sourced by the tests that start the real editor under Xvfb. After it, $work is a
# scratch folder (removed on exit) that also holds the editor's data, and run_probe
# runs $work/probe.sh on a virtual screen, failing when anything reached $work/stderr.
for tool in xvfb-run "$@"; do
  command -v "$tool" >/dev/null || { echo "$tool not installed"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The editor's recovery journals go here, not among the user's.
export XDG_DATA_HOME=$work/data
unset QT_QPA_PLATFORM

run_probe() {
  (cd "$work" && xvfb-run -a -s "-screen 0 1600x900x24" bash "$work/probe.sh")
  local rc=$?
  if [ -s "$work/stderr" ]; then
    echo "error output:"; cat "$work/stderr"; return 1
  fi
  return $rc
}
