// Restore points: what an update run found at each path before it first
// changed it, kept outside the product so that the product can be put back
// as it was before the run. This header is the point's store: where points
// live, writing one during a run, and reading them back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/restore_journal.h"
#include "platform/files.h"

namespace relvo {

// What a path holds.
enum class PathKind : std::uint8_t {
  Absent = 0,
  File = 1,
  Folder = 2,
  Unreadable = 3,  // something is there whose bytes cannot be read
};

// A path's state: its kind, and for a file its size and the CRC-64 of its
// bytes; the attribute byte and times as FileSystem::get_status gives them.
struct PathState {
  PathKind kind = PathKind::Absent;
  std::uint64_t size = 0;
  std::uint64_t crc = 0;
  FileStatus status;  // fullName is not kept
  // Same kind and, for files, the same bytes (size and checksum).
  bool same_content(const PathState& o) const {
    return kind == o.kind && (kind != PathKind::File || (size == o.size && crc == o.crc));
  }
};

// Reads the state of path through fs (reading a file whole for its
// checksum). Read failures give Unreadable.
PathState ReadPathState(FileSystem& fs, const std::string& path);

// The key a path is known by in a point: '/' and '\' alike, repeated
// separators and "." components dropped, ASCII letters upper-cased (never a
// trail byte), no trailing separator.
std::string PathKey(const std::string& path);

// ---- Where points live.

// The base folder of restore points when none is chosen: the user's state
// folder (storage::user_state_folder) + "restore" + a separator. Empty when
// the platform names no such folder.
std::string DefaultRestorePointBase();

// The folder that keeps the points of the product in productFolder below
// base (a folder text; a separator is added when it has none): base + the
// folder's last component (ASCII letters in lower case, digits, '-' and '_'
// kept, at most 24) + "-" + 16 hex digits of a hash of its full path, + a
// separator. The
// same product folder gives the same name however it is spelled (case,
// separators, trailing separator, relative to the current folder).
std::string ProductPointsFolder(FileSystem& product, const std::string& base, const std::string& productFolder);

// ---- Room.

// The bytes a point needs on its disk to keep oldBytes of old file contents
// for paths paths (files kept, files and folders created), its journal's
// records and checksums included, with a reserve.
std::uint64_t PointBytesNeeded(std::uint64_t oldBytes, std::size_t paths);

struct RoomCheck {
  bool known = false;           // the free space could be told
  std::uint64_t needed = 0;     // as asked
  std::uint64_t available = 0;  // free for this user where the point goes
  bool enough() const { return known && available >= needed; }
};
// Whether the disk that holds base (or will: the nearest folder above it
// that exists) has needed bytes free.
RoomCheck CheckRoom(const std::string& base, std::uint64_t needed);

// ---- Writing a point during a run.

// What the recording file layer asks of a point: to record paths before
// the first change to them.
class PathRecorder {
 public:
  virtual ~PathRecorder() = default;
  // True when each of paths is recorded (now or before) and may be changed.
  virtual bool record(FileSystem& product, std::initializer_list<std::string> paths) = 0;
};

// Counts what a point would keep and records nothing. Under the dry run's
// file layer (a RecordingFileSystem over the in-memory layer) it tells,
// before the run, the paths the run will change and the old bytes a point
// will keep of them: needed() is what CheckRoom wants.
class PointSizeCounter final : public PathRecorder {
 public:
  bool record(FileSystem& product, std::initializer_list<std::string> paths) override;
  std::size_t paths() const { return keys_.size(); }
  std::uint64_t oldBytes() const { return oldBytes_; }
  std::uint64_t needed() const { return PointBytesNeeded(oldBytes_, keys_.size()); }

 private:
  std::set<std::string> keys_;
  std::uint64_t oldBytes_ = 0;
};

// The point one update run writes. Nothing is made on the disk until the
// first path is recorded: a run that changes nothing leaves no point. Each
// point is a folder productPoints + ID (1, 2, 3, ... one more than the
// newest there) holding one append-only file, "journal": a Begin record,
// then for each path its old bytes as Data records (at most 1 MiB each)
// followed by its Before record, all synced before record() returns; when
// the run ends, one After record per path and Sealed. Not copyable.
class RestorePointWriter final : public PathRecorder {
 public:
  RestorePointWriter(FileSystem& store, std::string productPoints, std::string productFolder);
  ~RestorePointWriter();
  RestorePointWriter(const RestorePointWriter&) = delete;
  RestorePointWriter& operator=(const RestorePointWriter&) = delete;

