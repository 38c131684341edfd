// Checking a MacBinary header against its member, field by field, and the
// filter that takes it off.
#include "archive/macbinary.h"

#include <algorithm>
#include <cstring>

namespace relvo::lzh {

namespace {

// MacBinary header fields (big-endian numbers):
//   0x00  1  old version number, 0
//   0x01  1  file name length, 1..63
//   0x02 63  file name, padded with zeros
//   0x41  8  file type and creator      0x49  1  Finder flags
//   0x4A  1  0                          0x4B  6  icon position, window id
//   0x51  1  protected flag             0x52  1  0
//   0x53  4  data fork length           0x57  4  resource fork length
//   0x5B  4  creation time              0x5F  4  modification time (seconds
//                                                since 1904, local time)
//   0x63  2  Get Info comment length (MacBinary II)
//   0x65 .. 0x79  MacBinary II: more Finder flags, secondary header length
//                 at 0x78
//   0x7A  1  MacBinary II version (129, 130 for III)
//   0x7B  1  version needed to read it (129)
//   0x7C  2  CRC-16 (CCITT, as XMODEM) of bytes 0x00 .. 0x7B
namespace mb {
constexpr std::size_t kOldVersion = 0x00, kNameLength = 0x01, kName = 0x02, kNameMax = 63;
constexpr std::size_t kZero1 = 0x4A, kZero2 = 0x52, kDataFork = 0x53, kResourceFork = 0x57;
constexpr std::size_t kModified = 0x5F, kCommentLength = 0x63, kSecondaryLength = 0x78;
constexpr std::size_t kVersion = 0x7A, kMinVersion = 0x7B, kCrc = 0x7C, kIIFields = 0x63;
}  // namespace mb

constexpr std::int64_t kMacEpochOffset = 2082844800;  // 1904-01-01 to 1970-01-01, seconds
constexpr std::int64_t kMostZoneOffset = 14 * 3600;  // the furthest a local time lies from UTC

std::uint32_t be32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint16_t be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

bool all_zero(const std::uint8_t* p, std::size_t n) {
  return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

std::uint16_t crc_ccitt(const std::uint8_t* p, std::size_t n) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < n; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (p[i] << 8));
    for (int b = 0; b < 8; ++b) crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

std::uint64_t pad128(std::uint64_t n) { return (n + 127) & ~std::uint64_t{127}; }

}  // namespace

bool may_hold_macbinary(const Member& m) {
  return m.os_id == 'm' && m.original_size >= kMacBinaryHeaderSize && !m.is_directory();
}

bool find_macbinary_fork(const std::uint8_t* h, const Member& m, MacBinaryFork& fork) {
  if (h[mb::kOldVersion] != 0 || h[mb::kZero1] != 0 || h[mb::kZero2] != 0) return false;
  // MacBinary I leaves every later field zero; MacBinary II proves itself
  // with its version bytes and CRC, and may not move the data fork.
  const bool version_one = all_zero(h + mb::kIIFields, kMacBinaryHeaderSize - mb::kIIFields);
  const bool version_two = (h[mb::kVersion] == 129 || h[mb::kVersion] == 130) && h[mb::kMinVersion] == 129 &&
                           be16(h + mb::kCrc) == crc_ccitt(h, mb::kCrc) && be16(h + mb::kSecondaryLength) == 0;
  if (!version_one && !version_two) return false;

  const std::size_t n = h[mb::kNameLength];
  if (n == 0 || n > mb::kNameMax || n != m.name.size() || std::memcmp(h + mb::kName, m.name.data(), n) != 0 ||
      !all_zero(h + mb::kName + n, mb::kNameMax - n))
    return false;

  const std::int64_t modified = static_cast<std::int64_t>(be32(h + mb::kModified)) - kMacEpochOffset;
  if (modified < 0 || modified - m.mtime > kMostZoneOffset || m.mtime - modified > kMostZoneOffset) return false;

  const std::uint64_t data = be32(h + mb::kDataFork), resource = be32(h + mb::kResourceFork);
  const std::uint64_t comment = be16(h + mb::kCommentLength);
  const bool back_to_back = comment == 0 && pad128(kMacBinaryHeaderSize + data + resource) == m.original_size;
  const bool padded = kMacBinaryHeaderSize + pad128(data) + pad128(resource) + pad128(comment) == m.original_size;
  if (!back_to_back && !padded) return false;

  fork.offset = kMacBinaryHeaderSize;
  fork.length = data > 0 ? data : resource;
  return true;
}

void MacBinaryFilter::write(const std::uint8_t* data, std::size_t n) {
  if (!decided_) {
    const std::size_t k = std::min(n, kMacBinaryHeaderSize - held_);
    std::memcpy(head_ + held_, data, k);
    held_ += k;
    data += k;
    n -= k;
    if (held_ < kMacBinaryHeaderSize) return;
    decided_ = true;
    stripped_ = find_macbinary_fork(head_, m_, fork_);
    pos_ = kMacBinaryHeaderSize;
    if (!stripped_) out_.write(head_, held_);
  }
  if (!stripped_) {
    if (n) out_.write(data, n);
    return;
  }
  // Only the bytes of the fork go on.
  const std::uint64_t begin = std::max(pos_, fork_.offset), end = std::min(pos_ + n, fork_.offset + fork_.length);
  if (begin < end) out_.write(data + (begin - pos_), static_cast<std::size_t>(end - begin));
  pos_ += n;
}

void MacBinaryFilter::finish() {
  if (decided_ || held_ == 0) return;
  decided_ = true;
  out_.write(head_, held_);
}

}  // namespace relvo::lzh
