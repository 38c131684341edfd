// What the wizard pages ask of the system, handed to each page by whoever
// opens it (the view): the program folder and the platform services.
#pragma once
#include <string>

#include "platform/current_folders.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace relvo {

// Where the restore points of product folders are kept: the base folder
// that ProductPointsFolder takes, read through store. No base or no store:
// nowhere, and no folder has one.
struct RestorePointPlace {
  std::string base;
  FileSystem* store = nullptr;
  bool known() const { return store != nullptr && !base.empty(); }
};

struct PageContext {
  // The program folder: media files (the pages' pictures) are named by
  // appending their names to it directly ("C:\UPD\", or "A:" for a root).
  std::string programFolder;
  FileSystem& files;
  CurrentFolders& folders;  // the destination page's drive and folder walk
  Registry& registry;       // the destination page's installed-location lookup
  // Where the destination page looks for the chosen folder's restore point.
  RestorePointPlace points = {};
};

}  // namespace relvo
