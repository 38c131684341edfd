// The media check's archive test: every archive the archive table names, on
// the disk its row is on, decoded and judged member by member as the
// library's extraction would, so that a medium the update would install
// only half of is an error before it ships.
#include "app/media_report.h"

#include "archive/lzh_extract.h"
#include "archive/lzh_library.h"
#include "base/sjis.h"
#include "engine/update_rules.h"
#include "platform/encoding.h"

namespace relvo::app {

namespace {

using S = DescriptorIssue::Severity;
std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }

// Each member as the extraction would meet it: refused for its name (the
// extraction judges the name before it reads any data), or failing its
// data, or fine.
class Collector final : public lzh::MemberObserver {
 public:
  explicit Collector(ArchiveTest& t) : t_(t) {}
  void on_member(const lzh::Member& m, const std::string* failure) override {
    std::string wrong = lzh::judge_member_path(m);
    if (wrong.empty() && failure) wrong = *failure;
    if (!wrong.empty()) t_.badMembers.push_back({m.path('\\'), wrong});
  }

 private:
  ArchiveTest& t_;
};

// The file the library reads for name on the disk in folder, when it is
// there.
bool archive_on(FileSystem& fs, const std::string& folder, const std::string& name, std::string& file) {
  file = lzh::archive_file_name(fs, folder + name);
  return fs.exists(file);
}

bool already_tested(const MediaReport& r, const std::string& file) {
  for (const ArchiveTest& t : r.archives)
    if (sjis::iequals(t.file, file)) return true;
  return false;
}

}  // namespace

ArchiveTest TestArchive(FileSystem& fs, const std::string& file) {
  ArchiveTest t;
  t.file = file;
  Collector collector(t);
  lzh::RunOptions opt;
  opt.mode = lzh::Mode::Test;
  opt.observer = &collector;
  const lzh::RunOutcome out = lzh::run_archive(fs, file, opt);
  t.members = out.members;
  if (!out.archive_ok) t.archiveProblem = out.message;
  return t;
}

void AddArchiveTest(ArchiveTest t, int line, MediaReport& r) {
  const std::string where = "archive " + u8(t.file) + (t.disk > 0 ? " (disk " + std::to_string(t.disk) + ")" : "");
  for (const auto& [member, wrong] : t.badMembers)
    r.problems.push_back({S::Error, line, where + ", member " + u8(member) + ": " + u8(wrong)});
  if (!t.archiveProblem.empty())
    r.problems.push_back({S::Error, line,
                          where + ": " + u8(t.archiveProblem) +
                              (t.members > 0 ? " (after " + std::to_string(t.members) + " member(s))" : "")});
  t.line = line;
  r.archives.push_back(std::move(t));
}

void TestMediaArchives(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  const std::vector<std::string>& disks = opt.disks;
  for (const ArchiveRow& row : r.descriptor.rows) {
    if (row.entryKind != kEntryArchive || row.archiveName.empty()) continue;
    // A START row extracts START followed by the product's code; START
    // itself only answers the disk prompt.
    const std::vector<std::string> names =
        IsStartArchive(row.archiveName) ? StartArchiveVariants(row.archiveName) : std::vector<std::string>{row.archiveName};
    const bool ownDisk = row.diskNumber >= 1 && static_cast<std::size_t>(row.diskNumber) <= disks.size();
    for (const std::string& name : names) {
      // On the row's own disk; else wherever it is (a misplaced archive is
      // still tested).
      std::string file;
      int disk = 0;
      if (ownDisk && archive_on(fs, disks[row.diskNumber - 1], name, file)) {
        disk = row.diskNumber;
      } else {
        for (std::size_t i = 0; i < disks.size() && disk == 0; ++i)
          if (archive_on(fs, disks[i], name, file)) disk = static_cast<int>(i) + 1;
      }
      if (disk == 0 || already_tested(r, file)) continue;
      ArchiveTest t = TestArchive(fs, file);
      t.disk = disk;
      AddArchiveTest(std::move(t), row.line, r);
    }
  }
}

}  // namespace relvo::app
