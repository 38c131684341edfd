// Program folder computation for the wizard and the console commands.
#include "app/program_folder.h"

#include <cctype>

#include "base/sjis.h"
#include "platform/console.h"

namespace relvo::app {

namespace {

// A drive's root ("A:\") becomes the bare drive ("A:"). Only a drive root:
// a three-character folder such as "/a/" on POSIX is no root, and cut it
// would name "/ainfo.txt".
void CutDriveRoot(std::string& folder) {
  if (folder.size() == 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) folder.resize(2);
}

bool HasDrive(const std::string& text) {
  return text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
}

// A text on a drive (and any text where the platform's own separator is
// '\') is the system's kind: written with '\' alone, so that the names the
// system appends with '\' never meet a '/'. ('/' is never a trail byte: it
// can be replaced byte by byte.)
std::string WithSystemSeparators(std::string text) {
  if (HasDrive(text) || native_separator() == '\\')
    for (char& c : text)
      if (c == '/') c = '\\';
  return text;
}

}  // namespace

std::string ProgramFolderFromExePath(const std::string& exePath) {
  const sjis::SplitPath p = sjis::split_path(exePath);
  std::string folder = p.drive + p.dir;
  CutDriveRoot(folder);
  return folder;
}

std::string ProgramFolderFromArgument(const std::string& folder) {
  if (folder.empty()) return folder;
  if (folder.size() == 2 && folder[1] == ':') return folder;
  const char sep = HasDrive(folder) ? '\\' : native_separator();
  std::string programFolder = sjis::ends_with_separator(folder) ? folder : folder + sep;
  CutDriveRoot(programFolder);
  return WithSystemSeparators(programFolder);
}

std::string AbsoluteFolderText(CurrentFolders& folders, const std::string& text) {
  if (text.empty()) return text;
  if (HasDrive(text) || text[0] == '\\' || text[0] == '/') return WithSystemSeparators(text);
  std::string base = folders.current_dir();
  if (base.empty()) return text;
  if (!sjis::ends_with_separator(base)) base += HasDrive(base) ? '\\' : native_separator();
  return WithSystemSeparators(text == "." ? base : base + text);
}

}  // namespace relvo::app
