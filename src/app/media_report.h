// The media check behind `relvo check-media`: the descriptor as read, the
// problems found on the media, and (optionally) what an update would decide
// about an installed product and the steps it would take there. The report
// is plain data; one renderer writes it as text, one as JSON.
#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/product_report.h"
#include "app/update_plan.h"
#include "engine/update_descriptor.h"
#include "picture/picture_report.h"
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

// One picture info.txt names, read as the wizard would draw it.
struct PictureCheck {
  const char* field;     // "viewPicture", "startPicture", ...
  std::string file;      // the name info.txt gives (CP932)
  picture::PictureReport report;
};

struct MediaReport {
  std::string programFolder;       // CP932
  bool opened = false;             // info.txt could be read
  UpdateDescriptor descriptor;
  std::vector<DescriptorIssue> problems;
  std::vector<ArchiveTest> archives;  // every archive tested, in table order
  std::vector<PictureCheck> pictures;  // the four pictures, when info.txt was read
  std::string productFolder;           // CP932, with product
  std::optional<ProductReport> product;
  std::optional<Plan> plan;

  int errorCount() const;
};

MediaReport CheckMedia(FileSystem& fs, const MediaCheckOptions& opt);
// The report as the program prints it (media_report_text.cpp, UTF-8 with
// control characters escaped) and as one JSON document with a line end
// (media_report_json.cpp, every text in UTF-8).
std::string MediaReportToText(const MediaReport& r);
std::string MediaReportToJson(const MediaReport& r);

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

// Warnings for authors (media_warnings.cpp): what the update does as built
// but an author rarely means, each at its line of info.txt (0 for the media
// folder itself). Needs only the folder when info.txt could not be read.
void AddAuthorWarnings(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r);

// Adds the pictures, the product report and the plan to r (media_extras.cpp).
void AddMediaExtras(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r);

}  // namespace relvo::app
