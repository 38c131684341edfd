// Grouping, naming and splitting: the layout is worked out on sizes alone,
// before anything is written.
#include "maker/media_layout.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "base/sjis.h"
#include "engine/update_rules.h"
#include "maker/tree_diff.h"

namespace relvo::maker {

namespace {

// The floppy formats as DOS formats them with FAT12: the data area left
// after the boot sector, both FATs and the root folder.
struct Floppy {
  const char* name;
  std::uint64_t capacity;
  std::uint32_t cluster;
  int rootEntries;
};
constexpr Floppy kFloppies[] = {
    {"720K", 713 * 1024, 1024, 112},
    {"1200K", 2371 * 512, 512, 224},
    {"1440K", 2847 * 512, 512, 224},
    {"2880K", 2863 * 1024, 1024, 240},
};

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i < path.size(); i += sjis::char_len(path, i)) {
    if (sjis::char_len(path, i) == 1 && path[i] == '\\') {
      parts.push_back(std::move(part));
      part.clear();
    } else {
      part.append(path.substr(i, sjis::char_len(path, i)));
    }
  }
  if (!path.empty()) parts.push_back(std::move(part));
  return parts;
}

// Folders in table order: a parent before its children.
bool ParentFirst(const std::string& a, const std::string& b) {
  const std::vector<std::string> ca = Components(a), cb = Components(b);
  for (std::size_t i = 0; i < ca.size() && i < cb.size(); ++i)
    if (const int c = sjis::icompare(ca[i], cb[i]); c != 0) return c < 0;
  return ca.size() < cb.size();
}

// The root folder entries a file name takes: one for an upper-case 8.3
// name; a long name one more for every 13 of its characters.
int EntriesOf(std::string_view name) {
  std::size_t chars = 0, base = 0, ext = 0;
  bool dot = false, shortName = true;
  for (std::size_t i = 0; i < name.size(); i += sjis::char_len(name, i)) {
    const std::size_t n = sjis::char_len(name, i);
    ++chars;
    if (n == 1) {
      const char c = name[i];
      if (c == '.') {
        shortName = shortName && !dot;
        dot = true;
        continue;
      }
      const bool plain = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::strchr("!#$%&'()-@^_`{}~", c);
      shortName = shortName && plain && c != '\0';
    }
    (dot ? ext : base) += n;
  }
  if (shortName && base >= 1 && base <= 8 && ext <= 3 && !(dot && ext == 0)) return 1;
  return 1 + static_cast<int>((chars + 12) / 13);
}

std::string ArchiveTarget(const std::string& folder) { return folder.empty() ? "." : folder; }
std::string FileTarget(const std::string& folder) { return ArchiveTarget(folder) + "\\"; }

// Names on the media, unique over every disk (upper-cased root entries).
class Names {
 public:
  void take(const std::string& name) { used_.insert(sjis::to_upper(Components(name).front())); }

  // An archive for folder: up to 8 letters, digits, '_' and '-' of its
  // last component, numbered where taken.
  std::string archive(const std::string& folder) {
    const std::vector<std::string> parts = Components(folder);
    std::string base;
    const std::string last = parts.empty() ? "" : parts.back();
    for (std::size_t i = 0; i < last.size() && base.size() < 8; i += sjis::char_len(last, i)) {
      const char c = last[i];
      if (sjis::char_len(last, i) == 1 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                                           c == '_' || c == '-'))
        base += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (base.empty()) base = parts.empty() ? "ROOT" : "FILES";
    for (int n = 1;; ++n) {
      std::string name = base;
      if (n > 1) {
        const std::string suffix = std::to_string(n);
        name = base.substr(0, 8 - suffix.size()) + suffix;
      }
      if (IsStartArchive(name) || !NameProblem(name).empty() || used_.count(name + ".LZH")) continue;
      used_.insert(name + ".LZH");
      return name;
    }
  }

