// The material master conversions on real temporary folders: the record
// rules, text-mode reading and writing, the listing and the folder walk.
#include "master/material_master.h"

#include <gtest/gtest.h>


#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/delegating_files.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/encoding.h"
#endif

namespace relvo {
namespace {

using test::TempDir;

FileSystem& Fs() { return native_file_system(); }

// A record with the given code, sub-code and type letter at offset 13, filled
// up (or cut) to len bytes with letters that differ from their neighbours, so
// that a byte dropped at the wrong offset shows.
std::string Rec(std::string_view code, std::string_view sub, char type, std::size_t len) {
  std::string r = std::string(code) + std::string(sub) + " " + type;
  for (std::size_t i = r.size(); i < len; ++i) r += static_cast<char>('a' + i % 26);
  r.resize(len);
  return r;
}
std::string Shifted(const std::string& r) { return std::string(1, ' ').append(r); }
std::string Without(std::string r, std::size_t at) { return r.erase(at, 1); }
std::string With(std::string r, std::size_t at, char c) {
  r[at] = c;
  return r;
}

struct RuleCase {
  const char* what;
  std::string in, out;
};

// Writes every case's input as one record of one master file, converts the
// folder and compares the records that come out, case by case.
void CheckRule(const std::vector<RuleCase>& cases, int (*convert)(FileSystem&, const std::string&)) {
  TempDir tmp;
  std::string in;
  for (const RuleCase& c : cases) in += c.in + "\n";
  tmp.write("m\\zai001-3.mst", in);
  ASSERT_EQ(convert(Fs(), tmp / "m\\"), 1);
  const std::string out = tmp.read("m\\zai001-3.mst");
  std::size_t at = 0;
  for (const RuleCase& c : cases) {
    const std::size_t end = out.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << c.what;
    EXPECT_EQ(out.substr(at, end - at), c.out) << c.what;
    at = end + 2;
  }
  EXPECT_EQ(at, out.size()) << "records after the last case";
}

TEST(SizeRule, DropsByteAt66FromOldLayoutRecordsOnly) {
  const std::string r186 = Rec("400400", "000107", 'A', 186);
  const std::string sjisOver66 = Rec("400400", "000107", 'A', 65) + "\x83\x41" + std::string(119, 'x');
  CheckRule(
      {
          {"186 bytes, sub-code 000107", r186, Without(r186, 66)},
          {"186 bytes, sub-code 000111", Rec("400400", "000111", 'A', 186),
           Without(Rec("400400", "000111", 'A', 186), 66)},
          {"185 bytes is the new layout", Rec("400400", "000107", 'A', 185), Rec("400400", "000107", 'A', 185)},
          {"184 bytes", Rec("400400", "000111", 'B', 184), Without(Rec("400400", "000111", 'B', 184), 66)},
          {"300 bytes lose one byte only", Rec("400400", "000107", 'C', 300),
           Without(Rec("400400", "000107", 'C', 300), 66)},
          {"67 bytes lose the last", Rec("400400", "000107", 'A', 67), Rec("400400", "000107", 'A', 66)},
          {"66 bytes have no byte 66", Rec("400400", "000107", 'A', 66), Rec("400400", "000107", 'A', 66)},
          {"code and sub-code alone", "400400000107", "400400000107"},
          {"a cut sub-code matches nothing", "40040000010", "40040000010"},
          {"other sub-code", Rec("400400", "000108", 'A', 186), Rec("400400", "000108", 'A', 186)},
          {"sub-code 000107 under another code", Rec("400401", "000107", 'A', 186),
           Rec("400401", "000107", 'A', 186)},
          {"code shifted by a blank", Shifted(Rec("400400", "000107", 'A', 185)),
           Shifted(Rec("400400", "000107", 'A', 185))},
          {"a double-byte character is cut by byte", sjisOver66, Without(sjisOver66, 66)},
          {"empty record", "", ""},
      },
      ConvertSizeInFolder);
}

TEST(TypeRule, TurnsTypeLettersAAndBIntoZ) {
  CheckRule(
      {
          {"A", Rec("400400", "000107", 'A', 186), With(Rec("400400", "000107", 'A', 186), 13, 'Z')},
          {"B", Rec("100000", "000001", 'B', 40), With(Rec("100000", "000001", 'B', 40), 13, 'Z')},
          {"any code, sub-code or length", Rec("ABABAB", "BABABA", 'A', 20),
           With(Rec("ABABAB", "BABABA", 'A', 20), 13, 'Z')},
          {"C stays", Rec("400400", "000107", 'C', 50), Rec("400400", "000107", 'C', 50)},
          {"Z stays", Rec("400400", "000107", 'Z', 50), Rec("400400", "000107", 'Z', 50)},
          {"lower-case a stays", Rec("400400", "000107", 'a', 50), Rec("400400", "000107", 'a', 50)},
          {"lower-case b stays", Rec("400400", "000107", 'b', 50), Rec("400400", "000107", 'b', 50)},
          {"blank stays", Rec("400400", "000107", ' ', 50), Rec("400400", "000107", ' ', 50)},
          {"14 bytes ending in B", "4004000001070B", "4004000001070Z"},
          {"13 bytes", "4004000001070", "4004000001070"},
          {"A at offset 12 only", "400400000107A", "400400000107A"},
          {"the byte at 13 counts whatever character it ends", "400400000107\x83\x41xyz", "400400000107\x83Zxyz"},
          {"empty record", "", ""},
      },
      ConvertTypeInFolder);
}

TEST(SizeRule, SettlesAt185Bytes) {
  TempDir tmp;
  const std::string r186 = Rec("400400", "000107", 'A', 186), r187 = Rec("400400", "000111", 'A', 187);
  tmp.write("m\\zai001-3.mst", r186 + "\r\n" + r187 + "\r\n");
  ASSERT_EQ(ConvertSizeInFolder(Fs(), tmp / "m\\"), 1);
  const std::string once = Without(r186, 66) + "\r\n" + Without(r187, 66) + "\r\n";
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), once);
  ASSERT_EQ(ConvertSizeInFolder(Fs(), tmp / "m\\"), 1);
  const std::string twice = Without(r186, 66) + "\r\n" + Without(Without(r187, 66), 66) + "\r\n";
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), twice);
  ASSERT_EQ(ConvertSizeInFolder(Fs(), tmp / "m\\"), 1);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), twice);
}

