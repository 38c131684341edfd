// The bitmap file reader: file header, information header (40 bytes or the
// longer V2 to V5 forms), masks, color table and bits, checked in one place.
#include "picture/dib_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace relvo::picture {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::int32_t i32(const std::uint8_t* p) { return static_cast<std::int32_t>(u32(p)); }
void put_u32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool known_header_size(std::uint32_t size) {
  // BITMAPINFOHEADER, the V2 and V3 forms with masks (and alpha mask) in the
  // header, BITMAPV4HEADER and BITMAPV5HEADER.
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Each mask non-empty, one run of bits, inside the pixel, and no two sharing
// a bit: what GDI asks of bit fields.
bool masks_sound(const DibHeader& h) {
  const std::uint32_t pixel = h.bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  const std::uint32_t m[3] = {h.redMask, h.greenMask, h.blueMask};
  for (int i = 0; i < 3; ++i) {
    if (m[i] == 0 || (m[i] & ~pixel) != 0) return false;
    const std::uint32_t run = m[i] >> std::countr_zero(m[i]);
    if ((run & (run + 1)) != 0) return false;
    for (int j = i + 1; j < 3; ++j)
      if (m[i] & m[j]) return false;
  }
  return true;
}

// Checks the information header ih (h.headerSize bytes) and fills h. The one
// checking point for every field that later sizes or positions depend on.
DibError check_info_header(const std::uint8_t* ih, DibHeader& h) {
  h.width = i32(ih + 4);
  h.height = i32(ih + 8);
  h.bitCount = u16(ih + 14);
  if (u16(ih + 12) != 1) return DibError::kPlanes;
  switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return DibError::kBitCount;
  }
  const std::uint32_t compression = u32(ih + 16);
  if (compression == kBiBitFields && (h.bitCount == 16 || h.bitCount == 32)) {
    h.bitFields = true;
    if (h.headerSize >= 52) {
      h.redMask = u32(ih + 40);
      h.greenMask = u32(ih + 44);
      h.blueMask = u32(ih + 48);
    } else {
      h.maskBytes = 12;  // they follow the header; checked once read
    }
  } else if ((compression == kBiRle8 && h.bitCount == 8) || (compression == kBiRle4 && h.bitCount == 4)) {
    // Run-length pictures are stored bottom-up only.
    if (h.height < 0) return DibError::kCompression;
    h.rle = h.bitCount;
  } else if (compression != kBiRgb) {
    return DibError::kCompression;
  }
  if (h.width <= 0 || h.width > kMaxDimension || h.height == 0 || h.height < -kMaxDimension ||
      h.height > kMaxDimension)
    return DibError::kDimensions;

  // One color table entry per value a pixel can take at 1, 4 and 8 bits;
  // deeper pictures may carry up to 256 as a hint for palette devices.
  const std::uint32_t maxColors = h.bitCount <= 8 ? (1u << h.bitCount) : 256u;
  const std::uint32_t clrUsed = u32(ih + 32);
  if (clrUsed > maxColors) return DibError::kColorCount;
  h.nColors = clrUsed != 0 ? clrUsed : (h.bitCount <= 8 ? maxColors : 0);

  // Rows are padded to whole 32-bit words; the bits must cover every row.
  std::uint64_t rowBits = 0, stride = 0, rows = 0;
  const std::uint64_t absHeight = h.height < 0 ? -std::int64_t{h.height} : std::int64_t{h.height};
  if (__builtin_mul_overflow(std::uint64_t(h.width), std::uint64_t(h.bitCount), &rowBits) ||
      __builtin_add_overflow(rowBits, std::uint64_t{31}, &rowBits))
    return DibError::kImageSize;
  stride = (rowBits & ~std::uint64_t{31}) / 8;
  if (__builtin_mul_overflow(stride, absHeight, &rows) || rows > kMaxImageSize) return DibError::kImageSize;
  const std::uint32_t sizeImage = u32(ih + 20);
  if (h.rle) {
    // The header's size is that of the compressed bits, which nothing else
    // tells; the block holds the rows decoded.
    if (sizeImage == 0 || sizeImage > kMaxImageSize) return DibError::kImageSize;
    h.packedSize = sizeImage;
    h.imageSize = static_cast<std::uint32_t>(rows);
  } else if (sizeImage == 0) {
    h.imageSize = static_cast<std::uint32_t>(rows);
  } else {
    if (sizeImage < rows || sizeImage > kMaxImageSize) return DibError::kImageSize;
    h.imageSize = sizeImage;
  }
  return DibError::kNone;
}

