// Drive letters over temporary folders for tests: the current drive and each
// drive's current folder kept as the C runtime keeps them on Windows, and a
// file system that reads drive-letter texts through them.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/current_folders.h"
#include "platform/delegating_files.h"

namespace relvo::test {

class FakeDrives : public CurrentFolders {
 public:
  // roots: upper-case drive letter -> a folder of this platform (a path
  // text ending with its separator). Every drive starts at its root.
  // current 0: no drive is current (the working folder lies on none).
  FakeDrives(std::map<char, std::string> roots, char current);

  int current_drive() override { return current_ ? current_ - 'A' + 1 : 0; }
  bool change_drive(int drive) override;
  bool change_dir(const std::string& path) override;
  std::string current_dir() override;
  std::vector<char> drives() override;

  // The current folder of drive letter as "C:\a\b".
  std::string dir_of(char letter) const;
  // A drive text ("c:\x", "c:x", "\x", "x") as a path of this platform,
  // through the roots and current folders; empty for an unknown drive.
  std::string real_path(const std::string& text) const;

 private:
  bool resolve(const std::string& text, char& letter, std::vector<std::string>& parts) const;

  std::map<char, std::string> roots_;
  std::map<char, std::vector<std::string>> cwd_;
  char current_;
};

// The native file system reached through drive texts of a FakeDrives.
class DriveFileSystem : public DelegatingFileSystem {
 public:
  explicit DriveFileSystem(FakeDrives& drives);

  bool exists(const std::string& p) override { return inner_.exists(map(p)); }
  bool get_status(const std::string& p, FileStatus& st) override { return inner_.get_status(map(p), st); }
  std::vector<FoundEntry> find(const std::string& pattern) override { return inner_.find(map(pattern)); }
  std::unique_ptr<FileReader> open_read(const std::string& p) override { return inner_.open_read(map(p)); }

 private:
  std::string map(const std::string& text) const;
  FakeDrives& drives_;
};

}  // namespace relvo::test
