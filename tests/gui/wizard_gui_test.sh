#!/usr/bin/env bash
# relvow.exe end to end under Wine, as a person updates the demo product
# from its two floppies: the program started from the first disk in drive
# A:, driven by key presses and typing alone (scripts/gui-session.sh), the
# second disk put in the drive when the update asks for it; then the
# product as the update left it. A second run, cancelled on the start
# page, changes nothing. Takes a screenshot of each page and message box.
# Usage: tests/gui/wizard_gui_test.sh RELVOW_EXE DEMO_DIR SHOT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/gui-session.sh"
exe=$(realpath "$1") demo=$(realpath "$2") shots=$(realpath -m "$3")
mkdir -p "$shots"
work=$(mktemp -d /tmp/relvo-wizard-gui.XXXXXX)
ok= started=
key='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VORNEL 2.5'

# A folder of this machine as Wine names it through its drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Imports registry lines (UTF-8, after the header) into the prefix.
reg_import() {
  local f
  f=$(mktemp --suffix=.reg -p "$work")
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; printf '%s\r\n' "$@"; } |
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$f"
  wine regedit /S "$(winpath "$f")" >/dev/null 2>&1
}

# The prefix's drives and folders the test makes: links to its own copies.
links=()
prefix_link() {
  local at=$WINEPREFIX/$1
  if [ -e "$at" ] && [ ! -L "$at" ]; then
    echo "FAIL: $at exists in the GUI prefix and is not the test's" >&2
    exit 1
  fi
  ln -sfn "$2" "$at"
  links+=("$at")
}

cleanup() {
  if [ -n "$started" ]; then
    [ -n "$ok" ] || wineserver -k 2>/dev/null || true
    reg_import "[-$key]" '[HKEY_LOCAL_MACHINE\Software\Wine\Drives]' '"a:"=-' || true
    rm -f "${links[@]}"
  fi
  gui_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for f in "$work/relvo.log" "$work/out"; do [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }; done
  exit 1
}

# Finds the fixed texts in FILE, each on a line after the one before.
in_order() {
  local file=$1 at=0 n p
  shift
  for p in "$@"; do
    n=$(tail -n +$((at + 1)) "$file" | grep -nF -m1 -- "$p" | cut -d: -f1 || true)
    [ -n "$n" ] || fail "not found in order in $(basename "$file"): $p"
    at=$((at + n))
  done
}

# A listing of the product's files with their checksums.
snapshot() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0 md5sum); }

# The two disks, the program on the first, and the installed product.
cp -r "$demo/media/disk1" "$work/disk1"
cp -r "$demo/media/disk2" "$work/disk2"
cp "$exe" "$work/disk1/relvow.exe"
cp -r "$demo/product" "$work/VORNEL"

gui_start
started=1
# Drive A: is a floppy drive (GetDriveType says removable, so the update
# asks for each disk), with the first disk in it. The product is installed
# as C:\VORNEL, and drive D: holds the same folder under another name, to
# be typed. The machine's uninstall entry is the demo's, naming C:\VORNEL.
prefix_link dosdevices/a: "$work/disk1"
prefix_link dosdevices/d: "$work"
prefix_link drive_c/VORNEL "$work/VORNEL"
mapfile -t entry < <(iconv -f CP932 -t UTF-8 "$demo/uninstall.reg" | tr -d '\r' | tail -n +2)
reg_import "${entry[@]}" '' '[HKEY_LOCAL_MACHINE\Software\Wine\Drives]' '"a:"="floppy"'
# The mount manager reads the drive types when the prefix's services start.
timeout 60 wineserver -w || true

log=$work/relvo.log
cd "$work"
gui_run "$work/out" 'A:\relvow.exe' --log "$(winpath "$log")"

