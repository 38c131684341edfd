// Replays the fuzzer's seeds and every input it ever crashed on: each must be
// read or refused cleanly, and drawn when read.
#include <gtest/gtest.h>

#include "fw/console/memory_dc.h"
#include "picture/dib_draw.h"
#include "picture/picture_report.h"

namespace relvo::picture {
namespace {

std::string corpus_dir() {
  std::string d = RELVO_BMP_CORPUS;
#ifdef _WIN32
  for (char& c : d)
    if (c == '/') c = '\\';
  d = "Z:" + d + "\\";
#else
  d += "/";
#endif
  return d;
}

TEST(BmpCorpus, EveryInputReadOrRefusedCleanly) {
  FileSystem& fs = native_file_system();
  const std::string dir = corpus_dir();
  const auto entries = fs.find(dir + "*");
  int inputs = 0;
  for (const FoundEntry& e : entries) {
    if (e.isFolder || e.name.ends_with(".py") || e.name.ends_with(".md")) continue;
    SCOPED_TRACE(e.name);
    ++inputs;
    const PictureReport r = InspectDibFile(fs, dir + e.name);
    fw::MemoryDc dc(16, 12, 0x123456);
    EXPECT_EQ(DrawDibFile(fs, dc, fw::Rect{0, 0, 16, 12}, dir + e.name, fw::kSrcCopy), r.drawable ? 1 : 0);
    EXPECT_EQ(dc.live_palettes(), 0);
    // The seeds named ok-* are sound pictures.
    if (e.name.rfind("ok-", 0) == 0) {
      EXPECT_TRUE(r.drawable) << r.reason;
    }
  }
  EXPECT_GT(inputs, 0) << "no corpus at " << dir;
}

}  // namespace
}  // namespace relvo::picture
