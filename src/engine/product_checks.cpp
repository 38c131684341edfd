// The checks that the confirmed folder holds a product this update serves,
// and the identification of that product from its settings file.
#include "engine/product_checks.h"

#include "base/cnum.h"
#include "base/sjis.h"
#include "platform/profile.h"

namespace relvo {

int FindFileInFolder(FileSystem& fs, std::string& folder, const std::string& name) {
  if (!fs.exists(folder)) return 0;
  if (fs.exists(folder + name)) return 1;
  folder += "\\";
  return fs.exists(folder + name) ? 1 : 0;
}

int LocateSettingsFile(FileSystem& fs, std::string& folder, const std::string& settingsFile) {
  const std::string entry = folder;
  if (FindFileInFolder(fs, folder, settingsFile) == 1) return 1;
  // A bare drive letter: its root. After a first try that found an existing
  // folder this names nothing and fails.
  folder += ":\\";
  if (FindFileInFolder(fs, folder, settingsFile) == 1) return 1;
  folder = entry;
  return 0;
}

namespace {

bool has_menu_file(FileSystem& fs, const std::string& folder) {
  return fs.exists(folder + "vo2menu.ini") || fs.exists(folder + "vo1menu.ini");
}

}  // namespace

int CheckMenuAndStartPicture(FileSystem& fs, std::string& folder, const std::string& settingsFile) {
  int result = 0;
  const std::string upper = sjis::to_upper(settingsFile);
  if (upper == "VORNEL1.INI" || upper == "MIRUZO1.INI") {
    // Only these two products have a menu settings file.
    if (fs.exists(folder)) {
      bool passed = has_menu_file(fs, folder);
      if (!passed) {
        folder += "\\";
        passed = has_menu_file(fs, folder);
      }
      if (passed) result = 1;
    }
  } else {
    result = 1;
  }
  if (result == 1) {
    result = 0;
    if (fs.exists(folder)) {
      if (fs.exists(folder + "Start.bmp")) {
        result = 1;
      } else {
        folder += "\\";
        if (fs.exists(folder + "Start.bmp")) result = 1;
      }
    }
  }
  return result;
}

namespace {

const char* const kNotFound = " が見つかりません。";
const char* const kFolder = "ﾌｫﾙﾀﾞ ";
const char* const kNoFolderGiven = "ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが指定されていません。";

// name in folder, as a path the user reads.
std::string InFolder(const std::string& folder, const std::string& name) {
  return sjis::ends_with_separator(folder) || folder.empty() ? folder + name : folder + "\\" + name;
}

// "A、B が見つかりません。"
std::string NotFound(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += (list.empty() ? "" : "、") + p;
  return list + kNotFound;
}

}  // namespace

std::string FolderCheckReason(FileSystem& fs, const std::string& folder, const std::vector<std::string>& settingsFiles) {
  if (folder.empty()) return kNoFolderGiven;
  // A bare drive ("C:") is looked in at its root too.
  const bool bareDrive = folder.size() == 2 && folder[1] == ':';
  if (!fs.exists(folder) && !bareDrive) return kFolder + NotFound({folder});
  std::vector<std::string> paths;
  for (const std::string& name : settingsFiles) paths.push_back(InFolder(bareDrive ? folder + "\\" : folder, name));
  return NotFound(paths);
}

std::string VersionCheckReason(FileSystem& fs, const std::string& checked, const std::string& settingsFile) {
  // The folder without the separators a failed check appended.
  std::string folder = checked;
  while (folder.size() > 1 && sjis::ends_with_separator(folder) &&
         sjis::ends_with_separator(std::string_view(folder).substr(0, folder.size() - 1)))
    folder.pop_back();
  const std::string upper = sjis::to_upper(settingsFile);
  if ((upper == "VORNEL1.INI" || upper == "MIRUZO1.INI") && !has_menu_file(fs, folder) &&
      !has_menu_file(fs, folder + "\\"))
    return NotFound({InFolder(folder, "vo2menu.ini"), InFolder(folder, "vo1menu.ini")});
  return NotFound({InFolder(folder, "Start.bmp")});
}

int IdentifyProduct(FileSystem& fs, const std::string& folder, const std::string& settingsFile,
                    const std::array<std::string, 15>& titleKeywords) {
  // Both values are read into 100-byte buffers: at most 99 bytes of them.
  constexpr std::size_t kValueBuffer = 100;
  const std::string path = folder + settingsFile;
  if (sjis::to_upper(settingsFile) == "PEMTRAX1.INI") {
    const std::string maker = profile::read_string(fs, path, "SYSTEM", "MAKER", "1", kValueBuffer);
    return c_atoi(maker) == 1 ? 0 : 99;
  }
  const std::string title = profile::read_string(fs, path, "SYSTEM", "TITLE", "", kValueBuffer);
  for (std::size_t i = 0; i < titleKeywords.size(); ++i)
    if (sjis::contains(title, titleKeywords[i])) return static_cast<int>(i) + 1;
  return -1;
}

}  // namespace relvo
