// The reader and the decoders on fixtures from an independent archiver and
// on hand-built archives, with truncated and corrupted variants.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "archive/lzh_reader.h"
#include "lzh_builder.h"
#include "lzh_samples.h"
#include "support/temp_dir.h"

namespace relvo::lzh {
namespace {

using test::StringSink;
using test::StringSource;

std::string data_path(const std::string& rel) {
  const char* d = std::getenv("RELVO_TEST_DATA");
  return std::string(d ? d : "tests/data") + "/lzh/" + rel;
}
std::string slurp(const std::string& rel) {
  std::ifstream f(data_path(rel), std::ios::binary);
  EXPECT_TRUE(f.good()) << rel;
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

using test::acgt_data;

struct Decoded {
  std::string path;  // '/' between folders
  std::string method;
  HeaderStatus header = HeaderStatus::Ok;
  DataStatus data = DataStatus::Ok;
  std::string bytes;
};

// Reads every member of an archive; the last entry carries a header error
// when the archive stops with one.
std::vector<Decoded> read_all(const std::string& archive) {
  StringSource src(archive);
  ArchiveReader r(src);
  std::vector<Decoded> out;
  for (;;) {
    Member m;
    const HeaderStatus hs = r.next(m);
    if (hs == HeaderStatus::End) break;
    if (hs != HeaderStatus::Ok) {
      out.push_back({"", "", hs, DataStatus::Ok, ""});
      break;
    }
    StringSink sink;
    Decoded d{m.path('/'), m.method, hs, DataStatus::Ok, ""};
    d.data = r.read_data(&sink);
    d.bytes = std::move(sink.data);
    out.push_back(std::move(d));
  }
  return out;
}

std::map<std::string, std::string> expected_members(bool with_japanese) {
  std::map<std::string, std::string> m{{"text.txt", slurp("src/text.txt")}, {"data.bin", slurp("src/data.bin")}};
  if (with_japanese) {
    m["empty.txt"] = "";
    m["sub"] = "";
    m["sub/\x93\xfa\x96\x7b\x8c\xea.txt"] = slurp("src/japanese.txt");  // 日本語 in CP932
  }
  return m;
}

struct FixtureCase {
  const char* file;
  bool full_set;     // the five members with the CP932 name, else two
  bool acgt;         // also acgt.txt
  const char* method;  // of text.txt
};

const FixtureCase kFixtures[] = {
    {"m_lh0.lzh", true, false, "-lh0-"}, {"m_lh1.lzh", true, true, "-lh1-"},
    {"m_lh2.lzh", true, false, "-lh2-"}, {"m_lh3.lzh", true, false, "-lh3-"}, {"m_lh4.lzh", true, false, "-lh4-"},
    {"m_lh5.lzh", true, false, "-lh5-"}, {"m_lh6.lzh", true, false, "-lh6-"},
    {"m_lh7.lzh", true, false, "-lh7-"}, {"m_lzs.lzh", true, false, "-lzs-"},
    {"m_lz5.lzh", true, false, "-lz5-"}, {"lv0_lh5.lzh", true, false, "-lh5-"},
    {"lv1_lh6.lzh", true, false, "-lh6-"}, {"cli_a0o5.lzh", false, false, "-lh5-"},
    {"cli_a1o6.lzh", false, false, "-lh6-"}, {"cli_a2o7.lzh", false, false, "-lh7-"},
    {"cli_az.lzh", false, false, "-lh0-"},
};

TEST(LzhReader, EveryFixtureDecodesToItsSources) {
  for (const FixtureCase& fc : kFixtures) {
    SCOPED_TRACE(fc.file);
    auto want = expected_members(fc.full_set);
    if (fc.acgt) want["acgt.txt"] = acgt_data();
    const auto got = read_all(slurp(fc.file));
    ASSERT_EQ(got.size(), want.size());
    for (const Decoded& d : got) {
      SCOPED_TRACE(d.path);
      ASSERT_EQ(d.header, HeaderStatus::Ok);
      EXPECT_EQ(d.data, DataStatus::Ok);
      ASSERT_TRUE(want.count(d.path));
      EXPECT_TRUE(d.bytes == want[d.path]);
      if (d.path == "text.txt") {
        EXPECT_EQ(d.method, fc.method);
      }
    }
  }
}

// The same numbers the fixture script writes into numbers.txt: "n," with n
// below 1000, to 176000 bytes or just past.
std::string numbers_data() {
  std::uint32_t x = 5;
  std::string s;
  while (s.size() < 176000) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
    s += std::to_string((x >> 16) % 1000) + ",";
  }
  return s;
}

// Members far larger than the window: Huffman blocks one after another,
// and for the adaptive -lh2- code more than 0x8000 symbols in each of its
// two trees (both halve their counts) and all 128 position leaves.
TEST(LzhReader, LargeMembers) {
  const struct {
    const char* file;
    const char* method;
    std::string (*data)();
  } cases[] = {
      {"big_lh5.lzh", "-lh5-", acgt_data},
      {"big_lh3.lzh", "-lh3-", acgt_data},
      {"big_lh2.lzh", "-lh2-", numbers_data},
      {"big_lh2a.lzh", "-lh2-", acgt_data},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto got = read_all(slurp(c.file));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].method, c.method);
    EXPECT_EQ(got[0].data, DataStatus::Ok);
    const std::string want = c.data();
    ASSERT_EQ(got[0].bytes.size(), want.size());
    EXPECT_TRUE(got[0].bytes == want);
  }
}

