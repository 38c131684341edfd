#!/bin/bash
# Kills relvo update with -9 at random moments of a large update (and, every
# other time, relvo restore after it), then runs relvo restore: the product
# must be as before the update, names, bytes and read-only bits. Then sends
# Ctrl-C (SIGINT) at random moments: the update must end with 0 (done
# before), 3 (nothing changed yet) or 6 (stopped after changes), its log with
# its end line, and relvo restore must put the product back as well.
# Usage: scripts/restore-fault.sh RELVO [KILLS [CTRL_C]]
set -euo pipefail
relvo=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
kills=${2:-16}
interrupts=${3:-8}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT

"$root/scripts/make-large-update.sh" "$relvo" "$work/t" 300 40
t=$work/t
product=$t/product
cp -a "$product" "$work/fresh"

# The tree as text: every name with its kind and mode, every file's bytes.
snapshot() {
  (cd "$1" && find . -printf '%p %y %M\n' | LC_ALL=C sort && find . -type f -print0 | LC_ALL=C sort -z |
    xargs -0 md5sum)
}
snapshot "$product" >"$work/before"

fresh() {
  chmod -R u+w "$product" 2>/dev/null || true
  rm -rf "$product" "$t/points" "$t/log.txt"
  cp -a "$work/fresh" "$product"
}
# Each runs in a subshell of its own, which relvo replaces (exec): a signal
# sent to its process id reaches relvo. Background commands of a script
# ignore SIGINT unless told otherwise.
update() { exec env --default-signal=INT "$relvo" update --media "$t/media/disk1" --media "$t/media/disk2" --dest "$product" \
  --restore-point "$t/points" --log "$t/log.txt" "$@" >/dev/null 2>&1; }
restore() { exec "$relvo" restore --dest "$product" --restore-point "$t/points" >/dev/null 2>&1; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
random_below() { echo $(($(od -An -N4 -tu4 /dev/urandom) % $1)); }
ms() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }

# Kills "$@" after ms milliseconds with signal sig; its exit status.
run_killed() {  # sig ms command...
  local sig=$1 delay=$2
  shift 2
  ("$@") &
  local pid=$!
  sleep "$(ms "$delay")"
  kill "-$sig" "$pid" 2>/dev/null || true
  local status=0
  { wait "$pid" || status=$?; } 2>/dev/null  # no word from the shell of the kill
  echo "$status"
}

check() {  # what
  if ! snapshot "$product" | cmp -s - "$work/before"; then
    echo "FAIL: $1: the product differs from before the update" >&2
    snapshot "$product" | diff "$work/before" - | head -20 >&2
    exit 1
  fi
}

# How long a whole update and a whole restore take here.
fresh
start=$(now_ms)
(update)
full=$(($(now_ms) - start + 1))
start=$(now_ms)
(restore)
whole_restore=$(($(now_ms) - start + 1))
check "a whole update, then restore"
echo "update ${full} ms, restore ${whole_restore} ms"

for i in $(seq 1 "$kills"); do
  fresh
  at=$(random_below "$full")
  status=$(run_killed KILL "$at" update)
  what="kill -9 of the update at ${at} ms (status $status)"
  if [ $((i % 2)) -eq 0 ]; then
    at2=$(random_below "$whole_restore")
    run_killed KILL "$at2" restore >/dev/null
    what="$what and of the restore at ${at2} ms"
  fi
  (restore) || true  # 1: nothing to restore, killed before the first change
  check "$what"
done
echo "$kills kills: the product was put back each time"

declare -A seen=()
for i in $(seq 1 "$interrupts"); do
  fresh
  at=$(random_below "$full")
  status=$(run_killed INT "$at" update)
  case $status in
    0 | 3 | 6) ;;
    130) ;;  # before the update began (the pages): nothing to say, nothing changed
    *) echo "FAIL: Ctrl-C at ${at} ms: exit status $status" >&2; exit 1 ;;
  esac
  if [ "$status" != 130 ] && ! tail -n 1 "$t/log.txt" | grep -q " end $status "; then
    echo "FAIL: Ctrl-C at ${at} ms: the log does not end with its end line" >&2
    tail -n 3 "$t/log.txt" >&2
    exit 1
  fi
  seen[$status]=$((${seen[$status]:-0} + 1))
  (restore) || true
  check "Ctrl-C at ${at} ms (status $status)"
done
echo "$interrupts Ctrl-C: each run ended with its status and end line, and was put back" \
  "(exit statuses: $(for k in "${!seen[@]}"; do printf '%s x%s ' "$k" "${seen[$k]}"; done))"
