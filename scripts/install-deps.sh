#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those missing. Run as root.
#   scripts/install-deps.sh build   the native build (main job)
#   scripts/install-deps.sh test    everything the test runs need
set -euo pipefail
build=(cmake g++ make nlohmann-json3-dev libgtest-dev)
test=("${build[@]}" libgtest-dev googletest libbenchmark-dev clang libclang-rt-14-dev
      g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64
      jlha-utils lhasa libarchive-tools
      xvfb xdotool imagemagick x11-utils fonts-ipafont-gothic fonts-wine)
case "${1:-build}" in
  build) want=("${build[@]}") ;;
  test) want=("${test[@]}") ;;
  *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
