// A run's host, put together in one place: the drive of the update media
// (one folder, or a floppy set of folders with its changer), the product's
// file layer, our LZH library on that layer, the system information and the
// events. relvo wizard, relvo update, relvow.exe and the dry run behind
// check-media --plan all take their host from here.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/update_plan.h"
#include "engine/restore_point.h"
#include "engine/update_run.h"
#include "fw/ui.h"
#include "platform/files.h"
#include "platform/system.h"

namespace relvo::app {

// A layer put over the product's file layer of a real run (a restore
// point): the run and the archive library reach the disk only through it,
// so it sees every change, each member the library writes included, before
// the layer below makes it. Called once, as the host is put together, with
// the layer below (the disk, or the floppy set's drive over it); the host
// owns the layer returned and keeps it for its own life.
using FileLayerHook = std::function<std::unique_ptr<FileSystem>(FileSystem& below)>;

// What a run's host is put together from. A real run and its dry run are
// put together from the same parts.
struct RunParts {
  FileSystem& disk;    // the machine's file layer
  SystemInfo& system;  // the machine's system information
  // The program folders (CP932) of disk 1, 2, ...; disks[0] is the program
  // folder. Two or more are a floppy set kept as folders: its drive counts
  // as removable, so that the run asks for each disk, and the prompt for
  // disk n answered OK puts disks[n - 1] in the drive (a disk without a
  // folder leaves the drive as it is); progress lines name the disk read.
  // One folder is a drive whose disks, when it is removable, the user
  // changes by hand.
  std::vector<std::string> disks;
  // The real run's layer over the product's file layer; empty: none.
  FileLayerHook overProduct;
};

// A hook that puts the recording layer of point over the product's files
// (engine/recording_files.h): a RestorePointWriter for a real run, a
// PointSizeCounter for a dry run. point outlives the host.
FileLayerHook RecordingLayer(PathRecorder& point);

// The box a run showed last and the row it was on then.
struct LastBox {
  std::string text, caption;  // CP932; empty when the run showed no box
  fw::Progress row;           // row 0 when it showed none
};

class RunHost {
 public:
  // Selects the dry run's constructor; overProduct, when set, is put over
  // the in-memory layer as a real run's is over the disk (a point's size
  // counted).
  struct Dry {
    FileLayerHook overProduct;
  };

  // A real run's host: every change reaches the disk, through
  // parts.overProduct when there is one; boxes and progress lines go to ui,
  // and events, when given, hear what the run did. record: every step is
  // kept as well (steps()), to set a run beside its plan.
  RunHost(RunParts parts, fw::Ui& ui, RunEvents* events = nullptr, bool record = false);
  // A dry run's host, put together from the same parts with two swapped:
  // the product's file layer reads the disk and keeps every change in
  // memory (parts.overProduct is not used: nothing reaches the disk; the
  // dry run's own dry.overProduct is), and the user interface answers as an
  // unattended run does (fw::UnattendedAnswers). Every step is recorded.
  RunHost(RunParts parts, Dry dry);
  ~RunHost();
  RunHost(const RunHost&) = delete;
  RunHost& operator=(const RunHost&) = delete;

  // What RunUpdate takes. Its file layer is the one the wizard's view and
  // pages read the media through as well.
  Host& host();
  // The parts the host was put together from: a dry run of the same update
  // is RunHost(parts(), RunHost::Dry{}).
  const RunParts& parts() const { return parts_; }
  const std::string& program_folder() const { return parts_.disks.front(); }
  // The product's file layer as the run works on it, under the recording:
  // for a dry run the layer in memory, the product as the update left it.
  FileSystem& files();
  // The steps recorded so far (a dry or recording host; none otherwise),
  // the last box marked "message" when the run ended as how says it was
  // updated, "stop" otherwise.
  std::vector<PlanStep> steps(UpdateOutcome how);
  // A dry run's last box and its row; the disk a floppy set's drive holds
  // (1 when it holds the program folder's own, or is no floppy set).
  const LastBox& last_box() const;
  int disk_in_drive() const;

 private:
  struct Layers;
  RunHost(RunParts parts, fw::Ui* ui, RunEvents* events, bool record, FileLayerHook* dryLayer);

  RunParts parts_;
  std::unique_ptr<Layers> layers_;
};

// The update run of the product in productFolder (CP932, as the destination
// page gives it) on a copy of d, on host: how it ended and the steps the
// host recorded.
Plan RunOnCopy(RunHost& host, const UpdateDescriptor& d, const std::string& productFolder);

}  // namespace relvo::app
