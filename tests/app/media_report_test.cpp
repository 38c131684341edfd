// The media check: problems found on real media folders, and the JSON record.
#include "app/media_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "app/commands.h"
#include "archive/lzh_builder.h"
#include "platform/encoding.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

using test::TempDir;

std::string info_with_rows(const std::string& rows, const std::map<int, std::string>& lines = {}) {
  std::string out;
  for (int n = 1; n <= 41; ++n) {
    const auto given = lines.find(n);
    out += (given != lines.end() ? given->second
            : n == 19        ? std::string("NULL")
            : n == 25        ? "ﾃｽﾄ\t*です"
                             : "L" + std::to_string(n)) +
           "\r\n";
  }
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

// A sound archive of two stored members, level 0 headers.
std::string good_lzh() {
  return lzh::test::build(lzh::test::stored("A.TXT", "first member"), 0) +
         lzh::test::build(lzh::test::stored("B.TXT", "second member"), 0) + std::string(1, '\0');
}

TEST(MediaCheck, FilesAreLookedForOnEveryDisk) {
  TempDir disk1, disk2;
  disk1.write("info.txt", info_with_rows("1,1,data\\sys1,Program\n"
                                         "2,2,readme.txt,Doc\\\n"
                                         "2,1,gone,x\n"
                                         "1,1,start,Program\n"));
  disk1.write("DATA\\SYS1.LZH", good_lzh());
  disk2.write("README.TXT", "x");
  disk1.write("START.lzh", "x");
  disk2.write("START3.lzh", good_lzh());
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
  EXPECT_TRUE(nlohmann::json::parse(MediaReportToJson(r))["descriptor"].is_null());
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
  EXPECT_NE(text.find("<1b>[2J"), std::string::npos) << text;
  EXPECT_NE(text.find("A<1b>]0;OWNED<07>"), std::string::npos) << text;
}

TEST(MediaCheck, JsonCarriesEveryFieldInUtf8) {
  TempDir disk;
  disk.write("info.txt", info_with_rows("2,1,data\\ｼｽﾃﾑ,Program\n"));
  const nlohmann::json j = nlohmann::json::parse(MediaReportToJson(check({&disk})));
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
  const nlohmann::json j = nlohmann::json::parse(MediaReportToJson(CheckMedia(native_file_system(), opt)));

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

namespace relvo::app {
namespace {

// check-media as the console runs it: the exit status and the JSON record.
int check_media_json(const std::vector<std::string>& folders, nlohmann::json& j) {
  std::vector<std::string> args = {"check-media", "--json"};
  for (const auto& f : folders) args.push_back(enc::cp932_to_utf8(f));
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (!out || !err) return -1;
  const int status = RunCheckMediaCommand(static_cast<int>(argv.size()), argv.data(), native_file_system(), out, err);
  std::rewind(out);
  std::string text;
  for (int ch; (ch = std::fgetc(out)) != EOF;) text += static_cast<char>(ch);
  std::fclose(out);
  std::fclose(err);
  j = nlohmann::json::parse(text, nullptr, false);
  return status;
}

// Each archive is tested as the update would extract it, on the disk its
// row is on; each member it would refuse or fail on is an error.
TEST(MediaCheck, ArchivesThatWouldHalfInstallAreErrors) {
  const std::string good = good_lzh();
  std::string flipped = good;
  flipped[flipped.find("first member")] ^= 1;
  const std::string cutInData = good.substr(0, good.find("second member") + 3);
  const std::string cutInHeader = good.substr(0, good.find("B.TXT"));
  const std::string refused = lzh::test::build(lzh::test::stored("..\\EVIL.TXT", "x"), 0) +
                              lzh::test::build(lzh::test::stored("CON", "x"), 0) +
                              lzh::test::build(lzh::test::stored("FINE.TXT", "x"), 0) + std::string(1, '\0');
  using Files = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* name;
    std::string rows;
    Files disk1, disk2;
    std::vector<std::string> errors;  // each part of one error at line 42
  } cases[] = {
      {"sound", "1,1,data,x\n", {{"DATA.lzh", good}}, {}, {}},
      {"CRC flipped", "1,1,data,x\n", {{"DATA.lzh", flipped}}, {}, {"member A.TXT"}},
      {"cut in data", "1,1,data,x\n", {{"DATA.lzh", cutInData}}, {}, {"member B.TXT"}},
      {"cut in a header", "1,1,data,x\n", {{"DATA.lzh", cutInHeader}}, {}, {"(after 1 member(s))"}},
      {"refused names", "1,1,data,x\n", {{"DATA.lzh", refused}}, {}, {"member ..\\EVIL.TXT", "member CON"}},
      {"the row's own disk", "2,1,data,x\n", {{"DATA.lzh", flipped}}, {{"DATA.lzh", good}}, {}},
      {"name with a dot", "1,1,data.v2,x\n", {{"DATA.V2", flipped}}, {}, {"DATA.V2 (disk 1), member A.TXT"}},
      {"START variants, not START", "1,1,start,x\n", {{"START.lzh", "marker"}, {"START2.lzh", good}},
       {{"START15.lzh", flipped}}, {"START15.lzh (disk 2), member A.TXT"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir disk1, disk2;
    disk1.write("info.txt", info_with_rows(c.rows));
    for (const auto& [file, bytes] : c.disk1) disk1.write(file, bytes);
    for (const auto& [file, bytes] : c.disk2) disk2.write(file, bytes);
    const MediaReport r = check({&disk1, &disk2});
    EXPECT_EQ(r.errorCount(), static_cast<int>(c.errors.size()));
    const std::string text = MediaReportToText(r);
    for (const std::string& part : c.errors) {
      EXPECT_TRUE(has_problem(r, 42, part)) << part;
      EXPECT_NE(text.find(part), std::string::npos) << text;
    }
    nlohmann::json j;
    EXPECT_EQ(check_media_json({disk1.path(), disk2.path()}, j), c.errors.empty() ? 0 : 1);
    std::size_t bad = 0;
    for (const auto& a : j["archives"]) bad += a["badMembers"].size() + !a["archiveProblem"].is_null();
    EXPECT_EQ(bad, c.errors.size()) << j.dump(1);
  }
}

// The voice data archive is the product's: the plan tests it as the run
// leaves it there, with the archives it was handed.
TEST(MediaCheck, PlanTestsTheVoiceDataArchive) {
  TempDir disk, product;
  disk.write("info.txt", info_with_rows("", {{19, "vornel1.ini"}, {20, "1"}}));
  product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=T\r\n[DIR]\r\nWAV=" + product.path() + "wave\r\n");
  product.write("vo2menu.ini", "[MENU]\r\n");
  product.write("Start.bmp", "BM");
  product.mkdir("wave");
  std::string flipped = good_lzh();
  flipped[flipped.find("second member")] ^= 1;
  product.write("音声\\wave.lzh", flipped);
  MediaCheckOptions opt;
  opt.disks = {disk.path()};
  opt.hasProduct = opt.plan = true;
  opt.productFolder = product.path();
  const MediaReport r = CheckMedia(native_file_system(), opt);
  EXPECT_EQ(r.errorCount(), 1);
  EXPECT_TRUE(has_problem(r, 0, "member B.TXT"));
  ASSERT_EQ(r.archives.size(), 1u);
  EXPECT_EQ(r.archives[0].disk, 0);
}

// What the update does as built but an author rarely means is a warning at
// its line, never an error.
TEST(MediaCheck, WarnsAuthorsOfWhatTheyRarelyMean) {
  const struct {
    const char* name;
    std::string rows;
    std::map<int, std::string> lines;
    const char* folder;  // the media folder; null: a temporary one
    int line;
    const char* warning;  // part of the warning at line; null: none there
    const char* file = nullptr;  // a file on the medium
  } cases[] = {
      {"archive name climbs out", "1,2,..\\readme.txt,Doc\\\n", {}, nullptr, 42, "outside the media folder"},
      {"target climbs out", "1,2,readme.txt,Doc\\..\\..\\\n", {}, nullptr, 42, "outside the product folder"},
      {"target stays inside", "1,2,readme.txt,Doc\\..\\Etc\\\n", {}, nullptr, 42, nullptr},
      {"target with a drive", "1,1,data,D:\\Prog\n", {}, nullptr, 42, "names a drive"},
      {"target from the root", "1,1,data,\\Prog\n", {}, nullptr, 42, "begins with a separator"},
      {"target in half a character", "1,2,readme.txt,ﾃﾞｰﾀ\x83\n", {}, nullptr, 42, "double-byte"},
      {"target ending in a 5C trail byte", "1,1,data,ソ\n", {}, nullptr, 42, nullptr},
      {"install folder in half a character", "", {{16, "C:\\ﾌﾟﾛ\x83"}}, nullptr, 16, "double-byte"},
      {"disk 1 after disk 2", "2,1,data,x\n1,1,more,x\n", {}, nullptr, 43, "never asks for disk 1 again"},
      {"file row opening disk 2", "1,1,data,x\n2,2,readme.txt,Doc\\\n", {}, nullptr, 43, "README.TXT.lzh"},
      {"file row on disk 2 already in", "2,1,data,x\n2,2,readme.txt,Doc\\\n", {}, nullptr, 43, nullptr},
      {"archive with its own extension opening disk 2", "1,1,data,x\n2,1,data.v2,x\n", {}, nullptr, 43, "DATA.V2.lzh",
       "DATA.V2"},
      {"media folder a drive root", "", {}, "Q:\\", 0, "root of drive Q:"},
      {"program folder a bare drive", "", {}, "Q:", 0, "root of drive Q:"},
      {"media folder not a root", "", {}, nullptr, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir disk;
    disk.write("info.txt", info_with_rows(c.rows, c.lines));
    if (c.file) disk.write(c.file, good_lzh());
    MediaCheckOptions opt;
    opt.disks = {c.folder ? std::string(c.folder) : disk.path()};
    const MediaReport r = CheckMedia(native_file_system(), opt);
    const DescriptorIssue* found = nullptr;
    for (const auto& p : r.problems)
      if (p.line == c.line && p.severity == DescriptorIssue::Severity::Warning &&
          (!c.warning || p.message.find(c.warning) != std::string::npos))
        found = &p;
    if (c.warning) {
      if (!found) {
        ADD_FAILURE() << "no warning at line " << c.line;
        continue;
      }
      EXPECT_NE(MediaReportToText(r).find(c.warning), std::string::npos);
      const nlohmann::json j = nlohmann::json::parse(MediaReportToJson(r));
      const auto& problems = j["problems"];
      EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [&](const nlohmann::json& p) {
        return p["severity"] == "warning" && p["line"] == c.line &&
               p["message"].get<std::string>().find(c.warning) != std::string::npos;
      }));
    } else {
      EXPECT_EQ(found, nullptr) << found->message;
    }
  }
}

}  // namespace
}  // namespace relvo::app
