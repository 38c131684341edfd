// The guarded update run: the check before changing, the restore point and
// its room, the stop at a safe point, and the way back after a stop.
#include "app/guarded_run.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "engine/recording_files.h"
#include "engine/restore.h"
#include "platform/interrupt.h"

namespace relvo::app {

namespace {

const char* const kCaption = "確認";
const char* const kNothingChanged = "ﾌｧｲﾙは何も変更していません。";
const char* const kCheckStops = "更新前の確認で、このｱｯﾌﾟﾃﾞｲﾄは途中で止まることがわかりました。";
const char* const kInterrupted = "ｱｯﾌﾟﾃﾞｲﾄを中断しました。";
const char* const kAskRestore =
    "ｱｯﾌﾟﾃﾞｲﾄが途中で終了したため、一部のﾌｧｲﾙだけが更新されています。\n更新前の状態に戻しますか？";
const char* const kRestored = "更新前の状態に戻しました。";
const char* const kNotRestored = "更新前の状態に戻せませんでした。";
const char* const kNoRoomAsk = "\n復元ﾎﾟｲﾝﾄなしで更新すると、更新前の状態には戻せません。このまま更新しますか？";
const char* const kNoRoomStop = "\n更新は行っていません。";

// The layer over the product's files: the recording layer of the gate,
// with the stop before each file or folder the run starts.
struct RecordingBelow {
  RecordingBelow(FileSystem& below, PathRecorder& point) : recording_(below, point) {}
  RecordingFileSystem recording_;
};
class GateFiles final : private RecordingBelow, public DelegatingFileSystem {
 public:
  GateFiles(FileSystem& below, RunGate& gate)
      : RecordingBelow(below, gate), DelegatingFileSystem(static_cast<FileSystem&>(recording_)), gate_(gate) {}

  bool make_dir(const std::string& p) override { return gate_.before_new_file(), recording_.make_dir(p); }
  bool copy_file(const std::string& f, const std::string& t) override {
    return gate_.before_new_file(), recording_.copy_file(f, t);
  }
  std::unique_ptr<FileWriter> create(const std::string& p) override {
    return gate_.before_new_file(), recording_.create(p);
  }
  std::unique_ptr<FileWriter> create_temp(const std::string& p) override {
    return gate_.before_new_file(), recording_.create_temp(p);
  }
  std::unique_ptr<FileReader> open_exclusive(const std::string& p) override { return recording_.open_exclusive(p); }

