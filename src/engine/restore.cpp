// The restore: choose the point, look for files changed since the update,
// then put every recorded path back, last recorded first.
#include "engine/restore.h"

#include <memory>

#include "base/sjis.h"
#include "engine/restore_journal.h"
#include "platform/storage.h"

namespace relvo {
namespace {

using journal::BodyWriter;
using journal::Type;

// Fails the restore with a message naming the path.
struct PutBackFailed {
  std::string why;
};

[[noreturn]] void Fail(const std::string& path, const char* what) { throw PutBackFailed{path + ": " + what}; }

bool IsOwnTempName(const std::string& path) {
  const std::string suffix = sjis::to_upper(sibling_temp_name(""));
  const std::string key = PathKey(path);
  return key.size() > suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string ParentOf(const std::string& path) {
  const std::size_t sep = sjis::find_last_separator(path);
  return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

// Creates the missing folders above path (the user may have removed them
// since the update).
void MakeParents(FileSystem& fs, const std::string& path) {
  const std::string parent = ParentOf(path);
  if (parent.empty() || fs.exists(parent)) return;
  MakeParents(fs, parent);
  if (!fs.make_dir(parent)) Fail(parent, "cannot be created");
}

// Makes a read-only file writable so that it can be replaced or removed.
void MakeWritable(FileSystem& fs, const std::string& path, const PathState& now) {
  if (now.kind != PathKind::File && now.kind != PathKind::Unreadable) return;
  if (!(now.status.attribute & kAttrReadOnly)) return;
  FileStatus st;  // times of 0 stay as they are
  st.attribute = static_cast<std::uint8_t>(now.status.attribute & ~kAttrReadOnly);
  if (!fs.set_status(path, st)) Fail(path, "cannot be made writable");
}

// Writes the entry's old bytes back over its path: beside it, flushed, then
// renamed over it; the bytes are checked against the point as they go.
void WriteBack(FileSystem& fs, const PointInfo& point, const PointEntry& e) {
  std::unique_ptr<FileReader> in = storage::open_read_at(JournalPath(point.folder), e.dataOffset);
  if (!in) Fail(JournalPath(point.folder), "cannot be read");
  const std::string temp = sibling_temp_name(e.path);
  std::unique_ptr<FileWriter> out = fs.create_temp(temp);
  if (!out) Fail(e.path, "cannot be written");
  std::uint64_t crc = 0, size = 0;
  bool sound = true;
  try {
    journal::Record r;
    for (std::uint32_t k = 0; k < e.chunks && sound; ++k) {
      sound = journal::ReadRecord(*in, r, true) && r.type == Type::Data;
      if (!sound) break;
      crc = journal::Crc64(r.body.data(), r.body.size(), crc);
      size += r.body.size();
      out->write(r.body.data(), r.body.size());
    }
    sound = sound && crc == e.before.crc && size == e.before.size;
    if (sound) out->flush();
    out->close();
  } catch (const FileError&) {
    out.reset();
    fs.remove(temp);
    Fail(e.path, "cannot be written");
  }
  out.reset();
  if (!sound) {
    fs.remove(temp);
    Fail(JournalPath(point.folder), "is damaged: the old bytes do not check out");
  }
  if (!fs.rename(temp, e.path)) {
    fs.remove(temp);
    Fail(e.path, "cannot be replaced");
  }
}

void SetStatus(FileSystem& fs, const std::string& path, const PathState& before) {
  if (!fs.set_status(path, before.status)) Fail(path, "attributes cannot be set");
}

// Puts one entry back. now is what the path holds; changed says it is a
// newer copy the user made, to be kept aside.
PutBackHow PutBack(FileSystem& fs, const PointInfo& point, const PointEntry& e, PathState now, bool changed,
                   RestoreEvents* events) {
  const std::string& p = e.path;
  if (changed && now.kind != PathKind::Absent) {
    const std::string kept = KeptName(fs, p);
    if (!fs.rename(p, kept)) Fail(p, "cannot be moved aside");
    if (events) events->kept(p, kept);
    now = PathState{};
  }
  switch (e.before.kind) {
    case PathKind::Absent:
      if (now.kind == PathKind::Absent) return PutBackHow::Unchanged;
      if (now.kind == PathKind::Folder) return fs.remove_folder(p) ? PutBackHow::FolderRemoved : PutBackHow::FolderLeft;
      MakeWritable(fs, p, now);
      if (!fs.remove(p)) Fail(p, "cannot be removed");
      return PutBackHow::Removed;
    case PathKind::Folder:
      if (now.kind != PathKind::Folder) {
        if (now.kind != PathKind::Absent) Fail(p, "is no folder now");
        MakeParents(fs, p);
        if (!fs.make_dir(p)) Fail(p, "cannot be created");
      }
      SetStatus(fs, p, e.before);
      return PutBackHow::Attributes;
    case PathKind::File:
      if (now.kind == PathKind::File && now.same_content(e.before)) {
        if (now.status.attribute == e.before.status.attribute && now.status.mtime == e.before.status.mtime)
          return PutBackHow::Unchanged;
        SetStatus(fs, p, e.before);
        return PutBackHow::Attributes;
      }
      if (now.kind == PathKind::Folder && !fs.remove_folder(p)) Fail(p, "is a folder that is not empty");
      MakeParents(fs, p);
      MakeWritable(fs, p, now);
      WriteBack(fs, point, e);
      SetStatus(fs, p, e.before);
      return PutBackHow::Restored;
    case PathKind::Unreadable: break;  // never recorded so
  }
  Fail(p, "was not recorded whole");
}

// Chooses the point to restore; nullptr (with outcome's error) when none.
const PointInfo* Choose(const std::vector<PointInfo>& points, const RestoreRequest& request, RestoreOutcome& out) {
  const PointInfo* chosen = nullptr;
  for (const PointInfo& p : points) {
    if (request.pointId.empty() ? !p.entries.empty() : p.id == request.pointId) chosen = &p;
  }
  if (!chosen) {
    out.error = request.pointId.empty() ? "no restore point for this folder"
                                        : "no restore point " + request.pointId + " for this folder";
    return nullptr;
  }
  out.found = true;
  out.point = *chosen;
  if (chosen->state == PointState::Restored) {
    out.error = "restore point " + chosen->id + " has been restored already";
    return nullptr;
  }
  if (chosen->entries.empty()) {
    out.error = "restore point " + chosen->id + " recorded no change";
    return nullptr;
  }
  return chosen;
}

}  // namespace

const char* PutBackName(PutBackHow how) {
  switch (how) {
    case PutBackHow::Restored: return "restored";
    case PutBackHow::Attributes: return "attributes";
    case PutBackHow::Removed: return "removed";
    case PutBackHow::FolderRemoved: return "folder removed";
    case PutBackHow::FolderLeft: return "folder left";
    case PutBackHow::Unchanged: return "unchanged";
  }
  return "?";
}

bool PointToRestore(FileSystem& store, const std::string& productPoints, PointInfo& point,
                    const RestoreRequest& request) {
  RestoreOutcome out;
  const std::vector<PointInfo> points = ListPoints(store, productPoints);
  const PointInfo* chosen = Choose(points, request, out);
  if (!chosen) return false;
  point = *chosen;
  return true;
}

std::string KeptName(FileSystem& product, const std::string& path) {
  std::string name = path + ".relvo-kept";
  for (int n = 2; product.exists(name) && n < 10000; ++n) name = path + ".relvo-kept-" + std::to_string(n);
  return name;
}

RestoreOutcome RestoreProduct(FileSystem& product, FileSystem& store, const std::string& productPoints,
                              const RestoreRequest& request, RestoreEvents* events) {
  RestoreOutcome out;
  out.result = RestoreResult::NothingToRestore;
  const std::vector<PointInfo> points = ListPoints(store, productPoints);
  const PointInfo* point = Choose(points, request, out);
  if (!point) return out;

  // Which paths the user has changed since the update.
  const std::size_t n = point->entries.size();
  std::vector<bool> changed(n, false);
  for (std::size_t i = 0; i < n; ++i) {
    if (point->putBack[i]) continue;
    const PointEntry& e = point->entries[i];
    const PathState now = ReadPathState(product, e.path);
    if (!e.hasAfter || now.same_content(e.after) || now.same_content(e.before)) continue;
    // The name beside a file is this program's own (the run's, or a
    // restore's that died): what stands there is no one's work.
    if (IsOwnTempName(e.path)) continue;
    // A folder the update made, filled since: left in place, not a conflict.
    if (e.before.kind == PathKind::Absent && e.after.kind == PathKind::Folder && now.kind == PathKind::Folder)
      continue;
    changed[i] = true;
    out.changed.push_back(e.path);
  }
  const bool force = request.force || point->restoreForced;
  if (!out.changed.empty() && !force) {
    out.result = RestoreResult::Refused;
    return out;
  }

  out.result = RestoreResult::Failed;
  std::unique_ptr<journal::Writer> progress;
  try {
    const std::string file = RestoreFilePath(point->folder, point->nextRestoreFile);
    std::unique_ptr<FileWriter> w = store.create_temp(file);
    if (!w) {
      out.error = file + ": cannot be created";
      return out;
    }
    progress = std::make_unique<journal::Writer>(std::move(w));
    progress->append(Type::RestoreBegin, RestoreBeginBody(force));
    progress->sync();
    storage::sync_folder(point->folder);
    for (std::size_t i = n; i-- > 0;) {
      if (point->putBack[i]) {
        ++out.putBack;
        continue;
      }
      const PointEntry& e = point->entries[i];
      // Read again: putting back a later entry may have changed this one's
      // path (a file written beside its target goes by the target's name).
      const PutBackHow how = PutBack(product, *point, e, ReadPathState(product, e.path), changed[i], events);
      // Not synced one by one: an entry whose record is lost is put back
      // again, which finds it as it was.
      progress->append(Type::PutBack, BodyWriter().u32(static_cast<std::uint32_t>(i)).u8(static_cast<std::uint8_t>(how)).bytes());
      ++out.putBack;
      if (events) events->put_back(e.path, how);
    }
    progress->append(Type::RestoreDone, BodyWriter().u32(static_cast<std::uint32_t>(n)).bytes());
    progress->sync();
    progress->close();
  } catch (const PutBackFailed& f) {
    out.error = f.why;
    return out;
  } catch (const FileError& e) {
    out.error = e.what();
    return out;
  }
  out.result = RestoreResult::Restored;
  out.point.state = PointState::Restored;
  return out;
}

}  // namespace relvo
