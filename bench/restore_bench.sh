#!/bin/sh
# Builds and runs the restore point benchmark: an update of a generated
# product (400 files of about 100 KB, all replaced, 100 new) with and without
# a restore point in the same run, the point's bytes, and the restore.
# Usage: bench/restore_bench.sh [work-folder [files [kilobytes-per-file]]]
# BUILD_DIR chooses the build folder (default build/bench-restore).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench-restore}
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DRELVO_BENCH=ON >/dev/null
else
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRELVO_BENCH=ON -DRELVO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target restore_bench -j2 >/dev/null
exec "$build/bench/restore_bench" "$@"
