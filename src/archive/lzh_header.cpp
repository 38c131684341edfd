// The member headers of every level: the fixed fields at named offsets, one
// walker for the chains of extended headers, and the stored path resolved.
#include "archive/lzh_header.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "archive/crc16.h"
#include "base/sjis.h"
#include "platform/encoding.h"

namespace relvo::lzh {
namespace {

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | (std::uint32_t(le16(p + 2)) << 16); }
std::uint64_t le64(const std::uint8_t* p) { return le32(p) | (std::uint64_t(le32(p + 4)) << 32); }

// The first 22 bytes, which every level shares but for the first two:
//    0  2  the header's size (its meaning differs by level)
//    2  5  method id, "-lh5-"
//    7  4  packed size
//   11  4  original size
//   15  4  time: MS-DOS local time (levels 0, 1), Unix time (levels 2, 3)
//   19  1  MS-DOS attribute (levels 0, 1); 0x20 at levels 2 and 3
//   20  1  header level
//   21  1  name length (levels 0, 1)
namespace field {
constexpr std::size_t kMethod = 2, kPacked = 7, kOriginal = 11, kTime = 15, kAttribute = 19, kLevel = 20;
constexpr std::size_t kNameLength = 21, kName = 22;
constexpr std::size_t kCommon = 22;  // read before the level is known
}  // namespace field

// OS ids of the header's OS field that matter to the reading.
constexpr std::uint8_t kOsUnix = 'U', kOsAmiga = 'A', kOsOs9 = '9', kOsOs9_68k = 'K';

// The header's bytes, read from the archive as far as they are needed.
class HeaderBytes {
 public:
  explicit HeaderBytes(ByteSource& in) : in_(in) {}
  // Makes the first n bytes available; false when the archive ends first.
  bool fetch(std::size_t n) {
    const std::size_t have = b_.size();
    if (n <= have) return true;
    b_.resize(n);
    const std::size_t got = read_fully(b_.data() + have, n - have);
    if (got == n - have) return true;
    b_.resize(have + got);
    return false;
  }
  std::size_t size() const { return b_.size(); }
  std::uint8_t* data() { return b_.data(); }
  std::uint8_t operator[](std::size_t i) const { return b_[i]; }
  std::uint16_t u16(std::size_t i) const { return le16(b_.data() + i); }
  std::uint32_t u32(std::size_t i) const { return le32(b_.data() + i); }
  std::string_view text(std::size_t i, std::size_t n) const {
    return {reinterpret_cast<const char*>(b_.data() + i), n};
  }

 private:
  std::size_t read_fully(std::uint8_t* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      const std::size_t got = in_.read(out + done, n - done);
      if (got == 0) break;
      done += got;
    }
    return done;
  }
  ByteSource& in_;
  std::vector<std::uint8_t> b_;
};

// What the extended headers (and level 0's extension area) said, applied
// once the header is complete.
struct Extras {
  bool has_name = false, has_dir = false, has_uname = false, has_udir = false;
  std::string name, dir;
  std::string uname, udir;  // raw UTF-16LE
  std::string comment;
  bool has_win_time = false, has_unix_time = false;
  std::int64_t win_time = 0, unix_time = 0;
  bool has_sizes = false;
  std::uint64_t packed = 0, original = 0;
  bool has_crc = false;
  std::size_t crc_at = 0;  // offset of the header CRC in the header's bytes
};

