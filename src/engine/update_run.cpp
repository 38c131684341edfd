// The update run: checks the product folder, walks the archive table through
// the disk prompts, then the settings edits, voice data and conversions.
#include "engine/update_run.h"

#include <cstring>
#include <vector>

#include "base/cnum.h"
#include "base/sjis.h"
#include "engine/product_checks.h"
#include "engine/run_detail.h"
#include "engine/update_rules.h"
#include "master/material_master.h"
#include "platform/profile.h"

namespace relvo {

namespace run_detail {

const char* const kFolderWrong = "ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。";
const char* const kVersionWrong = "このバージョンへの更新はできません。";
const char* const kCancelled = "ｱｯﾌﾟﾃﾞｲﾄを取消しました。";
const char* const kNoSystemName = "ｼｽﾃﾑ名称が取得できませんでした。";
const char* const kDescriptorCutFmt = "%sを最後まで読み込めませんでした。更新は行っていません。";
const char* const kCopyFailedFmt = "%sの更新に失敗しました。";
const char* const kStatusFailedFmt = "%sの属性更新に失敗しました。";
const char* const kSettingsWriteFmt = "%sの設定の書き込みに失敗しました。";
const char* const kQuoteFmt = "%sに使用できない文字(\")が含まれています。";
const char* const kFileErrorFmt = "%sの%sに失敗しました。";
const char* const kSizeFailed = "材料ｻｲｽﾞ変換が正常に更新されませんでした。";
const char* const kTypeFailed = "材料ﾀｲﾌﾟ変換が正常に更新されませんでした。";
const char* const kDone = "システムは正常に更新されました。";
const char* const kCaptionConfirm = "確認";
const char* const kCaptionError = "エラー";
const char* const kCaptionUpdateError = "更新エラー";
const char* const kVoiceArchive = "音声\\wave";

namespace {
const char* const kDiskPromptFmt = "%d 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。";

// Replaces the first occurrence of a two-byte directive. '%' is never a
// trail byte in CP932 (trail bytes start at 0x40), so a byte search is safe.
std::string ReplaceDirective(const std::string& text, const char* directive, const std::string& arg) {
  const std::size_t at = text.find(directive);
  if (at == std::string::npos) return text;
  return text.substr(0, at) + arg + text.substr(at + 2);
}
}  // namespace

std::string Format(const char* fmt, const std::string& arg) { return ReplaceDirective(fmt, "%s", arg); }

std::string Format(const char* fmt, const std::string& first, const std::string& second) {
  const std::string text = fmt;
  const std::size_t at = text.find("%s");
  if (at == std::string::npos) return text;
  // The second directive is looked for after the first one, never in the
  // first argument, which may itself hold a "%s".
  return text.substr(0, at) + first + ReplaceDirective(text.substr(at + 2), "%s", second);
}

std::string DiskPrompt(int disk) { return ReplaceDirective(kDiskPromptFmt, "%d", std::to_string(disk)); }

std::string ExtractCommand(const std::string& windowsFolder, const std::string& archivePath,
                           const std::string& targetFolder) {
  std::string cmd = "e -mcw";
  cmd += windowsFolder;
  cmd += " \"";
  cmd += archivePath;
  cmd += "\" \"";
  cmd += targetFolder;
  cmd += '"';
  return cmd;
}

// 0x22 is below every CP932 trail byte, so it is always a character of its own.
bool HasQuote(const std::string& path) { return path.find('"') != std::string::npos; }

void ShowOk(Host& host, const std::string& text, const char* caption) {
  host.ui.message_box(text, caption, fw::Buttons::Ok);
}

void Tell(Host& host, fw::Step::Kind kind, const std::string& path, const std::string& target,
          const std::string& text) {
  fw::Step s;
  s.kind = kind;
  s.path = path;
  s.target = target;
  s.text = text;
  host.ui.step(s);
}

bool RunCommand(Host& host, const std::string& cmd, std::size_t bufferSize, std::string& msg) {
  std::vector<char> buf(bufferSize, '\0');
  host.archive.SetProgress([&host](std::uint64_t done, std::uint64_t total) {
    fw::Step s;
    s.kind = fw::Step::Kind::Bytes;
    s.done = done;
    s.total = total;
    host.ui.step(s);
  });
  int rc;
  try {
    rc = host.archive.Command(host.ownerWindow, cmd.c_str(), buf.data(), buf.size());
  } catch (...) {
    host.archive.SetProgress({});
    throw;
  }
  host.archive.SetProgress({});
  if (rc == 0) return true;
  buf.back() = '\0';  // the library promises a terminated text; do not trust it blindly
  msg.assign(buf.data(), std::strlen(buf.data()));
  return false;
}

}  // namespace run_detail

using namespace run_detail;

namespace {

const char* const kDigitizerKey = "ﾃﾞｼﾞﾀｲｻﾞ";
const char* const kDigitizerMstKey = "ﾃﾞｼﾞﾀｲｻﾞMST";
const char* const kEditionName = "ﾍﾞﾙﾄﾗﾝ";
const char* const kTitleSuffix = " with ﾍﾞﾙﾄﾗﾝ";

// The settings-file names a run tries, in order, for the name it starts from.
std::vector<std::string> SettingsFileCandidates(const std::string& asRead) {
  if (asRead == "NULL") return {"vornel1.ini", "pemtrax1.ini"};
  return {asRead};
}

// The name a run starts its settings-file choice from.
std::string SettingsFileToStartFrom(const UpdateDescriptor& d) {
  // A descriptor filled by hand rather than by the reader has no record of
  // line 19; its settingsFile is then the value as read.
  if (d.settingsFileAsRead.empty()) return d.settingsFile;
  return d.settingsFileAsRead;
}

// Chooses the settings file (step 2) and checks the folder. The choice starts
// from the name as info.txt gave it on every run, so that a name tried on a
// wrong folder does not hide the right file on a later run.
int ChooseSettingsFile(FileSystem& fs, UpdateDescriptor& d, std::string& working) {
  if (d.settingsFileAsRead.empty()) d.settingsFileAsRead = d.settingsFile;
  int found = 0;
  for (const std::string& name : SettingsFileCandidates(SettingsFileToStartFrom(d))) {
    d.settingsFile = name;
    found = LocateSettingsFile(fs, working, d.settingsFile);
    if (found == 1) break;
  }
  return found;
}

// Step 8: the digitizer edition's settings, then the voice data.
void ApplyDigitizerEdition(Host& host, const UpdateDescriptor& d, const std::string& working,
                           bool masterFiles) {
  const std::string path = working + d.settingsFile;
  auto write = [&](const char* key, const std::string& value) {
    const bool ok = profile::write_string(host.fs, path, "SYSTEM", key, value);
    if (host.events) host.events->settings_written(path, "SYSTEM", key, value, ok);
    fw::Step s;
    s.kind = fw::Step::Kind::Settings;
    s.path = path;
    s.text = std::string("[SYSTEM] ") + key + "=" + value;
    s.ok = ok;
    host.ui.step(s);
    return ok;
  };
  bool written = write(kDigitizerKey, "1");
  if (masterFiles) written = write(kDigitizerMstKey, "1") && written;
  // The whole title, however long: a title cut to a buffer would be written
  // back cut.
  const std::string title = profile::read_string(host.fs, path, "SYSTEM", "TITLE", "", 0);
  if (!sjis::contains(title, kEditionName)) written = write("TITLE", title + kTitleSuffix) && written;
  if (!written) ShowOk(host, Format(kSettingsWriteFmt, path), kCaptionConfirm);
  InstallVoiceData(host, working, d.settingsFile);
}

// One conversion, its files told to the user interface as they are done.
int Convert(Host& host, const char* name, const std::string& settingsPath,
            int (*convert)(FileSystem&, const std::string&, int*, const FilesRewritten&)) {
  fw::Step s;
  s.kind = fw::Step::Kind::Conversion;
  s.text = name;
  host.ui.step(s);
  int files = 0;
  const int result = convert(host.fs, settingsPath, &files, [&](int n) {
    s.done = static_cast<std::uint64_t>(n);
    host.ui.step(s);
  });
  if (host.events) host.events->conversion(name, result, files);
  s.done = static_cast<std::uint64_t>(files);
  s.finished = true;
  s.ok = result != 0;
  host.ui.step(s);
  return result;
}

// Step 9: the material master conversions, warnings only.
void ConvertMasters(Host& host, const std::string& working) {
  fw::WaitCursor wait(host.ui);
  const std::string settingsPath = working + "vornel1.ini";
  if (Convert(host, "size", settingsPath, ConvertMaterialSize) == 0) ShowOk(host, kSizeFailed, kCaptionConfirm);
  if (Convert(host, "type", settingsPath, ConvertMaterialType) == 0) ShowOk(host, kTypeFailed, kCaptionConfirm);
}

// Steps 2 to 5: the settings file, the folder, the version and the product.
ProductFolderCheck CheckFolder(FileSystem& fs, UpdateDescriptor& d) {
  ProductFolderCheck c;
  c.workingFolder = d.installFolder;
  c.folderCheck = ChooseSettingsFile(fs, d, c.workingFolder) == 1;
  if (!c.folderCheck) return c;
  c.versionCheck = CheckMenuAndStartPicture(fs, c.workingFolder, d.settingsFile) == 1;
  if (!c.versionCheck) return c;
  d.productCode = IdentifyProduct(fs, c.workingFolder, d.settingsFile, d.titleKeywords);
  return c;
}

// A row that failed: said to the events, shown, and the run ends as failed.
int RowFailed(Host& host, const fw::Progress& row, const std::string& text, UpdateOutcome& outcome) {
  if (host.events) host.events->row_ended(row, false);
  ShowOk(host, text, kCaptionConfirm);
  outcome = UpdateOutcome::Failed;
  return 1;
}

// True when the run is to stop here: it then ends as Interrupted.
bool Stopping(const Host& host, UpdateOutcome& outcome) {
  if (!host.stopRequested || !host.stopRequested()) return false;
  outcome = UpdateOutcome::Interrupted;
  return true;
}

int RunSteps(Host& host, UpdateDescriptor& d, const std::string& programFolder, UpdateOutcome& outcome) {
  bool masterFiles = false;
  const ProductFolderCheck checked = CheckFolder(host.fs, d);
  const std::string& working = checked.workingFolder;
  // The boxes keep their texts; what was looked for and not found is told
  // after them.
  if (!checked.folderCheck) {
    ShowOk(host, kFolderWrong, kCaptionError);
    Tell(host, fw::Step::Kind::Reason, {}, {},
         FolderCheckReason(host.fs, d.installFolder, SettingsFileCandidates(SettingsFileToStartFrom(d))));
    outcome = UpdateOutcome::FolderRejected;
    return 0;
  }
  if (!checked.versionCheck) {
    ShowOk(host, kVersionWrong, kCaptionError);
    Tell(host, fw::Step::Kind::Reason, {}, {}, VersionCheckReason(host.fs, working, d.settingsFile));
    outcome = UpdateOutcome::VersionRejected;
    return 0;
  }

  const std::string windowsFolder = host.sys.windows_folder();
  host.archive.SetBackgroundMode(0);
  host.archive.SetCursorMode(1);

  int currentDisk = 1;
  const int rowCount = d.rowCount();
  for (int i = 0; i < rowCount; ++i) {
    ArchiveRow& row = d.rows[static_cast<std::size_t>(i)];
    if (Stopping(host, outcome)) return 1;

    if (PromptsForDisk(row.diskNumber, currentDisk) && host.sys.drive_type(programFolder) == kDriveRemovable) {
      const std::string mediaCheck = DiskPromptFile(programFolder, row.archiveName);
      for (;;) {
        if (AskForDisk(host, row.diskNumber) != fw::kIdOk) {
          ShowOk(host, kCancelled, kCaptionConfirm);
          outcome = UpdateOutcome::Cancelled;
          return 1;
        }
        if (host.fs.exists(mediaCheck)) break;
      }
      currentDisk = row.diskNumber;
    }

    const std::string target = working + row.targetSubfolder;
    if (!host.fs.exists(target)) host.fs.make_dir(target);  // not examined: the row goes on

    fw::Progress progress;
    progress.row = i + 1;
    progress.rowCount = rowCount;
    progress.isArchive = row.entryKind == kEntryArchive;

    if (row.entryKind == kEntryArchive) {
      if (IsStartArchive(row.archiveName)) {
        if (d.productCode == -1) {
          ShowOk(host, kNoSystemName, kCaptionUpdateError);
          outcome = UpdateOutcome::NotIdentified;
          return 0;
        }
        row.archiveName = StartArchiveName(row.archiveName, d.productCode);
      }
      const std::string archivePath = programFolder + row.archiveName;
      progress.source = archivePath + ".lzh";
      progress.target = target;
      host.ui.progress(progress);
      // A double quote would end the quoted path early: the library would
      // read another archive or target than this row names.
      for (const std::string* path : {&archivePath, &target}) {
        if (HasQuote(*path)) return RowFailed(host, progress, Format(kQuoteFmt, *path), outcome);
      }
      std::string msg;
      if (!RunCommand(host, ExtractCommand(windowsFolder, archivePath, target), 256, msg))
        return RowFailed(host, progress, msg, outcome);
    } else {
      const std::string source = programFolder + row.archiveName;
      const sjis::SplitPath parts = sjis::split_path(source);
      if (IsMasterFilesName(parts.base)) masterFiles = true;
      const std::string targetFile = target + parts.base + parts.ext;
      progress.source = source;
      progress.target = targetFile;
      host.ui.progress(progress);
      if (!host.fs.copy_file(source, targetFile))
        return RowFailed(host, progress, Format(kCopyFailedFmt, targetFile), outcome);
      FileStatus status;
      if (!host.fs.get_status(targetFile, status))
        return RowFailed(host, progress, Format(kStatusFailedFmt, source), outcome);
      status.attribute = 0;
      // The file is in place; one left read-only is worth a warning, not
      // the end of the update.
      if (!host.fs.set_status(targetFile, status)) {
        if (host.events) host.events->row_ended(progress, true);
        ShowOk(host, Format(kStatusFailedFmt, targetFile), kCaptionConfirm);
        continue;
      }
    }
    if (host.events) host.events->row_ended(progress, true);
  }

  if (Stopping(host, outcome)) return 1;
  if (c_atoi(d.digitizerEdition) == 1) ApplyDigitizerEdition(host, d, working, masterFiles);
  if (Stopping(host, outcome)) return 1;
  if (c_atoi(d.masterAdjust) == 1) ConvertMasters(host, working);

  ShowOk(host, kDone, kCaptionConfirm);
  outcome = UpdateOutcome::Updated;
  return 1;
}

}  // namespace

ProductFolderCheck CheckProductFolder(FileSystem& fs, UpdateDescriptor& d) { return CheckFolder(fs, d); }

int AskForDisk(Host& host, int disk) {
  const int answer = host.ui.message_box(DiskPrompt(disk), kCaptionConfirm, fw::Buttons::OkCancel);
  if (answer == fw::kIdOk && host.changer) host.changer->insert(disk);
  return answer;
}

bool ReadBackByRun(const std::string& path) {
  const std::string ext = sjis::to_upper(sjis::split_path(path).ext);
  return ext == ".INI" || ext == ".MST" || ext == ".LZH";
}

int RunUpdate(Host& host, UpdateDescriptor& d, const std::string& programFolder, UpdateOutcome* outcome) {
  fw::WaitCursor wait(host.ui);
  // A descriptor cut short may have lost rows or switches: installing what
  // is left and calling it a success would leave the product half updated.
  if (!d.complete) {
    ShowOk(host, Format(kDescriptorCutFmt, programFolder + "info.txt"), kCaptionConfirm);
    if (outcome) *outcome = UpdateOutcome::DescriptorIncomplete;
    return 1;
  }
  UpdateOutcome how = UpdateOutcome::Failed;
  int result;
  try {
    result = RunSteps(host, d, programFolder, how);
  } catch (const FileError& e) {
    // A file that could not be read, written or renamed half-way (the
    // conversions rewrite in place): tell the user which and end the run
    // as any other failed installation does.
    ShowOk(host, Format(kFileErrorFmt, e.path(), e.op_text()), kCaptionConfirm);
    how = UpdateOutcome::Failed;
    result = 1;
  } catch (const RunInterrupted&) {
    how = UpdateOutcome::Interrupted;
    result = 1;
  }
  if (outcome) *outcome = how;
  return result;
}

}  // namespace relvo
