// The media's archive table laid out over disks: the changed files grouped
// by the product folder they go to, archives named, split over disks of a
// given size, and the descriptor's text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace relvo::maker {

// What one disk holds.
struct DiskFormat {
  std::uint64_t capacity = 0;  // bytes of files a disk holds; 0: one disk, no limit
  std::uint32_t cluster = 1;   // a file takes whole clusters of this many bytes
  int rootEntries = 0;         // directory entries at a disk's root; 0: no limit
};

// "none"; a floppy format, counted as its FAT12 file system holds files
// ("720K", "1200K", "1440K", "2880K": the data area, whole clusters, the
// root folder's entries); or a size in bytes ("N", "NK", "NM", K = 1024),
// every byte usable. False for anything else and for 0.
bool ParseDiskSize(std::string_view text, DiskFormat& out);

// A file on the media or in an archive: name, and its bytes there (for an
// archive member its header and packed data, for any other file its size).
struct MediaFile {
  std::string name;  // relative path in the new tree; on disk 1, the name there
  std::uint64_t size = 0;
};

// What goes into one folder of the product.
struct TargetFiles {
  // Relative to the product folder, '\' between components; empty for the
  // product folder itself.
  std::string folder;
  std::vector<MediaFile> packed;  // archive members, in this order
  std::vector<MediaFile> copied;  // files copied by file rows, under their own names
  bool create = false;            // a new folder: a row makes it, files or not
};

// One row of the archive table and the file on the media behind it.
struct MediaRow {
  int disk = 1;
  bool archive = true;
  // The row's name: an archive's base name (its file is NAME.LZH on the
  // disk), or a file row's path on the disk.
  std::string name;
  std::string target;              // the row's target folder, as the table gives it
  std::vector<std::string> files;  // the new tree's files it carries, in order
  std::uint64_t bytes = 0;         // the file's size on the disk
};

struct LayoutRequest {
  std::vector<TargetFiles> targets;  // in any order
  DiskFormat format;
  std::uint64_t headerBytes = 0;     // the descriptor's 41 lines, as written
  std::vector<MediaFile> disk1Files;  // what else disk 1 holds (the pictures)
  std::uint64_t reserve = 0;         // bytes kept free on disk 1
};

struct MediaLayout {
  std::vector<MediaRow> rows;  // in table order
  int disks = 1;
  std::uint64_t descriptorBytes = 0;  // info.txt's size
};

// Lays the targets out as rows, disk after disk:
// - a folder's rows come after its parent's, so that each row's folder is
//   one level below one that exists (the update makes one level);
// - a folder's archive holds its files under their names alone, split into
//   several archives (rows of the same folder) where a disk ends, never
//   inside a file; a new folder without files gets an empty archive;
// - a disk after the first never begins with a file row: the disk prompt
//   knows a disk by the first row's NAME.lzh, so such a row gets an empty
//   archive of its folder before it;
// - names are unique over the whole set (the prompt must not take another
//   disk for the one asked for), 8.3, never START nor a device name; a file
//   row whose name is taken goes into a folder of its own on the disk;
// - disk 1 holds info.txt, the disk-1 files and the reserve as well.
// False with error (CP932) when a file does not fit on an empty disk.
bool LayOut(const LayoutRequest& req, MediaLayout& out, std::string& error);

// A row as the table gives it, without its line end: "disk,kind,NAME,TARGET".
std::string RowLine(const MediaRow& row);

// info.txt: the 41 header lines, then the rows, each line ending in CR LF.
std::string DescriptorText(const std::vector<std::string>& header, const std::vector<MediaRow>& rows);

}  // namespace relvo::maker
