#!/usr/bin/env bash
# The main job: builds relvo and runs the update wizard on the bundled demo
# media (two disks) over a fresh copy of the demo product, then shows what
# the update changed. Interactive when standard input is a terminal (answer
# the pages; "help" lists the actions), unattended otherwise. Installs what
# it needs first. Run as root on Debian 12, from anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target relvo
relvo=$PWD/build/linux/relvo
root=$PWD

echo "=== relvo check-media demo/media/disk1 demo/media/disk2"
"$relvo" check-media demo/media/disk1 demo/media/disk2

# The demo machine: drive C: is build/demo/C, where the product is
# installed as C:\VORNEL; its registry is demo/uninstall.reg, whose uninstall
# entry names that folder. Z: is / as under Wine.
work=$root/build/demo
prod=$work/C/VORNEL
rm -rf "$work"
mkdir -p "$work/C"
cp -r demo/product "$prod"
export RELVO_DRIVES="C=$work/C;Z=/"
export RELVO_REGISTRY=$root/demo/uninstall.reg
log=$work/relvo.log

# The two floppies are the folders disk1 and disk2: OK at the prompt for
# disk 2 puts the second folder in the drive.
args=(wizard --media demo/media/disk1 --media demo/media/disk2 --log "$log")
if [ -t 0 ]; then
  echo "=== relvo ${args[*]}"
  echo "(each page waits for an action: click 1 goes on, esc leaves; help lists them)"
else
  args+=(--unattended)
  echo "=== relvo ${args[*]}"
fi
status=0
"$relvo" "${args[@]}" || status=$?
names=(updated error "bad usage" cancelled rejected failed)
echo "=== relvo ended with status $status (${names[$status]:-?})"

echo "=== the log ($log)"
cat "$log"

echo "=== what the update changed in C:\\VORNEL ($prod)"
(cd "$prod" && find . -type f | sort) | while read -r f; do
  f=${f#./}
  if [ ! -e "demo/product/$f" ]; then
    echo "added     $f"
  elif ! cmp -s "demo/product/$f" "$prod/$f"; then
    echo "replaced  $f"
  fi
done
echo "--- settings edits (vornel1.ini)"
edits=$(diff <(iconv -f CP932 -t UTF-8 demo/product/vornel1.ini | tr -d '\r') \
             <(iconv -f CP932 -t UTF-8 "$prod/vornel1.ini" | tr -d '\r') | grep '^[<>]' || true)
echo "${edits:-(none)}"
# A record: its length without the line end, and its first 20 bytes (the
# material code and sub-code, the type letter at offset 13).
records() { awk '{ sub(/\r$/, ""); printf "%d bytes: %s...\n", length($0), substr($0, 1, 20) }' "$1"; }
for m in master1/zai001-3.mst master21/zai001-3.mst; do
  echo "--- converted master records ($m)"
  changed=$(paste -d'|' <(records "demo/product/$m") <(records "$prod/$m") |
            awk -F'|' '$1 != $2 { print "record " NR ": " $1 "  ->  " $2 }')
  echo "${changed:-(none)}"
done
exit 0
