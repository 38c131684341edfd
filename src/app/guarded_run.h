// The update run as relvo wizard, relvo update and relvow.exe carry it out:
// first the same run dry, so that a run that would stop changes nothing; a
// restore point of everything it changes, its room checked before; Ctrl-C
// taken as a request to stop at a safe point; and after a run that stopped
// having changed files, the way back to the product as it was.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "app/run_host.h"
#include "app/wizard_record.h"
#include "engine/restore_point.h"
#include "wizard/relvo_view.h"

namespace relvo::app {

// The layer over the product's files of a program's real runs
// (RunParts::overProduct, made once, before the program folder is known):
// while a run is in hand, each path is recorded by that run's restore point
// (when it keeps one) before its first change, changes are counted, and
// once the run is to stop, the next file or folder it starts throws
// RunInterrupted instead, so that the file in hand is finished and nothing
// is left half written. Outside a run it hands everything on.
class RunGate final : public PathRecorder {
 public:
  FileLayerHook layer();

  // A run begins: point (nullptr: none) records, stop tells when to stop.
  void begin(RestorePointWriter* point, std::function<bool()> stop);
  void end();
  // Changes let through since begin (each one recorded first).
  std::size_t changes() const { return changes_; }

  // PathRecorder, for the recording layer.
  bool record(FileSystem& product, std::initializer_list<std::string> paths) override;
  // Throws RunInterrupted when the run in hand is to stop.
  void before_new_file() const;

 private:
  RestorePointWriter* point_ = nullptr;
  std::function<bool()> stop_;
  bool running_ = false;
  std::size_t changes_ = 0;
};

struct GuardOptions {
  bool restorePoint = true;  // false: --no-restore-point
  std::string pointBase;     // CP932 folder text; empty: DefaultRestorePointBase()
  bool rollback = false;     // unattended: put a stopped run's changes back
  bool unattended = false;   // no box offers a choice
  int keep = 3;              // points kept per product
  // The room on the disk of a folder (CheckRoom when empty).
  std::function<RoomCheck(const std::string& base, std::uint64_t needed)> checkRoom;
};

// How the last guarded run ended, beyond its UpdateOutcome.
struct GuardedEnd {
  bool checkedStop = false;  // the check before changing found it would stop: nothing changed
  bool noRoom = false;       // unattended, no room for the point: nothing changed
  bool changed = false;      // the run changed files
  bool restored = false;     // and they were put back as before
  std::string pointFolder;   // the point the run kept (CP932); empty: none
  std::string roomText;      // why no point was kept for want of room (UTF-8); empty otherwise
};

class GuardedRun final : public UpdateRunner {
 public:
  // run: the real run's host, put together with gate.layer(); log: the
  // program's log. All outlive this object.
  GuardedRun(RunHost& run, RunGate& gate, GuardOptions options, RunLog& log)
      : run_(run), gate_(gate), options_(std::move(options)), log_(log) {}

  int Run(Host& host, UpdateDescriptor& d, const std::string& programFolder, UpdateOutcome* how) override;
  const GuardedEnd& end() const { return end_; }

 private:
  // The dry run: false when the run would stop after changing files (it
  // was shown; how and the result are set). needed: the point's size;
  // refused: the run will refuse the folder before changing anything.
  bool Check(Host& host, const UpdateDescriptor& d, const std::string& programFolder, std::uint64_t& needed,
             UpdateOutcome& how, int& result, bool& refused);
  // Where the point goes; false when the user (or the unattended rule)
  // stops the run for want of room. points is left empty for no point.
  bool ChoosePoint(Host& host, const UpdateDescriptor& d, std::uint64_t needed, std::string& points);
  // After a stop with changes: asks (or, unattended, --rollback decides)
  // and restores.
  void OfferRestore(Host& host, const RestorePointWriter& point, const std::string& points);

  RunHost& run_;
  RunGate& gate_;
  GuardOptions options_;
  RunLog& log_;
  GuardedEnd end_;
};

}  // namespace relvo::app
