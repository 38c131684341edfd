// relvo lzh: list, test or extract an LZH archive with our own library,
// the same code the update run extracts with.
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <string>

#include "app/commands.h"
#include "archive/lzh_extract.h"
#include "fw/console/terminal.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace relvo::app {

namespace {

const char kLzhUsage[] =
    "usage: relvo lzh l|t|e|x ARCHIVE [DIR]\n"
    "\n"
    "  l   list the members: name, size, packed size, method, CRC, time; a\n"
    "      member's comment follows on a line of its own, after \"  : \"\n"
    "  t   test: decode every member and check its CRC\n"
    "  e   extract every file into DIR under its name alone (as the update does)\n"
    "  x   extract with the stored folders, never outside DIR: a stored root\n"
    "      (\\ or /, a drive letter, a volume name) is removed, a '..' that\n"
    "      would climb out of DIR and links are refused, and no folder inside\n"
    "      DIR that is a link is entered\n"
    "\n"
    "ARCHIVE is the file as named (no extension is added). DIR defaults to the\n"
    "current folder. Names are shown in UTF-8.\n"
    "Exit status: 0 all well, 1 a member or the archive failed, 2 bad usage.\n";

// Every name, comment and message goes out through the terminal writer:
// UTF-8, control characters escaped, never cut by a byte of a name.
std::string shown(const std::string& cp932) { return fw::console::ForTerminal(cp932); }
void put(const std::string& s, std::FILE* to = stdout) { std::fwrite(s.data(), 1, s.size(), to); }

std::string time_text(std::int64_t t) {
  const std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
#ifdef _WIN32
  if (gmtime_s(&tm, &tt) != 0) return "-";
#else
  if (!gmtime_r(&tt, &tm)) return "-";
#endif
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
  return buf;
}

class Printer final : public lzh::MemberObserver {
 public:
  explicit Printer(lzh::Mode mode) : mode_(mode) {}
  void on_member(const lzh::Member& m, const std::string* failure) override {
    // The path as it extracts: a stored root is not part of it.
    const std::string name = shown(m.path('/')) + (m.is_directory() ? "/" : "");
    if (mode_ == lzh::Mode::List) {
      char head[96];
      std::snprintf(head, sizeof head, "%12" PRIu64 " %12" PRIu64 "  ", m.original_size, m.packed_size);
      put(head + shown(m.method) + "  ");
      std::snprintf(head, sizeof head, "%04X  ", m.crc);
      put(head + time_text(m.mtime) + "  " + name + "\n");
      // A comment goes on a line of its own, as Amiga archivers list it.
      if (!m.comment.empty()) put("  : " + shown(m.comment) + "\n");
      total_ += m.original_size;
      packed_ += m.packed_size;
      return;
    }
    if (failure)
      put(name + ": " + shown(*failure) + "\n");
    else if (mode_ == lzh::Mode::Test)
      put(name + ": OK\n");
    else
      put(name + (m.stripped_macbinary ? ": extracted (MacBinary header removed)\n" : ": extracted\n"));
  }
  void totals(const lzh::RunOutcome& r, const std::string& target) const {
    if (mode_ == lzh::Mode::List)
      std::printf("%12" PRIu64 " %12" PRIu64 "  %d member(s)\n", total_, packed_, r.members);
    if (r.roots_removed == 0) return;
    // Said once: which members lost a root, and where they go instead.
    std::printf("%d member name(s) began with a root (\\ or /, a drive letter or a volume name): ", r.roots_removed);
    if (mode_ == lzh::Mode::List || mode_ == lzh::Mode::Test)
      put("shown without it; they extract inside the target folder.\n");
    else
      put("removed; extracted inside " + shown(target) + ".\n");
  }

 private:
  lzh::Mode mode_;
  std::uint64_t total_ = 0, packed_ = 0;
};

}  // namespace

int RunLzhCommand(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kLzhUsage, stdout);
    return 0;
  }
  if (argc < 3 || argc > 4 || std::string(argv[1]).size() != 1) {
    std::fputs(kLzhUsage, stderr);
    return 2;
  }
  lzh::RunOptions opt;
  switch (argv[1][0]) {
    case 'l': opt.mode = lzh::Mode::List; break;
    case 't': opt.mode = lzh::Mode::Test; break;
    case 'e': opt.mode = lzh::Mode::Flat; break;
    case 'x': opt.mode = lzh::Mode::Folders; break;
    default: std::fputs(kLzhUsage, stderr); return 2;
  }
  const bool extracting = opt.mode == lzh::Mode::Flat || opt.mode == lzh::Mode::Folders;
  if (argc == 4 && !extracting) {
    std::fputs(kLzhUsage, stderr);
    return 2;
  }
  opt.target = argc == 4 ? enc::utf8_to_cp932(argv[3]) : std::string(".");
  Printer printer(opt.mode);
  opt.observer = &printer;
  if (opt.mode == lzh::Mode::List)
    std::printf("%12s %12s  %-5s  %-4s  %-19s  %s\n", "size", "packed", "method", "CRC", "time (UTC)", "name");
  const lzh::RunOutcome r = lzh::run_archive(native_file_system(), enc::utf8_to_cp932(argv[2]), opt);
  if (r.members > 0 || r.archive_ok) printer.totals(r, opt.target);
  if (!r.archive_ok) put("relvo lzh: " + shown(r.message) + "\n", stderr);
  return r.ok() ? 0 : 1;
}

}  // namespace relvo::app