// An MS-DOS date and time (local time, two-second steps) as UTC seconds;
// 0 (no time: the file keeps the time it is written at) for a stamp with
// no month or day, as archivers that keep no times store it.
std::int64_t dos_time_to_unix(std::uint32_t dos) {
  if (((dos >> 21) & 0x0F) == 0 || ((dos >> 16) & 0x1F) == 0) return 0;
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

// One extended header: its type byte, then n bytes of data at d, found at
// offset data_at of the header.
void take_extended(Extras& x, Member& m, std::uint8_t type, const std::uint8_t* d, std::size_t n,
                   std::size_t data_at) {
  switch (type) {
    case 0x00:  // the header's CRC-16 (with this field as zero), then optional data
      if (n >= 2) {
        x.has_crc = true;
        x.crc_at = data_at;
      }
      break;
    case 0x01: x.has_name = true; x.name.assign(reinterpret_cast<const char*>(d), n); break;
    case 0x02: x.has_dir = true; x.dir.assign(reinterpret_cast<const char*>(d), n); break;
    case 0x3F: x.comment.assign(reinterpret_cast<const char*>(d), n); break;
    case 0x40:
      if (n >= 1) m.attribute = d[0];
      break;
    case 0x41:  // creation, last write, last access: 100 ns since 1601
      if (n >= 24) {
        x.has_win_time = true;
        x.win_time = static_cast<std::int64_t>(le64(d + 8) / 10000000) - 11644473600LL;
      }
      break;
    case 0x42:
      if (n >= 16) {
        x.has_sizes = true;
        x.packed = le64(d);
        x.original = le64(d + 8);
      }
      break;
    case 0x44: x.has_uname = true; x.uname.assign(reinterpret_cast<const char*>(d), n); break;
    case 0x45: x.has_udir = true; x.udir.assign(reinterpret_cast<const char*>(d), n); break;
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
      break;  // owners, OS-9 and OS/2 data and the like: nothing we need
  }
}

// Walks a chain of extended headers (levels 1 to 3). Each extended header
// is a type byte, its data and the size of the next one (0 ends the chain);
// a size counts all three. The size of the first lies at size_at; sizes
// are width bytes wide (2, or 4 at level 3). need(n) makes the first n
// bytes of the header available or says why they cannot be: level 1 reads
// its extended headers from the archive as the chain goes, levels 2 and 3
// keep them inside the header's stated size. ext_bytes gets the size of
// all the extended headers.
template <class Need>
HeaderStatus walk_extended(HeaderBytes& h, std::size_t size_at, std::size_t width, Need need, Member& m, Extras& x,
                           std::uint64_t& ext_bytes) {
  ext_bytes = 0;
  std::size_t pos = size_at + width;  // where the next extended header starts
  if (const HeaderStatus st = need(pos); st != HeaderStatus::Ok) return st;
  std::uint64_t next = width == 2 ? h.u16(size_at) : h.u32(size_at);
  while (next != 0) {
    if (next < 1 + width || next > kMaxHeaderSize - pos) return HeaderStatus::BadHeader;
    const std::size_t end = pos + static_cast<std::size_t>(next);
    if (const HeaderStatus st = need(end); st != HeaderStatus::Ok) return st;
    take_extended(x, m, h[pos], h.data() + pos + 1, end - width - pos - 1, pos + 1);
    next = width == 2 ? h.u16(end - 2) : h.u32(end - 4);
    ext_bytes += end - pos;
    pos = end;
  }
  return HeaderStatus::Ok;
}

// A name field that holds a NUL ends there; an Amiga archiver keeps the
// member's comment after it.
std::string_view cut_at_nul(std::string_view field, std::string* comment) {
  const std::size_t z = field.find('\0');
  if (z == std::string_view::npos) return field;
  if (comment) {
    std::string_view rest = field.substr(z + 1);
    while (!rest.empty() && rest.back() == '\0') rest.remove_suffix(1);
    comment->assign(rest);
  }
  return field.substr(0, z);
}

// Level 0, as MS-DOS LHarc and LHA wrote it:
//    0  1  header size S: the bytes after the first two (2 + S in all)
//    1  1  checksum: the sum of bytes 2 .. S+1, modulo 256
//    2 .. 21  the common fields
//   22  N  the path, '\' (or '/') between folders
//   22+N 2  CRC-16 of the original data
//   24+N    an extension area to the end of the header, when there is
//           room: Unix LHA's 'U', version 0, Unix time 4, mode 2, uid 2,
//           gid 2; OS-9/68K LHA's 'K' is alike with the time twice.
// Level 1 keeps this shape and adds:
//   24+N 1  OS id
//   25+N 2  size of the first extended header, the base header's last field;
//           the extended headers follow the base header, and the packed
//           size counts them too.
namespace level01 {
constexpr std::size_t kChecksum = 1, kMinSize = 24;  // sizes count from byte 0
inline std::size_t crc_at(std::size_t n) { return field::kName + n; }
inline std::size_t area_at(std::size_t n) { return field::kName + n + 2; }
inline std::size_t os_at(std::size_t n) { return field::kName + n + 2; }
inline std::size_t first_ext_at(std::size_t n) { return field::kName + n + 3; }
}  // namespace level01

HeaderStatus read_level_0_or_1(HeaderBytes& h, Member& m, Extras& x, std::string& name_field) {
  const std::size_t total = std::size_t(h[0]) + 2;
  if (total < level01::kMinSize) return HeaderStatus::BadHeader;
  if (!h.fetch(total)) return HeaderStatus::Truncated;
  unsigned sum = 0;
  for (std::size_t i = 2; i < total; ++i) sum += h[i];
  if ((sum & 0xFF) != h[level01::kChecksum]) return HeaderStatus::BadChecksum;
  const std::size_t n = h[field::kNameLength];
  if (level01::crc_at(n) + 2 > total) return HeaderStatus::BadHeader;
  name_field.assign(h.text(field::kName, n));
  m.crc = h.u16(level01::crc_at(n));
  m.mtime = dos_time_to_unix(h.u32(field::kTime));
  m.attribute = h[field::kAttribute];
  if (m.level == 0) {
    const std::size_t area = level01::area_at(n);
    // PMarc keeps comments in this area; only the Unix-like areas are read.
    const bool pmarc = m.method.compare(0, 3, "-pm") == 0;
    if (!pmarc && total >= area + 12 && h[area + 1] == 0 && (h[area] == kOsUnix || h[area] == kOsOs9_68k)) {
      m.os_id = h[area];
      x.has_unix_time = true;
      x.unix_time = h.u32(area + 2);
      if (h[area] == kOsUnix) {  // OS-9's permissions are no Unix mode
        m.has_unix_mode = true;
        m.unix_mode = h.u16(area + 6);
      }
    }
    return HeaderStatus::Ok;
  }
  if (level01::first_ext_at(n) + 2 > total) return HeaderStatus::BadHeader;
  m.os_id = h[level01::os_at(n)];
  std::uint64_t ext_bytes = 0;
  auto need = [&](std::size_t k) {
    if (k > kMaxHeaderSize) return HeaderStatus::BadHeader;
    return h.fetch(k) ? HeaderStatus::Ok : HeaderStatus::Truncated;
  };
  // The base header's last two bytes are the first size field.
  const HeaderStatus st = walk_extended(h, total - 2, 2, need, m, x, ext_bytes);
  if (st != HeaderStatus::Ok) return st;
  if (ext_bytes > m.packed_size) return HeaderStatus::BadHeader;
  m.packed_size -= ext_bytes;
  return HeaderStatus::Ok;
}

// Level 2:
//    0  2  header size: every byte of the header, extended headers included
//    2 .. 20  the common fields (time: Unix time)
//   21  2  CRC-16 of the original data
//   23  1  OS id
//   24  2  size of the first extended header
//   26     the extended headers; bytes after the chain's end pad the header
// OS-9/68K LHA writes here the size of what follows the size field, two
// bytes short: its chain of extended headers closes just past the stated
// end, with the closing zero size there.
namespace level2 {
constexpr std::size_t kCrc = 21, kOs = 23, kFirstExt = 24, kMinSize = 26;
}  // namespace level2

HeaderStatus read_level_2(HeaderBytes& h, Member& m, Extras& x) {
  if (!h.fetch(level2::kFirstExt)) return HeaderStatus::Truncated;
  m.os_id = h[level2::kOs];
  const bool os9 = m.os_id == kOsOs9_68k || m.os_id == kOsOs9;
  const std::size_t stated = h.u16(0);
  if (stated < (os9 ? level2::kFirstExt : level2::kMinSize)) return HeaderStatus::BadHeader;
  if (!h.fetch(stated)) return HeaderStatus::Truncated;
  m.mtime = h.u32(field::kTime);
  m.crc = h.u16(level2::kCrc);
  bool closed_past_end = false;
  auto need = [&](std::size_t k) {
    if (k <= stated) return HeaderStatus::Ok;
    if (!os9 || closed_past_end || k != stated + 2) return HeaderStatus::BadHeader;
    closed_past_end = true;
    return h.fetch(k) ? HeaderStatus::Ok : HeaderStatus::Truncated;
  };
  std::uint64_t ext_bytes = 0;
  const HeaderStatus st = walk_extended(h, level2::kFirstExt, 2, need, m, x, ext_bytes);
  // The two bytes past the end must be the chain's closing zero.
  if (st == HeaderStatus::Ok && closed_past_end && h.u16(stated) != 0) return HeaderStatus::BadHeader;
  return st;
}

// Level 3 (sizes of 4 bytes):
//    0  2  word size: 4
//    2 .. 20  the common fields (time: Unix time)
//   21  2  CRC-16 of the original data
//   23  1  OS id
//   24  4  header size, extended headers included
//   28  4  size of the first extended header
//   32     the extended headers
namespace level3 {
constexpr std::size_t kCrc = 21, kOs = 23, kSize = 24, kFirstExt = 28, kMinSize = 32;
}  // namespace level3

HeaderStatus read_level_3(HeaderBytes& h, Member& m, Extras& x) {
  if (h.u16(0) != 4) return HeaderStatus::BadHeader;
  if (!h.fetch(level3::kMinSize)) return HeaderStatus::Truncated;
  const std::uint32_t stated = h.u32(level3::kSize);
  if (stated < level3::kMinSize || stated > kMaxHeaderSize) return HeaderStatus::BadHeader;
  if (!h.fetch(stated)) return HeaderStatus::Truncated;
  m.mtime = h.u32(field::kTime);
  m.crc = h.u16(level3::kCrc);
  m.os_id = h[level3::kOs];
  auto need = [&](std::size_t k) { return k <= stated ? HeaderStatus::Ok : HeaderStatus::BadHeader; };
  std::uint64_t ext_bytes = 0;
  return walk_extended(h, level3::kFirstExt, 4, need, m, x, ext_bytes);
}

// Splits a CP932 path at '\' and '/' (whole characters only) and at the
// 0xFF that level 2 folder fields use. leading is set when the path began
// with a separator. True when the path ends without a name: it is empty or
// ends with a separator.
bool split_cp932(std::string_view s, std::vector<std::string>& out, bool& leading) {
  std::string part;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sjis::char_len(s, i);
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (n == 1 && (c == '\\' || c == '/' || c == 0xFF)) {
      if (i == 0) leading = true;
      if (!part.empty()) out.push_back(std::move(part));
      part.clear();
    } else {
      part.append(s.substr(i, n));
    }
    i += n;
  }
  if (part.empty()) return true;
  out.push_back(std::move(part));
  return false;
}

