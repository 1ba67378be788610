#!/bin/sh
# Builds one benchmark in a release build of its own and runs it on the offscreen platform.
# Usage: bench/run.sh scan|delete_align|copy [arguments of the benchmark]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?"usage: bench/run.sh scan|delete_align|copy [arguments]"}
shift
build="$here/build-bench"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target "bench_$name" -j2
QT_QPA_PLATFORM=offscreen exec "$build/bench/bench_$name" "$@"
