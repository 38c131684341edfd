// The installed-location lookup: the uninstall entries the descriptor names,
// the first that exists, and the folder of the file after its " -f".
#include <optional>

#include "base/sjis.h"
#include "engine/update_descriptor.h"
#include "res/dialogs.h"
#include "wizard/destination_dlg.h"

namespace relvo {

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// True when the last character of s (walking characters, so never the trail
// byte of a double-byte one) is a backslash.
bool EndsWithBackslash(const std::string& s) {
  std::size_t last = 0;
  for (std::size_t i = 0; i < s.size(); i += sjis::char_len(s, i)) last = i;
  return !s.empty() && last == s.size() - 1 && s[last] == '\\';
}

}  // namespace

int FolderFromUninstallString(std::string& buffer) {
  // " -f" is case-sensitive. A blank and a hyphen are never part of a
  // double-byte character, so a byte search finds only whole characters.
  const std::size_t f = buffer.find(" -f");
  if (f == std::string::npos) return 0;
  // Everything after it, cut before any further option.
  std::string rest = buffer.substr(f + 3);
  const std::size_t option = rest.find(" -");
  if (option != std::string::npos) rest.resize(option);
  const sjis::SplitPath parts = sjis::split_path(rest);
  buffer = parts.drive + parts.dir;
  return 1;
}

void CDestinationDlg::LookUpInstalledFolder() {
  std::string value;
  for (const std::string& name : UninstallKeysInUse(m_strUninstallKeys)) {
    value.clear();
    std::optional<std::string> read;
    if (!ctx_.registry.read_value(kUninstallKey + name, "UninstallString", read)) continue;
    // The value as the system's query leaves it in the buffer, whatever its
    // type (a multi-string gives its first string); the first key that
    // opens ends the search, usable or not.
    if (read) value = *read;
    break;
  }
  // The value is a C string to the system: it ends at its first zero.
  value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
  if (FolderFromUninstallString(value) != 1) return;
  if (EndsWithBackslash(value)) value.pop_back();
  SetDlgItemText(res::IDC_PATH, value);
}

}  // namespace relvo
