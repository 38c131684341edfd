// The product folder checks and the product identification on real folders,
// and the run's read-only pass over them.
#include "engine/product_checks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "engine/update_run.h"
#include "platform/encoding.h"
#include "support/temp_dir.h"


namespace relvo {
namespace {

FileSystem& fs() { return native_file_system(); }

std::array<std::string, 15> keywords() {
  std::array<std::string, 15> k;
  for (std::size_t i = 0; i < k.size(); ++i) k[i] = "型紙" + std::string(1, static_cast<char>('A' + i));
  return k;
}

struct File {
  std::string rel, bytes;
};

void put(const test::TempDir& dir, const std::vector<File>& files) {
  for (const File& f : files) {
    if (f.bytes == "<folder>")
      dir.mkdir(f.rel);
    else
      dir.write(f.rel, f.bytes);
  }
}

// ---------------------------------------------------------------------------
// FindFileInFolder and LocateSettingsFile

struct FolderCase {
  const char* what;
  std::vector<File> files;
  std::string folder;  // relative to the temporary folder
  std::string name;
  int find, locate;                     // the two results
  std::string findFolder, locateFolder;  // the folder text each leaves
};

TEST(ProductChecks, FindAndLocateSettingsFile) {
  const FolderCase cases[] = {
      {"folder without separator", {{"prod\\vornel1.ini", "x"}}, "prod", "vornel1.ini", 1, 1, "prod\\", "prod\\"},
      {"folder with separator", {{"prod\\vornel1.ini", "x"}}, "prod\\", "vornel1.ini", 1, 1, "prod\\", "prod\\"},
      {"file names have no case", {{"prod\\VORNEL1.INI", "x"}}, "prod\\", "vornel1.ini", 1, 1, "prod\\", "prod\\"},
      {"folder without the file", {{"prod\\other.ini", "x"}}, "prod", "vornel1.ini", 0, 0, "prod\\", "prod"},
      {"missing folder", {}, "gone", "vornel1.ini", 0, 0, "gone", "gone"},
      {"missing folder with separator", {}, "gone\\", "vornel1.ini", 0, 0, "gone\\", "gone\\"},
      // Plain concatenation: a file beside the folder, named like folder +
      // name, is what the first test finds.
      {"a sibling named folder + name", {{"prod\\x", "x"}, {"prodvornel1.ini", "x"}}, "prod", "vornel1.ini", 1, 1,
       "prod", "prod"},
      {"a Japanese folder with ソ", {{"ソフト\\pemtrax1.ini", "x"}}, "ソフト", "pemtrax1.ini", 1, 1, "ソフト\\",
       "ソフト\\"},
      {"a folder named like the file counts", {{"prod\\vornel1.ini", "<folder>"}}, "prod", "vornel1.ini", 1, 1,
       "prod\\", "prod\\"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    put(dir, c.files);
    std::string folder = dir / c.folder;
    EXPECT_EQ(FindFileInFolder(fs(), folder, c.name), c.find);
    EXPECT_EQ(folder, dir / c.findFolder);
    folder = dir / c.folder;
    EXPECT_EQ(LocateSettingsFile(fs(), folder, c.name), c.locate);
    EXPECT_EQ(folder, dir / c.locateFolder);
  }
}

// ---------------------------------------------------------------------------
// A bare drive letter

// The root of a drive that the test may put files into: on POSIX a letter
// mapped to a temporary folder through RELVO_DRIVES; on Windows (Wine) the
// root of the system drive, since Wine's drives come only from its prefix.
class DriveRoot {
 public:
  explicit DriveRoot(const test::TempDir& dir) {
#ifdef _WIN32
    (void)dir;
    const char* sys = std::getenv("SystemDrive");
    letter_ = sys && sys[0] ? std::string(1, sys[0]) : "C";
#else
    letter_ = "Q";
    root_ = dir.path();
    if (const char* old = std::getenv("RELVO_DRIVES")) old_ = old;
    setenv("RELVO_DRIVES", ("Q=" + enc::cp932_to_utf8(dir.path())).c_str(), 1);
#endif
    if (root_.empty()) root_ = letter_ + ":\\";
  }
  ~DriveRoot() {
    for (const std::string& f : created_) fs().remove(f);
#ifndef _WIN32
    if (old_)
      setenv("RELVO_DRIVES", old_->c_str(), 1);
    else
      unsetenv("RELVO_DRIVES");
#endif
  }
  const std::string& letter() const { return letter_; }
  // Puts a file into the root unless one is there; false when it cannot.
  bool add(const std::string& name) {
    const std::string path = root_ + name;
    if (fs().exists(path)) return true;
    auto w = fs().create(path);
    if (!w) return false;
    w->write("[SYSTEM]\r\nTITLE=型紙E\r\n", 22);
    w->close();
    created_.push_back(path);
    return true;
  }

 private:
  std::string letter_, root_;
  std::optional<std::string> old_;
  std::vector<std::string> created_;
};

TEST(ProductChecks, BareDriveLetterFindsItsRoot) {
  test::TempDir dir;
  DriveRoot drive(dir);
  // A name of its own, so that nothing else on a shared root is taken for it.
  const std::string settings = "rv" + std::to_string(std::rand() % 100000) + ".ini";
  if (!drive.add(settings) || !drive.add("Start.bmp")) GTEST_SKIP() << "the drive root cannot be written";
  const std::string& letter = drive.letter();

  std::string folder = letter;
  ASSERT_EQ(LocateSettingsFile(fs(), folder, settings), 1);
  EXPECT_EQ(folder, letter + ":\\");
  EXPECT_EQ(CheckMenuAndStartPicture(fs(), folder, settings), 1);
  EXPECT_EQ(folder, letter + ":\\");
  EXPECT_EQ(IdentifyProduct(fs(), folder, settings, keywords()), 5);

  UpdateDescriptor d;
  d.installFolder = letter;
  d.settingsFile = settings;
  d.titleKeywords = keywords();
  const ProductFolderCheck r = CheckProductFolder(fs(), d);
  EXPECT_TRUE(r.folderCheck);
  EXPECT_TRUE(r.versionCheck);
  EXPECT_EQ(d.productCode, 5);
  EXPECT_EQ(r.workingFolder, letter + ":\\");

  // The letter of a drive without the file comes back as it was.
  folder = letter;
  EXPECT_EQ(LocateSettingsFile(fs(), folder, "x" + settings), 0);
  EXPECT_EQ(folder, letter);
}

// ---------------------------------------------------------------------------
// CheckMenuAndStartPicture

struct VersionCase {
  const char* what;
  std::string settingsFile;
  std::vector<File> files;  // in the temporary folder
  std::string folder;
  int want;
  std::string wantFolder;
};

TEST(ProductChecks, MenuAndStartPicture) {
  // A failing test leaves the "\\" of its second try on the folder text.
  const VersionCase cases[] = {
      {"VORNEL1 with vo1menu only", "VORNEL1.INI", {{"vo1menu.ini", ""}, {"Start.bmp", ""}}, "", 1, ""},
      {"VORNEL1 with vo2menu only", "VORNEL1.INI", {{"vo2menu.ini", ""}, {"Start.bmp", ""}}, "", 1, ""},
      {"VORNEL1 without Start.bmp", "VORNEL1.INI", {{"vo1menu.ini", ""}, {"vo2menu.ini", ""}}, "", 0, "\\"},
      {"VORNEL1 without menu file", "VORNEL1.INI", {{"Start.bmp", ""}}, "", 0, "\\"},
      {"the fallback's lower-case name asks for the menu", "vornel1.ini", {{"Start.bmp", ""}}, "", 0, "\\"},
      {"MIRUZO1 without menu file", "Miruzo1.ini", {{"Start.bmp", ""}}, "", 0, "\\"},
      {"MIRUZO1 with menu file", "MIRUZO1.INI", {{"vo2menu.ini", ""}, {"Start.bmp", ""}}, "", 1, ""},
      {"PEMTRAX1 needs Start.bmp only", "PEMTRAX1.INI", {{"Start.bmp", ""}}, "", 1, ""},
      {"any other file needs Start.bmp only", "other.ini", {{"Start.bmp", ""}}, "", 1, ""},
      {"any other file without Start.bmp", "other.ini", {{"vo1menu.ini", ""}}, "", 0, "\\"},
      {"a folder named Start.bmp passes", "other.ini", {{"Start.bmp", "<folder>"}}, "", 1, ""},
      {"file names have no case", "VORNEL1.INI", {{"VO1MENU.INI", ""}, {"START.BMP", ""}}, "", 1, ""},
      {"a missing folder fails", "other.ini", {{"Start.bmp", ""}}, "gone\\", 0, "gone\\"},
      {"a missing folder fails the menu test", "VORNEL1.INI", {}, "gone", 0, "gone"},
      {"a folder text without separator is completed", "VORNEL1.INI",
       {{"prod\\vo1menu.ini", ""}, {"prod\\Start.bmp", ""}}, "prod", 1, "prod\\"},
      {"completed by the picture test alone", "other.ini", {{"prod\\Start.bmp", ""}}, "prod", 1, "prod\\"},
      {"a Japanese folder", "VORNEL1.INI", {{"型紙ソ\\vo2menu.ini", ""}, {"型紙ソ\\Start.bmp", ""}}, "型紙ソ", 1,
       "型紙ソ\\"},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    put(dir, c.files);
    std::string folder = dir / c.folder;
    EXPECT_EQ(CheckMenuAndStartPicture(fs(), folder, c.settingsFile), c.want);
    EXPECT_EQ(folder, dir / c.wantFolder);
  }
}

// ---------------------------------------------------------------------------
// IdentifyProduct


struct IdentifyCase {
  const char* what;
  std::string settingsFile;
  std::optional<std::string> content;  // nullopt: no settings file
  int want;
  int emptyKeyword = -1;  // a keyword line the descriptor left empty
};

TEST(ProductChecks, IdentifyProduct) {
  const std::string t99 = std::string(94, 'x') + "型紙D";   // the keyword ends at byte 99
  const std::string t100 = std::string(95, 'x') + "型紙D";  // it ends one byte beyond the 99 read
  const IdentifyCase cases[] = {
      {"maker 1", "PEMTRAX1.INI", "[SYSTEM]\r\nMAKER=1\r\n", 0},
      {"a lower-case name is PEMTRAX1.INI", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=1\r\nTITLE=型紙A\r\n", 0},
      {"maker 2", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=2\r\n", 99},
      {"maker 01", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=01\r\n", 0},
      {"maker with blanks and sign", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=  +1x\r\n", 0},
      {"empty maker", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=\r\n", 99},
      {"maker without leading digits", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=x1\r\n", 99},
      {"maker -1", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=-1\r\n", 99},
      {"maker key missing", "pemtrax1.ini", "[SYSTEM]\r\nTITLE=型紙B\r\n", 0},
      {"maker in another section only", "pemtrax1.ini", "[DIR]\r\nMAKER=2\r\n", 0},
      {"settings file missing, PEMTRAX1", "pemtrax1.ini", std::nullopt, 0},
      {"title with keyword 0", "vornel1.ini", "[SYSTEM]\r\nTITLE=新 型紙A 版\r\n", 1},
      {"keywords 3 and 5: keyword order wins", "vornel1.ini", "[SYSTEM]\r\nTITLE=型紙F と 型紙D\r\n", 4},
      {"keywords are case-sensitive", "vornel1.ini", "[SYSTEM]\r\nTITLE=型紙a\r\n", -1},
      {"no keyword", "vornel1.ini", "[system]\r\ntitle=別の製品\r\n", -1},
      {"title key missing", "vornel1.ini", "[SYSTEM]\r\nMAKER=1\r\n", -1},
      {"settings file missing", "vornel1.ini", std::nullopt, -1},
      {"an empty keyword is in every title", "vornel1.ini", "[SYSTEM]\r\nTITLE=別\r\n", 7, 6},
      {"an earlier keyword still wins over an empty one", "vornel1.ini", "[SYSTEM]\r\nTITLE=型紙C\r\n", 3, 6},
      {"an empty keyword matches a missing title", "vornel1.ini", std::nullopt, 7, 6},
      // 88 8C | 5E | 8E 86 | 41: the bytes of 型紙A (8C 5E 8E 86 41) start on a trail byte.
      {"no match across a double-byte character", "vornel1.ini", "[SYSTEM]\r\nTITLE=\x88\x8C\x5E\x8E\x86" "A\r\n", -1},
      {"a title of 99 bytes is searched whole", "miruzo1.ini", "[SYSTEM]\r\nTITLE=" + t99 + "\r\n", 4},
      {"only the first 99 bytes are searched", "miruzo1.ini", "[SYSTEM]\r\nTITLE=" + t100 + "\r\n", -1},
  };
  for (const IdentifyCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    if (c.content) dir.write(c.settingsFile, *c.content);
    auto k = keywords();
    if (c.emptyKeyword >= 0) k[static_cast<std::size_t>(c.emptyKeyword)].clear();
    EXPECT_EQ(IdentifyProduct(fs(), dir.path(), c.settingsFile, k), c.want);
  }
}

// ---------------------------------------------------------------------------
// CheckProductFolder: the run's steps 2 to 5, reading only

struct InspectCase {
  const char* what;
  std::vector<File> files;  // in "prod"
  std::string settingsFile;
  std::string wantSettingsFile;
  bool folderCheck, versionCheck;
  int productCode;
  std::string wantFolder;  // relative
};

TEST(ProductChecks, CheckProductFolderAsTheRunDoes) {
  const std::string vornel = "[SYSTEM]\r\nTITLE=型紙B 標準\r\n";
  const InspectCase cases[] = {
      {"named settings file", {{"vornel1.ini", vornel}, {"vo1menu.ini", ""}, {"Start.bmp", ""}}, "VORNEL1.INI",
       "VORNEL1.INI", true, true, 2, "prod\\"},
      {"NULL finds vornel1.ini", {{"vornel1.ini", vornel}, {"vo2menu.ini", ""}, {"Start.bmp", ""}}, "NULL",
       "vornel1.ini", true, true, 2, "prod\\"},
      {"NULL falls back to pemtrax1.ini in the same folder",
       {{"pemtrax1.ini", "[SYSTEM]\r\nMAKER=3\r\n"}, {"Start.bmp", ""}}, "NULL", "pemtrax1.ini", true, true, 99,
       "prod\\"},
      {"NULL with neither file keeps the last name", {{"Start.bmp", ""}}, "NULL", "pemtrax1.ini", false, false, -1,
       "prod"},
      {"null in lower case is a file name", {{"null", ""}, {"Start.bmp", ""}}, "null", "null", true, true, -1,
       "prod\\"},
      {"version check fails", {{"vornel1.ini", vornel}, {"Start.bmp", ""}}, "NULL", "vornel1.ini", true, false, -1,
       "prod\\\\"},  // the menu test's second try appended one more
  };
  for (const InspectCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    for (const File& f : c.files) dir.write("prod\\" + f.rel, f.bytes);
    dir.mkdir("prod");
    const auto before = fs().find(dir / "prod\\*");
    UpdateDescriptor d;
    d.installFolder = dir / "prod";
    d.settingsFile = d.settingsFileAsRead = c.settingsFile;
    d.titleKeywords = keywords();
    const ProductFolderCheck r = CheckProductFolder(fs(), d);
    EXPECT_EQ(d.settingsFile, c.wantSettingsFile);
    EXPECT_EQ(r.folderCheck, c.folderCheck);
    EXPECT_EQ(r.versionCheck, c.versionCheck);
    EXPECT_EQ(d.productCode, c.productCode);
    EXPECT_EQ(r.workingFolder, dir / c.wantFolder);
    // Nothing is created or changed.
    EXPECT_EQ(fs().find(dir / "prod\\*").size(), before.size());
    for (const File& f : c.files) EXPECT_EQ(dir.read("prod\\" + f.rel), f.bytes) << f.rel;
  }
}

}  // namespace
}  // namespace relvo
