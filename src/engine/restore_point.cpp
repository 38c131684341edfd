// The restore point's store: where points live, the journal a run writes,
// and reading points (and what restores did to them) back.
//
// Record bodies (integers little-endian, a text is its u32 length and bytes):
//   Begin        "RELVO-RP", u32 version 1, i64 time, text product folder
//   Data         up to 1 MiB of a file's old bytes
//   Before       text path, u8 kind (0 absent, 1 file, 2 folder), u8 attribute,
//                i64 ctime, mtime, atime, u64 size, u64 CRC-64 of the bytes,
//                u32 count of the Data records right before it
//   After        u32 index of the Before entry, u8 kind (3 unreadable), u64
//                size, u64 CRC-64
//   Sealed       u32 entries, u64 old bytes kept
// A restore file ("restore-N", one per restore begun) holds:
//   RestoreBegin "RELVO-RS", u32 version 1, i64 time, u8 forced
//   PutBack      u32 index of the Before entry put back, u8 how (PutBackHow)
//   RestoreDone  u32 entries
#include "engine/restore_point.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/sjis.h"
#include "platform/storage.h"

namespace relvo {
namespace {

using journal::BodyReader;
using journal::BodyWriter;
using journal::Type;

constexpr char kJournalMagic[] = "RELVO-RP";
constexpr char kRestoreMagic[] = "RELVO-RS";
constexpr std::uint32_t kVersion = 1;

bool IsSep(char c) { return c == '\\' || c == '/'; }

// folder joined with name, in the folder's own kind of separator.
std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (sjis::ends_with_separator(folder)) return folder + name;
  const std::size_t sep = sjis::find_last_separator(folder);
  return folder + (sep != std::string::npos ? folder[sep] : '\\') + name;
}

std::string WithSeparator(const std::string& folder) {
  if (folder.empty() || sjis::ends_with_separator(folder)) return folder;
  const std::size_t sep = sjis::find_last_separator(folder);
  return folder + (sep != std::string::npos ? folder[sep] : '\\');
}

// A text the file layer takes for the same place wherever the current
// folder is: rooted ("\..", "/..", "\\server") or on a drive's root ("C:\").
bool IsFullPath(const std::string& p) {
  if (!p.empty() && IsSep(p[0])) return true;
  return p.size() >= 3 && p[1] == ':' && static_cast<unsigned char>(p[0]) < 0x80 && IsSep(p[2]);
}

std::uint64_t Fnv1a64(const std::string& s) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : s) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

bool AllDigits(const std::string& s) {
  return !s.empty() && s.size() < 10 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Creates each missing level of folder, making each new entry durable in
// the folder above it. False when a level cannot be made.
bool MakeFolders(FileSystem& fs, const std::string& folder) {
  std::vector<std::string> levels;
  std::string path = folder;
  while (!path.empty() && sjis::ends_with_separator(path) && path.size() > 1) path.pop_back();
  while (!path.empty() && !fs.exists(path)) {
    levels.push_back(path);
    const std::size_t sep = sjis::find_last_separator(path);
    if (sep == std::string::npos || sep == 0) break;
    path.erase(sep);
  }
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    if (!fs.make_dir(*it) && !fs.is_plain_folder(*it)) return false;
    const std::size_t sep = sjis::find_last_separator(*it);
    if (sep != std::string::npos) storage::sync_folder(it->substr(0, sep + 1));
  }
  return fs.is_plain_folder(folder);
}

std::string BeforeBody(const std::string& path, const PathState& st, std::uint32_t chunks) {
  BodyWriter b;
  b.text(path).u8(static_cast<std::uint8_t>(st.kind)).u8(st.status.attribute);
  b.i64(st.status.ctime).i64(st.status.mtime).i64(st.status.atime);
  b.u64(st.size).u64(st.crc).u32(chunks);
  return b.bytes();
}

bool KindOk(std::uint8_t k) { return k <= static_cast<std::uint8_t>(PathKind::Unreadable); }

}  // namespace

