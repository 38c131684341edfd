// Parsing the member headers (levels 0 to 3, extended headers, checksums)
// and driving each member's decoder.
#include "archive/lzh_reader.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "archive/bit_input.h"
#include "archive/crc16.h"
#include "archive/decoder.h"
#include "base/sjis.h"
#include "platform/encoding.h"

namespace relvo::lzh {

// The archive's bytes with a read buffer in front, so that headers can be
// read a few bytes at a time.
class ArchiveReader::Buffered final : public ByteSource {
 public:
  explicit Buffered(ByteSource& src) : src_(src), buf_(new std::uint8_t[kSize]) {}

  std::size_t read(void* out, std::size_t n) override {
    auto* o = static_cast<std::uint8_t*>(out);
    std::size_t done = 0;
    while (done < n) {
      if (pos_ == end_) {
        if (n - done >= kSize) {  // large reads bypass the buffer
          const std::size_t got = src_.read(o + done, n - done);
          if (got == 0) break;
          done += got;
          continue;
        }
        pos_ = 0;
        end_ = src_.read(buf_.get(), kSize);
        if (end_ == 0) break;
      }
      const std::size_t k = std::min(n - done, end_ - pos_);
      std::memcpy(o + done, buf_.get() + pos_, k);
      pos_ += k;
      done += k;
    }
    return done;
  }

 private:
  static constexpr std::size_t kSize = 1 << 16;
  ByteSource& src_;
  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t pos_ = 0, end_ = 0;
};

namespace {

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | (std::uint32_t(le16(p + 2)) << 16); }
std::uint64_t le64(const std::uint8_t* p) { return le32(p) | (std::uint64_t(le32(p + 4)) << 32); }

// An MS-DOS date and time (local time, two-second steps) as UTC seconds.
std::int64_t dos_time_to_unix(std::uint32_t dos) {
  std::tm t{};
  t.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  t.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  t.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  t.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  t.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  t.tm_sec = static_cast<int>((dos & 0x1F) * 2);
  t.tm_isdst = -1;
  const std::time_t r = std::mktime(&t);
  return r == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(r);
}

// Splits a CP932 path at '\' and '/' (whole characters only) and at the
// 0xFF that level 2 folder names use. Records a leading separator.
void split_cp932(std::string_view s, std::vector<std::string>& out, bool& absolute) {
  std::string part;
  bool first = true;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sjis::char_len(s, i);
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (n == 1 && (c == '\\' || c == '/' || c == 0xFF)) {
      if (first && part.empty() && out.empty()) absolute = true;
      if (!part.empty()) out.push_back(std::move(part));
      part.clear();
    } else {
      part.append(s.substr(i, n));
    }
    first = false;
    i += n;
  }
  if (!part.empty()) out.push_back(std::move(part));
}

// The same for a UTF-16LE name, converted to CP932 per component.
void split_utf16(const std::uint8_t* p, std::size_t bytes, std::vector<std::string>& out, bool& absolute) {
  std::u16string part;
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    const char16_t c = static_cast<char16_t>(le16(p + i));
    if (c == 0) break;
    if (c == u'\\' || c == u'/' || c == 0xFFFF) {
      if (i == 0 && out.empty()) absolute = true;
      if (!part.empty()) out.push_back(enc::utf16_to_cp932(part));
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) out.push_back(enc::utf16_to_cp932(part));
}

// What the extended headers said, resolved once the header is complete.
struct Extras {
  bool has_name = false, has_dir = false, has_uname = false, has_udir = false;
  std::string name, dir;
  std::string uname, udir;  // raw UTF-16LE
  bool has_win_time = false, has_unix_time = false;
  std::int64_t win_time = 0, unix_time = 0;
  bool has_sizes = false;
  std::uint64_t packed = 0, original = 0;
  std::size_t crc_at = 0;  // offset of the header CRC in the header bytes
  bool has_crc = false;
};

