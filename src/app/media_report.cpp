// Media check: descriptor problems plus the files the archive table names.
#include "app/media_report.h"

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
