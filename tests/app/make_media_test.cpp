// relvo make-media end to end: the demo product as the old tree and a
// changed copy as the new one; the media made over two disks update a copy
// of the old product, through the wizard, into the new one. A change the
// update cannot make fails the media's dry run.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/make_media.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "support/copy_tree.h"
#include "support/drain_file.h"
#include "support/folder_snapshot.h"
#include "support/memory_registry.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

std::string U(const std::string& cp932) { return enc::cp932_to_utf8(cp932); }

// Bytes that do not pack: the archives keep their size.
std::string Noise(std::size_t n, std::uint32_t seed) {
  std::string s(n, '\0');
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

class MakeMediaTest : public ::testing::Test {
 protected:
  MakeMediaTest() {
    test::CopyTree(demo_ + "product\\", tmp / "old\\");
    test::CopyTree(tmp / "old\\", tmp / "new\\");
    // The demo's header with the digitizer edition and the master
    // conversion off: the update then writes what the rows carry, no more.
    WriteHeader(false);
  }

  void WriteHeader(bool switches) {
    std::string info;
    EXPECT_TRUE(read_whole_file(fs_, demo_ + "media\\disk1\\info.txt", info));
    std::istringstream lines(info);
    std::string header, line;
    for (int n = 1; n <= 41 && std::getline(lines, line); ++n)
      header += ((n == 18 || n == 20) && !switches ? "0\r" : line) + "\n";
    tmp.write("header.txt", header);
  }

  // relvo make-media from old to new into media; the exit status, with
  // what it wrote to out and err in text.
  int Make(const std::string& diskSize, std::string& text, const std::string& outFolder = "media") {
    std::vector<std::string> args = {"make-media", "--from", U(tmp / "old"), "--to", U(tmp / "new"),
                                     "--out", U(tmp / outFolder), "--header", U(tmp / "header.txt"),
                                     "--pictures", U(demo_ + "media\\disk1"), "--disk-size", diskSize};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    if (!out || !err) return -1;
    const int status =
        RunMakeMediaCommand(static_cast<int>(argv.size()), argv.data(), fs_, native_system_info(), out, err);
    text = test::Drain(out) + test::Drain(err);
    return status;
  }

  FileSystem& fs_ = native_file_system();
  const std::string demo_ = test::test_data_dir() + "..\\..\\demo\\";
  test::TempDir tmp;
};

TEST_F(MakeMediaTest, TwoDisksUpdateTheOldProductIntoTheNewThroughTheWizard) {
  tmp.write("new\\Program\\vornel.dat", Noise(40000, 1));        // changed
  tmp.write("new\\Program\\Help\\手引き.txt", "読んでください\r\n");  // a new folder, a CP932 name
  tmp.write("new\\新機能\\sub\\data.bin", Noise(30000, 2));       // below a new folder without files
  tmp.write("new\\NEWS.TXT", "news\r\n");                           // in the product folder itself
  tmp.write("new\\master21\\MASTER21.MST", "master\r\n");           // on a file row of its own
  tmp.mkdir("new\\Logs");                                           // new and empty
  ASSERT_TRUE(fs_.remove(tmp / "new\\Doc\\README.TXT"));            // not deleted by the update

  std::string text;
  ASSERT_EQ(Make("64K", text), 0) << text;
  EXPECT_NE(text.find(U("Doc\\README.TXT: not in the new tree")), std::string::npos) << text;
  EXPECT_NE(text.find("2,1,"), std::string::npos) << text;
  EXPECT_NE(text.find(",2,MASTER21.MST,master21\\"), std::string::npos) << text;
  EXPECT_FALSE(tmp.exists("media\\disk3")) << text;

  // The dry run's check itself, against a new tree that no longer matches
  // the media: a file written otherwise, one carried that is not written,
  // one written that is not carried.
  const std::string news = tmp.read("new\\NEWS.TXT");
  tmp.write("new\\NEWS.TXT", "NEWS\r\n");  // the same size
  const MadeMediaCheck c = CheckMadeMedia(fs_, native_system_info(), {tmp / "media\\disk1\\", tmp / "media\\disk2\\"},
                                          tmp / "old\\", tmp / "new\\", {"NEWS.TXT", "Doc\\EXTRA.TXT"});
  EXPECT_FALSE(c.ok);
  std::string differences;
  for (const std::string& d : c.differences) differences += U(d) + "\n";
  for (const char* part : {"NEWS.TXT as the update would write it differs", "would not write Doc\\EXTRA.TXT",
                           "vornel.dat, which the new tree does not change"})
    EXPECT_NE(differences.find(part), std::string::npos) << part << "\n" << differences;
  tmp.write("new\\NEWS.TXT", news);

  test::CopyTree(tmp / "old\\", tmp / "updated\\");
  std::vector<std::string> args = {"relvo", "--unattended", "--media", U(tmp / "media\\disk1"), "--media",
                                   U(tmp / "media\\disk2"), "--dest", U(tmp / "updated")};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::istringstream in;
  std::ostringstream out, err;
  WizardIo io{in, out, err};
  test::MemoryRegistry registry;
  io.registry = &registry;
  ASSERT_EQ(RunWizardCommand(static_cast<int>(argv.size()), argv.data(), io), 0) << out.str() << err.str();
  EXPECT_NE(out.str().find(U("2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。")), std::string::npos) << out.str();

  tmp.write("new\\Doc\\README.TXT", tmp.read("old\\Doc\\README.TXT"));
  EXPECT_EQ(test::Snapshot(fs_, tmp / "updated\\"), test::Snapshot(fs_, tmp / "new\\"));
}

// A file too big for one disk is refused before anything is written.
TEST_F(MakeMediaTest, AFileTooBigForOneDiskFails) {
  tmp.write("new\\Program\\vornel.dat", Noise(40000, 3));
  std::string text;
  EXPECT_EQ(Make("32K", text), 1) << text;
  EXPECT_NE(text.find(U("Program\\vornel.dat is too big for one disk")), std::string::npos) << text;
  EXPECT_FALSE(tmp.exists("media\\disk1")) << text;
}

TEST_F(MakeMediaTest, DisksMadeInsideATreeAreRefused) {
  for (const char* out : {"new\\media", "OLD\\x\\media", "old"}) {
    std::string text;
    EXPECT_EQ(Make("none", text, out), 2) << out << ": " << text;
    EXPECT_NE(text.find("--out must lie outside"), std::string::npos) << text;
  }
  std::string text;
  EXPECT_EQ(Make("none", text, "older"), 0) << text;  // a name that only begins alike
}

// With the digitizer edition on, the update edits the settings file the new
// tree holds unedited: the media pass, and the maker is told.
TEST_F(MakeMediaTest, WhatTheSwitchedOnStepsLeaveOtherThanTheNewTreeIsAWarning) {
  WriteHeader(true);
  tmp.write("new\\NEWS.TXT", "news\r\n");
  std::string text;
  EXPECT_EQ(Make("none", text), 0) << text;
  EXPECT_NE(text.find("the update leaves vornel1.ini other than the new tree holds it"), std::string::npos) << text;
}

// A file the old product holds read-only cannot be replaced: the dry run
// stops there, and make-media fails with that.
TEST_F(MakeMediaTest, AChangeTheUpdateCannotMakeFailsTheCheck) {
  tmp.write("new\\Program\\vornel.cfg", "changed\r\n");
  FileStatus st;
  ASSERT_TRUE(fs_.get_status(tmp / "old\\Program\\vornel.cfg", st));
  st.attribute = kAttrReadOnly;
  ASSERT_TRUE(fs_.set_status(tmp / "old\\Program\\vornel.cfg", st));
  std::string text;
  EXPECT_EQ(Make("none", text), 1) << text;
  EXPECT_NE(text.find("failed the dry run"), std::string::npos) << text;
  EXPECT_NE(text.find("vornel.cfg"), std::string::npos) << text;
  st.attribute = 0;
  fs_.set_status(tmp / "old\\Program\\vornel.cfg", st);
}

}  // namespace
}  // namespace relvo::app