PathState ReadPathState(FileSystem& fs, const std::string& path) {
  PathState s;
  FileStatus st;
  if (!fs.get_status(path, st)) {
    if (fs.exists(path)) s.kind = PathKind::Unreadable;
    return s;
  }
  st.fullName.clear();
  s.status = st;
  if (st.attribute & kAttrDirectory) {
    s.kind = PathKind::Folder;
    return s;
  }
  s.kind = PathKind::Unreadable;
  std::unique_ptr<FileReader> in = fs.open_read(path);
  if (!in) return s;
  try {
    std::vector<char> buf(256 * 1024);
    std::uint64_t crc = 0, size = 0;
    for (std::size_t n; (n = in->read(buf.data(), buf.size())) != 0;) {
      crc = journal::Crc64(buf.data(), n, crc);
      size += n;
    }
    s.kind = PathKind::File;
    s.size = size;
    s.crc = crc;
  } catch (const FileError&) {
  }
  return s;
}

std::string PathKey(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  if (!path.empty() && IsSep(path[0])) {
    out += '\\';
    i = 1;
    if (path.size() > 1 && IsSep(path[1])) {  // "\\server\share"
      out += '\\';
      i = 2;
    }
  }
  std::string part;
  auto flush = [&] {
    if (!part.empty() && part != ".") {
      if (!out.empty() && out.back() != '\\') out += '\\';
      out += part;
    }
    part.clear();
  };
  for (; i < path.size(); i += sjis::char_len(path, i)) {
    if (IsSep(path[i]))
      flush();
    else
      part.append(path, i, sjis::char_len(path, i));
  }
  flush();
  return sjis::to_upper(out);
}

std::string DefaultRestorePointBase() {
  const std::string state = storage::user_state_folder();
  if (state.empty()) return {};
  return WithSeparator(Join(state, "restore"));
}

std::string ProductPointsFolder(FileSystem& product, const std::string& base, const std::string& productFolder) {
  FileStatus st;
  std::string full = productFolder;
  if (product.get_status(productFolder, st) && !st.fullName.empty()) full = st.fullName;
  const std::string key = PathKey(full);
  // The last component, for a name a person recognises.
  std::string spelled = full;
  while (spelled.size() > 1 && sjis::ends_with_separator(spelled)) spelled.pop_back();
  const std::size_t sep = sjis::find_last_separator(spelled);
  if (sep != std::string::npos) spelled.erase(0, sep + 1);
  std::string name;
  // In lower case: not every file system tells the spelling on the disk.
  for (char c : spelled) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (keep && name.size() < 24) name += c;
  }
  if (name.empty()) name = "product";
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a64(key)));
  return WithSeparator(Join(WithSeparator(base), name + "-" + hex));
}

std::uint64_t PointBytesNeeded(std::uint64_t oldBytes, std::size_t paths) {
  // Every path: a Before and an After record with the path text, and at
  // least one Data frame; every MiB of old bytes: one more Data frame. The
  // reserve keeps the disk from being filled to its last block.
  return oldBytes + (oldBytes / journal::kDataBytes + 1) * journal::kFrameBytes + paths * std::uint64_t{1024} +
         (std::uint64_t{1} << 20);
}

RoomCheck CheckRoom(const std::string& base, std::uint64_t needed) {
  RoomCheck r;
  r.needed = needed;
  r.known = storage::free_bytes(base, r.available);
  return r;
}

bool PointSizeCounter::record(FileSystem& product, std::initializer_list<std::string> paths) {
  for (const std::string& p : paths) {
    if (!keys_.insert(PathKey(p)).second) continue;
    FileStatus st;
    if (product.get_status(p, st) && !(st.attribute & kAttrDirectory)) oldBytes_ += st.size;
  }
  return true;
}

// ---- Writer.

RestorePointWriter::RestorePointWriter(FileSystem& store, std::string productPoints, std::string productFolder)
    : store_(store), productPoints_(WithSeparator(productPoints)), productFolder_(std::move(productFolder)) {}

RestorePointWriter::~RestorePointWriter() {
  if (!journal_) return;
  try {
    journal_->close();
  } catch (const FileError&) {
    // Left unsealed: restorable as a point whose run was interrupted.
  }
}

bool RestorePointWriter::fail(const std::string& why) {
  broken_ = true;
  error_ = why;
  return false;
}

