// Reading a Windows bitmap file (BMP) into one picture block: the
// information header, the color table and the pixel bits, all checked.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fw/dc.h"
#include "platform/files.h"

namespace relvo::picture {

// Limits on what we agree to draw. The wizard's pictures are screen-sized;
// anything far beyond is damage or a hostile file, and refusing it keeps
// every size computation small and the memory a header can claim bounded.
inline constexpr std::int32_t kMaxDimension = 16384;              // width and height, pixels
inline constexpr std::uint32_t kMaxImageSize = 64u * 1024 * 1024; // bytes of pixel bits
inline constexpr std::uint32_t kMaxReadPiece = 32768;             // bytes per read call

// Why a picture could not be read; kNone when it was.
enum class DibError {
  kNone,
  kCannotOpen,        // missing file, empty name
  kFileHeaderShort,   // fewer than 14 bytes
  kNotBitmap,         // does not start with "BM"
  kInfoHeaderShort,   // information header cut short
  kCoreHeader,        // the 12-byte OS/2 core header
  kHeaderSize,        // an information header size we do not understand
  kPlanes,            // plane count other than 1
  kBitCount,          // not 1, 4, 8, 16, 24 or 32 bits per pixel
  kCompression,       // JPEG, PNG, RLE on another bit count or top-down, bit
                      // fields where they do not apply
  kMasks,             // bit-field masks empty, overlapping or out of the pixel
  kDimensions,        // width or height zero, negative width, or beyond kMaxDimension
  kColorCount,        // more colors than the bit count can address (or than 256)
  kImageSize,         // image size too small for the rows, or beyond kMaxImageSize
  kColorTableShort,   // the file ends inside the masks or the color table
  kBitsShort,         // the file ends before the image size's worth of bits
  kNoMemory,          // the picture block could not be grown
};

// Short English description of err, for reports.
const char* DibErrorText(DibError err);

// What the checked header says, in the form the drawing needs.
struct DibHeader {
  std::uint32_t headerSize = 0;   // 40, 52, 56, 108 or 124
  std::int32_t width = 0;         // as in the file
  std::int32_t height = 0;        // as in the file; negative for top-down
  int bitCount = 0;
  bool bitFields = false;
  std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
  int rle = 0;                    // 8 or 4: the file's bits were RLE8 or RLE4, decoded on reading
  std::uint32_t nColors = 0;      // color table entries
  std::uint32_t imageSize = 0;    // bytes of bits in the block (the header's, or worked out;
                                  // for RLE the decoded rows)
  std::uint32_t packedSize = 0;   // RLE: bytes of compressed bits in the file
  std::uint32_t maskBytes = 0;    // 12 when the masks follow a 40-byte header
  std::uint32_t fileBitsOffset = 0;  // the file header's bits offset (0: after the table)
};

// The picture block: the information header as read (with its color-used
// count and image size filled in when the file left them 0), the masks
// that follow a 40-byte header, the color table and the bits. RLE bits are
// held decoded, as plain rows, and the header then says so (no compression,
// the decoded size).
struct PictureBlock {
  std::vector<std::uint8_t> bytes;
  DibHeader header;
  DibError error = DibError::kNone;  // why the last read failed
};

// Reads count bytes from file onto the end of dest, in reads of at most
// kMaxReadPiece bytes. Returns count when every byte came; 0 when the file
// ended first or a read failed (dest then holds what came).
std::uint32_t ReadFileChunked(FileReader& file, std::vector<std::uint8_t>& dest, std::uint32_t count);

// Reads the bitmap file at path into block. Returns 1 on success, with
// bitsOffset the position of the bits in block.bytes; 0 on failure, with
// block.error saying why (and block.header filled as far as it was read).
// The file is closed on every way out.
int ReadDibFile(FileSystem& fs, const std::string& path, PictureBlock& block, std::uint16_t& bitsOffset);

// The block's picture as the device context's stretch takes it. Valid while
// block lives and is not changed.
fw::DibBits DibBitsOf(const PictureBlock& block, std::uint16_t bitsOffset);

}  // namespace relvo::picture
