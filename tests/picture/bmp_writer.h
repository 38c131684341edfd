// Writes bitmap files for the picture tests, field by field, so that each
// test can say exactly which header it hands the reader.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace relvo::test {

struct Bmp {
  std::int32_t width = 1;
  std::int32_t height = 1;             // negative: top-down
  std::uint16_t bitCount = 24;
  std::uint16_t planes = 1;
  std::uint32_t headerSize = 40;
  std::uint32_t compression = 0;       // 0 BI_RGB, 1 BI_RLE8, 2 BI_RLE4, 3 BI_BITFIELDS
  std::string packed;                  // when not empty: the (compressed) bits, in place of the rows
  std::uint32_t clrUsed = 0;
  std::int64_t sizeImage = -1;         // -1: the rows' real size; else written as is
  std::vector<std::uint32_t> masks;    // written after a 40-byte header, inside a longer one
  std::vector<std::uint32_t> colors;   // 0xRRGGBB, written blue, green, red, 0
  std::int64_t offBits = -1;           // -1: where the bits really start
  std::uint32_t gap = 0;               // bytes of 0xEE between the table and the bits
  // Pixel value (index or packed pixel) at x, y counted from the top.
  std::function<std::uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };

  std::size_t stride() const { return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4; }
  std::int64_t rows() const { return height < 0 ? -std::int64_t{height} : height; }

  // The whole file, or only its headers and table when withBits is false.
  std::string bytes(bool withBits = true) const {
    std::string out;
    auto put16 = [&](std::uint32_t v) { out += char(v & 0xFF); out += char((v >> 8) & 0xFF); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    const bool masksAfter = headerSize == 40 && !masks.empty();
    const std::size_t table = (masksAfter ? 12 : 0) + 4 * colors.size();
    const std::size_t realOff = 14 + headerSize + table + gap;
    const std::size_t imageBytes = packed.empty() ? stride() * rows() : packed.size();
    put16(0x4D42);
    put32(static_cast<std::uint32_t>(realOff + imageBytes));
    put32(0);
    put32(offBits < 0 ? static_cast<std::uint32_t>(realOff) : static_cast<std::uint32_t>(offBits));
    put32(headerSize);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(planes);
    put16(bitCount);
    put32(compression);
    put32(sizeImage < 0 ? static_cast<std::uint32_t>(imageBytes) : static_cast<std::uint32_t>(sizeImage));
    put32(2835);
    put32(2835);
    put32(clrUsed);
    put32(0);
    for (std::uint32_t at = 40; at < headerSize; at += 4)
      put32(!masksAfter && (at - 40) / 4 < masks.size() ? masks[(at - 40) / 4] : 0);
    if (masksAfter)
      for (int i = 0; i < 3; ++i) put32(masks[i]);
    for (std::uint32_t c : colors) put32(c & 0xFFFFFF);
    out.append(gap, '\xEE');
    if (!packed.empty()) return withBits ? out + packed : out;
    for (int r = 0; withBits && r < rows(); ++r) {
      const int y = height < 0 ? r : static_cast<int>(rows() - 1 - r);  // bottom-up files start with the bottom row
      std::string line(stride(), '\0');
      for (int x = 0; x < width; ++x) {
        const std::uint32_t v = pixel(x, y);
        switch (bitCount) {
          case 1: case 4: case 8: {
            const int per = 8 / bitCount;
            line[x / per] = char(line[x / per] | (v << (8 - bitCount * (x % per + 1))));
            break;
          }
          case 16: line[2 * x] = char(v); line[2 * x + 1] = char(v >> 8); break;
          case 24: for (int i = 0; i < 3; ++i) line[3 * x + i] = char(v >> (8 * i)); break;
          case 32: for (int i = 0; i < 4; ++i) line[4 * x + i] = char(v >> (8 * i)); break;
        }
      }
      out += line;
    }
    return out;
  }
};

}  // namespace relvo::test
