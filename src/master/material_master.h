// The material master file conversions: rewrite every "zai???-3.mst" of the
// product's two master folders in place, record by record.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo {

// Each returns 1 when both master folders (or the one folder) were converted,
// 0 when a master file could not be opened for rewriting (read-only, vanished,
// locked) or "temp.mst" could not be created; the walk stops there, files
// before it stay converted. A missing folder counts as converted, and so does
// a settings file that names no master folder prefix (nothing is touched).
// A failed read, write, flush or rename throws FileError naming the file; the
// master file is then untouched and no "temp.mst" is left. files, when
// given, receives how many master files were rewritten (also on a 0);
// rewritten, when given, is told the count after each file.
using FilesRewritten = std::function<void(int files)>;
int ConvertMaterialSize(FileSystem& fs, const std::string& settingsPath, int* files = nullptr,
                        const FilesRewritten& rewritten = {});
int ConvertMaterialType(FileSystem& fs, const std::string& settingsPath, int* files = nullptr,
                        const FilesRewritten& rewritten = {});
int ConvertSizeInFolder(FileSystem& fs, const std::string& folder);
int ConvertTypeInFolder(FileSystem& fs, const std::string& folder);

// The master folder prefix that the settings file names (section "DIR",
// key "MASTER", read whole); a relative one counts from the folder of the
// settings file, the product folder. Empty when none is named.
std::string MasterFolderPrefix(FileSystem& fs, const std::string& settingsPath);

// Names (without folder) of the plain files matching pattern's last
// component, in case-insensitive name order. No fixed capacity.
std::vector<std::string> FindMasterFiles(FileSystem& fs, const std::string& pattern);

}  // namespace relvo
