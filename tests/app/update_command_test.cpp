// relvo update: how each way a run ends becomes the exit status, and what an
// update run by a script does at a disk prompt or with a descriptor cut short.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "engine/update_run.h"
#include "fw/console/console_ui.h"
#include "platform/encoding.h"
#include "support/recording_library.h"
#include "support/temp_dir.h"
#include "support/test_system.h"

namespace relvo::app {
namespace {

using test::TempDir;

TEST(UpdateCommand, ExitStatusOfEachOutcome) {
  const struct {
    UpdateOutcome how;
    int status;
  } cases[] = {
      {UpdateOutcome::Updated, 0},        {UpdateOutcome::Cancelled, 3},       {UpdateOutcome::FolderRejected, 4},
      {UpdateOutcome::VersionRejected, 4}, {UpdateOutcome::NotIdentified, 4},  {UpdateOutcome::Failed, 5},
      {UpdateOutcome::DescriptorIncomplete, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ExitCodeOf(c.how), c.status) << static_cast<int>(c.how);
}

TEST(UpdateCommand, AnUnanswerableDiskPromptCancelsTheRun) {
  TempDir media, product;
  product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=X\r\n");
  product.write("vo2menu.ini", "");
  product.write("Start.bmp", "BM");
  UpdateDescriptor d;
  d.complete = true;
  d.installFolder = product.path();
  d.settingsFile = "vornel1.ini";
  d.rows.push_back({2, kEntryArchive, "SYS2", ""});
  test::TestSystem sys;
  sys.driveType = kDriveRemovable;
  test::RecordingLibrary archive;
  std::istringstream in;
  std::ostringstream out;
  fw::console::ConsoleOptions unattended;
  unattended.unattended = true;
  fw::console::ConsoleUi ui(in, out, unattended);
  Host host{native_file_system(), sys, archive, ui};
  UpdateOutcome how;
  EXPECT_EQ(RunUpdate(host, d, media.path(), &how), 1);
  EXPECT_EQ(how, UpdateOutcome::Cancelled);
  EXPECT_TRUE(archive.commands.empty());
}

// A descriptor that ends before its 41 lines installs nothing and ends the
// command with its "other error" status.
TEST(UpdateCommand, DescriptorCutShortEndsWithOtherError) {
  TempDir media, product;
  std::string info;
  for (int n = 1; n <= 30; ++n) info += (n == 19 ? std::string("vornel1.ini") : "L" + std::to_string(n)) + "\r\n";
  media.write("info.txt", info);
  media.write("A.DAT", "a");
  product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=X\r\n");
  product.write("vo2menu.ini", "");
  product.write("Start.bmp", "BM");
  std::vector<std::string> args = {"update", "--media", enc::cp932_to_utf8(media.path()), "--dest",
                                   enc::cp932_to_utf8(product.path())};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = RunUpdateCommand(static_cast<int>(argv.size()), argv.data());
  const std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("info.txt"), std::string::npos) << out;
  EXPECT_EQ(out.find(enc::cp932_to_utf8("システムは正常に更新されました。")), std::string::npos) << out;
  EXPECT_EQ(product.read("vornel1.ini"), "[SYSTEM]\r\nTITLE=X\r\n");
}

}  // namespace
}  // namespace relvo::app
