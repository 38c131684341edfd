// The in-memory file layer over another: every change kept as a node keyed
// by its path, every other path read from below.
#include "platform/overlay_files.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/sjis.h"

namespace relvo {

namespace {

constexpr std::uint8_t kKeptAttributes = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

bool is_separator_at(std::string_view s, std::size_t i) {
  return (s[i] == '\\' || s[i] == '/') && sjis::char_len(s, i) == 1;
}

// The match of one name against a find pattern's last component, with the
// DOS forms a directory listing accepts: "*.*" for every name, "name.*" also
// for a name without extension, "name." for a name without dot.
bool dos_match(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (sjis::wildcard_match(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      sjis::wildcard_match(pattern.substr(0, pattern.size() - 2), name))
    return true;
  return !pattern.empty() && pattern.back() == '.' && !sjis::contains(name, ".") &&
         sjis::wildcard_match(pattern.substr(0, pattern.size() - 1), name);
}

// The last component of a full name as a backend reports it.
std::string last_component(const std::string& full) {
  std::string s = full;
  while (!s.empty() && sjis::ends_with_separator(s)) s.pop_back();
  const std::size_t sep = sjis::find_last_separator(s);
  return sep == std::string::npos ? s : s.substr(sep + 1);
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty() || sjis::ends_with_separator(folder) || (folder.size() == 2 && folder[1] == ':'))
    return folder + name;
  return folder + '\\' + name;
}

// What one kind of kept bytes may take together, and takes now.
struct Budget {
  std::uint64_t most = 0, kept = 0;
};

// A file's contents as the layer holds them: its bytes, or only its size
// once the bytes were let go (dropped). Bytes kept count against budget
// while they live.
struct Contents {
  std::string bytes;
  std::uint64_t size = 0;
  bool dropped = false;
  std::shared_ptr<Budget> budget;
  Contents() = default;
  Contents(const Contents&) = delete;
  Contents& operator=(const Contents&) = delete;
  ~Contents() {
    if (budget) budget->kept -= bytes.size();
  }
};

class MemoryReader final : public FileReader {
 public:
  MemoryReader(std::shared_ptr<Contents> data, std::string path) : data_(std::move(data)), path_(std::move(path)) {}
  std::size_t read(void* buf, std::size_t n) override {
    // Bytes that were not kept are never made up: reading them fails.
    if (data_->dropped) throw FileError(FileError::Op::Read, path_);
    const std::string& b = data_->bytes;
    if (pos_ >= b.size()) return 0;
    const std::size_t take = std::min(n, b.size() - pos_);
    std::memcpy(buf, b.data() + pos_, take);
    pos_ += take;
    return take;
  }

 private:
  std::shared_ptr<Contents> data_;
  std::string path_;
  std::size_t pos_ = 0;
};

}  // namespace

// What is kept of the bytes written (see the class comment).
class OverlayFileSystem::Keeper {
 public:
  // How much of one file is kept, and against which budget.
  struct Rule {
    std::uint64_t most;
    std::shared_ptr<Budget> budget;
  };

  explicit Keeper(ReadBack readBack) : readBack_(std::move(readBack)) {
    any_->most = kKeptAnyTotal;
    readBackBudget_->most = kKeptReadBackTotal;
  }

  // The rule for a file written under path (or its temporary name beside
  // it).
  Rule rule(const std::string& path) const {
    static const std::string suffix = sibling_temp_name("");
    std::string name = path;
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      name.resize(name.size() - suffix.size());
    if (readBack_ && readBack_(name)) return {kKeptReadBack, readBackBudget_};
    return {kKeptAny, any_};
  }

