// The media drive of a set of disk folders, and its changer.
#include "app/media_drive.h"

#include "base/cnum.h"
#include "base/sjis.h"

namespace relvo::app {

MediaDrive::MediaDrive(FileSystem& inner, std::vector<std::string> disks)
    : DelegatingFileSystem(inner), disks_(std::move(disks)) {}

void MediaDrive::insert_asked(const std::string& promptText) {
  const int disk = c_atoi(promptText);
  if (disk < 1 || static_cast<std::size_t>(disk) > disks_.size()) return;
  const std::string& folder = disks_[static_cast<std::size_t>(disk) - 1];
  disk_ = folder == disks_.front() ? std::string() : folder;
}

std::string MediaDrive::where(const std::string& p) const {
  // Media paths are the program folder followed by a name, as the run
  // builds them.
  if (disk_.empty() || disks_.empty()) return p;
  const std::string& programFolder = disks_.front();
  if (p.size() < programFolder.size() ||
      !sjis::iequals(std::string_view(p).substr(0, programFolder.size()), programFolder))
    return p;
  return disk_ + p.substr(programFolder.size());
}

int DiskChanger::message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) {
  const int answer = inner_.message_box(text, caption, buttons);
  if (buttons == fw::Buttons::OkCancel && answer == fw::kIdOk) drive_.insert_asked(text);
  return answer;
}

void DiskChanger::progress(const fw::Progress& p) {
  fw::Progress shown = p;
  shown.source = drive_.where(p.source);
  inner_.progress(shown);
}

int DiskChanger::drive_type(const std::string& path) {
  const std::vector<std::string>& disks = drive_.disks();
  if (disks.size() > 1 && path.size() >= disks.front().size() &&
      sjis::iequals(std::string_view(path).substr(0, disks.front().size()), disks.front()))
    return kDriveRemovable;
  return sys_.drive_type(path);
}

}  // namespace relvo::app