TEST(LzhReader, UnsupportedMethodIsReportedAndSkipped) {
  // Ids in the header format that no method of ours has.
  for (const char* method : {"-pm9-", "-lh8-", "-lh9-", "-lz7-"}) {
    SCOPED_TRACE(method);
    test::Entry odd = test::stored("odd.bin", "packed by something else");
    odd.method = method;
    const std::string archive = test::build(odd, 1) + test::build(test::stored("after.txt", "still read"), 1);
    const auto got = read_all(archive);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].data, DataStatus::Unsupported);
    EXPECT_EQ(got[0].bytes, "");
    // The member after it is still read.
    EXPECT_EQ(got[1].path, "after.txt");
    EXPECT_EQ(got[1].data, DataStatus::Ok);
    EXPECT_EQ(got[1].bytes, "still read");
  }
}

// The header fields each level carries, on hand-built archives.
TEST(LzhReader, HeaderLevelsAndExtendedHeaders) {
  const std::string body = "stored body \x83\x5C bytes";
  // Level 0 with a Unix extension: 'U', version, time, mode, uid, gid.
  {
    test::Entry e = test::stored("dir\\name.txt", body);
    e.time = 0;
    std::string h = test::build(e, 0);
    StringSource src(h);
    ArchiveReader r(src);
    Member m;
    ASSERT_EQ(r.next(m), HeaderStatus::Ok);
    EXPECT_EQ(m.path('/'), "dir/name.txt");
    EXPECT_EQ(m.level, 0);
    // No DOS time stored: no time, not the day before 1980.
    EXPECT_EQ(m.mtime, 0);
  }
  // Level 1 with folder, attribute and Unix time extended headers.
  {
    test::Entry e = test::stored("f.txt", body);
    std::string t;
    test::put32(t, 1700000000u);
    e.ext = {{0x02, "a\xFF" "b\xFF"}, {0x40, std::string("\x21\x00", 2)}, {0x54, t}};
    e.header_crc = true;
    StringSource src(test::build(e, 1));
    ArchiveReader r(src);
    Member m;
    ASSERT_EQ(r.next(m), HeaderStatus::Ok);
    EXPECT_EQ(m.path('/'), "a/b/f.txt");
    EXPECT_EQ(m.attribute, 0x21);
    EXPECT_EQ(m.mtime, 1700000000);
    StringSink s;
    EXPECT_EQ(r.read_data(&s), DataStatus::Ok);
    EXPECT_EQ(s.data, body);
  }
  // Level 3: Unicode name and folder win over the CP932 ones; Windows times
  // and 64-bit sizes; the header CRC is checked.
  for (int level : {2, 3}) {
    SCOPED_TRACE(level);
    test::Entry e = test::stored("", body);
    e.method = "-lz4-";
    e.time = 1000;
    std::string ft, sizes;
    const std::uint64_t t = (1600000000ull + 11644473600ull) * 10000000ull;
    test::put64(ft, t);
    test::put64(ft, t);
    test::put64(ft, t);
    test::put64(sizes, body.size());
    test::put64(sizes, body.size());
    e.ext = {{0x01, "ignored.txt"}, {0x02, "old"},
             {0x44, test::utf16le(u"\u97f3\u58f0.txt")},  // 音声.txt
             {0x45, test::utf16le(u"\u30c7\u30fc\u30bf\\x")},  // データ\x
             {0x41, ft}, {0x42, sizes}};
    e.header_crc = true;
    const std::string archive = test::build(e, level);
    StringSource src(archive);
    ArchiveReader r(src);
    Member m;
    ASSERT_EQ(r.next(m), HeaderStatus::Ok);
    EXPECT_EQ(m.path('\\'), "\x83\x66\x81\x5B\x83\x5E\\x\\\x89\xb9\x90\xba.txt");
    EXPECT_EQ(m.mtime, 1600000000);
    StringSink s;
    EXPECT_EQ(r.read_data(&s), DataStatus::Ok);
    EXPECT_EQ(s.data, body);
    // A flipped bit in the name fails the header CRC.
    std::string bad = archive;
    bad[bad.find("ignored") + 1] ^= 1;
    StringSource src2(bad);
    ArchiveReader r2(src2);
    EXPECT_EQ(r2.next(m), HeaderStatus::BadChecksum);
  }
}

