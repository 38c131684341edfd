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

// Folder of the checked-in test data (RELVO_TEST_DATA), as a CP932 path text
// ending with a separator.
std::string test_data_dir();

}  // namespace relvo::test