void take_extended(Extras& x, Member& m, std::uint8_t type, const std::uint8_t* d, std::size_t n,
                   std::size_t offset_in_header) {
  switch (type) {
    case 0x00:
      if (n >= 2) {
        x.has_crc = true;
        x.crc_at = offset_in_header;
      }
      break;
    case 0x01:
      x.has_name = true;
      x.name.assign(reinterpret_cast<const char*>(d), n);
      break;
    case 0x02:
      x.has_dir = true;
      x.dir.assign(reinterpret_cast<const char*>(d), n);
      break;
    case 0x40:
      if (n >= 1) m.attribute = d[0];
      break;
    case 0x41:
      if (n >= 24) {
        const std::uint64_t ft = le64(d + 8);  // 100 ns since 1601
        x.has_win_time = true;
        x.win_time = static_cast<std::int64_t>(ft / 10000000) - 11644473600LL;
      }
      break;
    case 0x42:
      if (n >= 16) {
        x.has_sizes = true;
        x.packed = le64(d);
        x.original = le64(d + 8);
      }
      break;
    case 0x44:
      x.has_uname = true;
      x.uname.assign(reinterpret_cast<const char*>(d), n);
      break;
    case 0x45:
      x.has_udir = true;
      x.udir.assign(reinterpret_cast<const char*>(d), n);
      break;
    case 0x50:
      if (n >= 2) {
        m.has_unix_mode = true;
        m.unix_mode = le16(d);
      }
      break;
    case 0x54:
      if (n >= 4) {
        x.has_unix_time = true;
        x.unix_time = le32(d);
      }
      break;
    default:
      break;  // comments, owners, and the like: nothing we need
  }
}

void resolve_names(Member& m, const Extras& x, std::string_view base_name) {
  std::vector<std::string> parts;
  bool absolute = false;
  if (x.has_udir)
    split_utf16(reinterpret_cast<const std::uint8_t*>(x.udir.data()), x.udir.size(), parts, absolute);
  else if (x.has_dir)
    split_cp932(x.dir, parts, absolute);
  bool name_abs = false;
  if (x.has_uname)
    split_utf16(reinterpret_cast<const std::uint8_t*>(x.uname.data()), x.uname.size(), parts, name_abs);
  else
    split_cp932(x.has_name ? std::string_view(x.name) : base_name, parts, name_abs);
  m.absolute = absolute || (name_abs && !x.has_dir && !x.has_udir);
  if (!parts.empty() && !m.is_directory()) {
    m.name = std::move(parts.back());
    parts.pop_back();
  }
  m.folders = std::move(parts);
}

bool method_like(const std::uint8_t* p) { return p[0] == '-' && p[4] == '-'; }

}  // namespace

std::string Member::path(char sep) const {
  std::string s;
  for (const std::string& f : folders) {
    s += f;
    s += sep;
  }
  s += name;
  if (s.empty()) return s;
  if (name.empty() && !s.empty()) s.pop_back();
  return s;
}

ArchiveReader::ArchiveReader(ByteSource& src) : in_(new Buffered(src)) {}
ArchiveReader::~ArchiveReader() = default;

