// Reads info.txt, the update descriptor, into its record: 41 positional lines
// and the archive table after them.
#include "engine/update_descriptor.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "base/cnum.h"
#include "base/line_reader.h"
#include "base/sjis.h"

namespace relvo {

namespace {

// The fixed record the descriptor was first designed for held 100 rows of
// 31-byte fields; the media check warns where a file exceeds that.
constexpr std::size_t kClassicRows = 100;
constexpr std::size_t kClassicFieldBytes = 31;
constexpr int kFixedLines = 41;
// A descriptor is a few kilobytes. A file far larger is no descriptor: it is
// refused once this much has been read, before it is held in memory.
constexpr std::size_t kMostDescriptorBytes = std::size_t(1) << 20;

// Raised by CappedSource past its cap.
struct TooLarge {};

// src, read no further than cap bytes: a byte past them raises TooLarge.
class CappedSource final : public ByteSource {
 public:
  CappedSource(ByteSource& src, std::size_t cap) : src_(src), left_(cap) {}
  std::size_t read(void* buf, std::size_t n) override {
    if (left_ == 0) {
      char c;
      if (src_.read(&c, 1) > 0) throw TooLarge{};
      return 0;
    }
    const std::size_t got = src_.read(buf, std::min(n, left_));
    left_ -= got;
    return got;
  }

