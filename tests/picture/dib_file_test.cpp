// The bitmap reader: what it refuses, where it takes the bits from, and how
// it reads (never more than 32768 bytes at a time, whole or not at all).
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "picture/bmp_writer.h"
#include "picture/dib_file.h"
#include "picture/picture_report.h"
#include "support/temp_dir.h"

namespace relvo::picture {
namespace {

using test::Bmp;
using test::TempDir;

// Hands out the bytes of a string, at most `slice` per read call, and keeps
// the largest request it saw. Optionally fails once `failAt` bytes are gone.
class StringReader : public FileReader {
 public:
  StringReader(std::string data, std::size_t slice = SIZE_MAX, std::size_t failAt = SIZE_MAX)
      : data_(std::move(data)), slice_(slice), failAt_(failAt) {}
  std::size_t read(void* buf, std::size_t n) override {
    largest = std::max(largest, n);
    ++calls;
    if (pos_ >= failAt_) throw FileError(FileError::Op::Read, "mem");
    const std::size_t k = std::min({n, slice_, data_.size() - pos_});
    std::memcpy(buf, data_.data() + pos_, k);
    pos_ += k;
    return k;
  }
  std::size_t largest = 0;
  int calls = 0;

 private:
  std::string data_;
  std::size_t pos_ = 0, slice_, failAt_;
};

Bmp eight_bit(int w, int h) {
  Bmp b;
  b.width = w;
  b.height = h;
  b.bitCount = 8;
  for (int i = 0; i < 256; ++i) b.colors.push_back(0x010203u * static_cast<std::uint32_t>(i));
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF); };
  return b;
}

