// The static Huffman family: -lh4- to -lh7- and -lhx- (dictionaries of
// 4 KiB to 512 KiB), and LHARK's -lh7-, one source parameterised by the
// dictionary size and by how lengths and positions are coded.
#include <cstring>

#include "archive/decoder.h"
#include "archive/huffman.h"
#include "archive/lhx_coding.h"

namespace relvo::lzh {

namespace {

using lhx::kCBit;
using lhx::kNT;
using lhx::kTBit;

// LHA's coding: a length code c is the length 3..256 itself (c - 253); a
// position class j is distance 1 (j = 0) or 2^(j-1) + 1 and j-1 more bits.
// LHARK's: the codes 264 to 287 are length classes with 1 to 6 more bits,
// code 288 the length 514; position classes come two per bit count, as
// deflate's distances do (see lhark_length and distance).
enum class Coding { Lha, Lhark };

template <unsigned DicBits, Coding K>
class LhxDecoder final : public Decoder {
  static constexpr bool kLhark = K == Coding::Lhark;
  static constexpr unsigned kNC = kLhark ? 289 : lhx::kNC;  // 256 literals + length codes
  static constexpr unsigned kNP = kLhark ? 2 * DicBits : lhx::np(DicBits);  // position classes
  static constexpr unsigned kPBit = kLhark ? 6 : lhx::pbit(DicBits);
  // The most position code lengths a block may send. The count fields of
  // LHARK and -lhx- allow more than their dictionaries use, and other
  // decoders take what the field allows; a class past kNP is refused when
  // it is read.
  static constexpr unsigned kPSent = kLhark || DicBits > 16 ? (1u << kPBit) - 1 : kNP;

 public:
  DecodeStatus decode(BitInput& in, OutputWindow& out) override {
    std::uint32_t block = 0;
    while (out.left() > 0) {
      if (block == 0) {
        in.refill();
        block = in.get(16);
        if (block == 0) block = 0x10000;  // a full block of 65536 codes
        if (!read_lengths(in, kNT, kTBit, lhx::kTSpecial, t_) || !read_c(in) || !read_lengths(in, kPSent, kPBit, -1, p_))
          return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
      }
      const Fast f = fast_run(in, out, block);
      if (f == Fast::Bad) return DecodeStatus::BadData;
      if (f == Fast::Ran) continue;
      --block;
      in.refill();
      const int c = c_.decode(in);
      if (c < 0) return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
      if (c < 256) {
        out.put(static_cast<std::uint8_t>(c));
      } else {
        std::size_t len = static_cast<std::size_t>(c) - lhx::kLengthBias;
        if constexpr (kLhark) {
          const unsigned n = length_bits(static_cast<unsigned>(c));
          len = lhark_length(static_cast<unsigned>(c), in.peek(static_cast<int>(n)));
          in.skip(static_cast<int>(n));
        }
        const int j = p_.decode(in);
        if (j < 0 || j >= static_cast<int>(kNP))
          return in.overrun() ? DecodeStatus::Truncated : DecodeStatus::BadData;
        const unsigned n = position_bits(static_cast<unsigned>(j));
        const std::size_t dist = distance(static_cast<unsigned>(j), in.peek(static_cast<int>(n)));
        in.skip(static_cast<int>(n));
        out.copy(dist, len);
      }
      if (in.overrun()) return DecodeStatus::Truncated;
    }
    return DecodeStatus::Ok;
  }

 private:
  static constexpr unsigned kCPrimary = 10;
  static constexpr unsigned kPPrimary = 8;
  static constexpr std::size_t kMaxLen = kLhark ? 514 : kNC - lhx::kLengthBias;
  static_assert(kMaxLen <= OutputWindow::kMaxMatch);

  // The extra bits after length code c (LHARK only) and after position
  // class j, and what they make. A block's codes take at most 16 bits each,
  // so a match (code, length bits, class, position bits) fits in the 56
  // bits a refill makes available: at most 16 + 6 + 16 + 14 (LHARK's) or
  // 16 + 16 + 18 (-lhx-'s).
  static unsigned length_bits(unsigned c) { return c >= 264 && c < 288 ? (c - 260) / 4 : 0; }
  static std::size_t lhark_length(unsigned c, std::uint32_t bits) {
    if (c < 264) return c - 253;
    if (c == 288) return 514;
    return ((std::size_t(4) + (c & 3)) << length_bits(c)) + bits + 3;
  }
  static unsigned position_bits(unsigned j) {
    if constexpr (kLhark) return j < 4 ? 0 : (j - 2) / 2;
    return j == 0 ? 0 : j - 1;
  }
  static std::size_t distance(unsigned j, std::uint32_t bits) {
    if constexpr (kLhark) return 1 + (j < 4 ? j : ((std::size_t(2) + (j & 1)) << position_bits(j)) + bits);
    return j == 0 ? 1 : (std::size_t(1) << (j - 1)) + bits + 1;
  }

  enum class Fast { Ran, NotRun, Bad };

