// The in-memory device context: palette bookkeeping and a nearest-pixel
// stretch of device-independent bits onto an RGB surface.
#include "fw/console/memory_dc.h"

#include "base/sjis.h"

#include <bit>
#include <limits>

namespace relvo::fw {

class MemoryDc::MemoryPalette : public Palette {
 public:
  MemoryPalette(MemoryDc* owner, std::vector<PaletteEntry> entries) : owner_(owner), entries_(std::move(entries)) {}
  ~MemoryPalette() override {
    if (owner_) owner_->palette_destroyed(this);
  }
  const std::vector<PaletteEntry>& entries() const { return entries_; }

 private:
  MemoryDc* owner_;  // null for the stock palette, which the Dc itself owns
  std::vector<PaletteEntry> entries_;
};

namespace {

// The stock default palette: the twenty static colors of the system.
std::vector<PaletteEntry> default_palette_entries() {
  static const std::uint8_t rgb[20][3] = {
      {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
      {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
      {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
  };
  std::vector<PaletteEntry> v;
  for (const auto& c : rgb) v.push_back(PaletteEntry{c[0], c[1], c[2], 0});
  return v;
}

// Scales a channel value of n bits to 8 bits by repeating its bits.
std::uint32_t widen(std::uint32_t value, int n) {
  if (n <= 0) return 0;
  if (n >= 8) return (value >> (n - 8)) & 0xFF;
  std::uint32_t out = 0;
  for (int pos = 8 - n;; pos -= n) {
    out |= pos >= 0 ? value << pos : value >> -pos;
    if (pos <= 0) break;
  }
  return out & 0xFF;
}

std::uint32_t channel(std::uint32_t v, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int n = std::bit_width(mask >> shift);
  return widen((v & mask) >> shift, n);
}

std::uint32_t rgb_of(const std::uint8_t* quad) {
  return (std::uint32_t{quad[2]} << 16) | (std::uint32_t{quad[1]} << 8) | quad[0];
}

}  // namespace

std::uint32_t dib_pixel(const DibBits& dib, int x, int row) {
  const std::uint8_t* line = dib.bits + static_cast<std::size_t>(row) * dib.stride();
  std::uint32_t v = 0;
  switch (dib.bitCount) {
    case 1:
    case 4:
    case 8: {
      const int perByte = 8 / dib.bitCount;
      const int shift = 8 - dib.bitCount * (x % perByte + 1);
      const int index = (line[x / perByte] >> shift) & ((1 << dib.bitCount) - 1);
      return index < dib.colorCount ? rgb_of(dib.colors + 4 * index) : 0;
    }
    case 16:
      v = line[2 * x] | (std::uint32_t{line[2 * x + 1]} << 8);
      if (!dib.bitFields) return (widen((v >> 10) & 31, 5) << 16) | (widen((v >> 5) & 31, 5) << 8) | widen(v & 31, 5);
      break;
    case 24:
      return rgb_of(line + 3 * x);
    case 32:
      if (!dib.bitFields) return rgb_of(line + 4 * x);
      v = line[4 * x] | (std::uint32_t{line[4 * x + 1]} << 8) | (std::uint32_t{line[4 * x + 2]} << 16) |
          (std::uint32_t{line[4 * x + 3]} << 24);
      break;
    default:
      return 0;
  }
  return (channel(v, dib.redMask) << 16) | (channel(v, dib.greenMask) << 8) | channel(v, dib.blueMask);
}

bool dib_is_readable(const DibBits& dib) {
  switch (dib.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  if (dib.width <= 0 || dib.height <= 0 || dib.bits == nullptr) return false;
  if (dib.bitFields && ((dib.bitCount != 16 && dib.bitCount != 32) ||
                        (dib.redMask | dib.greenMask | dib.blueMask) == 0))
    return false;
  if (dib.colorCount < 0 || (dib.colorCount > 0 && dib.colors == nullptr)) return false;
  std::size_t rows = 0;
  if (__builtin_mul_overflow(dib.stride(), static_cast<std::size_t>(dib.height), &rows)) return false;
  return rows <= dib.bitsSize;
}

std::uint32_t apply_rop(std::uint32_t rop, std::uint32_t src, std::uint32_t dst, std::uint32_t pat) {
  const std::uint32_t index = (rop >> 16) & 0xFF;
  if (index == 0xCC) return src & 0xFFFFFF;
  // Bit i of the index is the result for pattern, source and destination
  // bits (i >> 2, i >> 1, i) & 1; sum the minterms that are set.
  std::uint32_t out = 0;
  for (int i = 0; i < 8; ++i) {
    if (!((index >> i) & 1)) continue;
    out |= ((i & 4) ? pat : ~pat) & ((i & 2) ? src : ~src) & ((i & 1) ? dst : ~dst);
  }
  return out & 0xFFFFFF;
}

MemoryDc::MemoryDc(int width, int height, std::uint32_t fill)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      pixels_(static_cast<std::size_t>(width_) * height_, fill & 0xFFFFFF),
      stock_(std::make_unique<MemoryPalette>(nullptr, default_palette_entries())),
      selected_(stock_.get()) {}

MemoryDc::~MemoryDc() = default;

const Palette* MemoryDc::selected_palette() const { return selected_; }

const std::vector<PaletteEntry>& MemoryDc::selected_entries() const { return selected_->entries(); }

std::unique_ptr<Palette> MemoryDc::create_palette(std::span<const PaletteEntry> entries) {
  if (entries.empty()) return nullptr;  // GDI refuses an empty palette too
  ++livePalettes_;
  return std::make_unique<MemoryPalette>(this, std::vector<PaletteEntry>(entries.begin(), entries.end()));
}

Palette& MemoryDc::stock_palette() { return *stock_; }

void MemoryDc::palette_destroyed(const MemoryPalette* p) {
  --livePalettes_;
  if (selected_ == p) {
    destroyedWhileSelected_ = true;
    selected_ = stock_.get();
  }
}

PaletteToken MemoryDc::select_palette(Palette& p, bool /*background*/) {
  const MemoryPalette* previous = selected_;
  selected_ = static_cast<const MemoryPalette*>(&p);
  return reinterpret_cast<PaletteToken>(previous);
}

void MemoryDc::restore_palette(PaletteToken previous) {
  selected_ = reinterpret_cast<const MemoryPalette*>(previous);
}

unsigned MemoryDc::realize_palette() {
  ++realizeCount_;
  return static_cast<unsigned>(selected_entries().size());
}

int MemoryDc::stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                               int srcWidth, int srcHeight, const DibBits& dib, std::uint32_t rop) {
  if (!dib_is_readable(dib)) return 0;
  if (destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return 0;
  constexpr std::uint32_t kWhiteBrush = 0xFFFFFF;
  // The source rectangle's top row, counted from the top of the picture.
  const std::int64_t top =
      dib.topDown ? std::int64_t{ySrc} : std::int64_t{dib.height} - ySrc - srcHeight;
  int rowsDrawn = 0;
  for (int dy = 0; dy < destHeight; ++dy) {
    const std::int64_t y = std::int64_t{yDest} + dy;
    if (y < 0 || y >= height_) continue;
    const std::int64_t visual = top + std::int64_t{dy} * srcHeight / destHeight;
    if (visual < 0 || visual >= dib.height) continue;
    const int row = dib.topDown ? static_cast<int>(visual) : dib.height - 1 - static_cast<int>(visual);
    ++rowsDrawn;
    std::uint32_t* out = &pixels_[static_cast<std::size_t>(y) * width_];
    for (int dx = 0; dx < destWidth; ++dx) {
      const std::int64_t x = std::int64_t{xDest} + dx;
      if (x < 0 || x >= width_) continue;
      const std::int64_t sx = std::int64_t{xSrc} + std::int64_t{dx} * srcWidth / destWidth;
      if (sx < 0 || sx >= dib.width) continue;
      out[x] = apply_rop(rop, dib_pixel(dib, static_cast<int>(sx), row), out[x], kWhiteBrush);
    }
  }
  return rowsDrawn;
}

int PictureSurface::stretch_dib_bits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                                     int srcWidth, int srcHeight, const DibBits& dib, std::uint32_t rop) {
  const int rows =
      MemoryDc::stretch_dib_bits(xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, dib, rop);
  drawn_ = drawn_ || rows > 0;
  return rows;
}

void PictureSurface::note_picture(const std::string& path) {
  const std::size_t sep = sjis::find_last_separator(path);
  name_ = sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace relvo::fw
