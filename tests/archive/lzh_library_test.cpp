// The library entry the update run calls, extraction on real folders, the
// refusal of hostile archives, and agreement with other LZH tools.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/lzh_extract.h"
#include "archive/lzh_library.h"
#include "lzh_builder.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace relvo::lzh {
namespace {

std::string fixture(const std::string& name) {
  return relvo::test::test_data_dir() + "lzh" + (relvo::test::test_data_dir().back() == '\\' ? "\\" : "/") + name;
}

std::string read_fixture(const std::string& name) {
  std::string out;
  EXPECT_TRUE(read_whole_file(native_file_system(), fixture(name), out)) << name;
  return out;
}

// Runs the entry with a message buffer guarded by canaries.
int run_command(const std::string& line, std::string& message, std::size_t size = 256) {
  LzhLibrary lib(native_file_system());
  lib.SetBackgroundMode(0);
  lib.SetCursorMode(1);
  std::vector<char> buf(size + 16, '#');
  const int rc = lib.Command(nullptr, line.c_str(), buf.data() + 8, size);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(buf[i], '#');
  for (std::size_t i = size + 8; i < buf.size(); ++i) EXPECT_EQ(buf[i], '#') << "overflow";
  if (size) message = buf.data() + 8;
  return rc;
}

std::string cmd_line(const std::string& archive_no_ext, const std::string& target) {
  return "e -mcwC:\\WINDOWS \"" + archive_no_ext + "\" \"" + target + "\"";
}

TEST(LzhCommand, ParsesTheRunsCommandLine) {
  const struct {
    const char* line;
    bool ok;
    const char* work;
    const char* archive;
    const char* target;
  } cases[] = {
      {"e -mcwC:\\WINDOWS \"A:START3\" \"C:\\PROD\\\"", true, "C:\\WINDOWS", "A:START3", "C:\\PROD\\"},
      {"e -mcwC:\\Program Files\\Win \"C:\\a b\\x\" \"D:\\t\"", true, "C:\\Program Files\\Win", "C:\\a b\\x", "D:\\t"},
      {"e -mcw \"a\" \"b\"", true, "", "a", "b"},
      {"  e  -m -c -wW  \"a\"  \"b\"  ", true, "W", "a", "b"},
      {"e \"a\" \"b\"", true, "", "a", "b"},
      {"x -mcwC:\\W \"a\" \"b\"", false, "", "", ""},
      {"e -mzwC:\\W \"a\" \"b\"", false, "", "", ""},
      {"e -mcwC:\\W \"a\"", false, "", "", ""},
      {"e -mcwC:\\W \"a\" \"b\" \"c\"", false, "", "", ""},
      {"e -mcwC:\\W \"a\" \"b", false, "", "", ""},
      {"e -mcwC:\\W a b", false, "", "", ""},
      {"", false, "", "", ""},
      {"e - \"a\" \"b\"", false, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ParsedCommand p;
    std::string message;
    ASSERT_EQ(parse_command_line(c.line, p, message), c.ok);
    if (c.ok) {
      EXPECT_EQ(p.work_folder, c.work);
      EXPECT_EQ(p.archive, c.archive);
      EXPECT_EQ(p.target, c.target);
    } else {
      EXPECT_FALSE(message.empty());
    }
  }
}

TEST(LzhCommand, ArchiveNameIsTheFileTheDiskCheckLooksFor) {
  FileSystem& fs = native_file_system();
  relvo::test::TempDir d;
  // Nothing on disk: a name without extension gets ".lzh".
  EXPECT_EQ(archive_file_name(fs, "A:START3"), "A:START3.lzh");
  EXPECT_EQ(archive_file_name(fs, d / "\x89\xb9\x90\xba\\wave"), d / "\x89\xb9\x90\xba\\wave.lzh");
  EXPECT_EQ(archive_file_name(fs, d / "v1.2\\x"), d / "v1.2\\x.lzh");  // a dot in a folder is no extension
  EXPECT_EQ(archive_file_name(fs, d / "x.lzh"), d / "x.lzh");
  // A dotted name whose ".lzh" file exists is that file, as the disk check has it.
  d.write("SYS1.V2.lzh", "x");
  EXPECT_EQ(archive_file_name(fs, d / "SYS1.V2"), d / "SYS1.V2.lzh");
  EXPECT_EQ(archive_file_name(fs, d / "SYS1.V3"), d / "SYS1.V3");
}

TEST(LzhCommand, MessagesNeverOverflowAndStayWholeCharacters) {
  // "書庫" repeated: double-byte characters all the way.
  std::string m;
  for (int i = 0; i < 200; ++i) m += "\x8f\x91\x8c\xc9";
  for (std::size_t size : {1u, 2u, 3u, 4u, 5u, 100u, 256u}) {
    std::vector<char> buf(size + 1, '#');
    copy_message(m, buf.data(), size);
    const std::size_t n = std::strlen(buf.data());
    EXPECT_LT(n, size);
    EXPECT_EQ(n % 2, 0u) << size;
    EXPECT_EQ(buf[size], '#');
  }
  copy_message(m, nullptr, 0);  // nothing to write into: no crash
}

TEST(LzhCommand, ExtractsFlatReplacingAndRestoringTimes) {
  relvo::test::TempDir t;
  t.write("m.lzh", read_fixture("m_lh5.lzh"));
  t.write("out/text.txt", "old contents");
  std::string message;
  const int rc = run_command(cmd_line(t / "m", t / "out"), message);
  ASSERT_EQ(rc, 0) << message;
  EXPECT_EQ(message, "");
  EXPECT_EQ(t.read("out/text.txt"), read_fixture("src/text.txt"));
  EXPECT_EQ(t.read("out/data.bin"), read_fixture("src/data.bin"));
  EXPECT_EQ(t.read("out/empty.txt"), "");
  // Folders are dropped: sub/日本語.txt lands in out itself.
  EXPECT_TRUE(t.exists("out/\x93\xfa\x96\x7b\x8c\xea.txt"));
  EXPECT_FALSE(t.exists("out/sub"));
  FileStatus st;
  ASSERT_TRUE(native_file_system().get_status(t / "out/text.txt", st));
  EXPECT_EQ(st.mtime, 1136214245);  // the fixtures' fixed time
  // No temporary file is left beside the targets.
  EXPECT_EQ(native_file_system().find(t / "out/*").size(), 4u);
}

TEST(LzhCommand, FailuresGiveMessagesNamingWhatWentWrong) {
  relvo::test::TempDir t;
  t.write("plain.lzh", "no archive here, only words");
  // An id in the header format that no method of ours has.
  test::Entry odd = test::stored("text.txt", "abc");
  odd.method = "-pm9-";
  t.write("odd.lzh", test::build(odd, 1));
  std::string missing_cp932 = "\x82\xc8\x82\xa2";  // ない
  const struct {
    const char* what;
    std::string line;
    const char* must_contain;
  } cases[] = {
      {"missing", cmd_line(t / missing_cp932, t / "o"), "\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1"},
      {"not lzh", cmd_line(t / "plain", t / "o"), "LZH"},
      {"method", cmd_line(t / "odd", t / "o"), "-pm9-"},
      {"command", "l \"a\" \"b\"", "l"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string message;
    EXPECT_NE(run_command(c.line, message), 0);
    EXPECT_NE(message.find(c.must_contain), std::string::npos) << enc::cp932_to_utf8(message);
    if (std::string(c.what) == "missing") {
      EXPECT_NE(message.find(missing_cp932), std::string::npos);
    }
    // The voice data install passes 100 bytes; the message still fits.
    std::string shorter;
    run_command(c.line, shorter, 100);
    EXPECT_LT(shorter.size(), 100u);
  }
}

// A member whose data is corrupt never replaces the installed file.
TEST(LzhCommand, CorruptMemberLeavesTheInstalledFile) {
  relvo::test::TempDir t;
  std::string a = read_fixture("m_lh5.lzh");
  const std::size_t hsize = static_cast<unsigned char>(a[0]) | (static_cast<unsigned char>(a[1]) << 8);
  a[hsize + 40] ^= 0x10;  // inside text.txt's packed data
  t.write("bad.lzh", a);
  t.write("out/text.txt", "installed");
  std::string message;
  EXPECT_NE(run_command(cmd_line(t / "bad", t / "out"), message), 0);
  EXPECT_NE(message.find("text.txt"), std::string::npos);
  EXPECT_EQ(t.read("out/text.txt"), "installed");
  EXPECT_EQ(native_file_system().find(t / "out/*").size(), 1u);
}

// Archives that name places outside the target are refused by name, and
// nothing is written anywhere.
TEST(LzhCommand, HostileNamesAreRefused) {
  std::string mode;
  test::put16(mode, 0xA1FF);  // a symbolic link
  test::Entry link = test::stored("link", "../../etc");
  link.ext = {{0x50, mode}};
  const struct {
    const char* what;
    std::string archive;
    const char* member;
  } cases[] = {
      {"parent", test::build(test::stored("..\\evil.txt", "x"), 0), "evil.txt"},
      {"parent deep", test::build(test::stored("a/../../evil.txt", "x"), 0), "evil.txt"},
      {"absolute", test::build(test::stored("\\evil.txt", "x"), 0), "evil.txt"},
      {"absolute slash", test::build(test::stored("/tmp/evil.txt", "x"), 1), "evil.txt"},
      {"drive", test::build(test::stored("C:evil.txt", "x"), 0), "evil.txt"},
      {"drive root", test::build(test::stored("C:\\evil.txt", "x"), 1), "evil.txt"},
      {"stream", test::build(test::stored("a.txt:evil", "x"), 0), "evil"},
      {"device", test::build(test::stored("CON", "x"), 0), "CON"},
      {"device ext", test::build(test::stored("nul.txt", "x"), 0), "nul.txt"},
      {"control", test::build(test::stored("a\x01.txt", "x"), 0), ".txt"},
      {"symlink", test::build(link, 1), "link"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    relvo::test::TempDir t;
    t.write("h.lzh", test::build(test::stored("good.txt", "fine"), 0) + c.archive);
    t.mkdir("deep/out");
    std::string message;
    EXPECT_NE(run_command(cmd_line(t / "h", t / "deep/out"), message), 0);
    EXPECT_NE(message.find(c.member), std::string::npos) << enc::cp932_to_utf8(message);
    // The good member before it is there; nothing else anywhere.
    EXPECT_EQ(t.read("deep/out/good.txt"), "fine");
    EXPECT_EQ(native_file_system().find(t / "deep/out/*").size(), 1u);
    EXPECT_EQ(native_file_system().find(t / "deep/*").size(), 1u);
    EXPECT_EQ(native_file_system().find(t / "*").size(), 2u);
  }
}

TEST(LzhExtract, FoldersModeKeepsFoldersInsideTarget) {
  relvo::test::TempDir t;
  RunOptions opt;
  opt.mode = Mode::Folders;
  opt.target = t / "x";
  const RunOutcome r = run_archive(native_file_system(), fixture("lv1_lh6.lzh"), opt);
  ASSERT_TRUE(r.ok()) << enc::cp932_to_utf8(r.message);
  EXPECT_EQ(r.members, 5);
  EXPECT_EQ(t.read("x/sub/\x93\xfa\x96\x7b\x8c\xea.txt"), read_fixture("src/japanese.txt"));
  EXPECT_EQ(t.read("x/text.txt"), read_fixture("src/text.txt"));
}

TEST(LzhLibrary, SetUpCallsAreHarmlessTwice) {
  LzhLibrary lib(native_file_system());
  for (int i = 0; i < 2; ++i) {
    lib.SetBackgroundMode(0);
    lib.SetCursorMode(1);
  }
  EXPECT_EQ(lib.background_mode(), 0);
  EXPECT_EQ(lib.cursor_mode(), 1);
}

// ---- Agreement with lhasa and bsdtar, where they are installed ----

#ifndef _WIN32
bool have_tool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Every regular file below root, by relative path (UTF-8) -> bytes.
std::map<std::string, std::string> tree(const std::filesystem::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::ifstream f(e.path(), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    out[std::filesystem::relative(e.path(), root).string()] = s.str();
  }
  return out;
}

void differential(const char* tool, const char* command_format, int at_least) {
  if (!have_tool(tool)) GTEST_SKIP() << tool << " is not installed";
  const char* fixtures[] = {"m_lh0.lzh", "m_lh1.lzh", "m_lh3.lzh", "m_lh4.lzh", "m_lh5.lzh",  "m_lh6.lzh",
                            "m_lh7.lzh", "m_lzs.lzh", "m_lz5.lzh", "lv0_lh5.lzh", "lv1_lh6.lzh", "cli_a0o5.lzh",
                            "cli_a1o6.lzh", "cli_a2o7.lzh", "cli_az.lzh", "big_lh5.lzh"};
  int compared = 0;
  for (const char* f : fixtures) {
    SCOPED_TRACE(f);
    relvo::test::TempDir t;
    const std::string theirs = enc::cp932_to_utf8(t / "theirs");
    std::filesystem::create_directories(theirs);
    char cmd[2048];
    std::snprintf(cmd, sizeof cmd, command_format, theirs.c_str(), enc::cp932_to_utf8(fixture(f)).c_str());
    if (std::system(cmd) != 0) continue;  // a method the tool does not know
    RunOptions opt;
    opt.mode = Mode::Folders;
    opt.target = t / "ours";
    const RunOutcome r = run_archive(native_file_system(), fixture(f), opt);
    ASSERT_TRUE(r.ok()) << enc::cp932_to_utf8(r.message);
    auto a = tree(enc::cp932_to_utf8(t / "ours"));
    auto b = tree(theirs);
    // The tools write CP932 names as raw bytes; ours are UTF-8 on disk.
    std::map<std::string, std::string> b_utf8;
    for (auto& [k, v] : b) b_utf8[enc::is_valid_cp932(k) ? enc::cp932_to_utf8(k) : k] = v;
    EXPECT_EQ(a.size(), b_utf8.size());
    for (auto& [k, v] : a) {
      ASSERT_TRUE(b_utf8.count(k)) << k;
      EXPECT_TRUE(b_utf8[k] == v) << k;
    }
    ++compared;
  }
  EXPECT_GE(compared, at_least);
}

TEST(LzhDifferential, SameNamesAndBytesAsLhasa) { differential("lhasa", "cd '%s' && lhasa xq '%s' >/dev/null 2>&1", 15); }
TEST(LzhDifferential, SameNamesAndBytesAsBsdtar) { differential("bsdtar", "bsdtar -xf '%2$s' -C '%1$s' 2>/dev/null", 5); }
#else
TEST(LzhDifferential, SameNamesAndBytesAsOtherTools) { GTEST_SKIP() << "lhasa and bsdtar run on Linux only"; }
#endif

}  // namespace
}  // namespace relvo::lzh
