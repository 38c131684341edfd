// Putting a product back as a restore point found it before its update: the
// point's journal replayed backwards through the same atomic writes as the
// run, restartable, and never silently over what the user changed since.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "engine/restore_point.h"
#include "platform/files.h"

namespace relvo {

// What a restore did at one recorded path.
enum class PutBackHow {
  Restored,        // the old bytes written back (and attributes and times)
  Attributes,      // the bytes were the old ones already: attributes and times set
  Removed,         // a file the update made, removed
  FolderRemoved,   // a folder the update made, removed
  FolderLeft,      // a folder the update made, left: something else is in it now
  Unchanged,       // already as it was
};
// "restored", "attributes", "removed", "folder removed", "folder left", "unchanged".
const char* PutBackName(PutBackHow how);

// Told what a restore does, as it does it (for a log).
class RestoreEvents {
 public:
  virtual ~RestoreEvents() = default;
  virtual void put_back(const std::string& path, PutBackHow how) = 0;
  // path had changed since the update; its newer copy now is keptAs.
  virtual void kept(const std::string& path, const std::string& keptAs) = 0;
};

struct RestoreRequest {
  std::string pointId;  // empty: the newest point that recorded anything
  // Put back files changed since the update too, keeping each newer copy
  // beside it (KeptName). A restore that an earlier forced one began is
  // forced too.
  bool force = false;
};

enum class RestoreResult {
  Restored,          // every recorded path is as it was before the update
  NothingToRestore,  // no such point, none at all, or it is restored already
  Refused,           // files changed since the update; nothing was changed
  Failed,            // a path could not be put back; the restore can be run again
};

struct RestoreOutcome {
  RestoreResult result = RestoreResult::Failed;
  bool found = false;  // a point was chosen (point holds it)
  PointInfo point;
  // Refused: the files changed since the update. Restored with force: those
  // whose newer copies were kept.
  std::vector<std::string> changed;
  std::size_t putBack = 0;  // paths this restore put back or found as they were
  std::string error;        // why, when Failed or NothingToRestore (CP932)
};

// Restores the product from its point in productPoints (ProductPointsFolder)
// read through store (the native file layer or one over it: the point's old
// bytes are read back from the journal by offset, with
// storage::open_read_at). Changes go through product. Before changing
// anything, every recorded path not yet put back is compared with what the
// update left there (the After records): a file that is neither that nor
// its old self has changed since, and without force the restore stops with
// Refused and the list. Interrupted points (no After records) have nothing
// to compare with and are put back as they are. Progress goes to a restore
// file in the point's folder, so that a restore that died is finished by
// the next one.
RestoreOutcome RestoreProduct(FileSystem& product, FileSystem& store, const std::string& productPoints,
                              const RestoreRequest& request, RestoreEvents* events = nullptr);

// The point RestoreProduct would take for request, when it would restore
// it: false (point untouched) when there is none, or when that one is
// restored already or recorded nothing.
bool PointToRestore(FileSystem& store, const std::string& productPoints, PointInfo& point,
                    const RestoreRequest& request = {});

// The name a newer copy of path is kept under: path + ".relvo-kept", else
// path + ".relvo-kept-2", "-3", ... the first that is free.
std::string KeptName(FileSystem& product, const std::string& path);

}  // namespace relvo