bool RestorePointWriter::refuse(const std::string& why) {
  error_ = why;
  return false;
}

bool RestorePointWriter::start() {
  if (!MakeFolders(store_, productPoints_)) return fail(productPoints_ + ": cannot be created");
  long next = 1;
  for (const FoundEntry& e : store_.find(productPoints_ + "*"))
    if (e.isFolder && AllDigits(e.name)) next = std::max(next, std::stol(e.name) + 1);
  // Another run may take the same number at the same moment: the first to
  // make the folder has it.
  for (int tries = 0; tries < 100; ++tries, ++next) {
    const std::string folder = WithSeparator(Join(productPoints_, std::to_string(next)));
    if (!store_.make_dir(folder)) continue;
    folder_ = folder;
    id_ = std::to_string(next);
    break;
  }
  if (folder_.empty()) return fail(productPoints_ + ": no new restore point can be made there");
  std::unique_ptr<FileWriter> out = store_.create_temp(JournalPath(folder_));
  if (!out) return fail(JournalPath(folder_) + ": cannot be created");
  journal_ = std::make_unique<journal::Writer>(std::move(out));
  std::string body(kJournalMagic, 8);
  body += BodyWriter().u32(kVersion).i64(static_cast<std::int64_t>(std::time(nullptr))).text(productFolder_).bytes();
  journal_->append(Type::Begin, body);
  journal_->sync();
  // The journal's name, and the point's folder's, durable before any change.
  storage::sync_folder(folder_);
  storage::sync_folder(productPoints_);
  return true;
}

bool RestorePointWriter::record_one(FileSystem& product, const std::string& path) {
  PathState st;
  FileStatus fst;
  if (!product.get_status(path, fst)) {
    if (product.exists(path)) return refuse(path + ": cannot be read");
    journal_->append(Type::Before, BeforeBody(path, st, 0));
  } else if (fst.attribute & kAttrDirectory) {
    st.kind = PathKind::Folder;
    st.status = fst;
    journal_->append(Type::Before, BeforeBody(path, st, 0));
  } else {
    std::unique_ptr<FileReader> in = product.open_read(path);
    if (!in) return refuse(path + ": cannot be read");
    st.kind = PathKind::File;
    st.status = fst;
    std::string chunk(journal::kDataBytes, '\0');
    std::uint32_t chunks = 0;
    for (;;) {
      std::size_t n = 0;
      try {
        while (n < chunk.size()) {
          const std::size_t k = in->read(chunk.data() + n, chunk.size() - n);
          if (k == 0) break;
          n += k;
        }
      } catch (const FileError&) {
        // The Data written so far belong to no Before: readers pass over them.
        return refuse(path + ": cannot be read");
      }
      if (n == 0) break;
      st.crc = journal::Crc64(chunk.data(), n, st.crc);
      st.size += n;
      journal_->append(Type::Data, std::string_view(chunk.data(), n));
      ++chunks;
      if (n < chunk.size()) break;
    }
    journal_->append(Type::Before, BeforeBody(path, st, chunks));
    bytes_ += st.size;
  }
  keys_.insert(PathKey(path));
  entries_.push_back(path);
  return true;
}

bool RestorePointWriter::record(FileSystem& product, std::initializer_list<std::string> paths) {
  if (broken_ || finished_) return refuse("the restore point is closed");
  bool any = false;
  for (const std::string& p : paths) {
    if (recorded(p)) continue;
    if (!IsFullPath(p)) return refuse(p + ": not a full path");
    any = true;
  }
  if (!any) return true;
  try {
    if (!journal_ && !start()) return false;
    bool all = true;
    for (const std::string& p : paths)
      if (all && !recorded(p)) all = record_one(product, p);
    // Synced also when a path was refused: the ones before it count as
    // recorded from now on.
    journal_->sync();
    return all;
  } catch (const FileError& e) {
    return fail(e.what());
  }
}

