// relvo: the console program. Sub-commands for the people who author and
// check update media and for administrators who script updates.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "fw/console/terminal.h"

namespace {

const char kUsage[] =
    "usage: relvo COMMAND [ARGS...]\n"
    "\n"
    "Relvo brings an installed product up to the version on the update media.\n"
    "\n"
    "Commands:\n"
    "  check-media [--json] [--product FOLDER [--plan]] DIR...\n"
    "                  check an update medium's info.txt, archives and pictures\n"
    "  update --media DIR --dest FOLDER\n"
    "                  run the update from DIR on the product in FOLDER\n"
    "  lzh l|t|e|x ARCHIVE [DIR]\n"
    "                  list, test or extract an LZH archive\n"
    "\n"
    "  -h, --help      show this help (COMMAND --help for a command's own)\n"
    "  --version       show the version\n";

int Dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string cmd = argv[1];
  if (cmd == "-h" || cmd == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (cmd == "--version") {
    std::puts("relvo " RELVO_VERSION);
    return 0;
  }
  if (cmd == "check-media") return relvo::app::RunCheckMediaCommand(argc - 1, argv + 1);
  if (cmd == "lzh") return relvo::app::RunLzhCommand(argc - 1, argv + 1);
  if (cmd == "update") return relvo::app::RunUpdateCommand(argc - 1, argv + 1);
  std::fprintf(stderr, "relvo: unknown command '%s'\n%s", relvo::fw::console::Utf8ForTerminal(cmd).c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) { return relvo::app::FinishOutput(stdout, stderr, Dispatch(argc, argv)); }