// Files are read as text and written back with CR LF after every record,
// also when no record changes.
TEST(MasterFileText, ReadInTextModeWrittenWithCrLf) {
  const std::string longLine(600000, 'L');
  const struct {
    const char* what;
    std::string in, out;
  } cases[] = {
      {"LF becomes CR LF", "a\nb\n", "a\r\nb\r\n"},
      {"CR LF stays", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"a last line gets its line break", "a\nb", "a\r\nb\r\n"},
      {"an empty file stays empty", "", ""},
      {"empty lines stay", "\n\r\n\n", "\r\n\r\n\r\n"},
      {"only the CR before LF is part of the break", "a\r\r\nb\rc\n", "a\r\r\nb\rc\r\n"},
      {"a CR at the very end is data", "a\r", "a\r\r\n"},
      {"0x1A ends the file", "a\n\x1A" "b\n", "a\r\n"},
      {"NUL bytes are data", std::string("a\0b\n", 4), std::string("a\0b\r\n", 5)},
      {"a line longer than any buffer", longLine + "\n" + longLine, longLine + "\r\n" + longLine + "\r\n"},
  };
  TempDir tmp;
  int n = 100;
  for (const auto& c : cases) tmp.write("m\\zai" + std::to_string(n++) + "-3.mst", c.in);
  for (int rule = 0; rule < 2; ++rule) {
    ASSERT_EQ(rule == 0 ? ConvertSizeInFolder(Fs(), tmp / "m\\") : ConvertTypeInFolder(Fs(), tmp / "m\\"), 1);
    n = 100;
    for (const auto& c : cases) EXPECT_EQ(tmp.read("m\\zai" + std::to_string(n++) + "-3.mst"), c.out) << c.what;
  }
}

// Only plain files directly in the folder whose names match "zai???-3.mst"
// (without case, a double-byte character as one '?') are listed and
// converted, in case-insensitive name order.
TEST(FindMasterFiles, MatchesTheNamePatternAndSortsWithoutCase) {
  TempDir tmp;
  const std::vector<std::string> want = {"ZAI001-3.MST", "zai002-3.mst", "zai003-3.mst", "Zai00a-3.mst",
                                         "zai00B-3.mst", "zai材01-3.mst", "zaiｱ01-3.mst"};
  const std::vector<std::string> others = {"zai01-3.mst",   "zai0001-3.mst", "zai001-3.mst.bak",
                                           "xzai001-3.mst", "zai001-4.mst",  "sub\\zai005-3.mst",
                                           "zai004-3.mst\\zai006-3.mst"};
  for (const char* name : {"zai003-3.mst", "ZAI001-3.MST", "zai002-3.mst", "zai00B-3.mst", "Zai00a-3.mst",
                           "zaiｱ01-3.mst", "zai材01-3.mst"})
    tmp.write(std::string("m\\") + name, "x\n");
  for (const std::string& name : others) tmp.write("m\\" + name, "x\n");
  EXPECT_EQ(FindMasterFiles(Fs(), tmp / "m\\zai\?\?\?-3.mst"), want);
  EXPECT_TRUE(FindMasterFiles(Fs(), tmp / "none\\zai\?\?\?-3.mst").empty());

  ASSERT_EQ(ConvertSizeInFolder(Fs(), tmp / "m\\"), 1);
  for (const std::string& name : want) EXPECT_EQ(tmp.read("m\\" + name), "x\r\n") << name;
  for (const std::string& name : others) EXPECT_EQ(tmp.read("m\\" + name), "x\n") << name;
}

