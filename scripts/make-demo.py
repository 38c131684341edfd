#!/usr/bin/env python3
"""Writes the bundled demo: an update medium (demo/media) and an installed
product for it to update (demo/product). Text files are CP932 as on real
media; archives are made with jlha. Run from the repository root."""
import os, shutil, struct, subprocess, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MEDIA = os.path.join(ROOT, "demo", "media")
PRODUCT = os.path.join(ROOT, "demo", "product")


def cp932(text):
    return text.replace("\n", "\r\n").encode("cp932")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def bmp8(width, height, pixel):
    """An 8-bit bottom-up BMP with a 256-entry gradient palette."""
    row = (width + 3) & ~3
    palette = b"".join(bytes((i, (i * 3) % 256, 255 - i, 0)) for i in range(256))
    bits = b"".join(bytes(pixel(x, y) for x in range(width)) + bytes(row - width)
                    for y in range(height))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bits), 2835, 2835, 0, 0)
    off = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", off + len(bits), 0, 0, off)
    return head + info + palette + bits


def lzh(archive, files, workdir):
    """Archives files (dict name -> bytes) with jlha as -lh5-."""
    tmp = tempfile.mkdtemp()
    try:
        for name, data in files.items():
            write(os.path.join(tmp, name), data)
        out = os.path.join(tmp, "out.lzh")
        subprocess.run(["jlha", "a", out] + list(files), cwd=tmp, check=True,
                       stdout=subprocess.DEVNULL)
        os.makedirs(os.path.dirname(archive), exist_ok=True)
        shutil.copyfile(out, archive)
    finally:
        shutil.rmtree(tmp)


def main():
    for d in (MEDIA, PRODUCT):
        shutil.rmtree(d, ignore_errors=True)
    keys = ["VORNEL 3.0 ｱｯﾌﾟﾃﾞｰﾄ", "VORNEL3", "NULL"] + [""] * 12
    lines = keys + [
        "C:\\VORNEL",                     # 16 install folder
        "",                               # 17 spare
        "1",                              # 18 master adjust
        "NULL",                           # 19 settings file
        "1",                              # 20 digitizer edition
        "view.bmp", "start.bmp", "dest.bmp", "conf.bmp",
        "更新の前に、VORNEL を終了して下さい。\t*"
        "更新中はパソコンの電源を切らないで下さい。\t*"
        "念のため、データのバックアップをお勧めします。",
        "VORNEL がインストールされているフォルダを選んで下さい。\t*"
        "見つからない場合は、ドライブとフォルダを指定して下さい。",
        "ﾌﾟﾛ", "ｽﾀﾝﾀﾞｰﾄﾞ", "ﾗｲﾄ",
    ] + ["該当なし%d" % i for i in range(4, 16)] + [
        "1,1,data\\sys1,Program",
        "1,1,start,Program",
        "1,2,master21.mst,Master21\\",
        "1,2,readme.txt,Doc\\",
    ]
    write(os.path.join(MEDIA, "info.txt"), cp932("\n".join(lines) + "\n"))
    write(os.path.join(MEDIA, "view.bmp"), bmp8(64, 48, lambda x, y: (x * 4 + y) % 256))
    for name, shade in (("start.bmp", 40), ("dest.bmp", 120), ("conf.bmp", 200)):
        write(os.path.join(MEDIA, name), bmp8(32, 32, lambda x, y, s=shade: (s + x + y) % 256))
    program = {
        "vornel.cfg": cp932("[更新]\nバージョン=3.0\n"),
        "vornel.dat": bytes(range(256)) * 64,
    }
    lzh(os.path.join(MEDIA, "DATA", "SYS1.lzh"), program, MEDIA)
    lzh(os.path.join(MEDIA, "START.lzh"), {"edition.txt": cp932("共通\n")}, MEDIA)
    for code, label in ((1, "ﾌﾟﾛ"), (2, "ｽﾀﾝﾀﾞｰﾄﾞ"), (3, "ﾗｲﾄ")):
        lzh(os.path.join(MEDIA, "START%d.lzh" % code), {"edition.txt": cp932(label + "\n")}, MEDIA)
    write(os.path.join(MEDIA, "MASTER21.MST"), cp932("400400000107 A ﾃﾞﾓ材料\n"))
    write(os.path.join(MEDIA, "README.TXT"), cp932("VORNEL 3.0 への更新内容\n- 材料マスタの形式を変更しました。\n"))

    # The installed product the demo updates. MASTER and WAV name folders
    # inside the product; scripts/demo.sh writes their absolute paths.
    write(os.path.join(PRODUCT, "vornel1.ini"), cp932(
        "[SYSTEM]\nTITLE=VORNEL ﾌﾟﾛ 2.5\nMAKER=1\n\n[DIR]\nMASTER=master\nWAV=wave\n"))
    write(os.path.join(PRODUCT, "vo2menu.ini"), cp932("[MENU]\n1=材料\n"))
    write(os.path.join(PRODUCT, "Start.bmp"), bmp8(16, 16, lambda x, y: x * 16 + y))
    def record(code, sub, letter, length):
        head = "%s%s %s" % (code, sub, letter)
        return (head + "x" * (length - len(head))).encode("ascii")
    for folder in ("master1", "master21"):
        recs = [record("400400", "000107", "A", 186), record("400400", "000111", "B", 186),
                record("400400", "000107", "C", 185), record("100200", "000107", "A", 190)]
        write(os.path.join(PRODUCT, folder, "zai001-3.mst"), b"\r\n".join(recs) + b"\r\n")
    os.makedirs(os.path.join(PRODUCT, "wave"), exist_ok=True)
    lzh(os.path.join(PRODUCT, "音声", "wave.lzh"),
        {"hello.wav": b"RIFF" + struct.pack("<I", 36) + b"WAVEfmt " + bytes(28)}, PRODUCT)


if __name__ == "__main__":
    main()
