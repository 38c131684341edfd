#!/bin/sh
# Times relvo update with its restore point and without (--no-restore-point)
# on the demo and on a large update (scripts/make-large-update.sh: FILES
# files of about KB kilobytes replaced, besides the demo's own rows), each
# run on a fresh copy of the product (hyperfine, the two commands in one
# run); then the point's bytes on the disk, and check-media --plan (the dry
# run that every update makes first) alone.
# Usage: bench/update_bench.sh [WORK [FILES [KB]]]
# BUILD_DIR chooses the build folder (default build/bench-restore).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench-restore}
work=${1:-$(mktemp -d)}
files=${2:-1000}
kb=${3:-40}
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DRELVO_BENCH=ON >/dev/null
else
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRELVO_BENCH=ON -DRELVO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target relvo -j2 >/dev/null
relvo=$build/relvo

"$root/scripts/make-large-update.sh" "$relvo" "$work/large" "$files" "$kb"
# The demo as its update sees it: the product's settings name its own folders.
"$root/scripts/make-large-update.sh" "$relvo" "$work/demo" 0

for name in demo large; do
  t=$work/$name
  cp -a "$t/product" "$t/fresh"
  echo "== $name: product $(du -sk "$t/fresh" | cut -f1) KB, media $(du -sk "$t/media" | cut -f1) KB"
  reset="chmod -R u+w $t/product 2>/dev/null; rm -rf $t/product $t/points; cp -a $t/fresh $t/product"
  update="$relvo update --media $t/media/disk1 --media $t/media/disk2 --dest $t/product"
  hyperfine -N --warmup 1 --runs "${RUNS:-10}" --prepare "sh -c '$reset'" \
    -n "without a point" "$update --no-restore-point" -n "with a point" "$update --restore-point $t/points" \
    -n "the dry run alone (check-media --plan)" \
    "$relvo check-media --product $t/product --plan $t/media/disk1 $t/media/disk2"
  sh -c "$reset"
  $update --restore-point "$t/points" >/dev/null
  echo "restore point: $(du -sk "$t/points" | cut -f1) KB on the disk"
  $relvo restore --dest "$t/product" --restore-point "$t/points" --list | tail -n 1
done
