// The journal's framing: whatever the cut or the damage, a scan gives back
// exactly the records written whole and sound before it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/restore_journal.h"
#include "engine/restore_point.h"

namespace relvo::journal {
namespace {

class StringWriter final : public FileWriter {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* buf, std::size_t n) override { out_.append(static_cast<const char*>(buf), n); }
  void flush() override {}
  void close() override {}

 private:
  std::string& out_;
};

Scan ScanBytes(const std::string& bytes) {
  MemoryByteSource in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return ScanJournal(in, true);
}

struct Written {
  std::string bytes;
  std::vector<std::uint64_t> ends;  // where each record ends
};

// Records of every kind of size: empty, small, one that goes out in three
// writes (over 4 KiB), one larger than the scan's read buffer.
Written Sample() {
  Written w;
  Writer out(std::make_unique<StringWriter>(w.bytes));
  const std::string bodies[] = {"", "begin", std::string(5000, 'x'), std::string(70000, '\x5c'), "after"};
  const Type types[] = {Type::Begin, Type::Before, Type::Data, Type::Data, Type::Sealed};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(out.append(types[i], bodies[i]), w.ends.empty() ? 0 : w.ends.back());
    w.ends.push_back(out.size());
  }
  EXPECT_EQ(w.ends.back(), w.bytes.size());
  return w;
}

TEST(Journal, Crc64IsTheXzCheck) {
  EXPECT_EQ(Crc64("123456789", 9), 0x995DC9BBDF1939FAull);
  EXPECT_EQ(Crc64("6789", 4, Crc64("12345", 5)), 0x995DC9BBDF1939FAull);
}

TEST(Journal, EveryCutKeepsTheRecordsWholeBeforeIt) {
  const Written w = Sample();
  // Every byte around each record's edges (frame, body, checksum), and
  // every 97th byte between them.
  std::set<std::size_t> cuts;
  for (std::size_t c = 0; c <= w.bytes.size(); c += 97) cuts.insert(c);
  std::vector<std::uint64_t> edges{0};
  edges.insert(edges.end(), w.ends.begin(), w.ends.end());
  for (std::uint64_t e : edges)
    for (std::uint64_t c = e >= 24 ? e - 24 : 0; c <= e + 24 && c <= w.bytes.size(); ++c) cuts.insert(c);
  for (std::size_t cut : cuts) {
    const Scan s = ScanBytes(w.bytes.substr(0, cut));
    std::size_t whole = 0;
    while (whole < w.ends.size() && w.ends[whole] <= cut) ++whole;
    ASSERT_EQ(s.records.size(), whole) << "cut at " << cut;
    EXPECT_EQ(s.validBytes, whole ? w.ends[whole - 1] : 0) << "cut at " << cut;
    EXPECT_EQ(s.tornTail, cut != s.validBytes) << "cut at " << cut;
  }
  const Scan all = ScanBytes(w.bytes);
  ASSERT_EQ(all.records.size(), 5u);
  EXPECT_EQ(all.records[1].body, "begin");
  EXPECT_EQ(all.records[3].body, std::string(70000, '\x5c'));
  EXPECT_EQ(all.records[4].offset, w.ends[3]);
}

TEST(Journal, DamageEndsTheScanAtTheDamagedRecord) {
  const Written w = Sample();
  const std::uint64_t third = w.ends[1];  // the 5000-byte record
  const struct {
    const char* what;
    std::uint64_t at;
    char value;
  } cases[] = {
      {"unknown type", third, 0x7f},
      {"type zero", third, 0},
      {"padding", third + 2, 1},
      {"length", third + 5, 0x10},
      {"body byte", third + 8 + 4999, 'y'},
      {"checksum", w.ends[2] - 1, 0},
      {"length over the limit", third + 7, 0x40},
  };
  for (const auto& c : cases) {
    std::string bytes = w.bytes;
    ASSERT_NE(bytes[c.at], c.value) << c.what;
    bytes[c.at] = c.value;
    const Scan s = ScanBytes(bytes);
    EXPECT_EQ(s.records.size(), 2u) << c.what;
    EXPECT_EQ(s.validBytes, third) << c.what;
    EXPECT_TRUE(s.tornTail) << c.what;
  }
}

