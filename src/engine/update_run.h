// The update run: from the media into the product folder (checks, disk
// prompts, archives, single files, settings edits, voice data, conversions).
#pragma once
#include <string>

#include "fw/ui.h"
#include "platform/archive_library.h"
#include "platform/files.h"
#include "platform/system.h"
#include "wizard/update_descriptor.h"

namespace relvo {

// The layers the run works through, handed in by the view or the console
// command (tests hand in doubles for the user interface and the library).
struct Host {
  FileSystem& fs;
  SystemInfo& sys;
  ArchiveLibrary& archive;
  fw::Ui& ui;
  void* ownerWindow = nullptr;  // owner of the library's windows (the view)
};

// How a run ended, finer than its int result, for the console command.
enum class UpdateOutcome {
  Updated,               // every step done (warnings may have been shown); 1
  Cancelled,             // the user did not answer OK at a disk prompt; 1
  FolderRejected,        // no settings file in the folder; 0
  VersionRejected,       // the installation check refused the folder; 0
  NotIdentified,         // a START row was reached with product code -1; 0
  Failed,                // an extraction, copy, status or file operation failed; 1
  DescriptorIncomplete,  // info.txt was missing, unreadable or cut short; 1
};

// Runs the update on d.installFolder from the media in programFolder (a
// folder text ending with a separator, or a bare drive "A:"). Returns 1 when
// the wizard should end (updated, cancelled or failed) and 0 when the
// destination page should be shown again (folder rejected, product not
// identified). Every outcome has been shown to the user in a message box.
// A descriptor that was not read whole (d.complete false) is refused before
// anything is looked at: the run shows so and returns 1.
// d keeps settingsFile (the name chosen), START rows' archiveName (with the
// product code) and productCode. outcome, when given, receives how it ended.
int RunUpdate(Host& host, UpdateDescriptor& d, const std::string& programFolder,
              UpdateOutcome* outcome = nullptr);

// Extracts folder + "音声\wave" (.lzh) into the wave folder that the settings
// file names (section "DIR", key "WAV"). Does nothing when that folder does
// not exist; shows the library's message when the extraction fails.
void InstallVoiceData(Host& host, const std::string& folder, const std::string& settingsFile);

// What the run's first steps decide about a product folder; they only read.
struct ProductFolderCheck {
  bool folderCheck = false;   // the settings file was found (LocateSettingsFile returned 1)
  bool versionCheck = false;  // the installation check passed; false when not reached
  std::string workingFolder;  // d.installFolder as the checks completed it
};

// The run's settings-file choice, folder check, installation check and
// product identification, in the run's order, on d.installFolder. Leaves in
// d what the run leaves: settingsFile (the name chosen) and, when both
// checks passed, productCode. Shows nothing and changes no file.
ProductFolderCheck CheckProductFolder(FileSystem& fs, UpdateDescriptor& d);

}  // namespace relvo
