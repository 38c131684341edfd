// The current drive and the current folder of each drive, the same cases on
// both backends: on a temporary folder reachable through a drive (on POSIX
// drives mapped to temporary roots, on Windows the folder's own drive).
#include "platform/current_folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "support/temp_dir.h"
#include "test_env.h"

namespace relvo {
namespace {

using test::ScopedEnv;
using test::TempDir;

bool has_drive(const std::string& s) { return s.size() >= 2 && s[1] == ':'; }
std::string without_separator(std::string s) {
  if (s.size() > 3 && sjis::ends_with_separator(s)) s.pop_back();
  return s;
}
std::string native_posix(const TempDir& d) { return without_separator(enc::cp932_to_utf8(d.path())); }

class CurrentFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = std::filesystem::current_path();
    tree_.write("Sub\\Deep\\x.txt", "x");
    tree_.write("Sub\\in_sub.txt", "s");
    tree_.write("file.txt", "f");
    if (has_drive(tree_.path())) {
      base_ = without_separator(tree_.path());
    } else {
      drives_.emplace("RELVO_DRIVES", ("Q=" + native_posix(tree_) + ";R=" + native_posix(other_)).c_str());
      base_ = "Q:\\";
    }
    letter_ = sjis::to_upper(base_.substr(0, 1));
    for (char c : cf().drives())
      if (c != letter_[0]) {
        other_letter_ = std::string(1, c);
        break;
      }
    for (char c = 'A'; c <= 'Z'; ++c) {
      const auto d = cf().drives();
      if (std::find(d.begin(), d.end(), c) == d.end()) absent_ = c - 'A' + 1;
    }
  }
  // Leaves no drive's current folder in the tree that is about to go: a
  // text like "C:" would name it afterwards.
  void TearDown() override {
    for (const std::string& l : {letter_, other_letter_})
      if (!l.empty()) cf().change_dir(l + ":\\");
    std::filesystem::current_path(old_);
  }

  static CurrentFolders& cf() { return native_current_folders(); }
  // The tree's folder name below what current_dir reported for it.
  std::string at(const std::string& rel) const {
    return sjis::ends_with_separator(home_) ? home_ + rel : home_ + "\\" + rel;
  }

  std::filesystem::path old_;
  TempDir tree_, other_;
  std::optional<ScopedEnv> drives_;
  std::string base_, home_, letter_, other_letter_;
  int absent_ = 0;
};

TEST_F(CurrentFoldersTest, DrivesAndFoldersAsTheRuntimeKeepsThem) {
  ASSERT_FALSE(other_letter_.empty());
  ASSERT_TRUE(cf().change_dir(base_));
  home_ = cf().current_dir();
  EXPECT_TRUE(sjis::iequals(home_, base_)) << home_;
  ASSERT_EQ(home_.substr(0, 1), letter_);  // the drive letter in upper case

  const std::string L = letter_, M = other_letter_, m_root = M + ":\\", l_root = L + ":\\";
  const int l_drive = L[0] - 'A' + 1, m_drive = M[0] - 'A' + 1;
  enum Op { Cd, Drive };
  // Each step starts where the one before left; after it, the current
  // folder and drive are as given (a failed step changes nothing).
  const struct {
    Op op;
    std::string dir;
    int drive;
    bool ok;
    std::string cwd;
    int current;
  } steps[] = {
      {Cd, "sub", 0, true, at("Sub"), l_drive},  // names spelled as on the disk
      {Cd, "DEEP", 0, true, at("Sub\\Deep"), l_drive},
      {Cd, "..", 0, true, at("Sub"), l_drive},
      {Cd, L + ":..", 0, true, home_, l_drive},
      {Cd, "missing", 0, false, home_, l_drive},
      {Cd, "file.txt", 0, false, home_, l_drive},
      {Cd, L + ":sub", 0, true, at("Sub"), l_drive},
      {Cd, m_root, 0, true, m_root, m_drive},
      // From L's own folder, which it kept while M was current.
      {Cd, L + ":deep", 0, true, at("Sub\\Deep"), l_drive},
      {Drive, "", m_drive, true, m_root, m_drive},
      {Cd, L + ":..", 0, true, at("Sub"), l_drive},
      {Drive, "", m_drive, true, m_root, m_drive},
      {Drive, "", l_drive, true, at("Sub"), l_drive},
      {Drive, "", 0, false, at("Sub"), l_drive},
      {Drive, "", 27, false, at("Sub"), l_drive},
      {Drive, "", absent_, false, at("Sub"), l_drive},
      {Cd, "\\", 0, true, l_root, l_drive},  // the current drive's root
      {Cd, L + ":..", 0, true, l_root, l_drive},  // ".." at a root stays there
      {Cd, M + ":", 0, true, m_root, m_drive},
  };
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const auto& s = steps[i];
    const bool ok = s.op == Cd ? cf().change_dir(s.dir) : cf().change_drive(s.drive);
    EXPECT_EQ(ok, s.ok) << "step " << i;
    EXPECT_EQ(cf().current_dir(), s.cwd) << "step " << i;
    EXPECT_EQ(cf().current_drive(), s.current) << "step " << i;
  }
}

TEST_F(CurrentFoldersTest, FilesNamedFromTheCurrentFolders) {
  ASSERT_FALSE(other_letter_.empty());
  ASSERT_TRUE(cf().change_dir(base_));
  ASSERT_TRUE(cf().change_dir("Sub"));
  FileSystem& f = native_file_system();
  EXPECT_TRUE(f.exists("in_sub.txt"));
  EXPECT_TRUE(f.exists("Deep\\x.txt"));
  EXPECT_TRUE(f.exists("..\\file.txt"));
  EXPECT_TRUE(f.exists(base_.substr(2) + "\\file.txt"));  // "\..." on the current drive
  std::string text;
  EXPECT_TRUE(read_whole_file(f, letter_ + ":in_sub.txt", text));
  EXPECT_EQ(text, "s");
  // With another drive current, "X:name" still starts at X's folder.
  ASSERT_TRUE(cf().change_dir(other_letter_ + ":\\"));
  EXPECT_TRUE(f.exists(letter_ + ":in_sub.txt"));
  EXPECT_TRUE(f.exists(letter_ + ":deep\\X.TXT"));
  EXPECT_FALSE(f.exists("in_sub.txt"));
}

TEST_F(CurrentFoldersTest, DrivesPresentInOrder) {
  const std::vector<char> d = cf().drives();
  EXPECT_TRUE(std::is_sorted(d.begin(), d.end()));
  EXPECT_EQ(std::adjacent_find(d.begin(), d.end()), d.end());
  for (char c : d) EXPECT_TRUE(c >= 'A' && c <= 'Z') << c;
  EXPECT_NE(std::find(d.begin(), d.end(), letter_[0]), d.end());
  EXPECT_GE(d.size(), 2u);
}

}  // namespace
}  // namespace relvo
