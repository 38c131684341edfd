// The steps of an update run as its host saw them: the plan that
// `check-media --plan` shows, and the recorder that writes them down.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/update_run.h"
#include "fw/ui.h"
#include "platform/archive_library.h"
#include "platform/files.h"

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

// What a restore point of a run keeps, counted by its dry run
// (PointSizeCounter): the paths it records, the old file bytes it keeps,
// and the room it needs on its disk (PointBytesNeeded).
struct PointSize {
  std::size_t paths = 0;
  std::uint64_t oldBytes = 0;
  std::uint64_t needed = 0;
};

// How a run ended and the steps its host recorded (a dry run's: its plan),
// and for a dry run, the size of the restore point the real run keeps.
struct Plan {
  std::vector<PlanStep> steps;
  UpdateOutcome outcome = UpdateOutcome::Failed;
  PointSize point;
};

// Writes down every step of a run made through the layers it puts over
// others: each call is handed on to the layer inside and kept as a step.
// The run's host (app/run_host.h) puts it over its file layer, its archive
// library and its user interface, in that order.
class StepRecorder {
 public:
  StepRecorder();
  ~StepRecorder();
  StepRecorder(const StepRecorder&) = delete;
  StepRecorder& operator=(const StepRecorder&) = delete;

  // The recording layer over inner: folders made, files written, copied,
  // renamed and removed, attributes set. Made first, once.
  FileSystem& files(FileSystem& inner);
  // The library's commands, carried out by inner. Once.
  ArchiveLibrary& library(ArchiveLibrary& inner);
  // The boxes, with their answers, and the rows, answered and shown by
  // inner. Once.
  fw::Ui& ui(fw::Ui& inner);
  // The steps recorded so far, the last box marked "message" when the run
  // ended as updated and "stop" otherwise.
  std::vector<PlanStep> steps(UpdateOutcome how);

 private:
  struct Layers;
  std::unique_ptr<Layers> layers_;
};

}  // namespace relvo::app
