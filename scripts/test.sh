#!/usr/bin/env bash
# Runs every test: the native build, the sanitizer build (with bounded fuzz
# runs of every parser), and the Windows build under Wine. Installs what it
# needs first. Usage: scripts/test.sh [linux|linux-asan|mingw|fuzz]...
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
presets=("$@")
((${#presets[@]})) || presets=(linux linux-asan fuzz mingw)
for p in "${presets[@]}"; do
  echo "=== $p ==="
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
  case "$p" in
    fuzz) scripts/run-fuzz.sh build/fuzz "${RELVO_FUZZ_SECONDS:-12}" ;;
    mingw) scripts/wine-run.sh wineboot -i >/dev/null 2>&1 || true
           ctest --preset "$p" --no-tests=error ;;
    *) ctest --preset "$p" --no-tests=error ;;
  esac
done
echo "all test runs passed: ${presets[*]}"
