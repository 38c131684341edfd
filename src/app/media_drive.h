// The drive of the update media for runs given one folder per disk: the
// program folder shows the disk put in last, and a disk prompt answered OK
// puts in the disk it asks for. The dry run and the console wizard use it.
#pragma once
#include <string>
#include <vector>

#include "fw/ui.h"
#include "platform/delegating_files.h"
#include "platform/system.h"

namespace relvo::app {

class MediaDrive final : public DelegatingFileSystem {
 public:
  // disks are the folders of disk 1, 2, ... (CP932 program folders);
  // disks[0] is the program folder and is in the drive at first.
  MediaDrive(FileSystem& inner, std::vector<std::string> disks);

  const std::vector<std::string>& disks() const { return disks_; }
  // Puts the disk that a prompt asks for in the drive: the prompt names
  // its disk number first, as a person reads it. A number without a folder
  // leaves the drive as it is.
  void insert_asked(const std::string& promptText);
  // A path as the file layer below reads it: a media path (the program
  // folder followed by a name) on the disk in the drive.
  std::string where(const std::string& path) const;

  bool exists(const std::string& p) override { return inner_.exists(where(p)); }
  bool make_dir(const std::string& p) override { return inner_.make_dir(where(p)); }
  bool is_plain_folder(const std::string& p) override { return inner_.is_plain_folder(where(p)); }
  bool copy_file(const std::string& f, const std::string& t) override { return inner_.copy_file(where(f), where(t)); }
  bool get_status(const std::string& p, FileStatus& st) override { return inner_.get_status(where(p), st); }
  bool set_status(const std::string& p, const FileStatus& st) override { return inner_.set_status(where(p), st); }
  bool remove(const std::string& p) override { return inner_.remove(where(p)); }
  bool rename(const std::string& f, const std::string& t) override { return inner_.rename(where(f), where(t)); }
  std::vector<FoundEntry> find(const std::string& pattern) override { return inner_.find(where(pattern)); }
  std::unique_ptr<FileReader> open_read(const std::string& p) override { return inner_.open_read(where(p)); }
  std::unique_ptr<FileWriter> create(const std::string& p) override { return inner_.create(where(p)); }
  bool is_writable(const std::string& p) override { return inner_.is_writable(where(p)); }

 private:
  std::vector<std::string> disks_;
  std::string disk_;  // the folder in the drive; empty: the program folder's own
};

// A disk changer over a MediaDrive for a run that a person or a script
// answers: its user interface passes every box to inner and, when a prompt
// with Cancel is answered OK, puts the disk asked for in the drive; its
// progress lines name the disk that is read. Its system information calls
// the media drive removable, so that the run prompts for each disk.
class DiskChanger final : public fw::Ui, public SystemInfo {
 public:
  DiskChanger(MediaDrive& drive, SystemInfo& sys, fw::Ui& inner) : drive_(drive), sys_(sys), inner_(inner) {}

  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override;
  void begin_wait_cursor() override { inner_.begin_wait_cursor(); }
  void end_wait_cursor() override { inner_.end_wait_cursor(); }
  void progress(const fw::Progress& p) override;
  void step(const fw::Step& s) override { inner_.step(s); }

  int drive_type(const std::string& path) override;
  std::string windows_folder() override { return sys_.windows_folder(); }

 private:
  MediaDrive& drive_;
  SystemInfo& sys_;
  fw::Ui& inner_;
};

}  // namespace relvo::app
