// make-media's steps in order: the header, the trees, the sizes, the
// layout, the disks written, the media read back.
#include "maker/media_maker.h"

#include <algorithm>
#include <map>
#include <set>

#include "archive/lzh_writer.h"
#include "base/line_reader.h"
#include "base/sjis.h"
#include "engine/update_rules.h"
#include "platform/encoding.h"

namespace relvo::maker {

namespace {

constexpr int kHeaderLines = 41;
constexpr int kFirstPictureLine = 21;  // view, start, destination, confirmation: lines 21 to 24

std::string LastComponent(const std::string& rel) {
  const std::size_t at = sjis::find_last_separator(rel);
  return at == std::string::npos ? rel : rel.substr(at + 1);
}
std::string ParentOf(const std::string& rel) {
  const std::size_t at = sjis::find_last_separator(rel);
  return at == std::string::npos ? std::string() : rel.substr(0, at);
}

// True when rel names a file inside a folder: components that are names,
// no root, drive or "..".
bool InsideFolder(const std::string& rel) {
  std::size_t from = 0;
  for (std::size_t i = 0; i <= rel.size(); i += i < rel.size() ? sjis::char_len(rel, i) : 1) {
    if (i < rel.size() && !(sjis::char_len(rel, i) == 1 && (rel[i] == '\\' || rel[i] == '/'))) continue;
    const std::string part = rel.substr(from, i - from);
    if (part.empty() || !NameProblem(part).empty()) return false;
    from = i + 1;
  }
  return true;
}

// The header's 41 lines, read as the wizard reads info.txt (LF, CR LF,
// Ctrl-Z), in CP932.
bool ReadHeader(FileSystem& fs, const std::string& path, std::vector<std::string>& lines, MadeMedia& m) {
  std::string bytes;
  if (!read_whole_file(fs, path, bytes)) {
    m.error = "cannot read the header " + path;
    return false;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    const std::string utf8 = bytes.substr(3);
    bytes = enc::utf8_to_cp932(utf8);
    if (std::count(bytes.begin(), bytes.end(), '?') != std::count(utf8.begin(), utf8.end(), '?'))
      m.warnings.push_back("the header holds characters Shift-JIS (CP932) cannot hold: each became '?'");
  } else if (!enc::is_valid_cp932(bytes)) {
    m.warnings.push_back("the header is not valid Shift-JIS (CP932): save it in Shift-JIS, or in UTF-8 with a "
                         "byte order mark");
  }
  MemoryByteSource src(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  LineReader reader(src);
  std::string line;
  while (static_cast<int>(lines.size()) < kHeaderLines && reader.next(line)) lines.push_back(line);
  if (static_cast<int>(lines.size()) < kHeaderLines) {
    m.error = "the header " + path + " has " + std::to_string(lines.size()) +
              " lines; a descriptor's header is 41 lines (empty ones count)";
    return false;
  }
  int rows = 0;
  while (reader.next(line)) rows += line.find_first_not_of(" \t") != std::string::npos;
  if (rows > 0)
    m.warnings.push_back("the header's archive table (" + std::to_string(rows) +
                         " rows) is not used: make-media writes the table");
  return true;
}

// Discards what it is given: an archive writer that only counts.
class CountingSink final : public lzh::OutputSink {
 public:
  void write(const std::uint8_t*, std::size_t) override {}
};

// The member a file of the new tree becomes: stored under its name alone,
// since the update extracts every member into the row's folder by name.
bool MemberOf(FileSystem& fs, const std::string& root, const std::string& rel, lzh::PackItem& item, std::string& error) {
  FileStatus st;
  if (!fs.get_status(root + rel, st)) {
    error = "cannot read " + root + rel;
    return false;
  }
  item.source = root + rel;
  item.name = LastComponent(rel);
  item.mtime = st.mtime;
  item.attribute = static_cast<std::uint8_t>(kAttrArchive | (st.attribute & (kAttrReadOnly | kAttrHidden | kAttrSystem)));
  return true;
}

// The bytes item takes in an archive: its header and packed data.
bool MemberSize(FileSystem& fs, const lzh::PackItem& item, std::uint64_t& size, std::string& error) {
  CountingSink sink;
  lzh::ArchiveWriter writer(sink, lzh::PackOptions{});
  lzh::PackedMember done;
  if (!writer.add(item, [&] { return std::unique_ptr<ByteSource>(fs.open_read(item.source)); }, done, error))
    return false;
  size = writer.size();
  return true;
}

class Maker {
 public:
  Maker(FileSystem& fs, const MakeMediaRequest& req, MadeMedia& m) : fs_(fs), req_(req), m_(m) {}

  bool run() {
    if (!ReadHeader(fs_, req_.header, header_, m_) || !outEmpty() || !compare() || !gather() || !pictures() ||
        !LayOut(request_, m_.layout, m_.error) || !write())
      return false;
    const std::string difference = VerifyMedia(fs_, m_.disks, m_.layout.rows, req_.newRoot);
    if (!difference.empty()) {
      m_.error = "the media read back differ from the new tree: " + difference;
      return false;
    }
    return true;
  }

 private:
  bool outEmpty() {
    if (req_.outDir.empty() || !sjis::ends_with_separator(req_.outDir)) {
      m_.error = "the output folder must be a folder text ending with a separator";
      return false;
    }
    if (fs_.exists(req_.outDir) && !fs_.find(req_.outDir + "*").empty()) {
      m_.error = req_.outDir + " is not empty: make-media writes into a new or empty folder";
      return false;
    }
    return true;
  }

  bool compare() {
    if (!CompareTrees(fs_, req_.oldRoot, req_.newRoot, m_.diff, m_.error)) return false;
    for (const std::string& r : m_.diff.removed)
      m_.warnings.push_back(r + ": not in the new tree; the update never deletes, so it stays");
    for (const std::string& n : m_.diff.notCarried) m_.warnings.push_back(n + "; not carried");
    if (m_.diff.added.empty() && m_.diff.changed.empty())
      m_.warnings.push_back("the new tree adds and changes no file: the media carry none");
    return true;
  }

  // The targets: every added and changed file under its folder, packed or
  // copied by a file row; every new folder made.
  bool gather() {
    std::map<std::string, TargetFiles> targets;  // by folder as spelled
    auto target = [&](const std::string& folder) -> TargetFiles& {
      TargetFiles& t = targets[folder];
      t.folder = folder;
      return t;
    };
    for (const std::string& f : m_.diff.newFolders) target(f).create = true;
    std::set<std::string> added(m_.diff.added.begin(), m_.diff.added.end());
    std::vector<std::string> files = m_.diff.added;
    files.insert(files.end(), m_.diff.changed.begin(), m_.diff.changed.end());
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return sjis::icompare(a, b) < 0; });
    const bool measure = req_.format.capacity != 0;
    for (const std::string& rel : files) {
      const std::string name = LastComponent(rel);
      TargetFiles& t = target(ParentOf(rel));
      if (IsMasterFilesName(sjis::split_path(sjis::to_upper(name)).base)) {
        if (name.find(',') == std::string::npos) {
          FileStatus st;
          if (!fs_.get_status(req_.newRoot + rel, st)) {
            m_.error = "cannot read " + req_.newRoot + rel;
            return false;
          }
          t.copied.push_back({rel, st.size});
          if (added.count(rel) && sjis::to_upper(name) != name)
            m_.warnings.push_back(rel + ": copied by a file row, whose name the update holds upper-cased: a new file "
                                        "is named " + sjis::to_upper(name));
          m_.carried.push_back(rel);
          continue;
        }
        m_.warnings.push_back(rel + ": a file row cannot name it (a comma), so it is packed, and does not mark the "
                                    "master files as a copied one does");
      }
      lzh::PackItem item;
      std::uint64_t size = 0;
      if (!MemberOf(fs_, req_.newRoot, rel, item, m_.error) || (measure && !MemberSize(fs_, item, size, m_.error)))
        return false;
      // A member larger than a disk fails here, before the rest is packed.
      if (measure && size >= req_.format.capacity) {
        m_.error = rel + " is too big for one disk: it takes " + std::to_string(size) +
                   " bytes in its archive; a disk holds " + std::to_string(req_.format.capacity);
        return false;
      }
      t.packed.push_back({rel, size});
      m_.carried.push_back(rel);
    }
    for (auto& [folder, t] : targets) request_.targets.push_back(std::move(t));
    request_.format = req_.format;
    request_.reserve = req_.reserve;
    for (const std::string& line : header_) request_.headerBytes += line.size() + 2;
    return true;
  }

