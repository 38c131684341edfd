// A file layer that hands every call to another one. Layers that add to a
// file layer (recording, a changed drive) and test doubles (a failing
// operation) derive from it and override only what they change.
// create_temp and open_exclusive are not handed on: they keep the file
// layer's own forms built on create, remove, is_writable and open_read, so
// that a layer which changes those (a path map, a journal) changes them
// too. A layer over the real disk that must keep the disk's exclusive opens
// hands them on itself.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo {

class DelegatingFileSystem : public FileSystem {
 public:
  explicit DelegatingFileSystem(FileSystem& inner) : inner_(inner) {}
  // Not copied: a layer built over another delegating layer must hand its
  // calls to that layer, never take over the layer that one hands them to
  // (which a copy would do, silently).
  DelegatingFileSystem(const DelegatingFileSystem&) = delete;
  DelegatingFileSystem& operator=(const DelegatingFileSystem&) = delete;

  bool exists(const std::string& p) override { return inner_.exists(p); }
  bool make_dir(const std::string& p) override { return inner_.make_dir(p); }
  bool is_plain_folder(const std::string& p) override { return inner_.is_plain_folder(p); }
  bool copy_file(const std::string& f, const std::string& t) override { return inner_.copy_file(f, t); }
  bool get_status(const std::string& p, FileStatus& st) override { return inner_.get_status(p, st); }
  bool set_status(const std::string& p, const FileStatus& st) override { return inner_.set_status(p, st); }
  bool remove(const std::string& p) override { return inner_.remove(p); }
  bool remove_folder(const std::string& p) override { return inner_.remove_folder(p); }
  bool rename(const std::string& f, const std::string& t) override { return inner_.rename(f, t); }
  std::vector<FoundEntry> find(const std::string& pattern) override { return inner_.find(pattern); }
  std::unique_ptr<FileReader> open_read(const std::string& p) override { return inner_.open_read(p); }
  std::unique_ptr<FileWriter> create(const std::string& p) override { return inner_.create(p); }
  bool is_writable(const std::string& p) override { return inner_.is_writable(p); }

 protected:
  FileSystem& inner_;
};

}  // namespace relvo
