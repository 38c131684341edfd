// relvo check-media: reads a medium's info.txt the way the wizard does and
// reports what it holds and what is wrong with it, for authors of updates.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/media_report.h"
#include "app/program_folder.h"
#include "fw/console/terminal.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace relvo::app {

namespace {

const char kUsage[] =
    "usage: relvo check-media [--json] [--product FOLDER [--plan]] DIR [DIR...]\n"
    "\n"
    "Checks an update medium: reads DIR/info.txt (the first DIR is disk 1;\n"
    "further DIRs are the later disks), prints the descriptor, tests every\n"
    "archive the table names as the update would extract it (each member\n"
    "decoded, its CRC checked, its name judged), reads every file it copies\n"
    "to its end, and lists problems with their line numbers: errors, and\n"
    "warnings on what the update does as written but an author rarely means\n"
    "(a last line without its line end among them).\n"
    "\n"
    "  --json            print one JSON object instead of text\n"
    "  --product FOLDER  also report what the update would decide about the\n"
    "                    installed product in FOLDER\n"
    "  --plan            with --product: run the update on FOLDER with every\n"
    "                    change kept in memory, and list each step it took (disk\n"
    "                    prompts answered with the next DIR in the drive);\n"
    "                    the archives it hands the library from the product\n"
    "                    (the voice data) are tested as it leaves them; and say\n"
    "                    how much room the update's restore point needs\n"
    "  -h, --help, /?    show this help\n"
    "\n"
    "Exit status: 0 no errors, 1 errors found (or the media could not be read),\n"
    "2 bad usage.\n";

}  // namespace

int RunCheckMediaCommand(int argc, char** argv, FileSystem& fs, std::FILE* out, std::FILE* err) {
  using fw::console::Utf8ForTerminal;
  MediaCheckOptions opt;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (IsHelpOption(a)) {
      std::fputs(kUsage, out);
      return 0;
    } else if (a == "--json") {
      opt.json = true;
    } else if (a == "--plan") {
      opt.plan = true;
    } else if (a == "--product") {
      if (++i >= argc) {
        std::fputs("relvo check-media: --product needs a folder\n", err);
        return 2;
      }
      opt.productFolder = enc::utf8_to_cp932(argv[i]);
      opt.hasProduct = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(err, "relvo check-media: unknown option %s\n%s", Utf8ForTerminal(a).c_str(), kUsage);
      return 2;
    } else {
      opt.disks.push_back(ProgramFolderFromArgument(enc::utf8_to_cp932(a)));
    }
  }
  if (opt.disks.empty()) {
    std::fprintf(err, "relvo check-media: no media folder given\n%s", kUsage);
    return 2;
  }
  if (opt.plan && !opt.hasProduct) {
    std::fputs("relvo check-media: --plan needs --product FOLDER\n", err);
    return 2;
  }
  try {
    const MediaReport report = CheckMedia(fs, opt);
    const std::string text = opt.json ? MediaReportToJson(report) : MediaReportToText(report);
    std::fputs(text.c_str(), out);
    return report.errorCount() > 0 ? 1 : 0;
  } catch (const std::exception& e) {
    // A read error or a file larger than memory, where no report was
    // prepared for one: the check did not finish, which is an error too.
    const bool memory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
    std::fprintf(err, "relvo check-media: the check could not be finished: %s\n",
                 memory ? "out of memory" : fw::console::ForTerminal(e.what()).c_str());
    return 1;
  }
}

}  // namespace relvo::app
