// What the system asks of the machine besides files: the program's own path,
// the drive type of a folder, the Windows folder, the current folder.
#pragma once
#include <string>

namespace relvo {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetDriveType's answer for the drive that holds path: 2 removable, 3
  // fixed, 5 CD-ROM, 4 remote, 1 no such root, 0 unknown.
  virtual int drive_type(const std::string& path) = 0;
  // The Windows folder (on POSIX: the temporary folder), CP932.
  virtual std::string windows_folder() = 0;
};

enum : int { kDriveUnknown = 0, kDriveNoRoot = 1, kDriveRemovable = 2, kDriveFixed = 3, kDriveRemote = 4, kDriveCdrom = 5 };

SystemInfo& native_system_info();

// Full path of the running executable, as a Windows-style CP932 path text
// (on POSIX through the drive map), or empty when it cannot be had.
std::string executable_path();

}  // namespace relvo
