// What the wizard pages ask of the system, handed to each page by whoever
// opens it (the view): the program folder and the platform services.
#pragma once
#include <string>

#include "platform/current_folders.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace relvo {

struct PageContext {
  // The program folder: media files (the pages' pictures) are named by
  // appending their names to it directly ("C:\UPD\", or "A:" for a root).
  std::string programFolder;
  FileSystem& files;
  CurrentFolders& folders;  // the destination page's drive and folder walk
  Registry& registry;       // the destination page's installed-location lookup
};

}  // namespace relvo
