// The update run: from the media into the product folder (checks, disk
// prompts, archives, single files, settings edits, voice data, conversions).
#pragma once
#include <functional>
#include <string>

#include "engine/update_descriptor.h"
#include "fw/ui.h"
#include "platform/archive_library.h"
#include "platform/files.h"
#include "platform/system.h"

namespace relvo {

// What a run reports besides its boxes and progress lines, for a log: the
// end of each row, each settings edit, the voice data and each conversion.
// Every call is a notice after the fact; none changes the run.
class RunEvents {
 public:
  virtual ~RunEvents() = default;
  // The row that Ui::progress announced has ended: done, or failed (the box
  // that says why comes next).
  virtual void row_ended(const fw::Progress& row, bool done) = 0;
  // Key of section in the settings file at path was set to value; written
  // false when the write failed.
  virtual void settings_written(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& value, bool written) = 0;
  // The voice data archive (its path without ".lzh") was extracted into
  // waveFolder (done), or its extraction failed.
  virtual void voice_data(const std::string& archivePath, const std::string& waveFolder, bool done) = 0;
  // A material master conversion ("size" or "type") returned result after
  // rewriting files master files.
  virtual void conversion(const char* name, int result, int files) = 0;
};

// The changer of a drive whose disks are not changed by hand: a floppy set
// kept as folders, one per disk.
class DiskChanger {
 public:
  virtual ~DiskChanger() = default;
  // The prompt for disk n was answered OK: what the run reads from the
  // program folder from now on is disk n.
  virtual void insert(int disk) = 0;
};

// The layers the run works through, put together by the programs (see
// app/run_host.h); tests hand in doubles for the user interface and the
// library.
struct Host {
  FileSystem& fs;
  SystemInfo& sys;
  ArchiveLibrary& archive;
  fw::Ui& ui;
  void* ownerWindow = nullptr;     // owner of the library's windows (the view)
  RunEvents* events = nullptr;     // told what the run did, when given
  DiskChanger* changer = nullptr;  // nullptr: the user changes the disks by hand
  // True once the run is to stop (the user interrupted it): the run stops
  // before its next row and before its settings edits and conversions.
  // Empty: never.
  std::function<bool()> stopRequested;
};

// Thrown by a layer under the run (a file layer) when the run is to stop
// before the next file it starts: RunUpdate ends the run as Interrupted,
// with no box. Not a std::exception, so that no layer that turns those into
// a failure message (the archive library) takes it for a failed file.
struct RunInterrupted {};

// Asks for disk n of the update media: the disk prompt ("n 枚目の...",
// caption "確認", OK and Cancel) on host.ui; answered OK, host.changer (when
// there is one) puts the disk in. Returns the button pressed, fw::kIdOk or
// fw::kIdCancel.
int AskForDisk(Host& host, int disk);

// How a run ended, finer than its int result, for the console command.
enum class UpdateOutcome {
  Updated,               // every step done (warnings may have been shown); 1
  Cancelled,             // the user did not answer OK at a disk prompt; 1
  FolderRejected,        // no settings file in the folder; 0
  VersionRejected,       // the installation check refused the folder; 0
  NotIdentified,         // a START row was reached with product code -1; 0
  Failed,                // an extraction, copy, status or file operation failed; 1
  DescriptorIncomplete,  // info.txt was missing, unreadable or cut short; 1
  Interrupted,           // stopped at a safe point at the user's request (no box); 1
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

// True for a file that a later step of a run may read back after the run
// wrote it: a settings file (.ini), a material master file (.mst) or an
// archive (.lzh: the voice data above all). A run that keeps what it writes
// in memory (the dry run) keeps these whole; what it writes otherwise only
// needs its size and its CRC checked on the way.
bool ReadBackByRun(const std::string& path);

}  // namespace relvo
