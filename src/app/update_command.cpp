// relvo update: the update run alone, on a product folder, from a media
// folder, with its message boxes on the console.
#include <cstdio>
#include <exception>
#include <string>

#include "app/commands.h"
#include "app/program_folder.h"
#include "archive/lzh_library.h"
#include "engine/update_run.h"
#include "fw/console/console_ui.h"
#include "fw/console/terminal.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/system.h"
#include "wizard/update_descriptor.h"

namespace relvo::app {

namespace {

const char kUsage[] =
    "usage: relvo update --media DIR --dest FOLDER\n"
    "\n"
    "Runs the update from the media in DIR (the folder that holds info.txt and\n"
    "the archives) on the installed product in FOLDER, as the wizard does when\n"
    "its confirmation page is accepted, without the wizard pages. Message boxes\n"
    "are printed as \"[caption] text\". A disk prompt is asked when standard\n"
    "input is a terminal; otherwise it is answered Cancel, which cancels the\n"
    "update. Every other box is answered OK.\n"
    "\n"
    "  --media DIR     the update media (a folder, or a drive such as A:)\n"
    "  --dest FOLDER   the folder of the installed product\n"
    "  -h, --help      show this help\n"
    "\n"
    "Exit status:\n"
    "  0  updated (also when warnings were shown)\n"
    "  1  info.txt could not be read whole, or another error\n"
    "  2  bad usage\n"
    "  3  cancelled at a disk prompt\n"
    "  4  folder rejected (no settings file, or this version cannot be updated),\n"
    "     or the product was not identified\n"
    "  5  the installation failed (extraction, copy, file status or a file error)\n";

enum ExitCode { kUpdated = 0, kOtherError = 1, kBadUsage = 2, kCancelled = 3, kRejected = 4, kFailed = 5 };

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

namespace {

int Usage(const std::string& problem) {
  std::fprintf(stderr, "relvo update: %s\n%s", fw::console::Utf8ForTerminal(problem).c_str(), kUsage);
  return kBadUsage;
}

}  // namespace

int RunUpdateCommand(int argc, char** argv) {
  std::string media, dest;
  bool hasMedia = false, hasDest = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--media" || a == "--dest") {
      if (++i >= argc) return Usage(a + " needs a folder");
      (a == "--media" ? media : dest) = argv[i];
      (a == "--media" ? hasMedia : hasDest) = true;
      continue;
    }
    return Usage("unknown argument " + a);
  }
  if (!hasMedia || media.empty()) return Usage("no media folder given (--media DIR)");
  if (!hasDest || dest.empty()) return Usage("no product folder given (--dest FOLDER)");

  try {
    FileSystem& fs = native_file_system();
    const std::string programFolder = ProgramFolderFromArgument(enc::utf8_to_cp932(media));
    UpdateDescriptor d;
    std::vector<DescriptorIssue> issues;
    if (ReadUpdateInfo(fs, programFolder, d, &issues) != 1) {
      std::fprintf(stderr, "relvo update: cannot read %sinfo.txt\n", fw::console::ForTerminal(programFolder).c_str());
      return kOtherError;
    }
    for (const DescriptorIssue& issue : issues)
      std::fprintf(stderr, "relvo update: info.txt line %d: %s%s\n", issue.line,
                   issue.severity == DescriptorIssue::Severity::Error ? "error: " : "",
                   fw::console::Utf8ForTerminal(issue.message).c_str());
    d.installFolder = enc::utf8_to_cp932(dest);

    fw::console::ConsoleUi ui = fw::console::ConsoleUi::ForStdio();
    lzh::LzhLibrary library(fs);
    Host host{fs, native_system_info(), library, ui};
    UpdateOutcome how = UpdateOutcome::Failed;
    RunUpdate(host, d, programFolder, &how);
    return ExitCodeOf(how);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "relvo update: %s\n", fw::console::ForTerminal(e.what()).c_str());
    return kOtherError;
  }
}

}  // namespace relvo::app