# Start page over the maximized main window: Enter presses "開始".
w=$(gui_wait_window "マスタ調整機能付" 30) || fail "no start page"
frame=$(gui_wait_window "VORNEL 3.0 アップデート") || fail "the main window is not titled from info.txt"
# Maximized: the frame covers the screen (its borders lie beyond it).
eval "$(xdotool getwindowgeometry --shell "$frame")"
screen=${RELVO_GUI_SCREEN%x*}
((WIDTH >= ${screen%x*} && HEIGHT >= ${screen#*x})) || fail "the main window is not maximized: ${WIDTH}x$HEIGHT"
gui_shot "$shots/start.png"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the start page stayed"

# Destination page, proposing the registry's folder: accepted as it is,
# the log names the folder the page gave.
w=$(gui_wait_window "アップデート") || fail "no destination page"
gui_shot "$shots/destination.png"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the destination page stayed"

# Confirmation page: Tab to "戻る", space presses it.
w=$(gui_wait_window "アップデート") || fail "no confirmation page"
gui_key "$w" Tab space
gui_wait_gone "$w" || fail "the confirmation page stayed"

# The destination page again: four Tabs reach "戻る" (drive list, folder
# list, path box, then the button): back to the start page.
w=$(gui_wait_window "アップデート") || fail "no destination page after the confirmation's back"
gui_key "$w" Tab Tab Tab Tab space
gui_wait_gone "$w" || fail "the destination page stayed after its back"
w=$(gui_wait_window "マスタ調整機能付") || fail "no start page after back"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the start page stayed"

# Forward, the folder walked by keys alone: Tab reaches the drive list,
# "d" moves to drive D: without choosing it, Space chooses it; Tab reaches
# the folder list, "v" moves to [VORNEL], Enter goes in, "d" and Enter into
# its Doc, a subfolder of the product. Tab and Enter accept it.
w=$(gui_wait_window "アップデート") || fail "no destination page after the start page"
gui_key "$w" Tab d space Tab v Return d Return
gui_shot "$shots/destination-keys.png"
gui_key "$w" Tab Return
gui_wait_gone "$w" || fail "the destination page stayed"
w=$(gui_wait_window "アップデート") || fail "no confirmation page for the walked folder"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the confirmation page stayed"

# The update refuses the subfolder with its fixed text; the reason, what it
# looked for and did not find, is in the view behind the page shown again.
w=$(gui_wait_window "エラー" 60) || fail "no box refusing the subfolder"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the refusal stayed"

# Forward with a typed folder: three Tabs reach the path box, which
# selects its whole text; typing replaces it.
w=$(gui_wait_window "アップデート") || fail "no destination page after the refusal"
gui_shot "$shots/reason.png"
gui_key "$w" Tab Tab Tab
gui_type "$w" 'D:\VORNEL'
gui_shot "$shots/destination-typed.png"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the destination page stayed"

# Confirmation page with the typed folder: Enter presses "更新".
w=$(gui_wait_window "アップデート") || fail "no confirmation page"
gui_shot "$shots/confirm.png"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the confirmation page stayed"

# The update asks for disk 2: the disk in drive A: is changed, then OK.
w=$(gui_wait_window "確認" 60) || fail "no disk prompt"
gui_shot "$shots/disk2.png"
ln -sfn "$work/disk2" "$WINEPREFIX/dosdevices/a:"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the disk prompt stayed"

# The update's last word; OK ends the program.
w=$(gui_wait_window "確認" 60) || fail "no message after the disk prompt"
gui_shot "$shots/done.png"
gui_key "$w" Return
status=0
gui_wait_exit 60 || status=$?
[ "$status" = 0 ] || fail "relvow.exe ended with status $status"

in_order "$log" \
  ": relvow --log " "media A:" "descriptor A:info.txt: 6 rows" \
  "page start: 1 (OK)" 'page destination: 1 (OK), folder C:\VORNEL' "page confirm: 2 (back)" \
  "page destination: 1008 (back)" "page start: 1 (OK)" 'page destination: 1 (OK), folder D:\VORNEL\Doc' \
  "page confirm: 1 (OK)" "box [エラー] ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。: OK" \
  'reason D:\VORNEL\Doc\vornel1.ini' "update returned 0: folder rejected" \
  'page destination: 1 (OK), folder D:\VORNEL' "page confirm: 1 (OK)" 'destination D:\VORNEL' \
  "box [確認] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。: OK" "row 5/6 extract A:SYS2.lzh" \
  "box [確認] システムは正常に更新されました。: OK" "update returned 1: updated" "end 0 (updated)"
[ "$(grep -c ' box ' "$log")" = 3 ] || fail "other message boxes than the refusal, the disk prompt and the last word"

# What the update changed in the product: the files of the archives and
# the single files, the settings edits of the digitizer edition, the voice
# data, and both conversions of the material master files.
changes=$(
  cd "$work/VORNEL"
  find . -type f | sort | while read -r f; do
    f=${f#./}
    if [ ! -e "$demo/product/$f" ]; then
      echo "added $f"
    elif ! cmp -s "$demo/product/$f" "$f"; then
      echo "replaced $f"
    fi
  done
)
want='replaced Doc/README.TXT
added Program/Help/help.txt
added Program/Help/index.txt
added Program/edition.txt
replaced Program/vornel.cfg
replaced Program/vornel.dat
added Sample/sample1.vdt
added Sample/sample2.vdt
replaced master1/zai001-3.mst
added master21/MASTER21.MST
replaced master21/zai001-3.mst
replaced vornel1.ini
added wave/hello.wav'
[ "$changes" = "$want" ] || fail "the product changed otherwise:
$changes"
settings=$(diff <(iconv -f CP932 -t UTF-8 "$demo/product/vornel1.ini" | tr -d '\r') \
                <(iconv -f CP932 -t UTF-8 "$work/VORNEL/vornel1.ini" | tr -d '\r') | grep '^[<>]' || true)
[ "$settings" = '< TITLE=VORNEL ﾌﾟﾛ 2.5
> TITLE=VORNEL ﾌﾟﾛ 2.5 with ﾍﾞﾙﾄﾗﾝ
> ﾃﾞｼﾞﾀｲｻﾞ=1
> ﾃﾞｼﾞﾀｲｻﾞMST=1' ] || fail "the settings were edited otherwise:
$settings"
# Each record: its length and its material code up to the type letter. The
# size conversion drops a byte from the records it touches; the type
# conversion turns "A" and "B" into "Z".
for m in master1 master21; do
  records=$(awk '{ sub(/\r$/, ""); printf "%d %s|", length($0), substr($0, 1, 14) }' "$work/VORNEL/$m/zai001-3.mst")
  [ "$records" = '185 400400000107 Z|185 400400000111 Z|185 400400000107 C|190 100200000107 Z|' ] ||
    fail "$m/zai001-3.mst was converted otherwise: $records"
done
xdotool search --name "^VORNEL 3.0 アップデート\$" >/dev/null 2>&1 && fail "the main window is still there"

# A second run from the first disk, cancelled on the start page ("取消",
# one Tab away from "開始"): the program ends and the product is as it was.
before=$(snapshot "$work/VORNEL")
ln -sfn "$work/disk1" "$WINEPREFIX/dosdevices/a:"
gui_run "$work/out" 'A:\relvow.exe' --log "$(winpath "$log")"
w=$(gui_wait_window "マスタ調整機能付" 30) || fail "no start page on the second run"
gui_key "$w" Tab space
status=0
gui_wait_exit 30 || status=$?
[ "$status" = 3 ] || fail "the cancelled run ended with status $status"
[ "$(snapshot "$work/VORNEL")" = "$before" ] || fail "the cancelled run changed the product"
in_order "$log" "end 0 (updated)" "page start: 2 (cancel)" "end 3 (cancelled)"
ok=1
echo "relvow.exe driven by keys through the update and a cancelled start; screenshots in $shots"