  // A file row's path on the disk: the file's own name, upper-cased as the
  // table reader holds it, in a folder of its own (F1, F2, ...) when taken.
  std::string fileRow(const std::string& rel) {
    const std::string name = sjis::to_upper(Components(rel).back());
    if (used_.insert(name).second) return name;
    for (int n = 1;; ++n) {
      const std::string folder = "F" + std::to_string(n);
      if (used_.insert(folder).second) return folder + "\\" + name;
    }
  }

 private:
  std::set<std::string> used_;
};

class Packer {
 public:
  Packer(const LayoutRequest& req, std::uint64_t descriptorBytes, MediaLayout& out)
      : req_(req), f_(req.format), out_(out) {
    used_ = round(descriptorBytes) + round(req.reserve);
    entries_ = EntriesOf("info.txt");
    names_.take("INFO.TXT");
    for (const MediaFile& file : req.disk1Files) {
      used_ += round(file.size);
      entries_ += EntriesOf(file.name);
      names_.take(file.name);
    }
  }

  bool run(std::string& error) {
    if (!fits(0, 0)) {
      error = "info.txt, the pictures and the reserve take " + std::to_string(used_) + " bytes; disk 1 holds " +
              std::to_string(f_.capacity);
      return false;
    }
    std::vector<const TargetFiles*> targets;
    for (const TargetFiles& t : req_.targets) targets.push_back(&t);
    std::stable_sort(targets.begin(), targets.end(),
                     [](const TargetFiles* a, const TargetFiles* b) { return ParentFirst(a->folder, b->folder); });
    for (const TargetFiles* t : targets) {
      for (const MediaFile& m : t->packed)
        if (!pack(*t, m, error)) return false;
      open_ = npos;
      if (t->create && t->packed.empty() && t->copied.empty() && !place(emptyArchive(*t), error)) return false;
      for (const MediaFile& m : t->copied) {
        MediaRow row{0, false, names_.fileRow(m.name), FileTarget(t->folder), {m.name}, m.size};
        if (!place(std::move(row), error, t)) return false;
      }
    }
    out_.disks = disk_;
    return true;
  }

 private:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  std::uint64_t round(std::uint64_t n) const { return (n + f_.cluster - 1) / f_.cluster * f_.cluster; }
  bool limited() const { return f_.capacity != 0; }
  bool fits(std::uint64_t bytes, int entries) const {
    return !limited() ||
           (used_ + bytes <= f_.capacity && (f_.rootEntries == 0 || entries_ + entries <= f_.rootEntries));
  }
  bool fitsEmpty(std::uint64_t bytes, int entries) const {
    return !limited() || (bytes <= f_.capacity && (f_.rootEntries == 0 || entries <= f_.rootEntries));
  }

  // What a row takes on its disk: its file (and the folder it is in).
  std::uint64_t bytesOf(const MediaRow& row) const {
    return round(row.bytes) + (row.name.find('\\') != std::string::npos ? round(1) : 0);
  }
  static int entriesOf(const MediaRow& row) {
    return row.archive ? 1 : EntriesOf(Components(row.name).front());
  }

  MediaRow emptyArchive(const TargetFiles& t) {
    return MediaRow{0, true, names_.archive(t.folder), ArchiveTarget(t.folder), {}, 1};
  }

  // The disk prompt knows a disk by the first row's NAME.lzh: true when
  // that file is the row's own.
  static bool KnownByPrompt(const MediaRow& row) {
    return sjis::iequals(DiskPromptFile("", row.name), row.archive ? row.name + ".LZH" : row.name);
  }

  // Adds the member m of t's archive: to the open one while the disk has
  // room, else to a new one.
  bool pack(const TargetFiles& t, const MediaFile& m, std::string& error) {
    if (open_ != npos) {
      MediaRow& row = out_.rows[open_];
      const std::uint64_t grown = round(row.bytes + m.size) - round(row.bytes);
      if (fits(grown, 0)) {
        used_ += grown;
        row.bytes += m.size;
        row.files.push_back(m.name);
        return true;
      }
    }
    MediaRow row = emptyArchive(t);
    row.files.push_back(m.name);
    row.bytes += m.size;
    if (!place(std::move(row), error)) return false;
    open_ = out_.rows.size() - 1;
    return true;
  }

