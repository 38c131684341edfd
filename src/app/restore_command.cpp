// relvo restore: puts a product folder back as it was before an update, from
// one of the restore points its updates left; --list shows those points.
#include <ctime>
#include <string>

#include "app/commands.h"
#include "app/program_folder.h"
#include "app/wizard_record.h"
#include "engine/restore.h"
#include "fw/console/terminal.h"
#include "platform/encoding.h"

namespace relvo::app {
namespace {

const char kRestoreUsage[] =
    "usage: relvo restore --dest FOLDER [--list] [--point ID] [--force] [--log FILE]\n"
    "                     [--restore-point DIR]\n"
    "\n"
    "Puts the product in FOLDER back as it was before an update, from the\n"
    "restore point that the update kept: every file it replaced, converted or\n"
    "edited gets its old bytes, attributes and times back, and every file and\n"
    "folder it made goes. A restore that was stopped is finished by the next.\n"
    "Files changed since the update (the product's settings or master files\n"
    "edited in the meantime) are not overwritten: they are listed and nothing\n"
    "is changed, unless --force is given.\n"
    "\n"
    "  --dest FOLDER   the folder of the installed product\n"
    "  --list          list the folder's restore points (id, time, state, files\n"
    "                  and bytes kept) and change nothing\n"
    "  --point ID      restore this point (default: the newest); restoring an\n"
    "                  older one undoes the updates after it too\n"
    "  --force         restore files changed since the update too; the newer\n"
    "                  copy of each is kept beside it as NAME.relvo-kept (or\n"
    "                  NAME.relvo-kept-2, ... when that name is taken)\n"
    "  --log FILE      append a log of the restore to FILE: the restore point's\n"
    "                  place and every file put back\n"
    "  --restore-point DIR\n"
    "                  where the restore points are kept (default: the user's\n"
    "                  state folder, $XDG_STATE_HOME/relvo/restore or\n"
    "                  ~/.local/state/relvo/restore; on Windows\n"
    "                  %LOCALAPPDATA%\\Relvo\\restore)\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status:\n"
    "  0  restored (or, with --list, points listed)\n"
    "  1  nothing to restore (no restore point, or it is restored already), or\n"
    "     an error (the restore can be run again to finish)\n"
    "  2  bad usage\n"
    "  4  refused: files changed since the update (listed); nothing was changed\n";

enum RestoreExit { kRestored = 0, kNothing = 1, kUsage = 2, kRefused = 4 };

struct RestoreOptions {
  std::string dest;  // UTF-8 as given
  std::string base;  // --restore-point, UTF-8
  std::string logFile;
  bool list = false;
  RestoreRequest request;
  std::string commandLine;
};

std::string TimeText(std::int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  const std::tm* tm = std::localtime(&tt);
  char buf[32];
  if (!tm || !std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", tm)) return "?";
  return buf;
}

std::string PointLine(const PointInfo& p) {
  return p.id + "  " + TimeText(p.time) + "  " + PointStateName(p.state) + "  " + std::to_string(p.entries.size()) +
         (p.entries.size() == 1 ? " path  " : " paths  ") + std::to_string(p.bytes) + " bytes";
}

int List(WizardIo& io, FileSystem& store, const std::string& points, const std::string& product) {
  const std::vector<PointInfo> list = ListPoints(store, points);
  if (list.empty()) {
    io.err << "relvo restore: no restore point for " << LogPath(product) << " (in " << LogPath(points) << ")\n";
    return kNothing;
  }
  io.out << "restore points of " << LogPath(product) << " (in " << LogPath(points) << "):\n";
  for (const PointInfo& p : list) io.out << "  " << PointLine(p) << "\n";
  return kRestored;
}

int Restore(const RestoreOptions& o, WizardIo& io, RunLog& log, FileSystem& product, FileSystem& store,
            const std::string& points, const std::string& folder) {
  RestoreLog record(log);
  const RestoreOutcome r = RestoreProduct(product, store, points, o.request, &record);
  if (r.found) {
    io.out << "restore point " << PointLine(r.point) << "\n  " << LogPath(r.point.folder) << "\n";
    log.write("restore-point", r.point.id + " " + LogPath(r.point.folder));
  }
  switch (r.result) {
    case RestoreResult::Restored:
      for (const std::string& p : r.changed) io.out << "kept the newer copy of " << LogPath(p) << "\n";
      io.out << "restored " << LogPath(folder) << ": " << r.putBack << (r.putBack == 1 ? " path" : " paths")
             << " as before the update\n";
      log.write("restore", "restored " + std::to_string(r.putBack) + " paths");
      return kRestored;
    case RestoreResult::Refused:
      io.err << "relvo restore: changed since the update:\n";
      for (const std::string& p : r.changed) {
        io.err << "  " << LogPath(p) << "\n";
        log.write("changed", LogPath(p));
      }
      io.err << "relvo restore: nothing was changed; --force restores them too and keeps each newer copy as "
                "NAME.relvo-kept\n";
      log.write("restore", "refused: " + std::to_string(r.changed.size()) + " files changed since the update");
      return kRefused;
    case RestoreResult::NothingToRestore:
      io.err << "relvo restore: " << fw::console::ForTerminal(r.error) << " (" << LogPath(folder) << ")\n";
      log.write("restore", "nothing to restore: " + LogText(r.error));
      return kNothing;
    case RestoreResult::Failed: break;
  }
  io.err << "relvo restore: " << fw::console::ForTerminal(r.error)
         << "\nrelvo restore: stopped; run it again to finish the restore\n";
  log.write("restore", "failed after " + std::to_string(r.putBack) + " paths: " + LogText(r.error));
  return kNothing;
}

int Run(const RestoreOptions& o, WizardIo& io) {
  RunLog log(io.err);
  if (!o.logFile.empty() && !log.open(o.logFile)) {
    io.err << "relvo restore: cannot open the log file " << fw::console::Utf8ForTerminal(o.logFile) << "\n";
    return kNothing;
  }
  log.write("start", "relvo " RELVO_VERSION ": " + o.commandLine);
  FileSystem& product = io.files ? *io.files : native_file_system();
  FileSystem& store = native_file_system();
  CurrentFolders& folders = io.folders ? *io.folders : native_current_folders();
  const std::string folder = AbsoluteFolderText(folders, enc::utf8_to_cp932(o.dest));
  std::string base = o.base.empty() ? DefaultRestorePointBase() : AbsoluteFolderText(folders, enc::utf8_to_cp932(o.base));
  int status = kNothing;
  if (base.empty()) {
    io.err << "relvo restore: no folder for restore points here; give one with --restore-point DIR\n";
  } else {
    const std::string points = ProductPointsFolder(product, base, folder);
    log.write("destination", LogPath(folder));
    log.write("restore-points", LogPath(points));
    status = o.list ? List(io, store, points, folder) : Restore(o, io, log, product, store, points, folder);
  }
  log.write("end", std::to_string(status));
  io.out << std::flush;
  return status;
}

}  // namespace

int RunRestoreCommand(int argc, char** argv, WizardIo& io) {
  const std::string command = io.program.empty() ? "relvo restore" : io.program;
  RestoreOptions o;
  o.commandLine = command;
  for (int i = 1; i < argc; ++i) o.commandLine += std::string(" ") + argv[i];
  auto usage = [&](const std::string& problem) {
    io.err << command << ": " << fw::console::Utf8ForTerminal(problem) << "\n" << kRestoreUsage;
    return kUsage;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      io.out << kRestoreUsage;
      return kRestored;
    }
    if (a == "--list") {
      o.list = true;
    } else if (a == "--force") {
      o.request.force = true;
    } else if (a == "--dest" || a == "--point" || a == "--log" || a == "--restore-point") {
      if (++i >= argc || argv[i][0] == '\0') return usage(a + " needs a value");
      std::string& to = a == "--dest" ? o.dest : a == "--point" ? o.request.pointId : a == "--log" ? o.logFile : o.base;
      to = argv[i];
    } else {
      return usage("unknown argument " + a);
    }
  }
  if (o.dest.empty()) return usage("no product folder given (--dest FOLDER)");
  return Run(o, io);
}

int RunRestoreCommand(int argc, char** argv) {
  WizardIo io = WizardIo::Stdio();
  return RunRestoreCommand(argc, argv, io);
}

}  // namespace relvo::app
