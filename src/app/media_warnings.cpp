// Warnings for authors of updates: what the update does exactly as it is
// built to, but what an author of info.txt rarely means by it.
#include <string_view>

#include "app/media_report.h"
#include "base/sjis.h"
#include "engine/update_rules.h"
#include "platform/encoding.h"

namespace relvo::app {

namespace {

using S = DescriptorIssue::Severity;
std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }

bool is_separator(char c) { return c == '\\' || c == '/'; }

// True when the path's ".." components climb above the folder it is
// appended to ("..\X", "A\..\..\X"). Separators are found character by
// character: a trail byte 0x5C is no separator.
bool climbs_out(std::string_view path) {
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0;; i += sjis::char_len(path, i)) {
    if (i < path.size() && !(sjis::char_len(path, i) == 1 && is_separator(path[i]))) continue;
    const std::string_view part = path.substr(start, i - start);
    if (part == "..") {
      if (--depth < 0) return true;
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    if (i >= path.size()) return false;
    start = i + 1;
  }
}

// True when the last byte of s is the lead byte of a double-byte character
// whose trail byte is missing: joined to a text, it takes that text's first
// byte as its trail.
bool ends_in_half_character(std::string_view s) {
  std::size_t last = 0;
  for (std::size_t i = 0; i < s.size(); i += sjis::char_len(s, i)) last = i;
  return !s.empty() && last == s.size() - 1 && sjis::is_lead(static_cast<unsigned char>(s[last]));
}

bool has_drive(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

void half_characters(MediaReport& r) {
  const UpdateDescriptor& d = r.descriptor;
  auto check = [&](int line, const std::string& what, const std::string& text) {
    if (ends_in_half_character(text))
      r.problems.push_back({S::Warning, line,
                            what + " ends in the first byte of a double-byte character: joined to a name, that "
                                   "byte takes the name's first character as its second byte"});
  };
  for (int i = 0; i < 15; ++i) check(i + 1, "uninstall key", d.uninstallKeys[i]);
  check(16, "install folder", d.installFolder);
  check(19, "settings file", d.settingsFile);
  const std::pair<const char*, const std::string*> pictures[] = {{"viewPicture", &d.viewPicture},
                                                                 {"startPicture", &d.startPicture},
                                                                 {"destinationPicture", &d.destinationPicture},
                                                                 {"confirmPicture", &d.confirmPicture}};
  for (int i = 0; i < 4; ++i) check(21 + i, pictures[i].first, *pictures[i].second);
  check(25, "start notice", d.startNotice);
  check(26, "destination notice", d.destinationNotice);
  for (int i = 0; i < 15; ++i) check(27 + i, "title keyword", d.titleKeywords[i]);
  for (const ArchiveRow& row : d.rows) {
    check(row.line, "archive name", row.archiveName);
    check(row.line, "target folder", row.targetSubfolder);
  }
}

// Paths of the archive table that leave the folder they are appended to.
void row_paths(const ArchiveRow& row, MediaReport& r) {
  const std::string target = u8(row.targetSubfolder);
  if (climbs_out(row.archiveName))
    r.problems.push_back({S::Warning, row.line,
                          "name " + u8(row.archiveName) + " climbs out with '..': it is read from outside the media folder"});
  if (climbs_out(row.targetSubfolder))
    r.problems.push_back({S::Warning, row.line,
                          "target folder " + target + " climbs out with '..': its files land outside the product folder"});
  if (has_drive(row.targetSubfolder))
    r.problems.push_back({S::Warning, row.line,
                          "target folder " + target +
                              " names a drive: it is appended to the product folder all the same, which gives a "
                              "name no folder can have"});
  else if (!row.targetSubfolder.empty() && is_separator(row.targetSubfolder[0]))
    r.problems.push_back({S::Warning, row.line,
                          "target folder " + target +
                              " begins with a separator: it is appended to the product folder all the same, not "
                              "taken from the drive's root"});
}

// The disks as the update asks for them (on a removable drive): a row that
// the run does not prompt for reads the disk then in the drive, whatever
// disk it names; a row it prompts for puts its own disk in.
void disk_order(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  int current = 1;
  for (const ArchiveRow& row : r.descriptor.rows) {
    if (!PromptsForDisk(row.diskNumber, current)) {
      if (row.diskNumber != current)
        r.problems.push_back({S::Warning, row.line,
                              "row on disk " + std::to_string(row.diskNumber) + " after rows of disk " +
                                  std::to_string(current) + ": the update never asks for disk " +
                                  std::to_string(row.diskNumber) +
                                  " again, so this row's file is read from the disk then in the drive"});
      continue;
    }
    current = row.diskNumber;
    if (row.archiveName.empty()) continue;
    // The prompt accepts a floppy by the file the run looks for, whatever
    // kind the row is: never for a file row, nor for an archive the library
    // reads under a name of its own ("DATA.V2"). An archive missing
    // altogether is an error already.
    const std::string marker = DiskPromptFile("", row.archiveName);
    std::vector<std::string> folders = opt.disks;
    if (row.diskNumber >= 1 && static_cast<std::size_t>(row.diskNumber) <= opt.disks.size())
      folders = {opt.disks[row.diskNumber - 1]};
    bool found = false, underOwnName = false;
    for (const std::string& disk : folders) {
      found = found || fs.exists(DiskPromptFile(disk, row.archiveName));
      underOwnName = underOwnName || fs.exists(disk + row.archiveName);
    }
    const bool fileRow = row.entryKind != kEntryArchive;
    if (!found && (fileRow || underOwnName))
      r.problems.push_back({S::Warning, row.line,
                            std::string(fileRow ? "file" : "archive") + " row on disk " + std::to_string(row.diskNumber) +
                                ": the disk prompt accepts a floppy only when it holds " + u8(marker)});
  }
}

// The program folder of a program at a drive's root is the bare drive
// ("A:"): every media file is then named from that drive's current folder.
void drive_root(const MediaCheckOptions& opt, MediaReport& r) {
  const std::string& folder = opt.disks.front();
  if (!has_drive(folder) || folder.size() > 3 || (folder.size() == 3 && !is_separator(folder[2]))) return;
  const std::string drive = folder.substr(0, 2);
  r.problems.push_back({S::Warning, 0,
                        "the media folder is the root of drive " + drive + ": the program folder is then " + drive +
                            " alone, and its files (" + drive +
                            "info.txt) are named from the drive's current folder, not its root"});
}

}  // namespace

void AddAuthorWarnings(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  drive_root(opt, r);
  half_characters(r);
  for (const ArchiveRow& row : r.descriptor.rows) row_paths(row, r);
  disk_order(fs, opt, r);
}

}  // namespace relvo::app
