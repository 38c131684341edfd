// The product's file layer with a restore point: every change the update
// run makes reaches the product only after the point has recorded what the
// changed paths held before.
#pragma once
#include <memory>
#include <string>

#include "engine/restore_point.h"
#include "platform/delegating_files.h"

namespace relvo {

// Hands every call to the product's layer. Before an operation that changes
// a path (make_dir, copy_file, set_status, remove, remove_folder, rename,
// create, create_temp) it has the point record each path the operation may
// change, the first time that path is met: a file replaced or rewritten in
// place, its attributes set, a file or folder created, removed or renamed
// away, and the file that a replacing operation writes beside its target
// (create_temp of NAME.relvo-new records NAME with it; copy_file and rename
// record the target's NAME.relvo-new with the target). When the point cannot
// record, the operation is not made and fails as it does when the disk
// refuses (false or nullptr). Folders are not renamed through this layer
// (false): what they hold would go unrecorded. open_exclusive is handed on
// as it is, keeping the disk's hold.
class RecordingFileSystem final : public DelegatingFileSystem {
 public:
  // point: a RestorePointWriter, or a PointSizeCounter for the dry run.
  RecordingFileSystem(FileSystem& product, PathRecorder& point) : DelegatingFileSystem(product), point_(point) {}

  bool make_dir(const std::string& path) override;
  bool copy_file(const std::string& from, const std::string& to) override;
  bool set_status(const std::string& path, const FileStatus& st) override;
  bool remove(const std::string& path) override;
  bool remove_folder(const std::string& path) override;
  bool rename(const std::string& from, const std::string& to) override;
  std::unique_ptr<FileReader> open_exclusive(const std::string& path) override { return inner_.open_exclusive(path); }
  std::unique_ptr<FileWriter> create(const std::string& path) override;
  std::unique_ptr<FileWriter> create_temp(const std::string& path) override;

 private:
  bool record(std::initializer_list<std::string> paths) { return point_.record(inner_, paths); }
  PathRecorder& point_;
};

}  // namespace relvo
