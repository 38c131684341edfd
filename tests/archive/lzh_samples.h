// The generated inputs of the LZH fixtures, made here the same way as by
// scripts/make-lzh-fixtures.sh and scripts/lzh-method-fixtures.py, so that
// large members need not be kept as files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace relvo::lzh::test {

// The fixture scripts' generator: x = x * 1103515245 + 12345 (31 bits),
// each value the upper 15 bits.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : x_(seed) {}
  unsigned next() {
    x_ = (x_ * 1103515245u + 12345u) & 0x7FFFFFFFu;
    return x_ >> 16;
  }

 private:
  std::uint32_t x_;
};

// 72 KiB of four letters (acgt.txt).
inline std::string acgt_data() {
  Lcg r(1);
  std::string s;
  for (int i = 0; i < 73728; ++i) s += "ACGT"[r.next() & 3];
  return s;
}

// 552 blocks of 1024 bytes reaching back as far as 2^19 bytes (far.bin):
// a 4-byte tag and a phrase; every fourth block repeats the block 2^m
// blocks before it (m = i/4 mod 9); the blocks from 512 on repeat earlier
// ones, block 513 the block 1 exactly 2^19 bytes back.
inline std::string far_data() {
  const std::string phrase = "the update copies each archive member into the product folder; ";
  std::string twenty;
  for (int i = 0; i < 20; ++i) twenty += phrase;
  Lcg r(11);
  std::vector<std::string> blocks;
  for (unsigned i = 0; i < 512 + 40; ++i) {
    if (i >= 512) {
      blocks.push_back(blocks[i < 516 ? i - 512 : (i - 512) * 7 % 290]);
      continue;
    }
    const unsigned back = 1u << ((i / 4) % 9);
    if (i % 4 == 0 && i >= back) {
      blocks.push_back(blocks[i - back]);
      continue;
    }
    std::string b;
    for (int k = 0; k < 4; ++k) b += static_cast<char>(r.next() & 0xFF);
    b += twenty.substr(i % 50, 1020);
    blocks.push_back(b);
  }
  std::string s;
  for (const std::string& b : blocks) s += b;
  return s;
}

// 3 to 10, both ends of each of LHARK's length classes, and 514.
inline std::vector<unsigned> lhark_lengths() {
  std::vector<unsigned> out;
  for (unsigned n = 3; n <= 10; ++n) out.push_back(n);
  for (unsigned c = 264; c < 288; ++c) {
    const unsigned nb = (c - 260) / 4, base = ((4 + c % 4) << nb) + 3;
    out.push_back(base);
    out.push_back(base + (1u << nb) - 1);
  }
  out.push_back(514);
  return out;
}

// Long matches of every length and runs of literals (runs.bin): 3000 'x',
// periods of 2, 3 and 4 bytes, a 520-byte sequence, for each of
// lhark_lengths() the sequence's first L bytes and a byte unlike its next,
// then literal runs each closed by the sequence's first 8 bytes.
inline std::string runs_data() {
  Lcg r(3);
  std::string seq;
  for (int i = 0; i < 520; ++i) seq += static_cast<char>(r.next() & 0xFF);
  std::string s(3000, 'x');
  for (int i = 0; i < 50; ++i) s += "xy";
  for (int i = 0; i < 40; ++i) s += "xyz";
  for (int i = 0; i < 30; ++i) s += "wxyz";
  s += seq;
  for (unsigned n : lhark_lengths()) s += seq.substr(0, n) + static_cast<char>(seq[n] ^ 0x55);
  for (unsigned n : {20u, 24u, 25u, 60u, 88u, 89u, 150u, 215u, 300u}) {
    for (unsigned i = 0; i < n; ++i) s += static_cast<char>(r.next() & 0xFF);
    s += seq.substr(0, 8);
  }
  return s;
}

// 3000 characters of 0x20-0x2F only (sums.txt).
inline std::string sums_text() {
  Lcg r(7);
  std::string s;
  for (int i = 0; i < 3000; ++i) s += " !\"#$%&'()*+,-./"[r.next() % 16];
  return s;
}

}  // namespace relvo::lzh::test
