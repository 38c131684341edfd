// A device context on an RGB surface in memory: what the console front end
// draws on, and what the tests read back pixel by pixel.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fw/dc.h"

namespace relvo::fw {

// Pixels are 0x00RRGGBB. The surface is true-colour: selecting and
// realizing a palette changes no pixel (as on a true-colour display), but
// the selection is tracked so that callers can be checked for releasing
// what they made.
//
// The stretch picks source pixels the way Windows' default stretch does:
// destination pixel d of a span of n takes source pixel s0 + d * m / n of a
// source span of m (every source pixel repeated when enlarging, rows and
// columns dropped when shrinking). A non-positive width or height (which
// GDI takes as a mirror) draws nothing. The pattern of raster operations
// that use one is the default white brush.
class MemoryDc : public Dc {
 public:
  MemoryDc(int width, int height, std::uint32_t fill = 0);
  ~MemoryDc() override;

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void set_pixel(int x, int y, std::uint32_t rgb) { pixels_[static_cast<std::size_t>(y) * width_ + x] = rgb; }
  const std::vector<std::uint32_t>& pixels() const { return pixels_; }

  // Palettes made by create_palette and not yet destroyed.
  int live_palettes() const { return livePalettes_; }
  // The palette selected now (the stock one at first) and its entries.
  const Palette* selected_palette() const;
  const std::vector<PaletteEntry>& selected_entries() const;
  // How often a palette was realized while it was selected, and whether a
  // palette was ever destroyed while still selected (a GDI leak).
  int realize_count() const { return realizeCount_; }
  bool destroyed_while_selected() const { return destroyedWhileSelected_; }

  std::unique_ptr<Palette> create_palette(std::span<const PaletteEntry> entries) override;
  Palette& stock_palette() override;
  PaletteToken select_palette(Palette& p, bool background) override;
  void restore_palette(PaletteToken previous) override;
  unsigned realize_palette() override;
  int stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                       int srcHeight, const DibBits& dib, std::uint32_t rop) override;

  class MemoryPalette;

 private:
  friend class MemoryPalette;
  void palette_destroyed(const MemoryPalette* p);

  int width_, height_;
  std::vector<std::uint32_t> pixels_;
  std::unique_ptr<MemoryPalette> stock_;
  const MemoryPalette* selected_ = nullptr;
  int livePalettes_ = 0;
  int realizeCount_ = 0;
  bool destroyedWhileSelected_ = false;
};

// A memory surface for a console window or picture frame: remembers whether
// a picture was drawn on it and the file name (without folders) of the last
// picture noted, which the console shows where it cannot show colour.
class PictureSurface : public MemoryDc {
 public:
  using MemoryDc::MemoryDc;
  int stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                       int srcHeight, const DibBits& dib, std::uint32_t rop) override;
  void note_picture(const std::string& path) override;
  bool drawn() const { return drawn_; }
  const std::string& picture_name() const { return name_; }

 private:
  bool drawn_ = false;
  std::string name_;
};

// Decodes pixel x of source row `row` (as stored, 0 = first row in the bits)
// to 0x00RRGGBB. Indexes past the color table give black. The caller has
// checked that dib is well formed and x, row are inside it.
std::uint32_t dib_pixel(const DibBits& dib, int x, int row);

// True when dib describes bits a stretch may read: a supported bit count,
// positive sizes, masks for bit fields, a color table where one is needed
// and enough bytes for every row.
bool dib_is_readable(const DibBits& dib);

// Combines source and destination pixels (0x00RRGGBB) by the ternary raster
// operation rop, with pattern pat.
std::uint32_t apply_rop(std::uint32_t rop, std::uint32_t src, std::uint32_t dst, std::uint32_t pat);

}  // namespace relvo::fw
