// A fresh temporary folder for one test, removed afterwards, with helpers to
// put files into it by the system's own path texts.
#pragma once
#include <string>

namespace relvo::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder as a CP932 path text of this platform, ending with a
  // separator ("/tmp/relvo-XXXX/" or "C:\users\...\relvo-XXXX\").
  const std::string& path() const { return path_; }
  // path() + rel, with '\' in rel kept as the system writes it.
  std::string operator/(const std::string& rel) const { return path_ + rel; }

  // Writes bytes to path() + rel, creating folders on the way.
  void write(const std::string& rel, const std::string& bytes) const;
  // Reads path() + rel; fails the test when it is missing.
  std::string read(const std::string& rel) const;
  bool exists(const std::string& rel) const;
  void mkdir(const std::string& rel) const;

  // What someone with access to the disk could leave in a folder, made
  // behind the file layer's back: a symbolic link at path() + rel pointing
  // at target (a full path text, which need not exist), and a FIFO. False
  // where this platform cannot make one (the caller then skips); under Wine
  // the host's own ln and mkfifo make them.
  bool plant_link(const std::string& rel, const std::string& target) const;
  bool plant_fifo(const std::string& rel) const;
  // True when path() + rel is a symbolic link on the disk. Where links
  // cannot be told (under Wine), false.
  bool is_link(const std::string& rel) const;

 private:
  std::string path_;
  std::string native_;  // the folder in the platform's own form (UTF-8 on POSIX)
};

// A file held open the way a running program holds its data file: read
// access, sharing it for reading only (Windows); an exclusive advisory lock
// (POSIX, where a plain open keeps nobody out). Let go when destroyed.
class HeldOpen {
 public:
  explicit HeldOpen(const std::string& path);
  ~HeldOpen();
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool held() const { return held_; }

 private:
  bool held_ = false;
  void* handle_ = nullptr;  // the Windows handle
  int fd_ = -1;             // the POSIX descriptor
};

// Folder of the checked-in test data (RELVO_TEST_DATA), as a CP932 path text
// ending with a separator.
std::string test_data_dir();

}  // namespace relvo::test