  // Puts row on this disk, or on the next when this one has no room. A
  // row that the disk prompt would not know the next disk by gets an
  // empty archive of its folder (t) before it there.
  bool place(MediaRow row, std::string& error, const TargetFiles* t = nullptr) {
    const std::uint64_t bytes = bytesOf(row);
    const int entries = entriesOf(row);
    if (fits(bytes, entries)) {
      add(std::move(row), bytes, entries);
      return true;
    }
    const bool marker = !KnownByPrompt(row);
    const std::uint64_t markerBytes = marker ? round(1) : 0;
    if (!fitsEmpty(bytes + markerBytes, entries + marker)) {
      error = row.files.empty() ? row.name : row.files.back();
      error += " is too big for one disk: it takes " + std::to_string(bytes) + " bytes on the media; a disk holds " +
               std::to_string(f_.capacity);
      return false;
    }
    ++disk_;
    used_ = 0;
    entries_ = 0;
    open_ = npos;
    if (marker) add(emptyArchive(*t), markerBytes, 1);
    add(std::move(row), bytes, entries);
    return true;
  }

  void add(MediaRow row, std::uint64_t bytes, int entries) {
    row.disk = disk_;
    used_ += bytes;
    entries_ += entries;
    out_.rows.push_back(std::move(row));
  }

  const LayoutRequest& req_;
  const DiskFormat& f_;
  MediaLayout& out_;
  Names names_;
  int disk_ = 1;
  std::uint64_t used_ = 0;
  int entries_ = 0;
  std::size_t open_ = npos;  // the row of the archive being filled
};

std::uint64_t DescriptorBytes(std::uint64_t headerBytes, const std::vector<MediaRow>& rows) {
  std::uint64_t n = headerBytes;
  for (const MediaRow& row : rows) n += RowLine(row).size() + 2;
  return n;
}

}  // namespace

bool ParseDiskSize(std::string_view text, DiskFormat& out) {
  out = DiskFormat{};
  if (text == "none") return true;
  for (const Floppy& f : kFloppies) {
    if (sjis::iequals(text, f.name)) {
      out = DiskFormat{f.capacity, f.cluster, f.rootEntries};
      return true;
    }
  }
  std::uint64_t n = 0, unit = 1;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (n > (std::uint64_t(1) << 40)) return false;
    n = n * 10 + static_cast<unsigned>(text[i] - '0');
  }
  if (i == 0) return false;
  const std::string_view suffix = text.substr(i);
  if (suffix == "K" || suffix == "k") unit = 1024;
  else if (suffix == "M" || suffix == "m") unit = 1024 * 1024;
  else if (!suffix.empty()) return false;
  out.capacity = n * unit;
  return out.capacity > 0;
}

bool LayOut(const LayoutRequest& req, MediaLayout& out, std::string& error) {
  if (req.format.cluster == 0) {
    error = "a disk's cluster size cannot be 0";
    return false;
  }
  // info.txt grows with the rows, and its room on disk 1 decides the
  // rows: laid out again with the room it turned out to need.
  std::uint64_t descriptor = req.headerBytes;
  for (int round = 0; round < 8; ++round) {
    MediaLayout attempt;
    if (!Packer(req, descriptor, attempt).run(error)) return false;
    attempt.descriptorBytes = DescriptorBytes(req.headerBytes, attempt.rows);
    if (attempt.descriptorBytes <= descriptor) {
      out = std::move(attempt);
      return true;
    }
    descriptor = attempt.descriptorBytes;
  }
  error = "info.txt's room on disk 1 did not settle";
  return false;
}

std::string RowLine(const MediaRow& row) {
  return std::to_string(row.disk) + (row.archive ? ",1," : ",2,") + row.name + "," + row.target;
}

std::string DescriptorText(const std::vector<std::string>& header, const std::vector<MediaRow>& rows) {
  std::string text;
  for (const std::string& line : header) text += line + "\r\n";
  for (const MediaRow& row : rows) text += RowLine(row) + "\r\n";
  return text;
}

}  // namespace relvo::maker
