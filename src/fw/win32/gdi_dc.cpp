// GDI backend of the device context: logical palettes and StretchDIBits with
// a BITMAPINFO built from the checked picture description.
#include "fw/win32/gdi_dc.h"

#include <cstring>
#include <vector>

namespace relvo::fw {

GdiPalette::~GdiPalette() {
  if (owned_ && h_) DeleteObject(h_);
}

GdiDc::GdiDc(HDC dc) : dc_(dc), stock_(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), false) {}

std::unique_ptr<Palette> GdiDc::create_palette(std::span<const PaletteEntry> entries) {
  if (entries.empty() || entries.size() > 0xFFFF) return nullptr;
  // LOGPALETTE: version, count, then the entries.
  std::vector<unsigned char> mem(offsetof(LOGPALETTE, palPalEntry) + entries.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(entries.size());
  PALETTEENTRY* pe = reinterpret_cast<PALETTEENTRY*>(mem.data() + offsetof(LOGPALETTE, palPalEntry));
  for (std::size_t i = 0; i < entries.size(); ++i)
    pe[i] = PALETTEENTRY{entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
  HPALETTE h = CreatePalette(lp);
  if (!h) return nullptr;
  return std::make_unique<GdiPalette>(h, true);
}

Palette& GdiDc::stock_palette() { return stock_; }

PaletteToken GdiDc::select_palette(Palette& p, bool background) {
  HPALETTE previous = SelectPalette(dc_, static_cast<GdiPalette&>(p).handle(), background ? TRUE : FALSE);
  return reinterpret_cast<PaletteToken>(previous);
}

void GdiDc::restore_palette(PaletteToken previous) {
  if (previous) SelectPalette(dc_, reinterpret_cast<HPALETTE>(previous), FALSE);
}

unsigned GdiDc::realize_palette() {
  const UINT n = RealizePalette(dc_);
  return n == GDI_ERROR ? 0 : n;
}

int GdiDc::stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                            int srcHeight, const DibBits& dib, std::uint32_t rop) {
  // GDI gets a plain 40-byte header whatever the file carried, followed by
  // the three masks or by the color table.
  const int tableEntries = dib.bitFields ? 3 : dib.colorCount;
  std::vector<unsigned char> mem(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * (tableEntries > 0 ? tableEntries : 1));
  auto* bi = reinterpret_cast<BITMAPINFO*>(mem.data());
  BITMAPINFOHEADER& h = bi->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = dib.width;
  h.biHeight = dib.topDown ? -dib.height : dib.height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(dib.bitCount);
  h.biCompression = dib.bitFields ? BI_BITFIELDS : BI_RGB;
  h.biSizeImage = static_cast<DWORD>(dib.stride() * static_cast<std::size_t>(dib.height));
  h.biClrUsed = dib.bitFields ? 0 : static_cast<DWORD>(dib.colorCount);
  unsigned char* table = mem.data() + sizeof(BITMAPINFOHEADER);
  if (dib.bitFields) {
    const DWORD masks[3] = {dib.redMask, dib.greenMask, dib.blueMask};
    std::memcpy(table, masks, sizeof masks);
  } else if (dib.colorCount > 0) {
    std::memcpy(table, dib.colors, sizeof(RGBQUAD) * static_cast<std::size_t>(dib.colorCount));
  }
  return StretchDIBits(dc_, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, dib.bits, bi,
                       DIB_RGB_COLORS, rop);
}

}  // namespace relvo::fw
