// What the update run would decide about a product folder before it touches
// anything: settings file, folder and version checks, product code.
#pragma once
#include <array>
#include <string>

#include "platform/files.h"

namespace relvo::app {

struct ProductReport {
  std::string settingsFile;   // the name the run goes on with ("NULL" resolved)
  bool folderCheck = false;   // LocateSettingsFile returned 1
  bool versionCheck = false;  // CheckMenuAndStartPicture returned 1 (false when not reached)
  int productCode = -1;       // IdentifyProduct's code; -1 when the checks stopped the run
  std::string workingFolder;  // the folder text as the checks left it
};

// Runs the update run's settings-file choice, folder check, version check and
// identification on folder, exactly in the run's order, reading only.
ProductReport InspectProduct(FileSystem& fs, const std::string& folder, const std::string& settingsFileFromDescriptor,
                             const std::array<std::string, 15>& titleKeywords);

}  // namespace relvo::app
