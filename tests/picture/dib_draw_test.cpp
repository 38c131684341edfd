// DrawDibFile on the in-memory surface: every pixel checked, for each pixel
// format, the row order, the stretch, the palette and the raster operation.
#include <gtest/gtest.h>

#include "fw/console/memory_dc.h"
#include "picture/bmp_writer.h"
#include "picture/dib_draw.h"
#include "support/temp_dir.h"

namespace relvo::picture {
namespace {

using fw::MemoryDc;
using fw::Rect;
using test::Bmp;
using test::TempDir;

constexpr std::uint32_t kFill = 0x5A5A5A;

// Keeps what was selected and realized when the stretch ran.
class WatchingDc : public MemoryDc {
 public:
  using MemoryDc::MemoryDc;
  int stretch_dib_bits(int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs, const fw::DibBits& dib,
                       std::uint32_t rop) override {
    ++stretches;
    entriesAtStretch = selected_entries();
    stockAtStretch = selected_palette() == &stock_palette();
    realizedAtStretch = realize_count();
    source = {xs, ys, ws, hs};
    return MemoryDc::stretch_dib_bits(xd, yd, wd, hd, xs, ys, ws, hs, dib, rop);
  }
  int stretches = 0;
  std::vector<fw::PaletteEntry> entriesAtStretch;
  bool stockAtStretch = false;
  int realizedAtStretch = 0;
  Rect source;
};

int draw(const TempDir& dir, const std::string& bytes, fw::Dc& dc, Rect r, std::uint32_t rop = fw::kSrcCopy) {
  dir.write("pic.bmp", bytes);
  return DrawDibFile(native_file_system(), dc, r, dir / "pic.bmp", rop);
}

// Nothing the draw made may outlive it, whatever it returned.
void expect_released(const MemoryDc& dc) {
  EXPECT_EQ(dc.live_palettes(), 0);
  EXPECT_FALSE(dc.destroyed_while_selected());
  EXPECT_EQ(dc.selected_palette(), &const_cast<MemoryDc&>(dc).stock_palette());
}

std::uint32_t pattern(int x, int y) { return static_cast<std::uint32_t>(x * 5 + y * 3); }

TEST(DrawDibFile, EveryPixelFormatOneToOne) {
  const int w = 7, h = 5;  // odd width: every row is padded
  struct Case {
    const char* name;
    Bmp bmp;
    std::function<std::uint32_t(int, int)> expect;
  };
  std::vector<Case> cases;
  const std::vector<std::uint32_t> sixteen = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                              0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                              0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  auto base = [&](std::uint16_t bits) {
    Bmp b;
    b.width = w;
    b.height = h;
    b.bitCount = bits;
    return b;
  };
  {
    Bmp b = base(1);
    b.colors = {0x123456, 0xABCDEF};
    b.pixel = [](int x, int y) { return pattern(x, y) % 2; };
    cases.push_back({"1 bit", b, [](int x, int y) { return pattern(x, y) % 2 ? 0xABCDEFu : 0x123456u; }});
  }
  {
    Bmp b = base(4);
    b.colors = sixteen;
    b.sizeImage = 0;
    b.pixel = [](int x, int y) { return pattern(x, y) % 16; };
    cases.push_back({"4 bits, image size 0", b, [=](int x, int y) { return sixteen[pattern(x, y) % 16]; }});
  }
  {
    Bmp b = base(8);
    for (int i = 0; i < 256; ++i) b.colors.push_back(static_cast<std::uint32_t>(i * 0x010101) ^ 0x00FF00);
    b.gap = 6;  // bits found through the file's offset
    b.pixel = [](int x, int y) { return (pattern(x, y) * 11) & 0xFF; };
    cases.push_back({"8 bits, 256 colors", b, [](int x, int y) {
                       return ((pattern(x, y) * 11) & 0xFF) * 0x010101u ^ 0x00FF00u;
                     }});
  }
  {
    // Three colors used: index 3 and up has no entry and shows black.
    Bmp b = base(8);
    b.clrUsed = 3;
    b.colors = {0xFF0000, 0x00FF00, 0x0000FF};
    b.pixel = [](int x, int y) { return pattern(x, y) % 4; };
    cases.push_back({"8 bits, 3 colors", b, [](int x, int y) {
                       const std::uint32_t t[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0};
                       return t[pattern(x, y) % 4];
                     }});
  }
  {
    Bmp b = base(24);
    b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x230000 + y * 0x001900 + 0x07); };
    cases.push_back({"24 bits", b, [](int x, int y) { return static_cast<std::uint32_t>(x * 0x230000 + y * 0x001900 + 0x07); }});
    b.height = -h;
    cases.push_back({"24 bits top-down", b, [](int x, int y) { return static_cast<std::uint32_t>(x * 0x230000 + y * 0x001900 + 0x07); }});
  }
  {
    // 5-5-5: a channel of 16 widens to 0x84, 31 to 0xFF.
    Bmp b = base(16);
    b.pixel = [](int x, int) { return x % 2 ? (31u << 10) | (16u << 5) : 16u; };
    cases.push_back({"16 bits 5-5-5", b, [](int x, int) { return x % 2 ? 0xFF8400u : 0x000084u; }});
  }
  {
    // 5-6-5 masks after a 40-byte header: a green of 32 widens to 0x82.
    Bmp b = base(16);
    b.compression = 3;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixel = [](int x, int) { return x % 2 ? 0xF800u | (32u << 5) : 0x001Fu; };
    cases.push_back({"16 bits 5-6-5 masks", b, [](int x, int) { return x % 2 ? 0xFF8200u : 0x0000FFu; }});
  }
  {
    Bmp b = base(32);
    b.pixel = [](int x, int y) { return 0xFF000000u | static_cast<std::uint32_t>(x * 0x210000 + y * 0x3300 + 0x11); };
    cases.push_back({"32 bits", b, [](int x, int y) { return static_cast<std::uint32_t>(x * 0x210000 + y * 0x3300 + 0x11); }});
  }
  {
    // Red and blue swapped by the masks of a V5 header, top-down.
    Bmp b = base(32);
    b.headerSize = 124;
    b.compression = 3;
    b.height = -h;
    b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(0x10 + x) | (0x20u + y) << 8 | 0x300000u; };
    cases.push_back({"32 bits V5 masks", b, [](int x, int y) {
                       return static_cast<std::uint32_t>(0x10 + x) << 16 | (0x20u + y) << 8 | 0x30u;
                     }});
  }
  {
    Bmp b = base(8);
    b.headerSize = 108;
    b.colors = {0x111111, 0x222222, 0x333333, 0x444444};
    b.clrUsed = 4;
    b.offBits = 0;
    b.pixel = [](int x, int y) { return pattern(x, y) % 4; };
    cases.push_back({"V4 header, bits offset 0", b, [](int x, int y) { return 0x111111u * (pattern(x, y) % 4 + 1); }});
  }

  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryDc dc(w + 2, h + 2, kFill);
    ASSERT_EQ(draw(dir, c.bmp.bytes(), dc, Rect{0, 0, w, h}), 1);
    for (int y = 0; y < h + 2; ++y)
      for (int x = 0; x < w + 2; ++x) {
        const std::uint32_t want = (x < w && y < h) ? c.expect(x, y) : kFill;
        ASSERT_EQ(dc.pixel(x, y), want) << "at " << x << "," << y;
      }
    expect_released(dc);
  }
}

