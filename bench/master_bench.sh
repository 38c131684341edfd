#!/bin/sh
# Builds and runs the material master benchmark: converts a generated master
# folder (200 files of 5,000 records of about 190 bytes) and times `cp -r`
# of the same folder in the same run, printing the ratios.
# Usage: bench/master_bench.sh [work-folder [files [records]]]
# BUILD_DIR chooses the build folder (default build/bench-master).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench-master}
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DRELVO_BENCH=ON >/dev/null
else
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRELVO_BENCH=ON -DRELVO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target master_bench -j2 >/dev/null
exec "$build/bench/master_bench" "$@"
