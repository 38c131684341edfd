// -lh3-: LZ77 with an 8 KiB dictionary and static Huffman blocks whose code
// lengths are sent plainly; the position code may be a fixed one.
#include "archive/decoder.h"
#include "archive/huffman.h"

namespace relvo::lzh {

namespace {

constexpr unsigned kN1 = 286;  // literals, lengths 3..31, and an escape
constexpr unsigned kNP = 128;  // upper seven bits of a position

class Lh3Decoder final : public Decoder {
 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    std::uint32_t block = 0;
    while (out.left() > 0) {
      if (block == 0) {
        in.refill();
        block = in.get(16);
        if (block == 0) block = 0x10000;
        if (!read_c(in) || !read_p(in)) return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
      }
      --block;
      in.refill();
      int c = c_.decode(in);
      if (c < 0) return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
      if (c == static_cast<int>(kN1) - 1) c += static_cast<int>(in.get(8));
      if (c < 256) {
        out.put(static_cast<std::uint8_t>(c));
      } else {
        const int hi = p_.decode(in);
        if (hi < 0) return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
        const std::size_t dist = ((static_cast<std::size_t>(hi) << 6) | in.get(6)) + 1;
        out.copy(dist, static_cast<std::size_t>(c) - 253);
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

 private:
  // Each length: a presence bit, then four bits (length - 1). Three leading
  // lengths of 1 announce a block of one symbol, sent in nine bits.
  bool read_c(BitInput& in) {
    std::uint8_t len[kN1] = {};
    for (unsigned i = 0; i < kN1; ++i) {
      in.refill();
      len[i] = in.get(1) ? static_cast<std::uint8_t>(in.get(4) + 1) : 0;
      if (i == 2 && len[0] == 1 && len[1] == 1 && len[2] == 1) {
        const unsigned c = in.get(9);
        if (c >= kN1) return false;
        c_.build_single(c, 12);
        return true;
      }
    }
    return c_.build(len, kN1, 12);
  }

  // A flag bit: 1 = lengths sent (four bits each, 0 = unused, the same
  // one-symbol escape with seven bits), 0 = the fixed position code.
  bool read_p(BitInput& in) {
    in.refill();
    std::uint8_t len[kNP] = {};
    if (!in.get(1)) {
      // Fixed code: 1 class of 2 bits, 2 of 4, 3 of 5, 7 of 6, 18 of 7,
      // 47 of 8, 50 of 9.
      const unsigned counts[] = {1, 0, 2, 3, 7, 18, 47, 50};
      unsigned s = 0;
      for (unsigned l = 0; l < 8; ++l)
        for (unsigned k = 0; k < counts[l]; ++k) len[s++] = static_cast<std::uint8_t>(l + 2);
      return p_.build(len, kNP, 8);
    }
    for (unsigned i = 0; i < kNP; ++i) {
      in.refill();
      len[i] = static_cast<std::uint8_t>(in.get(4));
      if (i == 2 && len[0] == 1 && len[1] == 1 && len[2] == 1) {
        p_.build_single(in.get(7), 8);
        return true;
      }
    }
    return p_.build(len, kNP, 8);
  }

  HuffmanTable c_, p_;
};

}  // namespace

std::unique_ptr<Decoder> make_lh3_decoder() { return std::make_unique<Lh3Decoder>(); }

}  // namespace relvo::lzh