// The same for a UTF-16LE path, converted to CP932 per component; it ends
// at a NUL.
bool split_utf16(std::string_view raw, std::vector<std::string>& out, bool& leading) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(raw.data());
  std::u16string part;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(le16(p + i));
    if (c == 0) break;
    if (c == u'\\' || c == u'/' || c == 0xFFFF) {
      if (i == 0) leading = true;
      if (!part.empty()) out.push_back(enc::utf16_to_cp932(part));
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (part.empty()) return true;
  out.push_back(enc::utf16_to_cp932(part));
  return false;
}

std::size_t find_colon(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); i += sjis::char_len(s, i))
    if (s[i] == ':') return i;
  return std::string_view::npos;
}

bool ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Takes the root off a split path: a leading separator, a drive letter
// ("C:", "C:\", "C:name") or an Amiga volume name ("Work:dir/x", ":dir/x"
// for the current volume). A name before a ':' is a volume when more of
// the path follows it or the member comes from an Amiga; otherwise the ':'
// stays in the name (a Windows stream name, which extraction refuses).
// Returns the root as stored, '\' for any separator.
std::string take_root(std::vector<std::string>& parts, bool leading, bool amiga) {
  std::string root = leading ? "\\" : "";
  if (parts.empty()) return root;
  std::string& first = parts.front();
  const std::size_t colon = find_colon(first);
  if (colon == std::string::npos) return root;
  const bool drive = colon == 1 && ascii_letter(first[0]);
  const bool volume = parts.size() > 1 || colon + 1 == first.size() || amiga;
  if (!drive && !volume) return root;
  root += first.substr(0, colon + 1);
  first.erase(0, colon + 1);
  if (first.empty()) {
    parts.erase(parts.begin());
    if (!parts.empty()) root += '\\';
  }
  return root;
}

