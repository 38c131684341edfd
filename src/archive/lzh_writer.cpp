// Writing archives: member headers of levels 0 to 2, each member packed in
// memory first (its sizes go into the header before its data), and the
// archive file made beside its name and renamed into place when whole.
#include "archive/lzh_writer.h"

#include <algorithm>
#include <ctime>

#include "archive/crc16.h"
#include "archive/decoder.h"
#include "archive/lzh_messages.h"
#include "base/sjis.h"
#include "platform/encoding.h"

namespace relvo::lzh {

namespace {

// The most data a member may hold: the headers' size fields are 32 bits,
// and at level 1 the packed size counts the extended headers too.
constexpr std::uint64_t kMaxMemberSize = 0xFFFE0000u;
// What DOS and Windows archivers put in a header's OS field.
constexpr char kOsWindows = 'w';
// Extended header types.
constexpr char kExtHeaderCrc = 0x00, kExtName = 0x01, kExtFolders = 0x02, kExtAttribute = 0x40;
// Level 1 and 2 folder fields separate (and end) their components with it.
constexpr char kFolderSeparator = '\xFF';

void put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint64_t v) {
  put16(s, static_cast<unsigned>(v & 0xFFFF));
  put16(s, static_cast<unsigned>((v >> 16) & 0xFFFF));
}
void set16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// A time as MS-DOS keeps it (local time, two-second steps), held to the
// years it can hold (1980 to 2107).
std::uint32_t dos_time(std::int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  const std::tm* lt = t >= 0 ? std::localtime(&tt) : nullptr;  // the program runs on one thread
  if (!lt || lt->tm_year < 80) return 1u << 21 | 1u << 16;  // 1980-01-01 00:00:00
  if (lt->tm_year > 207) return 127u << 25 | 12u << 21 | 31u << 16 | 23u << 11 | 59u << 5 | 29u;
  return static_cast<std::uint32_t>(lt->tm_year - 80) << 25 | static_cast<std::uint32_t>(lt->tm_mon + 1) << 21 |
         static_cast<std::uint32_t>(lt->tm_mday) << 16 | static_cast<std::uint32_t>(lt->tm_hour) << 11 |
         static_cast<std::uint32_t>(lt->tm_min) << 5 | static_cast<std::uint32_t>(lt->tm_sec / 2);
}

// The components of a stored name, split at '\' (whole characters only);
// false for a name an archive must not hold (see ArchiveWriter::add).
bool split_name(const std::string& name, std::vector<std::string>& parts) {
  if (name.empty() || !enc::is_valid_cp932(name)) return false;
  std::string part;
  for (std::size_t i = 0; i <= name.size();) {
    const std::size_t n = i < name.size() ? sjis::char_len(name, i) : 1;
    if (i == name.size() || (n == 1 && name[i] == '\\')) {
      if (part.empty() || part == "." || part == "..") return false;
      parts.push_back(std::move(part));
      part.clear();
    } else if (n == 1 && (name[i] == '/' || name[i] == '\0')) {
      return false;
    } else {
      part.append(name, i, n);
    }
    i += n;
  }
  return true;
}

struct Fields {
  const char* method;
  std::uint64_t packed = 0, original = 0;
  std::uint16_t crc = 0;
  std::int64_t mtime = 0;
  std::uint8_t attribute = 0;
  std::vector<std::string> folders;
  std::string name;  // empty for a folder
};

// The common fields after the method id: sizes, time, attribute, level.
void put_common(std::string& h, const Fields& f, std::uint64_t packed, std::uint32_t time, std::uint8_t attribute,
                int level) {
  h += f.method;
  put32(h, packed);
  put32(h, f.original);
  put32(h, time);
  h += static_cast<char>(attribute);
  h += static_cast<char>(level);
}

// Level 0, as MS-DOS LHA writes it: the whole path in the name field, '\'
// between components. False when it does not fit in the header.
bool level0(const Fields& f, std::string& h) {
  std::string path;
  for (const std::string& d : f.folders) path += d + '\\';
  path += f.name;
  if (22 + path.size() + 2 > 257) return false;
  h = "  ";
  put_common(h, f, f.packed, dos_time(f.mtime), f.attribute, 0);
  h += static_cast<char>(path.size());
  h += path;
  put16(h, f.crc);
  h[0] = static_cast<char>(h.size() - 2);
  unsigned sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
  h[1] = static_cast<char>(sum & 0xFF);
  return true;
}

// A chain of extended headers, each followed by the size of the next; first
// gets the size of the first (0 for none). The chain ends with a 0. False
// when one is too long for its size field.
bool chain(const std::vector<std::string>& ext, std::string& out, unsigned& first) {
  for (std::size_t i = 0; i < ext.size(); ++i) {
    if (ext[i].size() + 2 > 0xFFFF) return false;
    out += ext[i];
    put16(out, i + 1 < ext.size() ? static_cast<unsigned>(ext[i + 1].size() + 2) : 0u);
  }
  first = ext.empty() ? 0 : static_cast<unsigned>(ext[0].size() + 2);
  return true;
}

std::string folders_field(const std::vector<std::string>& folders) {
  std::string s(1, kExtFolders);
  for (const std::string& d : folders) s += d + kFolderSeparator;
  return s;
}

std::string attribute_field(std::uint8_t attribute) {
  return std::string(1, kExtAttribute) + static_cast<char>(attribute) + '\0';
}

// True when a character of s has 0x5C ('\') for its second byte.
bool has_5c_trail(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); i += sjis::char_len(s, i))
    if (sjis::char_len(s, i) == 2 && s[i + 1] == '\\') return true;
  return false;
}