 private:
  RunGate& gate_;
};

// "12.3 MB"
std::string Megabytes(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = 1024 * 1024;
  return std::to_string(bytes / kMiB) + "." + std::to_string(bytes % kMiB * 10 / kMiB) + " MB";
}

std::string RowText(const fw::Progress& row) {
  if (row.row == 0) return "before the first row";
  return "at row " + std::to_string(row.row) + "/" + std::to_string(row.rowCount) +
         (row.isArchive ? " extract " : " copy ") + LogPath(row.source);
}

}  // namespace

// ---- The gate.

FileLayerHook RunGate::layer() {
  return [this](FileSystem& below) { return std::make_unique<GateFiles>(below, *this); };
}

void RunGate::begin(RestorePointWriter* point, std::function<bool()> stop) {
  point_ = point;
  stop_ = std::move(stop);
  running_ = true;
  changes_ = 0;
}

void RunGate::end() {
  point_ = nullptr;
  stop_ = nullptr;
  running_ = false;
}

bool RunGate::record(FileSystem& product, std::initializer_list<std::string> paths) {
  if (!running_) return true;
  if (point_ && !point_->record(product, paths)) return false;
  ++changes_;
  return true;
}

void RunGate::before_new_file() const {
  if (running_ && stop_ && stop_()) throw RunInterrupted{};
}

// ---- The run.

bool GuardedRun::Check(Host& host, const UpdateDescriptor& d, const std::string& programFolder,
                       std::uint64_t& needed, UpdateOutcome& how, int& result, bool& refused) {
  const RunParts& parts = run_.parts();
  // Every disk at hand: a floppy set given as folders, or one folder on a
  // drive whose disks are not changed by hand. Otherwise the rows up to the
  // first disk prompt are what can be checked.
  const bool wholeMedia = parts.disks.size() > 1 || parts.system.drive_type(programFolder) != kDriveRemovable;
  PointSizeCounter counter;
  Plan plan;
  LastBox box;
  int disk = 1;
  {
    fw::WaitCursor wait(host.ui);
    RunHost dry(parts, RunHost::Dry{RecordingLayer(counter)});
    dry.host().stopRequested = [] { return interrupt::requested(); };
    plan = RunOnCopy(dry, d, d.installFolder);
    box = dry.last_box();
    disk = dry.disk_in_drive();
  }
  needed = counter.needed();
  const bool prompted =
      std::any_of(plan.steps.begin(), plan.steps.end(), [](const PlanStep& s) { return s.kind == "prompt"; });
  if (plan.outcome == UpdateOutcome::Interrupted) return true;  // the run stops before it starts
  const bool stops = plan.outcome == UpdateOutcome::Failed || plan.outcome == UpdateOutcome::Cancelled ||
                     plan.outcome == UpdateOutcome::NotIdentified;
  refused = plan.outcome == UpdateOutcome::FolderRejected || plan.outcome == UpdateOutcome::VersionRejected;
  if (refused) return true;  // the run says so itself, and changes nothing
  const std::string checked = wholeMedia ? "the whole update" : "the rows of disk 1";
  const std::string size = "; a restore point needs " + std::to_string(needed) + " bytes for " +
                           std::to_string(counter.paths()) + " paths";
  // A run that stops before changing anything stops as well on its own;
  // beyond the first disk of a drive changed by hand nothing is known.
  if (!stops || counter.paths() == 0 || (!wholeMedia && prompted)) {
    log_.write("check", checked + ": " + OutcomeName(plan.outcome) + size);
    return true;
  }
  end_.checkedStop = true;
  log_.write("check", checked + ": would stop " + RowText(box.row) + " (" + OutcomeName(plan.outcome) +
                          "): nothing changed");
  std::string why = kCheckStops;
  if (plan.outcome == UpdateOutcome::Cancelled) {
    // The disk asked for last lacks what its prompt looks for.
    const std::string folder = parts.disks[static_cast<std::size_t>(std::max(disk, 1)) - 1];
    why = "更新前の確認で、" + std::to_string(disk) + " 枚目のｱｯﾌﾟﾃﾞｲﾄFD (" + folder +
          ") に必要なﾌｧｲﾙがないことがわかりました。";
  } else if (!box.text.empty()) {
    host.ui.message_box(box.text, box.caption, fw::Buttons::Ok);  // the row's own box
  }
  host.ui.message_box(why + "\n" + kNothingChanged, kCaption, fw::Buttons::Ok);
  // A product that cannot be identified sends a person back to the
  // destination page, as the run itself does.
  how = plan.outcome == UpdateOutcome::NotIdentified ? UpdateOutcome::NotIdentified : UpdateOutcome::Failed;
  result = how == UpdateOutcome::NotIdentified ? 0 : 1;
  return false;
}

bool GuardedRun::ChoosePoint(Host& host, const UpdateDescriptor& d, std::uint64_t needed, std::string& points) {
  points.clear();
  if (!options_.restorePoint) {
    log_.write("restore-point", "none (--no-restore-point)");
    return true;
  }
  const std::string base = options_.pointBase.empty() ? DefaultRestorePointBase() : options_.pointBase;
  RoomCheck room;
  if (!base.empty()) room = options_.checkRoom ? options_.checkRoom(base, needed) : CheckRoom(base, needed);
  // Where the free space cannot be told, the point is tried: a point whose
  // disk fills refuses the change it would not keep, and the run stops.
  if (!base.empty() && (room.enough() || !room.known)) {
    points = ProductPointsFolder(run_.parts().disk, base, d.installFolder);
    log_.write("restore-points", LogPath(points) + ": " + std::to_string(needed) + " bytes needed, " +
                                     (room.known ? std::to_string(room.available) + " free" : "free space unknown"));
    return true;
  }
  std::string text;
  if (base.empty()) {
    end_.roomText = "no folder for restore points here (--restore-point DIR names one)";
    text = "復元ﾎﾟｲﾝﾄを保存するﾌｫﾙﾀﾞがありません。";
  } else {
    end_.roomText = "not enough room for the restore point in " + LogPath(base) + ": it needs " +
                    std::to_string(needed) + " bytes, " + std::to_string(room.available) + " are free";
    text = "復元ﾎﾟｲﾝﾄを保存する空き容量が足りません。\n" + base + "\n必要: " + Megabytes(needed) +
           "、空き: " + Megabytes(room.available);
  }
  log_.write("restore-point", end_.roomText);
  if (options_.unattended) {
    host.ui.message_box(text + kNoRoomStop, kCaption, fw::Buttons::Ok);
    end_.noRoom = true;
    return false;
  }
  if (host.ui.message_box(text + kNoRoomAsk, kCaption, fw::Buttons::OkCancel) != fw::kIdOk) return false;
  log_.write("restore-point", "none: the update goes on without one");
  return true;
}

void GuardedRun::OfferRestore(Host& host, const RestorePointWriter& point, const std::string& points) {
  if (options_.unattended) {
    if (!options_.rollback) return;
    log_.write("rollback", "--rollback: the product is put back as before the update");
  } else if (host.ui.message_box(kAskRestore, kCaption, fw::Buttons::OkCancel) != fw::kIdOk) {
    return;
  }
  RestoreLog events(log_);
  RestoreRequest request;
  request.pointId = point.id();
  const RestoreOutcome r = RestoreProduct(run_.parts().disk, run_.parts().disk, points, request, &events);
  if (r.result == RestoreResult::Restored) {
    end_.restored = true;
    log_.write("rollback", "restored " + std::to_string(r.putBack) + " paths");
    host.ui.message_box(kRestored, kCaption, fw::Buttons::Ok);
    return;
  }
  std::string why = r.error;
  if (r.result == RestoreResult::Refused) {
    why = "更新後に変更されたﾌｧｲﾙがあります:";
    for (const std::string& p : r.changed) why += "\n" + p;
  }
  log_.write("rollback", "not restored: " + LogText(why));
  host.ui.message_box(std::string(kNotRestored) + (why.empty() ? "" : "\n" + why), kCaption, fw::Buttons::Ok);
}

int GuardedRun::Run(Host& host, UpdateDescriptor& d, const std::string& programFolder, UpdateOutcome* how) {
  end_ = GuardedEnd{};
  // A descriptor cut short is refused before anything is looked at.
  if (!d.complete) return RunUpdate(host, d, programFolder, how);
  // From here on Ctrl-C asks the run to stop, the check before it included.
  interrupt::Guard signals;
  UpdateOutcome outcome = UpdateOutcome::Failed;
  int result = 1;
  std::uint64_t needed = 0;
  std::string points;
  bool refused = false;  // the run refuses the folder before it changes anything
  if (!Check(host, d, programFolder, needed, outcome, result, refused) ||
      (!refused && !ChoosePoint(host, d, needed, points))) {
    if (!end_.checkedStop) outcome = end_.noRoom ? UpdateOutcome::Failed : UpdateOutcome::Cancelled;
    if (how) *how = outcome;
    return result;
  }
  if (interrupt::requested()) {
    host.ui.message_box(kInterrupted, kCaption, fw::Buttons::Ok);
    if (how) *how = UpdateOutcome::Interrupted;
    return 1;
  }

  std::optional<RestorePointWriter> point;
  if (!points.empty()) point.emplace(run_.parts().disk, points, d.installFolder);
  Host guarded = host;
  guarded.stopRequested = [] { return interrupt::requested(); };
  {
    gate_.begin(point ? &*point : nullptr, guarded.stopRequested);
    try {
      result = RunUpdate(guarded, d, programFolder, &outcome);
    } catch (...) {
      gate_.end();
      if (point) point->finish(run_.parts().disk, options_.keep);
      throw;
    }
    gate_.end();
    end_.changed = gate_.changes() > 0;
    // Sealed before anything else is said: a kill from now on finds it whole.
    if (point && point->started()) {
      const bool sealed = point->finish(run_.parts().disk, options_.keep);
      end_.pointFolder = point->folder();
      log_.write("restore-point", point->id() + " " + LogPath(point->folder()) +
                                      (sealed ? "" : ": not sealed (" + LogText(point->error()) + ")"));
    } else if (point && point->broken()) {
      log_.write("restore-point", "not made: " + LogText(point->error()));
    }
  }
  if (outcome == UpdateOutcome::Interrupted) host.ui.message_box(kInterrupted, kCaption, fw::Buttons::Ok);
  if (outcome != UpdateOutcome::Updated && end_.changed) {
    // The product was changed: the wizard ends here, whatever the stop.
    result = 1;
    if (point && point->started()) OfferRestore(host, *point, points);
  }
  if (how) *how = outcome;
  return result;
}

}  // namespace relvo::app
