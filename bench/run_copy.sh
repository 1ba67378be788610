#!/bin/sh
# Times the program's copy against cp -a and rsync -a on the same generated tree.
# Usage: bench/run_copy.sh [build dir] [small files] [large files] [MiB per large file]
set -e
build=${1:-build}
shift || true
cmake --build "$build" --target bench_copy
"$build/bench/bench_copy" "$@"