  // Adds n bytes to c, or only counts them once c is over its rule's
  // limit or its budget is spent; then the bytes kept of c go too.
  static void add(Contents& c, const Rule& r, const char* p, std::size_t n) {
    c.size += n;
    if (c.dropped) return;
    if (!c.budget) c.budget = r.budget;
    if (c.bytes.size() + n > r.most || c.budget->kept + n > c.budget->most) {
      c.budget->kept -= c.bytes.size();
      std::string().swap(c.bytes);
      c.dropped = true;
      return;
    }
    c.bytes.append(p, n);
    c.budget->kept += n;
  }

 private:
  ReadBack readBack_;
  std::shared_ptr<Budget> any_ = std::make_shared<Budget>(), readBackBudget_ = std::make_shared<Budget>();
};

namespace {

// Writes into the file's contents as they live in the node: a rename or a
// removal after the open leaves the writer on the same contents, as an open
// file keeps its data on a disk.
class MemoryWriter final : public FileWriter {
 public:
  MemoryWriter(std::shared_ptr<Contents> data, std::string path, const OverlayFileSystem::Keeper& keeper)
      : data_(std::move(data)), path_(std::move(path)), rule_(keeper.rule(path_)) {}
  void write(const void* buf, std::size_t n) override {
    if (closed_) throw FileError(FileError::Op::Write, path_);
    OverlayFileSystem::Keeper::add(*data_, rule_, static_cast<const char*>(buf), n);
  }
  void flush() override {
    if (closed_) throw FileError(FileError::Op::Flush, path_);
  }
  void close() override { closed_ = true; }

 private:
  std::shared_ptr<Contents> data_;
  std::string path_;
  OverlayFileSystem::Keeper::Rule rule_;
  bool closed_ = false;
};

// Reads the file path of fs into c through keeper, as a file written under
// to. False when it cannot be opened; read failures throw FileError.
bool read_into(FileSystem& fs, const std::string& path, Contents& c, const OverlayFileSystem::Keeper& keeper,
               const std::string& to) {
  std::unique_ptr<FileReader> in = fs.open_read(path);
  if (!in) return false;
  const OverlayFileSystem::Keeper::Rule rule = keeper.rule(to);
  std::vector<char> buf(64 * 1024);
  while (const std::size_t n = in->read(buf.data(), buf.size()))
    OverlayFileSystem::Keeper::add(c, rule, buf.data(), n);
  return true;
}

}  // namespace

struct OverlayFileSystem::Node {
  enum class Kind { File, Folder, Gone } kind = Kind::Gone;
  std::string name;                    // the last component as spelled
  std::shared_ptr<Contents> data;      // a file's contents
  std::string source;                  // a folder's contents below; empty: in memory only
  std::uint8_t attribute = 0;          // kKeptAttributes
  std::int64_t ctime = 0, mtime = 0, atime = 0;
};

// A path text taken apart: the root as written ("C:\", "C:", "\", "\\" or
// nothing for a relative text) and the components, "." dropped and ".."
// taking the one before it away.
struct OverlayFileSystem::Parsed {
  std::string text;  // as given
  std::string root;
  std::vector<std::string> parts;

  explicit Parsed(const std::string& path) : text(path) {
    std::size_t i = 0;
    if (path.size() >= 2 && path[1] == ':' && static_cast<unsigned char>(path[0]) < 0x80) {
      root = path.substr(0, 2);
      i = 2;
    }
    if (i < path.size() && is_separator_at(path, i)) {
      root += '\\';
      // "\\server\share": the doubled separator starts a network name.
      if (i == 0 && path.size() > 1 && is_separator_at(path, 1)) root += '\\';
    }
    std::string part;
    auto end_part = [&] {
      if (part.empty() || part == ".") {
      } else if (part == "..") {
        if (!parts.empty() && parts.back() != "..")
          parts.pop_back();
        else if (root.empty())
          parts.push_back(part);
      } else {
        parts.push_back(part);
      }
      part.clear();
    };
    for (; i < path.size(); i += sjis::char_len(path, i)) {
      if (is_separator_at(path, i)) {
        end_part();
      } else {
        part.append(path, i, sjis::char_len(path, i));
      }
    }
    end_part();
  }