TEST(Journal, ScanWithoutDataDropsOnlyDataBodies) {
  const Written w = Sample();
  MemoryByteSource in(reinterpret_cast<const std::uint8_t*>(w.bytes.data()), w.bytes.size());
  const Scan s = ScanJournal(in, false);
  ASSERT_EQ(s.records.size(), 5u);
  EXPECT_EQ(s.records[1].body, "begin");
  EXPECT_TRUE(s.records[2].body.empty());
  EXPECT_EQ(s.records[2].bodySize, 5000u);
}

TEST(Journal, BodyFieldsRoundTripAndAShortBodyIsNoBody) {
  const std::string body = BodyWriter().u8(7).u32(0x01020304).u64(~0ull).i64(-5).text("\x83\x5c").bytes();
  BodyReader r(body);
  EXPECT_EQ(r.u8(), 7);
  EXPECT_EQ(r.u32(), 0x01020304u);
  EXPECT_EQ(r.u64(), ~0ull);
  EXPECT_EQ(r.i64(), -5);
  EXPECT_EQ(r.text(), "\x83\x5c");
  EXPECT_TRUE(r.ok() && r.at_end());
  BodyReader cut(std::string_view(body).substr(0, body.size() - 1));
  cut.u8(), cut.u32(), cut.u64(), cut.i64();
  EXPECT_EQ(cut.text(), "");
  EXPECT_FALSE(cut.ok());
}

// A point's journal as the writer lays it out: Begin, a file's Data and
// Before, an absent path's Before, one After each, Sealed. Each row spoils
// one thing; reading keeps what stands before the fault.
TEST(Journal, PointJournalsReadBackOnlyWhatIsConsistent) {
  const std::string data = "[SYSTEM]\r\n";
  auto before = [&](const char* path, std::uint8_t kind, std::uint64_t size, std::uint32_t chunks) {
    return BodyWriter().text(path).u8(kind).u8(0).i64(1).i64(2).i64(3).u64(size).u64(Crc64(data.data(), size)).u32(chunks).bytes();
  };
  auto after = [](std::uint32_t index) { return BodyWriter().u32(index).u8(0).u64(0).u64(0).bytes(); };
  const std::string begin = std::string("RELVO-RP") + BodyWriter().u32(1).i64(9).text("C:\\P\\").bytes();
  struct Rec {
    Type type;
    std::string body;
  };
  const std::vector<Rec> good = {{Type::Begin, begin},          {Type::Data, data},
                                 {Type::Before, before("C:\\P\\a", 1, data.size(), 1)},
                                 {Type::Before, before("C:\\P\\N", 0, 0, 0)},
                                 {Type::After, after(0)},       {Type::After, after(1)},
                                 {Type::Sealed, BodyWriter().u32(2).u64(data.size()).bytes()}};
  const struct {
    const char* what;
    std::size_t at;  // the record replaced (or, with drop, left out)
    Rec with;
    bool drop;
    std::size_t entries;
    bool sealed;
  } cases[] = {
      {"as written", 0, {Type::Begin, begin}, false, 2, true},
      {"the run did not seal it", 6, {}, true, 2, false},
      {"an After is missing", 5, {}, true, 2, false},
      {"a Before claims more Data than stands before it", 2, {Type::Before, before("C:\\P\\a", 1, data.size(), 2)}, false, 0, false},
      {"the Data's bytes do not add up", 2, {Type::Before, before("C:\\P\\a", 1, data.size() - 1, 1)}, false, 0, false},
      {"a path with nothing there has bytes", 3, {Type::Before, before("C:\\P\\N", 0, data.size(), 0)}, false, 1, false},
      {"an After names no entry", 5, {Type::After, after(7)}, false, 2, false},
      {"a restore's record in the journal", 4, {Type::PutBack, after(0)}, false, 2, false},
      {"another magic", 0, {Type::Begin, "RELVO-RX" + begin.substr(8)}, false, 0, false},
  };
  for (const auto& c : cases) {
    std::string bytes;
    Writer w(std::make_unique<StringWriter>(bytes));
    for (std::size_t i = 0; i < good.size(); ++i) {
      if (i != c.at) w.append(good[i].type, good[i].body);
      else if (!c.drop) w.append(c.with.type, c.with.body);
    }
    MemoryByteSource in(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    PointInfo info;
    bool sealed = true;
    const bool read = ReadPointJournal(in, info, sealed);
    EXPECT_EQ(read, std::string(c.what) != "another magic") << c.what;
    EXPECT_EQ(info.entries.size(), c.entries) << c.what;
    EXPECT_EQ(sealed, c.sealed) << c.what;
  }
}

}  // namespace
}  // namespace relvo::journal
