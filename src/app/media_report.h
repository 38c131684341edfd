// The media check behind `relvo check-media`: the descriptor as read, the
// problems found on the media, and (optionally) what an update would decide
// about an installed product.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "engine/update_descriptor.h"
#include "platform/files.h"

namespace relvo::app {

struct MediaCheckOptions {
  std::vector<std::string> disks;  // program folders (CP932), disk 1 first
  bool json = false;
  bool hasProduct = false;
  std::string productFolder;       // CP932
  bool plan = false;
};

// One archive tested as the update's extraction would read it.
struct ArchiveTest {
  std::string file;   // CP932, as the library picks it (".lzh" added or not)
  int disk = 0;       // the disk it was found on; 0 for one in the product
  int line = 0;       // the line of info.txt that names it; 0 for none
  int members = 0;    // members read
  // Members the extraction would refuse or fail on: the member's path
  // (CP932) and the library's message (CP932).
  std::vector<std::pair<std::string, std::string>> badMembers;
  std::string archiveProblem;  // CP932; empty when read to its end
  bool ok() const { return badMembers.empty() && archiveProblem.empty(); }
};

struct MediaReport {
  std::string programFolder;       // CP932
  bool opened = false;             // info.txt could be read
  UpdateDescriptor descriptor;
  std::vector<DescriptorIssue> problems;
  std::vector<ArchiveTest> archives;  // every archive tested, in table order
  nlohmann::json extra = nlohmann::json::object();  // pictures, product, plan
  std::string extraText;                              // the same, for the text report

  int errorCount() const;
};

MediaReport CheckMedia(FileSystem& fs, const MediaCheckOptions& opt);
nlohmann::json MediaReportToJson(const MediaReport& r);
std::string MediaReportToText(const MediaReport& r);

// Tests file as the library would extract it (media_archives.cpp): every
// member decoded, its CRC checked and its name judged; nothing written.
ArchiveTest TestArchive(FileSystem& fs, const std::string& file);
// Adds t to r.archives and an error to r.problems, at line, for each bad
// member and for an archive that cannot be read to its end.
void AddArchiveTest(ArchiveTest t, int line, MediaReport& r);
// Tests each archive the archive table names (a START row's product
// variants instead of START), once, on the row's disk or else the first
// disk that holds it.
void TestMediaArchives(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r);
nlohmann::json ArchiveTestsToJson(const std::vector<ArchiveTest>& tests);
std::string ArchiveTestsToText(const std::vector<ArchiveTest>& tests);

// Warnings for authors (media_warnings.cpp): what the update does as built
// but an author rarely means, each at its line of info.txt (0 for the media
// folder itself). Needs only the folder when info.txt could not be read.
void AddAuthorWarnings(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r);

// Adds the pictures, the product report and the plan to r (media_extras.cpp).
void AddMediaExtras(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r);

// The descriptor as JSON: every field under its own name, text in UTF-8.
nlohmann::json DescriptorToJson(const UpdateDescriptor& d);

}  // namespace relvo::app
