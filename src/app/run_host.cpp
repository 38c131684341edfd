// The one assembly of a run's host, real or dry, and the floppy set's drive,
// changer and system information.
#include "app/run_host.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "archive/lzh_library.h"
#include "base/sjis.h"
#include "engine/recording_files.h"
#include "platform/delegating_files.h"
#include "platform/overlay_files.h"

namespace relvo::app {

namespace {

bool StartsWith(const std::string& path, const std::string& folder) {
  return path.size() >= folder.size() && sjis::iequals(std::string_view(path).substr(0, folder.size()), folder);
}

// The drive of a floppy set kept as folders: a media path (the program
// folder followed by a name, as the run builds it) reads the disk put in
// last; every other path is the disk's own. It changes paths only, so it
// hands every call on, the disk's exclusive opens and temporary files too.
class FloppyDrive final : public DelegatingFileSystem, public DiskChanger {
 public:
  FloppyDrive(FileSystem& inner, const std::vector<std::string>& disks) : DelegatingFileSystem(inner), disks_(disks) {}

  // A disk without a folder leaves the drive as it is.
  void insert(int disk) override {
    if (disk < 1 || static_cast<std::size_t>(disk) > disks_.size()) return;
    inserted_ = disk == 1 ? std::string() : disks_[static_cast<std::size_t>(disk) - 1];
    disk_ = disk;
  }
  int disk() const { return disk_; }

  // A path as the layer below reads it.
  std::string where(const std::string& p) const {
    if (inserted_.empty() || !StartsWith(p, disks_.front())) return p;
    return inserted_ + p.substr(disks_.front().size());
  }

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
  std::unique_ptr<FileReader> open_exclusive(const std::string& p) override { return inner_.open_exclusive(where(p)); }
  std::unique_ptr<FileWriter> create(const std::string& p) override { return inner_.create(where(p)); }
  std::unique_ptr<FileWriter> create_temp(const std::string& p) override { return inner_.create_temp(where(p)); }
  bool is_writable(const std::string& p) override { return inner_.is_writable(where(p)); }

 private:
  const std::vector<std::string>& disks_;
  std::string inserted_;  // the folder in the drive; empty: the program folder's own
  int disk_ = 1;
};

// The system as a floppy set's run sees it: the set's drive is removable.
class FloppySystem final : public SystemInfo {
 public:
  FloppySystem(SystemInfo& inner, const std::string& programFolder) : inner_(inner), programFolder_(programFolder) {}
  int drive_type(const std::string& path) override {
    return StartsWith(path, programFolder_) ? kDriveRemovable : inner_.drive_type(path);
  }
  std::string windows_folder() override { return inner_.windows_folder(); }

 private:
  SystemInfo& inner_;
  const std::string& programFolder_;
};

// Progress lines that name the disk a floppy set's row is read from.
class FloppyProgress final : public fw::Ui {
 public:
  FloppyProgress(fw::Ui& inner, const FloppyDrive& drive) : inner_(inner), drive_(drive) {}
  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override {
    return inner_.message_box(text, caption, buttons);
  }
  void begin_wait_cursor() override { inner_.begin_wait_cursor(); }
  void end_wait_cursor() override { inner_.end_wait_cursor(); }
  void progress(const fw::Progress& p) override {
    fw::Progress shown = p;
    shown.source = drive_.where(p.source);
    inner_.progress(shown);
  }
  void step(const fw::Step& s) override { inner_.step(s); }

 private:
  fw::Ui& inner_;
  const FloppyDrive& drive_;
};

// The user interface of a run nobody attends; it keeps the last box.
class UnattendedUi final : public fw::Ui {
 public:
  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override {
    last_.text = text;
    last_.caption = caption;
    last_.row = row_;
    return answers_.answer(text, buttons);
  }
  void begin_wait_cursor() override {}
  void end_wait_cursor() override {}
  void progress(const fw::Progress& p) override {
    row_ = p;
    answers_.progressed();
  }
  const LastBox& last() const { return last_; }

