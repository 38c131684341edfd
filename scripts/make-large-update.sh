#!/bin/sh
# Makes a large update from the demo (FILES 0: the demo itself): OUT/media/disk1 and disk2 (the demo's
# two disks, whose first archive DATA/SYS1.lzh also carries FILES generated
# files of about KB kilobytes each) and OUT/product (the demo product, its
# settings naming OUT's own master and wave folders, with the generated
# files in an older version, and a read-only file the update replaces).
# The update replaces every generated file, adds some new ones, and does
# everything the demo's update does.
# Usage: scripts/make-large-update.sh RELVO OUT [FILES [KB]]
set -eu
relvo=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$2
files=${3:-300}
kb=${4:-40}
root=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
cp -r "$root/demo/media" "$out/media"
cp -r "$root/demo/product" "$out/product"
product=$(cd "$out/product" && pwd)
printf '[SYSTEM]\r\nTITLE=VORNEL \314\337\333 2.5\r\nMAKER=1\r\n\r\n[DIR]\r\nMASTER=%s/master\r\nWAV=%s/wave\r\n' \
  "$product" "$product" >"$out/product/vornel1.ini"

# FILE<n>.DAT of about KB kilobytes: random bytes, reproducible (seed n and
# version), half of them compressible text.
gen() {  # folder version
  python3 - "$1" "$2" "$files" "$kb" <<'EOF'
import os, random, sys
folder, version, files, kb = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
os.makedirs(folder, exist_ok=True)
for i in range(files):
    rng = random.Random(i * 7919 + int(version))
    size = kb * 1024 // 2 + rng.randrange(kb * 1024)
    if i % 2:
        data = rng.randbytes(size)
    else:
        words = [b"VORNEL", b"master", b"record", b"material", b"size", b"type", b"\r\n"]
        data = b" ".join(rng.choice(words) for _ in range(size // 6))[:size]
    with open(os.path.join(folder, "FILE%04d.DAT" % i), "wb") as f:
        f.write(data)
EOF
}

# FILES 0: the demo as it is.
[ "$files" -gt 0 ] || exit 0
work=$out/work
gen "$work/new" 3
# A few more files in the new version only.
for i in 1 2 3 4 5; do cp "$work/new/FILE0000.DAT" "$work/new/NEW$i.DAT"; done
cp "$root/demo/media/disk1/DATA/SYS1.lzh" "$work/"
(cd "$work" && "$relvo" lzh e SYS1.lzh new >/dev/null)
rm "$out/media/disk1/DATA/SYS1.lzh"
(cd "$work/new" && "$relvo" lzh a "$out/media/disk1/DATA/SYS1.lzh" -m lh5 * >/dev/null)
gen "$out/product/Program" 2
[ "$files" -lt 3 ] || chmod a-w "$out/product/Program/FILE0002.DAT"
rm -rf "$work"
