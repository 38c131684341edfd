// The dry run of the update: every step RunUpdate would take on a product
// folder, worked out from the media and the folder without changing either.
#pragma once
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"
#include "wizard/update_descriptor.h"

namespace relvo::app {

// One step of the plan. kind is one of:
//   check       the settings file, version check or product identification
//   prompt      a disk prompt the run would show (text = the prompt)
//   mkdir       a target folder the run would create
//   extract     an archive extraction (text = the library's command line)
//   copy        a single file copied over (attributes cleared after it)
//   settings    a settings file edit (text = key and new value)
//   voice-data  the voice data extraction, or why it is skipped
//   convert     a material master conversion with the files it would touch
//   warning     a message box the run would show and go on
//   stop        the run would end here (text = the message it would show)
//   message     the final message
// Texts and paths are UTF-8; source and target are empty when they do not
// apply.
struct PlanStep {
  std::string kind;
  std::string text;
  std::string source;
  std::string target;
};

// The plan for an update from programFolder (a program folder text, CP932)
// onto productFolder (CP932, as the destination page would give it). Reads
// files, never writes. Disk prompts are planned as if each one were answered
// with the right disk; the files of later disks are not looked for.
std::vector<PlanStep> PlanUpdate(FileSystem& fs, SystemInfo& sys, const UpdateDescriptor& d,
                                 const std::string& programFolder, const std::string& productFolder);

}  // namespace relvo::app
