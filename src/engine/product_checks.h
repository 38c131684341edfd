// The checks that the confirmed folder holds a product this update serves,
// and the identification of that product from its settings file.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo {

// Returns 1 when name is found in folder (folder unchanged or with "\"
// appended), else 0: folder unchanged when it does not exist, otherwise left
// with the "\" of the second try appended.
int FindFileInFolder(FileSystem& fs, std::string& folder, const std::string& name);
// The folder check: 1 when the settings file is found (folder completed as
// it was found), else 0 (folder restored).
int LocateSettingsFile(FileSystem& fs, std::string& folder, const std::string& settingsFile);
// The version check: menu settings file (for products that have one) and
// "Start.bmp". 1 passes, 0 rejects; may append "\" to folder.
int CheckMenuAndStartPicture(FileSystem& fs, std::string& folder, const std::string& settingsFile);
// The product code: -1 not identified, 0 or 99 from the maker number of
// PEMTRAX1.INI, 1-15 from the first title keyword the title contains.
int IdentifyProduct(FileSystem& fs, const std::string& folder, const std::string& settingsFile,
                    const std::array<std::string, 15>& titleKeywords);

// Why the folder check refused folder (as the destination page gave it)
// for each of the settings file names tried: what was looked for and not
// found, as a sentence for the user (CP932).
std::string FolderCheckReason(FileSystem& fs, const std::string& folder, const std::vector<std::string>& settingsFiles);
// Why the version check refused folder (as the folder check completed it):
// the menu settings files or Start.bmp not found. CP932.
std::string VersionCheckReason(FileSystem& fs, const std::string& folder, const std::string& settingsFile);

}  // namespace relvo