TEST(DrawDibFile, FirstRowOfABottomUpFileIsTheBottom) {
  // Written by hand: a 1x2 24-bit picture whose first row is red and second
  // blue; drawn, blue is on top.
  std::string f = std::string("BM") + std::string(8, '\0') + std::string("\x36\0\0\0", 4);
  const unsigned char ih[40] = {40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
  f.append(reinterpret_cast<const char*>(ih), 40);
  f += std::string("\x00\x00\xFF\x00", 4) + std::string("\xFF\x00\x00\x00", 4);
  TempDir dir;
  MemoryDc dc(1, 2);
  ASSERT_EQ(draw(dir, f, dc, Rect{0, 0, 1, 2}), 1);
  EXPECT_EQ(dc.pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(dc.pixel(0, 1), 0xFF0000u);
}

TEST(DrawDibFile, StretchesIntoTheRectangle) {
  Bmp b;
  b.width = 100;
  b.height = 50;
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x << 16 | y << 8 | ((x * y) & 0xFF)); };
  const std::string bytes = b.bytes();
  struct Case {
    Rect rect;
    int surfaceW, surfaceH;
  } cases[] = {
      {{0, 0, 400, 300}, 400, 300},  // the view's client area: 4 across, 6 down
      {{0, 0, 50, 25}, 60, 30},      // halved: every other row and column
      {{10, 20, 200, 100}, 220, 130},  // left, top move the picture; right, bottom are its size
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rect.right << "x" << c.rect.bottom);
    WatchingDc dc(c.surfaceW, c.surfaceH, kFill);
    ASSERT_EQ(draw(dir, bytes, dc, c.rect), 1);
    EXPECT_EQ(dc.source.left, 0);
    EXPECT_EQ(dc.source.top, 0);
    EXPECT_EQ(dc.source.right, 100);
    EXPECT_EQ(dc.source.bottom, 50);
    for (int y = 0; y < c.surfaceH; ++y)
      for (int x = 0; x < c.surfaceW; ++x) {
        const int dx = x - c.rect.left, dy = y - c.rect.top;
        std::uint32_t want = kFill;
        if (dx >= 0 && dy >= 0 && dx < c.rect.right && dy < c.rect.bottom) {
          const int sx = dx * 100 / c.rect.right, sy = dy * 50 / c.rect.bottom;
          want = static_cast<std::uint32_t>(sx << 16 | sy << 8 | ((sx * sy) & 0xFF));
        }
        ASSERT_EQ(dc.pixel(x, y), want) << "at " << x << "," << y;
      }
  }
}

