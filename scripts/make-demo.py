#!/usr/bin/env python3
"""Writes the bundled demo: an update medium on two disks (demo/media/disk1,
demo/media/disk2), the installed product it updates (demo/product, installed
as C:\\VORNEL) and the registry of that machine (demo/uninstall.reg, whose
uninstall entry names C:\\VORNEL). Text files are CP932 as on real media;
archives are made with jlha. Run from the repository root."""
import os, shutil, struct, subprocess, tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEMO = os.path.join(ROOT, "demo")
DISK1 = os.path.join(DEMO, "media", "disk1")
DISK2 = os.path.join(DEMO, "media", "disk2")
PRODUCT = os.path.join(DEMO, "product")


def cp932(text):
    return text.replace("\n", "\r\n").encode("cp932")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def bmp8(width, height, pixel, palette=None):
    """An 8-bit bottom-up BMP; pixel(x, y) gives the palette index, y = 0 at the top."""
    row = (width + 3) & ~3
    palette = palette or [(i, (i * 3) % 256, 255 - i) for i in range(256)]
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    bits = b"".join(bytes(pixel(x, height - 1 - y) for x in range(width)) + bytes(row - width)
                    for y in range(height))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(bits), 2835, 2835, len(palette), 0)
    off = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", off + len(bits), 0, 0, off)
    return head + info + table + bits


