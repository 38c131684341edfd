// relvo wizard (and relvo with no command): the whole wizard on the console,
// from start-up to the last message box; unattended runs and relvo update
// are the same wizard with its pages answered by the program.
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/program_folder.h"
#include "app/relvo_app.h"
#include "app/run_host.h"
#include "app/wizard_record.h"
#include "engine/restore_point.h"
#include "fw/console/console_backend.h"
#include "fw/console/terminal.h"
#include "fw/dialog.h"
#include "platform/encoding.h"
#include "res/dialogs.h"

namespace relvo::app {

namespace {

const char kUsageHead[] =
    "usage: relvo [wizard] [--media DIR]... [--restore] [--unattended [--dest FOLDER] [--force]]\n"
    "             [--log FILE]\n"
    "\n"
    "Runs the update wizard on the console: the start page with the cautions of\n"
    "this update, the destination page with the folder of the installed\n"
    "product, the confirmation page, then the update itself. Each page is shown\n"
    "as text and answered with one action per line, typed or piped in (below).\n"
    "\n";

// The same wizard in windows (relvow.exe).
const char kWindowsUsageHead[] =
    "usage: relvow [--media DIR]... [--restore] [--unattended [--dest FOLDER] [--force]]\n"
    "              [--log FILE]\n"
    "\n"
    "Runs the update wizard in its windows: the start page with the cautions of\n"
    "this update, the destination page with the folder of the installed\n"
    "product, the confirmation page, then the update itself. With --unattended\n"
    "it opens no window and runs as relvo wizard --unattended, its output on the\n"
    "console it was started from (or where it is redirected).\n"
    "\n";

const char kWizardOptions[] =
    "  --media DIR     the update media, the folder that holds info.txt (default:\n"
    "                  the folder of this program, as when it is started from\n"
    "                  the media). Given again, the next ones are disk 2, 3, ...\n"
    "                  of a set of floppies: the update then asks for each disk,\n"
    "                  and OK at the prompt for disk N puts the N-th folder in\n"
    "                  the drive.\n"
    "  --unattended    ask nothing: the start and confirmation pages are\n"
    "                  accepted, the destination is FOLDER or what the\n"
    "                  destination page proposes (the installed folder that the\n"
    "                  registry records, else the one info.txt names); message\n"
    "                  boxes are printed and answered OK; a disk prompt that\n"
    "                  comes back at once (the disk is not there) is answered\n"
    "                  Cancel. The folder used is printed as \"destination: FOLDER\".\n"
    "  --dest FOLDER   with --unattended: the folder of the installed product\n"
    "  --restore       undo an update: the wizard opens on the destination page\n"
    "                  with its box 1004 (put back as before the update) checked.\n"
    "                  The box shows for a folder that an update left a restore\n"
    "                  point for; a folder without one is refused. Confirmed, the\n"
    "                  product gets back every file the update replaced, edited\n"
    "                  or converted, and loses what it added (as relvo restore).\n"
    "                  Files changed since the update are listed in a box: OK\n"
    "                  restores them too and keeps each newer copy beside it as\n"
    "                  NAME.relvo-kept; Cancel changes nothing. Without --restore\n"
    "                  the box shows as well, unchecked.\n"
    "  --force         with --unattended --restore: restore the files changed since\n"
    "                  the update too (else the restore is refused, exit 4)\n"
    "  --log FILE      append a log of the run to FILE: UTF-8, one line per\n"
    "                  event with its local time (pages, boxes, rows, settings\n"
    "                  edits, conversions, the exit status)\n"
    "  -h, --help, /?  show this help\n"
    "\n";

const char kExitStatus[] =
    "Exit status:\n"
    "  0  updated (also when warnings were shown)\n"
    "  1  info.txt could not be read whole, a page could not be shown, or another\n"
    "     error\n"
    "  2  bad usage\n"
    "  3  cancelled: a page was cancelled (or the input ended), or a disk prompt\n"
    "  4  unattended: the folder was rejected (no settings file, or this version\n"
    "     cannot be updated), or the product was not identified; the wizard\n"
    "     shows the destination page again instead when a person answers\n"
    "  5  the installation failed (extraction, copy, file status or a file error)\n"
    "A restore (--restore, or box 1004 checked) ends as relvo restore does:\n"
    "  0  restored\n"
    "  1  nothing to restore (no restore point for the folder), or an error (run\n"
    "     it again to finish the restore)\n"
    "  4  refused: files changed since the update (listed); nothing was changed\n";

const char kUpdateUsage[] =
    "usage: relvo update --media DIR [--media DIR]... --dest FOLDER [--log FILE]\n"
    "\n"
    "Runs the update from the media in DIR (the folder that holds info.txt and\n"
    "the archives) on the installed product in FOLDER, without questions: the\n"
    "same as relvo wizard --unattended --dest FOLDER (see relvo wizard --help).\n"
    "Message boxes are printed and answered OK; a disk prompt that comes back at\n"
    "once (the disk is not there) is answered Cancel, which cancels the update.\n"
    "\n"
    "  --media DIR     the update media (a folder, or a drive such as A:); given\n"
    "                  again, disk 2, 3, ...\n"
    "  --dest FOLDER   the folder of the installed product\n"
    "  --log FILE      append a log of the run to FILE\n"
    "  -h, --help, /?  show this help\n"
    "\n";

struct WizardOptions {
  std::vector<std::string> media;  // UTF-8 as given
  bool unattended = false;
  bool hasDest = false;
  std::string dest;                // UTF-8 as given
  std::string logFile;
  std::string commandLine;         // for the log
  bool restore = false;            // --restore: the wizard for undoing an update
  bool force = false;              // --force: an unattended restore restores changed files too
  // Where restore points are kept (UTF-8); empty: io.restorePointBase, else
  // the user's state folder (DefaultRestorePointBase).
  std::string restorePointBase;
};

// The command as messages name it: "relvo wizard", "relvo update", or the
// program that runs the wizard itself ("relvow").
std::string CommandName(const WizardIo& io, const char* command) {
  return io.program.empty() ? std::string("relvo ") + command : io.program;
}

// The command as the log shows it: "relvo wizard ARGS" or "relvo update ARGS".
std::string CommandLine(const std::string& name, int argc, char** argv) {
  std::string s = name;
  for (int i = 1; i < argc; ++i) s += std::string(" ") + argv[i];
  return s;
}

int Usage(WizardIo& io, const std::string& name, const std::string& problem, const std::string& usage) {
  io.err << name << ": " << fw::console::Utf8ForTerminal(problem) << "\n" << usage;
  return kBadUsage;
}

// The wizard with everything it runs on.
int RunWizard(const WizardOptions& o, WizardIo& io) {
  RunLog log(io.err);
  if (!o.logFile.empty() && !log.open(o.logFile)) {
    io.err << "relvo: cannot open the log file " << fw::console::Utf8ForTerminal(o.logFile) << "\n";
    return kOtherError;
  }
  log.write("start", "relvo " RELVO_VERSION ": " + o.commandLine);
  io.ran = true;
  int status = kOtherError;
  std::string statusName = ExitCodeName(kOtherError);
  try {
    FileSystem& disk = io.files ? *io.files : native_file_system();
    CurrentFolders& folders = io.folders ? *io.folders : native_current_folders();
    Registry& registry = io.registry ? *io.registry : native_registry();
    SystemInfo& system = io.system ? *io.system : native_system_info();

    fw::console::ConsoleOptions options = io.options;
    options.unattended = o.unattended;
    fw::console::ConsoleBackend console(io.in, io.out, folders, options);
    // A person at real windows, or the console (which also stands in for
    // the person in an unattended run).
    fw::Backend& front = io.windows && !o.unattended ? *io.windows : console;
    fw::ScopedBackend backend(front);
    WizardRecord record(front.ui(), log, io.out, o.unattended);

    // Folders given on the command line, made independent of the current
    // folder that the destination page changes.
    auto folderText = [&](const std::string& utf8) { return AbsoluteFolderText(folders, enc::utf8_to_cp932(utf8)); };
    const std::string dest = o.hasDest ? folderText(o.dest) : std::string();
    const std::string pointBase = !o.restorePointBase.empty() ? folderText(o.restorePointBase)
                                  : !io.restorePointBase.empty() ? io.restorePointBase
                                                                 : DefaultRestorePointBase();
    RestoreRecord restoreRecord(log);
    if (o.unattended) {
      console.set_page_script([&](const fw::Dialog& dlg, int visit) -> std::vector<std::string> {
        // Each page is answered once: a page shown again (the destination
        // after a rejected folder) is left with esc, which ends the wizard.
        if (visit > 1) return {};
        switch (dlg.Template().id) {
          case res::IDD_START:
          case res::IDD_CONFIRM: return {"click 1"};
          case res::IDD_DESTINATION:
            if (o.hasDest) return {"type " + std::to_string(res::IDC_PATH) + " " + enc::cp932_to_utf8(dest), "click 1"};
            return {"click 1"};
        }
        return {};
      });
    }

    // The run's host and the view's layers, once the application knows the
    // program folder.
    std::optional<RunHost> run;
    const std::string mediaFolder = o.media.empty() ? std::string() : enc::utf8_to_cp932(o.media.front());
    AppSetup setup{mediaFolder, folders, [&](const std::string& programFolder) {
                     record.set_program_folder(programFolder);
                     log.write("media", LogPath(programFolder));
                     std::vector<std::string> disks{programFolder};
                     for (std::size_t i = 1; i < o.media.size(); ++i) {
                       disks.push_back(ProgramFolderFromArgument(folderText(o.media[i])));
                       log.write("disk", std::to_string(i + 1) + " " + LogPath(disks.back()));
                     }
                     run.emplace(RunParts{disk, system, std::move(disks)}, record, &record);
                     ViewEnvironment env{programFolder, folders, registry, run->host(), &record};
                     env.points = RestorePointPlace{pointBase, &disk};
                     env.restore = o.restore;
                     // Nobody to ask: files changed since the update stop the
                     // restore unless --force.
                     env.changedFiles = !o.unattended ? ChangedFiles::Ask
                                        : o.force     ? ChangedFiles::Force
                                                      : ChangedFiles::Refuse;
                     env.restoreEvents = &restoreRecord;
                     return env;
                   }};
    CRelvoApp app(std::move(setup));
    fw::RunApp(app);
    status = record.status();
    statusName = record.status_name();
  } catch (const std::exception& e) {
    const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    const std::string what = memory ? "out of memory" : e.what();
    io.err << "relvo: " << fw::console::ForTerminal(what) << "\n";
    log.write("error", LogText(what));
    status = kOtherError;
    statusName = ExitCodeName(kOtherError);
  }
  log.write("end", std::to_string(status) + " (" + statusName + ")");
  io.out << std::flush;
  return status;
}

// Reads the options that relvo wizard and relvo update share. Returns -1
// when the command is to run, else the exit status (help shown, bad usage).
int ParseOptions(int argc, char** argv, WizardIo& io, bool update, WizardOptions& o) {
  const std::string command = CommandName(io, update ? "update" : "wizard");
  const std::string usage = update       ? std::string(kUpdateUsage) + kExitStatus
                            : io.windows ? std::string(kWindowsUsageHead) + kWizardOptions + kExitStatus
                                         : std::string(kUsageHead) + kWizardOptions + fw::console::kActionHelp +
                                               "\n" + kExitStatus;
  o.commandLine = CommandLine(command, argc, argv);
  o.unattended = update;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (IsHelpOption(a)) {
      io.out << usage;
      return kUpdated;
    }
    if (a == "--unattended" && !update) {
      o.unattended = true;
    } else if (a == "--restore" && !update) {
      o.restore = true;
    } else if (a == "--force" && !update) {
      o.force = true;
    } else if (a == "--media" || a == "--dest" || a == "--log") {
      if (++i >= argc || argv[i][0] == '\0') return Usage(io, command, a + " needs a " + (a == "--log" ? "file" : "folder"), usage);
      if (a == "--media") o.media.push_back(argv[i]);
      if (a == "--dest") {
        o.dest = argv[i];
        o.hasDest = true;
      }
      if (a == "--log") o.logFile = argv[i];
    } else {
      return Usage(io, command, "unknown argument " + a, usage);
    }
  }
  if (update && o.media.empty()) return Usage(io, command, "no media folder given (--media DIR)", usage);
  if (update && !o.hasDest) return Usage(io, command, "no product folder given (--dest FOLDER)", usage);
  if (o.hasDest && !o.unattended) return Usage(io, command, "--dest is for --unattended runs", usage);
  if (o.force && !(o.unattended && o.restore))
    return Usage(io, command, "--force is for --unattended --restore runs", usage);
  return -1;
}

}  // namespace

