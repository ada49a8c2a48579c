#!/bin/sh
# Builds the fuzz targets with clang's libFuzzer into build-fuzz and runs one of them for a bounded
# time on its seed corpus, e.g.:  scripts/fuzz.sh obj_reader_fuzz 600
# Seeds: fuzz/corpus/<target without _fuzz>, else fuzz/corpus/<target up to its first _> (obj_reader_fuzz
# reads fuzz/corpus/obj). New inputs go to build-fuzz/corpus/<target>; crashes to build-fuzz/crashes/<target>/.
set -eu
if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
stem=${target%_fuzz}

"$root/scripts/setup.sh" --fuzz
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLIMMER_FUZZ=ON \
  -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF > /dev/null
cmake --build "$build" -j2 --target "$target"

seeds=$root/fuzz/corpus/$stem
[ -d "$seeds" ] || seeds=$root/fuzz/corpus/${stem%%_*}
[ -d "$seeds" ] || seeds=
work=$build/corpus/$target
crashes=$build/crashes/$target
mkdir -p "$work" "$crashes"
# The working corpus comes first so that what the fuzzer finds is kept there, not in the seeds.
exec "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$crashes/" \
  "$work" ${seeds:+"$seeds"}
