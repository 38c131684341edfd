// The dry run of the update behind `check-media --plan`: RunUpdate itself on
// a host that keeps every change in memory, and the steps that host saw.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/update_descriptor.h"
#include "engine/update_run.h"
#include "fw/ui.h"
#include "platform/files.h"
#include "platform/system.h"

namespace relvo::app {

// One step a run took, as its host saw it. kind is one of:
//   prompt      a disk prompt; text "[caption] text -> OK" (or "-> Cancel")
//   row         the run starts on a row of the archive table; text
//               "2/5 extract" or "2/5 copy", source and target as the
//               progress line gives them
//   mkdir       a folder made (target)
//   command     the archive library called; text is the command line
//   copy        a file copied (source, target); text tells the attributes
//               the run gave it afterwards
//   write       a file written whole (target): an extracted member, a
//               settings edit, a converted master file; text gives its size,
//               or the lines that changed in a small text file, and the
//               attributes set afterwards
//   attributes  attributes set on a file the run did not just write
//   rename      a file or folder renamed (source, target)
//   remove      a file removed (target)
//   warning     a message box the run showed and went on; text "[caption] text"
//   stop        the box the run ended with when it did not complete
//   message     the box the run ended with when it completed
// Texts and paths are CP932, as the run used them; empty where they do not
// apply.
struct PlanStep {
  std::string kind;
  std::string text;
  std::string source;
  std::string target;
  bool operator==(const PlanStep&) const = default;
};

// A host that records every step of a run made on it, over the file layer,
// system and user interface handed in. Its archive library is our LZH
// library working on the recording file layer, so each member it writes is
// a step too.
class RecordingHost {
 public:
  RecordingHost(FileSystem& fs, SystemInfo& sys, fw::Ui& ui);
  ~RecordingHost();
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  Host& host();
  // The steps recorded so far, the last box marked "message" when the run
  // ended as updated and "stop" otherwise.
  std::vector<PlanStep> steps(UpdateOutcome how);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// What a dry run did.
struct Plan {
  std::vector<PlanStep> steps;
  UpdateOutcome outcome = UpdateOutcome::Failed;
};

// The update run on a dry host: the real disk read through a layer that
// keeps every change in memory (the disk is never written), our LZH library
// testing each archive by extracting it into that memory, and a user
// interface that answers as an unattended run does: OK to every box, and a
// disk prompt answered with the disk in the drive. disks are the program
// folders of disk 1, 2, ... (disks[0] is the program folder); a prompt for
// disk n puts disks[n - 1] in the drive, and one for a disk without a folder
// of its own leaves the drive as it is. A prompt asked again at once (the
// disk lacks what the run looks for) is answered Cancel, as nobody could
// answer it otherwise.
class DryRun {
 public:
  DryRun(FileSystem& disk, SystemInfo& sys, std::vector<std::string> disks);
  ~DryRun();
  DryRun(const DryRun&) = delete;
  DryRun& operator=(const DryRun&) = delete;

  // Runs the update of the product in productFolder (CP932, as the
  // destination page gives it) on a copy of d. Once per DryRun.
  Plan run(const UpdateDescriptor& d, const std::string& productFolder);
  // The memory layer as the run left it: the product as the update would
  // leave it.
  FileSystem& files();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace relvo::app