// Level 1: the name in the base header, then extended headers after it:
// its folders (0xFF after each component) and the MS-DOS attribute, whose
// byte in the base header holds 0x20 as at level 2 (readers take a level 1
// header by it). The packed size counts the extended headers. A name the
// base header cannot hold whole goes into an extended header of its own,
// the base header's name left empty: one too long, and one with a 0x5C
// trail byte ("ソ"), which readers that split the name field at every '\'
// byte would cut.
bool level1(const Fields& f, std::string& h) {
  const bool name_apart = 27 + f.name.size() > 257 || has_5c_trail(f.name);
  std::vector<std::string> ext;
  if (name_apart) ext.push_back(kExtName + f.name);
  if (!f.folders.empty()) ext.push_back(folders_field(f.folders));
  ext.push_back(attribute_field(f.attribute));
  std::string tail;
  unsigned first = 0;
  if (!chain(ext, tail, first)) return false;
  h = "  ";
  put_common(h, f, f.packed + tail.size(), dos_time(f.mtime), 0x20, 1);
  const std::string base_name = name_apart ? "" : f.name;
  h += static_cast<char>(base_name.size());
  h += base_name;
  put16(h, f.crc);
  h += kOsWindows;
  put16(h, first);
  h[0] = static_cast<char>(h.size() - 2);
  unsigned sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
  h[1] = static_cast<char>(sum & 0xFF);
  h += tail;
  return true;
}

// Level 2: Unix time, the header's own CRC-16 first among the extended
// headers, then name, folders and the MS-DOS attribute. A header whose
// size is a multiple of 256 would begin with a zero byte, which readers
// take for the end mark: it gets a byte of padding.
bool level2(const Fields& f, std::string& h) {
  std::vector<std::string> ext;
  ext.push_back(std::string(1, kExtHeaderCrc) + std::string(2, '\0'));
  if (!f.name.empty()) ext.push_back(kExtName + f.name);
  if (!f.folders.empty()) ext.push_back(folders_field(f.folders));
  ext.push_back(attribute_field(f.attribute));
  std::string tail;
  unsigned first = 0;
  if (!chain(ext, tail, first)) return false;
  const std::uint32_t time = static_cast<std::uint32_t>(std::clamp<std::int64_t>(f.mtime, 0, 0xFFFFFFFF));
  h = "  ";
  put_common(h, f, f.packed, time, 0x20, 2);
  put16(h, f.crc);
  h += kOsWindows;
  put16(h, first);
  h += tail;
  if ((h.size() & 0xFF) == 0) h += '\0';
  if (h.size() > 0xFFFF) return false;
  set16(h, 0, static_cast<unsigned>(h.size()));
  set16(h, 27, crc16(0, h.data(), h.size()));  // the first extended header's data
  return true;
}

bool make_header(const Fields& f, int level, std::string& h) {
  switch (level) {
    case 0: return level0(f, h);
    case 1: return level1(f, h);
    default: return level2(f, h);
  }
}

class FileSink final : public OutputSink {
 public:
  explicit FileSink(FileWriter& w) : w_(w) {}
  void write(const std::uint8_t* data, std::size_t n) override { w_.write(data, n); }

 private:
  FileWriter& w_;
};

