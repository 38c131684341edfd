#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time over its
# corpus (fuzz/corpus/<target>/), after replaying the kept regression inputs.
# Usage: scripts/run-fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:-build/fuzz}; secs=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
ran=0
for t in "$build"/*_fuzz; do
  name=$(basename "$t"); corpus="$root/fuzz/corpus/${name%_fuzz}"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "--- $name: ${secs}s"
  "$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$work" 2>&1 | tail -n 3
  rm -rf "$work"
  ran=$((ran + 1))
done
echo "fuzz targets run: $ran"
