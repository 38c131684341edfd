// The run's rules on START archives and disk prompts.
#include "engine/update_rules.h"

#include "base/sjis.h"

namespace relvo {

namespace {

// The product codes a START archive's name takes: those of the title
// keywords (1-15) and the maker numbers (0, 99).
bool IsAppendedCode(int productCode) { return (productCode >= 0 && productCode <= 15) || productCode == 99; }

}  // namespace

bool IsStartArchive(const std::string& archiveName) { return sjis::split_path(archiveName).base == "START"; }

std::string StartArchiveName(const std::string& archiveName, int productCode) {
  if (IsAppendedCode(productCode)) return archiveName + std::to_string(productCode);
  return archiveName;
}

std::vector<std::string> StartArchiveVariants(const std::string& archiveName) {
  std::vector<std::string> names;
  for (int code = 0; code <= 99; ++code)
    if (IsAppendedCode(code)) names.push_back(StartArchiveName(archiveName, code));
  return names;
}

bool PromptsForDisk(int rowDisk, int currentDisk) { return rowDisk != 1 && rowDisk != currentDisk; }

std::string DiskPromptFile(const std::string& programFolder, const std::string& archiveName) {
  return programFolder + archiveName + ".lzh";
}

}  // namespace relvo
