#!/bin/sh
# Remakes the small LZH archives of tests/data/engine with jlha. Each archive
# holds flat members (no folders), so an "e" extraction and an "x" one agree.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/tests/data/engine"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# make NAME MEMBER=TEXT...: an archive NAME.lzh with one member per argument.
make() {
  name=$1; shift
  rm -rf "$work/m" && mkdir "$work/m"
  members=""
  for spec in "$@"; do
    file=${spec%%=*}
    printf '%s\n' "${spec#*=}" > "$work/m/$file"
    members="$members $file"
  done
  rm -f "$out/$name.lzh"
  (cd "$work/m" && jlha c "$work/$name.lzh" $members >/dev/null)
  mv "$work/$name.lzh" "$out/$name.lzh"
}

make SYS1 "prog.dat=program data of the update, program data of the update" "help.txt=help text"
make SYS2 "extra.dat=second disk data"
make START0 "start.dat=start variant 0"
make START3 "start.dat=start variant 3"
make START99 "start.dat=start variant 99"
make wave "voice1.wav=voice one" "voice2.wav=voice two"
ls -l "$out"
