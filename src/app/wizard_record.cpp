// The console wizard's log, destination line and exit status.
#include "app/wizard_record.h"

#include <cerrno>
#include <cstring>

#include "app/commands.h"
#include "app/guarded_run.h"
#include "fw/console/terminal.h"
#include "platform/console.h"
#include "res/dialogs.h"

namespace relvo::app {

const char* ExitCodeName(int status) {
  switch (status) {
    case kUpdated: return "updated";
    case kOtherError: return "error";
    case kBadUsage: return "bad usage";
    case kCancelled: return "cancelled";
    case kRejected: return "rejected";
    case kFailed: return "failed";
    case kStopped: return "stopped after changes";
    case kPutBack: return "stopped and put back";
  }
  return "?";
}

RunLog::~RunLog() {
  if (file_) std::fclose(file_);
}

bool RunLog::open(const std::string& path) {
  std::FILE* f = open_append_file(path);
  if (f) attach(f, path);
  return f != nullptr;
}

void RunLog::attach(std::FILE* f, const std::string& name) {
  if (file_) std::fclose(file_);
  file_ = f;
  name_ = name;
  incomplete_ = false;
}

void RunLog::write(const std::string& event, const std::string& utf8Text) {
  if (!file_ || incomplete_) return;
  errno = 0;
  const bool written = std::fprintf(file_, "%s %s %s\n", local_time_text().c_str(), event.c_str(),
                                    fw::console::Utf8ForTerminal(utf8Text).c_str()) >= 0 &&
                       std::fflush(file_) == 0 && !std::ferror(file_);
  if (written) return;
  const int e = errno;
  incomplete_ = true;
  err_ << "relvo: the log " << fw::console::Utf8ForTerminal(name_) << " is incomplete: a line could not be written"
       << (e ? std::string(" (") + std::strerror(e) + ")" : std::string()) << "\n"
       << std::flush;
}

std::string LogText(const std::string& cp932) { return fw::console::ForTerminal(cp932); }

std::string LogPath(const std::string& cp932Path) { return path_for_user(cp932Path); }

namespace {

const char* PageName(int pageId) {
  switch (pageId) {
    case res::IDD_START: return "start";
    case res::IDD_DESTINATION: return "destination";
    case res::IDD_CONFIRM: return "confirm";
  }
  return "?";
}

std::string ResultName(int pageId, int result) {
  switch (result) {
    case fw::kIdOk: return "OK";
    case fw::kIdCancel: return pageId == res::IDD_START ? "cancel" : pageId == res::IDD_CONFIRM ? "back" : "esc";
    case res::IDC_BACK: return "back";
    case -1: return "not shown";
  }
  return "?";
}

}  // namespace

const char* OutcomeName(UpdateOutcome how) {
  switch (how) {
    case UpdateOutcome::Updated: return "updated";
    case UpdateOutcome::Cancelled: return "cancelled at a disk prompt";
    case UpdateOutcome::FolderRejected: return "folder rejected: no settings file";
    case UpdateOutcome::VersionRejected: return "folder rejected: this version cannot be updated";
    case UpdateOutcome::NotIdentified: return "product not identified";
    case UpdateOutcome::Failed: return "installation failed";
    case UpdateOutcome::DescriptorIncomplete: return "info.txt not read whole";
    case UpdateOutcome::Interrupted: return "interrupted";
  }
  return "?";
}

int ExitCodeOf(UpdateOutcome how, bool changed, bool restored) {
  if (how == UpdateOutcome::Updated || !changed) return ExitCodeOf(how);
  return restored ? kPutBack : kStopped;
}

void RestoreLog::put_back(const std::string& path, PutBackHow how) {
  log_.write("put-back", LogPath(path) + ": " + PutBackName(how));
}

void RestoreLog::kept(const std::string& path, const std::string& keptAs) {
  log_.write("kept", LogPath(path) + " -> " + LogPath(keptAs));
}

void WizardRecord::finish(int status) {
  if (finished_) return;
  finished_ = true;
  status_ = status;
}

int WizardRecord::message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) {
  const int answer = inner_.message_box(text, caption, buttons);
  log_.write("box", "[" + LogText(caption) + "] " + LogText(text) + ": " + (answer == fw::kIdOk ? "OK" : "Cancel"));
  return answer;
}

void WizardRecord::progress(const fw::Progress& p) {
  shown_ = p;
  inner_.progress(p);
}

void WizardRecord::step(const fw::Step& s) {
  if (s.kind == fw::Step::Kind::Reason) log_.write("reason", LogText(s.text));
  inner_.step(s);
}

void WizardRecord::row_ended(const fw::Progress& row, bool done) {
  const fw::Progress& p = shown_.row == row.row ? shown_ : row;
  if (done) rowsDone_ = row.row;
  log_.write("row", std::to_string(p.row) + "/" + std::to_string(p.rowCount) + (p.isArchive ? " extract " : " copy ") +
                        LogPath(p.source) + " -> " + LogPath(p.target) + ": " + (done ? "done" : "failed"));
}

void WizardRecord::settings_written(const std::string& path, const std::string& section, const std::string& key,
                                    const std::string& value, bool written) {
  log_.write("settings", LogPath(path) + " [" + LogText(section) + "] " + LogText(key) + "=" + LogText(value) + ": " +
                             (written ? "written" : "failed"));
}

void WizardRecord::voice_data(const std::string& archivePath, const std::string& waveFolder, bool done) {
  log_.write("voice", LogPath(archivePath + ".lzh") + " -> " + LogPath(waveFolder) + ": " + (done ? "done" : "failed"));
}

