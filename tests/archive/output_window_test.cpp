// The output window's match copy against a byte-by-byte LZ77 copy, over the
// distances where it changes strategy (a run, a short period, eight and
// sixteen bytes apart) and lengths around its chunk sizes, including copies
// that cross the slide point and one cut at the member's end.
#include <gtest/gtest.h>

#include <string>

#include "archive/output_window.h"
#include "lzh_builder.h"

namespace relvo::lzh {
namespace {

// What the window must produce: the seed, then each (dist, len) copied one
// byte at a time.
struct Step {
  std::size_t dist, len;
};
std::string by_bytes(std::string s, const std::vector<Step>& steps) {
  for (const Step& st : steps)
    for (std::size_t i = 0; i < st.len; ++i) s += s[s.size() - st.dist];
  return s;
}

std::string seed_bytes(std::size_t n) {
  std::string s;
  std::uint32_t x = 9;
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    s += static_cast<char>(x >> 16);
  }
  return s;
}

TEST(OutputWindow, MatchCopiesEqualByteByByteCopies) {
  const std::size_t dists[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 15, 16, 17, 31, 32, 33, 100, 4096};
  const std::size_t lens[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 24, 31, 33, 64, 255, 256};
  const std::string seed = seed_bytes(4096);
  for (std::size_t dist : dists)
    for (std::size_t len : lens) {
      SCOPED_TRACE(::testing::Message() << "dist=" << dist << " len=" << len);
      // Two copies in a row, so that the second reads what the first wrote.
      const std::vector<Step> steps{{dist, len}, {dist, len}};
      const std::string want = by_bytes(seed, steps);
      test::StringSink sink;
      OutputWindow w(1 << 13, want.size(), &sink);
      for (char c : seed) w.put(static_cast<std::uint8_t>(c));
      for (const Step& st : steps) w.copy(st.dist, st.len);
      EXPECT_EQ(w.left(), 0u);
      w.finish();
      ASSERT_EQ(sink.data.size(), want.size());
      EXPECT_TRUE(sink.data == want);
    }
}

TEST(OutputWindow, CopiesAcrossManySlidesAndACutAtTheEnd) {
  // Enough output for several slides of the buffer; matches of every
  // distance class keep referring back across them.
  const std::string seed = seed_bytes(300);
  std::vector<Step> steps;
  std::size_t total = seed.size();
  std::uint32_t x = 3;
  while (total < (3u << 20)) {
    x = x * 1103515245u + 12345u;
    const std::size_t dist = 1 + (x >> 8) % (x & 0x100 ? 20 : 8192 < total ? 8192 : total);
    const std::size_t len = 3 + (x >> 20) % 254;
    steps.push_back({dist, len});
    total += len;
  }
  const std::string full = by_bytes(seed, steps);
  // The member ends five bytes into the last match: the copy is cut there.
  const std::string want = full.substr(0, full.size() - steps.back().len + 5);
  test::StringSink sink;
  OutputWindow w(1 << 13, want.size(), &sink);
  for (char c : seed) w.put(static_cast<std::uint8_t>(c));
  for (const Step& st : steps) w.copy(st.dist, st.len);
  EXPECT_EQ(w.left(), 0u);
  EXPECT_EQ(w.finish(), test::crc_of(want));
  ASSERT_EQ(sink.data.size(), want.size());
  EXPECT_TRUE(sink.data == want);
}

}  // namespace
}  // namespace relvo::lzh