TEST(DrawDibFile, PaletteFromTheTableOrTheStockOne) {
  struct Case {
    const char* name;
    Bmp bmp;
    bool stock;
    std::size_t entries;
  };
  Bmp eight;
  eight.width = 2;
  eight.height = 2;
  eight.bitCount = 8;
  for (int i = 0; i < 256; ++i) eight.colors.push_back(static_cast<std::uint32_t>(i << 16 | (255 - i) << 8 | (i * 3 & 0xFF)));
  Bmp four = eight;
  four.bitCount = 4;
  four.colors.resize(16);
  Bmp hinted;  // 24 bits with a color table: its own palette
  hinted.clrUsed = 2;
  hinted.colors = {0x102030, 0x405060};
  const Case cases[] = {
      {"8 bits, color-used 0", eight, false, 256},
      {"4 bits", four, false, 16},
      {"24 bits without table", Bmp{}, true, 20},
      {"24 bits with a table", hinted, false, 2},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WatchingDc dc(4, 4);
    ASSERT_EQ(draw(dir, c.bmp.bytes(), dc, Rect{0, 0, 4, 4}), 1);
    EXPECT_EQ(dc.stretches, 1);
    EXPECT_EQ(dc.stockAtStretch, c.stock);
    EXPECT_EQ(dc.realizedAtStretch, 1);
    ASSERT_EQ(dc.entriesAtStretch.size(), c.entries);
    // Entry i holds table entry i, turned round from blue, green, red.
    for (std::size_t i = 0; !c.stock && i < c.entries; ++i) {
      const fw::PaletteEntry& e = dc.entriesAtStretch[i];
      const std::uint32_t rgb = c.bmp.colors[i];
      ASSERT_EQ((std::uint32_t{e.red} << 16) | (e.green << 8) | e.blue, rgb) << "entry " << i;
      ASSERT_EQ(e.flags, 0);
    }
    expect_released(dc);
  }
}

