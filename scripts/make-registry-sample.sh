#!/usr/bin/env bash
# Remakes tests/data/registry/system.reg: uninstall entries written by Wine's
# own "reg add" into a fresh, temporary Wine prefix, and the hive cut down to
# its header and a few sections, each kept verbatim.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
add() { scripts/wine-run.sh reg add "$@" /f >/dev/null 2>&1; }
add "$key\\テスト" /v UninstallString /d 'C:\WINDOWS\REMOVE.EXE -fC:\TOOLS\SAMPLE\REMOVE.LOG'
add "$key\\ソフト表" /v UninstallString /d 'C:\ソフト表\REMOVE.EXE -fC:\ソフト表\REMOVE.LOG'
add "$key\\Sample32" /v UninstallString /t REG_EXPAND_SZ /d 'C:\WINDOWS\REMOVE.EXE -fD:\SAMPLE.LOG -c' /reg:32
add "$key\\Sample32" /v UninstallString /d 'the 64-bit view' /reg:64
add "$key\\Only64" /v UninstallString /d 'C:\WINDOWS\REMOVE.EXE -fC:\ONLY64\REMOVE.LOG' /reg:64
add "$key\\NoString" /v UninstallString /t REG_DWORD /d 1
add "$key\\NoString" /v Data /t REG_BINARY /d 00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff
wineserver -w  # the server writes the hive when it exits
out=tests/data/registry/system.reg
# The header, the uninstall sections and one link (a hex value over
# several lines).
awk 'NR <= 4 { print; next }
     /^\[/ { keep = ($0 ~ /CurrentVersion\\\\Uninstall\\\\/ || $0 ~ /CurrentVersion\\\\Time Zones\]/) }
     keep' "$prefix/system.reg" > "$out"
echo "wrote $out ($(wc -c < "$out") bytes)"
