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
#include "app/guarded_run.h"
#include "app/program_folder.h"
#include "app/relvo_app.h"
#include "app/run_host.h"
#include "app/wizard_record.h"
#include "engine/restore_point.h"
#include "fw/console/console_backend.h"
#include "fw/console/terminal.h"
#include "fw/dialog.h"
#include "platform/encoding.h"
#include "platform/interrupt.h"
#include "res/dialogs.h"

namespace relvo::app {

namespace {

const char kUsageHead[] =
    "usage: relvo [wizard] [--media DIR]... [--restore] [--unattended [--dest FOLDER] [--force]\n"
    "                      [--rollback]] [--restore-point DIR | --no-restore-point] [--log FILE]\n"
    "\n"
    "Runs the update wizard on the console: the start page with the cautions of\n"
    "this update, the destination page with the folder of the installed\n"
    "product, the confirmation page, then the update itself. Each page is shown\n"
    "as text and answered with one action per line, typed or piped in (below).\n"
    "\n";

// The same wizard in windows (relvow.exe).
const char kWindowsUsageHead[] =
    "usage: relvow [--media DIR]... [--restore] [--unattended [--dest FOLDER] [--force]\n"
    "              [--rollback]] [--restore-point DIR | --no-restore-point] [--log FILE]\n"
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
    "  --rollback      with --unattended: when the update stops after changing\n"
    "                  files, put them back as they were before it (a person\n"
    "                  is asked instead)\n"
    "  --restore-point DIR\n"
    "                  keep the restore point in DIR (default: the user's state\n"
    "                  folder, $XDG_STATE_HOME/relvo/restore or\n"
    "                  ~/.local/state/relvo/restore; on Windows\n"
    "                  %LOCALAPPDATA%\\Relvo\\restore). Every update keeps one, in\n"
    "                  a folder of its own per product folder, the last three\n"
    "                  kept: what each file it changes held before, and which\n"
    "                  files and folders it made (relvo restore puts them back)\n"
    "  --no-restore-point\n"
    "                  keep none (also when its disk has no room for it)\n"
    "  --log FILE      append a log of the run to FILE: UTF-8, one line per\n"
    "                  event with its local time (pages, boxes, rows, settings\n"
    "                  edits, conversions, the exit status)\n"
    "  -h, --help, /?  show this help\n"
    "\n";

const char kExitStatus[] =
    "Before it changes anything, the update is run once with every change kept\n"
    "in memory (as check-media --plan runs it) when every disk is at hand (one\n"
    "folder, or a floppy set given as folders; on a drive whose disks are changed\n"
    "by hand, the rows of disk 1): an update that would stop on the way changes\n"
    "nothing. That run also tells how much room the restore point needs; where\n"
    "its disk lacks that room a person chooses to go on without one, and an\n"
    "unattended run stops (exit 5) unless --no-restore-point is given. Ctrl-C\n"
    "during the update (or the terminal closing) finishes the file in hand and\n"
    "stops there.\n"
    "\n"
    "Exit status:\n"
    "  0  updated (also when warnings were shown)\n"
    "  1  info.txt could not be read whole, a page could not be shown, or another\n"
    "     error\n"
    "  2  bad usage\n"
    "  3  cancelled with nothing changed: a page was cancelled (or the input\n"
    "     ended), a disk prompt before any change, no room for the restore point\n"
    "     and the person chose not to go on, or Ctrl-C before any change\n"
    "  4  unattended: the folder was rejected (no settings file, or this version\n"
    "     cannot be updated), or the product was not identified; the wizard\n"
    "     shows the destination page again instead when a person answers\n"
    "  5  the installation failed with nothing changed: the check before the\n"
    "     update found a row that would fail (extraction, copy, file status or a\n"
    "     file error), a failure came before any change, or (unattended) the\n"
    "     restore point has no room\n"
    "  6  stopped after changing files (a failed row, a disk prompt cancelled,\n"
    "     the product not identified after rows were applied, or Ctrl-C): the\n"
    "     files stay as the run left them, and relvo restore --dest FOLDER puts\n"
    "     them back from the restore point\n"
    "  7  stopped after changing files, and put back as before the update (the\n"
    "     wizard's question answered OK, or --rollback)\n"
    "A restore (--restore, or box 1004 checked) ends as relvo restore does:\n"
    "  0  restored\n"
    "  1  nothing to restore (no restore point for the folder), or an error (run\n"
    "     it again to finish the restore)\n"
    "  4  refused: files changed since the update (listed); nothing was changed\n";

const char kUpdateUsage[] =
    "usage: relvo update --media DIR [--media DIR]... --dest FOLDER [--rollback]\n"
    "                    [--restore-point DIR | --no-restore-point] [--log FILE]\n"
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
    "  --rollback      when the update stops after changing files, put them back\n"
    "                  as they were before it\n"
    "  --restore-point DIR\n"
    "                  keep the restore point in DIR (default: the user's state\n"
    "                  folder)\n"
    "  --no-restore-point\n"
    "                  keep none\n"
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
  // Where restore points are kept (--restore-point, UTF-8 as given); empty:
  // io.restorePointBase, else the user's state folder (DefaultRestorePointBase).
  std::string pointBase;
  bool noPoint = false;            // --no-restore-point
  bool rollback = false;
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
  std::string applied;
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
    const std::string pointBase = !o.pointBase.empty() ? folderText(o.pointBase)
                                  : !io.restorePointBase.empty() ? io.restorePointBase
                                                                 : DefaultRestorePointBase();
    RestoreLog restoreRecord(log);
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
    // program folder; the gate under the host, the guarded run over it.
    RunGate gate;
    std::optional<RunHost> run;
    std::optional<GuardedRun> guarded;
    GuardOptions guard;
    guard.restorePoint = !o.noPoint;
    guard.pointBase = pointBase;
    guard.rollback = o.rollback;
    guard.unattended = o.unattended;
    guard.checkRoom = io.checkRoom;
    const std::string mediaFolder = o.media.empty() ? std::string() : enc::utf8_to_cp932(o.media.front());
    AppSetup setup{mediaFolder, folders, [&](const std::string& programFolder) {
                     record.set_program_folder(programFolder);
                     log.write("media", LogPath(programFolder));
                     std::vector<std::string> disks{programFolder};
                     for (std::size_t i = 1; i < o.media.size(); ++i) {
                       disks.push_back(ProgramFolderFromArgument(folderText(o.media[i])));
                       log.write("disk", std::to_string(i + 1) + " " + LogPath(disks.back()));
                     }
                     run.emplace(RunParts{disk, system, std::move(disks), gate.layer()}, record, &record);
                     guarded.emplace(*run, gate, guard, log);
                     record.set_guarded_end(&guarded->end());
                     ViewEnvironment env{programFolder, folders, registry, run->host(), &record};
                     env.runner = &*guarded;
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
    applied = record.applied();
  } catch (const std::exception& e) {
    const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    const std::string what = memory ? "out of memory" : e.what();
    io.err << "relvo: " << fw::console::ForTerminal(what) << "\n";
    log.write("error", LogText(what));
    status = kOtherError;
    statusName = ExitCodeName(kOtherError);
  }
  // What the update applied, when it stopped after changing files.
  log.write("end", std::to_string(status) + " (" + statusName + ")" +
                       (status == kStopped || status == kPutBack ? ": " + applied : std::string()));
  io.out << std::flush;
  interrupt::finished();
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
    } else if (a == "--no-restore-point") {
      o.noPoint = true;
    } else if (a == "--rollback") {
      o.rollback = true;
    } else if (a == "--media" || a == "--dest" || a == "--log" || a == "--restore-point") {
      if (++i >= argc || argv[i][0] == '\0') return Usage(io, command, a + " needs a " + (a == "--log" ? "file" : "folder"), usage);
      if (a == "--media") o.media.push_back(argv[i]);
      if (a == "--restore-point") o.pointBase = argv[i];
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
  if (o.rollback && !o.unattended) return Usage(io, command, "--rollback is for --unattended runs", usage);
  if (o.noPoint && !o.pointBase.empty())
    return Usage(io, command, "--restore-point and --no-restore-point exclude each other", usage);
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
    case UpdateOutcome::Interrupted: return kCancelled;  // with nothing changed
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
