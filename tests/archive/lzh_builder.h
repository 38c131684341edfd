// Hand-built LZH archives for the tests: headers of every level around
// data we give, so that hostile names, level 3 and -lz4- can be tested.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/crc16.h"
#include "base/byte_source.h"
#include "archive/output_window.h"

namespace relvo::lzh::test {

inline void put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& s, std::uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}
inline void put64(std::string& s, std::uint64_t v) {
  put32(s, static_cast<std::uint32_t>(v));
  put32(s, static_cast<std::uint32_t>(v >> 32));
}
inline std::uint16_t crc_of(const std::string& s) { return crc16(0, s.data(), s.size()); }

struct Ext {
  std::uint8_t type;
  std::string data;
};

struct Entry {
  std::string method = "-lh0-";
  std::string name;        // base name field (levels 0, 1)
  std::string packed;      // the member's packed data
  std::uint64_t original = 0;
  std::uint16_t crc = 0;   // of the original data
  std::uint32_t time = 0;  // DOS time (0, 1) or Unix time (2, 3)
  std::uint8_t attribute = 0x20;  // MS-DOS attribute (levels 0, 1)
  std::vector<Ext> ext;
  bool header_crc = false;  // add a header CRC extended header (0x00)
  char os = 0;              // OS id (levels 1 to 3); 0: 'M' at level 1, 'w' above
};

// A stored member of data under name.
inline Entry stored(const std::string& name, const std::string& data) {
  Entry e;
  e.name = name;
  e.packed = data;
  e.original = data.size();
  e.crc = crc_of(data);
  e.time = 0x34210000u;  // 2006-01-01 00:00 (DOS)
  return e;
}

// The header bytes and data of one member at the given level.
inline std::string build(const Entry& e, int level) {
  std::string h;
  std::vector<Ext> ext = e.ext;
  if (e.header_crc) ext.insert(ext.begin(), Ext{0x00, std::string(2, '\0')});
  const std::size_t w = level == 3 ? 4 : 2;
  std::string chain;  // extended headers, each closed by the next one's size
  std::vector<std::size_t> crc_at;
  for (std::size_t i = 0; i < ext.size(); ++i) {
    if (ext[i].type == 0x00) crc_at.push_back(chain.size() + 1);
    chain += static_cast<char>(ext[i].type);
    chain += ext[i].data;
    const std::size_t next = i + 1 < ext.size() ? 1 + ext[i + 1].data.size() + w : 0;
    if (w == 2) put16(chain, static_cast<unsigned>(next)); else put32(chain, static_cast<std::uint32_t>(next));
  }
  const std::size_t first = ext.empty() ? 0 : 1 + ext[0].data.size() + w;
  if (level <= 1) {
    h += '\0';
    h += '\0';
    h += e.method;
    put32(h, static_cast<std::uint32_t>(e.packed.size() + (level == 1 ? chain.size() : 0)));
    put32(h, static_cast<std::uint32_t>(e.original));
    put32(h, e.time);
    h += static_cast<char>(e.attribute);
    h += static_cast<char>(level);
    h += static_cast<char>(e.name.size());
    h += e.name;
    put16(h, e.crc);
    if (level == 1) {
      h += e.os ? e.os : 'M';
      put16(h, static_cast<unsigned>(first));
    }
    h[0] = static_cast<char>(h.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>(sum & 0xFF);
    if (level == 1) {
      const std::size_t base = h.size();
      h += chain;
      for (std::size_t at : crc_at) {
        const std::uint16_t c = crc_of(h);
        h[base + at] = static_cast<char>(c & 0xFF);
        h[base + at + 1] = static_cast<char>(c >> 8);
      }
    }
    return h + e.packed;
  }
  if (level == 2) put16(h, 0); else put16(h, 4);
  h += e.method;
  put32(h, static_cast<std::uint32_t>(e.packed.size()));
  put32(h, static_cast<std::uint32_t>(e.original));
  put32(h, e.time);
  h += '\x20';
  h += static_cast<char>(level);
  put16(h, e.crc);
  h += e.os ? e.os : 'w';
  const std::size_t base = level == 2 ? 26 : 32;
  if (level == 2) {
    put16(h, static_cast<unsigned>(first));
  } else {
    put32(h, 0);  // total size, set below
    put32(h, static_cast<std::uint32_t>(first));
  }
  h += chain;
  if (level == 2) {
    h[0] = static_cast<char>(h.size() & 0xFF);
    h[1] = static_cast<char>(h.size() >> 8);
  } else {
    std::string t;
    put32(t, static_cast<std::uint32_t>(h.size()));
    h.replace(24, 4, t);
  }
  for (std::size_t at : crc_at) {
    const std::uint16_t c = crc_of(h);
    h[base + at] = static_cast<char>(c & 0xFF);
    h[base + at + 1] = static_cast<char>(c >> 8);
  }
  return h + e.packed;
}

inline std::string utf16le(const std::u16string& s) {
  std::string r;
  for (char16_t c : s) put16(r, c);
  return r;
}

class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string s) : s_(std::move(s)) {}
  std::size_t read(void* buf, std::size_t n) override {
    const std::size_t k = std::min(n, s_.size() - pos_);
    std::copy_n(s_.data() + pos_, k, static_cast<char*>(buf));
    pos_ += k;
    return k;
  }

 private:
  std::string s_;
  std::size_t pos_ = 0;
};

class StringSink final : public OutputSink {
 public:
  void write(const std::uint8_t* d, std::size_t n) override { data.append(reinterpret_cast<const char*>(d), n); }
  std::string data;
};

}  // namespace relvo::lzh::test
