// Made media checked by the update's own dry run on the old product: what it
// would write, set beside the new tree.
#include <cstring>
#include <map>
#include <set>

#include "app/make_media.h"
#include "app/run_host.h"
#include "base/cnum.h"
#include "base/sjis.h"

namespace relvo::app {

namespace {

// A path's components: '\' and '/' separate, empty and "." ones dropped.
std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i <= path.size(); i += i < path.size() ? sjis::char_len(path, i) : 1) {
    if (i == path.size() || (sjis::char_len(path, i) == 1 && (path[i] == '\\' || path[i] == '/'))) {
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part.append(path, i, sjis::char_len(path, i));
    }
  }
  return parts;
}

// Where path lies below the folder whose components are folder, as spelled
// ('\' between components); empty when it is not below it.
std::string Below(const std::string& path, const std::vector<std::string>& folder) {
  const std::vector<std::string> parts = Parts(path);
  if (parts.size() <= folder.size()) return {};
  for (std::size_t i = 0; i < folder.size(); ++i)
    if (!sjis::iequals(parts[i], folder[i])) return {};
  std::string rel;
  for (std::size_t i = folder.size(); i < parts.size(); ++i) rel += (rel.empty() ? "" : "\\") + parts[i];
  return rel;
}

// The same as a key: names match as on Windows.
std::string KeyBelow(const std::string& path, const std::vector<std::string>& folder) {
  return sjis::to_upper(Below(path, folder));
}

std::size_t ReadFully(ByteSource& r, std::vector<char>& buf) {
  std::size_t got = 0;
  while (got < buf.size()) {
    const std::size_t k = r.read(buf.data() + got, buf.size() - got);
    if (k == 0) break;
    got += k;
  }
  return got;
}

enum class Same { Bytes, Size, No };

// The file the dry run wrote (in its layer) beside the new tree's (on
// disk): equal bytes, equal sizes where the dry run's memory let its bytes
// go, or different.
Same Compare(FileSystem& dry, const std::string& written, FileSystem& fs, const std::string& wanted) {
  FileStatus a, b;
  if (!dry.get_status(written, a) || !fs.get_status(wanted, b) || a.size != b.size) return Same::No;
  const std::unique_ptr<FileReader> ra = dry.open_read(written), rb = fs.open_read(wanted);
  if (!ra || !rb) return Same::No;
  std::vector<char> ba(1 << 16), bb(1 << 16);
  for (;;) {
    std::size_t na;
    try {
      na = ReadFully(*ra, ba);
    } catch (const FileError&) {
      return Same::Size;  // what the dry run wrote reads back only as its size
    }
    if (ReadFully(*rb, bb) != na || std::memcmp(ba.data(), bb.data(), na) != 0) return Same::No;
    if (na < ba.size()) return Same::Bytes;
  }
}

std::string Stop(const Plan& plan) { return plan.steps.empty() ? std::string("no step") : plan.steps.back().text; }

// The run of the rows alone, on a host of its own: what it writes must be
// the carried files, as the new tree holds them.
void RowsCheck(FileSystem& fs, SystemInfo& system, const std::vector<std::string>& disks, const UpdateDescriptor& d,
               const std::string& oldFolder, const std::string& newRoot, const std::vector<std::string>& carried,
               MadeMediaCheck& c) {
  RunHost dry(RunParts{fs, system, disks, {}}, RunHost::Dry{});
  const Plan plan = RunOnCopy(dry, d, oldFolder);
  if (plan.outcome != UpdateOutcome::Updated) {
    c.differences.push_back("the update on " + oldFolder + " would stop: " + Stop(plan));
    return;
  }
  std::map<std::string, std::string> wanted;  // key -> the new tree's relative path
  for (const std::string& rel : carried) wanted.emplace(KeyBelow(rel, {}), rel);
  const std::vector<std::string> product = Parts(oldFolder);
  std::set<std::string> written;
  for (const PlanStep& s : plan.steps) {
    if (s.kind != "write" && s.kind != "copy") continue;
    const std::string key = KeyBelow(s.target, product);
    if (!written.insert(key.empty() ? s.target : key).second) continue;
    const auto it = wanted.find(key);
    if (it == wanted.end()) {
      c.differences.push_back("the update would write " + s.target + ", which the new tree does not change");
      continue;
    }
    switch (Compare(dry.files(), s.target, fs, newRoot + it->second)) {
      case Same::Bytes: ++c.sameBytes; break;
      case Same::Size: ++c.sameSize; break;
      case Same::No: c.differences.push_back(s.target + " as the update would write it differs from " + newRoot + it->second);
    }
  }
  for (const auto& [key, rel] : wanted)
    if (!written.count(key)) c.differences.push_back("the update would not write " + rel);
}

