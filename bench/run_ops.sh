#!/bin/sh
# Builds and runs the delete and date-alignment benchmark in a release build of its own.
# Usage: bench/run_ops.sh [files] [runs]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench-ops"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_delete_align -j2
QT_QPA_PLATFORM=offscreen "$build/bench/bench_delete_align" "$@"