  // The pictures the header names, from the pictures folder to disk 1. A
  // folder a picture's name holds counts as one cluster of its own.
  bool pictures() {
    if (req_.pictures.empty()) return true;
    std::set<std::string> seen;
    for (int i = 0; i < 4; ++i) {
      const std::string& name = header_[kFirstPictureLine - 1 + i];
      if (name.empty() || !seen.insert(sjis::to_upper(name)).second) continue;
      if (!InsideFolder(name)) {
        m_.warnings.push_back("picture " + name + " (line " + std::to_string(kFirstPictureLine + i) +
                              ") is no name inside the media folder: not copied");
        continue;
      }
      FileStatus st;
      if (!fs_.get_status(req_.pictures + name, st) || (st.attribute & kAttrDirectory)) {
        m_.warnings.push_back("picture " + name + " (line " + std::to_string(kFirstPictureLine + i) + ") is not in " +
                              req_.pictures + ": not copied");
        continue;
      }
      pictures_.push_back(name);
      request_.disk1Files.push_back({name, st.size});
      if (const std::string folder = ParentOf(name); !folder.empty() && seen.insert(sjis::to_upper(folder) + "\\").second)
        request_.disk1Files.push_back({folder, 1});
    }
    return true;
  }

  bool makeFolder(const std::string& path) {
    if (fs_.exists(path) || fs_.make_dir(path)) return true;
    m_.error = "cannot make the folder " + path;
    return false;
  }

