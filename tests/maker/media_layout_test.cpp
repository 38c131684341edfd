// The media's rows laid out over disks: folder order, archive names, where
// a disk ends, what disk 1 holds besides the rows, file rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maker/media_layout.h"

namespace relvo::maker {
namespace {

const DiskFormat kUnlimited{};
const DiskFormat k1000{1000, 1, 0};

TEST(MediaLayout, RowsOverDisks) {
  const struct {
    const char* name;
    DiskFormat format;
    std::uint64_t headerBytes;
    std::vector<MediaFile> disk1;
    std::vector<TargetFiles> targets;
    std::vector<std::string> rows;  // "row line:files carried"
    const char* error;              // part of the error, when it fails
  } cases[] = {
      {"a parent's row before its child's; a new folder without files gets an empty archive; the product folder is .",
       kUnlimited, 0, {},
       {{"A\\B", {{"A\\B\\x.dat", 10}}}, {"A", {}, {}, true}, {"", {{"r.txt", 5}}}, {"音声", {{"音声\\v.wav", 3}}}},
       {"1,1,ROOT,.:1", "1,1,A,A:0", "1,1,B,A\\B:1", "1,1,FILES,音声:1"}, nullptr},
      {"a folder's archive is split where the disk ends, never inside a file", k1000, 0, {},
       {{"Prog", {{"Prog\\a", 400}, {"Prog\\b", 400}, {"Prog\\c", 400}}}},
       {"1,1,PROG,Prog:2", "2,1,PROG2,Prog:1"}, nullptr},
      {"a file too big for one disk", k1000, 0, {}, {{"Prog", {{"Prog\\big", 1000}}}}, {}, "Prog\\big"},
      {"what disk 1 holds besides the rows does not fit", k1000, 0, {{"V.BMP", 2000}}, {}, {}, "disk 1 holds"},
      {"a file row that would begin a disk gets an empty archive of its folder before it", k1000, 0, {},
       {{"A", {{"A\\a", 900}}}, {"M", {}, {{"M\\MASTER21.MST", 500}}}},
       {"1,1,A,A:1", "2,1,M,M:0", "2,2,MASTER21.MST,M\\:1"}, nullptr},
      {"never START nor a device name; names unique over the set, 8 characters", kUnlimited, 0, {},
       {{"start", {{"start\\s", 1}}}, {"con", {{"con\\c", 1}}}, {"x", {}, {}, true}, {"x\\start", {{"x\\start\\t", 1}}},
        {"Program Files", {{"Program Files\\p", 1}}}},
       {"1,1,CON2,con:1", "1,1,PROGRAMF,Program Files:1", "1,1,START2,start:1", "1,1,X,x:0", "1,1,START3,x\\start:1"},
       nullptr},
      {"file rows of the same name: the second in a folder of its own", kUnlimited, 0, {},
       {{"A", {}, {{"A\\MASTER21.MST", 1}}}, {"B", {}, {{"B\\master21.mst", 1}}}},
       {"1,2,MASTER21.MST,A\\:1", "1,2,F1\\MASTER21.MST,B\\:1"}, nullptr},
      {"a floppy counts whole clusters", {1457664, 512, 224}, 0, {{"VIEW.BMP", 1456128}},
       {{"A", {{"A\\a", 600}}}, {"B", {{"B\\b", 600}}}}, {"1,1,A,A:1", "2,1,B,B:1"}, nullptr},
      {"a floppy's root folder holds so many entries (info.txt takes two)", {10000000, 1, 8}, 0,
       {{"P1.BMP", 1}, {"P2.BMP", 1}, {"P3.BMP", 1}, {"P4.BMP", 1}, {"P5.BMP", 1}},
       {{"A", {{"A\\a", 1}}}, {"B", {{"B\\b", 1}}}}, {"1,1,A,A:1", "2,1,B,B:1"}, nullptr},
      {"info.txt grows with the rows and takes its room on disk 1", k1000, 985, {}, {{"A", {{"A\\a", 10}}}},
       {"2,1,A,A:1"}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LayoutRequest req;
    req.format = c.format;
    req.headerBytes = c.headerBytes;
    req.disk1Files = c.disk1;
    req.targets = c.targets;
    MediaLayout out;
    std::string error;
    const bool ok = LayOut(req, out, error);
    if (c.error) {
      EXPECT_FALSE(ok);
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    ASSERT_TRUE(ok) << error;
    std::vector<std::string> rows;
    for (const MediaRow& row : out.rows) rows.push_back(RowLine(row) + ":" + std::to_string(row.files.size()));
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(out.disks, c.rows.empty() ? 1 : c.rows.back()[0] - '0');
  }
}

TEST(MediaLayout, DiskSizes) {
  DiskFormat f;
  ASSERT_TRUE(ParseDiskSize("1440K", f));
  EXPECT_EQ(f.capacity, 1457664u);
  EXPECT_EQ(f.cluster, 512u);
  EXPECT_EQ(f.rootEntries, 224);
  ASSERT_TRUE(ParseDiskSize("720k", f));
  EXPECT_EQ(f.capacity, 730112u);
  ASSERT_TRUE(ParseDiskSize("100K", f));
  EXPECT_EQ(f.capacity, 102400u);
  EXPECT_EQ(f.cluster, 1u);
  ASSERT_TRUE(ParseDiskSize("2M", f));
  EXPECT_EQ(f.capacity, 2097152u);
  ASSERT_TRUE(ParseDiskSize("none", f));
  EXPECT_EQ(f.capacity, 0u);
  for (const char* bad : {"", "0", "12Q", "K", "-5"}) EXPECT_FALSE(ParseDiskSize(bad, f)) << bad;
}

}  // namespace
}  // namespace relvo::maker
