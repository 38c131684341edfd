#!/usr/bin/env bash
# LZH packing: relvo lzh a against jLHA (jlha a) on the same mixed corpus, in
# the same run: program files (binaries from /usr/bin), text (C headers from
# /usr/include) and the demo's media and product. Prints the archive sizes
# and times of both and the ratios: ours against jLHA's size (below 1 is
# smaller) and jLHA's time against ours (above 1 is faster). Ours syncs the
# archive before renaming it into place, so jLHA's is synced too. Both
# archives are checked to extract to the corpus with our reader.
# Usage: bench/lzh_pack_bench.sh [BUILD_DIR] [METHOD...]   (methods: lh5 lh6 lh7; lh7 when none)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
shift || true
methods=${*:-lh7}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRELVO_BENCH=ON -DRELVO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target relvo -j2 >/dev/null
relvo=$build/relvo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=$work/corpus
mkdir -p "$corpus/bin" "$corpus/text"
python3 - "$corpus" <<'PY'
import glob, os, shutil, sys
corpus = sys.argv[1]
def take(paths, dest, limit, relative_to=None):
    n = 0
    for f in paths:
        if not os.path.isfile(f) or os.path.islink(f) or os.path.getsize(f) > 3_000_000:
            continue
        d = os.path.join(dest, os.path.relpath(f, relative_to) if relative_to else os.path.basename(f))
        os.makedirs(os.path.dirname(d), exist_ok=True)
        shutil.copyfile(f, d)
        n += os.path.getsize(f)
        if n >= limit:
            break
# A fixed list in a fixed order: the first 8 MB of each.
take(sorted(glob.glob("/usr/bin/*")), os.path.join(corpus, "bin"), 8_000_000)
take(sorted(glob.glob("/usr/include/**/*.h", recursive=True)), os.path.join(corpus, "text"), 8_000_000, "/usr/include")
PY
cp -r "$root/demo" "$corpus/demo"
size=$(find "$corpus" -type f -exec cat {} + | wc -c)
files=$(find "$corpus" -type f | wc -l)
echo "corpus: $size bytes in $files files (program files, text, the demo)"
# jLHA writes names in CP932 (the demo's Japanese folder) as ours does.
export JAVA_TOOL_OPTIONS=-Dlha.encoding=Windows-31J
for m in $methods; do
  ours=$work/ours-$m.lzh theirs=$work/jlha-$m.lzh
  hyperfine -N --warmup 1 --runs 5 --export-json "$work/$m.json" \
    --prepare "rm -f $ours" --prepare "rm -f $theirs" \
    -n ours "$relvo lzh a $ours -m $m -C $corpus bin text demo" \
    -n jlha "sh -c 'cd $corpus && jlha ao${m#lh} $theirs bin text demo && sync $theirs'" >/dev/null
  for a in "$ours" "$theirs"; do
    rm -rf "$work/x" && mkdir "$work/x"
    "$relvo" lzh x "$a" "$work/x" >/dev/null
    diff -r "$corpus" "$work/x" >/dev/null || { echo "$a does not extract to the corpus" >&2; exit 1; }
  done
  python3 - "$work/$m.json" "$size" "$m" "$(wc -c < "$ours")" "$(wc -c < "$theirs")" <<'PY'
import json, sys
runs = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
size, m, ours, theirs = int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
for k, packed in (("ours", ours), ("jlha", theirs)):
    r = runs[k]
    print(f"  -{m}- {k:5s} {packed:10d} bytes ({100 * packed / size:5.2f}%)  {r['mean']*1000:8.1f} ms"
          f" (cpu {1000 * (r['user'] + r['system']):8.1f} ms)  {size / r['mean'] / 1e6:6.1f} MB/s")
o, j = runs["ours"], runs["jlha"]
print(f"  -{m}- ours is {ours / theirs:.4f}x jLHA's size, {j['mean'] / o['mean']:.2f}x its speed"
      f" ({(j['user'] + j['system']) / (o['user'] + o['system']):.2f}x in cpu time)")
PY
done
