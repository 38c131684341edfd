// Reading an LZH archive member by member: headers of levels 0 to 3 with
// their extended headers, and each member's data through its decoder.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/output_window.h"
#include "base/byte_source.h"

namespace relvo::lzh {

struct Member {
  std::string method;  // the five bytes of the id, "-lh5-"
  int level = 0;
  std::uint64_t packed_size = 0, original_size = 0;
  std::uint16_t crc = 0;    // CRC-16 of the original data
  std::uint8_t os_id = 0;   // 'M' MS-DOS, 'U' Unix, 'w' Windows...
  std::uint8_t attribute = 0x20;  // MS-DOS attribute byte
  std::int64_t mtime = 0;   // seconds since 1970-01-01 UTC
  bool has_unix_mode = false;
  std::uint16_t unix_mode = 0;
  // The stored path in CP932: folder components, then the file name. A
  // Unicode name, when the header has one, has replaced the CP932 one. The
  // components are as stored ("..", "." and names a file system refuses
  // included) so that the caller can judge them, except for the root: a
  // leading '\' or '/', a drive letter ("C:") or a volume name ("Work:"),
  // which is taken off and kept in root as stored ("\", "C:\", "Work:").
  std::vector<std::string> folders;
  std::string name;
  std::string root;
  // The member's comment (CP932): what follows a NUL in the name field, as
  // Amiga archivers store it, or the comment extended header. Never part of
  // the name.
  std::string comment;
  // A folder: the -lhd- method, or no data under a path ending with a
  // separator.
  bool directory = false;

  // Not from the header: set by the extraction when the member's file was
  // written without its MacBinary header (see macbinary.h).
  bool stripped_macbinary = false;
  // Not from the header: set by the extraction when the member was written
  // under another path than the stored one (characters a file name cannot
  // hold replaced): the stored path, '/'-separated. Folders and name are
  // then the ones written.
  std::string renamed_from;

  bool is_directory() const { return directory; }
  bool is_symlink() const { return has_unix_mode && (unix_mode & 0xF000) == 0xA000; }
  // Folders and name joined with sep.
  std::string path(char sep) const;
};

enum class HeaderStatus {
  Ok,
  End,          // the end mark or the end of the file
  NotArchive,   // the first header is not an LZH header
  Truncated,    // the file ends inside a header
  BadChecksum,  // header checksum or header CRC does not match
  BadHeader,    // sizes or fields that cannot be
};

enum class DataStatus {
  Ok,
  Unsupported,  // a method this library does not decode
  BadData,      // not valid data for its method
  Truncated,    // the data ends before the member's size
  BadCrc,       // decoded, but the CRC-16 differs from the header's
};

class ArchiveReader {
 public:
  // Reads from src, which must outlive the reader. Read errors of src
  // (FileError) pass through every call.
  explicit ArchiveReader(ByteSource& src);
  ~ArchiveReader();

  // Reads the next header into m, skipping what was left of the previous
  // member's data. After a status other than Ok, the reader stops.
  HeaderStatus next(Member& m);

  // Decodes the data of the member last read into sink (null: decode and
  // check only). The data is consumed whatever the outcome. A member of a
  // Macintosh archiver reaches sink without its MacBinary header when it has
  // one (see macbinary.h); the CRC is checked over the whole data.
  DataStatus read_data(OutputSink* sink);

  // True when the last read_data gave its sink the member's file without a
  // MacBinary header.
  bool stripped_macbinary() const { return stripped_macbinary_; }

 private:
  class Buffered;
  // Reads the first header: at the start of the file, or, for a
  // self-extracting archive, at the first valid header after the
  // extractor's code.
  HeaderStatus first_header(Member& m);
  std::unique_ptr<Buffered> in_;
  Member current_;
  bool data_pending_ = false;
  bool stopped_ = false;
  bool first_ = true;
  bool stripped_macbinary_ = false;
};

// The most a header may take (level 3 allows 4 GiB); bigger ones are refused.
constexpr std::size_t kMaxHeaderSize = 1 << 20;

}  // namespace relvo::lzh
