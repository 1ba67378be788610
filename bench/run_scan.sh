#!/bin/sh
# Builds and runs the scan benchmark in a release build of its own.
# Usage: bench/run_scan.sh [files per side]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench-scan"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_scan -j2
QT_QPA_PLATFORM=offscreen "$build/bench/bench_scan" "$@"
