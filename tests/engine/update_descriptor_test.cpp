// Reading info.txt: positional lines, the archive table, the TAB rewrite,
// and what the media check is told about files beyond the classic limits.
#include "engine/update_descriptor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>

#include "support/temp_dir.h"

namespace relvo {
namespace {

using test::TempDir;

// 41 fixed lines: line n holds "Ln" unless overridden.
std::string fixed_lines(const std::vector<std::pair<int, std::string>>& over = {}) {
  std::string out;
  for (int n = 1; n <= 41; ++n) {
    std::string text = "L" + std::to_string(n);
    for (const auto& [line, t] : over)
      if (line == n) text = t;
    out += text + "\r\n";
  }
  return out;
}

struct Read {
  int result;
  UpdateDescriptor d;
  std::vector<DescriptorIssue> issues;
};

Read read_info(const std::string& content) {
  TempDir dir;
  dir.write("info.txt", content);
  Read r;
  r.result = ReadUpdateInfo(native_file_system(), dir.path(), r.d, &r.issues);
  return r;
}

int count(const std::vector<DescriptorIssue>& issues, DescriptorIssue::Severity s) {
  int n = 0;
  for (const auto& i : issues) n += i.severity == s;
  return n;
}

TEST(UpdateDescriptor, FieldsByLinePosition) {
  const Read r = read_info(fixed_lines({{16, "C:\\VORNEL"}, {19, "NULL"}, {25, "abc\txdef"}, {27, "ﾌﾟﾛ"}}));
  ASSERT_EQ(r.result, 1);
  const UpdateDescriptor& d = r.d;
  EXPECT_EQ(d.uninstallKeys[0], "L1");
  EXPECT_EQ(d.uninstallKeys[14], "L15");
  EXPECT_EQ(d.installFolder, "C:\\VORNEL");
  EXPECT_EQ(d.spareLine, "L17");
  EXPECT_EQ(d.masterAdjust, "L18");
  EXPECT_EQ(d.settingsFile, "NULL");  // stays NULL until a run replaces it
  EXPECT_EQ(d.settingsFileAsRead, "NULL");
  EXPECT_EQ(d.digitizerEdition, "L20");
  EXPECT_EQ(d.viewPicture, "L21");
  EXPECT_EQ(d.startPicture, "L22");
  EXPECT_EQ(d.destinationPicture, "L23");
  EXPECT_EQ(d.confirmPicture, "L24");
  EXPECT_EQ(d.startNotice, "abc\r\ndef");  // the x after the TAB is consumed
  EXPECT_EQ(d.destinationNotice, "L26");
  EXPECT_EQ(d.titleKeywords[0], "ﾌﾟﾛ");
  EXPECT_EQ(d.titleKeywords[14], "L41");
  EXPECT_EQ(d.rowCount(), 0);  // exactly 41 lines: no rows
  EXPECT_TRUE(r.issues.empty());
}

TEST(UpdateDescriptor, MissingFileReadsNothing) {
  TempDir dir;
  UpdateDescriptor d;
  d.rows.push_back({});
  EXPECT_EQ(ReadUpdateInfo(native_file_system(), dir.path(), d), 0);
  EXPECT_EQ(d.rowCount(), 0);
  EXPECT_TRUE(d.installFolder.empty());
}

TEST(UpdateDescriptor, ShortFileLeavesLaterFieldsEmpty) {
  const Read r = read_info("key\r\n");
  ASSERT_EQ(r.result, 1);
  EXPECT_EQ(r.d.uninstallKeys[0], "key");
  EXPECT_TRUE(r.d.installFolder.empty());
  EXPECT_TRUE(r.d.titleKeywords[14].empty());
  EXPECT_EQ(r.d.rowCount(), 0);
  EXPECT_EQ(count(r.issues, DescriptorIssue::Severity::Error), 1);
}

// Bytes of a text, then a failure raised by the read after them.
class FailingSource : public ByteSource {
 public:
  FailingSource(std::string text, std::function<void()> fail) : text_(std::move(text)), fail_(std::move(fail)) {}
  std::size_t read(void* buf, std::size_t n) override {
    if (pos_ == text_.size()) fail_();
    const std::size_t take = std::min(n, text_.size() - pos_);
    std::memcpy(buf, text_.data() + pos_, take);
    pos_ += take;
    return take;
  }

