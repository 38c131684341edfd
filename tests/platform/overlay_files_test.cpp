// What the in-memory layer adds to the file layer's contract: the disk below
// is never written, and folders moved in memory keep what they hold below.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/overlay_files.h"
#include "support/folder_snapshot.h"
#include "support/temp_dir.h"

namespace relvo {
namespace {

using test::Snapshot;
using test::TempDir;

TEST(OverlayFiles, ChangesStayInMemory) {
  const std::function<void(FileSystem&, const TempDir&)> changes[] = {
      [](FileSystem& fs, const TempDir& d) { EXPECT_TRUE(fs.make_dir(d / "new")); },
      [](FileSystem& fs, const TempDir& d) { EXPECT_TRUE(write_file_atomically(fs, d / "a.txt", "changed")); },
      [](FileSystem& fs, const TempDir& d) { EXPECT_TRUE(fs.copy_file(d / "a.txt", d / "sub\\b.txt")); },
      [](FileSystem& fs, const TempDir& d) { EXPECT_TRUE(fs.rename(d / "sub", d / "moved")); },
      [](FileSystem& fs, const TempDir& d) { EXPECT_TRUE(fs.remove(d / "a.txt")); },
      [](FileSystem& fs, const TempDir& d) {
        FileStatus st;
        ASSERT_TRUE(fs.get_status(d / "sub\\b.txt", st));
        st.attribute = kAttrReadOnly;
        EXPECT_TRUE(fs.set_status(d / "sub\\b.txt", st));
      },
  };
  for (std::size_t i = 0; i < std::size(changes); ++i) {
    SCOPED_TRACE(i);
    TempDir d;
    d.write("a.txt", "disk");
    d.write("sub\\b.txt", "below");
    FileSystem& disk = native_file_system();
    const std::string before = Snapshot(disk, d.path());
    OverlayFileSystem memory(disk);
    changes[i](memory, d);
    EXPECT_NE(Snapshot(memory, d.path()), before) << "the change is seen through the layer";
    EXPECT_EQ(Snapshot(disk, d.path()), before) << "and never reaches the disk";
  }
}

TEST(OverlayFiles, MovedFolderKeepsWhatItHoldsBelowAndInMemory) {
  TempDir d;
  d.write("old\\deep\\below.txt", "below");
  OverlayFileSystem fs(native_file_system());
  ASSERT_TRUE(write_file_atomically(fs, d / "old\\deep\\mem.txt", "memory"));
  ASSERT_TRUE(fs.remove(d / "old\\deep\\below.txt"));
  ASSERT_TRUE(fs.rename(d / "old", d / "New"));
  EXPECT_FALSE(fs.exists(d / "old"));
  EXPECT_EQ(Snapshot(fs, d.path()), "New/\ndeep/\nmem.txt\n  memory\n");
  // Below the moved folder, what was not touched is read from the disk.
  d.write("old\\deep\\later.txt", "later");
  EXPECT_TRUE(fs.exists(d / "new\\DEEP\\later.txt"));
  EXPECT_FALSE(fs.exists(d / "old\\deep\\later.txt"));
}

// Bytes are kept only for files a later step reads back, or small ones;
// any other keeps its size, and reading it fails rather than give other
// bytes. A copy of such a file is no different.
TEST(OverlayFiles, OnlySmallOrReadBackFilesKeepTheirBytes) {
  TempDir d;
  d.write("below.bin", std::string(OverlayFileSystem::kKeptAny + 1, 'd'));
  OverlayFileSystem fs(native_file_system(), [](const std::string& p) { return p.ends_with(".ini"); });
  const std::string big(OverlayFileSystem::kKeptAny + 1, 'b');
  ASSERT_TRUE(write_file_atomically(fs, d / "big.bin", big));
  ASSERT_TRUE(write_file_atomically(fs, d / "big.ini", big));
  ASSERT_TRUE(write_file_atomically(fs, d / "small.bin", "small"));
  ASSERT_TRUE(fs.copy_file(d / "big.bin", d / "copy.bin"));
  ASSERT_TRUE(fs.copy_file(d / "below.bin", d / "copied.bin"));
  const struct {
    const char* name;
    const char* kept;  // nullptr: not kept
  } files[] = {{"big.bin", nullptr}, {"copy.bin", nullptr}, {"copied.bin", nullptr}, {"big.ini", "b"},
               {"small.bin", "small"}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    FileStatus st;
    ASSERT_TRUE(fs.get_status(d / f.name, st));
    std::string bytes;
    if (!f.kept) {
      EXPECT_EQ(st.size, big.size());
      EXPECT_THROW(read_whole_file(fs, d / f.name, bytes), FileError);
    } else {
      ASSERT_TRUE(read_whole_file(fs, d / f.name, bytes));
      EXPECT_EQ(bytes, std::string(f.kept) == "b" ? big : std::string(f.kept));
    }
  }
}

}  // namespace
}  // namespace relvo
