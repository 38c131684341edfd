// Writing LZH archives as DOS and Windows LHA archivers write them: members
// packed with -lh5- to -lh7- (stored as -lh0- where packing would not make
// them smaller), headers of level 0, 1 or 2 with CP932 names, MS-DOS
// attributes and time stamps, and every member's CRC-16.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/output_window.h"
#include "base/byte_source.h"
#include "platform/files.h"

namespace relvo::lzh {

// One member to write.
struct PackItem {
  // The file whose data the member holds (a path text of the file layer);
  // not read for a folder.
  std::string source;
  // The stored path in CP932: its components separated by '\', with no
  // root, no "." or "..", no trailing separator.
  std::string name;
  std::int64_t mtime = 0;  // seconds since 1970-01-01 UTC
  std::uint8_t attribute = kAttrArchive;  // the MS-DOS attribute byte
  bool folder = false;     // a folder (-lhd-, no data)
};

struct PackOptions {
  std::string method = "-lh7-";  // "-lh0-" (store), "-lh5-", "-lh6-" or "-lh7-"
  int level = 2;                 // header level: 0, 1 or 2
};

// What was written for one member.
struct PackedMember {
  std::string name;     // as PackItem::name
  std::string method;   // as written: "-lh0-" where packing would not shrink the data, "-lhd-" for a folder
  std::uint64_t original = 0, packed = 0;
  std::uint16_t crc = 0;
  std::uint64_t header = 0;  // bytes of the member's header
};

struct PackOutcome {
  bool ok = false;
  std::string message;  // why not (CP932), naming the file or the archive; empty when ok
  std::vector<PackedMember> members;  // every member written, in order
  std::uint64_t archive_size = 0;     // headers, data and the end mark
};

// True for a method and level write_archive takes.
bool can_write(const PackOptions& opt);

// Writes a new archive file holding items in their order. The archive is
// made beside its name and renamed into place only when whole: a failure
// leaves nothing behind. An existing file of that name is refused (an
// archive is never added to). Fails, with a message, for a source that
// cannot be read or changes while it is read, a file of 4 GiB or more, and
// a name the header level cannot hold (see ArchiveWriter::add).
PackOutcome write_archive(FileSystem& fs, const std::string& archive, const std::vector<PackItem>& items,
                          const PackOptions& opt);

// The archive's bytes as they are made, into any sink (write_archive's
// file, or memory). The sink's exceptions pass through.
class ArchiveWriter {
 public:
  // opt must satisfy can_write. out must outlive the writer.
  ArchiveWriter(OutputSink& out, const PackOptions& opt);

  // Something that reads a member's data from its start; called once, and
  // again when the data is stored after all.
  using Opener = std::function<std::unique_ptr<ByteSource>()>;

  // Adds one member: its data is what open() reads (open is not called for
  // a folder). False with message (CP932) when open() gives nothing, the
  // data is 4 GiB or more, a second reading differs from the first, or the
  // name is empty, holds an empty, "." or ".." component, a '/' or a byte
  // that is no CP932 character, or is too long for the header level (233
  // bytes at level 0, about 64 KiB above); nothing of the member is written
  // then, but after a second reading that differs, the member is written in
  // part and the archive is of no use (write_archive drops its file).
  bool add(const PackItem& item, const Opener& open, PackedMember& done, std::string& message);

  // Writes the end mark. Once, last.
  void finish();

  std::uint64_t size() const { return size_; }

 private:
  void put(const std::string& bytes);
  void put(const std::uint8_t* p, std::size_t n);

  OutputSink& out_;
  PackOptions opt_;
  std::uint64_t size_ = 0;
};

// The members `relvo lzh a` makes of paths below base (a folder path text;
// empty for the current folder): each path (CP932, '\' or '/' between
// components) names a file or a folder relative to base and becomes the
// stored name as given ("." components dropped; "." alone stands for base's
// contents). A folder becomes a member of its own, followed by its contents
// in name order, walked to the bottom. False with message for a path that
// does not exist, has a root or a ".." component, a name CP932 cannot hold,
// or a link to a folder inside the walk.
bool gather_items(FileSystem& fs, const std::string& base, const std::vector<std::string>& paths,
                  std::vector<PackItem>& items, std::string& message);

}  // namespace relvo::lzh
