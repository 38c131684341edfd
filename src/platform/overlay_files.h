// A file layer that reads another one (the real disk) and keeps every change
// in memory, so that the dry run of an update sees its own earlier steps.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo {

// Honours the FileSystem contract of its own: folders made, files created,
// copied, renamed and removed, attributes and times set all live in memory
// and are seen by every later call; nothing is ever written below. What was
// not changed is read from below as it is at the time of the call. Paths are
// matched as the system writes them: '\' and '/' both separate, ASCII
// letters without case, "." and ".." taken away by their text. Folders
// renamed keep showing what they hold below under their new name.
//
// A changed file keeps its size, attributes and times, and its bytes only
// while they stay within bounds: up to kKeptReadBack bytes for a file that
// read_back names (under its own name or the temporary one beside it:
// sibling_temp_name), up to kKeptAny for any other, while the files of each
// kind together hold at most kKeptReadBackTotal and kKeptAnyTotal bytes.
// Beyond that a file's bytes are counted and let go, so that memory does
// not grow with what is written; reading such a file fails with FileError
// (Read), never giving other bytes. (A file only read stays below.)
class OverlayFileSystem final : public FileSystem {
 public:
  // True for a path whose bytes a later step may read back.
  using ReadBack = std::function<bool(const std::string& path)>;
  static constexpr std::uint64_t kKeptAny = std::uint64_t(1) << 20;
  static constexpr std::uint64_t kKeptAnyTotal = std::uint64_t(128) << 20;
  static constexpr std::uint64_t kKeptReadBack = std::uint64_t(64) << 20;
  static constexpr std::uint64_t kKeptReadBackTotal = std::uint64_t(256) << 20;
  class Keeper;

  explicit OverlayFileSystem(FileSystem& below, ReadBack read_back = {});
  ~OverlayFileSystem() override;
  OverlayFileSystem(const OverlayFileSystem&) = delete;
  OverlayFileSystem& operator=(const OverlayFileSystem&) = delete;

  bool exists(const std::string& path) override;
  bool make_dir(const std::string& path) override;
  bool is_plain_folder(const std::string& path) override;
  bool copy_file(const std::string& from, const std::string& to) override;
  bool get_status(const std::string& path, FileStatus& st) override;
  bool set_status(const std::string& path, const FileStatus& st) override;
  bool remove(const std::string& path) override;
  bool remove_folder(const std::string& path) override;
  bool rename(const std::string& from, const std::string& to) override;
  std::vector<FoundEntry> find(const std::string& pattern) override;
  std::unique_ptr<FileReader> open_read(const std::string& path) override;
  // A file not changed in memory is held by the layer below, so that a file
  // held open elsewhere, or one that layer cannot open for writing, is
  // refused here as it would be there; the hold lasts while the reader
  // lives. A file changed in memory is held by nobody else.
  std::unique_ptr<FileReader> open_exclusive(const std::string& path) override;
  std::unique_ptr<FileWriter> create(const std::string& path) override;
  bool is_writable(const std::string& path) override;

 private:
  struct Node;
  struct Parsed;
  struct Place;
  struct Info;

  Place locate(const Parsed& p);
  Info inspect(const Parsed& p, Place& place);
  bool parent_is_folder(const Parsed& p);
  Node& materialize(const Parsed& p, Place& place);
  std::string spelling(const Parsed& p, Place& place);

  FileSystem& below_;
  std::unique_ptr<Keeper> keeper_;
  std::map<std::string, Node> nodes_;  // by path key (see KeyOf)
};

}  // namespace relvo
