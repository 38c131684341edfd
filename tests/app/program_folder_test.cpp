// The program folder: drive and directory of the executable, a drive root
// cut to the bare drive.
#include "app/program_folder.h"

#include <gtest/gtest.h>

namespace relvo::app {
namespace {

TEST(ProgramFolder, FromExecutablePath) {
  struct Case { const char* exe; const char* folder; } cases[] = {
      {"A:\\RELVO.EXE", "A:"},                // a drive root: descriptor is A:info.txt
      {"C:\\UPD\\relvo.exe", "C:\\UPD\\"},
      {"C:\\UPD\\DISK1\\relvo.exe", "C:\\UPD\\DISK1\\"},
      {"C:\\ソフト\\relvo.exe", "C:\\ソフト\\"},  // 83 5C is no separator
      {"/media/fd/relvo", "/media/fd/"},
      {"/r", "/"},
      {"/a/relvo", "/a/"},  // three characters, but no drive root
      {"relvo.exe", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgramFolderFromExePath(c.exe), c.folder) << c.exe;
}

TEST(ProgramFolder, FromArgument) {
  EXPECT_EQ(ProgramFolderFromArgument("A:"), "A:");
  EXPECT_EQ(ProgramFolderFromArgument("A:\\"), "A:");
  EXPECT_EQ(ProgramFolderFromArgument("C:\\UPD\\"), "C:\\UPD\\");
#ifdef _WIN32
  EXPECT_EQ(ProgramFolderFromArgument("/a/"), "\\a\\");  // as the system writes it
  EXPECT_EQ(ProgramFolderFromArgument("/srv/ソ/"), "\\srv\\ソ\\");
#else
  EXPECT_EQ(ProgramFolderFromArgument("/a/"), "/a/");
  EXPECT_EQ(ProgramFolderFromArgument("/srv/ソ/"), "/srv/ソ/");
#endif
  const std::string added = ProgramFolderFromArgument("media");
  EXPECT_EQ(added.size(), 6u);
  EXPECT_TRUE(added.back() == '/' || added.back() == '\\');
  EXPECT_EQ(ProgramFolderFromArgument("C:/upd/disk1"), "C:\\upd\\disk1\\");  // a drive's text: '\' alone
}

// A folder given relative to a current folder on a drive is the system's
// kind of text, with one kind of separator: the names the run appends
// with '\' never follow a '/'.
TEST(ProgramFolder, AbsoluteFolderText) {
  struct At final : CurrentFolders {
    std::string dir;
    int current_drive() override { return 26; }
    bool change_drive(int) override { return false; }
    bool change_dir(const std::string&) override { return false; }
    std::string current_dir() override { return dir; }
    std::vector<char> drives() override { return {'Z'}; }
  } at;
  const struct {
    const char *cwd, *text, *absolute;
  } cases[] = {
      {"Z:\\tmp\\x", "demo/media/disk1", "Z:\\tmp\\x\\demo\\media\\disk1"},
      {"Z:\\", "a/b", "Z:\\a\\b"},
      {"Z:\\tmp", ".", "Z:\\tmp\\"},
      {"Z:\\tmp", "C:/VORNEL", "C:\\VORNEL"},
      {"Z:\\tmp", "ソ/x", "Z:\\tmp\\ソ\\x"},
      {"", "demo", "demo"},
#ifndef _WIN32
      {"/tmp/x", "demo/disk1", "/tmp/x/demo/disk1"},  // no drive holds it: a path of this system
#endif
  };
  for (const auto& c : cases) {
    at.dir = c.cwd;
    EXPECT_EQ(AbsoluteFolderText(at, c.text), c.absolute) << c.cwd << " + " << c.text;
  }
}

}  // namespace
}  // namespace relvo::app