 private:
  ByteSource& src_;
  std::size_t left_;
};

void note(std::vector<DescriptorIssue>* issues, DescriptorIssue::Severity s, int line, std::string msg) {
  if (issues) issues->push_back({s, line, std::move(msg)});
}

// Splits a table line as "%[^,],%[^,],%[^,],%[^,]" reads it: up to four runs
// of non-comma characters separated by single commas. Returns how many
// fields were read before the pattern stopped matching; *extra is set when
// text follows the fourth field.
int split_row(const std::string& line, std::string (&f)[4], bool* extra) {
  std::size_t pos = 0;
  int n = 0;
  *extra = false;
  for (; n < 4; ++n) {
    if (n > 0) {
      if (pos >= line.size() || line[pos] != ',') break;
      ++pos;
    }
    const std::size_t end = line.find(',', pos);
    const std::size_t stop = end == std::string::npos ? line.size() : end;
    if (stop == pos) break;  // an empty field ends the match
    f[n] = line.substr(pos, stop - pos);
    pos = stop;
  }
  if (n == 4 && pos < line.size()) *extra = true;
  return n;
}

}  // namespace

std::vector<std::string> UninstallKeysInUse(const std::array<std::string, 15>& keys) {
  std::vector<std::string> names;
  for (const std::string& name : keys) {
    if (name == "NULL") break;
    names.push_back(name);
  }
  return names;
}

int TabsToLineBreaks(std::string& text) {
  std::size_t from = 0;
  for (int round = 0; round < 100; ++round) {
    const std::size_t tab = text.find('\t', from);
    if (tab == std::string::npos) return 0;
    text[tab] = '\r';
    if (tab + 1 < text.size()) {
      text[tab + 1] = '\n';
    } else {
      text.push_back('\n');  // a closing TAB has no filler: it still ends the line
    }
    from = tab + 2;
  }
  int left = 0;
  for (std::size_t i = from; i < text.size(); ++i) left += text[i] == '\t';
  return left;
}

int ReadUpdateInfo(FileSystem& fs, const std::string& programFolder, UpdateDescriptor& d,
                   std::vector<DescriptorIssue>* issues) {
  d = UpdateDescriptor{};
  std::unique_ptr<FileReader> file = fs.open_read(programFolder + "info.txt");
  if (!file) return 0;
  ReadUpdateInfoFrom(*file, d, issues);
  return 1;
}

namespace {

void ReadLines(ByteSource& src, UpdateDescriptor& d, std::vector<DescriptorIssue>* issues) {
  using S = DescriptorIssue::Severity;
  LineReader reader(src);

  int lineNo = 0;
  bool ended = false;
  auto next = [&](std::string& out) {
    out.clear();
    if (!ended && reader.next(out)) {
      ++lineNo;
      return;
    }
    ended = true;
  };

  for (auto& key : d.uninstallKeys) next(key);
  next(d.installFolder);
  next(d.spareLine);
  next(d.masterAdjust);
  next(d.settingsFile);
  next(d.digitizerEdition);
  next(d.viewPicture);
  next(d.startPicture);
  next(d.destinationPicture);
  next(d.confirmPicture);
  next(d.startNotice);
  next(d.destinationNotice);
  for (auto& kw : d.titleKeywords) next(kw);
  d.settingsFileAsRead = d.settingsFile;
  d.complete = !ended;
  if (ended)
    note(issues, S::Error, lineNo + 1,
         "the file ends after line " + std::to_string(lineNo) + ": lines up to " + std::to_string(kFixedLines) +
             " must all be present (missing lines read as empty)");

  std::string line;
  while (!ended && reader.next(line)) {
    ++lineNo;
    if (line.find_first_not_of(" \t") == std::string::npos) {
      if (!line.empty() || !reader.at_end())
        note(issues, S::Warning, lineNo, "blank line in the archive table is skipped");
      continue;
    }
    std::string f[4];
    bool extra = false;
    const int n = split_row(line, f, &extra);
    if (n < 4)
      note(issues, S::Error, lineNo,
           "malformed row: expected four comma-separated non-empty fields, found " + std::to_string(n) +
               " (missing fields read as empty text and 0)");
    if (extra) note(issues, S::Warning, lineNo, "text after the fourth field is ignored");
    for (int i = 0; i < n; ++i)
      if (f[i].size() > kClassicFieldBytes)
        note(issues, S::Warning, lineNo,
             "field " + std::to_string(i + 1) + " is " + std::to_string(f[i].size()) +
                 " bytes long; earlier releases of the wizard cut fields at 31 bytes");
    if (d.rows.size() == kClassicRows)
      note(issues, S::Warning, lineNo, "more than 100 rows; earlier releases of the wizard ignore rows past the 100th");
    ArchiveRow row;
    row.diskNumber = c_atoi(f[0]);
    row.entryKind = c_atoi(f[1]);
    row.archiveName = sjis::to_upper(f[2]);
    row.targetSubfolder = f[3];
    row.line = lineNo;
    d.rows.push_back(std::move(row));
  }

  if (TabsToLineBreaks(d.startNotice) > 0)
    note(issues, S::Warning, 25, "the start notice has more than 100 TABs; those after the 100th stay TABs");
  if (TabsToLineBreaks(d.destinationNotice) > 0)
    note(issues, S::Warning, 26, "the destination notice has more than 100 TABs; those after the 100th stay TABs");
}

}  // namespace

void ReadUpdateInfoFrom(ByteSource& src, UpdateDescriptor& d, std::vector<DescriptorIssue>* issues) {
  d = UpdateDescriptor{};
  try {
    CappedSource capped(src, kMostDescriptorBytes);
    ReadLines(capped, d, issues);
  } catch (const TooLarge&) {
    d.complete = false;
    note(issues, DescriptorIssue::Severity::Error, 0,
         "info.txt is larger than 1 MiB: no update descriptor is that large (one is a few kilobytes)");
  } catch (const FileError&) {
    // The descriptor stops where the read failed; the run will refuse it.
    d.complete = false;
    note(issues, DescriptorIssue::Severity::Error, 0, "info.txt could not be read to its end (read error)");
  } catch (const std::bad_alloc&) {
    d.complete = false;
    note(issues, DescriptorIssue::Severity::Error, 0, "info.txt is too large to be held in memory");
  } catch (const std::length_error&) {
    d.complete = false;
    note(issues, DescriptorIssue::Severity::Error, 0, "info.txt is too large to be held in memory");
  }
}

}  // namespace relvo