void resolve_names(Member& m, Extras& x, std::string_view name_field) {
  std::vector<std::string> parts;
  bool leading = false, name_leading = false;
  if (x.has_udir)
    split_utf16(x.udir, parts, leading);
  else if (x.has_dir)
    split_cp932(cut_at_nul(x.dir, nullptr), parts, leading);
  const bool has_dir = x.has_udir || x.has_dir;
  std::string nul_comment;
  const bool no_name =
      x.has_uname ? split_utf16(x.uname, parts, name_leading)
                  : split_cp932(cut_at_nul(x.has_name ? std::string_view(x.name) : name_field, &nul_comment), parts,
                                name_leading);
  // Some archivers store a folder as a member of no data under another
  // method than -lhd-, its path ending with a separator.
  m.directory = m.method == "-lhd-" || (no_name && m.original_size == 0);
  m.comment = !nul_comment.empty() ? std::move(nul_comment) : std::string(cut_at_nul(x.comment, nullptr));
  m.root = take_root(parts, leading || (name_leading && !has_dir), m.os_id == kOsAmiga);
  if (!parts.empty() && !m.is_directory()) {
    m.name = std::move(parts.back());
    parts.pop_back();
  }
  m.folders = std::move(parts);
}

}  // namespace

bool looks_like_header(const std::uint8_t* p) {
  if (p[2] != '-' || p[6] != '-') return false;
  const char a = static_cast<char>(p[3]), b = static_cast<char>(p[4]), c = static_cast<char>(p[5]);
  const bool id_char = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
  return id_char && ((a == 'l' && (b == 'h' || b == 'z')) || (a == 'p' && b == 'm' && c != 's'));
}

