// The update run's checks on a product folder, for reporting without an update.
#include "app/product_report.h"

#include "engine/update_run.h"

namespace relvo::app {

ProductReport InspectProduct(FileSystem& fs, const std::string& folder, const std::string& settingsFileFromDescriptor,
                             const std::array<std::string, 15>& titleKeywords) {
  // The run's own checks on a descriptor of their own: the view's stays as
  // it was.
  UpdateDescriptor d;
  d.installFolder = folder;
  d.settingsFile = d.settingsFileAsRead = settingsFileFromDescriptor;
  d.titleKeywords = titleKeywords;
  const ProductFolderCheck c = CheckProductFolder(fs, d);
  ProductReport r;
  r.settingsFile = d.settingsFile;
  r.folderCheck = c.folderCheck;
  r.versionCheck = c.versionCheck;
  r.productCode = d.productCode;
  r.workingFolder = c.workingFolder;
  return r;
}

}  // namespace relvo::app