TEST(ReadFileChunked, WholeOrNothingInPiecesOf32768) {
  struct Case {
    std::uint32_t count;
    std::size_t available;
    std::size_t slice;  // what the source hands out per call at most
    bool whole;
  } cases[] = {
      {1, 1, SIZE_MAX, true},          {32767, 32767, SIZE_MAX, true},   {32768, 32768, SIZE_MAX, true},
      {32769, 32769, SIZE_MAX, true},  {65536, 65536, SIZE_MAX, true},   {65537, 70000, SIZE_MAX, true},
      {100000, 100000, 1000, true},    {32768, 32767, SIZE_MAX, false},  {65536, 40000, SIZE_MAX, false},
      {65537, 65536, SIZE_MAX, false}, {10, 0, SIZE_MAX, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "count " << c.count << " available " << c.available);
    std::string data(c.available, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
    StringReader r(data, c.slice);
    std::vector<std::uint8_t> dest = {0xAA};  // reads append after what is there
    EXPECT_EQ(ReadFileChunked(r, dest, c.count), c.whole ? c.count : 0u);
    EXPECT_LE(r.largest, 32768u);
    if (c.whole) {
      ASSERT_EQ(dest.size(), c.count + 1u);
      EXPECT_EQ(dest[0], 0xAA);
      EXPECT_EQ(0, std::memcmp(dest.data() + 1, data.data(), c.count));
    }
  }
}

TEST(ReadFileChunked, ReadFailureIsAShortRead) {
  StringReader r(std::string(50000, 'x'), 10000, 20000);
  std::vector<std::uint8_t> dest;
  EXPECT_EQ(ReadFileChunked(r, dest, 50000), 0u);
}

// One header field changed from a sound 8-bit picture, and what the reader
// must say about it.
TEST(ReadDibFile, RefusesHeadersItCannotTrust) {
  struct Case {
    const char* name;
    std::function<void(Bmp&)> change;
    DibError error;
  } cases[] = {
      {"core header", [](Bmp& b) { b.headerSize = 12; }, DibError::kCoreHeader},
      {"header 39", [](Bmp& b) { b.headerSize = 39; }, DibError::kHeaderSize},
      {"header 44", [](Bmp& b) { b.headerSize = 44; }, DibError::kHeaderSize},
      {"header 64 (OS/2)", [](Bmp& b) { b.headerSize = 64; }, DibError::kHeaderSize},
      {"header 4G", [](Bmp& b) { b.headerSize = 0xFFFFFFF0u; }, DibError::kHeaderSize},
      {"planes 0", [](Bmp& b) { b.planes = 0; }, DibError::kPlanes},
      {"bit count 0", [](Bmp& b) { b.bitCount = 0; }, DibError::kBitCount},
      {"bit count 2", [](Bmp& b) { b.bitCount = 2; }, DibError::kBitCount},
      {"bit count 64", [](Bmp& b) { b.bitCount = 64; }, DibError::kBitCount},
      {"RLE4 at 8 bits", [](Bmp& b) { b.compression = 2; }, DibError::kCompression},
      {"RLE8 at 4 bits", [](Bmp& b) { b.compression = 1; b.bitCount = 4; b.clrUsed = 16; }, DibError::kCompression},
      {"RLE8 top-down", [](Bmp& b) { b.compression = 1; b.height = -3; }, DibError::kCompression},
      {"RLE8 without its size", [](Bmp& b) { b.compression = 1; b.sizeImage = 0; }, DibError::kImageSize},
      {"bit fields at 8 bits", [](Bmp& b) { b.compression = 3; }, DibError::kCompression},
      {"PNG", [](Bmp& b) { b.compression = 5; }, DibError::kCompression},
      {"width 0", [](Bmp& b) { b.width = 0; }, DibError::kDimensions},
      {"width negative", [](Bmp& b) { b.width = -4; }, DibError::kDimensions},
      {"width 16385", [](Bmp& b) { b.width = 16385; b.sizeImage = 4; }, DibError::kDimensions},
      {"height 0", [](Bmp& b) { b.height = 0; }, DibError::kDimensions},
      {"height 16385", [](Bmp& b) { b.height = 16385; b.sizeImage = 4; }, DibError::kDimensions},
      {"height -16385", [](Bmp& b) { b.height = -16385; b.sizeImage = 4; }, DibError::kDimensions},
      {"height INT_MIN", [](Bmp& b) { b.height = INT32_MIN; b.sizeImage = 4; }, DibError::kDimensions},
      {"257 colors at 8 bits", [](Bmp& b) { b.clrUsed = 257; }, DibError::kColorCount},
      {"65537 colors (low 16 bits 1)", [](Bmp& b) { b.clrUsed = 65537; }, DibError::kColorCount},
      {"17 colors at 4 bits", [](Bmp& b) { b.bitCount = 4; b.clrUsed = 17; }, DibError::kColorCount},
      {"3 colors at 1 bit", [](Bmp& b) { b.bitCount = 1; b.clrUsed = 3; }, DibError::kColorCount},
      {"257 colors at 24 bits", [](Bmp& b) { b.bitCount = 24; b.clrUsed = 257; }, DibError::kColorCount},
      // A small image size with a large width: the rows would be read past
      // the bits.
      {"image size short of the rows", [](Bmp& b) { b.width = 4000; b.sizeImage = 16; }, DibError::kImageSize},
      {"image size one short", [](Bmp& b) { b.sizeImage = 4 * 3 - 1; }, DibError::kImageSize},
      {"image size beyond the limit", [](Bmp& b) { b.sizeImage = kMaxImageSize + 1; }, DibError::kImageSize},
      {"rows beyond the limit", [](Bmp& b) { b.width = 16384; b.height = 16384; b.bitCount = 32; b.colors.clear(); },
       DibError::kImageSize},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp b = eight_bit(4, 3);
    c.change(b);
    // Only the header matters: it goes over a sound 1x1 picture, so the
    // file stays small whatever the header claims.
    const std::uint32_t headerSize = b.headerSize;
    b.headerSize = 40;
    Bmp small = eight_bit(1, 1);
    std::string bytes = small.bytes();
    bytes.replace(0, 54, b.bytes(false).substr(0, 54));
    for (int i = 0; i < 4; ++i) bytes[14 + i] = static_cast<char>(headerSize >> (8 * i));
    dir.write("bad.bmp", bytes);
    PictureBlock block;
    std::uint16_t off = 0;
    EXPECT_EQ(ReadDibFile(native_file_system(), dir / "bad.bmp", block, off), 0);
    EXPECT_EQ(block.error, c.error) << DibErrorText(block.error);
  }
}

TEST(ReadDibFile, RefusesUnsoundMasks) {
  struct Case {
    const char* name;
    std::uint16_t bitCount;
    std::uint32_t header;
    std::vector<std::uint32_t> masks;
  } cases[] = {
      {"a zero mask", 16, 40, {0x7C00, 0x03E0, 0}},
      {"overlapping", 16, 40, {0xF800, 0x0FE0, 0x001F}},
      {"with a hole", 32, 40, {0x00F0F000, 0x000000F0, 0x0000000F}},
      {"outside 16 bits", 16, 40, {0x1F0000, 0x07E0, 0x001F}},
      {"zero in a V5 header", 32, 124, {0, 0, 0}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp b;
    b.width = 2;
    b.height = 2;
    b.bitCount = c.bitCount;
    b.headerSize = c.header;
    b.compression = 3;
    b.masks = c.masks;
    dir.write("m.bmp", b.bytes());
    PictureBlock block;
    std::uint16_t off = 0;
    EXPECT_EQ(ReadDibFile(native_file_system(), dir / "m.bmp", block, off), 0);
    EXPECT_EQ(block.error, DibError::kMasks);
  }
}

TEST(ReadDibFile, AcceptsTheLimitsThemselves) {
  struct Case {
    const char* name;
    Bmp bmp;
  };
  std::vector<Case> cases;
  Bmp b = eight_bit(4, 3);
  b.clrUsed = 256;
  cases.push_back({"256 colors at 8 bits", b});
  b = Bmp{};
  b.bitCount = 1;
  b.width = kMaxDimension;
  b.height = 2;
  b.colors = {0, 0xFFFFFF};
  b.clrUsed = 2;
  cases.push_back({"widest 1-bit picture", b});
  b = Bmp{};
  b.bitCount = 1;
  b.width = 1;
  b.height = -kMaxDimension;
  b.colors = {0, 0xFFFFFF};
  cases.push_back({"tallest top-down picture", b});
  b = eight_bit(2, 2);
  b.sizeImage = 8 + 2;  // some writers count two bytes of padding
  cases.push_back({"image size beyond the rows", b});
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.write("ok.bmp", c.bmp.bytes() + std::string(2, '\0'));
    PictureBlock block;
    std::uint16_t off = 0;
    EXPECT_EQ(ReadDibFile(native_file_system(), dir / "ok.bmp", block, off), 1) << DibErrorText(block.error);
  }
}

// Every proper prefix of a sound file fails, including the ones that end on
// a structure's boundary; the whole file and a longer one are read.
TEST(ReadDibFile, TruncatedAnywhereFails) {
  struct Case {
    const char* name;
    Bmp bmp;
  };
  Bmp withMasks;
  withMasks.width = 3;
  withMasks.height = 2;
  withMasks.bitCount = 16;
  withMasks.compression = 3;
  withMasks.masks = {0xF800, 0x07E0, 0x001F};
  withMasks.colors = {0x112233, 0x445566};
  withMasks.clrUsed = 2;
  Bmp v5 = eight_bit(5, 3);
  v5.headerSize = 124;
  const Case cases[] = {{"8 bits", eight_bit(5, 3)}, {"16 bits with masks and table", withMasks}, {"V5 header", v5}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string whole = c.bmp.bytes();
    for (std::size_t n = 0; n < whole.size(); ++n) {
      dir.write("t.bmp", whole.substr(0, n));
      PictureBlock block;
      std::uint16_t off = 0;
      ASSERT_EQ(ReadDibFile(native_file_system(), dir / "t.bmp", block, off), 0) << "length " << n;
    }
    for (const std::string& bytes : {whole, whole + "tail"}) {
      dir.write("t.bmp", bytes);
      PictureBlock block;
      std::uint16_t off = 0;
      EXPECT_EQ(ReadDibFile(native_file_system(), dir / "t.bmp", block, off), 1) << DibErrorText(block.error);
    }
  }
}

TEST(ReadDibFile, BitsComeFromTheFilesOffsetOrAfterTheTable) {
  // Two colors, a 4x1 picture, so the bits are 4 bytes. The gap holds 0xEE.
  struct Case {
    const char* name;
    std::int64_t offBits;
    std::uint32_t gap;
    std::vector<std::uint8_t> bits;
  } cases[] = {
      {"offset to the real bits", -1, 4, {1, 0, 1, 0}},
      {"offset 0 with no gap", 0, 0, {1, 0, 1, 0}},
      {"offset 0 reads the gap", 0, 4, {0xEE, 0xEE, 0xEE, 0xEE}},
      // Behind the position: the file is opened again to get there.
      {"offset into the color table", 14 + 40, 0, {0x01, 0x00, 0x01, 0x00}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp b;
    b.width = 4;
    b.height = 1;
    b.bitCount = 8;
    b.clrUsed = 2;
    b.colors = {0x010001, 0x222222};  // blue 1, green 0, red 1: the bytes 01 00 01 00
    b.offBits = c.offBits;
    b.gap = c.gap;
    b.pixel = [](int x, int) { return static_cast<std::uint32_t>(x % 2 == 0); };
    dir.write("o.bmp", b.bytes());
    PictureBlock block;
    std::uint16_t off = 0;
    ASSERT_EQ(ReadDibFile(native_file_system(), dir / "o.bmp", block, off), 1) << DibErrorText(block.error);
    EXPECT_EQ(std::vector<std::uint8_t>(block.bytes.begin() + off, block.bytes.end()), c.bits);
  }
  Bmp past;
  past.offBits = 4096;
  dir.write("p.bmp", past.bytes());
  PictureBlock block;
  std::uint16_t off = 0;
  EXPECT_EQ(ReadDibFile(native_file_system(), dir / "p.bmp", block, off), 0);
  EXPECT_EQ(block.error, DibError::kBitsShort);
}

TEST(ReadDibFile, LargeBitsInPiecesAndFailingInsideTheSecond) {
  Bmp b;
  b.width = 200;  // 600 bytes a row, 60000 bytes of bits: two pieces
  b.height = 100;
  b.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 65536 + y * 256 + (x ^ y)); };
  const std::string whole = b.bytes();
  TempDir dir;
  dir.write("big.bmp", whole);
  FileSystem& fs = native_file_system();
  PictureBlock block;
  std::uint16_t off = 0;
  ASSERT_EQ(ReadDibFile(fs, dir / "big.bmp", block, off), 1);
  EXPECT_EQ(std::string(block.bytes.begin() + off, block.bytes.end()), whole.substr(54));

  for (std::size_t cut : {std::size_t{54 + 32768}, std::size_t{54 + 32769}, whole.size() - 1}) {
    dir.write("cut.bmp", whole.substr(0, cut));
    EXPECT_EQ(ReadDibFile(fs, dir / "cut.bmp", block, off), 0) << cut;
    EXPECT_EQ(block.error, DibError::kBitsShort);
  }
}

