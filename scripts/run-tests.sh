#!/usr/bin/env bash
# Builds Tandrix and runs every test: once in a normal build and once more under
# AddressSanitizer and UndefinedBehaviorSanitizer (ASAN=0 leaves the second run out).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
if [ "${ASAN:-1}" = 1 ]; then
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --preset asan
fi