std::string join(const std::string& folder, const std::string& rel) {
  if (folder.empty()) return rel;
  if (rel.empty()) return folder;
  return sjis::ends_with_separator(folder) ? folder + rel : folder + '\\' + rel;
}

}  // namespace

bool can_write(const PackOptions& opt) {
  if (opt.level < 0 || opt.level > 2) return false;
  if (opt.method == "-lh0-") return true;
  const MethodSpec* spec = find_method(opt.method);
  return spec && spec->make_encoder;
}

ArchiveWriter::ArchiveWriter(OutputSink& out, const PackOptions& opt) : out_(out), opt_(opt) {}

void ArchiveWriter::put(const std::uint8_t* p, std::size_t n) {
  out_.write(p, n);
  size_ += n;
}
void ArchiveWriter::put(const std::string& bytes) {
  put(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void ArchiveWriter::finish() { put(std::string(1, '\0')); }

bool ArchiveWriter::add(const PackItem& item, const Opener& open, PackedMember& done, std::string& message) {
  Fields f;
  if (!split_name(item.name, f.folders)) {
    message = msg::name_not_storable(item.name);
    return false;
  }
  if (!item.folder) {
    f.name = std::move(f.folders.back());
    f.folders.pop_back();
  }
  f.mtime = item.mtime;
  f.attribute = item.attribute;
  done = PackedMember{item.name, item.folder ? "-lhd-" : opt_.method};
  std::string header;
  const std::string& shown = item.source.empty() ? item.name : item.source;

  std::vector<std::uint8_t> packed;
  if (!item.folder) {
    // The first reading packs (or, for -lh0-, only counts) the data.
    const std::unique_ptr<ByteSource> src = open();
    if (!src) {
      message = msg::file_unreadable(shown);
      return false;
    }
    const MethodSpec* spec = opt_.method == "-lh0-" ? nullptr : find_method(opt_.method);
    const std::unique_ptr<Encoder> enc = spec ? spec->make_encoder(packed) : nullptr;
    std::vector<std::uint8_t> buf(std::size_t(1) << 16);
    for (std::size_t k; (k = src->read(buf.data(), buf.size())) > 0;) {
      done.crc = crc16(done.crc, buf.data(), k);
      done.original += k;
      if (done.original > kMaxMemberSize) {
        message = msg::file_too_large(shown);
        return false;
      }
      if (enc) enc->write(buf.data(), k);
    }
    if (enc) enc->finish();
    if (!enc || packed.size() >= done.original) {
      done.method = "-lh0-";
      packed.clear();
      packed.shrink_to_fit();
    }
  }
  f.method = done.method.c_str();
  f.original = done.original;
  f.crc = done.crc;
  f.packed = done.method == "-lh0-" ? done.original : packed.size();
  if (!make_header(f, opt_.level, header)) {
    message = msg::name_too_long(item.name, opt_.level);
    return false;
  }
  done.header = header.size();
  done.packed = f.packed;
  put(header);
  if (done.method != "-lh0-") {
    put(packed.data(), packed.size());
    return true;
  }
  if (item.folder || done.original == 0) return true;

  // Stored: the data is read again, and must be what was read before.
  const std::unique_ptr<ByteSource> src = open();
  if (!src) {
    message = msg::file_unreadable(shown);
    return false;
  }
  std::vector<std::uint8_t> buf(std::size_t(1) << 16);
  std::uint64_t left = done.original;
  std::uint16_t crc = 0;
  while (left > 0) {
    const std::size_t k = src->read(buf.data(), static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size())));
    if (k == 0) break;
    crc = crc16(crc, buf.data(), k);
    put(buf.data(), k);
    left -= k;
  }
  if (left > 0 || crc != done.crc || src->read(buf.data(), 1) != 0) {
    message = msg::file_changed(shown);
    return false;
  }
  return true;
}

