// Drive types, the Windows folder and the program's own path.
#include <gtest/gtest.h>

#include "base/sjis.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/temp_dir.h"
#include "test_env.h"

namespace relvo {
namespace {

using test::ScopedEnv;
using test::TempDir;

// A path shown to the user has one kind of separator, the platform's; a
// drive the map does not hold keeps its words.
TEST(PathForUser, OneKindOfSeparator) {
  ScopedEnv drives("RELVO_DRIVES", "Z=/");
  const std::string sep(1, native_separator());
  EXPECT_EQ(path_for_user("P:\\x/y\\"), "P:" + sep + "x" + sep + "y" + sep);
  EXPECT_EQ(path_for_user("P:\\ソ\\z"), "P:" + sep + "\xE3\x82\xBD" + sep + "z");  // 83 5C is no separator
}

TEST(SystemInfo, DriveTypes) {
  TempDir d;
  SystemInfo& s = native_system_info();
  const std::string missing = d / "no\\such\\folder\\";
  {
    ScopedEnv forced("RELVO_REMOVABLE", "1");
    EXPECT_EQ(s.drive_type(d.path()), kDriveRemovable);
    EXPECT_EQ(s.drive_type(missing), kDriveNoRoot);
  }
  {
    ScopedEnv forced("RELVO_REMOVABLE", "0");
    EXPECT_EQ(s.drive_type(d.path()), kDriveFixed);
  }
  ScopedEnv none("RELVO_REMOVABLE", nullptr);
  EXPECT_EQ(s.drive_type(missing), kDriveNoRoot);
#ifdef _WIN32
  EXPECT_EQ(s.drive_type(d.path()), kDriveFixed);
  EXPECT_EQ(s.drive_type("C:"), kDriveFixed);
  EXPECT_EQ(s.drive_type("C:\\"), kDriveFixed);
#else
  const int t = s.drive_type(d.path());
  EXPECT_TRUE(t == kDriveFixed || t == kDriveRemovable) << t;
#endif
}

TEST(SystemInfo, WindowsFolderExistsWithoutTrailingSeparator) {
  const std::string w = native_system_info().windows_folder();
  ASSERT_FALSE(w.empty());
  EXPECT_FALSE(sjis::ends_with_separator(w)) << w;
  EXPECT_TRUE(native_file_system().exists(w)) << w;
}

TEST(SystemInfo, ExecutablePathNamesThisProgram) {
  const std::string p = executable_path();
  ASSERT_FALSE(p.empty());
  EXPECT_TRUE(native_file_system().exists(p)) << p;
  const sjis::SplitPath parts = sjis::split_path(p);
  EXPECT_TRUE(sjis::iequals(parts.base, "platform_files_tests")) << p;
  FileStatus st;
  ASSERT_TRUE(native_file_system().get_status(p, st));
  EXPECT_GT(st.size, 0u);
}

}  // namespace
}  // namespace relvo
