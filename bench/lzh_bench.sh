#!/usr/bin/env bash
# LZH decoding speed: our library (lzh_bench) against lhasa and bsdtar on the
# same archives, each writing its output to files. Builds >= 20 MB of mixed
# text and binary input, packs it with jLHA as -lh5- and -lh7-, times every
# decoder with hyperfine and prints throughput and our speed ratios. Ours
# syncs each file before renaming it into place, so the peers' output files
# are synced too (coreutils sync FILE), to compare like with like.
# Usage: bench/lzh_bench.sh [BUILD_DIR]   (builds lzh_bench there first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRELVO_BENCH=ON -DRELVO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target lzh_bench -j2 >/dev/null
ours=$build/bench/lzh_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
python3 - "$work/in" <<'PY'
import sys, os, glob
d = sys.argv[1]
x = 7
def rnd():
    global x
    x = (x * 1103515245 + 12345) & 0x7FFFFFFF
    return x >> 16
words = ("the update wizard extracts archives into the product folder and converts "
         "material master files settings voice data disk number folder record "
         "0 1 2 3 4 5 6 7 8 9 10 100 1000 size type value error message").split()
out = []
n = 0
while n < 12_000_000:
    line = " ".join(words[rnd() % len(words)] for _ in range(4 + rnd() % 12)) + "\r\n"
    out.append(line)
    n += len(line)
open(os.path.join(d, "text.txt"), "w").write("".join(out))
# Binary: the system's own libraries, a fixed list in a fixed order.
b = bytearray()
for f in sorted(glob.glob("/usr/lib/x86_64-linux-gnu/*.so*")):
    if os.path.isfile(f) and not os.path.islink(f):
        b += open(f, "rb").read()
    if len(b) >= 12_000_000:
        break
open(os.path.join(d, "binary.bin"), "wb").write(bytes(b[:12_000_000]))
PY
size=$(cat "$work/in/text.txt" "$work/in/binary.bin" | wc -c)
echo "input: $size bytes (text and binary)"
(cd "$work/in" && jlha ao5 ../lh5.lzh text.txt binary.bin >/dev/null && jlha ao7 ../lh7.lzh text.txt binary.bin >/dev/null)
report=$work/report.txt
: > "$report"
for m in lh5 lh7; do
  a=$work/$m.lzh
  echo "== -$m-: $(wc -c < "$a") bytes packed"
  for t in ours lhasa bsdtar; do mkdir -p "$work/out-$t"; done
  hyperfine -N --warmup 1 --runs 5 --export-json "$work/$m.json" \
    -n ours "$ours $a $work/out-ours" \
    -n lhasa "sh -c 'cd $work/out-lhasa && lhasa xqf $a && sync text.txt binary.bin'" \
    -n bsdtar "sh -c 'bsdtar -xf $a -C $work/out-bsdtar && sync $work/out-bsdtar/text.txt $work/out-bsdtar/binary.bin'" >/dev/null
  cmp "$work/out-ours/text.txt" "$work/in/text.txt" && cmp "$work/out-ours/binary.bin" "$work/in/binary.bin"
  python3 - "$work/$m.json" "$size" "$m" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
size = int(sys.argv[2])
for k in ("ours", "lhasa", "bsdtar"):
    print(f"  {k:7s} {r[k]*1000:8.1f} ms  {size/r[k]/1e6:7.1f} MB/s")
print(f"  ours is {r['bsdtar']/r['ours']:.2f}x bsdtar, {r['lhasa']/r['ours']:.2f}x lhasa (-{sys.argv[3]}-)")
PY
done