TEST(ConvertInFolder, EmptyOrMissingFolderCountsAsConverted) {
  TempDir tmp;
  EXPECT_EQ(ConvertSizeInFolder(Fs(), tmp / "missing\\"), 1);
  EXPECT_FALSE(tmp.exists("missing"));
  // A stray temp.mst is left alone where there is nothing to convert.
  tmp.write("m\\temp.mst", "stray");
  EXPECT_EQ(ConvertSizeInFolder(Fs(), tmp / "m\\"), 1);
  EXPECT_EQ(tmp.read("m\\temp.mst"), "stray");
}

TEST(ConvertInFolder, StrayTempFileIsReplaced) {
  TempDir tmp;
  tmp.write("m\\temp.mst", "stray stray stray stray\n");
  tmp.write("m\\zai001-3.mst", "0123456789012A\n");
  ASSERT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 1);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012Z\r\n");
  EXPECT_FALSE(tmp.exists("m\\temp.mst"));
}

// The listing has no fixed capacity: every matching file is converted.
TEST(ConvertInFolder, ConvertsMoreThanAThousandFiles) {
  TempDir tmp;
  std::vector<std::string> names;
  for (int i = 0; i < 1000; ++i) names.push_back("m\\zai" + std::to_string(1000 + i).substr(1) + "-3.mst");
  names.push_back("m\\zaiX00-3.mst");
  names.push_back("m\\zaiX01-3.mst");
  for (const std::string& name : names) tmp.write(name, "0123456789012B\n");
  ASSERT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 1);
  for (const std::string& name : names) ASSERT_EQ(tmp.read(name), "0123456789012Z\r\n") << name;
}

void MakeReadOnly(const std::string& path) {
  FileStatus st;
  ASSERT_TRUE(Fs().get_status(path, st)) << path;
  st.attribute |= kAttrReadOnly;
  ASSERT_TRUE(Fs().set_status(path, st)) << path;
}

TEST(ConvertInFolder, StopsAtReadOnlyMasterFile) {
  TempDir tmp;
  for (const char* n : {"zai001-3.mst", "zai002-3.mst", "zai003-3.mst"}) tmp.write(std::string("m\\") + n, "0123456789012A\n");
  MakeReadOnly(tmp / "m\\zai002-3.mst");
  EXPECT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 0);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012Z\r\n");
  EXPECT_EQ(tmp.read("m\\zai002-3.mst"), "0123456789012A\n");
  EXPECT_EQ(tmp.read("m\\zai003-3.mst"), "0123456789012A\n");
  EXPECT_FALSE(Fs().is_writable(tmp / "m\\zai002-3.mst"));
  EXPECT_FALSE(tmp.exists("m\\temp.mst"));
}

TEST(ConvertInFolder, StopsWhenTempFileCannotBeCreated) {
  TempDir tmp;
  tmp.write("m\\zai001-3.mst", "0123456789012A\n");
  tmp.write("m\\temp.mst", "kept");
  MakeReadOnly(tmp / "m\\temp.mst");
  EXPECT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 0);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012A\n");
  EXPECT_EQ(tmp.read("m\\temp.mst"), "kept");
}

// Lists a master file that is gone by the time it is opened.
class VanishingFileSystem : public DelegatingFileSystem {
 public:
  using DelegatingFileSystem::DelegatingFileSystem;
  std::vector<FoundEntry> find(const std::string& pattern) override {
    std::vector<FoundEntry> found = inner_.find(pattern);
    found.push_back({"zai000-3.mst", false});
    return found;
  }
};

TEST(ConvertInFolder, StopsAtVanishedMasterFile) {
  TempDir tmp;
  tmp.write("m\\zai001-3.mst", "0123456789012A\n");
  VanishingFileSystem fs(Fs());
  EXPECT_EQ(ConvertTypeInFolder(fs, tmp / "m\\"), 0);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012A\n");
  EXPECT_FALSE(tmp.exists("m\\zai000-3.mst"));
  EXPECT_FALSE(tmp.exists("m\\temp.mst"));
}

