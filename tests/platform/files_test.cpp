// The file layer's behaviour, run the same on both backends (natively and,
// as a Windows program, under Wine) and on the in-memory layer over them,
// on real files in temporary folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "base/sjis.h"
#include "platform/encoding.h"
#include "file_backend.h"
#include "platform/delegating_files.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace relvo {
namespace {

namespace stdfs = std::filesystem;
using test::TempDir;

FileSystem& fsys() { return test::files_under_test(); }

// A file's contents through the layer under test.
std::string read(const TempDir& d, const std::string& rel) {
  std::string out;
  EXPECT_TRUE(read_whole_file(fsys(), d / rel, out)) << "cannot read " << rel;
  return out;
}

// A CP932 path text as std::filesystem sees it, to look at the disk without
// going through the layer under test.
stdfs::path on_disk(const std::string& cp932) {
  const std::string u = enc::cp932_to_utf8(cp932);
  return stdfs::path(std::u8string(reinterpret_cast<const char8_t*>(u.data()), u.size()));
}

std::vector<std::string> names_in(const TempDir& d, const std::string& pattern = "*") {
  std::vector<std::string> out;
  for (const auto& e : fsys().find(d / pattern)) out.push_back(e.name);
  return out;
}

void make_read_only(const std::string& path) {
  FileStatus st;
  ASSERT_TRUE(fsys().get_status(path, st)) << path;
  st.attribute = kAttrReadOnly;
  ASSERT_TRUE(fsys().set_status(path, st)) << path;
}

TEST(FileLayer, ExistsForFilesFoldersAndMissingNames) {
  TempDir d;
  d.write("file.txt", "x");
  d.mkdir("folder");
  const struct {
    std::string rel;
    bool exists;
  } cases[] = {
      {"file.txt", true},     {"FILE.TXT", true},     {"folder", true},   {"folder\\", true},
      {"Folder/", true},      {"missing.txt", false}, {"folder\\x", false}, {"missing\\file.txt", false},
      {"folder\\..\\file.txt", true},
  };
  for (const auto& c : cases) EXPECT_EQ(fsys().exists(d / c.rel), c.exists) << c.rel;
  EXPECT_TRUE(fsys().exists(d.path()));
}

TEST(FileLayer, MakeDirCreatesOneLevelOnly) {
  TempDir d;
  EXPECT_FALSE(fsys().make_dir(d / "a\\b"));
  EXPECT_FALSE(fsys().exists(d / "a"));
  EXPECT_TRUE(fsys().make_dir(d / "a"));
  EXPECT_FALSE(fsys().make_dir(d / "a")) << "an existing folder is not created again";
  EXPECT_TRUE(fsys().make_dir(d / "A\\b"));
  FileStatus st;
  ASSERT_TRUE(fsys().get_status(d / "a/b", st));
  EXPECT_TRUE(st.attribute & kAttrDirectory);
  if (test::writes_reach_disk()) {
    EXPECT_TRUE(stdfs::is_directory(on_disk(d / "a/b")));
  }
  d.write("file", "x");
  EXPECT_FALSE(fsys().make_dir(d / "file"));
}

// A link is never a plain folder, whatever it points at.
TEST(FileLayer, PlainFolderIsNoLink) {
  TempDir d;
  d.mkdir("folder");
  d.write("file.txt", "x");
  EXPECT_TRUE(fsys().is_plain_folder(d / "folder"));
  EXPECT_TRUE(fsys().is_plain_folder(d / "FOLDER\\"));
  EXPECT_FALSE(fsys().is_plain_folder(d / "file.txt"));
  EXPECT_FALSE(fsys().is_plain_folder(d / "missing"));
  std::error_code ec;
  stdfs::create_directory_symlink(on_disk(d / "folder"), on_disk(d / "link"), ec);
  if (ec || !fsys().exists(d / "link")) GTEST_SKIP() << "no symbolic links made here";
  EXPECT_FALSE(fsys().is_plain_folder(d / "link"));
  EXPECT_FALSE(fsys().is_plain_folder(d / "Link\\"));
}

// The checked-in link of tests/data/links, which Wine shows as a reparse
// point (it makes none itself).
TEST(FileLayer, CheckedInLinkIsNoPlainFolder) {
  const std::string data = test::test_data_dir() + "links\\";
  ASSERT_TRUE(fsys().is_plain_folder(data + "elsewhere"));
  if (!fsys().exists(data + "target\\outside")) GTEST_SKIP() << "the checkout holds no link";
  EXPECT_FALSE(fsys().is_plain_folder(data + "target\\outside"));
  EXPECT_FALSE(fsys().is_plain_folder(data + "target\\Outside\\"));
}

TEST(FileLayer, ComponentsMatchWithoutCaseAndCreateReusesExistingSpelling) {
  TempDir d;
  d.write("Data\\Sub\\File.Txt", "one");
  EXPECT_EQ(read(d, "DATA\\sub\\FILE.TXT"), "one");
  auto w = fsys().create(d / "data\\SUB\\file.txt");
  ASSERT_TRUE(w);
  w->write("two", 3);
  w->close();
  EXPECT_EQ(names_in(d, "Data\\Sub\\*"), std::vector<std::string>{"File.Txt"});
  EXPECT_EQ(read(d, "Data\\Sub\\File.Txt"), "two");
  FileStatus st;
  ASSERT_TRUE(fsys().get_status(d / "data\\sub\\file.txt", st));
  const std::string tail = "Data\\Sub\\File.Txt";
  std::string full = st.fullName;
  std::replace(full.begin(), full.end(), '/', '\\');
  EXPECT_EQ(full.substr(full.size() - tail.size()), tail) << st.fullName;
}

TEST(FileLayer, JapaneseNamesReachTheDiskIntact) {
  // ソ (83 5C), 表 (95 5C) and 能 (94 5C) end in the byte of '\'; they must
  // never split a path. ｶﾀｶﾅ are single bytes above 0x7F.
  const struct {
    std::string rel;
    std::u8string disk;
  } cases[] = {
      {"ソフト表.txt", u8"ソフト表.txt"},
      {"能力\\表.dat", u8"能力/表.dat"},
      {"ｶﾀｶﾅ.ini", u8"ｶﾀｶﾅ.ini"},
      {"材料ﾏｽﾀ\\ソ", u8"材料ﾏｽﾀ/ソ"},
  };
  TempDir d;
  for (const auto& c : cases) {
    d.write(c.rel, c.rel);
    EXPECT_TRUE(stdfs::exists(on_disk(d.path()) / c.disk)) << enc::cp932_to_utf8(c.rel);
    EXPECT_EQ(read(d, c.rel), c.rel);
  }
  EXPECT_EQ(names_in(d, "能力\\*"), std::vector<std::string>{"表.dat"});
  EXPECT_EQ(names_in(d, "材料ﾏｽﾀ\\?"), std::vector<std::string>{"ソ"});
}

TEST(FileLayer, FindMatchesThePatternInSortedOrder) {
  TempDir d;
  for (const char* f : {"zai001-3.mst", "ZAI002-3.MST", "zai01-3.mst", "zai0001-3.mst", "zai003-3.mxt",
                        "表1.txt", "表表.txt", "readme", "a.b.c"})
    d.write(f, "x");
  d.mkdir("zaiABC-3.mst");
  d.mkdir("sub");
  const struct {
    std::string pattern;
    std::vector<std::string> names;
  } cases[] = {
      {"zai???-3.mst", {"zai001-3.mst", "ZAI002-3.MST", "zaiABC-3.mst"}},
      {"ZAI*.MST", {"zai0001-3.mst", "zai001-3.mst", "ZAI002-3.MST", "zai01-3.mst", "zaiABC-3.mst"}},
      {"表?.txt", {"表1.txt", "表表.txt"}},
      {"*.*", {"a.b.c", "readme", "sub", "zai0001-3.mst", "zai001-3.mst", "ZAI002-3.MST", "zai003-3.mxt",
               "zai01-3.mst", "zaiABC-3.mst", "表1.txt", "表表.txt"}},
      {"readme.*", {"readme"}},
      {"README", {"readme"}},
      {"nothing*", {}},
      {"missing\\*", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(names_in(d, c.pattern), c.names) << c.pattern;

  for (const auto& e : fsys().find(d / "*")) {
    EXPECT_NE(e.name, ".");
    EXPECT_NE(e.name, "..");
    EXPECT_EQ(e.isFolder, e.name == "sub" || e.name == "zaiABC-3.mst") << e.name;
  }
}

TEST(FileLayer, CopyReplacesTargetWithSourceContentModeAndTime) {
  TempDir d;
  d.write("src.txt", "new content");
  d.write("dst.txt", "old");
  FileStatus st;
  ASSERT_TRUE(fsys().get_status(d / "src.txt", st));
  st.mtime = 1000000000;  // 2001-09-09
  st.atime = 0;
  ASSERT_TRUE(fsys().set_status(d / "src.txt", st));
  make_read_only(d / "src.txt");
  if (test::writes_reach_disk()) {
    // What a copy that died left beside the target (read-only, as the
    // source is) does not stand in the way.
    d.write(sibling_temp_name("dst.txt"), "stale");
    make_read_only(d / sibling_temp_name("dst.txt"));
  }

  ASSERT_TRUE(fsys().copy_file(d / "SRC.TXT", d / "dst.txt"));
  EXPECT_EQ(read(d, "dst.txt"), "new content");
  FileStatus copy;
  ASSERT_TRUE(fsys().get_status(d / "dst.txt", copy));
  EXPECT_EQ(copy.mtime, 1000000000);
  EXPECT_EQ(copy.size, 11u);
  EXPECT_TRUE(copy.attribute & kAttrReadOnly) << "the copy takes the source's attributes";
  EXPECT_FALSE(fsys().is_writable(d / "dst.txt"));
  EXPECT_EQ(names_in(d), (std::vector<std::string>{"dst.txt", "src.txt"})) << "no temporary file is left";

  // A new target, in a folder named with another case.
  d.mkdir("Out");
  ASSERT_TRUE(fsys().copy_file(d / "src.txt", d / "out\\fresh.txt"));
  EXPECT_EQ(read(d, "Out\\fresh.txt"), "new content");
}

TEST(FileLayer, CopyFailuresLeaveTheTargetAlone) {
  TempDir d;
  d.write("src.txt", "new");
  d.write("locked.txt", "old");
  make_read_only(d / "locked.txt");
  d.mkdir("folder");
  EXPECT_FALSE(fsys().copy_file(d / "src.txt", d / "locked.txt")) << "a read-only target is not replaced";
  EXPECT_EQ(read(d, "locked.txt"), "old");
  EXPECT_FALSE(fsys().copy_file(d / "missing.txt", d / "src.txt"));
  EXPECT_FALSE(fsys().copy_file(d / "src.txt", d / "SRC.TXT")) << "a file copied onto itself";
  EXPECT_EQ(read(d, "src.txt"), "new");
  EXPECT_FALSE(fsys().copy_file(d / "src.txt", d / "folder"));
  EXPECT_FALSE(fsys().copy_file(d / "folder", d / "copy"));
  EXPECT_FALSE(fsys().copy_file(d / "src.txt", d / "nowhere\\x.txt"));
  EXPECT_EQ(names_in(d), (std::vector<std::string>{"folder", "locked.txt", "src.txt"}));
}

TEST(FileLayer, ReadOnlyFilesAreProtectedEvenFromTheSuperUser) {
  TempDir d;
  d.write("ro.txt", "keep");
  d.write("other.txt", "other");
  make_read_only(d / "ro.txt");
  EXPECT_FALSE(fsys().is_writable(d / "ro.txt"));
  EXPECT_TRUE(fsys().is_writable(d / "other.txt"));
  EXPECT_FALSE(fsys().is_writable(d / "missing.txt"));
  EXPECT_FALSE(fsys().create(d / "ro.txt"));
  EXPECT_FALSE(fsys().create(d / "RO.TXT"));
  EXPECT_FALSE(fsys().remove(d / "ro.txt"));
  EXPECT_FALSE(fsys().rename(d / "other.txt", d / "ro.txt"));
  EXPECT_FALSE(write_file_atomically(fsys(), d / "ro.txt", "changed"));
  EXPECT_EQ(read(d, "ro.txt"), "keep");
  EXPECT_EQ(read(d, "other.txt"), "other");

  {
    // An exclusive hold keeps out a second one (another run of ours), and
    // one held by someone else keeps it out; the in-memory layer holds the
    // disk's file as the disk's layer does.
    const auto held = fsys().open_exclusive(d / "other.txt");
    ASSERT_TRUE(held);
    EXPECT_FALSE(fsys().open_exclusive(d / "OTHER.TXT"));
    EXPECT_FALSE(native_file_system().open_exclusive(d / "other.txt"));
    d.write("third.txt", "third");
    const test::HeldOpen other(d / "third.txt");
    ASSERT_TRUE(other.held());
    EXPECT_FALSE(fsys().open_exclusive(d / "third.txt"));
  }

  // A read-only file may still be read, and renamed itself.
  EXPECT_TRUE(fsys().open_read(d / "ro.txt"));
  ASSERT_TRUE(fsys().rename(d / "ro.txt", d / "moved.txt"));
  EXPECT_FALSE(fsys().is_writable(d / "moved.txt"));

  // Attribute 0 makes it a normal file again.
  FileStatus st;
  ASSERT_TRUE(fsys().get_status(d / "moved.txt", st));
  EXPECT_EQ(st.attribute & kAttrReadOnly, kAttrReadOnly);
  st.attribute = 0;
  ASSERT_TRUE(fsys().set_status(d / "moved.txt", st));
  EXPECT_TRUE(fsys().is_writable(d / "moved.txt"));
  EXPECT_TRUE(fsys().remove(d / "moved.txt"));
  EXPECT_FALSE(fsys().exists(d / "moved.txt"));
}

TEST(FileLayer, RenameReplacesAtomicallyAndKeepsTheTargetMode) {
  TempDir d;
  d.write("new.txt", "new");
  d.write("old.txt", "old");
#ifndef _WIN32
  stdfs::permissions(on_disk(d / "old.txt"), stdfs::perms(0750));
  stdfs::permissions(on_disk(d / "new.txt"), stdfs::perms(0644));
#endif
  ASSERT_TRUE(fsys().rename(d / "NEW.txt", d / "OLD.TXT"));
  EXPECT_FALSE(fsys().exists(d / "new.txt"));
  EXPECT_EQ(read(d, "old.txt"), "new");
#ifdef _WIN32
  // NTFS may take the spelling of the new name; Wine keeps the old one.
  const auto names = names_in(d);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(sjis::iequals(names[0], "old.txt")) << names[0];
#else
  EXPECT_EQ(names_in(d), std::vector<std::string>{"old.txt"}) << "the existing spelling is kept";
  if (test::writes_reach_disk()) {
    EXPECT_EQ(stdfs::status(on_disk(d / "old.txt")).permissions(), stdfs::perms(0750));
  }
  EXPECT_TRUE(fsys().is_writable(d / "old.txt"));
#endif
}

TEST(FileLayer, RenameEdgeCases) {
  TempDir d;
  d.write("a.txt", "a");
  d.mkdir("folder");
  EXPECT_FALSE(fsys().rename(d / "missing.txt", d / "b.txt"));
  EXPECT_FALSE(fsys().rename(d / "a.txt", d / "folder")) << "a folder is not replaced by a file";
  EXPECT_FALSE(fsys().rename(d / "a.txt", d / "nowhere\\a.txt"));
  EXPECT_EQ(read(d, "a.txt"), "a");
  // A change of case only renames the file to the new spelling.
  ASSERT_TRUE(fsys().rename(d / "a.txt", d / "A.TXT"));
  EXPECT_EQ(names_in(d, "*.txt"), std::vector<std::string>{"A.TXT"});
  // Folders move too.
  ASSERT_TRUE(fsys().rename(d / "folder", d / "フォルダ"));
  EXPECT_TRUE(fsys().exists(d / "フォルダ\\"));
}

TEST(FileLayer, RemoveDeletesFilesAndRemoveFolderEmptyFolders) {
  TempDir d;
  d.write("f.txt", "x");
  d.mkdir("dir");
  EXPECT_FALSE(fsys().remove(d / "dir"));
  EXPECT_TRUE(fsys().exists(d / "dir"));
  EXPECT_FALSE(fsys().remove_folder(d / "f.txt"));
  EXPECT_TRUE(fsys().remove(d / "F.TXT"));
  EXPECT_FALSE(fsys().exists(d / "f.txt"));
  EXPECT_FALSE(fsys().remove(d / "f.txt"));
  // Folders go by remove_folder, and only when empty.
  d.write("full\\x", "x");
  EXPECT_FALSE(fsys().remove_folder(d / "full"));
  EXPECT_TRUE(fsys().exists(d / "full\\x"));
  EXPECT_TRUE(fsys().remove_folder(d / "DIR\\"));
  EXPECT_FALSE(fsys().exists(d / "dir"));
  EXPECT_FALSE(fsys().remove_folder(d / "dir"));
}

TEST(FileLayer, StatusCarriesSizeTimesAndAttributes) {
  TempDir d;
  d.write("f.bin", std::string(1234, 'z'));
  d.mkdir("dir");
  FileStatus st;
  ASSERT_TRUE(fsys().get_status(d / "f.bin", st));
  EXPECT_EQ(st.size, 1234u);
  EXPECT_EQ(st.attribute & (kAttrDirectory | kAttrReadOnly), 0);
  EXPECT_GT(st.mtime, 1500000000);
  ASSERT_TRUE(fsys().get_status(d / "dir", st));
  EXPECT_EQ(st.attribute & kAttrDirectory, kAttrDirectory);
  EXPECT_FALSE(fsys().get_status(d / "missing", st));

  // Times are applied; a time of 0 is left as it was.
  ASSERT_TRUE(fsys().get_status(d / "f.bin", st));
  st.mtime = 946684800;  // 2000-01-01
  st.atime = 946684800;
  st.attribute = 0;
  ASSERT_TRUE(fsys().set_status(d / "f.bin", st));
  st.mtime = 0;
  st.atime = 0;
  ASSERT_TRUE(fsys().set_status(d / "f.bin", st));
  FileStatus back;
  ASSERT_TRUE(fsys().get_status(d / "f.bin", back));
  EXPECT_EQ(back.mtime, 946684800);
  EXPECT_FALSE(fsys().set_status(d / "missing", st));
}

TEST(FileLayer, StreamsReadWriteAndReportTheirFile) {
  TempDir d;
  EXPECT_FALSE(fsys().open_read(d / "missing.txt"));
  EXPECT_FALSE(fsys().create(d / "missing\\new.txt"));
  d.mkdir("dir");
  EXPECT_FALSE(fsys().open_read(d / "dir")) << "a folder is not a file";
  EXPECT_FALSE(fsys().create(d / "dir"));

  const std::string path = d / "Stream.dat";
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  auto w = fsys().create(path);
  ASSERT_TRUE(w);
  w->write(big.data(), big.size());
  w->flush();
  w->close();
  w->close();  // a second close does nothing
  try {
    w->write("x", 1);
    ADD_FAILURE() << "writing to a closed file succeeded";
  } catch (const FileError& e) {
    EXPECT_EQ(e.op(), FileError::Op::Write);
    EXPECT_EQ(e.path(), path);
    EXPECT_STREQ(e.op_text(), "書き込み");
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
  std::string back;
  ASSERT_TRUE(read_whole_file(fsys(), d / "stream.DAT", back));
  EXPECT_EQ(back, big);

  auto r = fsys().open_read(path);
  ASSERT_TRUE(r);
  char buf[10];
  EXPECT_EQ(r->read(buf, sizeof buf), sizeof buf);
  EXPECT_EQ(std::string(buf, 10), big.substr(0, 10));
}

#ifndef _WIN32
TEST(FileLayer, WriteFailuresRaiseFileErrorWithThePath) {
  if (!test::writes_reach_disk()) GTEST_SKIP() << "nothing reaches the disk";
  // /dev/full takes the open and refuses every byte.
  auto w = fsys().create("/dev/full");
  ASSERT_TRUE(w);
  const std::string data(100000, 'x');
  try {
    w->write(data.data(), data.size());
    w->flush();
    w->close();
    ADD_FAILURE() << "a full disk was reported as success";
  } catch (const FileError& e) {
    EXPECT_EQ(e.path(), "/dev/full");
    EXPECT_TRUE(e.op() == FileError::Op::Write || e.op() == FileError::Op::Flush) << e.op_text();
    EXPECT_NE(e.sys_error(), 0);
  }
}
#endif

TEST(FileLayer, OperationWordsAreJapanese) {
  const struct {
    FileError::Op op;
    const char* text;
  } cases[] = {
      {FileError::Op::Open, "開く"},       {FileError::Op::Read, "読み込み"},
      {FileError::Op::Write, "書き込み"},  {FileError::Op::Flush, "ディスクへの書き出し"},
      {FileError::Op::Close, "閉じる"},    {FileError::Op::Remove, "削除"},
      {FileError::Op::Rename, "名前の変更"},
  };
  for (const auto& c : cases) {
    const FileError e(c.op, "C:\\ソフト\\a.txt", 5);
    EXPECT_STREQ(e.op_text(), c.text);
    EXPECT_EQ(e.path(), "C:\\ソフト\\a.txt");
    EXPECT_EQ(e.sys_error(), 5);
  }
}

// Passes everything to the real file system, but its writers fail after a
// given number of bytes, as a full disk does.
class FailingWrites : public DelegatingFileSystem {
 public:
  explicit FailingWrites(std::size_t budget) : DelegatingFileSystem(fsys()), budget_(budget) {}
  std::unique_ptr<FileWriter> create(const std::string& p) override {
    auto inner = inner_.create(p);
    if (!inner) return nullptr;
    return std::make_unique<Writer>(std::move(inner), p, budget_);
  }

 private:
  class Writer : public FileWriter {
   public:
    Writer(std::unique_ptr<FileWriter> inner, std::string path, std::size_t budget)
        : inner_(std::move(inner)), path_(std::move(path)), budget_(budget) {}
    void write(const void* buf, std::size_t n) override {
      const std::size_t take = std::min(n, budget_);
      inner_->write(buf, take);
      budget_ -= take;
      if (take < n) throw FileError(FileError::Op::Write, path_, 28);
    }
    void flush() override { inner_->flush(); }
    void close() override { inner_->close(); }

   private:
    std::unique_ptr<FileWriter> inner_;
    std::string path_;
    std::size_t budget_;
  };
  std::size_t budget_;
};

TEST(FileLayer, AtomicWriteReplacesOrLeavesTheOldFileWhole) {
  TempDir d;
  d.write("settings.ini", "old settings");
  FailingWrites full(4);
  EXPECT_FALSE(write_file_atomically(full, d / "settings.ini", "new settings"));
  EXPECT_EQ(read(d, "settings.ini"), "old settings");
  EXPECT_EQ(names_in(d), std::vector<std::string>{"settings.ini"}) << "the half-written copy is removed";

  // A leftover of an earlier run does not stand in the way.
  d.write(sibling_temp_name("settings.ini"), "stale");
  ASSERT_TRUE(write_file_atomically(fsys(), d / "SETTINGS.INI", "new settings"));
  EXPECT_EQ(read(d, "settings.ini"), "new settings");
  EXPECT_EQ(names_in(d), std::vector<std::string>{"settings.ini"});

  ASSERT_TRUE(write_file_atomically(fsys(), d / "fresh.ini", ""));
  EXPECT_EQ(read(d, "fresh.ini"), "");
  d.mkdir("dir.ini");
  EXPECT_FALSE(write_file_atomically(fsys(), d / "dir.ini", "x"));
  EXPECT_FALSE(write_file_atomically(fsys(), d / "missing\\x.ini", "x"));
}

// Every writer of a temporary file against a link planted under the
// temporary name, pointing at a file elsewhere (which must keep its bytes) or
// at a name that does not exist (which must not appear). The product file
// ends as a plain file with the new bytes, or, where the link cannot be told
// from a file and so is left alone (Wine), as it was.
TEST(FileLayer, TemporaryFilesAreNeverWrittenThroughALink) {
  if (!test::writes_reach_disk()) GTEST_SKIP() << "nothing reaches the disk, so no link is written through";
  const struct {
    const char* what;
    bool (*run)(const TempDir& d);
  } writers[] = {
      {"atomic write", [](const TempDir& d) { return write_file_atomically(fsys(), d / "p.txt", "new"); }},
      {"copy", [](const TempDir& d) { return fsys().copy_file(d / "src.txt", d / "p.txt"); }},
      {"temporary file",
       [](const TempDir& d) {
         auto w = fsys().create_temp(d / sibling_temp_name("p.txt"));
         if (!w) return false;
         w->write("new", 3);
         w->close();
         return fsys().rename(d / sibling_temp_name("p.txt"), d / "p.txt");
       }},
  };
  for (const auto& w : writers) {
    for (const char* target : {"victim.txt", "absent.txt"}) {
      SCOPED_TRACE(std::string(w.what) + ", link to " + target);
      TempDir elsewhere, d;
      d.write("p.txt", "old");
      d.write("src.txt", "new");
      elsewhere.write("victim.txt", "victim");
      if (!d.plant_link(sibling_temp_name("p.txt"), elsewhere / target)) GTEST_SKIP() << "no links on this platform";
      const bool written = w.run(d);
      EXPECT_EQ(elsewhere.read("victim.txt"), "victim");
      EXPECT_FALSE(elsewhere.exists("absent.txt"));
      EXPECT_FALSE(d.is_link("p.txt"));
      EXPECT_EQ(d.read("p.txt"), written ? "new" : "old");
#ifndef _WIN32
      EXPECT_TRUE(written) << "the link goes, and the file is written";
      EXPECT_FALSE(d.exists(sibling_temp_name("p.txt")));
#endif
    }
  }
}

// A link planted at the name a change goes to, pointing at a read-only file
// elsewhere: a rename or a copy replaces the link itself, the status and
// in-place writes refuse it, and the file it points to keeps its bytes,
// its time and its read-only attribute.
TEST(FileLayer, ALinkAtTheNameIsReplacedNeverFollowed) {
  if (!test::writes_reach_disk()) GTEST_SKIP() << "nothing reaches the disk, so no link is followed";
  constexpr std::int64_t kTime = 1000000000;
  const struct {
    const char* what;
    bool (*change)(const TempDir& d);
    bool replaced;
  } changes[] = {
      {"rename", [](const TempDir& d) { return fsys().rename(d / "new.txt", d / "p.txt"); }, true},
      {"copy", [](const TempDir& d) { return fsys().copy_file(d / "new.txt", d / "p.txt"); }, true},
      {"status",
       [](const TempDir& d) {
         FileStatus st;
         st.mtime = kTime;
         return fsys().set_status(d / "p.txt", st);
       },
       false},
      {"create", [](const TempDir& d) { return fsys().create(d / "p.txt") != nullptr; }, false},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.what);
    TempDir elsewhere, d;
    elsewhere.write("victim.txt", "victim");
    make_read_only(elsewhere / "victim.txt");
    d.write("new.txt", "new");
    if (!d.plant_link("p.txt", elsewhere / "victim.txt")) GTEST_SKIP() << "no links on this platform";
    EXPECT_EQ(c.change(d), c.replaced);
    EXPECT_EQ(elsewhere.read("victim.txt"), "victim");
    FileStatus st;
    ASSERT_TRUE(fsys().get_status(elsewhere / "victim.txt", st));
    EXPECT_TRUE(st.attribute & kAttrReadOnly) << "still read-only";
    EXPECT_NE(st.mtime, kTime);
    if (c.replaced) {
      EXPECT_FALSE(d.is_link("p.txt"));
      EXPECT_EQ(read(d, "p.txt"), "new");
    }
    st.attribute = 0;  // so that the folder can go
    fsys().set_status(elsewhere / "victim.txt", st);
  }
}

// Only plain files are read: a folder, a device or a FIFO where a file is
// expected is refused at once, never waited on, never read for ever.
TEST(FileLayer, OnlyPlainFilesAreRead) {
  TempDir d;
  d.mkdir("folder");
  d.write("dst.txt", "old");
  std::vector<std::string> paths = {d / "folder"};
#ifdef _WIN32
  paths.push_back(d / "NUL");
  paths.push_back("Z:\\dev\\zero");  // Wine's drive of the host's root
#else
  paths.push_back("/dev/zero");
  paths.push_back("/dev/null");
#endif
  if (d.plant_fifo("fifo")) paths.push_back(d / "fifo");
  for (const std::string& p : paths) {
    SCOPED_TRACE(p);
    EXPECT_FALSE(fsys().open_read(p));
    EXPECT_FALSE(fsys().open_exclusive(p));
    std::string out;
    EXPECT_FALSE(read_whole_file(fsys(), p, out));
    EXPECT_FALSE(fsys().copy_file(p, d / "dst.txt"));
    EXPECT_EQ(d.read("dst.txt"), "old");
  }
}

}  // namespace
}  // namespace relvo
