// The parts of the media check that look beyond info.txt: the pictures it
// names, what an update would decide about an installed product, and the
// steps it would take there.
#include "app/media_report.h"
#include "app/run_host.h"
#include "archive/lzh_library.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/system.h"

namespace relvo::app {

namespace {

std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }

void add_pictures(FileSystem& fs, MediaReport& r) {
  const UpdateDescriptor& d = r.descriptor;
  const std::pair<const char*, const std::string*> fields[] = {{"viewPicture", &d.viewPicture},
                                                               {"startPicture", &d.startPicture},
                                                               {"destinationPicture", &d.destinationPicture},
                                                               {"confirmPicture", &d.confirmPicture}};
  const int line[] = {21, 22, 23, 24};
  int i = 0;
  for (const auto& [field, name] : fields) {
    const picture::PictureReport p = picture::InspectDibFile(fs, r.programFolder + *name);
    r.pictures.push_back({field, *name, p});
    if (!p.drawable)
      r.problems.push_back({DescriptorIssue::Severity::Warning, line[i],
                            std::string(field) + " " + u8(*name) + " cannot be drawn: " + p.reason});
    ++i;
  }
}

void add_product(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r) {
  const ProductReport p =
      InspectProduct(fs, opt.productFolder, r.descriptor.settingsFile, r.descriptor.titleKeywords);
  r.productFolder = opt.productFolder;
  r.product = p;
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
  PointSizeCounter counter;
  RunHost dry(RunParts{fs, native_system_info(), opt.disks}, RunHost::Dry{RecordingLayer(counter)});
  Plan plan = RunOnCopy(dry, r.descriptor, opt.productFolder);
  plan.point = {counter.paths(), counter.oldBytes(), counter.needed()};
  r.plan = plan;
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