  // The path of the first n components, written with '\'.
  std::string prefix(std::size_t n) const {
    std::string s = root;
    for (std::size_t k = 0; k < n; ++k) s = k == 0 ? s + parts[k] : s + '\\' + parts[k];
    return s;
  }
  std::string key(std::size_t n) const { return sjis::to_upper(prefix(n)); }
  std::string key() const { return key(parts.size()); }
  // Components from n on, joined with '\'.
  std::string rest(std::size_t n) const {
    std::string s;
    for (std::size_t k = n; k < parts.size(); ++k) s += (k == n ? "" : "\\") + parts[k];
    return s;
  }
  Parsed parent() const {
    Parsed p = *this;
    p.parts.pop_back();
    p.text = p.prefix(p.parts.size());
    return p;
  }
};

// Where a path lives: in a node, below (under the path text to ask there),
// or nowhere.
struct OverlayFileSystem::Place {
  enum class How { Missing, Memory, Below } how = How::Missing;
  Node* node = nullptr;
  std::string below;
};

struct OverlayFileSystem::Info {
  bool exists = false, folder = false, readOnly = false;
};

OverlayFileSystem::OverlayFileSystem(FileSystem& below, ReadBack readBack)
    : below_(below), keeper_(std::make_unique<Keeper>(std::move(readBack))) {}
OverlayFileSystem::~OverlayFileSystem() = default;

OverlayFileSystem::Place OverlayFileSystem::locate(const Parsed& p) {
  Place place;
  // The deepest node on the path decides: the path's own node, or an
  // ancestor that ends what lies below it (a removed entry, a file, a
  // folder made in memory) or moved it (a renamed folder).
  for (std::size_t n = p.parts.size(); n > 0; --n) {
    const auto it = nodes_.find(p.key(n));
    if (it == nodes_.end()) continue;
    Node& node = it->second;
    if (n == p.parts.size()) {
      if (node.kind != Node::Kind::Gone) {
        place.how = Place::How::Memory;
        place.node = &node;
      }
      return place;
    }
    if (node.kind == Node::Kind::Folder && !node.source.empty()) {
      place.how = Place::How::Below;
      place.below = join(node.source, p.rest(n));
    }
    return place;
  }
  place.how = Place::How::Below;
  place.below = p.text;
  return place;
}

OverlayFileSystem::Info OverlayFileSystem::inspect(const Parsed& p, Place& place) {
  Info info;
  if (place.how == Place::How::Memory) {
    info.exists = true;
    info.folder = place.node->kind == Node::Kind::Folder;
    info.readOnly = (place.node->attribute & kAttrReadOnly) != 0;
  } else if (place.how == Place::How::Below) {
    FileStatus st;
    if (p.parts.empty()) {
      info.exists = below_.exists(place.below.empty() ? std::string(".") : place.below);
      info.folder = info.exists;
    } else if (below_.get_status(place.below, st)) {
      info.exists = true;
      info.folder = (st.attribute & kAttrDirectory) != 0;
      info.readOnly = (st.attribute & kAttrReadOnly) != 0;
    }
  }
  return info;
}

bool OverlayFileSystem::parent_is_folder(const Parsed& p) {
  if (p.parts.empty()) return false;  // a root is never made
  const Parsed parent = p.parent();
  if (parent.parts.empty() && parent.root.empty()) return true;  // the current folder
  Place place = locate(parent);
  const Info info = inspect(parent, place);
  return info.exists && info.folder;
}

std::string OverlayFileSystem::spelling(const Parsed& p, Place& place) {
  if (place.how == Place::How::Memory) return place.node->name;
  FileStatus st;
  if (place.how == Place::How::Below && below_.get_status(place.below, st)) {
    const std::string name = last_component(st.fullName);
    if (sjis::iequals(name, p.parts.back())) return name;
  }
  return p.parts.back();
}

// The node of an existing path, made from what is below when there is none
// yet: a file's contents are read in, a folder keeps pointing below.
OverlayFileSystem::Node& OverlayFileSystem::materialize(const Parsed& p, Place& place) {
  if (place.how == Place::How::Memory) return *place.node;
  FileStatus st;
  below_.get_status(place.below, st);
  Node node;
  node.name = spelling(p, place);
  node.attribute = st.attribute & kKeptAttributes;
  node.ctime = st.ctime;
  node.mtime = st.mtime;
  node.atime = st.atime;
  if (st.attribute & kAttrDirectory) {
    node.kind = Node::Kind::Folder;
    node.source = place.below;
  } else {
    node.kind = Node::Kind::File;
    node.data = std::make_shared<Contents>();
    if (!read_into(below_, place.below, *node.data, *keeper_, p.text)) {
      node.data->size = st.size;  // not readable: nor is it read back
      node.data->dropped = true;
    }
  }
  Node& made = nodes_[p.key()] = std::move(node);
  place.how = Place::How::Memory;
  place.node = &made;
  return made;
}

bool OverlayFileSystem::exists(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  if (place.how == Place::How::Below) return below_.exists(place.below);
  return place.how == Place::How::Memory;
}

bool OverlayFileSystem::make_dir(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  if (inspect(p, place).exists || !parent_is_folder(p)) return false;
  Node node;
  node.kind = Node::Kind::Folder;
  node.name = p.parts.back();
  node.ctime = node.mtime = node.atime = static_cast<std::int64_t>(std::time(nullptr));
  nodes_[p.key()] = std::move(node);
  return true;
}

// A folder made in memory is plain; one below (or moved from below) is
// what the layer below says of it.
bool OverlayFileSystem::is_plain_folder(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  if (place.how == Place::How::Below) return below_.is_plain_folder(place.below);
  if (place.how != Place::How::Memory || place.node->kind != Node::Kind::Folder) return false;
  return place.node->source.empty() || below_.is_plain_folder(place.node->source);
}

bool OverlayFileSystem::copy_file(const std::string& from, const std::string& to) {
  const Parsed pf(from), pt(to);
  Place placeFrom = locate(pf), placeTo = locate(pt);
  const Info src = inspect(pf, placeFrom), dst = inspect(pt, placeTo);
  if (!src.exists || src.folder || pf.key() == pt.key()) return false;
  if (dst.exists ? (dst.folder || dst.readOnly) : !parent_is_folder(pt)) return false;
  Node node;
  node.kind = Node::Kind::File;
  node.data = std::make_shared<Contents>();
  FileStatus st;
  if (placeFrom.how == Place::How::Memory) {
    const Contents& source = *placeFrom.node->data;
    if (source.dropped) {
      node.data->size = source.size;
      node.data->dropped = true;
    } else {
      Keeper::add(*node.data, keeper_->rule(to), source.bytes.data(), source.bytes.size());
    }
    st.attribute = placeFrom.node->attribute;
    st.mtime = placeFrom.node->mtime;
  } else {
    try {
      if (!read_into(below_, placeFrom.below, *node.data, *keeper_, to) || !below_.get_status(placeFrom.below, st))
        return false;
    } catch (const FileError&) {
      return false;
    }
  }
  node.name = dst.exists ? spelling(pt, placeTo) : pt.parts.back();
  node.attribute = st.attribute & kKeptAttributes;
  node.mtime = st.mtime;
  node.ctime = node.atime = static_cast<std::int64_t>(std::time(nullptr));
  nodes_[pt.key()] = std::move(node);
  return true;
}

bool OverlayFileSystem::get_status(const std::string& path, FileStatus& st) {
  const Parsed p(path);
  Place place = locate(p);
  if (place.how == Place::How::Below) return below_.get_status(place.below, st);
  if (place.how == Place::How::Missing) return false;
  const Node& node = *place.node;
  st = FileStatus{};
  st.ctime = node.ctime;
  st.mtime = node.mtime;
  st.atime = node.atime;
  st.attribute = node.attribute;
  if (node.kind == Node::Kind::Folder)
    st.attribute |= kAttrDirectory;
  else
    st.size = node.data->size;
  // The full name: the parent's as it would be reported, then the name.
  std::string parentFull = p.root;
  if (p.parts.size() > 1) {
    FileStatus parent;
    parentFull = get_status(p.parent().text, parent) ? parent.fullName : p.parent().text;
  }
  const std::size_t lastSep = sjis::find_last_separator(path);
  const char sep = lastSep != std::string::npos && path[lastSep] == '/' ? '/' : '\\';
  if (!parentFull.empty() && !sjis::ends_with_separator(parentFull) &&
      !(parentFull.size() == 2 && parentFull[1] == ':'))
    parentFull += sep;
  st.fullName = parentFull + node.name;
  return true;
}

bool OverlayFileSystem::set_status(const std::string& path, const FileStatus& st) {
  const Parsed p(path);
  Place place = locate(p);
  if (!inspect(p, place).exists) return false;
  try {
    Node& node = materialize(p, place);
    node.attribute = st.attribute & kKeptAttributes;
    if (st.ctime != 0) node.ctime = st.ctime;
    if (st.mtime != 0) node.mtime = st.mtime;
    if (st.atime != 0) node.atime = st.atime;
  } catch (const FileError&) {
    return false;
  }
  return true;
}

bool OverlayFileSystem::remove(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  const Info info = inspect(p, place);
  if (!info.exists || info.folder || info.readOnly) return false;
  Node gone;
  gone.kind = Node::Kind::Gone;
  nodes_[p.key()] = std::move(gone);
  return true;
}

bool OverlayFileSystem::remove_folder(const std::string& path) {
  const Parsed p(path);
  if (p.parts.empty()) return false;
  Place place = locate(p);
  const Info info = inspect(p, place);
  if (!info.exists || !info.folder || !is_plain_folder(path) || !find(path + "\\*").empty()) return false;
  Node gone;
  gone.kind = Node::Kind::Gone;
  nodes_[p.key()] = std::move(gone);
  return true;
}

bool OverlayFileSystem::rename(const std::string& from, const std::string& to) {
  const Parsed pf(from), pt(to);
  if (pf.parts.empty() || pt.parts.empty()) return false;
  Place placeFrom = locate(pf), placeTo = locate(pt);
  const Info src = inspect(pf, placeFrom), dst = inspect(pt, placeTo);
  if (!src.exists) return false;
  const std::string keyFrom = pf.key(), keyTo = pt.key();
  try {
    if (keyFrom == keyTo) {  // only the spelling changes
      materialize(pf, placeFrom).name = pt.parts.back();
      return true;
    }
    if (keyTo.compare(0, keyFrom.size() + 1, keyFrom + '\\') == 0) return false;  // into itself
    if (dst.exists ? (dst.folder || src.folder || dst.readOnly) : !parent_is_folder(pt)) return false;
    const std::string name = dst.exists ? spelling(pt, placeTo) : pt.parts.back();
    Node moved = materialize(pf, placeFrom);
    moved.name = name;
    // A replaced file's mode is kept: it was not read-only, so neither is
    // the result.
    if (dst.exists) moved.attribute = static_cast<std::uint8_t>(moved.attribute & ~kAttrReadOnly);
    if (src.folder) {
      // What was changed inside the folder moves with it.
      const std::string inside = keyFrom + '\\';
      std::vector<std::pair<std::string, Node>> children;
      auto it = nodes_.lower_bound(inside);
      while (it != nodes_.end() && it->first.compare(0, inside.size(), inside) == 0) {
        children.emplace_back(keyTo + '\\' + it->first.substr(inside.size()), std::move(it->second));
        it = nodes_.erase(it);
      }
      for (auto& [key, node] : children) nodes_[key] = std::move(node);
    }
    Node gone;
    nodes_[keyFrom] = std::move(gone);
    nodes_[keyTo] = std::move(moved);
  } catch (const FileError&) {
    return false;
  }
  return true;
}

std::vector<FoundEntry> OverlayFileSystem::find(const std::string& pattern) {
  std::vector<FoundEntry> out;
  const std::size_t sep = sjis::find_last_separator(pattern);
  std::string folder, name;
  if (sep != std::string::npos) {
    folder = pattern.substr(0, sep + 1);
    name = pattern.substr(sep + 1);
  } else if (pattern.size() >= 2 && pattern[1] == ':') {
    folder = pattern.substr(0, 2);
    name = pattern.substr(2);
  } else {
    name = pattern;
  }
  if (name.empty()) return out;
  const Parsed p(folder);
  Place place = locate(p);
  std::vector<FoundEntry> below;
  if (place.how == Place::How::Below) {
    below = below_.find(place.below == folder ? pattern : join(place.below, name));
  } else if (place.how == Place::How::Memory && place.node->kind == Node::Kind::Folder) {
    if (!place.node->source.empty()) below = below_.find(join(place.node->source, name));
  } else {
    return out;
  }
  const std::string folderKey = p.key();
  const std::string inside = join(folderKey, "");
  for (FoundEntry& e : below)
    if (nodes_.find(inside + sjis::to_upper(e.name)) == nodes_.end()) out.push_back(std::move(e));
  for (auto it = nodes_.lower_bound(inside); it != nodes_.end() && it->first.compare(0, inside.size(), inside) == 0;
       ++it) {
    const std::string rest = it->first.substr(inside.size());
    if (rest.empty() || sjis::find_last_separator(rest) != std::string::npos) continue;  // not a direct child
    const Node& node = it->second;
    if (node.kind == Node::Kind::Gone || !dos_match(name, node.name)) continue;
    out.push_back({node.name, node.kind == Node::Kind::Folder});
  }
  std::sort(out.begin(), out.end(), [](const FoundEntry& a, const FoundEntry& b) {
    const int c = sjis::icompare(a.name, b.name);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  return out;
}

std::unique_ptr<FileReader> OverlayFileSystem::open_read(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  if (place.how == Place::How::Below) return below_.open_read(place.below);
  if (place.how == Place::How::Missing || place.node->kind != Node::Kind::File) return nullptr;
  return std::make_unique<MemoryReader>(place.node->data, path);
}

std::unique_ptr<FileReader> OverlayFileSystem::open_exclusive(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  if (place.how == Place::How::Below) return below_.open_exclusive(place.below);
  return FileSystem::open_exclusive(path);
}

std::unique_ptr<FileWriter> OverlayFileSystem::create(const std::string& path) {
  const Parsed p(path);
  if (p.parts.empty()) return nullptr;
  Place place = locate(p);
  const Info info = inspect(p, place);
  if (info.exists ? (info.folder || info.readOnly) : !parent_is_folder(p)) return nullptr;
  Node node;
  node.kind = Node::Kind::File;
  node.name = info.exists ? spelling(p, place) : p.parts.back();
  if (place.how == Place::How::Memory) node.attribute = place.node->attribute;
  node.ctime = node.mtime = node.atime = static_cast<std::int64_t>(std::time(nullptr));
  node.data = std::make_shared<Contents>();
  auto writer = std::make_unique<MemoryWriter>(node.data, path, *keeper_);
  nodes_[p.key()] = std::move(node);
  return writer;
}

bool OverlayFileSystem::is_writable(const std::string& path) {
  const Parsed p(path);
  Place place = locate(p);
  if (place.how == Place::How::Below) return below_.is_writable(place.below);
  return place.how == Place::How::Memory && (place.node->attribute & kAttrReadOnly) == 0;
}

}  // namespace relvo
