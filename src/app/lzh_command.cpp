// relvo lzh: list, test or extract an LZH archive with our own library,
// the same code the update run extracts with, or make a new one.
#include <cinttypes>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/commands.h"
#include "archive/lzh_extract.h"
#include "archive/lzh_writer.h"
#include "base/sjis.h"
#include "fw/console/terminal.h"
#include "platform/encoding.h"
#include "platform/files.h"

namespace relvo::app {

namespace {

const char kLzhUsage[] =
    "usage: relvo lzh l|t|e|x ARCHIVE [DIR]\n"
    "       relvo lzh a ARCHIVE [-m lh0|lh5|lh6|lh7] [-l 0|1|2] [-C DIR] PATH...\n"
    "\n"
    "  l   list the members: name, size, packed size, method, CRC, time; a\n"
    "      member's comment follows on a line of its own, after \"  : \"\n"
    "  t   test: decode every member and check its CRC\n"
    "  e   extract every file into DIR under its name alone (as the update does)\n"
    "  x   extract with the stored folders, never outside DIR: a stored root\n"
    "      (\\ or /, a drive letter, a volume name) is removed, a '..' that\n"
    "      would climb out of DIR and links are refused, and no folder inside\n"
    "      DIR that is a link is entered\n"
    "  a   make a new archive of the files and folders PATH... (relative to\n"
    "      DIR, -C, else to the current folder), folders walked in name order,\n"
    "      each member stored under its path as given, in Shift-JIS with \\\n"
    "      between folders, with its time and read-only attribute. -m: the\n"
    "      method (lh7 by default); a member that packing would not shrink is\n"
    "      stored (lh0). -l: the header level (2 by default). An existing\n"
    "      ARCHIVE is never added to: a refuses it. A PATH with a root or a\n"
    "      '..', a name Shift-JIS cannot hold and a link to a folder are\n"
    "      refused; nothing is left behind when a file cannot be packed.\n"
    "\n"
    "ARCHIVE is the file as named (no extension is added). DIR defaults to the\n"
    "current folder. Names are shown in UTF-8, control characters escaped.\n"
    "Characters a Windows file name cannot hold (control characters and\n"
    ": < > \" | ? *) are written as _ (e and x say which members).\n"
    "Exit status: 0 all well, 1 a member or the archive failed, 2 bad usage.\n";

using fw::console::ForTerminal;

// Every name, comment and message goes out through the terminal writer
// (UTF-8, control characters escaped) and is written whole: never cut by a
// byte of a name.
void put(std::FILE* to, const std::string& s) { std::fwrite(s.data(), 1, s.size(), to); }

// Seconds since 1970 as "YYYY-MM-DD hh:mm:ss" UTC, for any time an archive
// may hold (the proleptic Gregorian calendar, counted by days).
std::string time_text(std::int64_t t) {
  std::int64_t days = t / 86400, secs = t % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  // Days to a civil date, counting in 400-year eras from 0000-03-01.
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  return buf;
}

class Printer final : public lzh::MemberObserver {
 public:
  Printer(lzh::Mode mode, std::FILE* out) : mode_(mode), out_(out) {}
  void on_member(const lzh::Member& m, const std::string* failure) override {
    // The path as it extracts: a stored root is not part of it.
    const std::string name = ForTerminal(m.path('/') + (m.is_directory() ? "/" : ""));
    if (mode_ == lzh::Mode::List) {
      char head[64];
      std::snprintf(head, sizeof head, "%12" PRIu64 " %12" PRIu64 "  ", m.original_size, m.packed_size);
      std::string line = head + ForTerminal(m.method);
      std::snprintf(head, sizeof head, "  %04X  ", m.crc);
      put(out_, line + head + time_text(m.mtime) + "  " + name + "\n");
      // A comment goes on a line of its own, as Amiga archivers list it.
      if (!m.comment.empty()) put(out_, "  : " + ForTerminal(m.comment) + "\n");
      total_ += m.original_size;
      packed_ += m.packed_size;
      return;
    }
    if (failure)
      put(out_, name + ": " + ForTerminal(*failure) + "\n");
    else if (mode_ == lzh::Mode::Test)
      put(out_, name + ": OK\n");
    else
      put(out_, name + (m.stripped_macbinary ? ": extracted (MacBinary header removed)" : ": extracted") +
                    (m.renamed_from.empty() ? "" : ", stored as " + ForTerminal(m.renamed_from)) + "\n");
  }
  void totals(const lzh::RunOutcome& r, const std::string& target) const {
    if (mode_ == lzh::Mode::List)
      std::fprintf(out_, "%12" PRIu64 " %12" PRIu64 "  %d member(s)\n", total_, packed_, r.members);
    if (r.names_changed > 0)
      std::fprintf(out_, "%d member name(s) held characters a file name cannot hold: each replaced by _.\n",
                   r.names_changed);
    if (r.roots_removed == 0) return;
    // Said once: how many members lost a root, and where they go instead.
    std::fprintf(out_, "%d member name(s) began with a root (\\ or /, a drive letter or a volume name): ",
                 r.roots_removed);
    if (mode_ == lzh::Mode::List || mode_ == lzh::Mode::Test)
      put(out_, "shown without it; they extract inside the target folder.\n");
    else
      put(out_, "removed; extracted inside " + ForTerminal(target) + ".\n");
  }