// Run-length pictures, decoded into plain rows within the picture's bounds.
// Each case is a 5 x 3 picture's compressed bits and the pixels that come
// out, top row first ('.' a pixel left at color 0).
TEST(ReadDibFile, DecodesRunLengthPictures) {
  const struct {
    const char* name;
    int bits;
    std::string packed;
    const char* rows[3];
  } cases[] = {
      {"RLE8 runs and ends of line", 8, std::string("\x05\x01\x00\x00\x02\x02\x03\x03\x00\x00\x05\x04\x00\x01", 14),
       {"44444", "22333", "11111"}},
      {"RLE8 odd absolute run, padded", 8, std::string("\x00\x03\x05\x06\x07\x00\x02\x08\x00\x01", 10),
       {".....", ".....", "56788"}},
      {"RLE8 delta skips right and up", 8, std::string("\x01\x01\x00\x02\x02\x01\x02\x09\x00\x01", 10),
       {".....", "...99", "1...."}},
      {"RLE8 run past the row is clipped, not wrapped", 8, std::string("\x09\x07\x00\x00\x01\x02\x00\x01", 8),
       {".....", "2....", "77777"}},
      {"RLE8 absolute run past the row is clipped", 8,
       std::string("\x00\x07\x01\x02\x03\x04\x05\x06\x07\x00\x00\x00\x01\x09", 14), {".....", "9....", "12345"}},
      {"RLE8 delta beyond the picture ends it", 8, std::string("\x02\x03\x00\x02\x09\x09\x01\x04", 8),
       {".....", ".....", "33..."}},
      {"RLE8 ending in an even absolute run, no end mark", 8, std::string("\x00\x04\x01\x02\x03\x04", 6),
       {".....", ".....", "1234."}},
      {"RLE8 without an end, and a cut absolute run", 8, std::string("\x02\x05\x00\x00\x00\x04\x01\x02", 8),
       {".....", ".....", "55..."}},
      {"RLE4 nibbles take turns", 4, std::string("\x05\x12\x00\x00\x03\xAB\x00\x01", 8), {".....", "ABA..", "12121"}},
      {"RLE4 odd absolute run, padded", 4, std::string("\x00\x05\x34\x56\x70\x00\x00\x00\x02\xCC\x00\x01", 12),
       {".....", "CC...", "34567"}},
      {"RLE4 run past the row is clipped", 4, std::string("\x0F\xEE\x00\x01", 4), {".....", ".....", "EEEEE"}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp b;
    b.width = 5;
    b.height = 3;
    b.bitCount = static_cast<std::uint16_t>(c.bits);
    b.compression = c.bits == 8 ? 1 : 2;
    for (int i = 0; i < (1 << c.bits); ++i) b.colors.push_back(static_cast<std::uint32_t>(i));
    b.packed = c.packed;
    dir.write("rle.bmp", b.bytes());
    PictureBlock block;
    std::uint16_t off = 0;
    ASSERT_EQ(ReadDibFile(native_file_system(), dir / "rle.bmp", block, off), 1) << DibErrorText(block.error);
    const fw::DibBits d = DibBitsOf(block, off);
    ASSERT_EQ(d.bitsSize, d.stride() * 3);
    for (int y = 0; y < 3; ++y) {
      std::string row;
      const std::uint8_t* r = d.bits + (2 - y) * d.stride();
      for (int x = 0; x < 5; ++x) {
        const unsigned v = c.bits == 8 ? r[x] : (x & 1 ? r[x / 2] & 0x0F : r[x / 2] >> 4);
        row += v == 0 ? '.' : "0123456789ABCDEF"[v];
      }
      EXPECT_EQ(row, c.rows[y]) << "row " << y;
    }
    // The block now describes plain rows.
    EXPECT_EQ(block.bytes[16], 0);
    EXPECT_EQ(block.header.imageSize, d.stride() * 3);
  }
}

// A picture that ImageMagick compressed with RLE8 decodes to the colors of
// the same picture it wrote uncompressed.
TEST(ReadDibFile, RunLengthPictureOfAnotherEncoder) {
  auto colors = [](const std::string& name) {
    PictureBlock block;
    std::uint16_t off = 0;
    std::vector<std::uint32_t> out;
    EXPECT_EQ(ReadDibFile(native_file_system(), test::test_data_dir() + "picture\\" + name, block, off), 1) << name;
    const fw::DibBits d = DibBitsOf(block, off);
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x) {
        const std::uint8_t* c = d.colors + 4 * d.bits[static_cast<std::size_t>(y) * d.stride() + static_cast<std::size_t>(x)];
        out.push_back(std::uint32_t{c[0]} | (std::uint32_t{c[1]} << 8) | (std::uint32_t{c[2]} << 16));
      }
    return out;
  };
  const std::vector<std::uint32_t> rle = colors("rle8.bmp"), plain = colors("rle8-plain.bmp");
  ASSERT_EQ(plain.size(), 37u * 13u);
  EXPECT_EQ(rle, plain);
}

