// The media check's report as text for the terminal: UTF-8, control
// characters escaped, paths as a user of the platform types them.
#include <sstream>

#include "app/media_report.h"
#include "fw/console/terminal.h"
#include "platform/console.h"

namespace relvo::app {

namespace {

using S = DescriptorIssue::Severity;
// A text as the terminal shows it: UTF-8, control characters escaped.
std::string t(const std::string& s) { return fw::console::ForTerminal(s); }
// A path as a user of this platform types it, for the terminal.
std::string tp(const std::string& s) { return fw::console::Utf8ForTerminal(path_for_user(s)); }

// A text of several lines on one line, its line breaks shown as " / ".
std::string one_line(const std::string& s) {
  std::string out;
  for (char c : fw::console::ForTerminal(s, /*keepLineBreaks=*/true)) {
    if (c == '\n') out += " / ";
    else out += c;
  }
  return out;
}

void descriptor(std::ostream& o, const UpdateDescriptor& d) {
  o << "Title (line 1):        " << t(d.uninstallKeys[0]) << "\n";
  o << "Uninstall keys:       ";
  for (const std::string& k : UninstallKeysInUse(d.uninstallKeys)) o << " [" << t(k) << "]";
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

void archives(std::ostream& o, const std::vector<ArchiveTest>& tests) {
  if (tests.empty()) return;
  o << "Archives tested:\n";
  for (const ArchiveTest& a : tests) {
    o << "  " << tp(a.file);
    if (a.disk > 0) o << " (disk " << a.disk << ")";
    o << ": " << a.members << " member(s)";
    if (a.ok()) o << ", all sound";
    if (!a.badMembers.empty()) o << ", " << a.badMembers.size() << " bad";
    if (!a.archiveProblem.empty()) o << ", cannot be read to its end";
    o << "\n";
  }
}

void pictures(std::ostream& o, const std::vector<PictureCheck>& list) {
  o << "Pictures:\n";
  for (const PictureCheck& p : list) {
    o << "  " << p.field << " " << t(p.file) << ": ";
    if (p.report.drawable)
      o << p.report.width << "x" << p.report.height << ", " << p.report.bitCount << " bits\n";
    else
      o << "not drawable (" << fw::console::Utf8ForTerminal(p.report.reason) << ")\n";
  }
}

void product(std::ostream& o, const std::string& folder, const ProductReport& p) {
  o << "Product in " << t(folder) << ":\n"
    << "  settings file " << t(p.settingsFile) << ", folder check " << (p.folderCheck ? "passes" : "fails")
    << ", version check " << (p.versionCheck ? "passes" : "fails") << ", product code " << p.productCode
    << ", working folder " << tp(p.workingFolder) << "\n";
}

void plan(std::ostream& o, const Plan& plan) {
  o << "Plan:\n";
  int n = 0;
  for (const PlanStep& s : plan.steps) {
    o << "  " << ++n << ". " << s.kind << (s.text.empty() ? "" : ": " + t(s.text));
    if (!s.source.empty()) o << "\n       from " << tp(s.source);
    if (!s.target.empty()) o << "\n       to   " << tp(s.target);
    o << "\n";
  }
  const PointSize& p = plan.point;
  o << "Restore point: " << p.paths << (p.paths == 1 ? " path" : " paths") << " recorded, " << p.oldBytes
    << " bytes of files kept; it needs " << p.needed << " bytes free\n";
}

}  // namespace

std::string MediaReportToText(const MediaReport& r) {
  std::ostringstream o;
  o << "Media folder: " << t(r.programFolder) << "\n";
  if (r.opened) descriptor(o, r.descriptor);
  archives(o, r.archives);
  if (r.opened) pictures(o, r.pictures);
  if (r.product) product(o, r.productFolder, *r.product);
  if (r.plan) plan(o, *r.plan);
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
