// The update descriptor: the record read from info.txt on the media, which
// says everything that differs from one update to the next.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo {

// The archive table's entry kinds: a row of kind 1 names an LZH archive to
// extract; a row of any other kind names one file to copy.
enum : std::int32_t { kEntryArchive = 1 };

// One row of the archive table.
struct ArchiveRow {
  std::int32_t diskNumber = 0;
  std::int32_t entryKind = 0;   // kEntryArchive, or a file row
  std::string archiveName;      // upper-cased (ASCII letters only)
  std::string targetSubfolder;
  int line = 0;                 // line of info.txt the row came from
};

struct UpdateDescriptor {
  std::string installFolder;                  // line 16
  std::string settingsFile;                   // line 19
  std::array<std::string, 15> uninstallKeys;  // lines 1-15
  std::string spareLine;                      // line 17
  std::string masterAdjust;                   // line 18
  std::string digitizerEdition;               // line 20
  std::string viewPicture;                    // line 21
  std::string startPicture;                   // line 22
  std::string destinationPicture;             // line 23
  std::string confirmPicture;                 // line 24
  std::string startNotice;                    // line 25, TABs rewritten
  std::string destinationNotice;              // line 26, TABs rewritten
  // The archive table has no fixed capacity; rows.size() is the row count.
  std::vector<ArchiveRow> rows;
  std::array<std::string, 15> titleKeywords;  // lines 27-41
  std::int32_t productCode = -1;              // set by the update run
  // settingsFile as info.txt gave it, before any run replaced it: each run
  // starts its settings-file choice from this value.
  std::string settingsFileAsRead;
  // True when info.txt was read to its end without a read error and held all
  // of its 41 fixed lines. An update refuses to run on anything less: it
  // would install a table that may have been cut short.
  bool complete = false;

  std::int32_t rowCount() const { return static_cast<std::int32_t>(rows.size()); }
};

// What the reader noticed that a record of fixed capacity (100 rows, row
// fields of 31 bytes) would have dropped or cut, or that is malformed. Lines
// are 1-based line numbers of info.txt.
struct DescriptorIssue {
  enum class Severity { Warning, Error };
  Severity severity;
  int line;
  std::string message;  // UTF-8
};

// Reads programFolder + "info.txt" into d (every field starts afresh).
// Returns 1 when the file was opened, 0 when it could not be opened (d then
// holds empty texts and no rows). A file that could not be read to its end
// (a read error, or more than memory holds) keeps what was read before the
// failure. d.complete tells whether the whole descriptor was read. issues,
// when given, collects what the media check reports. Never throws for bad
// or unreadable input.
int ReadUpdateInfo(FileSystem& fs, const std::string& programFolder, UpdateDescriptor& d,
                   std::vector<DescriptorIssue>* issues = nullptr);

// The same, reading the descriptor's bytes from src (for fuzzing and tests).
// A FileError or an allocation failure while reading ends the read as above.
void ReadUpdateInfoFrom(ByteSource& src, UpdateDescriptor& d, std::vector<DescriptorIssue>* issues = nullptr);

// The uninstall entry names in use: those before the first "NULL" (the
// whole name, case-sensitive), in order.
std::vector<std::string> UninstallKeysInUse(const std::array<std::string, 15>& keys);

// Rewrites up to 100 TABs: each TAB becomes CR and the character after it LF.
// A TAB that is the last character becomes CR LF (the text grows by one).
// Returns how many TABs stayed (beyond the hundredth).
int TabsToLineBreaks(std::string& text);

}  // namespace relvo