  // Records, for each path not recorded yet, what it holds now (read
  // through product): a file's bytes, attributes and times; a folder's
  // attributes and times; or that nothing is there. Durable when this
  // returns true, so the caller may change the paths. False when a path
  // could not be recorded; the caller must not change them, and error()
  // says why. A file that cannot be read, or a path that is not a full
  // path, refuses that change alone; when the point's own disk refuses
  // (the point cannot be made, a write or flush fails) the point is
  // broken() and refuses every change from then on.
  bool record(FileSystem& product, std::initializer_list<std::string> paths) override;
  // True when path is recorded already.
  bool recorded(const std::string& path) const { return keys_.count(PathKey(path)) != 0; }

  // Ends the point after the run: records what each recorded path holds now
  // (read through product) and seals the point; then removes this
  // product's older points beyond the newest keep (and points that recorded
  // nothing). False when the point could not be sealed (it stays
  // restorable, as one whose run was interrupted). Does nothing and returns
  // true when nothing was recorded.
  bool finish(FileSystem& product, int keep = 3);

  bool started() const { return !folder_.empty(); }
  bool broken() const { return broken_; }
  const std::string& error() const { return error_; }
  // The point's folder and id once started.
  const std::string& folder() const { return folder_; }
  const std::string& id() const { return id_; }
  std::size_t paths() const { return entries_.size(); }
  std::uint64_t bytes() const { return bytes_; }  // old file bytes kept

 private:
  bool start();
  bool record_one(FileSystem& product, const std::string& path);
  bool fail(const std::string& why);    // broken: nothing more is recorded
  bool refuse(const std::string& why);  // this change only

  FileSystem& store_;
  std::string productPoints_, productFolder_;
  std::string folder_, id_;
  std::unique_ptr<journal::Writer> journal_;
  std::set<std::string> keys_;
  std::vector<std::string> entries_;  // paths in the order recorded
  std::uint64_t bytes_ = 0;
  bool broken_ = false, finished_ = false;
  std::string error_;
};

// ---- Reading points back.

enum class PointState {
  Complete,     // the run ended and sealed the point
  Interrupted,  // the run stopped before it sealed the point (killed)
  Restoring,    // a restore began and did not finish
  Restored,     // a restore put everything back
};
// "complete", "interrupted", "restoring", "restored".
const char* PointStateName(PointState s);

// One recorded path.
struct PointEntry {
  std::string path;  // as the run named it
  PathState before;
  bool hasAfter = false;
  PathState after;  // kind, size and checksum when hasAfter
  std::uint64_t dataOffset = 0;  // offset in the journal of its first Data record
  std::uint32_t chunks = 0;      // its Data records, one after the other
};

struct PointInfo {
  std::string id;
  std::string folder;         // the point's folder, with a separator
  std::string productFolder;  // as the run named it
  std::int64_t time = 0;      // when the run began (seconds since 1970, UTC)
  PointState state = PointState::Interrupted;
  std::vector<PointEntry> entries;  // in the order recorded
  std::uint64_t bytes = 0;          // old file bytes kept
  // What earlier restores of this point left: entries put back (by index),
  // whether one of them was forced, and the next restore file's number.
  std::vector<bool> putBack;
  bool restoreForced = false;
  int nextRestoreFile = 1;
};

// Reads a point's journal from in into info (time, productFolder, entries,
// bytes); sealed tells whether the run sealed it (every entry has its After
// record). False when in holds no journal (no sound Begin record first). A
// record that is torn, damaged or out of place ends the reading; what stands
// before it is kept. Read failures throw FileError.
bool ReadPointJournal(ByteSource& in, PointInfo& info, bool& sealed);

// The points in productPoints, oldest first (by id). A folder without a
// readable journal whose first record is a Begin is not a point.
std::vector<PointInfo> ListPoints(FileSystem& store, const std::string& productPoints);

// The journal and restore files of a point folder.
std::string JournalPath(const std::string& pointFolder);
std::string RestoreFilePath(const std::string& pointFolder, int n);

// The body of a restore file's first record (RestoreBegin): its magic,
// version, the time, and whether the restore was forced.
std::string RestoreBeginBody(bool forced);

// Removes a point folder and what it holds. False when something stays.
bool RemovePoint(FileSystem& store, const std::string& pointFolder);

}  // namespace relvo
