#!/usr/bin/env python3
"""Writes the seeds of the registry fuzz target into this folder.

Run from anywhere: python3 fuzz/corpus/registry/make_seeds.py
Each seed is: key NUL value-name NUL file. The files: the Wine hive of
tests/data/registry, regedit exports in each encoding, a damaged one.
Crashing inputs the fuzzer finds are kept here as crash-*.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
UNINSTALL = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
KEY_LINE = "[HKEY_LOCAL_MACHINE\\" + UNINSTALL + "テスト]"
REGEDIT = (
    "\r\n\r\n" + KEY_LINE + "\r\n"
    '"UninstallString"="C:\\\\WINDOWS\\\\REMOVE.EXE -fC:\\\\ソフト表\\\\REMOVE.LOG"\r\n'
    '"Exp"=hex(2):43,3a,5c,83,5c,00\r\n'
    '"Bin"=hex:01,02,\\\r\n  03,04\r\n'
    '"Dw"=dword:00000001\r\n'
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\テスト]\r\n"
    '@="32"\r\n')


def seed(name, key, value, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(key.encode("cp932") + b"\0" + value.encode("cp932") + b"\0" + data)


def main():
    with open(os.path.join(ROOT, "tests", "data", "registry", "system.reg"), "rb") as f:
        hive = f.read()
    seed("wine-hive", UNINSTALL + "Sample32", "UninstallString", hive)
    seed("wine-japanese", UNINSTALL + "ソフト表", "UninstallString", hive)
    seed("regedit4", UNINSTALL + "テスト", "UninstallString", ("REGEDIT4" + REGEDIT).encode("cp932"))
    v5 = "Windows Registry Editor Version 5.00" + REGEDIT.replace("3a,5c,83,5c", "00,3a,00,bd,30")
    seed("regedit5-utf16", UNINSTALL + "テスト", "Exp", b"\xff\xfe" + v5.encode("utf-16-le"))
    seed("regedit5-utf8", UNINSTALL + "テスト", "", v5.encode("utf-8"))
    seed("damaged", UNINSTALL + "テスト", "Bin", ("REGEDIT4" + REGEDIT).encode("cp932")[:120])


main()