HeaderStatus ArchiveReader::next(Member& out) {
  if (stopped_) return HeaderStatus::End;
  if (data_pending_) {
    BitInput skip(*in_, current_.packed_size);
    skip.drain();
    data_pending_ = false;
    if (skip.source_short()) {
      stopped_ = true;
      return HeaderStatus::Truncated;
    }
  }
  const bool first = first_;
  first_ = false;
  auto fail = [&](HeaderStatus s) {
    stopped_ = true;
    if (first && s != HeaderStatus::Truncated && s != HeaderStatus::BadChecksum) return HeaderStatus::NotArchive;
    return s;
  };

  std::vector<std::uint8_t> h(22);
  if (in_->read(h.data(), 1) == 0) {  // an empty file is no archive
    stopped_ = true;
    return first ? HeaderStatus::NotArchive : HeaderStatus::End;
  }
  if (h[0] == 0) {  // the end mark
    stopped_ = true;
    return HeaderStatus::End;
  }
  if (in_->read(h.data() + 1, 21) < 21) return fail(first ? HeaderStatus::NotArchive : HeaderStatus::Truncated);
  if (!method_like(h.data() + 2)) return fail(HeaderStatus::BadHeader);

  Member m;
  Extras x;
  m.method.assign(reinterpret_cast<const char*>(h.data() + 2), 5);
  m.level = h[20];
  m.packed_size = le32(h.data() + 7);
  m.original_size = le32(h.data() + 11);
  std::string base_name;

  auto read_more = [&](std::size_t total) {
    const std::size_t have = h.size();
    h.resize(total);
    return in_->read(h.data() + have, total - have) == total - have;
  };
  // Walks a chain of extended headers inside h from pos, with size fields
  // of width bytes; false when a size leaves the header.
  auto walk = [&](std::size_t pos, std::size_t next, std::size_t width) {
    while (next != 0) {
      if (next < 1 + width || pos + next > h.size()) return false;
      take_extended(x, m, h[pos], h.data() + pos + 1, next - 1 - width, pos + 1);
      const std::size_t n = width == 2 ? le16(h.data() + pos + next - 2) : le32(h.data() + pos + next - 4);
      pos += next;
      next = n;
    }
    return true;
  };

  switch (m.level) {
    case 0:
    case 1: {
      const std::size_t total = std::size_t(h[0]) + 2;
      if (total < 24 || !read_more(total)) return fail(total < 24 ? HeaderStatus::BadHeader : HeaderStatus::Truncated);
      unsigned sum = 0;
      for (std::size_t i = 2; i < total; ++i) sum += h[i];
      if ((sum & 0xFF) != h[1]) return fail(HeaderStatus::BadChecksum);
      const std::size_t nlen = h[21];
      if (22 + nlen + 2 > total) return fail(HeaderStatus::BadHeader);
      base_name.assign(reinterpret_cast<const char*>(h.data() + 22), nlen);
      m.crc = le16(h.data() + 22 + nlen);
      const std::uint32_t dos = le32(h.data() + 15);
      m.mtime = dos_time_to_unix(dos);
      if (m.level == 0) {
        m.attribute = h[19];
        const std::size_t at = 24 + nlen;
        if (total > at) m.os_id = h[at];
        // The Unix extension: 'U', a version byte, time, mode, ids.
        if (total >= at + 12 && h[at] == 'U') {
          x.has_unix_time = true;
          x.unix_time = le32(h.data() + at + 2);
          m.has_unix_mode = true;
          m.unix_mode = le16(h.data() + at + 6);
        }
        break;
      }
      if (total < 27 + nlen) return fail(HeaderStatus::BadHeader);
      m.os_id = h[24 + nlen];
      // The extended headers follow the base header; the skip size counts them.
      std::size_t next = le16(h.data() + total - 2);
      std::uint64_t ext_total = 0;
      while (next != 0) {
        if (next < 3) return fail(HeaderStatus::BadHeader);
        if (h.size() + next > kMaxHeaderSize) return fail(HeaderStatus::BadHeader);
        const std::size_t pos = h.size();
        if (!read_more(pos + next)) return fail(HeaderStatus::Truncated);
        take_extended(x, m, h[pos], h.data() + pos + 1, next - 3, pos + 1);
        ext_total += next;
        next = le16(h.data() + pos + next - 2);
      }
      if (ext_total > m.packed_size) return fail(HeaderStatus::BadHeader);
      m.packed_size -= ext_total;
      break;
    }
    case 2: {
      const std::size_t total = le16(h.data());
      if (total < 26) return fail(HeaderStatus::BadHeader);
      if (!read_more(total)) return fail(HeaderStatus::Truncated);
      m.mtime = le32(h.data() + 15);
      m.crc = le16(h.data() + 21);
      m.os_id = h[23];
      if (!walk(26, le16(h.data() + 24), 2)) return fail(HeaderStatus::BadHeader);
      break;
    }
    case 3: {
      if (le16(h.data()) != 4) return fail(HeaderStatus::BadHeader);
      if (!read_more(32)) return fail(HeaderStatus::Truncated);
      const std::uint32_t total = le32(h.data() + 24);
      if (total < 32 || total > kMaxHeaderSize) return fail(HeaderStatus::BadHeader);
      if (!read_more(total)) return fail(HeaderStatus::Truncated);
      m.mtime = le32(h.data() + 15);
      m.crc = le16(h.data() + 21);
      m.os_id = h[23];
      if (!walk(32, le32(h.data() + 28), 4)) return fail(HeaderStatus::BadHeader);
      break;
    }
    default:
      return fail(HeaderStatus::BadHeader);
  }

  if (x.has_crc) {
    const std::uint16_t want = le16(h.data() + x.crc_at);
    h[x.crc_at] = h[x.crc_at + 1] = 0;
    if (crc16(0, h.data(), h.size()) != want) return fail(HeaderStatus::BadChecksum);
  }
  if (x.has_sizes) {
    m.packed_size = x.packed;
    m.original_size = x.original;
  }
  if (x.has_win_time)
    m.mtime = x.win_time;
  else if (x.has_unix_time)
    m.mtime = x.unix_time;
  resolve_names(m, x, base_name);

  current_ = m;
  data_pending_ = true;
  out = std::move(m);
  return HeaderStatus::Ok;
}