bool RestorePointWriter::finish(FileSystem& product, int keep) {
  if (finished_) return !broken_;
  finished_ = true;
  if (!journal_) return !broken_;
  if (broken_) return false;  // a torn record may stand last: nothing goes after it
  try {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const PathState now = ReadPathState(product, entries_[i]);
      journal_->append(Type::After, BodyWriter()
                                        .u32(static_cast<std::uint32_t>(i))
                                        .u8(static_cast<std::uint8_t>(now.kind))
                                        .u64(now.size)
                                        .u64(now.crc)
                                        .bytes());
    }
    journal_->append(Type::Sealed,
                     BodyWriter().u32(static_cast<std::uint32_t>(entries_.size())).u64(bytes_).bytes());
    journal_->sync();
    journal_->close();
    journal_.reset();
  } catch (const FileError& e) {
    journal_.reset();
    return fail(e.what());
  }
  // Only now that this point is whole do older ones go.
  std::vector<PointInfo> points = ListPoints(store_, productPoints_);
  int kept = 0;
  for (auto it = points.rbegin(); it != points.rend(); ++it) {
    const bool mine = it->id == id_;
    if (mine || (!it->entries.empty() && kept < keep)) {
      ++kept;
      continue;
    }
    RemovePoint(store_, it->folder);
  }
  return true;
}

// ---- Reading.

const char* PointStateName(PointState s) {
  switch (s) {
    case PointState::Complete: return "complete";
    case PointState::Interrupted: return "interrupted";
    case PointState::Restoring: return "restoring";
    case PointState::Restored: return "restored";
  }
  return "?";
}

std::string JournalPath(const std::string& pointFolder) { return Join(pointFolder, "journal"); }

std::string RestoreFilePath(const std::string& pointFolder, int n) {
  return Join(pointFolder, "restore-" + std::to_string(n));
}

namespace {

struct Pending {
  std::uint64_t offset, size;
};

}  // namespace

bool ReadPointJournal(ByteSource& in, PointInfo& info, bool& sealed) {
  sealed = false;
  const journal::Scan scan = journal::ScanJournal(in, false);
  if (scan.records.empty() || scan.records[0].type != Type::Begin) return false;
  {
    const std::string& body = scan.records[0].body;
    if (body.compare(0, 8, kJournalMagic, 8) != 0) return false;
    BodyReader b(std::string_view(body).substr(8));
    if (b.u32() != kVersion) return false;
    info.time = b.i64();
    info.productFolder = b.text();
    if (!b.ok()) return false;
  }
  std::vector<Pending> pending;
  for (std::size_t i = 1; i < scan.records.size(); ++i) {
    const journal::Record& r = scan.records[i];
    if (r.type == Type::Data) {
      pending.push_back({r.offset, r.bodySize});
      continue;
    }
    if (r.type == Type::Before) {
      BodyReader b(r.body);
      PointEntry e;
      e.path = b.text();
      const std::uint8_t kind = b.u8();
      e.before.status.attribute = b.u8();
      e.before.status.ctime = b.i64();
      e.before.status.mtime = b.i64();
      e.before.status.atime = b.i64();
      e.before.size = b.u64();
      e.before.crc = b.u64();
      e.chunks = b.u32();
      // Only a file has bytes; nothing unreadable is ever recorded.
      const bool file = kind == static_cast<std::uint8_t>(PathKind::File);
      if (!b.ok() || kind > static_cast<std::uint8_t>(PathKind::Folder) || e.chunks > pending.size() ||
          (!file && (e.chunks || e.before.size)))
        break;
      e.before.kind = static_cast<PathKind>(kind);
      // Its Data records stand right before it, one after the other; Data
      // of a copy that failed half-way may stand before them.
      std::uint64_t end = r.offset, total = 0;
      bool whole = true;
      for (std::uint32_t k = 0; k < e.chunks; ++k) {
        const Pending& p = pending[pending.size() - 1 - k];
        whole = whole && p.offset + journal::kFrameBytes + p.size == end;
        end = p.offset;
        total += p.size;
      }
      if (!whole || total != e.before.size) break;
      e.dataOffset = end;
      e.before.status.size = e.before.size;
      pending.clear();
      info.bytes += e.before.size;
      info.entries.push_back(std::move(e));
      continue;
    }
    pending.clear();
    if (r.type == Type::After) {
      BodyReader b(r.body);
      const std::uint32_t index = b.u32();
      const std::uint8_t kind = b.u8();
      PathState after;
      after.size = b.u64();
      after.crc = b.u64();
      if (!b.ok() || !KindOk(kind) || index >= info.entries.size()) break;
      after.kind = static_cast<PathKind>(kind);
      info.entries[index].after = after;
      info.entries[index].hasAfter = true;
    } else if (r.type == Type::Sealed) {
      sealed = std::all_of(info.entries.begin(), info.entries.end(), [](const PointEntry& e) { return e.hasAfter; });
      break;
    } else {
      break;  // no other record belongs in a journal
    }
  }
  return true;
}

