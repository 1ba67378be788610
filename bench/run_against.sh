#!/bin/sh
# Runs every benchmark of this checkout and of another one (an older commit checked out in a
# worktree of its own) in turns, so that the load of a shared machine hits both alike; each turn
# starts with the other checkout than the turn before. The outputs go to one file per run, with
# the load at its start; bench/summarize_against.py puts each figure old against new.
# Usage: bench/run_against.sh OTHER_CHECKOUT [turns] [benchmarks...]
#        (default 2 turns of scan delete_align copy; results in a new folder under ${TMPDIR:-/tmp})
set -eu
other=$(cd "${1:?usage: bench/run_against.sh OTHER_CHECKOUT [turns] [benchmarks...]}" && pwd)
turns=${2:-2}
shift
[ $# -gt 0 ] && shift
benchmarks=${*:-scan delete_align copy}
here=$(cd "$(dirname "$0")/.." && pwd)

for checkout in "$other" "$here"; do
    cmake -S "$checkout" -B "$checkout/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    for name in $benchmarks; do
        cmake --build "$checkout/build-bench" --target "bench_$name" -j2 >/dev/null
    done
done

results=$(mktemp -d "${TMPDIR:-/tmp}/tandrix-bench-against-XXXXXX")
echo "results in $results"
export QT_QPA_PLATFORM=offscreen
turn=1
while [ "$turn" -le "$turns" ]; do
    if [ $((turn % 2)) -eq 1 ]; then order="$other $here"; else order="$here $other"; fi
    for name in $benchmarks; do
        for checkout in $order; do
            which=new
            [ "$checkout" = "$other" ] && which=old
            out="$results/$name-$which-$turn.txt"
            echo "load: $(uptime)" >"$out"
            if [ "$name" = copy ]; then
                "$checkout/bench/run_copy.sh" >>"$out" 2>&1 || echo "exit $?" >>"$out"
            else
                "$checkout/build-bench/bench/bench_$name" >>"$out" 2>&1 || echo "exit $?" >>"$out"
            fi
            echo "$name $which turn $turn done"
        done
    done
    turn=$((turn + 1))
done
echo "summary: $here/bench/summarize_against.py $results"