// MS-DOS and CP/M fill a file's last record with ^Z (0x1A), and a text-mode
// copy appends one: a run of them that reaches the end of the file ends the
// archive as the end mark does. A header has its method id at offset 2, so
// what is read past a header's first bytes here is never a header's.
bool only_padding_left(HeaderBytes& h) {
  constexpr std::uint8_t kPad = 0x1A;
  if (h[0] != kPad) return false;
  std::size_t checked = 1;
  for (std::size_t want = field::kCommon;; want = std::min(want * 2, kMaxHeaderSize)) {
    const bool more = h.fetch(want);
    for (; checked < h.size(); ++checked)
      if (h[checked] != kPad) return false;
    if (!more) return true;
    if (want == kMaxHeaderSize) return false;
  }
}

HeaderStatus read_member_header(ByteSource& in, Member& out) {
  HeaderBytes h(in);
  if (!h.fetch(1)) return HeaderStatus::End;  // the end of the file
  // The end mark is a zero byte. A level 2 header whose size is a multiple
  // of 256 starts with one too, when its archiver did not pad it by a byte,
  // and it is read when the bytes after the zero are such a header's.
  if (h[0] == 0 && !(h.fetch(field::kCommon) && looks_like_header(h.data()) && h[field::kLevel] == 2 && h[1] != 0))
    return HeaderStatus::End;
  if (only_padding_left(h)) return HeaderStatus::End;
  if (!h.fetch(field::kCommon)) return HeaderStatus::Truncated;
  if (h[field::kMethod] != '-' || h[field::kMethod + 4] != '-') return HeaderStatus::BadHeader;

  Member m;
  Extras x;
  m.method.assign(h.text(field::kMethod, 5));
  m.level = h[field::kLevel];
  m.packed_size = h.u32(field::kPacked);
  m.original_size = h.u32(field::kOriginal);
  std::string name_field;
  HeaderStatus st;
  switch (m.level) {
    case 0:
    case 1: st = read_level_0_or_1(h, m, x, name_field); break;
    case 2: st = read_level_2(h, m, x); break;
    case 3: st = read_level_3(h, m, x); break;
    default: st = HeaderStatus::BadHeader; break;
  }
  if (st != HeaderStatus::Ok) return st;

  if (x.has_crc) {
    const std::uint16_t want = h.u16(x.crc_at);
    h.data()[x.crc_at] = h.data()[x.crc_at + 1] = 0;
    if (crc16(0, h.data(), h.size()) != want) return HeaderStatus::BadChecksum;
  }
  if (x.has_sizes) {
    m.packed_size = x.packed;
    m.original_size = x.original;
  }
  if (x.has_win_time)
    m.mtime = x.win_time;
  else if (x.has_unix_time)
    m.mtime = x.unix_time;
  resolve_names(m, x, name_field);
  out = std::move(m);
  return HeaderStatus::Ok;
}

}  // namespace relvo::lzh