 private:
  std::string text_;
  std::function<void()> fail_;
  std::size_t pos_ = 0;
};

TEST(UpdateDescriptor, CompleteOnlyWhenReadWhole) {
  const std::function<void()> end = [] {}, readError = [] { throw FileError(FileError::Op::Read, "info.txt", 5); },
                               noMemory = [] { throw std::bad_alloc(); };
  const struct {
    const char* what;
    std::string text;
    std::function<void()> after;
    bool complete;
    int rows;
  } cases[] = {
      {"41 lines and a table", fixed_lines() + "1,1,a,b\r\n", end, true, 1},
      {"exactly 41 lines", fixed_lines(), end, true, 0},
      {"40 lines", fixed_lines().substr(0, fixed_lines().rfind("L41")), end, false, 0},
      {"read error in the table", fixed_lines() + "1,1,a,b\r\n", readError, false, 1},
      {"read error in the fixed lines", "L1\r\nL2\r\n", readError, false, 0},
      {"more than memory holds", fixed_lines(), noMemory, false, 0},
      {"larger than any descriptor", fixed_lines() + std::string(2 << 20, 'x'), end, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FailingSource src(c.text, c.after);
    UpdateDescriptor d;
    std::vector<DescriptorIssue> issues;
    ReadUpdateInfoFrom(src, d, &issues);
    EXPECT_EQ(d.complete, c.complete);
    EXPECT_EQ(d.rowCount(), c.rows);
    EXPECT_EQ(count(issues, DescriptorIssue::Severity::Error), c.complete ? 0 : 1);
  }
}

TEST(UpdateDescriptor, ArchiveTableRows) {
  struct Case {
    std::string line;
    std::int32_t disk, kind;
    std::string name, target;
    int errors;
  } cases[] = {
      {"2,1,data\\sys1,Program", 2, 1, "DATA\\SYS1", "Program", 0},
      {"x,1,a,b", 0, 1, "A", "b", 0},                       // no digits read as 0, the row still counts
      {" 3 ,2,ﾃﾞｰﾀ\\ヂa.txt,Sub\\", 3, 2, "ﾃﾞｰﾀ\\ヂA.TXT", "Sub\\", 0},  // only ASCII letters upper-cased
      {"1,1,a,b c ", 1, 1, "A", "b c ", 0},                  // spaces are not trimmed
      {"1,1,a,b,extra", 1, 1, "A", "b", 0},
      {"1,1,a", 1, 1, "A", "", 1},                           // too few fields: empty text, error reported
      {"1,,a,b", 1, 0, "", "", 1},                           // an empty field ends the row there
  };
  for (const auto& c : cases) {
    const Read r = read_info(fixed_lines() + c.line + "\r\n");
    ASSERT_EQ(r.d.rowCount(), 1) << c.line;
    const ArchiveRow& row = r.d.rows[0];
    EXPECT_EQ(row.diskNumber, c.disk) << c.line;
    EXPECT_EQ(row.entryKind, c.kind) << c.line;
    EXPECT_EQ(row.archiveName, c.name) << c.line;
    EXPECT_EQ(row.targetSubfolder, c.target) << c.line;
    EXPECT_EQ(row.line, 42) << c.line;
    EXPECT_EQ(count(r.issues, DescriptorIssue::Severity::Error), c.errors) << c.line;
  }
}

TEST(UpdateDescriptor, BlankLinesAreNoRowsAndCtrlZEndsTheFile) {
  const Read r = read_info(fixed_lines() + "1,1,a,b\r\n\r\n   \r\n2,2,c,d\r\n\x1A" "3,3,e,f\r\n");
  ASSERT_EQ(r.d.rowCount(), 2);
  EXPECT_EQ(r.d.rows[1].archiveName, "C");
  EXPECT_EQ(r.d.rows[1].line, 45);
}

TEST(UpdateDescriptor, NoFixedCapacityButTheOldLimitsAreReported) {
  std::string table;
  for (int i = 0; i < 5000; ++i) table += "1,1,archive" + std::to_string(i) + ",target\n";
  table += "1,1," + std::string(40, 'n') + ",t\n";
  const Read r = read_info(fixed_lines() + table);
  EXPECT_EQ(r.d.rowCount(), 5001);
  EXPECT_EQ(r.d.rows[5000].archiveName, std::string(40, 'N'));  // kept whole
  // One warning where the classic 100 rows end, one for the long field.
  ASSERT_EQ(count(r.issues, DescriptorIssue::Severity::Warning), 2);
  EXPECT_EQ(r.issues[0].line, 42 + 100);
  EXPECT_EQ(count(r.issues, DescriptorIssue::Severity::Error), 0);
}

TEST(UpdateDescriptor, HugeLineAndBinaryJunkAreReadWhole) {
  const std::string huge(512 * 1024, 'x');  // as large as a descriptor may be, nearly
  Read r = read_info(fixed_lines({{25, huge}}));
  EXPECT_EQ(r.d.startNotice.size(), huge.size());
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk += static_cast<char>((i * 7919) % 251);
  r = read_info(junk);
  EXPECT_EQ(r.result, 1);  // read, however little sense it makes
}

TEST(TabsToLineBreaks, Rewrite) {
  struct Case { std::string in, out; int left; } cases[] = {
      {"abc\txdef", "abc\r\ndef", 0},
      {"\t\tab", "\r\nab", 0},      // a TAB right after a TAB is the first one's filler
      {"a\t", "a\r\n", 0},          // a closing TAB still ends the line
      {"", "", 0},
      {"ﾃｽﾄ\t*ﾃｽﾄ", "ﾃｽﾄ\r\nﾃｽﾄ", 0},
  };
  for (const auto& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(TabsToLineBreaks(s), c.left) << c.in;
    EXPECT_EQ(s, c.out) << c.in;
  }
  // 101 TABs with fillers: the last one stays.
  std::string many, expect;
  for (int i = 0; i < 101; ++i) {
    many += "\t-";
    expect += i < 100 ? "\r\n" : "\t-";
  }
  EXPECT_EQ(TabsToLineBreaks(many), 1);
  EXPECT_EQ(many, expect);
}

}  // namespace
}  // namespace relvo