def scene(width, height, sun_x):
    """A small landscape: sky, a sun, hills, for the pages' pictures."""
    palette = ([(40 + i, 90 + i * 2, 200 + i // 2) for i in range(64)] +       # sky, light towards the horizon
               [(255, 210 - i, 60) for i in range(64)] +                      # sun
               [(30 + i // 2, 120 + i, 40 + i // 3) for i in range(64)] +     # hills
               [(i * 4, i * 4, i * 4) for i in range(64)])                    # greys
    def pixel(x, y):
        dx, dy = x - sun_x, y - height // 4
        if dx * dx + dy * dy < (height // 7) ** 2:
            return 64 + min(63, (dx * dx + dy * dy) // 4)
        hill = height * 2 // 3 + int(4 * ((x * 7) % 23) / 23) - abs(x - width // 2) // 6
        if y > hill:
            return 128 + min(63, (y - hill) * 3)
        return min(63, y * 64 // height)
    return bmp8(width, height, pixel, palette)


def lzh(archive, files):
    """Archives files (dict name -> bytes) with jlha as -lh5-."""
    tmp = tempfile.mkdtemp()
    try:
        for name, data in files.items():
            write(os.path.join(tmp, name), data)
        out = os.path.join(tmp, "out.lzh")
        subprocess.run(["jlha", "a", out] + list(files), cwd=tmp, check=True, stdout=subprocess.DEVNULL)
        os.makedirs(os.path.dirname(archive), exist_ok=True)
        shutil.copyfile(out, archive)
    finally:
        shutil.rmtree(tmp)


def media():
    # Line 1 is the window title and the first uninstall entry tried; the
    # demo machine has no entry of that name, so the second one decides.
    keys = ["VORNEL 3.0 アップデート", "VORNEL 2.5", "NULL"] + [""] * 12
    lines = keys + [
        "C:\\Program Files\\VORNEL",      # 16 install folder, when the registry knows none
        "",                               # 17 spare
        "1",                              # 18 master adjust: convert the material masters
        "NULL",                           # 19 settings file: vornel1.ini, else pemtrax1.ini
        "1",                              # 20 digitizer edition: settings, voice data
        "view.bmp", "start.bmp", "dest.bmp", "conf.bmp",
        "VORNEL 3.0 へのアップデートを行います。\t*"
        "更新の前に、VORNEL を終了して下さい。\t*"
        "更新中はパソコンの電源を切らないで下さい。\t*"
        "念のため、データのバックアップをお勧めします。\t*"
        "途中で 2 枚目のアップデートディスクが必要になります。",
        "VORNEL のインストール先を確認して下さい。\t*"
        "違う場合は、フォルダを選ぶか入力して下さい。",
        "ﾌﾟﾛ", "ｽﾀﾝﾀﾞｰﾄﾞ", "ﾗｲﾄ",
    ] + ["該当なし%d" % i for i in range(4, 16)] + [
        "1,1,data\\sys1,Program",          # an archive into a subfolder
        "1,1,start,Program",               # the edition's own archive: START1 for ﾌﾟﾛ
        "1,2,master21.mst,master21\\",     # a single file: the master files are new
        "1,2,readme.txt,Doc\\",            # a single file replacing the installed one
        "2,1,sys2,Program\\Help",          # disk 2: the update asks for it
        "2,1,data\\sample,Sample",         # and goes on with it
    ]
    write(os.path.join(DISK1, "info.txt"), cp932("\n".join(lines) + "\n"))
    write(os.path.join(DISK1, "view.bmp"), scene(96, 72, 70))
    for name, sun in (("start.bmp", 12), ("dest.bmp", 24), ("conf.bmp", 36)):
        write(os.path.join(DISK1, name), scene(48, 48, sun))
    lzh(os.path.join(DISK1, "DATA", "SYS1.lzh"), {
        "vornel.cfg": cp932("[更新]\nバージョン=3.0\n"),
        "vornel.dat": bytes(range(256)) * 64,
    })
    # START.lzh is what the disk check looks for; START1 to START3 are the
    # editions' own variants.
    lzh(os.path.join(DISK1, "START.lzh"), {"edition.txt": cp932("共通\n")})
    for code, label in ((1, "ﾌﾟﾛ"), (2, "ｽﾀﾝﾀﾞｰﾄﾞ"), (3, "ﾗｲﾄ")):
        lzh(os.path.join(DISK1, "START%d.lzh" % code), {"edition.txt": cp932("VORNEL 3.0 " + label + "\n")})
    write(os.path.join(DISK1, "MASTER21.MST"), cp932("400400000107 A ﾃﾞﾓ材料\n"))
    write(os.path.join(DISK1, "README.TXT"),
          cp932("VORNEL 3.0 への更新内容\n- 材料マスタの形式を変更しました。\n- ヘルプを追加しました。\n"))

    lzh(os.path.join(DISK2, "SYS2.lzh"), {
        "help.txt": cp932("VORNEL 3.0 ヘルプ\n材料マスタの新しい形式について\n"),
        "index.txt": cp932("目次\n"),
    })
    lzh(os.path.join(DISK2, "DATA", "SAMPLE.lzh"), {"sample1.vdt": cp932("見本 1\n"), "sample2.vdt": cp932("見本 2\n")})


def product():
    # The installed product, VORNEL ﾌﾟﾛ 2.5 in C:\VORNEL (the demo maps C:
    # to a copy). Its settings name its master and wave folders.
    write(os.path.join(PRODUCT, "vornel1.ini"), cp932(
        "[SYSTEM]\nTITLE=VORNEL ﾌﾟﾛ 2.5\nMAKER=1\n\n[DIR]\nMASTER=C:\\VORNEL\\master\nWAV=C:\\VORNEL\\wave\n"))
    write(os.path.join(PRODUCT, "vo2menu.ini"), cp932("[MENU]\n1=材料\n"))
    write(os.path.join(PRODUCT, "Start.bmp"), scene(32, 24, 8))
    write(os.path.join(PRODUCT, "Uninst.isu"), b"uninstall log\r\n")
    write(os.path.join(PRODUCT, "Program", "vornel.cfg"), cp932("[更新]\nバージョン=2.5\n"))
    write(os.path.join(PRODUCT, "Program", "vornel.dat"), bytes(range(128)) * 16)
    write(os.path.join(PRODUCT, "Doc", "README.TXT"), cp932("VORNEL 2.5\n"))

    def record(code, sub, letter, length):
        head = "%s%s %s" % (code, sub, letter)
        return (head + "x" * (length - len(head))).encode("ascii")
    for folder in ("master1", "master21"):
        recs = [record("400400", "000107", "A", 186), record("400400", "000111", "B", 186),
                record("400400", "000107", "C", 185), record("100200", "000107", "A", 190)]
        write(os.path.join(PRODUCT, folder, "zai001-3.mst"), b"\r\n".join(recs) + b"\r\n")
    write(os.path.join(PRODUCT, "wave", "start.wav"), b"RIFF" + struct.pack("<I", 36) + b"WAVEfmt " + bytes(28))
    lzh(os.path.join(PRODUCT, "音声", "wave.lzh"),
        {"hello.wav": b"RIFF" + struct.pack("<I", 36) + b"WAVEfmt " + bytes(28)})

    # The machine's registry: the uninstall entry of VORNEL 2.5 names the
    # uninstall log in C:\VORNEL after its " -f".
    write(os.path.join(DEMO, "uninstall.reg"), cp932(
        "REGEDIT4\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VORNEL 2.5]\n"
        "\"DisplayName\"=\"VORNEL ﾌﾟﾛ 2.5\"\n"
        "\"UninstallString\"=\"C:\\\\WINDOWS\\\\IsUninst.exe -fC:\\\\VORNEL\\\\Uninst.isu\"\n"))


def main():
    for d in (os.path.join(DEMO, "media"), PRODUCT):
        shutil.rmtree(d, ignore_errors=True)
    media()
    product()


if __name__ == "__main__":
    main()
