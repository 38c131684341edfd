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
  EXPECT_EQ(ProgramFolderFromArgument("/a/"), "/a/");
  EXPECT_EQ(ProgramFolderFromArgument("C:\\UPD\\"), "C:\\UPD\\");
  EXPECT_EQ(ProgramFolderFromArgument("/srv/ソ/"), "/srv/ソ/");
  const std::string added = ProgramFolderFromArgument("media");
  EXPECT_EQ(added.size(), 6u);
  EXPECT_TRUE(added.back() == '/' || added.back() == '\\');
}

}  // namespace
}  // namespace relvo::app