// Decodes RLE8 or RLE4 bits (bits 8 or 4) into bottom-up rows of stride
// bytes at out, which holds zeros: a pixel the data skips (by a delta, an
// early end of line or of the picture) keeps color 0. Runs are clipped to
// the row and rows to the picture, never wrapped; decoding stops at the end
// of the picture, at the end of the data, or at a run the data cuts short.
void decode_rle(const std::uint8_t* in, std::size_t n, int bits, std::int64_t width, std::int64_t height,
                std::size_t stride, std::uint8_t* out) {
  auto put = [&](std::int64_t x, std::int64_t y, unsigned v) {
    std::uint8_t* row = out + static_cast<std::size_t>(y) * stride;
    if (bits == 8) {
      row[x] = static_cast<std::uint8_t>(v);
    } else {
      std::uint8_t& b = row[x / 2];
      b = static_cast<std::uint8_t>((x & 1) ? ((b & 0xF0) | (v & 0x0F)) : ((b & 0x0F) | (v << 4)));
    }
  };
  std::int64_t x = 0, y = 0;  // y counts rows from the bottom, as they are stored
  std::size_t i = 0;
  while (i + 1 < n && y < height) {
    const unsigned count = in[i], value = in[i + 1];
    i += 2;
    if (count > 0) {
      // count pixels of one value; at 4 bits the value's two nibbles take turns.
      const std::int64_t end = std::min<std::int64_t>(x + count, width);
      for (std::int64_t k = 0; x + k < end; ++k)
        put(x + k, y, bits == 8 ? value : ((k & 1) ? (value & 0x0F) : (value >> 4)));
      x = end;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of picture
        return;
      case 2:  // delta: right and up
        if (i + 1 >= n) return;
        x = std::min<std::int64_t>(x + in[i], width);
        y += in[i + 1];
        i += 2;
        break;
      default: {  // value pixels as they are, padded to a 16-bit boundary
        const std::size_t bytes = bits == 8 ? value : (value + 1) / 2;
        if (bytes > n - i) return;
        const std::int64_t end = std::min<std::int64_t>(x + value, width);
        for (std::int64_t k = 0; x + k < end; ++k) {
          const unsigned byte = in[i + static_cast<std::size_t>(bits == 8 ? k : k / 2)];
          put(x + k, y, bits == 8 ? byte : ((k & 1) ? (byte & 0x0F) : (byte >> 4)));
        }
        x = end;
        i += (bytes + 1) & ~std::size_t{1};
        break;
      }
    }
  }
}

// The open file with its position, so that the bits can be found at the
// file header's offset. The file layer reads forward only: an offset behind
// the position opens the file again.
class DibStream {
 public:
  DibStream(FileSystem& fs, const std::string& path) : fs_(fs), path_(path) {}
  bool open() {
    file_ = fs_.open_read(path_);
    pos_ = 0;
    return file_ != nullptr;
  }
  // Appends n bytes to dest; false when fewer came.
  bool read(std::vector<std::uint8_t>& dest, std::uint32_t n) {
    if (n == 0) return true;
    const std::size_t before = dest.size();
    const bool ok = ReadFileChunked(*file_, dest, n) == n;
    pos_ += dest.size() - before;
    return ok;
  }
  bool seek(std::uint64_t target) {
    if (target < pos_ && !open()) return false;
    std::vector<std::uint8_t> scratch;
    while (pos_ < target) {
      scratch.clear();
      const auto piece = static_cast<std::uint32_t>(std::min<std::uint64_t>(target - pos_, kMaxReadPiece));
      if (!read(scratch, piece)) return false;
    }
    return true;
  }

 private:
  FileSystem& fs_;
  const std::string& path_;
  std::unique_ptr<FileReader> file_;
  std::uint64_t pos_ = 0;
};