 private:
  fw::UnattendedAnswers answers_;
  fw::Progress row_;
  LastBox last_;
};

}  // namespace

// Every layer of the host, in the order they are put together, each over
// the ones before it.
struct RunHost::Layers {
  std::optional<FloppyDrive> floppyDrive;
  std::optional<OverlayFileSystem> memory;   // dry
  std::unique_ptr<FileSystem> overProduct;   // real, from the hook
  FileSystem* product = nullptr;             // the product's file layer
  std::optional<StepRecorder> recorder;
  std::optional<lzh::LzhLibrary> lzh;
  std::optional<UnattendedUi> unattended;    // dry
  std::optional<FloppyProgress> floppyProgress;
  std::optional<FloppySystem> floppySystem;
  std::optional<Host> host;
};

FileLayerHook RecordingLayer(PathRecorder& point) {
  return [&point](FileSystem& below) { return std::make_unique<RecordingFileSystem>(below, point); };
}

RunHost::RunHost(RunParts parts, fw::Ui& ui, RunEvents* events, bool record)
    : RunHost(std::move(parts), &ui, events, record, nullptr) {}

RunHost::RunHost(RunParts parts, Dry dry) : RunHost(std::move(parts), nullptr, nullptr, true, &dry.overProduct) {}

RunHost::RunHost(RunParts parts, fw::Ui* ui, RunEvents* events, bool record, FileLayerHook* dryLayer)
    : parts_(std::move(parts)), layers_(std::make_unique<Layers>()) {
  const bool dry = dryLayer != nullptr;
  if (parts_.disks.empty()) throw std::invalid_argument("a run needs the folder of its first disk");
  Layers& l = *layers_;
  const bool floppySet = parts_.disks.size() > 1;

  // The drive, then the product's file layer over it: in memory for a dry
  // run, then the hook's layer when there is one.
  FileSystem* files = &parts_.disk;
  if (floppySet) files = &l.floppyDrive.emplace(*files, parts_.disks);
  if (dry) files = &l.memory.emplace(*files, ReadBackByRun);  // keeps whole only what the run reads back
  const FileLayerHook& over = dry ? *dryLayer : parts_.overProduct;
  if (over) {
    l.overProduct = over(*files);
    if (!l.overProduct) throw std::logic_error("the layer over the product's files was not made");
    files = l.overProduct.get();
  }
  l.product = files;

  // The archive library works on what the run works on, the recording
  // included, so that each member it writes is a step of the run.
  if (record) files = &l.recorder.emplace().files(*files);
  ArchiveLibrary* library = &l.lzh.emplace(*files);
  if (record) library = &l.recorder->library(*library);

  fw::Ui* shown = dry ? &l.unattended.emplace() : ui;
  if (record) shown = &l.recorder->ui(*shown);
  if (floppySet) shown = &l.floppyProgress.emplace(*shown, *l.floppyDrive);

  SystemInfo* system = &parts_.system;
  if (floppySet) system = &l.floppySystem.emplace(*system, parts_.disks.front());

  l.host.emplace(Host{*files, *system, *library, *shown, nullptr, events,
                      floppySet ? static_cast<DiskChanger*>(&*l.floppyDrive) : nullptr});
}

RunHost::~RunHost() = default;

Host& RunHost::host() { return *layers_->host; }

FileSystem& RunHost::files() { return *layers_->product; }

const LastBox& RunHost::last_box() const {
  static const LastBox kNone;
  return layers_->unattended ? layers_->unattended->last() : kNone;
}

int RunHost::disk_in_drive() const { return layers_->floppyDrive ? layers_->floppyDrive->disk() : 1; }

std::vector<PlanStep> RunHost::steps(UpdateOutcome how) {
  return layers_->recorder ? layers_->recorder->steps(how) : std::vector<PlanStep>();
}

Plan RunOnCopy(RunHost& host, const UpdateDescriptor& d, const std::string& productFolder) {
  UpdateDescriptor copy = d;
  copy.installFolder = productFolder;
  Plan plan;
  RunUpdate(host.host(), copy, host.program_folder(), &plan.outcome);
  plan.steps = host.steps(plan.outcome);
  return plan;
}

}  // namespace relvo::app