// A -lh5- member's packed data re-wrapped in a level 3 header decodes the
// same: the level changes nothing but the header.
TEST(LzhReader, Level3AroundCompressedData) {
  const std::string text = slurp("src/text.txt");
  const std::string archive = slurp("cli_a2o7.lzh");
  // The first member of the level 2 fixture: header size at 0, packed size at 7.
  const std::size_t hsize = static_cast<unsigned char>(archive[0]) | (static_cast<unsigned char>(archive[1]) << 8);
  const std::uint32_t packed = static_cast<unsigned char>(archive[7]) | (static_cast<unsigned char>(archive[8]) << 8);
  test::Entry e;
  e.method = "-lh7-";
  e.packed = archive.substr(hsize, packed);
  e.original = text.size();
  e.crc = test::crc_of(text);
  e.ext = {{0x01, "t.txt"}};
  e.header_crc = true;
  const auto got = read_all(test::build(e, 3) + std::string(1, '\0'));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].data, DataStatus::Ok);
  EXPECT_TRUE(got[0].bytes == text);
}

TEST(LzhReader, BadInputsAtTheHeader) {
  // A level 0 or 1 header with one byte changed, its checksum kept right.
  const auto patched = [](std::string h, std::size_t at, char v) {
    h[1] = static_cast<char>(h[1] + v - h[at]);
    h[at] = v;
    return h;
  };
  const std::string good = test::build(test::stored("a.txt", "abc"), 0);
  std::string bad_sum = good;
  bad_sum[1] ^= 0x40;
  std::string bad_method = good;
  bad_method[2] = 'x';
  test::Entry ext = test::stored("b.txt", "abc");
  ext.ext = {{0x3F, std::string(20, 'c')}};  // 23 bytes of extended header, counted in the packed size
  std::string huge3 = test::build(test::stored("a", "abc"), 3);
  huge3[27] = 0x7F;  // total header size 2 GiB
  const struct {
    const char* what;
    std::string bytes;
    HeaderStatus want;
  } cases[] = {
      {"empty file", "", HeaderStatus::NotArchive},
      {"text", "This is not an archive at all, just text.", HeaderStatus::NotArchive},
      {"checksum", bad_sum, HeaderStatus::BadChecksum},
      {"method", bad_method, HeaderStatus::NotArchive},
      {"level", patched(good, 20, 7), HeaderStatus::NotArchive},
      {"name longer than its header", good + patched(good, 21, 40), HeaderStatus::BadHeader},
      {"extended headers beyond the packed size", good + patched(test::build(ext, 1), 7, 3), HeaderStatus::BadHeader},
      {"level 3 header size", huge3, HeaderStatus::NotArchive},
      {"second header cut", good + good.substr(0, 10), HeaderStatus::Truncated},
      {"second header junk", good + std::string(30, '\x11'), HeaderStatus::BadHeader},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = read_all(c.bytes);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().header, c.want);
  }
}

