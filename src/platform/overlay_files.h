// A file layer that reads another one (the real disk) and keeps every change
// in memory, so that the dry run of an update sees its own earlier steps.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo {

// Honours the FileSystem contract of its own: folders made, files created,
// copied, renamed and removed, attributes and times set all live in memory
// and are seen by every later call; nothing is ever written below. What was
// not changed is read from below as it is at the time of the call. Files
// keep their contents in memory once changed (a file only read stays
// below). Paths are matched as the system writes them: '\' and '/' both
// separate, ASCII letters without case, "." and ".." taken away by their
// text. Folders renamed keep showing what they hold below under their new
// name.
class OverlayFileSystem final : public FileSystem {
 public:
  explicit OverlayFileSystem(FileSystem& below);
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
  std::map<std::string, Node> nodes_;  // by path key (see KeyOf)
};

}  // namespace relvo
