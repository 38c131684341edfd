// relvo make-media: the command around the maker, and the checks that the
// media it made are what the update needs.
#include "app/make_media.h"

#include <string>

#include "app/media_report.h"
#include "app/program_folder.h"
#include "base/sjis.h"
#include "fw/console/terminal.h"
#include "maker/media_maker.h"
#include "platform/console.h"
#include "platform/current_folders.h"
#include "platform/encoding.h"

namespace relvo::app {

namespace {

const char kUsage[] =
    "usage: relvo make-media --from OLD --to NEW --out DIR --header INFO\n"
    "                        [--disk-size SIZE] [--pictures DIR] [--reserve SIZE]\n"
    "\n"
    "Makes the update media that bring the product in OLD up to NEW. Compares\n"
    "the two trees, packs every added and changed file into LZH archives, one\n"
    "per folder of the product (more where a disk ends, never splitting a\n"
    "file), and writes them over the disks DIR/disk1, DIR/disk2, ... with\n"
    "info.txt on disk 1: the 41 header lines of INFO, then one row per archive\n"
    "(disk,1,NAME,FOLDER). A file whose name begins with master21 is copied by\n"
    "a file row of its own (disk,2,NAME,FOLDER\\): the update marks the master\n"
    "files only by a copied one. Then it reads every archive back against NEW,\n"
    "checks the media as check-media does, and runs the update on OLD as\n"
    "check-media --plan does, every change kept in memory: the run must\n"
    "complete and write exactly NEW's added and changed files, byte for byte.\n"
    "That run has the header's digitizer edition and master conversion off;\n"
    "when either is on, the update as info.txt has it must complete as well,\n"
    "and each file it leaves other than NEW has it is named in a warning.\n"
    "\n"
    "  --from OLD        the product as installed (a folder the update accepts:\n"
    "                    its settings file, menu settings file and Start.bmp)\n"
    "  --to NEW          the product as the update leaves it\n"
    "  --out DIR         where the disks' folders go; missing or empty\n"
    "  --header INFO     an info.txt whose first 41 lines are the header (keys,\n"
    "                    folder, switches, pictures, notices, title keywords) in\n"
    "                    Shift-JIS, or in UTF-8 with a byte order mark; a table\n"
    "                    after them is not used\n"
    "  --disk-size SIZE  1440K (the default), 720K, 1200K or 2880K: floppies,\n"
    "                    counted as their FAT12 file system holds files; N, NK\n"
    "                    or NM: disks of that many bytes; none: one disk\n"
    "  --pictures DIR    copy the pictures the header names (lines 21-24) from\n"
    "                    DIR to disk 1\n"
    "  --reserve SIZE    keep SIZE bytes (N, NK or NM) free on disk 1, for the\n"
    "                    program that runs the update\n"
    "  -h, --help        show this help\n"
    "\n"
    "Warnings name what the media cannot say: files and folders NEW no longer\n"
    "has (the update never deletes) and names the update cannot carry (not\n"
    "Shift-JIS, not a Windows name, a folder name with a comma).\n"
    "\n"
    "Exit status: 0 made and checked, 1 failed (a check that fails leaves the\n"
    "media for inspection: do not ship them), 2 bad usage.\n";

std::string WithSeparator(const std::string& folder) {
  return folder.empty() || sjis::ends_with_separator(folder) ? folder : folder + native_separator();
}

// True when folder (a folder text) is base or lies below it, both made
// absolute first; separators alike, ASCII letters in either case.
bool Within(const std::string& folder, const std::string& base) {
  auto key = [](const std::string& text) {
    std::string k = WithSeparator(AbsoluteFolderText(native_current_folders(), text));
    for (std::size_t i = 0; i < k.size(); ++i) {
      if (sjis::is_lead(static_cast<unsigned char>(k[i])) && i + 1 < k.size()) {
        ++i;
        continue;
      }
      if (k[i] == '\\') k[i] = '/';
      else if (k[i] >= 'a' && k[i] <= 'z') k[i] = static_cast<char>(k[i] - 'a' + 'A');
    }
    return k;
  };
  const std::string f = key(folder), b = key(base);
  return f.compare(0, b.size(), b) == 0;
}


void Put(std::FILE* to, const std::string& utf8) { std::fputs(utf8.c_str(), to); }
std::string Shown(const std::string& cp932) { return fw::console::ForTerminal(cp932); }

int Usage(std::FILE* err, const std::string& why) {
  std::fprintf(err, "relvo make-media: %s\n%s", fw::console::Utf8ForTerminal(why).c_str(), kUsage);
  return 2;
}

void Report(const maker::MadeMedia& m, std::FILE* out) {
  std::fprintf(out, "%zu file(s) added, %zu changed, %zu new folder(s); %zu carried\n", m.diff.added.size(),
               m.diff.changed.size(), m.diff.newFolders.size(), m.carried.size());
  int disk = 0;
  for (const maker::MediaRow& row : m.layout.rows) {
    if (row.disk != disk) {
      disk = row.disk;
      Put(out, "disk " + std::to_string(disk) + ": " + Shown(m.disks[static_cast<std::size_t>(disk - 1)]) + "\n");
    }
    Put(out, "  " + Shown(maker::RowLine(row)) + "  (" + std::to_string(row.files.size()) + " file(s))\n");
  }
  std::fprintf(out, "info.txt: %llu bytes, %zu row(s)\n", static_cast<unsigned long long>(m.layout.descriptorBytes),
               m.layout.rows.size());
}

}  // namespace

int RunMakeMediaCommand(int argc, char** argv, FileSystem& fs, SystemInfo& system, std::FILE* out, std::FILE* err) {
  maker::MakeMediaRequest req;
  if (!maker::ParseDiskSize("1440K", req.format)) return 1;
  std::string oldArg, newArg, outArg, headerArg;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, out);
      return 0;
    }
    const bool takesValue = a == "--from" || a == "--to" || a == "--out" || a == "--header" || a == "--disk-size" ||
                            a == "--pictures" || a == "--reserve";
    if (!takesValue) return Usage(err, a.size() > 1 && a[0] == '-' ? "unknown option " + a : "unexpected " + a);
    if (++i >= argc) return Usage(err, a + " needs a value");
    const std::string v = argv[i];
    const std::string folder = WithSeparator(enc::utf8_to_cp932(v));
    if (a == "--from") req.oldRoot = folder, oldArg = v;
    else if (a == "--to") req.newRoot = folder, newArg = v;
    else if (a == "--out") req.outDir = folder, outArg = v;
    else if (a == "--header") req.header = enc::utf8_to_cp932(v), headerArg = v;
    else if (a == "--pictures") req.pictures = folder;
    else if (a == "--disk-size" && !maker::ParseDiskSize(v, req.format)) return Usage(err, "bad disk size " + v);
    else if (a == "--reserve") {
      maker::DiskFormat size;
      if (v == "none" || !maker::ParseDiskSize(v, size)) return Usage(err, "bad size " + v);
      req.reserve = size.capacity;
    }
  }
  if (oldArg.empty() || newArg.empty() || outArg.empty() || headerArg.empty())
    return Usage(err, "--from, --to, --out and --header are all needed");
  // The disks made inside a tree would be part of the tree they are made of.
  if (Within(req.outDir, req.oldRoot) || Within(req.outDir, req.newRoot))
    return Usage(err, "--out must lie outside the --from and --to folders");

  const maker::MadeMedia m = maker::MakeMedia(fs, req);
  for (const std::string& w : m.warnings) Put(err, "relvo make-media: warning: " + Shown(w) + "\n");
  if (!m.ok) {
    Put(err, "relvo make-media: " + Shown(m.error) + "\n");
    return 1;
  }
  Report(m, out);
  std::fprintf(out, "media read back: every archive member and file equal to the new tree's\n");

  // The media as check-media sees them: info.txt read back as the wizard
  // reads it, every archive tested, the warnings for authors.
  MediaCheckOptions opt;
  opt.disks = m.disks;
  const MediaReport report = CheckMedia(fs, opt);
  for (const DescriptorIssue& p : report.problems)
    Put(err, std::string("relvo make-media: ") + (p.severity == DescriptorIssue::Severity::Error ? "" : "warning: ") +
                 "info.txt" + (p.line > 0 ? " line " + std::to_string(p.line) : "") + ": " +
                 fw::console::Utf8ForTerminal(p.message) + "\n");
  if (report.errorCount() > 0) {
    Put(err, "relvo make-media: check-media found errors in the media made in " + Shown(req.outDir) + "\n");
    return 1;
  }

  const MadeMediaCheck c = CheckMadeMedia(fs, system, m.disks, req.oldRoot, req.newRoot, m.carried);
  for (const std::string& w : c.warnings) Put(err, "relvo make-media: warning: " + Shown(w) + "\n");
  if (!c.ok) {
    for (const std::string& d : c.differences) Put(err, "relvo make-media: " + Shown(d) + "\n");
    Put(err, "relvo make-media: the media made in " + Shown(req.outDir) + " failed the dry run of their update\n");
    return 1;
  }
  std::fprintf(out, "dry run of the update on the old product: completes; writes the %zu carried file(s), equal to "
                    "the new tree's (%d byte for byte",
               m.carried.size(), c.sameBytes);
  if (c.sameSize > 0) std::fprintf(out, ", %d by size where the dry run kept no bytes", c.sameSize);
  std::fputs(")\n", out);
  if (c.switchesRun)
    std::fputs("dry run as info.txt has it (digitizer edition or master conversion on): completes\n", out);
  return 0;
}

}  // namespace relvo::app