TEST(DrawDibFile, CallersRasterOperation) {
  const std::uint32_t src = 0x33CC0F, dst = 0x5A0FF0;
  struct Case {
    std::uint32_t rop;
    std::uint32_t want;
  } cases[] = {
      {fw::kSrcCopy, src},
      {fw::kSrcInvert, src ^ dst},
      {fw::kSrcAnd, src & dst},
      {fw::kSrcPaint, src | dst},
      {fw::kNotSrcCopy, ~src & 0xFFFFFF},
      {fw::kDstInvert, ~dst & 0xFFFFFF},
      {fw::kBlackness, 0},
      {fw::kWhiteness, 0xFFFFFF},
  };
  Bmp b;
  b.pixel = [=](int, int) { return src; };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.rop);
    MemoryDc dc(2, 2, dst);
    ASSERT_EQ(draw(dir, b.bytes(), dc, Rect{0, 0, 2, 2}, c.rop), 1);
    for (std::uint32_t p : dc.pixels()) EXPECT_EQ(p, c.want);
  }
}

TEST(DrawDibFile, UnreadablePicturesDrawNothing) {
  Bmp sound;
  sound.width = 3;
  sound.height = 3;
  sound.bitCount = 8;
  sound.colors.assign(256, 0xFFFFFF);
  const std::string whole = sound.bytes();
  std::string notBm = whole;
  notBm[0] = 'M';
  notBm[1] = 'B';
  std::string core = whole;
  core[14] = 12;
  // A width far beyond the bits the header's image size covers.
  Bmp lying = sound;
  lying.width = 3000;
  lying.sizeImage = 12;
  std::string lyingBytes = lying.bytes(false) + std::string(12, '\x01');
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"not BM", notBm},
      {"core header", core},
      {"cut in the bits", whole.substr(0, whole.size() - 1)},
      {"cut in the table", whole.substr(0, 54 + 500)},
      {"empty", ""},
      {"image size short of the rows", lyingBytes},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WatchingDc dc(8, 8, kFill);
    EXPECT_EQ(draw(dir, c.bytes, dc, Rect{0, 0, 8, 8}), 0);
    EXPECT_EQ(dc.stretches, 0);
    for (std::uint32_t p : dc.pixels()) ASSERT_EQ(p, kFill);
    expect_released(dc);
  }
  MemoryDc dc(2, 2, kFill);
  EXPECT_EQ(DrawDibFile(native_file_system(), dc, Rect{0, 0, 2, 2}, dir / "missing.bmp", fw::kSrcCopy), 0);
  EXPECT_EQ(DrawDibFile(native_file_system(), dc, Rect{0, 0, 2, 2}, "", fw::kSrcCopy), 0);
}

// A device that cannot make palettes still gets the picture drawn, with no
// palette selected.
TEST(DrawDibFile, DrawsWithoutAPaletteWhenNoneCanBeMade) {
  class NoPaletteDc : public WatchingDc {
   public:
    using WatchingDc::WatchingDc;
    std::unique_ptr<fw::Palette> create_palette(std::span<const fw::PaletteEntry>) override { return nullptr; }
  };
  Bmp b;
  b.bitCount = 8;
  b.colors = {0x00FF00};
  b.clrUsed = 1;
  TempDir dir;
  NoPaletteDc dc(1, 1);
  EXPECT_EQ(draw(dir, b.bytes(), dc, Rect{0, 0, 1, 1}), 1);
  EXPECT_EQ(dc.pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(dc.realizedAtStretch, 0);
  expect_released(dc);
}

}  // namespace
}  // namespace relvo::picture
