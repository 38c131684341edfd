#!/bin/sh
# Remakes the picture fixtures in tests/data/picture with ImageMagick, an
# encoder independent of our reader: one 8-bit picture compressed with RLE8
# and the same picture uncompressed. Fixed seed, so a rerun gives the same
# pictures; see tests/data/picture/README.md.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../tests/data/picture}
mkdir -p "$out"
convert -seed 7 -size 37x13 xc:white -fill red -draw "rectangle 2,1 20,6" -fill blue -draw "line 0,12 36,0" \
  -fill "#00ff00" -draw "point 5,9" +noise Impulse -colors 12 -type Palette -compress RLE BMP3:"$out/rle8.bmp"
convert "$out/rle8.bmp" -type Palette -compress None BMP3:"$out/rle8-plain.bmp"
