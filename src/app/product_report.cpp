// The update run's checks on a product folder, for reporting without an update.
#include "app/product_report.h"

#include "engine/product_checks.h"

namespace relvo::app {

ProductReport InspectProduct(FileSystem& fs, const std::string& folder, const std::string& settingsFileFromDescriptor,
                             const std::array<std::string, 15>& titleKeywords) {
  ProductReport r;
  r.workingFolder = folder;
  int located;
  if (settingsFileFromDescriptor != "NULL") {
    r.settingsFile = settingsFileFromDescriptor;
    located = LocateSettingsFile(fs, r.workingFolder, r.settingsFile);
  } else {
    // No name in the descriptor: the main product's file, then the other's,
    // both in the same folder; the last name tried is the one kept.
    r.settingsFile = "vornel1.ini";
    located = LocateSettingsFile(fs, r.workingFolder, r.settingsFile);
    if (located == 0) {
      r.settingsFile = "pemtrax1.ini";
      located = LocateSettingsFile(fs, r.workingFolder, r.settingsFile);
    }
  }
  r.folderCheck = located == 1;
  if (!r.folderCheck) return r;
  r.versionCheck = CheckMenuAndStartPicture(fs, r.workingFolder, r.settingsFile) == 1;
  if (!r.versionCheck) return r;
  r.productCode = IdentifyProduct(fs, r.workingFolder, r.settingsFile, titleKeywords);
  return r;
}

}  // namespace relvo::app