// Where an archive ends: at its end mark, at the end of the file, or at ^Z
// padding that runs to the end of the file. A level 0 header whose size
// byte is 0x1A and a level 2 one whose size starts with a zero byte are
// still headers.
TEST(LzhReader, TheArchiveEnds) {
  const std::string one = test::build(test::stored("a.txt", "abc"), 0);
  const std::string size_1a = test::build(test::stored("ABCD", "abc"), 0);
  ASSERT_EQ(size_1a[0], '\x1a');
  test::Entry e = test::stored("", "abc");
  e.ext = {{0x01, std::string(227, 'n')}};
  const std::string size_256 = test::build(e, 2);
  ASSERT_EQ(size_256.substr(0, 2), std::string("\0\1", 2));
  const struct {
    const char* what;
    std::string bytes;
    std::size_t members;
    HeaderStatus last;  // End: no error
  } cases[] = {
      {"no end mark", one, 1, HeaderStatus::End},
      {"one ^Z", one + "\x1a", 1, HeaderStatus::End},
      {"^Z to the record's end", one + std::string(100, '\x1a'), 1, HeaderStatus::End},
      {"headers of size 0x1A", size_1a + size_1a + "\x1a", 2, HeaderStatus::End},
      {"a level 2 header of size 256", one + size_256 + one + '\0', 3, HeaderStatus::End},
      {"end mark, then a cut header", one + '\0' + size_256.substr(1, 20), 1, HeaderStatus::End},
      {"^Z, then more", one + std::string(30, '\x1a') + "junk", 1, HeaderStatus::BadHeader},
      {"^Z, then a header", one + "\x1a" + one, 1, HeaderStatus::BadHeader},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = read_all(c.bytes);
    const bool failed = !got.empty() && got.back().header != HeaderStatus::Ok;
    EXPECT_EQ(got.size() - (failed ? 1 : 0), c.members);
    EXPECT_EQ(failed ? got.back().header : HeaderStatus::End, c.last);
    for (const Decoded& d : got) EXPECT_EQ(d.data, DataStatus::Ok);
  }
}

