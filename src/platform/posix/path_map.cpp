// Drive map and component matching for the POSIX file layer.
#include "platform/posix/path_map.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "base/sjis.h"
#include "platform/encoding.h"

namespace relvo::posix {
namespace {

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool ascii_iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Splits the CP932 text after its root into components, walking characters
// so that a trail byte 0x5C never separates.
std::vector<std::string> components(std::string_view s) {
  std::vector<std::string> out;
  std::string cur;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = sjis::char_len(s, i);
    if (len == 1 && (s[i] == '\\' || s[i] == '/')) {
      if (!cur.empty()) out.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.append(s.substr(i, len));
    }
    i += len;
  }
  if (!cur.empty()) out.push_back(std::move(cur));
  return out;
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The on-disk name in folder that equals name without ASCII case, or "".
std::string find_other_case(const std::string& folder, const std::string& name) {
  DIR* d = opendir(folder.c_str());
  if (!d) return {};
  std::string best;
  while (dirent* e = readdir(d)) {
    const std::string_view n = e->d_name;
    if (n == "." || n == "..") continue;
    if (ascii_iequals(n, name) && (best.empty() || n < best)) best = n;
  }
  closedir(d);
  return best;
}

}  // namespace

bool DriveMap::empty() const {
  for (const auto& r : roots)
    if (!r.empty()) return false;
  return true;
}

const std::string& DriveMap::root(char letter) const {
  static const std::string none;
  letter = upper(letter);
  return (letter >= 'A' && letter <= 'Z') ? roots[letter - 'A'] : none;
}

DriveMap parse_drive_map(std::string_view spec) {
  DriveMap m;
  std::size_t pos = 0;
  while (pos <= spec.size()) {
    std::size_t end = spec.find(';', pos);
    if (end == std::string_view::npos) end = spec.size();
    std::string_view e = spec.substr(pos, end - pos);
    pos = end + 1;
    while (!e.empty() && e.front() == ' ') e.remove_prefix(1);
    if (e.size() < 3 || !is_letter(e[0])) continue;
    std::size_t at = 1;
    if (e[at] == ':') ++at;
    if (at >= e.size() || e[at] != '=') continue;
    std::string folder(e.substr(at + 1));
    if (folder.empty() || folder[0] != '/') continue;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    m.roots[upper(e[0]) - 'A'] = folder;
  }
  return m;
}

DriveMap wine_drive_map(const std::string& prefix) {
  DriveMap m;
  const std::string dev = prefix + "/dosdevices/";
  for (char c = 'a'; c <= 'z'; ++c) {
    const std::string link = dev + c + ":";
    char buf[PATH_MAX];
    if (realpath(link.c_str(), buf)) {
      struct stat st;
      if (stat(buf, &st) == 0 && S_ISDIR(st.st_mode)) m.roots[c - 'a'] = buf;
    }
  }
  return m;
}

DriveMap current_drive_map() {
  static std::mutex mu;
  static std::string key;
  static DriveMap cached;
  static bool have = false;
  const std::string drives = env("RELVO_DRIVES");
  std::string prefix = env("WINEPREFIX");
  if (prefix.empty() && !env("HOME").empty()) prefix = env("HOME") + "/.wine";
  const std::string k = drives + '\n' + prefix;
  std::lock_guard<std::mutex> lock(mu);
  if (have && k == key) return cached;
  DriveMap m;
  if (!drives.empty()) {
    m = parse_drive_map(drives);
  } else {
    if (!prefix.empty()) m = wine_drive_map(prefix);
    if (m.empty()) m.roots['Z' - 'A'] = "/";
  }
  key = k;
  cached = m;
  have = true;
  return m;
}

bool resolve(const std::string& text, Resolved& out) {
  if (text.empty()) return false;
  out = Resolved{};
  std::string root;          // native
  std::string shown_root;    // CP932
  char sep = '/';
  std::string_view rest = text;
  char letter = 0;
  if (text.size() >= 2 && is_letter(text[0]) && text[1] == ':') {
    letter = upper(text[0]);
    rest.remove_prefix(2);
  }
  const bool rooted = !rest.empty() && (rest[0] == '\\' || rest[0] == '/');
  std::string folder;  // the current folder a text without root starts from
  if (letter != 0) {
    if (!rooted && !drive_folder(letter, folder)) return false;
  } else if (rest[0] != '/') {
    if (drive_folder(letter, folder) && rooted) folder.clear();
  }
  std::string relative_text;
  if (letter != 0) {
    root = current_drive_map().root(letter);
    if (root.empty()) return false;
    shown_root = std::string(1, letter) + ":\\";
    sep = '\\';
    if (!rooted && !folder.empty()) {
      relative_text = folder + "\\" + std::string(rest);
      rest = relative_text;
    }
  } else if (rooted) {
    root = "/";
    shown_root = "/";
  }
  out.drive = letter;

  // Lexical "." and ".." first, as Windows normalises a path before it
  // looks at the disk. A relative text starts from the current folder's
  // components, so that ".." can climb above it.
  std::vector<std::string> parts;
  if (root.empty()) {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return false;
    root = "/";
    shown_root = "/";
    relative_text = enc::utf8_to_cp932(buf) + "/" + std::string(rest);
    rest = relative_text;
  }
  for (auto& c : components(rest)) {
    if (c == ".") continue;
    if (c == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(c));
  }

  std::string native = root;
  std::string shown = shown_root;
  bool walking = true;  // false once a component does not exist
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string name = enc::cp932_to_utf8(parts[i]);
    std::string on_disk = name;
    bool inexact = false;
    if (walking) {
      struct stat st;
      if (lstat(join(native, name).c_str(), &st) != 0) {
        const std::string other = find_other_case(native, name);
        if (!other.empty()) {
          on_disk = other;
          inexact = true;
        } else {
          walking = false;
        }
      }
    }
    if (i + 1 == parts.size()) {
      out.parent = native;
      out.last_given = name;
      out.last_inexact = inexact;
    }
    native = join(native, on_disk);
    if (i > 0) shown += sep;
    shown += on_disk == name ? parts[i] : enc::utf8_to_cp932(on_disk);
  }
  if (parts.empty()) out.parent = native;
  // "dir\" names a folder: keep the separator so the kernel insists on one.
  if (!parts.empty() && sjis::ends_with_separator(text)) native += '/';
  out.native = native;
  out.full = shown;
  return true;
}

bool dos_pattern_match(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (sjis::wildcard_match(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      sjis::wildcard_match(pattern.substr(0, pattern.size() - 2), name))
    return true;
  if (!pattern.empty() && pattern.back() == '.' && !sjis::contains(name, ".") &&
      sjis::wildcard_match(pattern.substr(0, pattern.size() - 1), name))
    return true;
  return false;
}

}  // namespace relvo::posix
