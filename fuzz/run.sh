#!/usr/bin/env bash
# Builds the layout-reader fuzzer with clang/libFuzzer and runs it for a bounded time.
#   fuzz/run.sh [SECONDS]     (default 60)
# New inputs go to fuzz/out/corpus, crashes to fuzz/out/artifacts; fuzz/corpus (the
# committed seeds) is only read. Copy an input worth keeping into fuzz/corpus so the
# ordinary test run replays it.
set -euo pipefail
secs=${1:-60}
case $secs in '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")" && pwd)
out=$here/out
. "$here/../scripts/tools.sh"
require_tools clang++ cmake

cmake -S "$here" -B "$out/build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out/build" -j2 --target fuzz_layout
mkdir -p "$out/corpus" "$out/artifacts"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../.ci/lsan.supp:print_suppressions=0}
exec "$out/build/fuzz_layout" -max_total_time="$secs" -max_len=30000 -timeout=10 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "$here/corpus"