// A member of no data whose path ends with a separator is a folder, under
// any method, as some archivers store folders.
TEST(LzhReader, FolderMembersWithoutTheFolderMethod) {
  auto folder_only = [](test::Ext folder) {
    test::Entry e = test::stored("", "");
    e.ext = {std::move(folder)};
    return e;
  };
  const struct {
    const char* what;
    test::Entry e;
    int level;
    bool directory;
    const char* path;
  } cases[] = {
      {"name ending in '\\'", test::stored("docs\\", ""), 0, true, "docs"},
      {"folder field alone", folder_only({0x02, "a\xFF" "b\xFF"}), 2, true, "a/b"},
      {"Unicode folder alone", folder_only({0x45, test::utf16le(u"a\\")}), 3, true, "a"},
      {"empty file", test::stored("docs\\empty.txt", ""), 0, false, "docs/empty.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StringSource src(test::build(c.e, c.level));
    ArchiveReader r(src);
    Member m;
    ASSERT_EQ(r.next(m), HeaderStatus::Ok);
    EXPECT_EQ(m.is_directory(), c.directory);
    EXPECT_EQ(m.path('/'), c.path);
    EXPECT_EQ(r.read_data(nullptr), DataStatus::Ok);
  }
}

// True when reading gave exactly the complete archive's members, all well.
bool reads_as_complete(const std::string& bytes, const std::vector<Decoded>& full) {
  const auto got = read_all(bytes);
  if (got.size() != full.size()) return false;
  for (std::size_t i = 0; i < got.size(); ++i)
    if (got[i].header != HeaderStatus::Ok || got[i].data != DataStatus::Ok) return false;
  return true;
}

// Every prefix of an archive is reported as cut short (or as fewer
// members), never as the whole archive, and never crashes.
TEST(LzhReader, EveryPrefixIsIncomplete) {
  for (const char* f : {"m_lh5.lzh", "m_lh3.lzh", "m_lzs.lzh", "m_lz5.lzh", "lv0_lh5.lzh", "lv1_lh6.lzh", "m_lh1.lzh",
                        "m_lh2.lzh"}) {
    SCOPED_TRACE(f);
    const std::string all = slurp(f);
    const auto full = read_all(all);
    // The archives end with an end mark; everything before it is needed.
    const std::size_t step = all.size() > 4000 ? 97 : 1;
    for (std::size_t n = 0; n + 1 < all.size(); n += step)
      ASSERT_FALSE(reads_as_complete(all.substr(0, n), full)) << n;
  }
}

// A flipped bit never yields wrong bytes reported as good.
TEST(LzhReader, BitFlipsNeverPassAsGoodData) {
  for (const char* f : {"m_lh5.lzh", "m_lh1.lzh", "m_lzs.lzh", "m_lz5.lzh", "m_lh3.lzh", "lv1_lh6.lzh", "m_lh2.lzh"}) {
    SCOPED_TRACE(f);
    const std::string all = slurp(f);
    const auto full = read_all(all);
    const std::size_t step = all.size() > 4000 ? 37 : 1;
    for (std::size_t bit = 0; bit < all.size() * 8; bit += step) {
      std::string b = all;
      b[bit / 8] = static_cast<char>(b[bit / 8] ^ (1 << (bit % 8)));
      for (const Decoded& d : read_all(b)) {
        if (d.header != HeaderStatus::Ok || d.data != DataStatus::Ok) continue;
        for (const Decoded& o : full)
          if (o.path == d.path && o.method == d.method && o.bytes.size() == d.bytes.size()) {
            ASSERT_TRUE(o.bytes == d.bytes) << "bit " << bit << " " << d.path;
          }
      }
    }
  }
}

// Hand-made streams whose output follows from the format by hand.
TEST(LzhReader, HandMadeStreams) {
  const struct {
    const char* what;
    const char* method;
    std::string packed;
    std::string want;
  } cases[] = {
      // -lzs-: flag 1 + 'A', flag 1 + 'B', then a match: flag 0, place of the
      // first byte (2031), length 4 - 2: "ABABAB" by an overlapping copy.
      {"lzs overlap", "-lzs-", std::string("\xA0\xD0\x9F\xBC\x80", 5), "ABABAB"},
      // -lz5-: flags 0xFE: a match first (place 0, 13 bytes of 0x00 in the
      // preset ring: length 3) then a literal 'z'.
      {"lz5 preset ring", "-lz5-", std::string("\xFE\x00\x00z", 4), std::string("\0\0\0z", 4)},
      // -lz5-: a match at place 0xFEE (4078, where writing starts) reads the
      // blanks the ring holds there; length 5.
      {"lz5 blanks", "-lz5-", std::string("\x00\xEE\xF2", 3), "     "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::Entry e;
    e.method = c.method;
    e.name = "x";
    e.packed = c.packed;
    e.original = c.want.size();
    e.crc = test::crc_of(c.want);
    const auto got = read_all(test::build(e, 0));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data, DataStatus::Ok);
    EXPECT_EQ(got[0].bytes, c.want);
  }
}

// A member that claims far more output than its data gives stops at the end
// of its data instead of inventing bytes.
TEST(LzhReader, ClaimedSizeBeyondTheData) {
  const std::string text = slurp("src/text.txt");
  const std::string archive = slurp("cli_a2o7.lzh");
  const std::size_t hsize = static_cast<unsigned char>(archive[0]) | (static_cast<unsigned char>(archive[1]) << 8);
  const std::uint32_t packed = static_cast<unsigned char>(archive[7]) | (static_cast<unsigned char>(archive[8]) << 8);
  for (std::uint64_t extra : {1ull, 1ull << 22}) {
    test::Entry e;
    e.method = "-lh7-";
    e.name = "t.txt";
    e.packed = archive.substr(hsize, packed);
    e.original = text.size() + extra;
    e.crc = test::crc_of(text);
    const auto got = read_all(test::build(e, 1));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data, DataStatus::Truncated);
    EXPECT_LT(got[0].bytes.size(), text.size() + 300);
  }
}