  // Makes the folders of rel (a relative path's folders) below base.
  bool makeFolders(const std::string& base, const std::string& rel) {
    const std::string parent = ParentOf(rel);
    return parent.empty() || (makeFolders(base, parent) && makeFolder(base + parent));
  }

  bool copy(const std::string& from, const std::string& to) {
    if (fs_.copy_file(from, to)) return true;
    m_.error = "cannot copy " + from + " to " + to;
    return false;
  }

  bool write() {
    if (!makeFolder(req_.outDir)) return false;
    for (int n = 1; n <= m_.layout.disks; ++n) {
      // Each disk's folder ends with the separator the output folder does.
      m_.disks.push_back(req_.outDir + "disk" + std::to_string(n) + req_.outDir.back());
      if (!makeFolder(m_.disks.back())) return false;
    }
    for (const MediaRow& row : m_.layout.rows) {
      const std::string& disk = m_.disks[static_cast<std::size_t>(row.disk - 1)];
      if (!row.archive) {
        if (!makeFolders(disk, row.name) || !copy(req_.newRoot + row.files.front(), disk + row.name)) return false;
        continue;
      }
      std::vector<lzh::PackItem> items(row.files.size());
      for (std::size_t i = 0; i < row.files.size(); ++i)
        if (!MemberOf(fs_, req_.newRoot, row.files[i], items[i], m_.error)) return false;
      const std::string file = disk + row.name + ".LZH";
      const lzh::PackOutcome out = lzh::write_archive(fs_, file, items, lzh::PackOptions{});
      if (!out.ok) {
        m_.error = out.message;
        return false;
      }
      // The layout was worked out on the sizes the same files packed to.
      if (req_.format.capacity != 0 && out.archive_size != row.bytes) {
        m_.error = file + " came out " + std::to_string(out.archive_size) + " bytes long, not " +
                   std::to_string(row.bytes) + ": the new tree changed while the media were made";
        return false;
      }
    }
    for (const std::string& name : pictures_)
      if (!makeFolders(m_.disks.front(), name) || !copy(req_.pictures + name, m_.disks.front() + name)) return false;
    const std::string info = m_.disks.front() + "info.txt";
    if (!write_file_atomically(fs_, info, DescriptorText(header_, m_.layout.rows))) {
      m_.error = "cannot write " + info;
      return false;
    }
    return true;
  }

  FileSystem& fs_;
  const MakeMediaRequest& req_;
  MadeMedia& m_;
  std::vector<std::string> header_;
  std::vector<std::string> pictures_;
  LayoutRequest request_;
};

}  // namespace

MadeMedia MakeMedia(FileSystem& fs, const MakeMediaRequest& req) {
  MadeMedia m;
  try {
    m.ok = Maker(fs, req, m).run();
  } catch (const FileError& e) {
    m.ok = false;
    m.error = std::string("cannot ") + (e.op() == FileError::Op::Read ? "read " : "write ") + e.path();
  }
  return m;
}

}  // namespace relvo::maker
