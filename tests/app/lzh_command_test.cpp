// relvo lzh a: its arguments, exit statuses and what it lists, on real
// folders; the archive it makes is read back by relvo lzh t.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/commands.h"
#include "platform/encoding.h"
#include "support/drain_file.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

Result Lzh(std::vector<std::string> args) {
  args.insert(args.begin(), "lzh");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  Result r;
  if (!out || !err) return r;
  r.status = RunLzhCommand(static_cast<int>(argv.size()), argv.data(), out, err);
  r.out = test::Drain(out);
  r.err = test::Drain(err);
  return r;
}

TEST(LzhAdd, ArgumentsStatusesAndListing) {
  test::TempDir t;
  t.write("base\\sub\\f.txt", std::string(5000, 'f'));
  const std::string dir = enc::cp932_to_utf8(t / "base"), a = enc::cp932_to_utf8(t / "a.lzh");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string said;  // in the output or the error
  } cases[] = {
      {{"a", a}, 2, "usage"},
      {{"a", a, "-m", "lh9", "sub"}, 2, "usage"},
      {{"a", a, "-l", "3", "sub"}, 2, "usage"},
      {{"a", a, "-x", "sub"}, 2, "usage"},
      {{"a", a, "sub", "-C"}, 2, "usage"},
      {{"a", a, "-C", dir, "missing"}, 1, "missing"},
      {{"a", a, "-C", dir, "../base"}, 1, "../base"},
      {{"a", a, "-C", dir, "-m", "lh5", "-l", "1", "sub"}, 0, "-lh5-  sub/f.txt"},
      {{"t", a}, 0, "sub/f.txt: OK"},
      {{"a", a, "-C", dir, "sub"}, 1, "a.lzh"},  // never added to
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& s : c.args) line += s + " ";
    SCOPED_TRACE(line);
    const Result r = Lzh(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
  }
}

}  // namespace
}  // namespace relvo::app
