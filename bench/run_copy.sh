#!/bin/sh
# Builds the copy benchmark in the benchmarks' release build (as bench/run.sh) and runs it: the
# program's Sync (without and with "Kopien prüfen") against cp -a, cp -a followed by sync and
# rsync -a on one 1 GiB file and 10 000 small files, generated in a temporary folder.
# Usage: bench/run_copy.sh [small files] [MiB of the large file]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"

if ! command -v rsync >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends rsync
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_copy -j2

# The source data and one copy at a time need about 3 GiB; ask for 4 to leave room.
needed_kib=$((4 * 1024 * 1024))
free_kib() { df -Pk "$1" | awk 'NR == 2 { print $4 }'; }
parent=${TMPDIR:-/tmp}
if [ "$(free_kib "$parent")" -lt "$needed_kib" ]; then
    parent="$build"
    if [ "$(free_kib "$parent")" -lt "$needed_kib" ]; then
        echo "run_copy.sh: less than 4 GiB free in ${TMPDIR:-/tmp} and in $build" >&2
        exit 1
    fi
fi
work=$(mktemp -d "$parent/tandrix-run-copy-XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

QT_QPA_PLATFORM=offscreen "$build/bench/bench_copy" "$work" "$@"
