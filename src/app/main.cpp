// relvo: the console program. The update wizard for the people who update
// their product, and sub-commands for the people who author and check
// update media and for administrators who script updates.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/make_media.h"
#include "fw/console/terminal.h"

namespace {

const char kUsage[] =
    "usage: relvo [COMMAND] [ARGS...]\n"
    "\n"
    "Relvo brings an installed product up to the version on the update media.\n"
    "\n"
    "Commands:\n"
    "  wizard [--media DIR]... [--unattended [--dest FOLDER] [--rollback]]\n"
    "         [--log FILE]\n"
    "                  the update wizard on the console (also relvo with no\n"
    "                  command, or with wizard options alone)\n"
    "  update --media DIR --dest FOLDER [--rollback] [--log FILE]\n"
    "                  the update from DIR on the product in FOLDER, without\n"
    "                  questions (the unattended wizard); every update keeps a\n"
    "                  restore point (--restore-point DIR, --no-restore-point)\n"
    "  restore --dest FOLDER [--list] [--point ID] [--force] [--log FILE]\n"
    "                  put the product in FOLDER back as it was before an update\n"
    "                  (exit 0 restored, 1 nothing to restore, 4 refused)\n"
    "  check-media [--json] [--product FOLDER [--plan]] DIR...\n"
    "                  check an update medium's info.txt, archives and pictures\n"
    "  make-media --from OLD --to NEW --out DIR --header INFO [--disk-size SIZE]\n"
    "             [--pictures DIR] [--reserve SIZE]\n"
    "                  make update media from the product before and after, and\n"
    "                  check them with the update's dry run\n"
    "  lzh l|t|e|x ARCHIVE [DIR]\n"
    "                  list, test or extract an LZH archive\n"
    "  lzh a ARCHIVE [-m lh0|lh5|lh6|lh7] [-l 0|1|2] [-C DIR] PATH...\n"
    "                  make a new LZH archive of files and folders\n"
    "\n"
    "  -h, --help, /?  show this help (COMMAND --help for a command's own)\n"
    "  --version       show the version\n"
    "\n"
    "Exit status of wizard and update: 0 updated, 1 info.txt unreadable or\n"
    "another error, 2 bad usage, 3 cancelled (nothing changed), 4 folder\n"
    "rejected or product not identified (unattended), 5 installation failed\n"
    "(nothing changed), 6 stopped after changing files, 7 stopped and put back\n"
    "as before.\n";

bool IsWizardOption(const std::string& a) {
  return a == "--media" || a == "--unattended" || a == "--dest" || a == "--log" || a == "--restore-point" ||
         a == "--no-restore-point" || a == "--rollback";
}

// io: the wizard's, for the commands that run it (ran tells that they did).
int Dispatch(int argc, char** argv, relvo::app::WizardIo& io) {
  if (argc < 2) return relvo::app::RunWizardCommand(argc, argv, io);
  const std::string cmd = argv[1];
  if (relvo::app::IsHelpOption(cmd)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (cmd == "--version") {
    std::puts("relvo " RELVO_VERSION);
    return 0;
  }
  if (IsWizardOption(cmd)) return relvo::app::RunWizardCommand(argc, argv, io);
  if (cmd == "wizard") return relvo::app::RunWizardCommand(argc - 1, argv + 1, io);
  if (cmd == "check-media") return relvo::app::RunCheckMediaCommand(argc - 1, argv + 1);
  if (cmd == "make-media") return relvo::app::RunMakeMediaCommand(argc - 1, argv + 1);
  if (cmd == "lzh") return relvo::app::RunLzhCommand(argc - 1, argv + 1);
  if (cmd == "update") return relvo::app::RunUpdateCommand(argc - 1, argv + 1, io);
  if (cmd == "restore") return relvo::app::RunRestoreCommand(argc - 1, argv + 1, io);
  std::fprintf(stderr, "relvo: unknown command '%s'\n%s", relvo::fw::console::Utf8ForTerminal(cmd).c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  relvo::app::WizardIo io = relvo::app::WizardIo::Stdio();
  const int status = Dispatch(argc, argv, io);
  return relvo::app::FinishOutput(stdout, stderr, status, io.ran);
}