void WizardRecord::conversion(const char* name, int result, int files) {
  log_.write("conversion", std::string("material ") + name + ": " + std::to_string(files) +
                               (files == 1 ? " file" : " files") + ", " + (result != 0 ? "done" : "failed"));
}

void WizardRecord::descriptor_read(int result, const UpdateDescriptor& d) {
  const std::string path = LogPath(programFolder_ + "info.txt");
  // Said at once, before the pages (which then go on with what was read),
  // with the command that tells why.
  const std::string why = " (relvo check-media " + LogPath(programFolder_) + " tells why)\n";
  if (result != 1) {
    log_.write("descriptor", path + ": cannot be read");
    out_ << "relvo: " << path << " cannot be read" << why << std::flush;
  } else if (!d.complete) {
    log_.write("descriptor", path + ": not read whole");
    out_ << "relvo: " << path << " was not read whole" << why << std::flush;
  } else {
    log_.write("descriptor", path + ": " + std::to_string(d.rowCount()) + " rows");
  }
}

void WizardRecord::page_ended(int pageId, int result, const UpdateDescriptor& d) {
  std::string text = std::string(PageName(pageId)) + ": " + std::to_string(result) + " (" +
                     ResultName(pageId, result) + ")";
  if (pageId == res::IDD_DESTINATION && result == fw::kIdOk) text += ", folder " + LogText(d.installFolder);
  log_.write("page", text);
  const bool onward = result == fw::kIdOk || (pageId == res::IDD_DESTINATION && result == res::IDC_BACK) ||
                      (pageId == res::IDD_CONFIRM && result == fw::kIdCancel);
  if (onward) return;
  // The page closed the program. Unattended, a destination page shown again
  // after a rejected folder is left at once, and the rejection decides.
  if (result == -1)
    finish(kOtherError);
  else if (unattended_ && rejected_)
    finish(rejectedStatus_);
  else
    finish(kCancelled);
}

void WizardRecord::update_starting(const UpdateDescriptor& d) {
  rowsDone_ = 0;
  shown_ = fw::Progress();
  destination_ = d.installFolder;
  out_ << "destination: " << LogText(d.installFolder) << "\n" << std::flush;
  // The folder text, and where it lies when the platform writes it otherwise.
  const std::string text = LogText(d.installFolder), where = LogPath(d.installFolder);
  log_.write("destination", text == where ? text : text + " (" + where + ")");
}

void WizardRecord::update_ended(int result, UpdateOutcome how) {
  const bool changed = guarded_ && guarded_->changed, restored = guarded_ && guarded_->restored;
  std::string text = "returned " + std::to_string(result) + ": " + OutcomeName(how);
  if (guarded_ && guarded_->checkedStop) text += " (found by the check before changing: nothing changed)";
  if (how != UpdateOutcome::Updated && changed) {
    applied_ = "rows done " + std::to_string(rowsDone_) + "/" + std::to_string(shown_.rowCount);
    if (shown_.row > rowsDone_) applied_ += ", stopped in row " + std::to_string(shown_.row);
    text += std::string(", after changing files (") + applied_ + ")" + (restored ? ", put back" : "");
  }
  log_.write("update", text);
  if (guarded_ && !guarded_->roomText.empty() && unattended_)
    out_ << "relvo: " << guarded_->roomText << "; --no-restore-point updates without one\n" << std::flush;
  if (guarded_ && !guarded_->pointFolder.empty() && how != UpdateOutcome::Updated && changed && !restored)
    out_ << "relvo: the update stopped after changing files; its restore point " << LogPath(guarded_->pointFolder)
         << " puts them back: relvo restore --dest " << LogPath(destination_) << "\n" << std::flush;
  rejected_ = result != 1;
  rejectedStatus_ = ExitCodeOf(how);
  if (result == 1) finish(ExitCodeOf(how, changed, restored));
}

const char* WizardRecord::RestoreStatusName(int status) {
  switch (status) {
    case kUpdated: return "restored";
    case kOtherError: return "not restored";
    case kRejected: return "refused";
  }
  return ExitCodeName(status);
}

void WizardRecord::restore_starting(const UpdateDescriptor& d, const std::string& productPoints) {
  out_ << "destination: " << LogText(d.installFolder) << "\n" << std::flush;
  log_.write("restore", "of " + LogPath(d.installFolder) + " from " + LogPath(productPoints));
}

void WizardRecord::restore_ended(const RestoreOutcome& r) {
  if (r.found) log_.write("restore-point", r.point.id + " " + LogPath(r.point.folder));
  for (const std::string& p : r.changed) log_.write("changed", LogPath(p));
  int status = kOtherError;
  switch (r.result) {
    case RestoreResult::Restored:
      log_.write("restore", "restored " + std::to_string(r.putBack) + " paths");
      status = kUpdated;
      break;
    case RestoreResult::Refused:
      log_.write("restore", "refused: " + std::to_string(r.changed.size()) + " files changed since the update");
      status = kRejected;
      break;
    case RestoreResult::NothingToRestore: log_.write("restore", "nothing to restore: " + LogText(r.error)); break;
    case RestoreResult::Failed:
      log_.write("restore", "failed after " + std::to_string(r.putBack) + " paths: " + LogText(r.error));
      break;
  }
  restored_ = true;
  finish(status);
}

void WizardRecord::no_restore_point(const UpdateDescriptor& d) {
  log_.write("restore", "no restore point for " + LogPath(d.installFolder));
  rejected_ = true;
  rejectedStatus_ = kOtherError;
  restored_ = true;
}

}  // namespace relvo::app
