// relvo check-media: reads a medium's info.txt the way the wizard does and
// reports what it holds and what is wrong with it, for authors of updates.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/media_report.h"
#include "app/program_folder.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace relvo::app {

namespace {

const char kUsage[] =
    "usage: relvo check-media [--json] [--product FOLDER [--plan]] DIR [DIR...]\n"
    "\n"
    "Checks an update medium: reads DIR/info.txt (the first DIR is disk 1;\n"
    "further DIRs are the later disks), prints the descriptor and lists\n"
    "problems with their line numbers.\n"
    "\n"
    "  --json            print one JSON object instead of text\n"
    "  --product FOLDER  also report what the update would decide about the\n"
    "                    installed product in FOLDER\n"
    "  --plan            with --product: list every step the update would take\n"
    "                    on FOLDER, without changing anything\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 no errors, 1 errors found, 2 bad usage.\n";

}  // namespace

int RunCheckMediaCommand(int argc, char** argv) {
  MediaCheckOptions opt;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--json") {
      opt.json = true;
    } else if (a == "--plan") {
      opt.plan = true;
    } else if (a == "--product") {
      if (++i >= argc) {
        std::fputs("relvo check-media: --product needs a folder\n", stderr);
        return 2;
      }
      opt.productFolder = enc::utf8_to_cp932(argv[i]);
      opt.hasProduct = true;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "relvo check-media: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else {
      opt.disks.push_back(ProgramFolderFromArgument(enc::utf8_to_cp932(a)));
    }
  }
  if (opt.disks.empty()) {
    std::fprintf(stderr, "relvo check-media: no media folder given\n%s", kUsage);
    return 2;
  }
  if (opt.plan && !opt.hasProduct) {
    std::fputs("relvo check-media: --plan needs --product FOLDER\n", stderr);
    return 2;
  }
  const MediaReport report = CheckMedia(native_file_system(), opt);
  if (opt.json) {
    std::cout << MediaReportToJson(report).dump(2) << "\n";
  } else {
    std::cout << MediaReportToText(report);
  }
  return report.errorCount() > 0 ? 1 : 0;
}

}  // namespace relvo::app