int ExitCodeOf(UpdateOutcome how) {
  switch (how) {
    case UpdateOutcome::Updated: return kUpdated;
    case UpdateOutcome::Cancelled: return kCancelled;
    case UpdateOutcome::FolderRejected:
    case UpdateOutcome::VersionRejected:
    case UpdateOutcome::NotIdentified: return kRejected;
    case UpdateOutcome::Failed: return kFailed;
    case UpdateOutcome::DescriptorIncomplete: return kOtherError;
  }
  return kOtherError;
}

WizardIo WizardIo::Stdio() {
  WizardIo io{std::cin, std::cout, std::cerr};
  io.options = fw::console::ConsoleBackend::OptionsForStdio();
  return io;
}

int RunWizardCommand(int argc, char** argv, WizardIo& io) {
  WizardOptions o;
  const int parsed = ParseOptions(argc, argv, io, false, o);
  return parsed >= 0 ? parsed : RunWizard(o, io);
}

int RunUpdateCommand(int argc, char** argv, WizardIo& io) {
  WizardOptions o;
  const int parsed = ParseOptions(argc, argv, io, true, o);
  return parsed >= 0 ? parsed : RunWizard(o, io);
}

int RunWizardCommand(int argc, char** argv) {
  WizardIo io = WizardIo::Stdio();
  return RunWizardCommand(argc, argv, io);
}

int RunUpdateCommand(int argc, char** argv) {
  WizardIo io = WizardIo::Stdio();
  return RunUpdateCommand(argc, argv, io);
}

}  // namespace relvo::app