 private:
  lzh::Mode mode_;
  std::FILE* out_;
  std::uint64_t total_ = 0, packed_ = 0;
};

// A stored name as shown: '/' between its components.
std::string shown_name(const std::string& name) {
  std::string s = name;
  for (std::size_t i = 0; i < s.size(); i += sjis::char_len(s, i))
    if (s[i] == '\\') s[i] = '/';
  return s;
}

// relvo lzh a ARCHIVE [-m METHOD] [-l LEVEL] [-C DIR] PATH...
int RunLzhAdd(int argc, char** argv, std::FILE* out, std::FILE* err) {
  lzh::PackOptions opt;
  std::string base;
  std::vector<std::string> paths;
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    const bool option = a == "-m" || a == "-l" || a == "-C";
    if (option && i + 1 == argc) {
      std::fputs(kLzhUsage, err);
      return 2;
    }
    const std::string v = option ? argv[++i] : "";
    if (a == "-m" && (v == "lh0" || v == "lh5" || v == "lh6" || v == "lh7")) {
      opt.method = "-" + v + "-";
    } else if (a == "-l" && v.size() == 1 && v[0] >= '0' && v[0] <= '2') {
      opt.level = v[0] - '0';
    } else if (a == "-C") {
      base = enc::utf8_to_cp932(v);
    } else if (!option && !a.empty() && a[0] != '-') {
      paths.push_back(enc::utf8_to_cp932(a));
    } else {
      std::fputs(kLzhUsage, err);
      return 2;
    }
  }
  if (paths.empty()) {
    std::fputs(kLzhUsage, err);
    return 2;
  }
  FileSystem& fs = native_file_system();
  std::vector<lzh::PackItem> items;
  std::string message;
  if (!lzh::gather_items(fs, base, paths, items, message)) {
    put(err, "relvo lzh: " + ForTerminal(message) + "\n");
    return 1;
  }
  const lzh::PackOutcome r = lzh::write_archive(fs, enc::utf8_to_cp932(argv[2]), items, opt);
  if (!r.ok) {
    put(err, "relvo lzh: " + ForTerminal(r.message) + "\n");
    return 1;
  }
  std::fprintf(out, "%12s %12s  %-5s  %s\n", "size", "packed", "method", "name");
  std::uint64_t total = 0, packed = 0;
  for (const lzh::PackedMember& m : r.members) {
    char head[64];
    std::snprintf(head, sizeof head, "%12" PRIu64 " %12" PRIu64 "  ", m.original, m.packed);
    put(out, head + m.method + "  " + ForTerminal(shown_name(m.name) + (m.method == "-lhd-" ? "/" : "")) + "\n");
    total += m.original;
    packed += m.packed;
  }
  std::fprintf(out, "%12" PRIu64 " %12" PRIu64 "  %" PRIu64 " member(s), archive %" PRIu64 " bytes\n", total,
               packed, static_cast<std::uint64_t>(r.members.size()), r.archive_size);
  return 0;
}

}  // namespace

int RunLzhCommand(int argc, char** argv, std::FILE* out, std::FILE* err) {
  if (argc >= 2 && IsHelpOption(argv[1])) {
    std::fputs(kLzhUsage, out);
    return 0;
  }
  if (argc >= 3 && std::string(argv[1]) == "a") return RunLzhAdd(argc, argv, out, err);
  if (argc < 3 || argc > 4 || std::string(argv[1]).size() != 1) {
    std::fputs(kLzhUsage, err);
    return 2;
  }
  lzh::RunOptions opt;
  switch (argv[1][0]) {
    case 'l': opt.mode = lzh::Mode::List; break;
    case 't': opt.mode = lzh::Mode::Test; break;
    case 'e': opt.mode = lzh::Mode::Flat; break;
    case 'x': opt.mode = lzh::Mode::Folders; break;
    default: std::fputs(kLzhUsage, err); return 2;
  }
  const bool extracting = opt.mode == lzh::Mode::Flat || opt.mode == lzh::Mode::Folders;
  if (argc == 4 && !extracting) {
    std::fputs(kLzhUsage, err);
    return 2;
  }
  opt.target = argc == 4 ? enc::utf8_to_cp932(argv[3]) : std::string(".");
  Printer printer(opt.mode, out);
  opt.observer = &printer;
  if (opt.mode == lzh::Mode::List)
    std::fprintf(out, "%12s %12s  %-5s  %-4s  %-19s  %s\n", "size", "packed", "method", "CRC", "time (UTC)", "name");
  lzh::RunOutcome r;
  try {
    r = lzh::run_archive(native_file_system(), enc::utf8_to_cp932(argv[2]), opt);
  } catch (const std::bad_alloc&) {
    std::fputs("relvo lzh: out of memory\n", err);
    return 1;
  }
  if (r.members > 0 || r.archive_ok) printer.totals(r, opt.target);
  if (!r.archive_ok) put(err, "relvo lzh: " + ForTerminal(r.message) + "\n");
  return r.ok() ? 0 : 1;
}

}  // namespace relvo::app
