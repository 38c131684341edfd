// The current drive and the current folder of each drive on POSIX, kept
// over the drive map the way Windows keeps them: the process's own folder
// is the current drive's, the other drives remember theirs as texts.
//
// At first use, and whenever the process's folder was changed by other
// means (chdir), the current drive is the drive whose root holds the
// process's folder (the deepest root when several do, the current drive on
// a tie), with that folder as its current folder; every other drive starts
// at its root. When no root holds it, no drive is current and texts without
// a drive count from the process's folder as POSIX paths. A change of the
// drive map starts over.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <mutex>

#include "platform/current_folders.h"
#include "platform/encoding.h"
#include "platform/posix/path_map.h"

namespace relvo {
namespace {

using posix::DriveMap;

struct State {
  std::recursive_mutex mu;
  bool have_map = false;
  DriveMap map;
  int current = -1;                     // 0 = A ... 25 = Z; -1 none
  std::array<std::string, 26> folders;  // CP932 below each root; "" = the root
  // The process's folder as it was when current and its folder were last
  // set, to notice a chdir made behind our back.
  bool have_id = false;
  dev_t dev = 0;
  ino_t ino = 0;
};

State& state() {
  static State s;
  return s;
}

std::string getcwd_text() {
  char* cwd = ::getcwd(nullptr, 0);  // no length limit
  if (!cwd) return {};
  std::string s = cwd;
  ::free(cwd);
  return s;
}

bool holds(const std::string& root, const std::string& path) {
  if (root == "/") return true;
  return path.compare(0, root.size(), root) == 0 && (path.size() == root.size() || path[root.size()] == '/');
}

// Remembers the process's folder as the one current was set for.
void note_process_folder(State& s) {
  struct stat st;
  s.have_id = ::stat(".", &st) == 0;
  s.dev = s.have_id ? st.st_dev : 0;
  s.ino = s.have_id ? st.st_ino : 0;
}

// Brings the state up to the drive map in force and the process's folder.
// The caller holds s.mu.
void sync(State& s) {
  const DriveMap map = posix::current_drive_map();
  if (!s.have_map || map.roots != s.map.roots) {
    s.have_map = true;
    s.map = map;
    s.current = -1;
    s.folders = {};
    s.have_id = false;
  }
  struct stat st;
  // A folder removed under us: keep the text, as Windows keeps it.
  if (::stat(".", &st) != 0) return;
  if (s.have_id && st.st_dev == s.dev && st.st_ino == s.ino) return;

  const std::string cwd = getcwd_text();
  if (cwd.empty()) return;
  int best = -1;
  std::string best_root;
  for (int i = 0; i < 26; ++i) {
    if (s.map.roots[i].empty()) continue;
    char real[PATH_MAX];
    if (!::realpath(s.map.roots[i].c_str(), real) || !holds(real, cwd)) continue;
    const std::size_t len = std::string(real).size();
    if (best < 0 || len > best_root.size() || (len == best_root.size() && i == s.current)) {
      best = i;
      best_root = real;
    }
  }
  s.current = best;
  if (best >= 0) {
    std::string below = cwd.substr(std::min(cwd.size(), best_root == "/" ? 1 : best_root.size() + 1));
    for (char& c : below)
      if (c == '/') c = '\\';
    s.folders[best] = enc::utf8_to_cp932(below);
  }
  s.have_id = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
}

// Makes the folder that text names current, with its drive. The caller
// holds s.mu and has synced s.
bool enter(State& s, const std::string& text) {
  posix::Resolved r;
  struct stat st;
  if (!posix::resolve(text, r) || ::stat(r.native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (::chdir(r.native.c_str()) != 0) return false;
  if (r.drive == 0) {
    // A POSIX path: the drive that holds it, if any, is found as after a
    // chdir of anyone's.
    s.have_id = false;
    sync(s);
    return true;
  }
  s.current = r.drive - 'A';
  s.folders[s.current] = r.full.substr(3);  // after "X:\"
  note_process_folder(s);
  return true;
}

class PosixCurrentFolders final : public CurrentFolders {
 public:
  int current_drive() override {
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mu);
    sync(s);
    return s.current + 1;
  }

  bool change_drive(int drive) override {
    if (drive < 1 || drive > 26) return false;
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mu);
    sync(s);
    const int i = drive - 1;
    if (s.map.roots[i].empty()) return false;
    // Back to the folder the drive was left at; it fails, as on Windows,
    // when that folder is gone.
    return enter(s, std::string(1, static_cast<char>('A' + i)) + ":\\" + s.folders[i]);
  }

  bool change_dir(const std::string& path) override {
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mu);
    sync(s);
    return enter(s, path);
  }

  std::string current_dir() override {
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mu);
    sync(s);
    if (s.current < 0) return enc::utf8_to_cp932(getcwd_text());
    return std::string(1, static_cast<char>('A' + s.current)) + ":\\" + s.folders[s.current];
  }

  std::vector<char> drives() override {
    const DriveMap map = posix::current_drive_map();
    std::vector<char> out;
    for (int i = 0; i < 26; ++i)
      if (!map.roots[i].empty()) out.push_back(static_cast<char>('A' + i));
    return out;
  }
};

}  // namespace

namespace posix {

bool drive_folder(char& letter, std::string& folder) {
  State& s = state();
  std::lock_guard<std::recursive_mutex> lock(s.mu);
  sync(s);
  int i;
  if (letter == 0) {
    if (s.current < 0) return false;
    i = s.current;
  } else {
    const char l = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    if (l < 'A' || l > 'Z' || s.map.roots[l - 'A'].empty()) return false;
    i = l - 'A';
  }
  letter = static_cast<char>('A' + i);
  folder = s.folders[i];
  return true;
}

}  // namespace posix

CurrentFolders& native_current_folders() {
  static PosixCurrentFolders folders;
  return folders;
}

}  // namespace relvo
