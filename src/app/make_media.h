// relvo make-media: update media made from the product before and after,
// and checked by the dry run of the update they hold before they are
// called done.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "engine/update_run.h"
#include "platform/files.h"
#include "platform/system.h"

namespace relvo::app {

// relvo make-media: the report to out, failures and usage errors to err.
int RunMakeMediaCommand(int argc, char** argv, FileSystem& fs = native_file_system(),
                        SystemInfo& system = native_system_info(), std::FILE* out = stdout, std::FILE* err = stderr);

// What the dry run of made media on the old product found.
struct MadeMediaCheck {
  bool ok = false;
  // Why not: the stop of a run that did not complete, or each file the
  // update would write but the new tree does not hold so, or would not
  // write (CP932).
  std::vector<std::string> differences;
  int sameBytes = 0;  // files read back from the dry run and found equal, byte for byte
  // Files whose bytes the dry run's memory let go: their sizes were
  // compared (the media's bytes were compared when they were made).
  int sameSize = 0;
  // What the run with the header's own switches did that the maker should
  // know (CP932): the boxes it showed and went on from, and each file it
  // leaves other than the new tree holds it. switchesRun: whether that run
  // was made at all (a switch was on).
  std::vector<std::string> warnings;
  bool switchesRun = false;
};

// The dry run (check-media --plan's: a run's host with every change kept in
// memory and nobody attending) of the media on disks on the product in
// oldFolder, twice: first with the header's digitizer edition and master
// conversion switched off, so that the run writes what the rows carry, and
// those writes must be exactly the files carried (relative paths in
// newRoot), each equal to the new tree's; then, when either switch is on,
// as info.txt says: that run must complete too, and what it leaves other
// than the new tree holds it is a warning.
MadeMediaCheck CheckMadeMedia(FileSystem& fs, SystemInfo& system, const std::vector<std::string>& disks,
                              const std::string& oldFolder, const std::string& newRoot,
                              const std::vector<std::string>& carried);

}  // namespace relvo::app
