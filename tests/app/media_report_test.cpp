// The media check: problems found on real media folders, and the JSON record.
#include "app/media_report.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

using test::TempDir;

std::string info_with_rows(const std::string& rows) {
  std::string out;
  for (int n = 1; n <= 41; ++n) out += (n == 19 ? std::string("NULL") : n == 25 ? "ﾃｽﾄ\t*です" : "L" + std::to_string(n)) + "\r\n";
  return out + rows;
}

MediaReport check(const std::vector<const TempDir*>& disks) {
  MediaCheckOptions opt;
  for (const auto* d : disks) opt.disks.push_back(d->path());
  return CheckMedia(native_file_system(), opt);
}

bool has_problem(const MediaReport& r, int line, const std::string& part) {
  for (const auto& p : r.problems)
    if (p.line == line && p.message.find(part) != std::string::npos) return true;
  return false;
}

TEST(MediaCheck, FilesAreLookedForOnEveryDisk) {
  TempDir disk1, disk2;
  disk1.write("info.txt", info_with_rows("1,1,data\\sys1,Program\n"
                                         "2,2,readme.txt,Doc\\\n"
                                         "2,1,gone,x\n"
                                         "1,1,start,Program\n"));
  disk1.write("DATA\\SYS1.LZH", "x");
  disk2.write("README.TXT", "x");
  disk1.write("START.lzh", "x");
  disk2.write("START3.lzh", "x");
  const MediaReport r = check({&disk1, &disk2});
  ASSERT_TRUE(r.opened);
  EXPECT_EQ(r.descriptor.rowCount(), 4);
  EXPECT_FALSE(has_problem(r, 42, "none of the given disks"));
  EXPECT_FALSE(has_problem(r, 43, "none of the given disks"));
  EXPECT_TRUE(has_problem(r, 43, "README.TXT.lzh"));  // the disk prompt looks for .lzh
  EXPECT_TRUE(has_problem(r, 44, "GONE.lzh"));
  EXPECT_FALSE(has_problem(r, 45, "START"));
  EXPECT_EQ(r.errorCount(), 1);
}

TEST(MediaCheck, StartRowNeedsAProductVariant) {
  TempDir disk;
  disk.write("info.txt", info_with_rows("1,1,start,Program\n"));
  disk.write("START.lzh", "x");
  const MediaReport r = check({&disk});
  EXPECT_TRUE(has_problem(r, 42, "no product variant"));
}

TEST(MediaCheck, MissingDescriptorIsAnError) {
  TempDir disk;
  const MediaReport r = check({&disk});
  EXPECT_FALSE(r.opened);
  EXPECT_EQ(r.errorCount(), 1);
  EXPECT_TRUE(MediaReportToJson(r)["descriptor"].is_null());
}

// Names and texts from info.txt reach the terminal with their control
// characters escaped, never as escape sequences it would obey.
TEST(MediaCheck, TextReportShowsControlCharactersEscaped) {
  TempDir disk;
  std::string info = info_with_rows("1,1,a\x1b]0;owned\x07,b\x7f\r\n");
  info.replace(0, 2, "\x1b[2J");  // the title
  disk.write("info.txt", info);
  const std::string text = MediaReportToText(check({&disk}));
  for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 || c == '\n') << static_cast<int>(c);
  EXPECT_NE(text.find("\\x1b[2J"), std::string::npos) << text;
  EXPECT_NE(text.find("A\\x1b]0;OWNED\\x07"), std::string::npos) << text;
}

TEST(MediaCheck, JsonCarriesEveryFieldInUtf8) {
  TempDir disk;
  disk.write("info.txt", info_with_rows("2,1,data\\ｼｽﾃﾑ,Program\n"));
  const nlohmann::json j = MediaReportToJson(check({&disk}));
  const auto& d = j["descriptor"];
  EXPECT_EQ(d["uninstallKeys"].size(), 15u);
  EXPECT_EQ(d["titleKeywords"].size(), 15u);
  EXPECT_EQ(d["settingsFile"], "NULL");
  EXPECT_EQ(d["startNotice"], enc::cp932_to_utf8("ﾃｽﾄ\r\nです"));
  EXPECT_EQ(d["rowCount"], 1);
  EXPECT_EQ(d["rows"][0]["diskNumber"], 2);
  EXPECT_EQ(d["rows"][0]["archiveName"], enc::cp932_to_utf8("DATA\\ｼｽﾃﾑ"));
  EXPECT_EQ(j["problems"][0]["severity"], "error");
  EXPECT_EQ(j["problems"][0]["line"], 42);
}

}  // namespace
}  // namespace relvo::app

namespace relvo::app {
namespace {

// A 2x1 24-bit picture: the smallest thing the wizard can draw.
std::string tiny_bmp() {
  std::string bits = std::string("\x00\x00\xff\x00\xff\x00", 6) + std::string(2, '\0');
  std::string info(40, '\0');
  auto put32 = [](std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
  };
  put32(info, 0, 40);
  put32(info, 4, 2);
  put32(info, 8, 1);
  info[12] = 1;
  info[14] = 24;
  std::string head(14, '\0');
  head[0] = 'B';
  head[1] = 'M';
  put32(head, 2, static_cast<std::uint32_t>(14 + 40 + bits.size()));
  put32(head, 10, 54);
  return head + info + bits;
}

TEST(MediaCheck, PicturesAndProductAreReported) {
  TempDir disk, product;
  std::string info;
  for (int n = 1; n <= 41; ++n)
    info += (n == 19 ? std::string("NULL") : n == 21 ? "view.bmp" : n == 22 ? "gone.bmp" : n == 27 ? "ﾌﾟﾛ" : "L" + std::to_string(n)) + "\r\n";
  disk.write("info.txt", info);
  disk.write("view.bmp", tiny_bmp());
  product.write("pemtrax1.ini", "[SYSTEM]\r\nMAKER=2\r\n");
  product.write("Start.bmp", tiny_bmp());

  MediaCheckOptions opt;
  opt.disks = {disk.path()};
  opt.hasProduct = true;
  opt.productFolder = product.path();
  const nlohmann::json j = MediaReportToJson(CheckMedia(native_file_system(), opt));

  const auto& pics = j["pictures"];
  ASSERT_EQ(pics.size(), 4u);
  EXPECT_EQ(pics[0]["field"], "viewPicture");
  EXPECT_EQ(pics[0]["drawable"], true);
  EXPECT_EQ(pics[0]["width"], 2);
  EXPECT_EQ(pics[0]["bitCount"], 24);
  EXPECT_EQ(pics[1]["file"], "gone.bmp");
  EXPECT_EQ(pics[1]["drawable"], false);
  EXPECT_FALSE(pics[1]["reason"].get<std::string>().empty());

  const auto& p = j["product"];
  EXPECT_EQ(p["settingsFile"], "pemtrax1.ini");  // "NULL" fell back to the second name
  EXPECT_EQ(p["folderCheck"], true);
  EXPECT_EQ(p["versionCheck"], true);
  EXPECT_EQ(p["productCode"], 99);               // maker number 2
}

}  // namespace
}  // namespace relvo::app
