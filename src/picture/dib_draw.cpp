// DrawDibFile and its palette: read, select and realize the palette, stretch,
// and release everything on the way out.
#include "picture/dib_draw.h"

#include <new>
#include <optional>
#include <vector>

namespace relvo::picture {

DibPalette CreateDibPalette(fw::Dc& dc, const PictureBlock& block) {
  const DibHeader& h = block.header;
  if (block.error != DibError::kNone || block.bytes.size() < std::size_t{h.headerSize} + h.maskBytes + 4 * h.nColors ||
      h.headerSize < 40)
    return DibPalette();  // not a block that ReadDibFile filled
  const std::uint8_t* ih = block.bytes.data();
  const std::uint32_t clrUsed = std::uint32_t{ih[32]} | (std::uint32_t{ih[33]} << 8) |
                                (std::uint32_t{ih[34]} << 16) | (std::uint32_t{ih[35]} << 24);
  if (clrUsed == 0) return DibPalette(dc.stock_palette());
  // The table is blue, green, red, reserved; a palette entry is red, green,
  // blue, flags.
  std::vector<fw::PaletteEntry> entries;
  try {
    entries.resize(h.nColors);
  } catch (const std::bad_alloc&) {
    return DibPalette();
  }
  const std::uint8_t* table = ih + h.headerSize + h.maskBytes;
  for (std::uint32_t i = 0; i < h.nColors; ++i)
    entries[i] = fw::PaletteEntry{table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
  return DibPalette(dc.create_palette(entries));
}

int DrawDibFile(FileSystem& fs, fw::Dc& dc, const fw::Rect& rect, const std::string& path, std::uint32_t rop) {
  PictureBlock block;
  std::uint16_t bitsOffset = 0;
  if (!ReadDibFile(fs, path, block, bitsOffset)) return 0;
  dc.note_picture(path);

  const DibPalette palette = CreateDibPalette(dc, block);
  {
    // Selected as the foreground palette, and selected back before the
    // palette itself goes.
    std::optional<fw::PaletteSelection> selection;
    if (palette.get()) {
      selection.emplace(dc, *palette.get(), false);
      dc.realize_palette();
    }
    const fw::DibBits dib = DibBitsOf(block, bitsOffset);
    // The source is the whole picture; its size fits 16 bits by the
    // reader's limits.
    dc.stretch_dib_bits(rect.left, rect.top, rect.right, rect.bottom, 0, 0, dib.width, dib.height, dib, rop);
  }
  return 1;
}

}  // namespace relvo::picture
