// Walks the new product tree beside the old one, folder by folder.
#include "maker/tree_diff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "base/sjis.h"

namespace relvo::maker {

namespace {

std::string Join(const std::string& rel, const std::string& name) { return rel.empty() ? name : rel + '\\' + name; }

// The folder text of rel below root, ending with a separator.
std::string FolderOf(const std::string& root, const std::string& rel) { return rel.empty() ? root : root + rel + '\\'; }

class Walk {
 public:
  Walk(FileSystem& fs, const std::string& oldRoot, const std::string& newRoot, TreeDiff& out)
      : fs_(fs), old_(oldRoot), new_(newRoot), out_(out) {}

  // The folder rel of the new tree; inOld: the old tree has it too.
  void folder(const std::string& rel, bool inOld) {
    std::map<std::string, FoundEntry> old;  // by upper-cased name
    if (inOld)
      for (FoundEntry& e : fs_.find(FolderOf(old_, rel) + "*")) old.emplace(sjis::to_upper(e.name), std::move(e));
    for (const FoundEntry& e : fs_.find(FolderOf(new_, rel) + "*")) {
      const std::string path = Join(rel, e.name);
      // An entry matched, whatever becomes of it, is not removed: taken out
      // of the map, kept here.
      std::optional<FoundEntry> before;
      if (const auto match = old.find(sjis::to_upper(e.name)); match != old.end()) {
        before = std::move(match->second);
        old.erase(match);
      }
      if (std::string why = NameProblem(e.name); !why.empty()) {
        out_.notCarried.push_back(path + ": " + why);
      } else if (before && before->isFolder != e.isFolder) {
        out_.notCarried.push_back(path + (e.isFolder ? ": a folder where the old tree has a file"
                                                     : ": a file where the old tree has a folder") +
                                  " (the update replaces neither by the other)");
      } else if (e.isFolder) {
        if (!fs_.is_plain_folder(FolderOf(new_, path))) {
          out_.notCarried.push_back(path + ": a link to a folder (not followed)");
        } else if (e.name.find(',') != std::string::npos) {
          out_.notCarried.push_back(path + ": a folder name with a comma cannot be a row's target (its files are left out)");
        } else {
          if (!before) out_.newFolders.push_back(path);
          folder(path, before.has_value());
        }
      } else if (!before) {
        out_.added.push_back(path);
      } else if (!SameContent(fs_, old_ + path, new_ + path)) {
        out_.changed.push_back(path);
      }
    }
    for (const auto& [key, e] : old) out_.removed.push_back(Join(rel, e.name));
  }

 private:
  FileSystem& fs_;
  const std::string& old_;
  const std::string& new_;
  TreeDiff& out_;
};

}  // namespace

std::string NameProblem(const std::string& name) {
  if (name.empty()) return "an empty name";
  for (std::size_t i = 0; i < name.size(); i += sjis::char_len(name, i)) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (sjis::char_len(name, i) == 2) continue;
    if (c == '?') return "a character Shift-JIS (CP932) cannot hold";
    // A separator is a character of a name on POSIX disks, never on Windows.
    if (c < 0x20 || std::strchr("\"*:<>|\\/", c)) return "a character a Windows file name cannot hold";
  }
  if (name.back() == ' ' || name.back() == '.') return "a Windows file name cannot end in a blank or a dot";
  // CON, PRN, AUX, NUL, COM1-9 and LPT1-9, with any extension, name devices.
  std::string stem = sjis::to_upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  const bool numbered = stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
                        stem[3] >= '1' && stem[3] <= '9';
  if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
    return "a device name on Windows";
  return {};
}

bool SameContent(FileSystem& fs, const std::string& a, const std::string& b) {
  FileStatus sa, sb;
  if (!fs.get_status(a, sa) || !fs.get_status(b, sb) || sa.size != sb.size) return false;
  const std::unique_ptr<FileReader> ra = fs.open_read(a), rb = fs.open_read(b);
  if (!ra || !rb) return false;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  for (;;) {
    const std::size_t na = ra->read(ba.data(), ba.size());
    std::size_t nb = 0;
    while (nb < na) {
      const std::size_t k = rb->read(bb.data() + nb, na - nb);
      if (k == 0) break;
      nb += k;
    }
    if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) return false;
    if (na == 0) return rb->read(bb.data(), 1) == 0;
  }
}

bool CompareTrees(FileSystem& fs, const std::string& oldRoot, const std::string& newRoot, TreeDiff& out,
                  std::string& error) {
  out = TreeDiff{};
  FileStatus st;
  if (!fs.get_status(newRoot, st) || !(st.attribute & kAttrDirectory)) {
    error = newRoot + " is not a folder";
    return false;
  }
  const bool oldThere = fs.get_status(oldRoot, st) && (st.attribute & kAttrDirectory);
  if (!oldThere) {
    error = oldRoot + " is not a folder";
    return false;
  }
  Walk(fs, oldRoot, newRoot, out).folder("", true);
  return true;
}

}  // namespace relvo::maker
