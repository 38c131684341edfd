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
  std::string programFolder = sjis::ends_with_separator(folder) ? folder : folder + native_separator();
  CutDriveRoot(programFolder);
  return programFolder;
}

std::string AbsoluteFolderText(CurrentFolders& folders, const std::string& text) {
  if (text.empty()) return text;
  const bool drive = text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]));
  if (drive || text[0] == '\\' || text[0] == '/') return text;
  std::string base = folders.current_dir();
  if (base.empty()) return text;
  if (!sjis::ends_with_separator(base)) base += native_separator();
  return text == "." ? base : base + text;
}

}  // namespace relvo::app
