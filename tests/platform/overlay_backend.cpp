// The file-layer suite on the in-memory layer over the platform's backend:
// a fresh layer for every test, so that no test sees another's changes.
#include <gtest/gtest.h>

#include <memory>

#include "file_backend.h"
#include "platform/overlay_files.h"

namespace relvo::test {

FileSystem& files_under_test() {
  static std::unique_ptr<OverlayFileSystem> layer;
  static const testing::TestInfo* owner = nullptr;
  const testing::TestInfo* now = testing::UnitTest::GetInstance()->current_test_info();
  if (!layer || owner != now) {
    layer = std::make_unique<OverlayFileSystem>(native_file_system());
    owner = now;
  }
  return *layer;
}

bool writes_reach_disk() { return false; }

}  // namespace relvo::test
