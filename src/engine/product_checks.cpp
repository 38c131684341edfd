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
