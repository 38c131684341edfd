#!/bin/sh
# Remakes the LZH test fixtures in tests/data/lzh with jLHA, an archiver
# independent of ours: its command line (jlha) for the header levels and
# stored files, and its encoder library through scripts/LzhFixture.java for
# every other method. Needs java, javac and /usr/share/java/jlha.jar.
# The input files are made here from fixed seeds, so a rerun gives the
# same inputs; see tests/data/lzh/README.md.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../tests/data/lzh}
jar=/usr/share/java/jlha.jar
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

javac -cp "$jar" -d "$work" "$here/LzhFixture.java"
mkdir -p "$out/src" "$work/in/sub"

# Inputs: text, binary with runs, an empty file, a file with a Japanese name.
python3 - "$work/in" <<'PY'
import sys, os
d = sys.argv[1]
x = 12345
def rnd():
    global x
    x = (x * 1103515245 + 12345) & 0x7FFFFFFF
    return x >> 16
words = ["update", "archive", "member", "folder", "product", "voice", "master",
         "settings", "disk", "wizard", "LZH", "header", "level", "window", "match"]
lines = []
while sum(len(l) for l in lines) < 4000:
    lines.append(" ".join(words[rnd() % len(words)] for _ in range(3 + rnd() % 8)) + "\r\n")
open(os.path.join(d, "text.txt"), "wb").write("".join(lines).encode())
b = bytearray()
while len(b) < 2048:
    if rnd() % 4 == 0:
        b += bytes([rnd() & 0xFF]) * (3 + rnd() % 40)
    else:
        b.append(rnd() & 0xFF)
open(os.path.join(d, "data.bin"), "wb").write(bytes(b[:2048]))
open(os.path.join(d, "empty.txt"), "wb").close()
open(os.path.join(d, "sub", "日本語.txt"), "wb").write("音声データ\r\n".encode("cp932"))
# 72 KiB of four letters, the same as AcgtData() in the unit tests: enough
# literals for several Huffman blocks and for -lh1-'s count halving.
x = 1
s = bytearray()
for _ in range(73728):
    s.append(b"ACGT"[rnd() & 3])
open(os.path.join(d, "acgt.txt"), "wb").write(bytes(s))
# About 176 KB of "n," with n below 1000, the same as numbers_data() in the
# unit tests: over 0x8000 matches, so that both adaptive trees of -lh2-
# halve their counts, and every position leaf comes into use.
x = 5
s = bytearray()
while len(s) < 176000:
    s += b"%d," % (rnd() % 1000)
open(os.path.join(d, "numbers.txt"), "wb").write(bytes(s))
PY
cp "$work/in/text.txt" "$work/in/data.bin" "$work/in/empty.txt" "$out/src/"
cp "$work/in/sub/日本語.txt" "$out/src/japanese.txt"

fix() { java -cp "$jar:$work" LzhFixture "$@"; }
cd "$work/in"
set -- text.txt=text.txt data.bin=data.bin empty.txt=empty.txt sub/ "sub/日本語.txt=sub/日本語.txt"
# One archive per method, level 2 headers. (jLHA writes -lz4- as -lh0-,
# so -lz4- is covered by a hand-built archive in the unit tests.)
for m in lh0 lh2 lh3 lh4 lh5 lh6 lh7 lzs lz5; do
  fix "$out/m_$m.lzh" "-$m-" 2 "$@"
done
fix "$out/m_lh1.lzh" -lh1- 2 "$@" acgt.txt=acgt.txt
fix "$out/big_lh5.lzh" -lh5- 1 acgt.txt=acgt.txt
fix "$out/big_lh3.lzh" -lh3- 1 acgt.txt=acgt.txt
fix "$out/big_lh2.lzh" -lh2- 1 numbers.txt=numbers.txt
fix "$out/big_lh2a.lzh" -lh2- 1 acgt.txt=acgt.txt
# Header levels 0 and 1 with the library, with folders and CP932 names.
fix "$out/lv0_lh5.lzh" -lh5- 0 "$@"
fix "$out/lv1_lh6.lzh" -lh6- 1 "$@"
# The command line: levels 0, 1, 2 and the stored method (ASCII names; the
# tool writes names in its own default code page).
rm -f "$out"/cli_*.lzh
touch -d "2006-01-02 15:04:06 UTC" text.txt data.bin
jlha a0o5 "$out/cli_a0o5.lzh" text.txt data.bin >/dev/null
jlha a1o6 "$out/cli_a1o6.lzh" text.txt data.bin >/dev/null
jlha a2o7 "$out/cli_a2o7.lzh" text.txt data.bin >/dev/null
jlha az "$out/cli_az.lzh" text.txt data.bin >/dev/null
# The methods no installed tool encodes, by our own encoders written from
# their formats (-lhx-, LHARK's -lh7-, -pm0-/-pm1-/-pm2-, -lh2- in its
# original coding).
python3 "$here/lzh-method-fixtures.py" "$out" "$out/src"
echo "fixtures written to $out"