namespace {

// The largest packed data held in memory to choose between two codings of
// one method id; a bigger member is read in the first coding only.
constexpr std::uint64_t kMaxChoiceSize = std::uint64_t(64) << 20;

// Up to want bytes of a member's packed data, fewer when the file ends.
// Grown as the data comes, so that a size the file does not hold allocates
// nothing.
std::vector<std::uint8_t> read_packed(BitInput& in, std::size_t want) {
  std::vector<std::uint8_t> packed;
  while (packed.size() < want) {
    const std::size_t at = packed.size();
    packed.resize(at + std::min<std::size_t>(want - at, std::size_t(1) << 20));
    const std::size_t got = in.read_bytes(packed.data() + at, packed.size() - at);
    packed.resize(at + got);
    if (got == 0) break;
  }
  return packed;
}

}  // namespace

DataStatus ArchiveReader::read_data(OutputSink* sink) {
  if (!data_pending_) return DataStatus::Truncated;
  data_pending_ = false;
  BitInput in(*in_, current_.packed_size);
  if (current_.is_directory()) {
    in.drain();
    return in.source_short() ? DataStatus::Truncated : DataStatus::Ok;
  }
  const MethodSpec* spec = find_method(current_.method, current_.level, current_.os_id);
  if (!spec) {
    in.drain();
    return DataStatus::Unsupported;
  }
  std::uint16_t crc = 0;
  DecodeStatus st;
  try {
    if (spec->other && current_.packed_size <= kMaxChoiceSize) {
      // Two codings share the id: try them on the data held in memory.
      const auto packed = read_packed(in, static_cast<std::size_t>(current_.packed_size));
      st = decode_either(*spec, packed.data(), packed.size(), current_.original_size, current_.crc, sink, crc);
    } else {
      st = decode_member(*spec, in, current_.original_size, sink, crc);
    }
  } catch (...) {
    stopped_ = true;  // the archive's position is lost with the failed write
    throw;
  }
  in.drain();
  if (in.source_short()) {
    stopped_ = true;
    return DataStatus::Truncated;
  }
  if (st == DecodeStatus::BadData) return DataStatus::BadData;
  if (st == DecodeStatus::Truncated) return DataStatus::Truncated;
  return crc == current_.crc ? DataStatus::Ok : DataStatus::BadCrc;
}

}  // namespace relvo::lzh