PackOutcome write_archive(FileSystem& fs, const std::string& archive, const std::vector<PackItem>& items,
                          const PackOptions& opt) {
  PackOutcome r;
  if (!can_write(opt)) {
    r.message = msg::unsupported_method(archive, opt.method);
    return r;
  }
  if (fs.exists(archive)) {
    r.message = msg::archive_exists(archive);
    return r;
  }
  const std::string temp = sibling_temp_name(archive);
  std::unique_ptr<FileWriter> w = fs.create_temp(temp);
  if (!w) {
    r.message = msg::write_failed(archive);
    return r;
  }
  bool whole = false;
  try {
    FileSink sink(*w);
    ArchiveWriter aw(sink, opt);
    whole = true;
    for (const PackItem& item : items) {
      PackedMember done;
      const ArchiveWriter::Opener open = [&]() -> std::unique_ptr<ByteSource> { return fs.open_read(item.source); };
      if (!aw.add(item, open, done, r.message)) {
        whole = false;
        break;
      }
      r.members.push_back(std::move(done));
    }
    if (whole) {
      aw.finish();
      r.archive_size = aw.size();
      w->flush();
    }
    w->close();
  } catch (const FileError& e) {
    whole = false;
    r.message = e.op() == FileError::Op::Read ? msg::file_unreadable(e.path()) : msg::write_failed(archive);
  }
  w.reset();
  // The name is checked once more: another program may have made it since.
  if (whole && fs.exists(archive)) {
    whole = false;
    r.message = msg::archive_exists(archive);
  }
  if (whole && !fs.rename(temp, archive)) {
    whole = false;
    r.message = msg::write_failed(archive);
  }
  if (!whole) {
    fs.remove(temp);
    r.members.clear();
    r.archive_size = 0;
    return r;
  }
  r.ok = true;
  return r;
}

namespace {

// Adds the file or folder at base + rel (rel: the stored name) and, for a
// folder, everything below it.
bool gather(FileSystem& fs, const std::string& base, const std::string& rel, std::vector<PackItem>& items,
            std::string& message);

bool gather_contents(FileSystem& fs, const std::string& base, const std::string& rel, std::vector<PackItem>& items,
                     std::string& message) {
  for (const FoundEntry& e : fs.find(join(join(base, rel), "*"))) {
    const std::string child = join(rel, e.name);
    // The file layer shows a character CP932 has no place for as '?',
    // which no file name on the archive's systems may hold.
    if (e.name.find('?') != std::string::npos) {
      message = msg::name_not_storable(child);
      return false;
    }
    if (!gather(fs, base, child, items, message)) return false;
  }
  return true;
}

bool gather(FileSystem& fs, const std::string& base, const std::string& rel, std::vector<PackItem>& items,
            std::string& message) {
  const std::string path = join(base, rel);
  FileStatus st;
  if (!fs.get_status(path, st)) {
    message = msg::file_missing(path);
    return false;
  }
  PackItem item;
  item.source = path;
  item.name = rel;
  item.mtime = st.mtime;
  item.attribute = static_cast<std::uint8_t>(kAttrArchive | (st.attribute & (kAttrReadOnly | kAttrHidden | kAttrSystem)));
  if (!(st.attribute & kAttrDirectory)) {
    items.push_back(std::move(item));
    return true;
  }
  if (!fs.is_plain_folder(path)) {
    message = msg::link_not_packed(path);
    return false;
  }
  item.folder = true;
  item.attribute = static_cast<std::uint8_t>((item.attribute & ~kAttrArchive) | kAttrDirectory);
  items.push_back(std::move(item));
  return gather_contents(fs, base, rel, items, message);
}

}  // namespace

bool gather_items(FileSystem& fs, const std::string& base, const std::vector<std::string>& paths,
                  std::vector<PackItem>& items, std::string& message) {
  for (const std::string& p : paths) {
    // The path's components, "." and empty ones dropped; a root or ".."
    // would make a stored name that leaves the folder it is extracted into.
    std::string rel, part;
    bool outside = false;
    for (std::size_t i = 0; i <= p.size();) {
      const std::size_t n = i < p.size() ? sjis::char_len(p, i) : 1;
      if (i == p.size() || (n == 1 && (p[i] == '\\' || p[i] == '/'))) {
        if (i == 0 && i < p.size()) outside = true;
        if (part == "..") outside = true;
        if (!part.empty() && part != ".") rel = join(rel, part);
        part.clear();
      } else {
        if (n == 1 && p[i] == ':') outside = true;
        part.append(p, i, n);
      }
      i += n;
    }
    if (outside) {
      message = msg::path_outside(p);
      return false;
    }
    if (!rel.empty()) {
      if (!gather(fs, base, rel, items, message)) return false;
      continue;
    }
    FileStatus st;
    const std::string here = base.empty() ? "." : base;
    if (!fs.get_status(here, st) || !(st.attribute & kAttrDirectory)) {
      message = msg::file_missing(here);
      return false;
    }
    if (!gather_contents(fs, base, rel, items, message)) return false;
  }
  return true;
}

}  // namespace relvo::lzh
