// The stored methods (-lh0-, -lz4-) and LArc's plain LZSS methods (-lzs-,
// -lz5-), whose matches name an absolute place in a ring buffer.
#include <algorithm>

#include "archive/decoder.h"

namespace relvo::lzh {

namespace {

class StoredDecoder final : public Decoder {
 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    while (out.left() > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(out.room(), out.left()));
      const std::size_t got = in.read_bytes(out.tail(), want);
      out.commit(got);
      if (got < want) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }
  void preset(OutputWindow&) const override {}
};

// -lzs-: 2 KiB ring, a flag bit per item, an 11-bit place and a 4-bit length
// (2 to 17); writing starts 17 bytes before the ring's end.
class LzsDecoder final : public Decoder {
 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    std::uint32_t r = 2048 - 17;
    while (out.left() > 0) {
      in.refill();
      if (in.get(1)) {
        out.put(static_cast<std::uint8_t>(in.get(8)));
        ++r;
      } else {
        const std::uint32_t where = in.get(11);
        const std::uint32_t len = in.get(4) + 2;
        const std::size_t dist = ((r - where - 1) & 2047) + 1;
        out.copy(dist, len);
        r += len;
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }
};

// -lz5-: 4 KiB ring, a flag byte for eight items (low bit first, 1 =
// literal), a match as two bytes: 12-bit place, 4-bit length (3 to 18).
// The ring starts with a fixed pattern that matches may copy from.
class Lz5Decoder final : public Decoder {
 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    std::uint32_t r = 4096 - 18;
    unsigned flags = 0;
    while (out.left() > 0) {
      in.refill();
      if ((flags & 0x100) == 0) flags = in.get(8) | 0xFF00;
      const bool literal = flags & 1;
      flags >>= 1;
      if (literal) {
        out.put(static_cast<std::uint8_t>(in.get(8)));
        ++r;
      } else {
        const std::uint32_t lo = in.get(8);
        const std::uint32_t hi = in.get(8);
        const std::uint32_t where = lo | ((hi & 0xF0) << 4);
        const std::uint32_t len = (hi & 0x0F) + 3;
        const std::size_t dist = ((r - where - 1) & 4095) + 1;
        out.copy(dist, len);
        r += len;
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

  // Ring byte k before writing starts: 13 copies of each byte value, the
  // values up, the values down, 128 zeros, then blanks; the history just
  // before the first output is ring[(4078 + i) & 4095] for window byte i.
  void preset(OutputWindow& out) const override {
    out.preset([](std::size_t i) { return ring_byte((4096 - 18 + i) & 4095); });
  }

 private:
  static std::uint8_t ring_byte(std::size_t k) {
    if (k < 13 * 256) return static_cast<std::uint8_t>(k / 13);
    k -= 13 * 256;
    if (k < 256) return static_cast<std::uint8_t>(k);
    k -= 256;
    if (k < 256) return static_cast<std::uint8_t>(255 - k);
    k -= 256;
    if (k < 128) return 0;
    return ' ';
  }
};

}  // namespace

std::unique_ptr<Decoder> make_stored_decoder() { return std::make_unique<StoredDecoder>(); }
std::unique_ptr<Decoder> make_lzs_decoder() { return std::make_unique<LzsDecoder>(); }
std::unique_ptr<Decoder> make_lz5_decoder() { return std::make_unique<Lz5Decoder>(); }

}  // namespace relvo::lzh