  // Decodes symbols of the current block while eight bytes of input are
  // buffered and the output has room for a whole match before the slide
  // point and the member's end, with no per-byte or per-bit checks. NotRun
  // when there is no such room: the caller takes the next symbol the
  // careful way. Bad on a code that does not exist.
  Fast fast_run(BitInput& in, OutputWindow& out, std::uint32_t& block) {
    // Two refills a round: sixteen bytes ahead.
    const std::uint8_t* const in_limit = in.fast_limit(16);
    const std::uint8_t* const out_end = out.fast_end(kMaxLen);
    std::uint8_t* op = out.cursor();
    if (!in_limit || op >= out_end) return Fast::NotRun;
    const std::uint32_t* const ct = c_.data();
    const std::uint32_t* const pt = p_.data();
    BitInput::State st = in.take();
    std::uint32_t n = block;
    bool bad = false;
    auto take = [&st](std::uint32_t entry) {
      const unsigned len = entry & 0x1F;
      st.bits <<= len;
      st.count -= static_cast<int>(len);
    };
    do {
      BitInput::refill_at(st);
      std::uint32_t e = HuffmanTable::lookup<kCPrimary>(ct, st.bits);
      if ((e >> 8) < 256) {
        // A literal leaves at least 40 bits: enough for the next code, so
        // a second literal needs no refill; a match after it takes one.
        take(e);
        *op++ = static_cast<std::uint8_t>(e >> 8);
        if (--n == 0 || op >= out_end) break;
        e = HuffmanTable::lookup<kCPrimary>(ct, st.bits);
        if ((e >> 8) < 256) {
          take(e);
          *op++ = static_cast<std::uint8_t>(e >> 8);
          continue;
        }
        BitInput::refill_at(st);
      }
      take(e);
      const unsigned c = e >> 8;
      std::size_t len = c - lhx::kLengthBias;
      if constexpr (kLhark) {
        if (c >= kNC) [[unlikely]] {
          bad = true;
          break;
        }
        const unsigned lbits = length_bits(c);
        len = lhark_length(c, static_cast<std::uint32_t>((st.bits >> 1) >> (63 - lbits)));
        st.bits <<= lbits;
        st.count -= static_cast<int>(lbits);
      }
      const std::uint32_t pe = HuffmanTable::lookup<kPPrimary>(pt, st.bits);
      const unsigned j = pe >> 8;
      if (c >= kNC || j >= kNP) [[unlikely]] {
        bad = true;
        break;
      }
      const unsigned plen = pe & 0x1F;
      st.bits <<= plen;
      std::size_t dist;
      unsigned extra;
      if constexpr (kLhark) {
        extra = position_bits(j);
        dist = distance(j, static_cast<std::uint32_t>((st.bits >> 1) >> (63 - extra)));
      } else {
        // Class j: 0 is distance 1, else 2^(j-1) + 1 and j-1 more bits.
        extra = j - (j != 0);
        dist = (std::size_t(1) << extra) + (j != 0) + static_cast<std::size_t>((st.bits >> 1) >> (63 - extra));
      }
      st.bits <<= extra;
      st.count -= static_cast<int>(plen + extra);
      OutputWindow::copy_match(op, dist, len);
      op += len;
    } while (--n && op < out_end && st.cursor <= in_limit);
    in.give(st);
    out.advance(op);
    block = n;
    return bad ? Fast::Bad : Fast::Ran;
  }

  // The code lengths of the T (special at position 3) and P alphabets.
  bool read_lengths(BitInput& in, unsigned nn, unsigned nbit, int special, HuffmanTable& table) {
    in.refill();
    const unsigned n = in.get(static_cast<int>(nbit));
    if (n == 0) {
      const unsigned c = in.get(static_cast<int>(nbit));
      if (c >= nn) return false;
      table.build_single(c, 8);
      return true;
    }
    if (n > nn) return false;
    std::uint8_t len[64] = {};
    unsigned i = 0;
    while (i < n) {
      in.refill();
      unsigned c = in.peek(3);
      if (c == 7) {
        std::uint64_t b = in.bits() << 3;
        while (b >> 63) {
          if (++c > 16) return false;
          b <<= 1;
        }
        in.skip(static_cast<int>(c) - 3);
      } else {
        in.skip(3);
      }
      len[i++] = static_cast<std::uint8_t>(c);
      if (static_cast<int>(i) == special) {
        unsigned z = in.get(2);
        if (i + z > nn) return false;
        while (z--) len[i++] = 0;
      }
    }
    return table.build(len, nn, 8);
  }

  // The code lengths of the literal/length alphabet, coded with T.
  bool read_c(BitInput& in) {
    in.refill();
    const unsigned n = in.get(kCBit);
    if (n == 0) {
      const unsigned c = in.get(kCBit);
      if (c >= kNC) return false;
      c_.build_single(c, kCPrimary);
      return true;
    }
    if (n > kNC) return false;
    std::uint8_t len[kNC] = {};
    unsigned i = 0;
    while (i < n) {
      in.refill();
      const int c = t_.decode(in);
      if (c < 0) return false;
      if (c <= 2) {
        const unsigned z = c == 0 ? 1 : c == 1 ? in.get(4) + 3 : in.get(kCBit) + 20;
        if (i + z > kNC) return false;
        i += z;  // already zero
      } else {
        len[i++] = static_cast<std::uint8_t>(c - 2);
      }
      if (in.overrun()) return false;
    }
    return c_.build(len, kNC, kCPrimary);
  }

  HuffmanTable c_, p_, t_;
};

}  // namespace

std::unique_ptr<Decoder> make_lh4_decoder() { return std::make_unique<LhxDecoder<12, Coding::Lha>>(); }
std::unique_ptr<Decoder> make_lh5_decoder() { return std::make_unique<LhxDecoder<13, Coding::Lha>>(); }
std::unique_ptr<Decoder> make_lh6_decoder() { return std::make_unique<LhxDecoder<15, Coding::Lha>>(); }
std::unique_ptr<Decoder> make_lh7_decoder() { return std::make_unique<LhxDecoder<16, Coding::Lha>>(); }
std::unique_ptr<Decoder> make_lhx_decoder() { return std::make_unique<LhxDecoder<19, Coding::Lha>>(); }
std::unique_ptr<Decoder> make_lhark_decoder() { return std::make_unique<LhxDecoder<16, Coding::Lhark>>(); }

}  // namespace relvo::lzh
