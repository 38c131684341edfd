// Media check: descriptor problems plus the files the archive table names.
#include "app/media_report.h"

#include <sstream>

#include "archive/lzh_library.h"
#include "base/sjis.h"
#include "fw/console/terminal.h"
#include "platform/encoding.h"

namespace relvo::app {

namespace {

using S = DescriptorIssue::Severity;
std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }
// A text as the terminal shows it: UTF-8, control characters escaped.
std::string t(const std::string& s) { return fw::console::ForTerminal(s); }

// The product codes an update can append to a START archive's name.
const int kStartCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 99};

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
    if (archive && sjis::split_path(row.archiveName).base == "START") {
      bool any = false;
      for (int code : kStartCodes)
        any = any || on_any_disk(fs, opt.disks, row.archiveName + std::to_string(code), true);
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

nlohmann::json DescriptorToJson(const UpdateDescriptor& d) {
  using nlohmann::json;
  auto list = [](const std::array<std::string, 15>& a) {
    json j = json::array();
    for (const auto& s : a) j.push_back(u8(s));
    return j;
  };
  json rows = json::array();
  for (const auto& row : d.rows)
    rows.push_back({{"diskNumber", row.diskNumber},
                    {"entryKind", row.entryKind},
                    {"archiveName", u8(row.archiveName)},
                    {"targetSubfolder", u8(row.targetSubfolder)}});
  return json{{"uninstallKeys", list(d.uninstallKeys)},
              {"installFolder", u8(d.installFolder)},
              {"spareLine", u8(d.spareLine)},
              {"masterAdjust", u8(d.masterAdjust)},
              {"settingsFile", u8(d.settingsFile)},
              {"digitizerEdition", u8(d.digitizerEdition)},
              {"viewPicture", u8(d.viewPicture)},
              {"startPicture", u8(d.startPicture)},
              {"destinationPicture", u8(d.destinationPicture)},
              {"confirmPicture", u8(d.confirmPicture)},
              {"startNotice", u8(d.startNotice)},
              {"destinationNotice", u8(d.destinationNotice)},
              {"titleKeywords", list(d.titleKeywords)},
              {"rowCount", d.rowCount()},
              {"rows", rows},
              {"productCode", d.productCode}};
}

nlohmann::json MediaReportToJson(const MediaReport& r) {
  using nlohmann::json;
  json problems = json::array();
  for (const auto& p : r.problems)
    problems.push_back({{"severity", p.severity == S::Error ? "error" : "warning"}, {"line", p.line}, {"message", p.message}});
  json j{{"programFolder", u8(r.programFolder)}, {"descriptor", r.opened ? DescriptorToJson(r.descriptor) : json(nullptr)},
         {"archives", ArchiveTestsToJson(r.archives)}, {"problems", problems}};
  for (auto it = r.extra.begin(); it != r.extra.end(); ++it) j[it.key()] = it.value();
  return j;
}

std::string MediaReportToText(const MediaReport& r) {
  std::ostringstream o;
  const UpdateDescriptor& d = r.descriptor;
  o << "Media folder: " << t(r.programFolder) << "\n";
  if (r.opened) {
    auto one_line = [](const std::string& s) {
      std::string out;
      for (char c : fw::console::ForTerminal(s, /*keepLineBreaks=*/true)) {
        if (c == '\n') out += " / ";
        else out += c;
      }
      return out;
    };
    o << "Title (line 1):        " << t(d.uninstallKeys[0]) << "\n";
    o << "Uninstall keys:       ";
    for (const auto& k : d.uninstallKeys) {
      if (k == "NULL") break;
      o << " [" << t(k) << "]";
    }
    o << "\n";
    o << "Install folder:        " << t(d.installFolder) << "\n";
    o << "Master adjust:         " << t(d.masterAdjust) << "\n";
    o << "Settings file:         " << t(d.settingsFile) << "\n";
    o << "Digitizer edition:     " << t(d.digitizerEdition) << "\n";
    o << "Pictures:              view " << t(d.viewPicture) << ", start " << t(d.startPicture) << ", destination "
      << t(d.destinationPicture) << ", confirm " << t(d.confirmPicture) << "\n";
    o << "Start notice:          " << one_line(d.startNotice) << "\n";
    o << "Destination notice:    " << one_line(d.destinationNotice) << "\n";
    o << "Title keywords:       ";
    for (int i = 0; i < 15; ++i)
      if (!d.titleKeywords[i].empty()) o << " " << (i + 1) << "=" << t(d.titleKeywords[i]);
    o << "\n";
    o << "Archive table:         " << d.rowCount() << " row(s)\n";
    int n = 0;
    for (const auto& row : d.rows)
      o << "  " << ++n << ". disk " << row.diskNumber << ", " << (row.entryKind == kEntryArchive ? "archive " : "file    ")
        << t(row.archiveName) << " -> " << t(row.targetSubfolder) << "\n";
  }
  o << ArchiveTestsToText(r.archives) << r.extraText;
  if (r.problems.empty()) {
    o << "No problems found.\n";
  } else {
    o << "Problems:\n";
    for (const auto& p : r.problems)
      o << "  " << (p.severity == S::Error ? "error" : "warning") << (p.line > 0 ? " (line " + std::to_string(p.line) + ")" : "")
        << ": " << fw::console::Utf8ForTerminal(p.message) << "\n";
  }
  return o.str();
}

}  // namespace relvo::app
