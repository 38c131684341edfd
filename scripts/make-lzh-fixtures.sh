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
export PYTHONPATH="$here"  # lzh_crc.py

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

# ---- The header forms of other archivers (see the README's second table) ----
# jLHA writes the headers; what it cannot write is made here from the format
# (tests/data/lzh/README.md says which is which).
export TZ=UTC  # level 0 and 1 times are local times
# Names with a root. Level 0 keeps the path as given ('\' between folders);
# levels 1 and 2 put a path's folders in a folder field, 0xFF between them,
# so a leading '/' becomes a leading 0xFF; a '\' in a level 2 name stays in
# the name field. 'Work:' is an Amiga volume name, ':' the current volume's.
fix "$out/root_lv0.lzh" -lh5- 0 '\subdir\subdir2\hello.txt=text.txt' '\top.bin=data.bin' \
  'C:\dos\drive.txt=text.txt' 'D:rel.bin=data.bin'
fix "$out/root_lv1.lzh" -lh5- 1 '/subdir/subdir2/hello.txt=text.txt' 'C:/dos/drive.txt=data.bin' \
  --os=A 'Work:amiga/vol.txt=text.txt' ':amiga/cur.bin=data.bin'
fix "$out/root_lv2.lzh" -lh5- 2 '/subdir/subdir2/hello.txt=text.txt' '\win\sub\back.bin=data.bin' \
  'C:/dos/drive.txt=text.txt' --os=A 'Work:amiga/vol.bin=data.bin'
# Amiga names: the name, a NUL, the member's comment.
fix "$out/comment_lv0.lzh" -lh5- 0 'note.txt{NUL}A comment, as Amiga LhA keeps it=text.txt' \
  'sub/data.bin{NUL}コメント=data.bin'
fix "$out/comment_lv1.lzh" -lh5- 1 --os=A 'note.txt{NUL}A comment=text.txt' 'sub/data.bin{NUL}second one=data.bin' \
  'plain.txt=text.txt'
fix "$out/comment_lv2.lzh" -lh6- 2 --os=A 'note.txt{NUL}A comment=text.txt' 'sub/data.bin{NUL}=data.bin'
# OS-9/68K LHA's level 2: its header size field leaves out its own two
# bytes. jLHA writes the headers, the size fields are then made two smaller.
fix "$work/os9.lzh" -lh5- 2 --os=K text.txt=text.txt sub/ sub/data.bin=data.bin
# MacLHA: OS id 'm', each file's data behind a MacBinary header (see
# macbinary.h for its fields): data fork only, both forks back to back,
# resource fork only; a MacBinary file packed as such (name "packed.bin",
# header for "packed": kept whole), and a file shorter than a header.
python3 - "$work" "$out" <<'PY'
import os, struct, sys
work, out = sys.argv[1], sys.argv[2]
src = os.path.join(work, "in")
text = open(os.path.join(src, "text.txt"), "rb").read()
data = open(os.path.join(src, "data.bin"), "rb").read()

def macbinary(name, data_fork, res_fork, when):
    h = bytearray(128)
    h[1] = len(name)
    h[2:2 + len(name)] = name
    h[0x41:0x49] = b"TEXTttxt"
    mac = when + 2082844800 + 9 * 3600  # local time of a Mac in Japan
    struct.pack_into(">IIII", h, 0x53, len(data_fork), len(res_fork), mac, mac)
    body = bytes(h) + data_fork + res_fork
    return body + bytes(-len(body) % 128)  # MacLHA pads the whole to 128

when = 1136214245  # LzhFixture's fixed time
mac = os.path.join(src, "mac")
os.makedirs(mac, exist_ok=True)
def put(name, content):
    open(os.path.join(mac, name), "wb").write(content)
put("datafork.txt", macbinary(b"datafork.txt", text[:1500], b"", when))
put("both.bin", macbinary(b"both.bin", data[:300], data[300:500], when))
put("resonly.rsrc", macbinary(b"resonly.rsrc", b"", data[:777], when))
put("packed.bin", macbinary(b"packed", text[:200], b"", when))
put("small.txt", b"shorter than a MacBinary header\n")

