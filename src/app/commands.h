// The console program's sub-commands. Each takes the arguments after its own
// name (argv[0] is the sub-command's name) and returns the exit status.
#pragma once
#include <cstdio>
#include <istream>
#include <ostream>

#include <cstdint>
#include <functional>
#include <string>

#include "engine/restore_point.h"
#include "engine/update_run.h"
#include "fw/backend.h"
#include "fw/console/console_ui.h"
#include "platform/current_folders.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace relvo::app {

// relvo check-media: reads the media through fs; the report goes to out,
// usage errors and failures to err.
int RunCheckMediaCommand(int argc, char** argv, FileSystem& fs = native_file_system(), std::FILE* out = stdout,
                         std::FILE* err = stderr);
// relvo lzh l|t|e|x|a: listings and member lines to out, failures to err.
int RunLzhCommand(int argc, char** argv, std::FILE* out = stdout, std::FILE* err = stderr);
// Where relvo wizard and relvo update read and write, and the layers they
// run on: the process's own (stdin, stdout, stderr, the native layers)
// unless a caller (a test) hands in others.
struct WizardIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  fw::console::ConsoleOptions options;  // how the terminal is used
  FileSystem* files = nullptr;          // nullptr: the native layer, and so on
  CurrentFolders* folders = nullptr;
  Registry* registry = nullptr;
  SystemInfo* system = nullptr;
  // The user interface a person uses in place of the console: real
  // windows (relvow.exe's Win32 front end). Unattended runs keep the
  // console, which answers the pages itself. nullptr: the console.
  fw::Backend* windows = nullptr;
  // The program as its messages, usage and log name it ("relvow"); empty:
  // "relvo wizard" or "relvo update".
  std::string program;
  // Where the wizard's runs keep their restore points when no
  // --restore-point is given (CP932 folder text); empty: the user's state
  // folder (DefaultRestorePointBase).
  std::string restorePointBase;
  // The room on a restore point's disk; empty: CheckRoom.
  std::function<RoomCheck(const std::string& base, std::uint64_t needed)> checkRoom;
  // Set when the wizard ran: what it wrote on out was its pages and
  // progress, and its exit status says how it ended (FinishOutput).
  bool ran = false;

  static WizardIo Stdio();
};

// relvo wizard: the whole wizard on the console (relvo with no command too).
int RunWizardCommand(int argc, char** argv);
int RunWizardCommand(int argc, char** argv, WizardIo& io);
// relvo update: the unattended wizard on a given product folder.
int RunUpdateCommand(int argc, char** argv);
int RunUpdateCommand(int argc, char** argv, WizardIo& io);

// relvo restore: puts the product folder back as a restore point found it
// before its update, or lists the points (--list). Exit 0 restored or
// listed, 1 nothing to restore or an error, 2 bad usage, 4 refused (files
// changed since the update). Reads io's out, err, files and folders.
int RunRestoreCommand(int argc, char** argv);
int RunRestoreCommand(int argc, char** argv, WizardIo& io);

// The exit status of relvo wizard and relvo update for the way an update
// run ended.
int ExitCodeOf(UpdateOutcome how);

// True for the ways people ask a program for its help: -h, --help, and /?
// as Windows users type it.
inline bool IsHelpOption(const std::string& a) { return a == "-h" || a == "--help" || a == "/?"; }

// Ends the program's output: flushes out and checks that everything written
// to it reached its file (a full disk, a closed pipe). Returns status, or 1
// with a message on err when the output was lost and status was 0. With
// progressOnly (the output of a wizard or update run, whose status says how
// the update ended), lost output is told on err and status kept: a completed
// update is no error for want of its progress lines.
int FinishOutput(std::FILE* out, std::FILE* err, int status, bool progressOnly = false);

}  // namespace relvo::app