// What the run with the switches on leaves other than the new tree holds
// it: each file it wrote, as it stands at the end, set beside the new
// tree's. Told, not failed: the digitizer edition and the conversions are
// there to change the user's own files, which a new tree need not show.
void SwitchedWrites(RunHost& host, const Plan& plan, const std::string& oldFolder, FileSystem& fs,
                    const std::string& newRoot, MadeMediaCheck& c) {
  const std::vector<std::string> product = Parts(oldFolder);
  std::set<std::string> seen;
  for (const PlanStep& s : plan.steps) {
    if (s.kind != "write" && s.kind != "copy" && s.kind != "rename") continue;
    const std::string rel = Below(s.target, product);
    FileStatus st;
    if (rel.empty() || !seen.insert(sjis::to_upper(rel)).second || !host.files().get_status(s.target, st) ||
        (st.attribute & kAttrDirectory))
      continue;  // outside the product, seen, or gone again (a temporary file)
    if (!fs.exists(newRoot + rel))
      c.warnings.push_back("with the digitizer edition or master conversion on, the update leaves " + rel +
                           ", which the new tree does not hold");
    else if (Compare(host.files(), s.target, fs, newRoot + rel) == Same::No)
      c.warnings.push_back("with the digitizer edition or master conversion on, the update leaves " + rel +
                           " other than the new tree holds it");
  }
}

}  // namespace

MadeMediaCheck CheckMadeMedia(FileSystem& fs, SystemInfo& system, const std::vector<std::string>& disks,
                              const std::string& oldFolder, const std::string& newRoot,
                              const std::vector<std::string>& carried) {
  MadeMediaCheck c;
  UpdateDescriptor d;
  if (ReadUpdateInfo(fs, disks.front(), d) != 1 || !d.complete) {
    c.differences.push_back("info.txt on " + disks.front() + " cannot be read whole");
    return c;
  }

  // The rows alone, then the whole run, each host let go before the next
  // is made: a dry run holds what it writes in memory.
  UpdateDescriptor rowsOnly = d;
  rowsOnly.digitizerEdition = "0";
  rowsOnly.masterAdjust = "0";
  RowsCheck(fs, system, disks, rowsOnly, oldFolder, newRoot, carried, c);
  if (!c.differences.empty()) return c;

  // The run as info.txt has it, when it does more than the rows.
  if (c_atoi(d.digitizerEdition) == 1 || c_atoi(d.masterAdjust) == 1) {
    c.switchesRun = true;
    RunHost whole(RunParts{fs, system, disks, {}}, RunHost::Dry{});
    const Plan all = RunOnCopy(whole, d, oldFolder);
    if (all.outcome != UpdateOutcome::Updated)
      c.differences.push_back("with the digitizer edition or master conversion switched on, the update on " +
                              oldFolder + " would stop: " + Stop(all));
    for (const PlanStep& s : all.steps)
      if (s.kind == "warning") c.warnings.push_back("the update would show " + s.text);
    SwitchedWrites(whole, all, oldFolder, fs, newRoot, c);
  }
  c.ok = c.differences.empty();
  return c;
}

}  // namespace relvo::app
