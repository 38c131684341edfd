// Program folder computation for the wizard and the console commands.
#include "app/program_folder.h"

#include "base/sjis.h"
#include "platform/console.h"

namespace relvo::app {

std::string ProgramFolderFromExePath(const std::string& exePath) {
  const sjis::SplitPath p = sjis::split_path(exePath);
  std::string folder = p.drive + p.dir;
  if (folder.size() == 3) folder.resize(2);
  return folder;
}

std::string ProgramFolderFromArgument(const std::string& folder) {
  if (folder.empty()) return folder;
  if (folder.size() == 2 && folder[1] == ':') return folder;
  if (sjis::ends_with_separator(folder)) return folder;
  return folder + native_separator();
}

}  // namespace relvo::app
