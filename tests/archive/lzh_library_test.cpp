// The library entry the update run calls, extraction on real folders, the
// refusal of hostile archives, and agreement with other LZH tools.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "archive/lzh_extract.h"
#include "archive/lzh_library.h"
#include "lzh_builder.h"
#include "platform/delegating_files.h"
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

// A path text in the form std::filesystem takes (the temporary folders are
// ASCII under Wine).
std::string native(const std::string& cp932) {
#ifdef _WIN32
  return cp932;  // ASCII temporary folders under Wine
#else
  return enc::cp932_to_utf8(cp932);
#endif
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

// Memory that runs out is told as such, never as an archive that cannot be
// read.
TEST(LzhCommand, MemoryRunningOutIsNoBadArchive) {
  class NoMemory final : public DelegatingFileSystem {
   public:
    NoMemory() : DelegatingFileSystem(native_file_system()) {}
    std::unique_ptr<FileReader> open_read(const std::string&) override {
      struct Reader final : FileReader {
        std::size_t read(void*, std::size_t) override { throw std::bad_alloc(); }
      };
      return std::make_unique<Reader>();
    }
  } fs;
  relvo::test::TempDir t;
  t.write("m.lzh", read_fixture("m_lh5.lzh"));
  LzhLibrary lib(fs);
  char message[256];
  EXPECT_EQ(lib.Command(nullptr, cmd_line(t / "m", t / "out").c_str(), message, sizeof message), 4);
  EXPECT_NE(std::string(message).find("\x83\x81\x83\x82\x83\x8a"), std::string::npos)  // メモリ
      << enc::cp932_to_utf8(message);
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
  test::Entry parent_dir = test::stored("", "x");
  parent_dir.ext = {{0x01, "evil.txt"}, {0x02, "..\xFF"}};
  const struct {
    const char* what;
    std::string archive;
    const char* member;
  } cases[] = {
      {"parent", test::build(test::stored("..\\evil.txt", "x"), 0), "evil.txt"},
      {"parent deep", test::build(test::stored("a/../../evil.txt", "x"), 0), "evil.txt"},
      {"root, then parent", test::build(test::stored("\\..\\evil.txt", "x"), 0), "evil.txt"},
      {"drive, then parent", test::build(test::stored("C:..\\evil.txt", "x"), 1), "evil.txt"},
      {"parent folder field", test::build(parent_dir, 2), "evil.txt"},
      {"device", test::build(test::stored("nul", "x"), 0), "nul"},
      {"device, extensions", test::build(test::stored("con.tar.gz", "x"), 0), "con.tar.gz"},
      {"device, first number", test::build(test::stored("COM0", "x"), 0), "COM0"},
      {"device, first number too", test::build(test::stored("LPT0", "x"), 0), "LPT0"},
      {"parent as the name", test::build(test::stored("a\\..", "x"), 0), "a\\.."},
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

// A stored root (a leading '\\' or '/', a drive letter, a volume name) is
// taken off and the member lands inside the target, for the update's e as
// for x; a ".." that stays inside the target is followed there.
TEST(LzhCommand, RootsAreTakenOffInsideTheTarget) {
  test::Entry vol = test::stored("Work:x.txt", "fine");
  vol.os = 'A';  // an Amiga's volume name
  const struct {
    const char* what;
    std::string archive;
    const char* flat;     // where e puts it
    const char* folders;  // where x puts it
  } cases[] = {
      {"absolute", test::build(test::stored("\\evil.txt", "fine"), 0), "evil.txt", "evil.txt"},
      {"absolute slash", test::build(test::stored("/tmp/evil.txt", "fine"), 1), "evil.txt", "tmp/evil.txt"},
      {"drive", test::build(test::stored("C:evil.txt", "fine"), 0), "evil.txt", "evil.txt"},
      {"drive root", test::build(test::stored("C:\\evil.txt", "fine"), 1), "evil.txt", "evil.txt"},
      {"volume", test::build(test::stored("DH0:dir/x.txt", "fine"), 0), "x.txt", "dir/x.txt"},
      {"volume alone", test::build(vol, 1), "x.txt", "x.txt"},
      {"parent inside", test::build(test::stored("\\a\\..\\b\\.\\x.txt", "fine"), 0), "x.txt", "b/x.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    relvo::test::TempDir t;
    t.write("r.lzh", c.archive);
    t.mkdir("deep/out");
    std::string message;
    EXPECT_EQ(run_command(cmd_line(t / "r", t / "deep/out"), message), 0) << enc::cp932_to_utf8(message);
    EXPECT_EQ(t.read(std::string("deep/out/") + c.flat), "fine");
    EXPECT_EQ(native_file_system().find(t / "deep/*").size(), 1u);
    RunOptions opt;
    opt.mode = Mode::Folders;
    opt.target = t / "x";
    const RunOutcome r = run_archive(native_file_system(), t / "r.lzh", opt);
    EXPECT_TRUE(r.ok()) << enc::cp932_to_utf8(r.message);
    EXPECT_EQ(r.roots_removed, 1);
    EXPECT_EQ(t.read(std::string("x/") + c.folders), "fine");
  }
}

// Characters a Windows file name cannot hold are replaced by '_', in
// folders and names alike, and the member extracts (e and x); double-byte
// characters whose second byte looks like one stay whole.
TEST(LzhCommand, UnusableCharactersAreReplaced) {
  const struct {
    const char* what;
    std::string stored;
    const char* flat;
    const char* folders;
  } cases[] = {
      {"mac name", "Read Me?", "Read Me_", "Read Me_"},
      {"stream", "a.txt:evil", "a.txt_evil", "a.txt_evil"},
      {"control and wildcards", "d<1>/a\x01*\"|.txt", "a____.txt", "d_1_/a____.txt"},
      {"double-byte kept", "\x83|\x83\x7c?.txt", "\x83|\x83\x7c_.txt", "\x83|\x83\x7c_.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    relvo::test::TempDir t;
    t.write("n.lzh", test::build(test::stored(c.stored, "fine"), 1));
    std::string message;
    EXPECT_EQ(run_command(cmd_line(t / "n", t / "e"), message), 0) << enc::cp932_to_utf8(message);
    EXPECT_EQ(t.read(std::string("e/") + c.flat), "fine");
    RunOptions opt;
    opt.mode = Mode::Folders;
    opt.target = t / "x";
    const RunOutcome r = run_archive(native_file_system(), t / "n.lzh", opt);
    EXPECT_TRUE(r.ok()) << enc::cp932_to_utf8(r.message);
    EXPECT_EQ(r.names_changed, 1);
    EXPECT_EQ(t.read(std::string("x/") + c.folders), "fine");
  }
}

// A name with bytes a terminal or a C string would act on reaches the
// message escaped: nothing after them is lost, in the buffer either.
TEST(LzhCommand, MessagesAreNeverCutByANameByte) {
  relvo::test::TempDir t;
  test::Entry bad = test::stored("bad\x01\x1b[2Jname.txt", "x");
  bad.crc ^= 1;
  t.write("c.lzh", test::build(bad, 0));
  std::string message;
  EXPECT_NE(run_command(cmd_line(t / "c", t / "o"), message), 0);
  EXPECT_NE(message.find("bad<01><1b>[2Jname.txt \x82\xcc"), std::string::npos) << message;
  // The buffer copy escapes a NUL too, rather than stopping at it.
  std::vector<char> buf(64, '#');
  copy_message(std::string("a\0b", 3), buf.data(), buf.size());
  EXPECT_STREQ(buf.data(), "a<00>b");
}

// A folder inside the target that is a link to elsewhere is never entered,
// at any depth: its members are refused, the rest extracted, and nothing
// lands where the link points.
TEST(LzhExtract, NeverEntersACheckedInLinkedFolder) {
  // The link of tests/data/links (Wine shows it as a reparse point):
  // members through it only, so that nothing is written into the source
  // tree when all goes well.
  const std::string data = relvo::test::test_data_dir();
  const std::string sep(1, data.back());
  const std::string links = data + "links" + sep;
  if (!native_file_system().exists(links + "target" + sep + "outside")) GTEST_SKIP() << "the checkout holds no link";
  const std::string through = test::build(test::stored("outside\\evil.txt", "x"), 0) +
                              test::build(test::stored("OUTSIDE\\sub\\evil.txt", "x"), 1);
  relvo::test::TempDir t;
  t.write("o.lzh", through);
  RunOptions opt;
  opt.mode = Mode::Folders;
  opt.target = links + "target";
  EXPECT_EQ(run_archive(native_file_system(), t / "o.lzh", opt).failed, 2);
  const auto left = native_file_system().find(links + "elsewhere" + sep + "*");
  for (const FoundEntry& e : left)
    if (e.name != "keep.txt") std::filesystem::remove_all(native(links + "elsewhere" + sep + e.name));
  EXPECT_EQ(left.size(), 1u) << "written through the link";
}

TEST(LzhExtract, NeverEntersALinkedFolderInsideTheTarget) {
  relvo::test::TempDir t;
  t.mkdir("elsewhere");
  t.mkdir("out/a");
  std::error_code ec;
  std::filesystem::create_directory_symlink(native(t / "elsewhere"), native(t / "out/link"), ec);
  std::filesystem::create_directory_symlink(native(t / "elsewhere"), native(t / "out/a/deep"), ec);
  if (ec || !native_file_system().exists(t / "out/link")) GTEST_SKIP() << "no symbolic links here";
  const std::string archive = test::build(test::stored("link\\evil.txt", "x"), 0) +
                              test::build(test::stored("a\\deep\\evil.txt", "x"), 0) +
                              test::build(test::stored("LINK\\sub\\evil.txt", "x"), 0) +
                              test::build(test::stored("a\\good.txt", "fine"), 0);
  t.write("l.lzh", archive);
  RunOptions opt;
  opt.mode = Mode::Folders;
  opt.target = t / "out";
  const RunOutcome r = run_archive(native_file_system(), t / "l.lzh", opt);
  EXPECT_EQ(r.failed, 3);
  EXPECT_NE(r.message.find("link"), std::string::npos) << enc::cp932_to_utf8(r.message);
  EXPECT_EQ(t.read("out/a/good.txt"), "fine");
  EXPECT_TRUE(native_file_system().find(t / "elsewhere/*").empty());
  // The target itself is taken as it is: a link the user made (a product's
  // folder moved to another disk) is the folder, as the update takes it.
  opt.target = t / "out/link";
  t.write("g.lzh", test::build(test::stored("sub\\good.txt", "fine"), 0));
  EXPECT_TRUE(run_archive(native_file_system(), t / "g.lzh", opt).ok());
  EXPECT_EQ(t.read("elsewhere/sub/good.txt"), "fine");
}

// A file member whose name in the target is a link to a read-only file
// elsewhere: the link is replaced by the member, in both modes, and the file
// it points to keeps its bytes and stays read-only.
TEST(LzhExtract, ALinkAtAMembersNameIsReplacedItself) {
  for (const bool flat : {true, false}) {
    SCOPED_TRACE(flat ? "e" : "x");
    relvo::test::TempDir t, elsewhere;
    FileSystem& fs = native_file_system();
    elsewhere.write("victim.txt", "victim");
    FileStatus st;
    st.attribute = kAttrReadOnly;
    ASSERT_TRUE(fs.set_status(elsewhere / "victim.txt", st));
    t.write("a.lzh", test::build(test::stored("top.txt", "member"), 1));
    t.mkdir("out");
    if (!t.plant_link("out/top.txt", elsewhere / "victim.txt")) GTEST_SKIP() << "no links on this platform";
    RunOptions opt;
    opt.mode = flat ? Mode::Flat : Mode::Folders;
    opt.target = t / "out";
    const RunOutcome r = run_archive(fs, t / "a.lzh", opt);
    EXPECT_TRUE(r.ok()) << enc::cp932_to_utf8(r.message);
    EXPECT_EQ(t.read("out/top.txt"), "member");
    EXPECT_FALSE(t.is_link("out/top.txt"));
    EXPECT_EQ(elsewhere.read("victim.txt"), "victim");
    EXPECT_FALSE(fs.is_writable(elsewhere / "victim.txt")) << "the file the link points to was made writable";
    st.attribute = 0;
    fs.set_status(elsewhere / "victim.txt", st);
  }
}

// relvo lzh e goes on past a member it cannot write (a folder where its file
// would be made). A read-only installed file is replaced, and what replaces
// it is writable whatever the archive says, so that the next update can.
TEST(LzhExtract, FlatGoesOnAndLeavesNothingReadOnly) {
  relvo::test::TempDir t;
  test::Entry ro = test::stored("ro.txt", "new");
  ro.attribute = 0x21;
  t.write("w.lzh", test::build(test::stored("a.txt", "a"), 0) + test::build(ro, 1));
  t.mkdir("out\\" + sibling_temp_name("a.txt"));
  t.write("out/ro.txt", "old");
  FileStatus st;
  st.attribute = kAttrReadOnly;
  ASSERT_TRUE(native_file_system().set_status(t / "out/ro.txt", st));
  RunOptions opt;
  opt.mode = Mode::Flat;
  opt.target = t / "out";
  EXPECT_EQ(run_archive(native_file_system(), t / "w.lzh", opt).failed, 1);
  EXPECT_EQ(t.read("out/ro.txt"), "new");
  EXPECT_TRUE(native_file_system().is_writable(t / "out/ro.txt"));
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

// Every regular file below root, by relative path ('/' between folders;
// UTF-8 on POSIX) -> bytes.
std::map<std::string, std::string> tree(const std::filesystem::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    std::ifstream f(e.path(), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    out[std::filesystem::relative(e.path(), root).generic_string()] = s.str();
  }
  return out;
}

std::string base_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The header forms of the other archivers (tests/data/lzh/README.md): what
// x and e make of each, and where lhasa's names differ from ours.
struct KindCase {
  const char* fixture;
  std::map<std::string, std::string> files;  // x: path -> bytes
  int roots;
  std::map<std::string, std::string> lhasa_x;  // lhasa's x path -> ours, where they differ
  std::map<std::string, std::string> lhasa_e;  // the same for names alone
  bool lhasa_fails = false;  // lhasa exits with 1 (it fails on a folder member without -lhd-)
};

// The MacBinary file that mac_lv*.lzh hold as such (a header for "packed",
// not for the member "packed.bin"): extracted whole.
std::string packed_macbinary(const std::string& text) {
  std::string h(128, '\0');
  h[1] = 6;
  h.replace(2, 6, "packed");
  h.replace(0x41, 8, "TEXTttxt");
  const std::uint32_t v[] = {200, 0, 1136214245u + 2082844800u + 9 * 3600, 1136214245u + 2082844800u + 9 * 3600};
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 4; ++b) h[0x53 + 4 * i + b] = static_cast<char>(v[i] >> (24 - 8 * b));
  return h + text.substr(0, 200) + std::string(56, '\0');
}

std::vector<KindCase> kind_cases() {
  const std::string text = read_fixture("src/text.txt"), data = read_fixture("src/data.bin");
  const std::map<std::string, std::string> two = {{"text.txt", text}, {"sub/data.bin", data}};
  const std::map<std::string, std::string> mac = {{"datafork.txt", text.substr(0, 1500)},
                                                  {"both.bin", data.substr(0, 300)},
                                                  {"resonly.rsrc", data.substr(0, 777)},
                                                  {"packed.bin", packed_macbinary(text)},
                                                  {"small.txt", "shorter than a MacBinary header\n"}};
  const std::map<std::string, std::string> notes = {{"note.txt", text}, {"sub/data.bin", data}};
  return {
      {"root_lv0.lzh",
       {{"subdir/subdir2/hello.txt", text}, {"top.bin", data}, {"dos/drive.txt", text}, {"rel.bin", data}},
       4,
       {{"C:/dos/drive.txt", "dos/drive.txt"}, {"D:rel.bin", "rel.bin"}},
       {{"D:rel.bin", "rel.bin"}}},
      {"root_lv1.lzh",
       {{"subdir/subdir2/hello.txt", text}, {"dos/drive.txt", data}, {"amiga/vol.txt", text}, {"amiga/cur.bin", data}},
       4,
       {{"C:/dos/drive.txt", "dos/drive.txt"}, {"Work:amiga/vol.txt", "amiga/vol.txt"},
        {":amiga/cur.bin", "amiga/cur.bin"}},
       {}},
      // lhasa keeps a '\\' of a level 2 name field in the name, where
      // Windows (and we) see folders.
      {"root_lv2.lzh",
       {{"subdir/subdir2/hello.txt", text}, {"win/sub/back.bin", data}, {"dos/drive.txt", text}, {"amiga/vol.bin", data}},
       4,
       {{"\\win\\sub\\back.bin", "win/sub/back.bin"}, {"C:/dos/drive.txt", "dos/drive.txt"},
        {"Work:amiga/vol.bin", "amiga/vol.bin"}},
       {{"\\win\\sub\\back.bin", "back.bin"}}},
      {"comment_lv0.lzh", notes, 0, {}, {}},
      {"comment_lv1.lzh", {{"note.txt", text}, {"sub/data.bin", data}, {"plain.txt", text}}, 0, {}, {}},
      {"comment_lv2.lzh", notes, 0, {}, {}},
      {"os9_lv2.lzh", two, 0, {}, {}},
      {"mac_lv1.lzh", mac, 0, {}, {}},
      {"mac_lv2.lzh", mac, 0, {}, {}},
      {"sfx_dos.exe", two, 0, {}, {}},
      {"sfx_dos.com", two, 0, {}, {}},
      {"sfx_win.exe", two, 0, {}, {}},
      {"sfx_x68k.x", two, 0, {}, {}},
      {"sfx_atari.ttp", two, 0, {}, {}},
      {"sfx_amiga.run", two, 0, {}, {}},
      {"quirks.lzh", {{"docs/text.txt", text}, {"unix.bin", data}, {"note.txt", text.substr(0, 300)}}, 0, {}, {}, true},
  };
}

// Each form extracts whole and inside the target, with folders (x) and by
// names alone (e, through the entry the update calls).
TEST(LzhExtract, EveryHeaderFormOfOtherArchivers) {
  for (const KindCase& k : kind_cases()) {
    SCOPED_TRACE(k.fixture);
    relvo::test::TempDir t;
    RunOptions opt;
    opt.mode = Mode::Folders;
    opt.target = t / "x";
    const RunOutcome r = run_archive(native_file_system(), fixture(k.fixture), opt);
    ASSERT_TRUE(r.ok()) << enc::cp932_to_utf8(r.message);
    EXPECT_EQ(r.roots_removed, k.roots);
    EXPECT_TRUE(tree(native(t / "x")) == k.files);

    std::map<std::string, std::string> flat;
    for (const auto& [path, bytes] : k.files) flat[base_name(path)] = bytes;
    t.write("a.lzh", read_fixture(k.fixture));
    std::string message;
    ASSERT_EQ(run_command(cmd_line(t / "a.lzh", t / "e"), message), 0) << enc::cp932_to_utf8(message);
    EXPECT_TRUE(tree(native(t / "e")) == flat);
  }
}

// ---- Agreement with lhasa and bsdtar, where they are installed ----

#ifndef _WIN32
bool have_tool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
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

// lhasa on every header form, with folders and by names alone: the same
// bytes under the same names, but where a table says how a name differs
// (a drive or volume root that lhasa keeps as a folder name).
TEST(LzhDifferential, EveryHeaderFormAsLhasa) {
  if (!have_tool("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  for (const KindCase& k : kind_cases()) {
    for (const bool flat : {false, true}) {
      SCOPED_TRACE(std::string(k.fixture) + (flat ? " e" : " x"));
      relvo::test::TempDir t;
      const std::string theirs = enc::cp932_to_utf8(t / "theirs");
      std::filesystem::create_directories(theirs);
      const std::string cmd = "cd '" + theirs + "' && lhasa " + (flat ? "xfiq" : "xq") + " '" +
                              enc::cp932_to_utf8(fixture(k.fixture)) + "' >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()) != 0, k.lhasa_fails);
      RunOptions opt;
      opt.mode = flat ? Mode::Flat : Mode::Folders;
      opt.target = t / "ours";
      ASSERT_TRUE(run_archive(native_file_system(), fixture(k.fixture), opt).ok());
      const auto& renamed = flat ? k.lhasa_e : k.lhasa_x;
      std::map<std::string, std::string> lhasa;
      for (auto& [name, bytes] : tree(theirs)) lhasa[renamed.count(name) ? renamed.at(name) : name] = bytes;
      const auto ours = tree(enc::cp932_to_utf8(t / "ours"));
      EXPECT_EQ(ours.size(), lhasa.size());
      for (const auto& [name, bytes] : ours) {
        ASSERT_TRUE(lhasa.count(name)) << name;
        EXPECT_TRUE(lhasa[name] == bytes) << name;
      }
    }
  }
}

TEST(LzhDifferential, SameNamesAndBytesAsLhasa) { differential("lhasa", "cd '%s' && lhasa xq '%s' >/dev/null 2>&1", 15); }
TEST(LzhDifferential, SameNamesAndBytesAsBsdtar) { differential("bsdtar", "bsdtar -xf '%2$s' -C '%1$s' 2>/dev/null", 5); }
#else
TEST(LzhDifferential, SameNamesAndBytesAsOtherTools) { GTEST_SKIP() << "lhasa and bsdtar run on Linux only"; }
#endif

}  // namespace
}  // namespace relvo::lzh
