// Rules of the update run that the media check applies too. They are
// written once, here, so that a rule changed for the run changes the check.
#pragma once
#include <string>
#include <vector>

namespace relvo {

// True when the archive's base name is exactly "START" (case-sensitive):
// the run extracts START followed by the product code in its place.
bool IsStartArchive(const std::string& archiveName);
// The name a START row extracts for productCode: the code's decimal digits
// appended for 0 to 15 and 99; the name unchanged for any other code.
std::string StartArchiveName(const std::string& archiveName, int productCode);
// Every name StartArchiveName gives with a code appended, in code order
// (START0 to START15, then START99).
std::vector<std::string> StartArchiveVariants(const std::string& archiveName);

// True when a row on disk rowDisk asks for its disk while disk currentDisk
// is in a removable drive: never for disk 1, never for the disk in the drive.
bool PromptsForDisk(int rowDisk, int currentDisk);
// The file whose presence answers the prompt for a row's disk, whatever kind
// the row is: the program folder, the row's archiveName and ".lzh".
std::string DiskPromptFile(const std::string& programFolder, const std::string& archiveName);

}  // namespace relvo
