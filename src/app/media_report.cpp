// Media check: descriptor problems plus the files the archive table names.
#include "app/media_report.h"

#include <memory>
#include <string>
#include <vector>

#include "archive/lzh_library.h"
#include "base/sjis.h"
#include "engine/update_rules.h"
#include "platform/encoding.h"

namespace relvo::app {

namespace {

using S = DescriptorIssue::Severity;
std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }

// True when a disk holds the file name, or for an archive the file the
// library reads for name.
bool on_any_disk(FileSystem& fs, const std::vector<std::string>& disks, const std::string& name, bool archive) {
  for (const auto& d : disks)
    if (fs.exists(archive ? lzh::archive_file_name(fs, d + name) : d + name)) return true;
  return false;
}

// Why the copy of a file row could not read file, which is there: the copy
// reads a plain file only, to its end. Empty when it reads.
std::string unreadable(FileSystem& fs, const std::string& file) {
  std::unique_ptr<FileReader> in = fs.open_read(file);
  if (!in) return "cannot be opened for reading (not a plain file, or not readable)";
  try {
    std::vector<char> buf(64 * 1024);
    while (in->read(buf.data(), buf.size()) > 0) {
    }
  } catch (const FileError&) {
    return "cannot be read to its end (read error)";
  }
  return {};
}

// A file row's file read as the copy would read it: on the row's own disk,
// else on the first disk that holds it (a misplaced file is still read).
void test_file_row(FileSystem& fs, const std::vector<std::string>& disks, const ArchiveRow& row, MediaReport& r) {
  std::size_t disk = disks.size();
  if (row.diskNumber >= 1 && static_cast<std::size_t>(row.diskNumber) <= disks.size() &&
      fs.exists(disks[static_cast<std::size_t>(row.diskNumber) - 1] + row.archiveName))
    disk = static_cast<std::size_t>(row.diskNumber) - 1;
  for (std::size_t i = 0; i < disks.size() && disk == disks.size(); ++i)
    if (fs.exists(disks[i] + row.archiveName)) disk = i;
  if (disk == disks.size()) return;  // on none: reported already
  const std::string file = disks[disk] + row.archiveName;
  const std::string why = unreadable(fs, file);
  if (!why.empty())
    r.problems.push_back({S::Error, row.line,
                          "file " + u8(file) + " (disk " + std::to_string(disk + 1) + "): " + why +
                              "; the update stops at this row"});
}

void check_rows(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  for (const ArchiveRow& row : r.descriptor.rows) {
    const int line = row.line;
    if (row.archiveName.empty()) continue;  // already reported as malformed
    const bool archive = row.entryKind == kEntryArchive;
    if (!on_any_disk(fs, opt.disks, row.archiveName, archive)) {
      // The library reads NAME.lzh, or NAME as given when NAME has an
      // extension of its own and NAME.lzh is not there.
      const std::string name = u8(row.archiveName);
      const std::string shown = !archive ? "file " + name
                                : sjis::split_path(row.archiveName).ext.empty()
                                    ? "archive " + name + ".lzh"
                                    : "archive " + name + ".lzh (or " + name + ")";
      r.problems.push_back({S::Error, line, shown + " is on none of the given disks"});
    } else if (!archive) {
      test_file_row(fs, opt.disks, row, r);
    }
    if (archive && IsStartArchive(row.archiveName)) {
      bool any = false;
      for (const std::string& variant : StartArchiveVariants(row.archiveName))
        any = any || on_any_disk(fs, opt.disks, variant, true);
      if (!any)
        r.problems.push_back({S::Error, line, "START row: no product variant " + u8(row.archiveName) +
                                                  "<code>.lzh (codes 0-15, 99) is on the given disks"});
    }
  }
}

}  // namespace

int MediaReport::errorCount() const {
  int n = 0;
  for (const auto& p : problems) n += p.severity == S::Error;
  return n;
}

MediaReport CheckMedia(FileSystem& fs, const MediaCheckOptions& opt) {
  MediaReport r;
  r.programFolder = opt.disks.front();
  r.opened = ReadUpdateInfo(fs, r.programFolder, r.descriptor, &r.problems) == 1;
  AddAuthorWarnings(fs, opt, r);
  if (!r.opened) {
    r.problems.push_back({S::Error, 0, "cannot open " + u8(r.programFolder) + "info.txt"});
    return r;
  }
  check_rows(fs, opt, r);
  TestMediaArchives(fs, opt, r);
  AddMediaExtras(fs, opt, r);
  return r;
}

}  // namespace relvo::app