namespace {

// Reads what restores left in the point's restore files.
void ReadRestores(FileSystem& store, PointInfo& info, bool& begun, bool& done) {
  std::vector<int> numbers;
  for (const FoundEntry& e : store.find(Join(info.folder, "restore-*"))) {
    const std::string digits = e.name.substr(8);
    if (!e.isFolder && AllDigits(digits)) numbers.push_back(std::stoi(digits));
  }
  std::sort(numbers.begin(), numbers.end());
  info.putBack.assign(info.entries.size(), false);
  for (int n : numbers) {
    info.nextRestoreFile = std::max(info.nextRestoreFile, n + 1);
    std::unique_ptr<FileReader> in = store.open_read(RestoreFilePath(info.folder, n));
    if (!in) continue;
    const journal::Scan scan = journal::ScanJournal(*in, true);
    if (scan.records.empty() || scan.records[0].type != Type::RestoreBegin ||
        scan.records[0].body.compare(0, 8, kRestoreMagic, 8) != 0)
      continue;
    BodyReader head(std::string_view(scan.records[0].body).substr(8));
    const std::uint32_t version = head.u32();
    head.i64();
    const bool forced = head.u8() != 0;
    if (!head.ok() || version != kVersion) continue;
    begun = true;
    info.restoreForced = info.restoreForced || forced;
    for (std::size_t i = 1; i < scan.records.size(); ++i) {
      const journal::Record& r = scan.records[i];
      if (r.type == Type::PutBack) {
        BodyReader b(r.body);
        const std::uint32_t index = b.u32();
        if (b.ok() && index < info.putBack.size()) info.putBack[index] = true;
      } else if (r.type == Type::RestoreDone) {
        done = true;
      }
    }
  }
}

}  // namespace

std::string RestoreBeginBody(bool forced) {
  std::string body(kRestoreMagic, 8);
  body += BodyWriter().u32(kVersion).i64(static_cast<std::int64_t>(std::time(nullptr))).u8(forced ? 1 : 0).bytes();
  return body;
}

std::vector<PointInfo> ListPoints(FileSystem& store, const std::string& productPoints) {
  std::vector<PointInfo> points;
  const std::string folder = WithSeparator(productPoints);
  for (const FoundEntry& e : store.find(folder + "*")) {
    if (!e.isFolder || !AllDigits(e.name)) continue;
    PointInfo info;
    info.id = e.name;
    info.folder = WithSeparator(Join(folder, e.name));
    bool sealed = false, begun = false, done = false;
    try {
      std::unique_ptr<FileReader> in = store.open_read(JournalPath(info.folder));
      if (!in || !ReadPointJournal(*in, info, sealed)) continue;
      ReadRestores(store, info, begun, done);
    } catch (const FileError&) {
      continue;
    }
    info.state = done ? PointState::Restored
                      : begun ? PointState::Restoring : sealed ? PointState::Complete : PointState::Interrupted;
    points.push_back(std::move(info));
  }
  std::sort(points.begin(), points.end(),
            [](const PointInfo& a, const PointInfo& b) { return std::stol(a.id) < std::stol(b.id); });
  return points;
}

bool RemovePoint(FileSystem& store, const std::string& pointFolder) {
  for (const FoundEntry& e : store.find(Join(pointFolder, "*")))
    if (!e.isFolder) store.remove(Join(pointFolder, e.name));
  return store.remove_folder(pointFolder);
}

}  // namespace relvo
