#!/usr/bin/env bash
# The wizard pages as real dialogs under Wine, driven by key presses and
# typing alone (scripts/gui-session.sh), with a screenshot of each page.
# Usage: tests/gui/pages_gui_test.sh SHOW_PAGES_EXE MEDIA_DIR SHOT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/gui-session.sh"
exe=$1 media=$2 shots=$3
mkdir -p "$shots"
work=$(mktemp -d)
trap 'gui_stop; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/log" >&2 || true; exit 1; }

gui_start
gui_run "$work/log" "$exe" "$(winepath -w "$media")\\" "$(winepath -w "$work")\\points\\"

# Start page: the media's notice and picture; Enter presses "開始".
w=$(gui_wait_window "マスタ調整機能付") || fail "no start page"
gui_shot "$shots/start.png" "$w"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the start page stayed"

# Destination page: Tab to the drive list, Down picks its first drive (the
# folder list fills), two Tabs more reach the path box, whose text typing
# replaces. C:\VORNEL3 has a restore point: "更新前に戻す" shows, the tab
# stop before the path box; Shift+Tab reaches it and Space checks it. Enter
# presses "次へ".
w=$(gui_wait_window "アップデート") || fail "no destination page"
gui_key "$w" Tab Down Tab Tab
gui_type "$w" 'C:\VORNEL3'
gui_key "$w" shift+Tab space
gui_shot "$shots/destination.png" "$w"
gui_key "$w" Return
gui_wait_gone "$w" || fail "the destination page stayed"

# Confirmation page: the typed folder, and that it will be restored; Enter
# presses "実行".
w=$(gui_wait_window "アップデート") || fail "no confirmation page"
gui_shot "$shots/confirm.png" "$w"
gui_key "$w" Return
gui_wait_exit 30 || fail "the program did not end well"

want=$'start=1\ndestination=1 path=C:\\VORNEL3 restore=1\nconfirm=1'
got=$(tr -d '\r' <"$work/log")
[ "$got" = "$want" ] || fail "the pages ended otherwise: $got"
echo "pages driven by keys; screenshots in $shots"