# OS-9/68K: every level 2 header size two short, and the header CRC (in
# extended header 0x00) made again over the header as it now reads.
from lzh_crc import crc16
a = bytearray(open(os.path.join(work, "os9.lzh"), "rb").read())
pos = 0
while a[pos] != 0:
    size = a[pos] | a[pos + 1] << 8
    packed = struct.unpack_from("<I", a, pos + 7)[0]
    assert a[pos + 20] == 2 and a[pos + 23] == ord("K")
    struct.pack_into("<H", a, pos, size - 2)
    ext, nxt, crc_at = pos + 26, a[pos + 24] | a[pos + 25] << 8, None
    while nxt:
        if a[ext] == 0:
            crc_at = ext + 1
        ext, nxt = ext + nxt, a[ext + nxt - 2] | a[ext + nxt - 1] << 8
    if crc_at is not None:
        struct.pack_into("<H", a, crc_at, 0)
        struct.pack_into("<H", a, crc_at, crc16(a[pos:pos + size]))
    pos += size + packed
open(os.path.join(out, "os9_lv2.lzh"), "wb").write(a)
PY
(cd mac && for lv in 1 2; do
  fix "$out/mac_lv$lv.lzh" -lh5- $lv --os=m datafork.txt=datafork.txt both.bin=both.bin resonly.rsrc=resonly.rsrc \
    packed.bin=packed.bin small.txt=small.txt
done)
# Self-extracting archives: an extractor's code, then the archive. The code
# is made up here (headers of each executable format, then bytes of a fixed
# seed with no '-' in them, so that nothing in it looks like a member
# header); the archive after it is jLHA's.
fix "$work/inner.lzh" -lh5- 1 text.txt=text.txt sub/data.bin=data.bin
python3 - "$work" "$out" <<'PY'
import os, struct, sys
work, out = sys.argv[1], sys.argv[2]
inner = open(os.path.join(work, "inner.lzh"), "rb").read()
x = 2024
def code(n):
    global x
    b = bytearray()
    while len(b) < n:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        c = (x >> 16) & 0xFF
        if c != 0x2D:
            b.append(c)
    return bytes(b)

def write(name, stub):
    assert b"-lh" not in stub and b"-lz" not in stub and b"-pm" not in stub or name == "sfx_amiga.run"
    open(os.path.join(out, name), "wb").write(stub + inner)

# MS-DOS .exe: an MZ header of 32 bytes, the code, the banner.
body = code(1800) + b"LHA's SFX 2.13S (c) Yoshi, 1991\r\n$"
pages = (32 + len(body) + 511) // 512
write("sfx_dos.exe", b"MZ" + struct.pack("<HHHHHHHHHHHHH", (32 + len(body)) % 512, pages, 0, 2, 0, 0xFFFF,
                                           0, 0xB8, 0, 0, 0, 0x1C, 0) + bytes(4) + body)
