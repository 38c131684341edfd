// A folder's tree copied through the file layer, for tests that start from
// the demo's media or product.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"
#include "platform/files.h"

namespace relvo::test {

// Copies the tree at from into to (folder texts ending with a separator).
inline void CopyTree(const std::string& from, const std::string& to) {
  FileSystem& fs = native_file_system();
  fs.make_dir(to);
  for (const FoundEntry& e : fs.find(from + "*")) {
    if (e.isFolder)
      CopyTree(from + e.name + "\\", to + e.name + "\\");
    else
      ASSERT_TRUE(fs.copy_file(from + e.name, to + e.name)) << enc::cp932_to_utf8(from + e.name);
  }
}

}  // namespace relvo::test
