// The dry run of the update: follows the run's steps on a copy of the
// descriptor, asking the file layer only what exists and what files say.
#include "app/update_plan.h"

#include <set>

#include "base/cnum.h"
#include "base/sjis.h"
#include "engine/product_checks.h"
#include "engine/update_run.h"
#include "master/material_master.h"
#include "platform/encoding.h"
#include "platform/profile.h"

namespace relvo::app {

using namespace run_detail;

namespace {

class Plan {
 public:
  std::vector<PlanStep> steps;
  void add(const char* kind, const std::string& text, const std::string& source = "",
           const std::string& target = "") {
    steps.push_back({kind, enc::cp932_to_utf8(text), enc::cp932_to_utf8(source), enc::cp932_to_utf8(target)});
  }
};

std::string WithCaption(const char* caption, const std::string& text) { return std::string("[") + caption + "] " + text; }

void PlanConversion(FileSystem& fs, Plan& plan, const std::string& working, const char* what) {
  const std::string settingsPath = working + "vornel1.ini";
  const std::string prefix = profile::read_string(fs, settingsPath, "DIR", "MASTER", "", 0);
  if (prefix.empty()) {
    plan.add("convert", std::string(what) + ": no master folder (DIR/MASTER of vornel1.ini is empty)", settingsPath);
    return;
  }
  for (const char* sub : {"1\\", "21\\"}) {
    const std::string folder = prefix + sub;
    std::string text = std::string(what) + ": ";
    const std::vector<std::string> names = FindMasterFiles(fs, folder + "zai\?\?\?-3.mst");
    text += std::to_string(names.size()) + " file(s)";
    for (const std::string& n : names)
      if (!fs.is_writable(folder + n)) text += "; " + n + " is read-only: the conversion would stop there";
    plan.add("convert", text, "", folder);
  }
}

}  // namespace

std::vector<PlanStep> PlanUpdate(FileSystem& fs, SystemInfo& sys, const UpdateDescriptor& given,
                                 const std::string& programFolder, const std::string& productFolder) {
  UpdateDescriptor d = given;  // the run changes its descriptor; the plan must not
  Plan plan;
  std::string working = productFolder;

  // The settings file, as each run chooses it.
  int found = 0;
  for (const std::string& name : SettingsFileCandidates(SettingsFileToStartFrom(d))) {
    d.settingsFile = name;
    found = LocateSettingsFile(fs, working, name);
    plan.add("check", "settings file " + name + (found == 1 ? ": found" : ": not found"),
             found == 1 ? working + name : productFolder);
    if (found == 1) break;
  }
  if (found != 1) {
    plan.add("stop", WithCaption(kCaptionError, kFolderWrong));
    return plan.steps;
  }
  if (CheckMenuAndStartPicture(fs, working, d.settingsFile) != 1) {
    plan.add("check", "menu settings file and Start.bmp: missing", working);
    plan.add("stop", WithCaption(kCaptionError, kVersionWrong));
    return plan.steps;
  }
  plan.add("check", "menu settings file and Start.bmp: present", working);
  d.productCode = IdentifyProduct(fs, working, d.settingsFile, d.titleKeywords);
  plan.add("check", d.productCode == -1 ? std::string("product: not identified")
                                        : std::string("product code ") + std::to_string(d.productCode),
           working + d.settingsFile);

  const std::string windowsFolder = sys.windows_folder();
  const bool removable = sys.drive_type(programFolder) == kDriveRemovable;
  bool masterFiles = false;
  int currentDisk = 1;
  std::set<std::string> created;
  for (ArchiveRow& row : d.rows) {
    if (row.diskNumber != 1 && row.diskNumber != currentDisk && removable) {
      plan.add("prompt", WithCaption(kCaptionConfirm, DiskPrompt(row.diskNumber)),
               programFolder + row.archiveName + ".lzh");
      currentDisk = row.diskNumber;
    }
    // Files of disk 1, or of a medium that is not a set of floppies, can be
    // looked for now; those of later floppies are not in the drive yet.
    const bool present = currentDisk == 1 || !removable;
    const std::string target = working + row.targetSubfolder;
    // The plan creates nothing, so a folder shared by several rows would
    // still be missing at the next one.
    if (!fs.exists(target) && created.insert(target).second) plan.add("mkdir", "create folder", "", target);
    if (row.entryKind == 1) {
      if (IsStartArchive(row.archiveName)) {
        if (d.productCode == -1) {
          plan.add("stop", WithCaption(kCaptionUpdateError, kNoSystemName));
          return plan.steps;
        }
        row.archiveName = StartArchiveName(row.archiveName, d.productCode);
      }
      const std::string archivePath = programFolder + row.archiveName;
      for (const std::string* path : {&archivePath, &target}) {
        if (HasQuote(*path)) {
          plan.add("stop", WithCaption(kCaptionConfirm, Format(kQuoteFmt, *path)));
          return plan.steps;
        }
      }
      std::string text = ExtractCommand(windowsFolder, archivePath, target);
      if (present && !fs.exists(archivePath + ".lzh")) text += "  (archive missing: the run would stop here)";
      plan.add("extract", text, archivePath + ".lzh", target);
    } else {
      const std::string source = programFolder + row.archiveName;
      const sjis::SplitPath parts = sjis::split_path(source);
      if (IsMasterFilesName(parts.base)) masterFiles = true;
      const std::string targetFile = target + parts.base + parts.ext;
      std::string text = "copy, then clear the attributes";
      if (present && !fs.exists(source))
        text += "  (missing: " + WithCaption(kCaptionConfirm, Format(kCopyFailedFmt, targetFile)) + ")";
      plan.add("copy", text, source, targetFile);
    }
  }

  if (c_atoi(d.digitizerEdition) == 1) {
    const std::string path = working + d.settingsFile;
    plan.add("settings", std::string("[SYSTEM] ") + kDigitizerKey + "=1", "", path);
    if (masterFiles) plan.add("settings", std::string("[SYSTEM] ") + kDigitizerMstKey + "=1", "", path);
    const std::string title = profile::read_string(fs, path, "SYSTEM", "TITLE", "", 0);
    if (sjis::contains(title, kEditionName))
      plan.add("settings", "[SYSTEM] TITLE unchanged: " + title, "", path);
    else
      plan.add("settings", "[SYSTEM] TITLE=" + title + kTitleSuffix, "", path);
    if (fs.exists(path) && !fs.is_writable(path))
      plan.add("warning", WithCaption(kCaptionConfirm, Format(kSettingsWriteFmt, path)));

    const std::string wave = profile::read_string(fs, path, "DIR", "WAV", "", 0);
    const std::string voiceArchive = working + kVoiceArchive;
    if (wave.empty() || !fs.exists(wave)) {
      plan.add("voice-data", wave.empty() ? "skipped: no [DIR] WAV in the settings file"
                                          : "skipped: the wave folder does not exist",
               voiceArchive + ".lzh", wave);
    } else if (HasQuote(voiceArchive) || HasQuote(wave)) {
      plan.add("warning", WithCaption(kCaptionConfirm, Format(kQuoteFmt, HasQuote(wave) ? wave : voiceArchive)));
    } else {
      plan.add("voice-data", ExtractCommand(windowsFolder, voiceArchive, wave), voiceArchive + ".lzh", wave);
    }
  }

  if (c_atoi(d.masterAdjust) == 1) {
    PlanConversion(fs, plan, working, "material size conversion");
    PlanConversion(fs, plan, working, "material type conversion");
  }
  plan.add("message", WithCaption(kCaptionConfirm, kDone));
  return plan.steps;
}

}  // namespace relvo::app
