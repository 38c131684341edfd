// The recording file layer: what each change first records.
#include "engine/recording_files.h"

namespace relvo {

bool RecordingFileSystem::make_dir(const std::string& path) {
  // An existing name is not changed: make_dir fails on it below.
  if (!inner_.exists(path) && !record({path})) return false;
  return inner_.make_dir(path);
}

bool RecordingFileSystem::copy_file(const std::string& from, const std::string& to) {
  return record({to, sibling_temp_name(to)}) && inner_.copy_file(from, to);
}

bool RecordingFileSystem::set_status(const std::string& path, const FileStatus& st) {
  return record({path}) && inner_.set_status(path, st);
}

bool RecordingFileSystem::remove(const std::string& path) { return record({path}) && inner_.remove(path); }

bool RecordingFileSystem::remove_folder(const std::string& path) {
  return record({path}) && inner_.remove_folder(path);
}

bool RecordingFileSystem::rename(const std::string& from, const std::string& to) {
  FileStatus st;
  if (inner_.get_status(from, st) && (st.attribute & kAttrDirectory)) return false;
  // A change of spelling may go through the name beside the target.
  return record({from, to, sibling_temp_name(to)}) && inner_.rename(from, to);
}

std::unique_ptr<FileWriter> RecordingFileSystem::create(const std::string& path) {
  if (!record({path})) return nullptr;
  return inner_.create(path);
}

std::unique_ptr<FileWriter> RecordingFileSystem::create_temp(const std::string& path) {
  // The file beside a target is made to be renamed over it: the target is
  // recorded with it, in one step.
  const std::string suffix = sibling_temp_name("");
  const bool beside = path.size() > suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
  const bool ok = beside ? record({path, path.substr(0, path.size() - suffix.size())}) : record({path});
  if (!ok) return nullptr;
  return inner_.create_temp(path);
}

}  // namespace relvo