# MS-DOS .com: a near jump over the banner into the code.
banner = b"LHarc's SFX 1.13S (c) Yoshi, 1989\r\n$"
write("sfx_dos.com", b"\xE9" + struct.pack("<H", len(banner)) + banner + code(1100))
# Windows: a PE file, its DOS stub, "PE\0\0" at 0x80, and some 40 KB of code.
dos = b"MZ" + bytes(58) + struct.pack("<I", 0x80)
dos += b"This program cannot be run in DOS mode.\r\r\n$"
dos += bytes(0x80 - len(dos))
pe = b"PE\0\0" + struct.pack("<HHIIIHH", 0x14C, 3, 0x3C000000, 0, 0, 0xE0, 0x10F)
write("sfx_win.exe", dos + pe + code(40000))
# X68000 .x: "HU", the 64-byte header, the code.
write("sfx_x68k.x", b"HU" + bytes(2) + struct.pack(">IIIII", 0, 2600, 0, 0, 0) + bytes(42) + code(2600))
# Atari ST .ttp: 0x601A, the 28-byte header, the code.
write("sfx_atari.ttp", b"\x60\x1A" + struct.pack(">IIIIIH", 3000, 0, 0, 0, 0, 0) + bytes(4) + code(3000))
# Amiga LhASFX: a hunk file whose code holds LhASFX's banner and then a
# small archive of its own (one stored member, a level 0 header made here),
# before the archive proper.
def level0(name, content):
    h = b"-lh0-" + struct.pack("<IIIBB", len(content), len(content), 0x34210000, 0x20, 0) + bytes([len(name)]) + name
    crc = 0
    for byte in content:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    h += struct.pack("<H", crc)
    return bytes([len(h), sum(h) & 0xFF]) + h + content
mini = level0(b"LhASFX.cfg", b"extract to: RAM:\n")
write("sfx_amiga.run", b"\x00\x00\x03\xF3" + bytes(8) + code(900) + b"LhASFX V1.2, (c) 1991 Stefan Boberg"
      + code(40) + mini + code(600) + b"\x00\x00\x03\xF2")
PY
# What MS-DOS, CP/M, Unix and other tools leave that jLHA does not write,
# made from the format: a folder stored as a member of no data under -lh0-
# (its name ending in '\\'), Unix LHA's level 0 extension area one byte
# longer than usual, a level 2 header of 256 bytes (its first byte zero: not
# padded by a byte, as LHa for UNIX and jLHA pad it), and no end mark but ^Z
# (0x1A) up to the next 128-byte record, as CP/M and XMODEM leave a file.
python3 - "$work/in" "$out" <<'PY'
import os, struct, sys
src, out = sys.argv[1], sys.argv[2]
text = open(os.path.join(src, "text.txt"), "rb").read()
data = open(os.path.join(src, "data.bin"), "rb").read()
from lzh_crc import crc16
def level0(name, content, area=b""):
    h = b"-lh0-" + struct.pack("<IIIBB", len(content), len(content), 0x34210000, 0x20, 0) + bytes([len(name)]) + name
    h += struct.pack("<H", crc16(content)) + area
    return bytes([len(h), sum(h) & 0xFF]) + h + content
def level2(name, content, comment):
    ext = b"\x01" + name + struct.pack("<H", 3 + len(comment)) + b"\x3f" + comment + b"\0\0"
    h = bytearray(b"\0\0-lh0-" + struct.pack("<IIIBBHcH", len(content), len(content), 1136214245, 0x20, 2,
                                                 crc16(content), b"U", 3 + len(name)) + ext)
    struct.pack_into("<H", h, 0, len(h))
    return bytes(h) + content
note = b"A comment that makes this header 256 bytes long, so that its size starts with a zero byte."
note += b"." * (256 - 26 - 3 - len(b"note.txt") - 3 - len(note))
# 'U', version, time, mode (0100644), uid 0x00A0, gid, and one byte more:
# the mode read from the area's end would be a symbolic link's.
unix = b"U\0" + struct.pack("<IHHH", 1136214245, 0o100644, 0xA0, 0) + b"\0"
a = (level0(b"docs\\", b"") + level0(b"docs\\text.txt", text) + level0(b"unix.bin", data, unix)
     + level2(b"note.txt", text[:300], note))
assert a[-300 - 256:-300 - 254] == b"\0\1"
a += b"\x1a" * (128 - len(a) % 128)
open(os.path.join(out, "quirks.lzh"), "wb").write(a)
PY
# The methods no installed tool encodes, by our own encoders written from
# their formats (-lhx-, LHARK's -lh7-, -pm0-/-pm1-/-pm2-, -lh2- in its
# original coding).
python3 "$here/lzh-method-fixtures.py" "$out" "$out/src"
echo "fixtures written to $out"
