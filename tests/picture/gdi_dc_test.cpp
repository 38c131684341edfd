// The GDI device context against the in-memory surface: the same pictures
// drawn into a DIB section must give the same pixels, and the DC's palette
// must be the one it had before.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "fw/console/memory_dc.h"
#include "fw/win32/gdi_dc.h"
#include "picture/bmp_writer.h"
#include "picture/dib_draw.h"
#include "support/temp_dir.h"

namespace relvo::picture {
namespace {

using test::Bmp;

constexpr std::uint32_t kFill = 0x5A5A5A;

// A memory DC with a 32-bit top-down DIB section selected, so that the
// pixels can be read back.
class DibSurface {
 public:
  DibSurface(int w, int h) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bmp_);
    for (int i = 0; i < w * h; ++i) bits_[i] = kFill;
  }
  ~DibSurface() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  bool ok() const { return dc_ && bmp_ && bits_; }
  HDC dc() const { return dc_; }
  std::uint32_t pixel(int x, int y) const {
    GdiFlush();
    return bits_[y * w_ + x] & 0xFFFFFF;
  }

 private:
  int w_, h_;
  HDC dc_ = nullptr;
  HBITMAP bmp_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

TEST(GdiDc, DrawsTheSamePixelsAsTheMemorySurface) {
  struct Case {
    const char* name;
    Bmp bmp;
  };
  std::vector<Case> cases;
  auto base = [](std::uint16_t bits, int h) {
    Bmp b;
    b.width = 10;
    b.height = h;
    b.bitCount = bits;
    return b;
  };
  Bmp b = base(8, 5);
  for (int i = 0; i < 256; ++i) b.colors.push_back(static_cast<std::uint32_t>(i * 0x010307) & 0xFFFFFF);
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x * 37 + y * 11) & 0xFF); };
  cases.push_back({"8 bits", b});
  b = base(4, 5);
  for (int i = 0; i < 16; ++i) b.colors.push_back(static_cast<std::uint32_t>(i * 0x0F0E0D));
  b.sizeImage = 0;
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x + 3 * y) % 16); };
  cases.push_back({"4 bits, image size 0", b});
  b = base(1, 5);
  b.colors = {0x204060, 0xF0E0D0};
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x ^ y) & 1); };
  cases.push_back({"1 bit", b});
  b = base(24, 5);
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x190000 + y * 0x3100 + 0x42); };
  cases.push_back({"24 bits", b});
  b.height = -5;
  cases.push_back({"24 bits top-down", b});
  b = base(16, 5);
  b.compression = 3;
  b.masks = {0xF800, 0x07E0, 0x001F};
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x1841 + y * 0x2000) & 0xFFFF; };
  cases.push_back({"16 bits 5-6-5", b});
  b = base(16, 5);
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x0C21 + y * 0x1000) & 0x7FFF; };
  cases.push_back({"16 bits 5-5-5", b});
  b = base(32, -5);
  b.headerSize = 124;
  b.compression = 3;
  b.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 0x170000 + y * 0x2900 + 0x33); };
  cases.push_back({"32 bits V5", b});

  test::TempDir dir;
  FileSystem& fs = native_file_system();
  for (const Case& c : cases) {
    dir.write("g.bmp", c.bmp.bytes());
    // One to one, and stretched 4 across and 6 down.
    for (const fw::Rect r : {fw::Rect{0, 0, 10, 5}, fw::Rect{0, 0, 40, 30}}) {
      SCOPED_TRACE(testing::Message() << c.name << " into " << r.right << "x" << r.bottom);
      DibSurface surface(r.right + 1, r.bottom + 1);
      ASSERT_TRUE(surface.ok());
      const HGDIOBJ paletteBefore = GetCurrentObject(surface.dc(), OBJ_PAL);
      fw::GdiDc gdi(surface.dc());
      ASSERT_EQ(DrawDibFile(fs, gdi, r, dir / "g.bmp", fw::kSrcCopy), 1);
      EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_PAL), paletteBefore);

      fw::MemoryDc mem(r.right + 1, r.bottom + 1, kFill);
      ASSERT_EQ(DrawDibFile(fs, mem, r, dir / "g.bmp", fw::kSrcCopy), 1);
      for (int y = 0; y <= r.bottom; ++y)
        for (int x = 0; x <= r.right; ++x) ASSERT_EQ(surface.pixel(x, y), mem.pixel(x, y)) << "at " << x << "," << y;
    }
  }
}

