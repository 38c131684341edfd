#!/usr/bin/env bash
# The main job: builds relvo and runs it on the bundled demo media, first the
# media check, then the update itself on a fresh copy of the demo product.
# Installs what it needs first. Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake --preset linux >/dev/null
cmake --build --preset linux --target relvo
relvo=build/linux/relvo

echo "=== relvo check-media demo/media"
"$relvo" check-media demo/media

work=build/demo
rm -rf "$work"; mkdir -p "$work"
cp -r demo/product "$work/product"
mkdir -p "$work/product/wave"
prod=$(cd "$work/product" && pwd)
# The settings file names its master and wave folders with absolute paths.
sed -i "s#^MASTER=.*#MASTER=$prod/master\r#; s#^WAV=.*#WAV=$prod/wave\r#" "$prod/vornel1.ini"

echo "=== relvo check-media --product $prod --plan demo/media"
"$relvo" check-media --product "$prod" --plan demo/media

echo "=== relvo update --media demo/media --dest $prod"
RELVO_REMOVABLE=0 "$relvo" update --media demo/media --dest "$prod" </dev/null
echo "=== the updated product"
(cd "$prod" && find . -type f | sort)
