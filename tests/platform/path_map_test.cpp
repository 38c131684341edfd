// The POSIX drive map: RELVO_DRIVES, Wine's dosdevices, and drive-letter
// texts reaching the mapped folders.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/console.h"
#include "platform/current_folders.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/posix/path_map.h"
#include "support/temp_dir.h"
#include "test_env.h"

namespace relvo {
namespace {

using test::ScopedEnv;
using test::TempDir;

std::string native(const TempDir& d) {
  std::string s = enc::cp932_to_utf8(d.path());
  s.pop_back();  // the trailing separator
  return s;
}

TEST(DriveMap, ParsesRelvoDrives) {
  const struct {
    const char* spec;
    std::vector<std::pair<char, std::string>> roots;
  } cases[] = {
      {"C=/srv/c;A=/media/floppy", {{'C', "/srv/c"}, {'A', "/media/floppy"}}},
      {"c:=/x/;  d=/", {{'C', "/x"}, {'D', "/"}}},
      {"C=/one;C=/two", {{'C', "/two"}}},
      {"1=/x;E=relative;F;G=;=/y;HH=/z", {}},
      {"", {}},
      {";;B=/b;", {{'B', "/b"}}},
  };
  for (const auto& c : cases) {
    const posix::DriveMap m = posix::parse_drive_map(c.spec);
    int mapped = 0;
    for (char l = 'A'; l <= 'Z'; ++l) mapped += !m.root(l).empty();
    EXPECT_EQ(mapped, static_cast<int>(c.roots.size())) << c.spec;
    for (const auto& [letter, root] : c.roots) EXPECT_EQ(m.root(letter), root) << c.spec << " " << letter;
  }
}

TEST(DriveMap, ReadsWineDosdevices) {
  TempDir prefix;
  const std::string p = native(prefix);
  namespace stdfs = std::filesystem;
  stdfs::create_directories(p + "/drive_c");
  stdfs::create_directories(p + "/dosdevices");
  stdfs::create_directory_symlink("../drive_c", p + "/dosdevices/c:");
  stdfs::create_directory_symlink("/", p + "/dosdevices/z:");
  stdfs::create_directory_symlink(p + "/gone", p + "/dosdevices/x:");  // dangling
  stdfs::create_symlink("/dev/null", p + "/dosdevices/com1");
  const posix::DriveMap m = posix::wine_drive_map(p);
  EXPECT_EQ(m.root('c'), stdfs::canonical(p + "/drive_c").string());
  EXPECT_EQ(m.root('Z'), "/");
  EXPECT_TRUE(m.root('X').empty());
  EXPECT_TRUE(posix::wine_drive_map(p + "/none").empty());

  // In force when RELVO_DRIVES is not set; without any prefix, Z: is "/".
  ScopedEnv no_drives("RELVO_DRIVES", nullptr);
  {
    ScopedEnv wp("WINEPREFIX", p.c_str());
    EXPECT_EQ(posix::current_drive_map().root('C'), m.root('C'));
  }
  ScopedEnv wp("WINEPREFIX", (p + "/none").c_str());
  const posix::DriveMap fallback = posix::current_drive_map();
  EXPECT_EQ(fallback.root('Z'), "/");
  EXPECT_TRUE(fallback.root('C').empty());
}

TEST(DriveMap, DriveLetterTextsReachTheMappedFolder) {
  TempDir c, a;
  const std::string spec = "C=" + native(c) + ";a=" + native(a);
  ScopedEnv drives("RELVO_DRIVES", spec.c_str());
  FileSystem& f = native_file_system();
  for (const char* root : {"C:", "C:\\", "c:/", "A:"}) EXPECT_TRUE(f.exists(root)) << root;
  EXPECT_FALSE(f.exists("Q:\\"));
  EXPECT_FALSE(f.create("Q:\\x.txt"));

  ASSERT_TRUE(f.make_dir("C:\\Sub"));
  ASSERT_TRUE(write_file_atomically(f, "c:\\sub\\ソフト.txt", "on c"));
  EXPECT_EQ(c.read("Sub/ソフト.txt"), "on c");
  EXPECT_TRUE(std::filesystem::exists(native(c) + "/Sub/" + enc::cp932_to_utf8("ソフト.txt")));
  FileStatus st;
  ASSERT_TRUE(f.get_status("C:\\SUB\\ソフト.TXT", st));
  EXPECT_EQ(st.fullName, "C:\\Sub\\ソフト.txt");
  EXPECT_TRUE(f.copy_file("C:\\sub\\ソフト.txt", "A:info.txt"));
  EXPECT_EQ(a.read("info.txt"), "on c");
  const auto found = f.find("A:*.TXT");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "info.txt");
}

TEST(DriveMap, RelativeTextsStartAtTheCurrentFolder) {
  TempDir d, elsewhere;
  d.write("Here.txt", "here");
  d.write("sub\\x.txt", "x");
  const std::string old = std::filesystem::current_path().string();
  // The process's folder on a drive (here its root) gives the drive form;
  // on no drive, the POSIX form. ".." climbs above the current folder, but
  // never above a drive's root.
  const struct {
    std::string drives, full;
    bool above_root_is_root;
  } cases[] = {
      {"Q=" + native(d), "Q:\\Here.txt", true},
      {"Q=" + native(elsewhere), d.path() + "Here.txt", false},
  };
  for (const auto& c : cases) {
    ScopedEnv drives("RELVO_DRIVES", c.drives.c_str());
    ASSERT_EQ(chdir(native(d).c_str()), 0);
    std::string out;
    EXPECT_TRUE(read_whole_file(native_file_system(), "here.TXT", out));
    EXPECT_EQ(out, "here");
    FileStatus st;
    EXPECT_TRUE(native_file_system().get_status(".\\here.txt", st));
    EXPECT_EQ(st.fullName, c.full);
    EXPECT_EQ(native_file_system().find("*.txt").size(), 1u);
    ASSERT_EQ(chdir((native(d) + "/sub").c_str()), 0);
    EXPECT_TRUE(read_whole_file(native_file_system(), "..\\Here.txt", out));
    EXPECT_EQ(out, "here");
    EXPECT_TRUE(native_file_system().exists("../sub/../sub/X.TXT"));
    EXPECT_EQ(native_file_system().exists("..\\..\\..\\Here.txt"), c.above_root_is_root) << c.drives;
  }
  ASSERT_EQ(chdir(old.c_str()), 0);
}

TEST(DriveMap, ProcessFolderStartsOnTheDeepestDriveHoldingIt) {
  TempDir d;
  d.mkdir("inner\\Deep");
  const std::string old = std::filesystem::current_path().string();
  ASSERT_EQ(chdir((native(d) + "/inner/Deep").c_str()), 0);
  {
    // Q holds the folder, R holds it deeper: R is current there, Q at its
    // root (the drives not holding it start at their roots).
    ScopedEnv drives("RELVO_DRIVES", ("Q=" + native(d) + ";R=" + native(d) + "/inner").c_str());
    CurrentFolders& cf = native_current_folders();
    EXPECT_EQ(cf.current_drive(), 'R' - 'A' + 1);
    EXPECT_EQ(cf.current_dir(), "R:\\Deep");
    EXPECT_TRUE(cf.change_drive('Q' - 'A' + 1));
    EXPECT_EQ(cf.current_dir(), "Q:\\");
    // A chdir by other means moves the current drive along.
    ASSERT_EQ(chdir((native(d) + "/inner").c_str()), 0);
    EXPECT_EQ(cf.current_dir(), "R:\\");
    EXPECT_EQ(cf.drives(), (std::vector<char>{'Q', 'R'}));
  }
  ScopedEnv drives("RELVO_DRIVES", ("Q=" + native(d) + "/inner/Deep/none").c_str());
  EXPECT_EQ(native_current_folders().current_drive(), 0);
  EXPECT_EQ(native_current_folders().current_dir(), d.path() + "inner");
  ASSERT_EQ(chdir(old.c_str()), 0);
}

TEST(DriveMap, ExactSpellingWinsOverOtherCases) {
  TempDir d;
  // Made beside the layer, which would reuse the first name for the others.
  for (const char* n : {"Abc", "ABC", "abc"}) std::ofstream(native(d) + "/" + n) << n;
  EXPECT_EQ(d.read("Abc"), "Abc");
  EXPECT_EQ(d.read("abc"), "abc");
  ASSERT_TRUE(std::filesystem::remove(native(d) + "/abc"));
  // No exact name: the first of the others in byte order.
  EXPECT_EQ(d.read("abc"), "ABC");
  EXPECT_EQ(d.read("aBC"), "ABC");
}

TEST(DriveMap, DosPatterns) {
  const struct {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "noext", true},      {"*.*", "a.b", true},         {"abc.*", "abc", true},
      {"abc.*", "abc.txt", true},  {"abc.*", "abcd", false},     {"*.", "noext", true},
      {"*.", "a.b", false},        {"?.txt", "表.txt", true},    {"??.txt", "表.txt", false},
      {"ZAI*", "zai1", true},      {"ｿ*", "ソ", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(posix::dos_pattern_match(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

}  // namespace
}  // namespace relvo

namespace relvo {
namespace {

// Paths as a user of Linux writes them: through the drive map, spelled as
// on the disk, never half '/' and half '\'.
TEST(PathForUser, MapsDriveTextsToTheDisk) {
  TempDir d;
  d.mkdir("Sub\\ソフト");
  ScopedEnv drives("RELVO_DRIVES", ("Q=" + native(d)).c_str());
  const std::string root = native(d);
  const struct {
    std::string text;  // CP932
    std::string shown; // UTF-8
  } cases[] = {
      {"Q:\\sub\\ソフト\\new.txt", root + "/Sub/" + enc::cp932_to_utf8("ソフト") + "/new.txt"},
      {"Q:\\SUB\\", root + "/Sub/"},
      {"Q:sub/x\\y", root + "/Sub/x/y"},
      {d.path() + "Sub\\a", root + "/Sub/a"},
      {"P:\\x\\y\\", "P:/x/y/"},  // no such drive: the words kept
  };
  for (const auto& c : cases) EXPECT_EQ(path_for_user(c.text), c.shown) << enc::cp932_to_utf8(c.text);
}

}  // namespace
}  // namespace relvo