// The stored path taken apart: the root taken off and kept, the name
// ending at a NUL with the comment after it.
TEST(LzhReader, RootsNamesAndComments) {
  auto entry = [](std::string name, char os = 0, std::vector<test::Ext> ext = {}) {
    test::Entry e = test::stored(name, "x");
    e.os = os;
    e.ext = std::move(ext);
    e.header_crc = true;
    return e;
  };
  const struct {
    const char* what;
    test::Entry e;
    int level;
    const char* root;
    const char* path;
    std::string comment;
  } cases[] = {
      {"backslash", entry("\\a\\b.txt"), 0, "\\", "a/b.txt", ""},
      {"slash", entry("/a/b.txt"), 1, "\\", "a/b.txt", ""},
      {"drive root", entry("C:\\x\\y.txt"), 0, "C:\\", "x/y.txt", ""},
      {"drive relative", entry("c:y.txt"), 1, "c:", "y.txt", ""},
      {"volume", entry("DH0:dir/f"), 0, "DH0:", "dir/f", ""},
      {"current volume", entry(":dir/f"), 0, ":", "dir/f", ""},
      {"Amiga volume alone", entry("Work:f", 'A'), 1, "Work:", "f", ""},
      {"stream is no volume", entry("a.txt:evil"), 0, "", "a.txt:evil", ""},
      {"trail byte 5C", entry("\x83\x5C:x\\f"), 0, "\x83\x5C:", "x/f", ""},
      {"folder field root", entry("", 0, {{0x01, "b"}, {0x02, "\xFF" "a\xFF"}}), 2, "\\", "a/b", ""},
      {"Unicode root", entry("", 0, {{0x44, test::utf16le(u"\\a\\b")}}), 3, "\\", "a/b", ""},
      {"Amiga comment", entry(std::string("n.txt\0note\0\0", 12)), 0, "", "n.txt", "note"},
      {"comment in name field", entry("", 'A', {{0x01, std::string("n.txt\0c", 7)}}), 2, "", "n.txt", "c"},
      {"comment header", entry("n.txt", 0, {{0x3F, "said"}}), 1, "", "n.txt", "said"},
      {"folder field cut at NUL", entry("", 0, {{0x01, "n"}, {0x02, std::string("d\xFF\0junk", 7)}}), 2, "", "d/n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StringSource src(test::build(c.e, c.level));
    ArchiveReader r(src);
    Member m;
    ASSERT_EQ(r.next(m), HeaderStatus::Ok);
    EXPECT_EQ(m.root, c.root);
    EXPECT_EQ(m.path('/'), c.path);
    EXPECT_EQ(m.comment, c.comment);
    StringSink s;
    EXPECT_EQ(r.read_data(&s), DataStatus::Ok);
    EXPECT_EQ(s.data, "x");
  }
}

// OS-9/68K LHA states a level 2 header's size without the size field's own
// two bytes; its chain of extended headers closes just past that. Read for
// the OS-9 ids only, with and without a header CRC and extended headers.
TEST(LzhReader, Os9Level2HeaderSizeTwoShort) {
  auto os9 = [](char os, bool crc, std::vector<test::Ext> ext) {
    test::Entry e = test::stored("", "os-9 data");
    e.os = os;
    e.ext = std::move(ext);
    e.header_crc = crc;
    std::string a = test::build(e, 2);
    const std::size_t size = static_cast<unsigned char>(a[0]) | (static_cast<unsigned char>(a[1]) << 8);
    a[0] = static_cast<char>(size - 2);  // sizes here stay below 256
    if (crc) {  // made again over the header as it now reads; first extended header
      a[27] = a[28] = 0;
      const std::uint16_t c = test::crc_of(a.substr(0, size));
      a[27] = static_cast<char>(c & 0xFF);
      a[28] = static_cast<char>(c >> 8);
    }
    return a + test::build(test::stored("next.txt", "after"), 1);
  };
  const struct {
    const char* what;
    std::string archive;
    bool reads;
  } cases[] = {
      {"OS-9/68K with CRC", os9('K', true, {{0x01, "os9.txt"}}), true},
      {"OS-9/68K without CRC", os9('K', false, {{0x01, "os9.txt"}, {0x50, std::string("\x1B\x00", 2)}}), true},
      {"OS-9", os9('9', false, {{0x01, "os9.txt"}}), true},
      {"other OS", os9('w', true, {{0x01, "os9.txt"}}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = read_all(c.archive);
    if (!c.reads) {
      EXPECT_EQ(got.back().header, HeaderStatus::NotArchive);
      continue;
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].path, "os9.txt");
    EXPECT_EQ(got[0].bytes, "os-9 data");
    EXPECT_EQ(got[1].path, "next.txt");
    EXPECT_EQ(got[1].bytes, "after");
  }
  // The two bytes past the stated size must close the chain.
  std::string open_chain = os9('K', false, {{0x01, "os9.txt"}});
  open_chain[26 + 1 + 7] = 1;  // the closing size field, past the stated end
  EXPECT_NE(read_all(open_chain).front().header, HeaderStatus::Ok);
}

// A self-extracting archive: the extractor's code first, then the archive
// at the first header whose checksum or CRC holds.
TEST(LzhReader, SelfExtractorsFindTheArchiveAfterTheCode) {
  const std::string archive = test::build(test::stored("a.txt", "first"), 1) +
                              test::build(test::stored("b.txt", "second"), 2) + std::string(1, '\0');
  // A method id in the extractor's text, with bytes around it that fail as
  // a header.
  std::string decoy = test::build(test::stored("decoy.txt", "no"), 0);
  decoy[1] ^= 0x55;
  const std::string mini = test::build(test::stored("own.cfg", "extractor's own"), 0);
  const struct {
    const char* what;
    std::string stub;
    bool found;
  } cases[] = {
      {"MZ with a decoy", "MZ\x90\x00 usage: -lh5- " + decoy + std::string(3000, '\x90'), true},
      {"beyond 64 KiB", "MZ" + std::string(200000, '\xCC'), true},
      {"Amiga hunk (a zero first)", std::string("\0\0\x03\xF3", 4) + std::string(100, 'c'), true},
      {"Amiga LhASFX with its own small archive", std::string("\0\0\x03\xF3LhASFX V1.2,", 16) + mini + "code", true},
      {"text naming a method", "This text names -lh5- and -lz4- but holds no archive.", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto got = read_all(c.stub + (c.found ? archive : std::string()));
    if (!c.found) {
      EXPECT_EQ(got.back().header, HeaderStatus::NotArchive);
      continue;
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].path, "a.txt");
    EXPECT_EQ(got[0].bytes, "first");
    EXPECT_EQ(got[1].bytes, "second");
  }
  // A lone end mark is an empty archive, an empty file none.
  EXPECT_TRUE(read_all(std::string(1, '\0')).empty());
  EXPECT_EQ(read_all("").back().header, HeaderStatus::NotArchive);

  // A megabyte of one level 1 header over and over, its checksum good
  // and its extended headers running on into the next copies: each
  // candidate alone would read on for a megabyte. The scan as a whole reads
  // a few times what it scans (it took minutes when each read its own).
  std::string h(32, '\0');
  h[0] = 30;
  h.replace(2, 5, "-lh0-");
  h[7] = h[11] = 100;
  h[20] = 1;
  h[21] = 5;
  h.replace(22, 5, "a.txt");
  h[30] = 32;  // the first extended header: the next copy
  unsigned sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum += static_cast<unsigned char>(h[i]);
  h[1] = static_cast<char>(sum);
  std::string repeated = "X";
  while (repeated.size() < 1100 * 1024) repeated += h;
  const std::clock_t start = std::clock();  // processor time: the same on a busy machine
  EXPECT_EQ(read_all(repeated).back().header, HeaderStatus::NotArchive);
  EXPECT_LT(std::clock() - start, 2 * CLOCKS_PER_SEC);
}

// MacLHA's MacBinary header comes off only when every field agrees with
// its member; the CRC is checked over the whole data either way.
TEST(LzhReader, MacBinaryHeaderOnlyWhenItIsTheMembers) {
  constexpr std::uint32_t kTime = 1136214245, kMac = kTime + 2082844800u + 9 * 3600;
  struct Mb {
    std::string name = "file.txt";
    std::uint32_t data = 300, res = 0, mac_time = kMac;
    bool v2 = false, bad_crc = false, padded = false;
    char old_version = 0;
  };
  const std::string fork_bytes = acgt_data().substr(0, 1000);
  auto member_data = [&](const Mb& b) {
    std::string h(128, '\0');
    h[0] = b.old_version;
    h[1] = static_cast<char>(b.name.size());
    h.replace(2, b.name.size(), b.name);
    const std::uint32_t v[] = {b.data, b.res, b.mac_time, b.mac_time};
    for (int i = 0; i < 4; ++i)
      for (int k = 0; k < 4; ++k) h[0x53 + 4 * i + k] = static_cast<char>(v[i] >> (24 - 8 * k));
    if (b.v2) {
      h[0x7A] = static_cast<char>(129);
      h[0x7B] = static_cast<char>(129);
      std::uint16_t crc = 0;  // CRC-16/XMODEM
      for (int i = 0; i < 0x7C; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (static_cast<unsigned char>(h[i]) << 8));
        for (int k = 0; k < 8; ++k) crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
      }
      if (b.bad_crc) crc ^= 1;
      h[0x7C] = static_cast<char>(crc >> 8);
      h[0x7D] = static_cast<char>(crc & 0xFF);
    }
    std::string d = fork_bytes.substr(0, b.data), r = fork_bytes.substr(500, b.res);
    if (b.padded) d.resize((d.size() + 127) / 128 * 128, '\0');
    std::string all = h + d + r;
    all.resize((all.size() + 127) / 128 * 128, '\0');
    return all;
  };
  const struct {
    const char* what;
    Mb mb;
    char os;
    bool stripped;
  } cases[] = {
      {"data fork", {}, 'm', true},
      {"both forks back to back", {.data = 100, .res = 50}, 'm', true},
      {"both forks each padded", {.data = 10, .res = 10, .padded = true}, 'm', true},
      {"resource fork only", {.data = 0, .res = 200}, 'm', true},
      {"MacBinary II", {.v2 = true}, 'm', true},
      {"MacBinary II, CRC wrong", {.v2 = true, .bad_crc = true}, 'm', false},
      {"another name", {.name = "file.bin"}, 'm', false},
      {"a day apart", {.mac_time = kMac + 86400}, 'm', false},
      {"old version set", {.old_version = 1}, 'm', false},
      {"forks longer than the member", {.data = 300, .res = 300}, 'm', false},
      {"not from a Macintosh", {}, 'w', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string all = member_data(c.mb);
    if (std::string(c.what) == "forks longer than the member") all.resize(512);
    test::Entry e = test::stored("", all);
    e.ext = {{0x01, "file.txt"}};
    e.os = c.os;
    e.time = kTime;
    StringSource src(test::build(e, 2));
    ArchiveReader r(src);
    Member m;
    ASSERT_EQ(r.next(m), HeaderStatus::Ok);
    StringSink s;
    EXPECT_EQ(r.read_data(&s), DataStatus::Ok);
    EXPECT_EQ(r.stripped_macbinary(), c.stripped);
    const std::string fork = c.mb.data ? fork_bytes.substr(0, c.mb.data) : fork_bytes.substr(500, c.mb.res);
    EXPECT_TRUE(s.data == (c.stripped ? fork : all)) << s.data.size();
  }
}

// Every regression input kept from the fuzzers (fuzz/corpus/lzh_regressions,
// listed in LIST) runs without a crash; under ASan this catches any return.
TEST(LzhReader, FuzzRegressionInputs) {
  const char* d = std::getenv("RELVO_TEST_DATA");
  const std::string root = std::string(d ? d : "tests/data") + "/../../fuzz/corpus/lzh_regressions/";
  std::ifstream list(root + "LIST");
  std::string name;
  int n = 0;
  while (std::getline(list, name)) {
    if (name.empty()) continue;
    std::ifstream f(root + name, std::ios::binary);
    EXPECT_TRUE(f.good()) << "listed but missing: " << name;
    std::ostringstream s;
    s << f.rdbuf();
    read_all(s.str());
    ++n;
  }
  EXPECT_GT(n, 0) << "no regression list at " << root;
}

}  // namespace
}  // namespace relvo::lzh
