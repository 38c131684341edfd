// The in-memory surface's own rules: clipping, the source rectangle's
// origin, and refusing bits that do not cover their rows.
#include <gtest/gtest.h>

#include <vector>

#include "fw/console/memory_dc.h"

namespace relvo::fw {
namespace {

// A 2x3 24-bit picture; pixel (x, y) from the top is 0x0000YX.
struct Picture {
  explicit Picture(bool topDown) {
    for (int r = 0; r < 3; ++r) {
      const int y = topDown ? r : 2 - r;
      for (int x = 0; x < 2; ++x) {
        bytes.push_back(static_cast<std::uint8_t>(y << 4 | x));
        bytes.push_back(0);
        bytes.push_back(0);
      }
      bytes.insert(bytes.end(), 2, 0);  // pad to 8
    }
    dib.width = 2;
    dib.height = 3;
    dib.topDown = topDown;
    dib.bitCount = 24;
    dib.bits = bytes.data();
    dib.bitsSize = bytes.size();
  }
  std::vector<std::uint8_t> bytes;
  DibBits dib;
};

TEST(MemoryDc, SourceRectangleCountsFromThePicturesOrigin) {
  // The lower-left corner of a bottom-up picture, the upper-left of a
  // top-down one: a 1x1 source at 0,0 is the bottom-left or top-left pixel.
  struct Case {
    bool topDown;
    int xSrc, ySrc;
    std::uint32_t want;
  } cases[] = {
      {false, 0, 0, 0x20}, {false, 1, 2, 0x01}, {true, 0, 0, 0x00}, {true, 1, 2, 0x21},
  };
  for (const Case& c : cases) {
    Picture p(c.topDown);
    MemoryDc dc(1, 1, 0xFFFFFF);
    EXPECT_EQ(dc.stretch_dib_bits(0, 0, 1, 1, c.xSrc, c.ySrc, 1, 1, p.dib, kSrcCopy), 1);
    EXPECT_EQ(dc.pixel(0, 0), c.want) << c.topDown << " " << c.xSrc << "," << c.ySrc;
  }
}

TEST(MemoryDc, ClipsToTheSurface) {
  Picture p(true);
  MemoryDc dc(3, 3, 0xFFFFFF);
  // Placed at -1, 1: only column 1 of the picture's top two rows lands.
  EXPECT_EQ(dc.stretch_dib_bits(-1, 1, 2, 3, 0, 0, 2, 3, p.dib, kSrcCopy), 2);
  const std::vector<std::uint32_t> want = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x01, 0xFFFFFF, 0xFFFFFF,
                                           0x11, 0xFFFFFF, 0xFFFFFF};
  EXPECT_EQ(dc.pixels(), want);
}

TEST(MemoryDc, RefusesBitsItCannotRead) {
  struct Case {
    const char* name;
    void (*change)(DibBits&);
  } cases[] = {
      {"bits one byte short", [](DibBits& d) { d.bitsSize -= 1; }},
      {"no bits", [](DibBits& d) { d.bits = nullptr; }},
      {"bit count 2", [](DibBits& d) { d.bitCount = 2; }},
      {"masks at 24 bits", [](DibBits& d) { d.bitFields = true; d.redMask = 0xFF; }},
      {"indexed without a table", [](DibBits& d) { d.bitCount = 8; d.colorCount = 4; }},
      {"zero width", [](DibBits& d) { d.width = 0; }},
      {"huge height", [](DibBits& d) { d.height = 0x7FFFFFFF; }},
  };
  for (const Case& c : cases) {
    Picture p(false);
    c.change(p.dib);
    MemoryDc dc(2, 3, 0xABCDEF);
    EXPECT_EQ(dc.stretch_dib_bits(0, 0, 2, 3, 0, 0, 2, 3, p.dib, kSrcCopy), 0) << c.name;
    for (std::uint32_t px : dc.pixels()) EXPECT_EQ(px, 0xABCDEFu) << c.name;
  }
}

}  // namespace
}  // namespace relvo::fw
