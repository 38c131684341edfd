// The current drive and folders on Windows: the C runtime's own calls in
// their wide forms, the drives that GetLogicalDrives reports.
#include <direct.h>
#include <stdlib.h>
#include <windows.h>

#include "platform/current_folders.h"
#include "platform/win32/handle.h"

namespace relvo {
namespace {

std::wstring getcwd_wide() {
  wchar_t* cwd = _wgetcwd(nullptr, 0);  // allocated to fit: no length limit
  if (!cwd) return {};
  std::wstring s = cwd;
  free(cwd);
  return s;
}

bool drive_text(const std::wstring& s) {
  return s.size() >= 2 && s[1] == L':' && ((s[0] >= L'A' && s[0] <= L'Z') || (s[0] >= L'a' && s[0] <= L'z'));
}

class Win32CurrentFolders final : public CurrentFolders {
 public:
  int current_drive() override { return _getdrive(); }

  bool change_drive(int drive) override { return drive >= 1 && drive <= 26 && _chdrive(drive) == 0; }

  bool change_dir(const std::string& path) override {
    if (_wchdir(win32::widen(path).c_str()) != 0) return false;
    // Each drive's current folder lives in the environment variable "=X:",
    // where SetCurrentDirectory finds it for "X:" and "X:name". Microsoft's
    // runtime sets it after each change of folder; Wine's does not, so it
    // is set here for both.
    const std::wstring cwd = getcwd_wide();
    if (drive_text(cwd)) {
      const wchar_t var[] = {L'=', static_cast<wchar_t>(towupper(cwd[0])), L':', L'\0'};
      SetEnvironmentVariableW(var, cwd.c_str());
    }
    return true;
  }

  // The runtime reports the folder as it was typed ("c:\windows"); the
  // system shows it with the drive letter in upper case and each name as
  // on the disk, as the listing spells it.
  std::string current_dir() override {
    std::wstring cwd = getcwd_wide();
    const DWORD n = GetLongPathNameW(cwd.c_str(), nullptr, 0);
    if (n > 0) {
      std::wstring disk(n, L'\0');
      const DWORD got = GetLongPathNameW(cwd.c_str(), disk.data(), n);
      if (got > 0 && got < n) {
        disk.resize(got);
        cwd = disk;
      }
    }
    if (drive_text(cwd)) cwd[0] = static_cast<wchar_t>(towupper(cwd[0]));
    return win32::narrow(cwd);
  }

  std::vector<char> drives() override {
    const DWORD mask = GetLogicalDrives();
    std::vector<char> out;
    for (int i = 0; i < 26; ++i)
      if (mask & (1u << i)) out.push_back(static_cast<char>('A' + i));
    return out;
  }
};

}  // namespace

CurrentFolders& native_current_folders() {
  static Win32CurrentFolders folders;
  return folders;
}

}  // namespace relvo
