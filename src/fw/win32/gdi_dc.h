// The device context of the Win32 front end: GDI palettes and StretchDIBits
// on a window's or a memory device context.
#pragma once
#include "fw/win32/windows_api.h"

#include "fw/dc.h"

namespace relvo::fw {

// Owns one GDI palette (DeleteObject on destruction) unless it is a stock
// object, which is never deleted.
class GdiPalette : public Palette {
 public:
  GdiPalette(HPALETTE h, bool owned) : h_(h), owned_(owned) {}
  ~GdiPalette() override;
  GdiPalette(const GdiPalette&) = delete;
  GdiPalette& operator=(const GdiPalette&) = delete;
  HPALETTE handle() const { return h_; }

 private:
  HPALETTE h_;
  bool owned_;
};

// Draws on a device context that the caller owns (from BeginPaint, GetDC or
// CreateCompatibleDC) and keeps owning.
class GdiDc : public Dc {
 public:
  explicit GdiDc(HDC dc);
  HDC handle() const { return dc_; }

  std::unique_ptr<Palette> create_palette(std::span<const PaletteEntry> entries) override;
  Palette& stock_palette() override;
  PaletteToken select_palette(Palette& p, bool background) override;
  void restore_palette(PaletteToken previous) override;
  unsigned realize_palette() override;
  int stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                       int srcHeight, const DibBits& dib, std::uint32_t rop) override;

 private:
  HDC dc_;
  GdiPalette stock_;
};

}  // namespace relvo::fw
