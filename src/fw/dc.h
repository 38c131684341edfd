// The device context as the system's drawing code sees it: logical palettes
// and the stretch of device-independent bits. Backends: fw/console (an
// in-memory RGB surface) and fw/win32 (GDI).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace relvo::fw {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Raster operations (the ternary codes GDI uses).
enum : std::uint32_t {
  kSrcCopy = 0x00CC0020,
  kSrcPaint = 0x00EE0086,
  kSrcAnd = 0x008800C6,
  kSrcInvert = 0x00660046,
  kNotSrcCopy = 0x00330008,
  kDstInvert = 0x00550009,
  kBlackness = 0x00000042,
  kWhiteness = 0x00FF0062,
};

// One entry of a logical palette.
struct PaletteEntry {
  std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
};

// A logical palette made by a Dc. Destroying the object deletes the
// palette; it must not be selected into its Dc then.
class Palette {
 public:
  virtual ~Palette() = default;
};

// Device-independent bits as the stretch reads them. Rows are padded to
// whole 32-bit words.
struct DibBits {
  int width = 0;              // pixels, > 0
  int height = 0;             // rows, > 0
  bool topDown = false;       // the first row in bits is the top one
  int bitCount = 0;           // 1, 4, 8, 16, 24 or 32
  bool bitFields = false;     // 16 and 32 bits: the masks give the channels
  std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  const std::uint8_t* colors = nullptr;  // color table: blue, green, red, reserved
  int colorCount = 0;
  const std::uint8_t* bits = nullptr;
  std::size_t bitsSize = 0;   // bytes at bits; must cover height rows

  std::size_t stride() const {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
  }
};

// What select_palette hands back: the palette that was selected before, to
// be given to restore_palette.
using PaletteToken = std::uintptr_t;

class Dc {
 public:
  virtual ~Dc() = default;

  // Makes a logical palette (version 0x300) of the entries. nullptr when
  // the device cannot make one. The caller owns it.
  virtual std::unique_ptr<Palette> create_palette(std::span<const PaletteEntry> entries) = 0;
  // The system's stock default palette; owned by the Dc, never deleted.
  virtual Palette& stock_palette() = 0;
  // Selects p into the device, as the foreground palette unless background.
  virtual PaletteToken select_palette(Palette& p, bool background) = 0;
  // Selects back the palette that select_palette reported.
  virtual void restore_palette(PaletteToken previous) = 0;
  // Maps the selected palette onto the device; returns the entries mapped.
  virtual unsigned realize_palette() = 0;

  // Stretches the source rectangle of dib onto the destination rectangle,
  // combining with raster operation rop; colors come from the color table
  // as RGB values. The source rectangle counts from the picture's origin:
  // the lower-left corner of a bottom-up picture, the upper-left of a
  // top-down one. Returns the rows drawn, 0 when nothing was.
  virtual int stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                               int srcWidth, int srcHeight, const DibBits& dib, std::uint32_t rop) = 0;

  // Names the picture file about to be drawn (CP932 path), for a device
  // that shows a name where it cannot show pixels (a text terminal). GDI
  // and memory surfaces ignore it.
  virtual void note_picture(const std::string& /*path*/) {}
};

// Keeps a palette selected for its own lifetime and selects the previous
// one back on every way out.
class PaletteSelection {
 public:
  PaletteSelection(Dc& dc, Palette& p, bool background) : dc_(dc), previous_(dc.select_palette(p, background)) {}
  ~PaletteSelection() { dc_.restore_palette(previous_); }
  PaletteSelection(const PaletteSelection&) = delete;
  PaletteSelection& operator=(const PaletteSelection&) = delete;

 private:
  Dc& dc_;
  PaletteToken previous_;
};

}  // namespace relvo::fw
