// What the system asks of the machine besides files: the program's own path,
// the drive type of a folder, the Windows folder, the current folder.
#pragma once
#include <string>

namespace relvo {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetDriveType's answer for the drive that holds path: 2 removable, 3
  // fixed, 5 CD-ROM, 4 remote, 1 no such root (also for a path that does
  // not exist), 0 unknown. The environment variable RELVO_REMOVABLE set to
  // 1 or 0 answers 2 or 3 for every existing path (tests, and media whose
  // drive calls itself fixed). On POSIX the answer comes from the mount
  // holding the path and its block device's removable flag: 2 or 3.
  virtual int drive_type(const std::string& path) = 0;
  // The Windows folder without a trailing separator (on POSIX: $TMPDIR,
  // else /tmp), CP932.
  virtual std::string windows_folder() = 0;
};

enum : int { kDriveUnknown = 0, kDriveNoRoot = 1, kDriveRemovable = 2, kDriveFixed = 3, kDriveRemote = 4, kDriveCdrom = 5 };

SystemInfo& native_system_info();

// Full path of the running executable as a CP932 path text the file layer
// takes (on POSIX the absolute POSIX path, "/opt/relvo/relvo"), or empty
// when it cannot be had.
std::string executable_path();

}  // namespace relvo
