// What the console wizard keeps of a run: the log file (--log), the
// "destination:" line, and the exit status from the way the wizard ended.
#pragma once
#include <cstdio>
#include <ostream>
#include <string>

#include "engine/restore.h"
#include "engine/update_run.h"
#include "fw/ui.h"
#include "wizard/relvo_view.h"

namespace relvo::app {

// The exit statuses of relvo wizard and relvo update.
enum ExitCode {
  kUpdated = 0,
  kOtherError = 1,
  kBadUsage = 2,
  kCancelled = 3,  // nothing changed
  kRejected = 4,
  kFailed = 5,     // nothing changed
  kStopped = 6,    // the run stopped after changing files; they stay as it left them
  kPutBack = 7,    // the run stopped after changing files, and they were put back as before
};

// "updated", "error", ... for a status.
const char* ExitCodeName(int status);

// A plain UTF-8 log, appended: one line per event, "YYYY-MM-DD HH:MM:SS
// EVENT TEXT", each flushed as it is written, so that a run that dies
// leaves its log up to that point. Without a file it writes nothing. A line
// that cannot be written (a full disk) is told once on err, and the log is
// written no further: it ends where it stopped being whole.
class RunLog {
 public:
  explicit RunLog(std::ostream& err) : err_(err) {}
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Opens the file at path (UTF-8, as given on the command line) for
  // appending: a plain file only, never waiting (open_append_file). False
  // when it cannot be opened.
  bool open(const std::string& path);
  // Writes to f from now on (the log then owns it and closes it); name is
  // the file as messages name it (UTF-8).
  void attach(std::FILE* f, const std::string& name);
  // One line: event and text (UTF-8; control characters come escaped).
  void write(const std::string& event, const std::string& utf8Text);
  // True once a line could not be written: the file lacks it and every
  // line after it.
  bool incomplete() const { return incomplete_; }

 private:
  std::ostream& err_;
  std::FILE* file_ = nullptr;
  std::string name_;
  bool incomplete_ = false;
};

// "updated", "cancelled at a disk prompt", ... for the log.
const char* OutcomeName(UpdateOutcome how);

// The exit status of relvo wizard and relvo update for a run that ended as
// how, having changed files (changed) and put them back (restored).
int ExitCodeOf(UpdateOutcome how, bool changed, bool restored);

// A CP932 text for the log, one line (control characters escaped).
std::string LogText(const std::string& cp932);
// A CP932 path for the log or the terminal, as a user of the platform
// writes it.
std::string LogPath(const std::string& cp932Path);

// Writes each path a restore puts back, and each newer copy it keeps, to
// the log ("put-back", "kept").
class RestoreLog final : public RestoreEvents {
 public:
  explicit RestoreLog(RunLog& log) : log_(log) {}
  void put_back(const std::string& path, PutBackHow how) override;
  void kept(const std::string& path, const std::string& keptAs) override;

 private:
  RunLog& log_;
};

struct GuardedEnd;

// Sits between the run and the console's user interface: every box and
// row, every page result and run event goes to the log; it prints the
// destination of each update run on out, and works out the exit status.
class WizardRecord final : public fw::Ui, public RunEvents, public WizardEvents {
 public:
  WizardRecord(fw::Ui& inner, RunLog& log, std::ostream& out, bool unattended)
      : inner_(inner), log_(log), out_(out), unattended_(unattended) {}

  // The exit status: from the page or the run that ended the wizard;
  // kOtherError when it ended in no way the wizard reports.
  int status() const { return status_; }

  // fw::Ui: passed on to inner.
  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override;
  void begin_wait_cursor() override { inner_.begin_wait_cursor(); }
  void end_wait_cursor() override { inner_.end_wait_cursor(); }
  void progress(const fw::Progress& p) override;
  // Passed on; a refused folder's reason is logged too.
  void step(const fw::Step& s) override;

  // RunEvents.
  void row_ended(const fw::Progress& row, bool done) override;
  void settings_written(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, bool written) override;
  void voice_data(const std::string& archivePath, const std::string& waveFolder, bool done) override;
  void conversion(const char* name, int result, int files) override;

  // WizardEvents.
  void descriptor_read(int result, const UpdateDescriptor& d) override;
  void page_ended(int pageId, int result, const UpdateDescriptor& d) override;
  void update_starting(const UpdateDescriptor& d) override;
  void update_ended(int result, UpdateOutcome how) override;
  // A restore: its place and outcome to the log, its folder on out, and the
  // exit status of relvo restore (0 restored, 1 nothing to restore or an
  // error, 4 refused).
  void restore_starting(const UpdateDescriptor& d, const std::string& productPoints) override;
  void restore_ended(const RestoreOutcome& r) override;
  void no_restore_point(const UpdateDescriptor& d) override;
  // The name of status() for the log's end line.
  const char* status_name() const { return restored_ ? RestoreStatusName(status_) : ExitCodeName(status_); }
  static const char* RestoreStatusName(int status);

  void set_program_folder(const std::string& folder) { programFolder_ = folder; }
  // How each guarded run ended beyond its outcome (files changed, put
  // back), read when the run has ended; nullptr: runs change nothing they
  // do not complete.
  void set_guarded_end(const GuardedEnd* end) { guarded_ = end; }
  // What the update applied, for the log's end line: "rows done 4/6,
  // stopped in row 5"; empty when no run stopped after changing files.
  const std::string& applied() const { return applied_; }

 private:
  void finish(int status);

  fw::Ui& inner_;
  RunLog& log_;
  std::ostream& out_;
  bool unattended_;
  std::string programFolder_;
  fw::Progress shown_;  // the row as its progress line named it
  int rowsDone_ = 0;    // rows of the last run that ended done
  const GuardedEnd* guarded_ = nullptr;
  std::string applied_;
  std::string destination_;  // of the last run
  bool finished_ = false;
  int status_ = kOtherError;
  bool rejected_ = false;  // the last run sent the wizard back to the destination page
  int rejectedStatus_ = kOtherError;  // what ends an unattended wizard sent back to the destination page
  bool restored_ = false;             // a restore ended the wizard
};

}  // namespace relvo::app