// Our run-length decoding against GDI's own: the file's compressed bits
// handed to StretchDIBits as they are (BI_RLE8, BI_RLE4) and the file drawn
// through our reader onto the memory surface give the same pixels. GDI
// leaves the pixels the data skips alone, so color 0 is the surfaces' fill.
TEST(GdiDc, RunLengthPicturesAsGdiDecodesThem) {
  struct Case {
    const char* name;
    std::string file;
  };
  std::vector<Case> cases;
  auto rle = [](int bits, std::string packed) {
    Bmp b;
    b.width = 7;
    b.height = 4;
    b.bitCount = static_cast<std::uint16_t>(bits);
    b.compression = bits == 8 ? 1 : 2;
    b.colors.push_back(kFill);
    for (int i = 1; i < (1 << bits); ++i) b.colors.push_back(static_cast<std::uint32_t>(i * 0x0B1D2F) & 0xFFFFFF);
    b.packed = std::move(packed);
    return b.bytes();
  };
  cases.push_back({"RLE8 runs, absolute runs, delta, clipping",
                   rle(8, std::string("\x03\x05\x00\x03\x07\x08\x09\x00\x02\x0A\x00\x00\x00\x02\x02\x01"
                                      "\x09\x0B\x00\x00\x00\x08\x01\x02\x03\x04\x05\x06\x07\x08\x00\x01",
                                      32))});
  cases.push_back({"RLE4 runs, absolute runs, delta, clipping",
                   rle(4, std::string("\x05\x3C\x00\x00\x00\x05\x12\x34\x50\x00\x00\x02\x01\x01\x0A\x9E"
                                      "\x00\x01",
                                      18))});
  std::string magick;
  ASSERT_TRUE(read_whole_file(native_file_system(), test::test_data_dir() + "picture\\rle8.bmp", magick));
  cases.push_back({"RLE8 by ImageMagick", magick});

  test::TempDir dir;
  FileSystem& fs = native_file_system();
  for (const Case& c : cases) {
    dir.write("r.bmp", c.file);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(c.file.data() + 14);
    const int w = info->bmiHeader.biWidth, h = info->bmiHeader.biHeight;
    std::uint32_t off = 0;
    std::memcpy(&off, c.file.data() + 10, 4);
    for (const fw::Rect r : {fw::Rect{0, 0, w, h}, fw::Rect{0, 0, 3 * w, 2 * h}}) {
      // Wine stretches an RLE4 picture from its decoding buffer, where the
      // byte of an odd run's last pixel carries a stray nibble beside it;
      // that nibble is no pixel of the picture. One to one is the oracle there.
      if (info->bmiHeader.biCompression == BI_RLE4 && r.right != w) continue;
      SCOPED_TRACE(testing::Message() << c.name << " into " << r.right << "x" << r.bottom);
      DibSurface surface(r.right + 1, r.bottom + 1);
      ASSERT_TRUE(surface.ok());
      ASSERT_NE(StretchDIBits(surface.dc(), 0, 0, r.right, r.bottom, 0, 0, w, h, c.file.data() + off, info,
                              DIB_RGB_COLORS, SRCCOPY),
                0);
      fw::MemoryDc mem(r.right + 1, r.bottom + 1, kFill);
      ASSERT_EQ(DrawDibFile(fs, mem, r, dir / "r.bmp", fw::kSrcCopy), 1);
      for (int y = 0; y <= r.bottom; ++y)
        for (int x = 0; x <= r.right; ++x) ASSERT_EQ(surface.pixel(x, y), mem.pixel(x, y)) << "at " << x << "," << y;
    }
  }
}

TEST(GdiDc, RasterOperationReachesGdi) {
  Bmp b;
  b.pixel = [](int, int) { return 0x33CC0Fu; };
  test::TempDir dir;
  dir.write("r.bmp", b.bytes());
  DibSurface surface(1, 1);
  ASSERT_TRUE(surface.ok());
  fw::GdiDc gdi(surface.dc());
  ASSERT_EQ(DrawDibFile(native_file_system(), gdi, fw::Rect{0, 0, 1, 1}, dir / "r.bmp", fw::kSrcInvert), 1);
  EXPECT_EQ(surface.pixel(0, 0), 0x33CC0Fu ^ kFill);
}

}  // namespace
}  // namespace relvo::picture
