// Two product trees compared: what an update has to bring, what it cannot.
#include "maker/tree_diff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace relvo::maker {
namespace {

TEST(TreeDiff, NameProblems) {
  const struct {
    const char* name;
    const char* problem;  // part of it; empty: a name the product can have
  } cases[] = {
      {"readme.txt", ""},
      {"\x83\x5C\x83\x74\x83\x67.txt", ""},  // ソフト: a trail byte 5C is no separator
      {"a?b", "Shift-JIS"},
      {"a\\b.txt", "cannot hold"},  // a POSIX name with a backslash
      {"a:b", "cannot hold"},
      {"name.", "end in a blank or a dot"},
      {"com3.txt", "device name"},
      {"com10.txt", ""},
  };
  for (const auto& c : cases) {
    const std::string problem = NameProblem(c.name);
    if (*c.problem == '\0')
      EXPECT_EQ(problem, "") << c.name;
    else
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
  }
}

TEST(TreeDiff, ComparesTheTrees) {
  test::TempDir tmp;
  for (const char* tree : {"old\\", "new\\"}) {
    const std::string t = tree;
    tmp.write(t + "same.txt", "same");
    tmp.write(t + "Doc\\keep.txt", "keep");
  }
  tmp.write("old\\changed.dat", "1234");
  tmp.write("new\\CHANGED.DAT", "1235");  // the same size, matched without case
  tmp.write("old\\gone.txt", "x");
  tmp.write("old\\Old\\a.txt", "x");
  tmp.write("old\\clash", "a file");
  tmp.write("new\\clash\\f.txt", "now a folder");
  tmp.write("new\\added.txt", "x");
  tmp.write("new\\New\\Deep\\f.txt", "x");
  tmp.write("new\\a,b\\f.txt", "x");

  FileSystem& fs = native_file_system();
  TreeDiff d;
  std::string error;
  ASSERT_TRUE(CompareTrees(fs, tmp / "old\\", tmp / "new\\", d, error)) << error;
  auto sorted = [](std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(d.added), (std::vector<std::string>{"New\\Deep\\f.txt", "added.txt"}));
  EXPECT_EQ(d.changed, std::vector<std::string>{"CHANGED.DAT"});
  EXPECT_EQ(d.newFolders, (std::vector<std::string>{"New", "New\\Deep"}));
  EXPECT_EQ(sorted(d.removed), (std::vector<std::string>{"Old", "gone.txt"}));
  ASSERT_EQ(d.notCarried.size(), 2u);
  EXPECT_NE(sorted(d.notCarried)[0].find("a,b: a folder name with a comma"), std::string::npos);
  EXPECT_NE(sorted(d.notCarried)[1].find("clash: a folder where the old tree has a file"), std::string::npos);

  EXPECT_FALSE(CompareTrees(fs, tmp / "old\\", tmp / "none\\", d, error));
}

}  // namespace
}  // namespace relvo::maker