TEST(InspectDibFile, ReportsWhatDrawingWouldFind) {
  Bmp top = eight_bit(6, -4);
  Bmp trunc = eight_bit(6, 4);
  Bmp wide = eight_bit(6, 4);
  wide.width = 20000;
  TempDir dir;
  dir.write("top.bmp", top.bytes());
  dir.write("trunc.bmp", trunc.bytes().substr(0, 100));
  dir.write("wide.bmp", wide.bytes());
  dir.write("text.bmp", "hello, world: a text, not a picture");
  struct Case {
    const char* file;
    bool drawable;
    int width, height, bitCount;
    const char* reason;
  } cases[] = {
      {"top.bmp", true, 6, 4, 8, ""},
      {"trunc.bmp", false, 6, 4, 8, "color table cut short"},
      {"wide.bmp", false, 20000, 4, 8, "width or height out of range"},
      {"text.bmp", false, 0, 0, 0, "not a bitmap file (no BM)"},
      {"missing.bmp", false, 0, 0, 0, "cannot open the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const PictureReport r = InspectDibFile(native_file_system(), dir / c.file);
    EXPECT_EQ(r.drawable, c.drawable);
    EXPECT_EQ(r.width, c.width);
    EXPECT_EQ(r.height, c.height);
    EXPECT_EQ(r.bitCount, c.bitCount);
    EXPECT_EQ(r.reason, c.reason);
  }
  EXPECT_FALSE(InspectDibFile(native_file_system(), "").drawable);
}

}  // namespace
}  // namespace relvo::picture