#ifdef _WIN32
// A master file that another program holds open without sharing.
TEST(ConvertInFolder, StopsAtLockedMasterFile) {
  TempDir tmp;
  tmp.write("m\\zai001-3.mst", "0123456789012A\n");
  const std::u16string wide = enc::cp932_to_utf16(tmp / "m\\zai001-3.mst");
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 0);
  CloseHandle(h);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012A\n");
  EXPECT_FALSE(tmp.exists("m\\temp.mst"));
}
#endif

// The running product holds the master file open (sharing it for reading
// only; on POSIX an exclusive advisory lock stands for that hold). The file
// is left as it was, and the conversion reports 0 before anything is
// written instead of failing at the rename.
TEST(ConvertInFolder, StopsAtMasterFileHeldOpenByTheProduct) {
  TempDir tmp;
  tmp.write("m\\zai001-3.mst", "0123456789012A\n");
  tmp.write("m\\zai002-3.mst", "0123456789012A\n");
  {
    test::HeldOpen product(tmp / "m\\zai001-3.mst");
    ASSERT_TRUE(product.held());
    EXPECT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 0);
  }
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012A\n");
  EXPECT_EQ(tmp.read("m\\zai002-3.mst"), "0123456789012A\n");
  EXPECT_FALSE(tmp.exists("m\\temp.mst"));
  // Let go, it converts.
  EXPECT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 1);
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), "0123456789012Z\r\n");
}

// A link planted as "temp.mst" is never written through: the file it points
// at keeps its bytes, and the master file does not become the link.
TEST(ConvertInFolder, TempFileLinkIsNotFollowed) {
  TempDir tmp, elsewhere;
  tmp.write("m\\zai001-3.mst", "0123456789012A\n");
  elsewhere.write("victim", "victim");
  if (!tmp.plant_link("m\\temp.mst", elsewhere / "victim")) GTEST_SKIP() << "no links on this platform";
  const int result = ConvertTypeInFolder(Fs(), tmp / "m\\");
  EXPECT_EQ(elsewhere.read("victim"), "victim");
  EXPECT_FALSE(tmp.is_link("m\\zai001-3.mst"));
  EXPECT_EQ(tmp.read("m\\zai001-3.mst"), result == 1 ? "0123456789012Z\r\n" : "0123456789012A\n");
#ifndef _WIN32
  EXPECT_EQ(result, 1) << "the link goes, and the file is converted";
#endif
}

// A FIFO with a master file's name is no master file: the conversion stops
// there at once instead of waiting for a writer.
TEST(ConvertInFolder, StopsAtFifo) {
  TempDir tmp;
  tmp.mkdir("m");
  if (!tmp.plant_fifo("m\\zai001-3.mst")) GTEST_SKIP() << "no FIFOs on this platform";
  tmp.write("m\\zai002-3.mst", "0123456789012A\n");
  EXPECT_EQ(ConvertTypeInFolder(Fs(), tmp / "m\\"), 0);
  EXPECT_EQ(tmp.read("m\\zai002-3.mst"), "0123456789012A\n");
  EXPECT_FALSE(tmp.exists("m\\temp.mst"));
}

// The two master folders named by the settings file.
class BothFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp.write("prod\\vornel1.ini", "[SYSTEM]\r\nMAKER=0\r\n[DIR]\r\nMASTER=" + tmp / "master" + "\r\n");
    for (const char* f : {"master1\\zai001-3.mst", "master1\\zai002-3.mst", "master21\\zai001-3.mst"})
      tmp.write(f, kOld);
  }
  std::string Settings() const { return tmp / "prod\\vornel1.ini"; }

  TempDir tmp;
  const std::string kOld = "0123456789012A\n";
  const std::string kNew = "0123456789012Z\r\n";
};

TEST_F(BothFolders, ConvertsSiblingFoldersOfThePrefix) {
  int files = -1;
  EXPECT_EQ(ConvertMaterialType(Fs(), Settings(), &files), 1);
  EXPECT_EQ(files, 3);
  for (const char* f : {"master1\\zai001-3.mst", "master1\\zai002-3.mst", "master21\\zai001-3.mst"})
    EXPECT_EQ(tmp.read(f), kNew) << f;
}

