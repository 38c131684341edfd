// Text-mode line reading: LF ends a line, CR before LF is dropped, 0x1A ends
// the file, and lines of any length come whole.
#include "base/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace relvo {
namespace {

// Hands out its bytes in pieces of a fixed size, so that line ends fall on
// piece boundaries too.
class PieceSource : public ByteSource {
 public:
  PieceSource(std::string data, std::size_t piece) : data_(std::move(data)), piece_(piece) {}
  std::size_t read(void* buf, std::size_t n) override {
    const std::size_t k = std::min({n, piece_, data_.size() - pos_});
    std::memcpy(buf, data_.data() + pos_, k);
    pos_ += k;
    return k;
  }

 private:
  std::string data_;
  std::size_t piece_, pos_ = 0;
};

std::vector<std::string> lines_of(const std::string& data, std::size_t piece, bool* lastEnded = nullptr) {
  PieceSource src(data, piece);
  LineReader r(src);
  std::vector<std::string> out;
  std::string line;
  while (r.next(line)) out.push_back(line);
  if (lastEnded) *lastEnded = r.last_line_ended();
  return out;
}

TEST(LineReader, TextModeRules) {
  using V = std::vector<std::string>;
  struct Case { std::string data; V lines; bool lastEnded; } cases[] = {
      {"a\nb\n", V{"a", "b"}, true},
      {"a\r\nb\r\n", V{"a", "b"}, true},
      {"a\nb", V{"a", "b"}, false},           // last line without a line end
      {"a\r\r\nb", V{"a\r", "b"}, false},     // only the CR right before LF goes
      {"a\rb\n", V{"a\rb"}, true},
      {"a\nb\r", V{"a", "b\r"}, false},      // a CR alone ends no line
      {"\n\n", V{"", ""}, true},
      {"", V{}, false},
      {"a\n\x1A" "b\n", V{"a"}, true},       // Ctrl-Z ends the file
      {"a\x1A\nb", V{"a"}, false},
      {std::string("a\0b\n", 4), V{std::string("a\0b", 3)}, true},
  };
  for (const auto& c : cases)
    for (std::size_t piece : {1u, 2u, 3u, 4096u}) {
      bool lastEnded = !c.lastEnded;
      EXPECT_EQ(lines_of(c.data, piece, &lastEnded), c.lines) << "piece " << piece;
      EXPECT_EQ(lastEnded, c.lastEnded) << "piece " << piece;
    }
}

TEST(LineReader, LongLinesComeWhole) {
  const std::string big(10 * 1024 * 1024 + 7, 'x');
  const auto lines = lines_of(big + "\r\nshort\n" + big, 1 << 20);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), big.size());
  EXPECT_EQ(lines[1], "short");
  EXPECT_EQ(lines[2].size(), big.size());
}

}  // namespace
}  // namespace relvo
