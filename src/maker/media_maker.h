// Making update media from two product trees: the changed files packed
// into archives by target folder, laid out over disks, info.txt written
// from the maker's header, the pictures copied, and the media read back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "maker/media_layout.h"
#include "maker/tree_diff.h"
#include "platform/files.h"

namespace relvo::maker {

struct MakeMediaRequest {
  std::string oldRoot, newRoot;  // the product before and after, folder texts ending with a separator
  // Where the disks' folders (disk1, disk2, ...) go: a folder text ending
  // with a separator, of a folder that is missing or empty.
  std::string outDir;
  // The maker's info.txt: its first 41 lines are the descriptor's header
  // (CP932, or UTF-8 after a byte order mark); a table after them is not used.
  std::string header;
  // The folder the header's pictures are copied from (ending with a
  // separator); empty: none is copied.
  std::string pictures;
  DiskFormat format;
  std::uint64_t reserve = 0;  // bytes kept free on disk 1 (for the program)
};

struct MadeMedia {
  bool ok = false;
  std::string error;                  // why not (CP932)
  std::vector<std::string> warnings;  // what the media does not say, and why (CP932)
  std::vector<std::string> disks;     // the disks' folders, disk 1 first, each ending with a separator
  MediaLayout layout;
  TreeDiff diff;
  // The new tree's files the update writes: every added and changed file
  // the media carries (relative paths, as in diff).
  std::vector<std::string> carried;
};

// Files that must not be packed: a file whose name (upper-cased, as the
// table reader holds a file row's name) marks the master files goes on a
// file row of its own, since only a copied file marks them; unless its name
// holds a comma, which a row cannot hold: then it is packed, with a warning.
//
// Makes the media, then reads every archive and file back and compares it
// with the new tree's file, byte for byte. On failure what was written
// stays for inspection, and error says what failed. Read and write failures
// are reported as failures, never thrown.
MadeMedia MakeMedia(FileSystem& fs, const MakeMediaRequest& req);

// The media read back (media_verify.cpp): each archive's members decoded
// and compared with the new tree's files they were made from, in order and
// by name, and each file row's file with its own. Empty when every byte
// matches, else the first difference (CP932). Read failures throw FileError.
std::string VerifyMedia(FileSystem& fs, const std::vector<std::string>& disks, const std::vector<MediaRow>& rows,
                        const std::string& newRoot);

}  // namespace relvo::maker
