// The folder walk and in-place rewrite shared by both material master
// conversions; they differ only in the record rule they hand in.
#include "master/material_master.h"

#include <algorithm>

#include "base/sjis.h"
#include "master/record_rules.h"
#include "platform/profile.h"

namespace relvo {

namespace {

// zai???-3.mst (escaped so no compiler sees a trigraph).
constexpr const char* kMasterPattern = "zai\?\?\?-3.mst";
constexpr const char* kTempName = "temp.mst";

// Rewrites one master file through folder + "temp.mst". Returns false when
// the master file cannot be opened for rewriting (read-only, vanished, not a
// plain file, held open by someone else) or the temporary file cannot be
// created; nothing has been changed then. A read, write, flush or rename
// failure removes the temporary file, leaves the master file as it was and
// throws FileError.
bool RewriteMasterFile(FileSystem& fs, const std::string& folder, const std::string& name,
                       master::RecordRule rule) {
  const std::string path = folder + name;
  const std::string temp = folder + kTempName;
  // Held without sharing until it is replaced: a master file that the
  // running product holds open is found here, before anything is written,
  // and not at the rename.
  std::unique_ptr<FileReader> in = fs.open_exclusive(path);
  if (!in) return false;
  // A new file, never through a link planted under the name.
  std::unique_ptr<FileWriter> out = fs.create_temp(temp);
  if (!out) return false;
  try {
    master::RewriteRecords(*in, *out, rule);
    out->flush();
    out->close();
  } catch (...) {
    out.reset();
    fs.remove(temp);
    throw;
  }
  out.reset();
  // The master file must not be open while it is replaced (Windows refuses).
  in.reset();
  // One atomic step: the master file is either still the old one or already
  // the new one, never missing.
  if (!fs.rename(temp, path)) {
    fs.remove(temp);
    throw FileError(FileError::Op::Rename, path);
  }
  return true;
}

// Converts every material master file of one folder, in name order. Returns
// 1 when all were converted (or there were none), 0 at the first one that
// could not be opened; the files before it stay converted. files counts the
// files rewritten, and rewritten (when given) is told each new count.
int ConvertFolder(FileSystem& fs, const std::string& folder, master::RecordRule rule, int& files,
                  const FilesRewritten& rewritten = {}) {
  for (const std::string& name : FindMasterFiles(fs, folder + kMasterPattern)) {
    if (!RewriteMasterFile(fs, folder, name, rule)) return 0;
    ++files;
    if (rewritten) rewritten(files);
  }
  return 1;
}

// Converts the two master folders named by the settings file: prefix + "1\",
// then prefix + "21\" when the first one succeeded.
int ConvertBothFolders(FileSystem& fs, const std::string& settingsPath, master::RecordRule rule, int* files,
                       const FilesRewritten& rewritten) {
  int count = 0;
  if (!files) files = &count;
  *files = 0;
  // Read whole: a prefix cut to a buffer would name some other folder. A
  // relative prefix counts from the product folder, not the current one.
  const std::string prefix = MasterFolderPrefix(fs, settingsPath);
  // No prefix names no master folder. Taken as is, "1\" and "21\" would be
  // relative paths into whatever the current folder is, and strangers' files
  // would be rewritten there.
  if (prefix.empty()) return 1;
  int result = ConvertFolder(fs, prefix + "1\\", rule, *files, rewritten);
  if (result == 1) result = ConvertFolder(fs, prefix + "21\\", rule, *files, rewritten);
  return result;
}

}  // namespace

std::string MasterFolderPrefix(FileSystem& fs, const std::string& settingsPath) {
  return profile::read_folder(fs, settingsPath, "DIR", "MASTER");
}

std::vector<std::string> FindMasterFiles(FileSystem& fs, const std::string& pattern) {
  std::vector<std::string> names;
  for (FoundEntry& e : fs.find(pattern))
    if (!e.isFolder) names.push_back(std::move(e.name));
  // Directory order differs between file systems; sort so that every run
  // walks the files alike. Names that differ only in case (possible on a
  // POSIX disk) fall back to byte order.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const int c = sjis::icompare(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

int ConvertSizeInFolder(FileSystem& fs, const std::string& folder) {
  int files = 0;
  return ConvertFolder(fs, folder, master::ShrinkOldSizeRecord, files);
}

int ConvertTypeInFolder(FileSystem& fs, const std::string& folder) {
  int files = 0;
  return ConvertFolder(fs, folder, master::RetypeRecord, files);
}

int ConvertMaterialSize(FileSystem& fs, const std::string& settingsPath, int* files, const FilesRewritten& rewritten) {
  return ConvertBothFolders(fs, settingsPath, master::ShrinkOldSizeRecord, files, rewritten);
}

int ConvertMaterialType(FileSystem& fs, const std::string& settingsPath, int* files, const FilesRewritten& rewritten) {
  return ConvertBothFolders(fs, settingsPath, master::RetypeRecord, files, rewritten);
}

}  // namespace relvo