DibError read_dib(FileSystem& fs, const std::string& path, PictureBlock& block, std::uint16_t& bitsOffset) {
  DibStream file(fs, path);
  if (path.empty() || !file.open()) return DibError::kCannotOpen;

  std::vector<std::uint8_t> fileHeader;
  if (!file.read(fileHeader, 14)) return DibError::kFileHeaderShort;
  if (u16(fileHeader.data()) != 0x4D42) return DibError::kNotBitmap;
  DibHeader& h = block.header;
  h.fileBitsOffset = u32(fileHeader.data() + 10);

  std::vector<std::uint8_t>& b = block.bytes;
  const bool whole40 = file.read(b, 40);
  if (b.size() >= 4 && u32(b.data()) == 12) return DibError::kCoreHeader;
  if (!whole40) return DibError::kInfoHeaderShort;
  h.headerSize = u32(b.data());
  if (!known_header_size(h.headerSize)) return DibError::kHeaderSize;
  if (!file.read(b, h.headerSize - 40)) return DibError::kInfoHeaderShort;
  if (const DibError e = check_info_header(b.data(), h); e != DibError::kNone) return e;
  // The header as the drawing sees it carries the worked-out values.
  if (u32(b.data() + 32) == 0) put_u32(b.data() + 32, h.nColors);
  if (u32(b.data() + 20) == 0) put_u32(b.data() + 20, h.imageSize);

  // Masks (after a 40-byte header) and the color table follow the header.
  const std::uint32_t tableBytes = h.maskBytes + 4 * h.nColors;
  if (!file.read(b, tableBytes)) return DibError::kColorTableShort;
  if (h.maskBytes) {
    h.redMask = u32(b.data() + h.headerSize);
    h.greenMask = u32(b.data() + h.headerSize + 4);
    h.blueMask = u32(b.data() + h.headerSize + 8);
  }
  if (h.bitFields && !masks_sound(h)) return DibError::kMasks;
  // At most 124 + 12 + 256 * 4 bytes: fits the 16-bit offset.
  bitsOffset = static_cast<std::uint16_t>(h.headerSize + tableBytes);

  if (h.fileBitsOffset != 0 && !file.seek(h.fileBitsOffset)) return DibError::kBitsShort;
  if (!h.rle) return file.read(b, h.imageSize) ? DibError::kNone : DibError::kBitsShort;

  std::vector<std::uint8_t> packed;
  if (!file.read(packed, h.packedSize)) return DibError::kBitsShort;
  const std::size_t at = b.size();
  b.resize(at + h.imageSize);
  const std::size_t stride = (static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.bitCount) + 31) / 32 * 4;
  decode_rle(packed.data(), packed.size(), h.rle, h.width, h.height, stride, b.data() + at);
  // From here on a plain picture of the decoded size.
  put_u32(b.data() + 16, kBiRgb);
  put_u32(b.data() + 20, h.imageSize);
  return DibError::kNone;
}

}  // namespace

const char* DibErrorText(DibError err) {
  switch (err) {
    case DibError::kNone: return "ok";
    case DibError::kCannotOpen: return "cannot open the file";
    case DibError::kFileHeaderShort: return "file header cut short";
    case DibError::kNotBitmap: return "not a bitmap file (no BM)";
    case DibError::kInfoHeaderShort: return "information header cut short";
    case DibError::kCoreHeader: return "OS/2 core header not supported";
    case DibError::kHeaderSize: return "unknown information header size";
    case DibError::kPlanes: return "plane count is not 1";
    case DibError::kBitCount: return "unsupported bits per pixel";
    case DibError::kCompression: return "compression not supported (or not for this bit count)";
    case DibError::kMasks: return "bad bit-field masks";
    case DibError::kDimensions: return "width or height out of range";
    case DibError::kColorCount: return "too many colors for the bit count";
    case DibError::kImageSize: return "image size does not fit the rows";
    case DibError::kColorTableShort: return "color table cut short";
    case DibError::kBitsShort: return "pixel bits cut short";
    case DibError::kNoMemory: return "not enough memory";
  }
  return "unknown error";
}

std::uint32_t ReadFileChunked(FileReader& file, std::vector<std::uint8_t>& dest, std::uint32_t count) {
  // The block grows piece by piece as bytes arrive, so a header that claims
  // a large picture costs memory only for what the file really holds.
  std::uint32_t left = count;
  try {
    while (left > 0) {
      const std::uint32_t piece = left < kMaxReadPiece ? left : kMaxReadPiece;
      const std::size_t at = dest.size();
      dest.resize(at + piece);
      std::size_t got = 0;
      while (got < piece) {
        const std::size_t n = file.read(dest.data() + at + got, piece - got);
        if (n == 0) break;
        got += n;
      }
      dest.resize(at + got);
      if (got < piece) return 0;
      left -= piece;
    }
  } catch (const FileError&) {
    return 0;
  }
  return count;
}

int ReadDibFile(FileSystem& fs, const std::string& path, PictureBlock& block, std::uint16_t& bitsOffset) {
  block.bytes.clear();
  block.header = DibHeader{};
  bitsOffset = 0;
  try {
    block.error = read_dib(fs, path, block, bitsOffset);
  } catch (const std::bad_alloc&) {
    block.error = DibError::kNoMemory;
  } catch (const FileError&) {
    block.error = DibError::kCannotOpen;
  }
  return block.error == DibError::kNone ? 1 : 0;
}

fw::DibBits DibBitsOf(const PictureBlock& block, std::uint16_t bitsOffset) {
  const DibHeader& h = block.header;
  fw::DibBits d;
  if (block.error != DibError::kNone || bitsOffset > block.bytes.size()) return d;
  d.width = h.width;
  d.height = h.height < 0 ? -h.height : h.height;
  d.topDown = h.height < 0;
  d.bitCount = h.bitCount;
  d.bitFields = h.bitFields;
  d.redMask = h.redMask;
  d.greenMask = h.greenMask;
  d.blueMask = h.blueMask;
  d.colors = block.bytes.data() + h.headerSize + h.maskBytes;
  d.colorCount = static_cast<int>(h.nColors);
  d.bits = block.bytes.data() + bitsOffset;
  d.bitsSize = block.bytes.size() - bitsOffset;
  return d;
}

}  // namespace relvo::picture
