// What the system asks of the machine, on Windows: GetDriveTypeW on the
// volume that holds a path, the Windows folder, the program's own path.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/system.h"
#include "platform/win32/handle.h"

namespace relvo {
namespace {

class Win32SystemInfo final : public SystemInfo {
 public:
  int drive_type(const std::string& path) override {
    const std::wstring w = win32::widen(path);
    if (GetFileAttributesW(w.c_str()) == INVALID_FILE_ATTRIBUTES) return kDriveNoRoot;
    // RELVO_REMOVABLE overrides the hardware, as on POSIX: for tests, and
    // for media whose drive calls itself fixed.
    if (const char* force = std::getenv("RELVO_REMOVABLE")) {
      if (std::string(force) == "1") return kDriveRemovable;
      if (std::string(force) == "0") return kDriveFixed;
    }
    // GetDriveType wants the root of a volume ("C:\"), not any folder.
    wchar_t root[MAX_PATH + 1];
    if (!GetVolumePathNameW(w.c_str(), root, MAX_PATH)) return kDriveUnknown;
    return static_cast<int>(GetDriveTypeW(root));
  }

  std::string windows_folder() override {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
      const UINT n = GetWindowsDirectoryW(buf.data(), static_cast<UINT>(buf.size()));
      if (n == 0) return {};
      if (n < buf.size()) {
        buf.resize(n);
        return win32::narrow(buf);
      }
      buf.resize(n + 1);
    }
  }
};

}  // namespace

SystemInfo& native_system_info() {
  static Win32SystemInfo info;
  return info;
}

std::string executable_path() {
  // GetModuleFileNameW cuts the name to the buffer without saying how long
  // it is: grow until it fits.
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return win32::narrow(buf);
    }
    if (buf.size() >= 32768) return {};
    buf.resize(buf.size() * 2);
  }
}

}  // namespace relvo
