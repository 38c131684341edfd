// The parts of the media check that look beyond info.txt: the pictures it
// names, what an update would decide about an installed product, and the
// steps it would take there.
#include <sstream>

#include "app/media_report.h"
#include "app/product_report.h"
#include "app/run_host.h"
#include "archive/lzh_library.h"
#include "base/sjis.h"
#include "fw/console/terminal.h"
#include "picture/picture_report.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/system.h"

namespace relvo::app {

namespace {

std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }
// A text as the terminal shows it: UTF-8, control characters escaped.
std::string t(const std::string& s) { return fw::console::ForTerminal(s); }
// A path as a user of this platform types it, for the terminal.
std::string tp(const std::string& s) { return fw::console::Utf8ForTerminal(path_for_user(s)); }

void add_pictures(FileSystem& fs, MediaReport& r) {
  const UpdateDescriptor& d = r.descriptor;
  const std::pair<const char*, const std::string*> fields[] = {{"viewPicture", &d.viewPicture},
                                                               {"startPicture", &d.startPicture},
                                                               {"destinationPicture", &d.destinationPicture},
                                                               {"confirmPicture", &d.confirmPicture}};
  nlohmann::json list = nlohmann::json::array();
  std::ostringstream text;
  text << "Pictures:\n";
  const int line[] = {21, 22, 23, 24};
  int i = 0;
  for (const auto& [field, name] : fields) {
    const picture::PictureReport p = picture::InspectDibFile(fs, r.programFolder + *name);
    list.push_back({{"field", field},
                    {"file", u8(*name)},
                    {"drawable", p.drawable},
                    {"width", p.width},
                    {"height", p.height},
                    {"bitCount", p.bitCount},
                    {"reason", p.reason}});
    text << "  " << field << " " << t(*name) << ": ";
    if (p.drawable) {
      text << p.width << "x" << p.height << ", " << p.bitCount << " bits\n";
    } else {
      text << "not drawable (" << fw::console::Utf8ForTerminal(p.reason) << ")\n";
      r.problems.push_back({DescriptorIssue::Severity::Warning, line[i],
                            std::string(field) + " " + u8(*name) + " cannot be drawn: " + p.reason});
    }
    ++i;
  }
  r.extra["pictures"] = list;
  r.extraText += text.str();
}

void add_product(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  const ProductReport p =
      InspectProduct(fs, opt.productFolder, r.descriptor.settingsFile, r.descriptor.titleKeywords);
  r.extra["product"] = {{"settingsFile", u8(p.settingsFile)},
                        {"folderCheck", p.folderCheck},
                        {"versionCheck", p.versionCheck},
                        {"productCode", p.productCode},
                        {"workingFolder", u8(p.workingFolder)}};
  std::ostringstream text;
  text << "Product in " << t(opt.productFolder) << ":\n"
       << "  settings file " << t(p.settingsFile) << ", folder check " << (p.folderCheck ? "passes" : "fails")
       << ", version check " << (p.versionCheck ? "passes" : "fails") << ", product code " << p.productCode
       << ", working folder " << tp(p.workingFolder) << "\n";
  r.extraText += text.str();
  if (!p.folderCheck || !p.versionCheck)
    r.problems.push_back({DescriptorIssue::Severity::Error, 0,
                          "the update would reject " + u8(opt.productFolder) +
                              (p.folderCheck ? " (version check fails)" : " (settings file not found)")});
}

// The archives the run handed the library that are not on the media (the
// voice data archive in the product), tested as the run left them: an
// archive the update itself put there is tested as it would be installed.
void test_product_archives(RunHost& dry, const MediaCheckOptions& opt, const Plan& plan, MediaReport& r) {
  for (const PlanStep& s : plan.steps) {
    lzh::ParsedCommand cmd;
    std::string message;
    if (s.kind != "command" || !lzh::parse_command_line(s.text, cmd, message)) continue;
    bool onMedia = false;
    for (const std::string& disk : opt.disks)
      onMedia = onMedia || (cmd.archive.size() >= disk.size() &&
                            sjis::iequals(std::string_view(cmd.archive).substr(0, disk.size()), disk));
    const std::string file = lzh::archive_file_name(dry.files(), cmd.archive);
    bool tested = false;
    for (const ArchiveTest& t : r.archives) tested = tested || sjis::iequals(t.file, file);
    if (onMedia || tested || !dry.files().exists(file)) continue;
    AddArchiveTest(TestArchive(dry.files(), file), 0, r);
  }
}

void add_plan(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  RunHost dry(RunParts{fs, native_system_info(), opt.disks}, RunHost::Dry{});
  const Plan plan = RunOnCopy(dry, r.descriptor, opt.productFolder);
  nlohmann::json list = nlohmann::json::array();
  std::ostringstream text;
  text << "Plan:\n";
  int n = 0;
  for (const PlanStep& s : plan.steps) {
    list.push_back({{"kind", s.kind}, {"text", u8(s.text)}, {"source", u8(s.source)}, {"target", u8(s.target)}});
    text << "  " << ++n << ". " << s.kind << (s.text.empty() ? "" : ": " + t(s.text));
    if (!s.source.empty()) text << "\n       from " << tp(s.source);
    if (!s.target.empty()) text << "\n       to   " << tp(s.target);
    text << "\n";
  }
  r.extra["plan"] = list;
  r.extraText += text.str();
  test_product_archives(dry, opt, plan, r);
  // A folder the run rejects is reported with the product already.
  const bool rejected = plan.outcome == UpdateOutcome::FolderRejected || plan.outcome == UpdateOutcome::VersionRejected;
  if (plan.outcome != UpdateOutcome::Updated && !rejected && !plan.steps.empty())
    r.problems.push_back({DescriptorIssue::Severity::Error, 0, "the update would stop: " + u8(plan.steps.back().text)});
}

}  // namespace

void AddMediaExtras(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  add_pictures(fs, r);
  if (opt.hasProduct) add_product(fs, opt, r);
  if (opt.plan) add_plan(fs, opt, r);
}

}  // namespace relvo::app
