// relvo restore: its exit statuses, the listing, the refusal that names the
// files changed since the update, and the log of a restore.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "engine/recording_files.h"
#include "engine/restore_point.h"
#include "platform/encoding.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

using test::TempDir;

struct Restore {
  TempDir product, base, logs;
  std::string out, err;

  int run(std::vector<std::string> words) {
    words.insert(words.begin(), "restore");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    std::istringstream in;
    std::ostringstream o, e;
    WizardIo io{in, o, e};
    const int status = RunRestoreCommand(static_cast<int>(argv.size()), argv.data(), io);
    out = o.str();
    err = e.str();
    return status;
  }
  std::vector<std::string> args(std::vector<std::string> more) {
    more.insert(more.begin(), {"--dest", enc::cp932_to_utf8(product.path()), "--restore-point",
                               enc::cp932_to_utf8(base.path())});
    return more;
  }
  void update() {
    FileSystem& disk = native_file_system();
    RestorePointWriter point(disk, ProductPointsFolder(disk, base.path(), product.path()), product.path());
    RecordingFileSystem files(disk, point);
    ASSERT_TRUE(write_file_atomically(files, product / "a.ini", "new"));
    ASSERT_TRUE(files.make_dir(product / "NEW"));
    ASSERT_TRUE(point.finish(disk));
  }
};

TEST(RestoreCommand, UsageAndNothingToRestore) {
  Restore r;
  EXPECT_EQ(r.run({}), 2);
  EXPECT_NE(r.err.find("--dest FOLDER"), std::string::npos);
  EXPECT_EQ(r.run({"--dest", "x", "--bogus"}), 2);
  EXPECT_EQ(r.run({"--help"}), 0);
  EXPECT_NE(r.out.find("Exit status:"), std::string::npos);
  EXPECT_EQ(r.run(r.args({"--list"})), 1);
  EXPECT_EQ(r.run(r.args({})), 1);
  EXPECT_NE(r.err.find("no restore point"), std::string::npos);
}

TEST(RestoreCommand, ListsRefusesThenRestoresWithForceAndLogsEveryFile) {
  Restore r;
  r.product.write("a.ini", "old");
  r.update();
  EXPECT_EQ(r.run(r.args({"--list"})), 0);
  EXPECT_NE(r.out.find("  1  "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("complete  3 paths  3 bytes"), std::string::npos) << r.out;

  r.product.write("a.ini", "mine");
  EXPECT_EQ(r.run(r.args({})), 4);
  EXPECT_NE(r.err.find(enc::cp932_to_utf8(r.product / "a.ini")), std::string::npos) << r.err;
  EXPECT_EQ(r.product.read("a.ini"), "mine");

  const std::string log = enc::cp932_to_utf8(r.logs / "restore.log");
  EXPECT_EQ(r.run(r.args({"--force", "--log", log})), 0) << r.err;
  EXPECT_EQ(r.product.read("a.ini"), "old");
  EXPECT_EQ(r.product.read("a.ini.relvo-kept"), "mine");
  EXPECT_FALSE(r.product.exists("NEW"));
  const std::string text = r.logs.read("restore.log");
  for (const char* line : {" restore-point 1 ", " kept ", "a.ini: restored", "NEW: folder removed", " end 0"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

  EXPECT_EQ(r.run(r.args({})), 1);
  EXPECT_NE(r.err.find("restored already"), std::string::npos) << r.err;
  EXPECT_EQ(r.run(r.args({"--list"})), 0);
  EXPECT_NE(r.out.find("restored"), std::string::npos);
}

}  // namespace
}  // namespace relvo::app
