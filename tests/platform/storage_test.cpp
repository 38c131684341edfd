// The store's platform parts: reading from an offset, syncing a folder,
// free space for a folder not made yet, the per-user state folder.
#include <gtest/gtest.h>

#include "base/sjis.h"
#include "platform/storage.h"
#include "support/temp_dir.h"

namespace relvo {
namespace {

using test::TempDir;

TEST(Storage, ReadsFromAnOffset) {
  TempDir d;
  d.write("f", "0123456789");
  const struct {
    std::uint64_t offset;
    const char* expect;  // nullptr: not opened
  } cases[] = {{0, "0123456789"}, {4, "456789"}, {10, ""}, {11, nullptr}};
  for (const auto& c : cases) {
    std::unique_ptr<FileReader> r = storage::open_read_at(d / "f", c.offset);
    ASSERT_EQ(r != nullptr, c.expect != nullptr) << c.offset;
    if (!r) continue;
    char buf[32];
    std::string got;
    for (std::size_t n; (n = r->read(buf, sizeof buf)) != 0;) got.append(buf, n);
    EXPECT_EQ(got, c.expect) << c.offset;
  }
  EXPECT_EQ(storage::open_read_at(d / "missing", 0), nullptr);
  EXPECT_EQ(storage::open_read_at(d.path(), 0), nullptr) << "a folder is not read";
}

TEST(Storage, FoldersSyncAndTellTheirFreeSpace) {
  TempDir d;
  EXPECT_TRUE(storage::sync_folder(d.path()));
  EXPECT_FALSE(storage::sync_folder(d / "missing"));
  std::uint64_t free = 0;
  EXPECT_TRUE(storage::free_bytes(d / "not\\made\\yet", free));
  EXPECT_GT(free, 0u);
}

TEST(Storage, StateFolderIsNamedForThisProgram) {
  const std::string s = storage::user_state_folder();
  ASSERT_FALSE(s.empty());
  EXPECT_TRUE(sjis::ends_with_separator(s));
  EXPECT_TRUE(sjis::iequals(s.substr(s.size() - 6, 5), "relvo")) << s;
}

}  // namespace
}  // namespace relvo