TEST_F(BothFolders, FailureInFirstFolderSkipsTheSecond) {
  MakeReadOnly(tmp / "master1\\zai001-3.mst");
  int files = -1;
  EXPECT_EQ(ConvertMaterialSize(Fs(), Settings(), &files), 0);
  EXPECT_EQ(files, 0);
  EXPECT_EQ(ConvertMaterialType(Fs(), Settings()), 0);
  for (const char* f : {"master1\\zai001-3.mst", "master1\\zai002-3.mst", "master21\\zai001-3.mst"})
    EXPECT_EQ(tmp.read(f), kOld) << f;
}

TEST_F(BothFolders, FailureInSecondFolderIsTheResult) {
  MakeReadOnly(tmp / "master21\\zai001-3.mst");
  int files = -1;
  EXPECT_EQ(ConvertMaterialType(Fs(), Settings(), &files), 0);
  EXPECT_EQ(files, 2);  // the first folder's
  EXPECT_EQ(tmp.read("master1\\zai002-3.mst"), kNew);
  EXPECT_EQ(tmp.read("master21\\zai001-3.mst"), kOld);
}

TEST_F(BothFolders, MissingFirstFolderStillConvertsTheSecond) {
  tmp.write("prod\\vornel1.ini", "[DIR]\r\nMASTER=" + tmp / "other" + "\r\n");
  tmp.write("other21\\zai001-3.mst", kOld);
  EXPECT_EQ(ConvertMaterialType(Fs(), Settings()), 1);
  EXPECT_EQ(tmp.read("other21\\zai001-3.mst"), kNew);
}

TEST_F(BothFolders, LongPrefixIsReadWhole) {
  const std::string deep = std::string(90, 'p') + "\\master";
  ASSERT_GT((tmp / deep).size(), 63u);
  tmp.write("prod\\vornel1.ini", "[DIR]\r\nMASTER=" + tmp / deep + "\r\n");
  tmp.write(deep + "1\\zai001-3.mst", kOld);
  tmp.write(deep + "21\\zai001-3.mst", kOld);
  EXPECT_EQ(ConvertMaterialType(Fs(), Settings()), 1);
  EXPECT_EQ(tmp.read(deep + "1\\zai001-3.mst"), kNew);
  EXPECT_EQ(tmp.read(deep + "21\\zai001-3.mst"), kNew);
}

// Runs the test body with the temporary folder as the current folder.
class InFolder {
 public:
  explicit InFolder(const std::string& path) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(std::filesystem::path(path));
  }
  ~InFolder() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

// A relative prefix counts from the product folder, the folder of the
// settings file, whatever the current folder is.
TEST_F(BothFolders, RelativePrefixCountsFromTheProductFolder) {
  tmp.write("prod\\vornel1.ini", "[DIR]\r\nMASTER=master\r\n");
  for (const char* f : {"prod\\master1\\zai001-3.mst", "prod\\master21\\zai001-3.mst", "cwd\\master1\\zai001-3.mst",
                        "cwd\\master21\\zai001-3.mst"})
    tmp.write(f, kOld);
  InFolder cwd(tmp / "cwd");
  EXPECT_EQ(ConvertMaterialType(Fs(), Settings()), 1);
  EXPECT_EQ(tmp.read("prod\\master1\\zai001-3.mst"), kNew);
  EXPECT_EQ(tmp.read("prod\\master21\\zai001-3.mst"), kNew);
  EXPECT_EQ(tmp.read("cwd\\master1\\zai001-3.mst"), kOld);
  EXPECT_EQ(tmp.read("cwd\\master21\\zai001-3.mst"), kOld);
}

// No prefix names no master folder: the relative folders "1\" and "21\" of
// whatever the current folder is must not be touched.
TEST_F(BothFolders, EmptyPrefixConvertsNothing) {
  tmp.write("cwd\\1\\zai001-3.mst", kOld);
  tmp.write("cwd\\21\\zai001-3.mst", kOld);
  tmp.write("noKey\\vornel1.ini", "[DIR]\r\nWAV=x\r\n");
  tmp.write("emptyKey\\vornel1.ini", "[DIR]\r\nMASTER=\r\n");
  InFolder cwd(tmp / "cwd");
  for (const char* settings : {"missing\\vornel1.ini", "noKey\\vornel1.ini", "emptyKey\\vornel1.ini"}) {
    EXPECT_EQ(ConvertMaterialSize(Fs(), tmp / settings), 1) << settings;
    EXPECT_EQ(ConvertMaterialType(Fs(), tmp / settings), 1) << settings;
  }
  EXPECT_EQ(tmp.read("cwd\\1\\zai001-3.mst"), kOld);
  EXPECT_EQ(tmp.read("cwd\\21\\zai001-3.mst"), kOld);
}

}  // namespace
}  // namespace relvo
