// End-to-end tests of the update run and the voice data install on real
// temporary media and product folders, with the user interface scripted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/lzh_library.h"
#include "engine/run_detail.h"
#include "engine/update_run.h"
#include "platform/delegating_files.h"
#include "platform/encoding.h"
#include "platform/profile.h"
#include "support/recording_library.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "support/test_system.h"

namespace relvo {
namespace {

using test::RecordingLibrary;
using test::ScriptUi;
using test::TempDir;
using test::TestSystem;

// The run's texts as the user must read them (compiled into CP932).
const std::string kFolderWrong = "ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。";
const std::string kVersionWrong = "このバージョンへの更新はできません。";
const std::string kCancelled = "ｱｯﾌﾟﾃﾞｲﾄを取消しました。";
const std::string kNoSystemName = "ｼｽﾃﾑ名称が取得できませんでした。";
const std::string kSizeFailed = "材料ｻｲｽﾞ変換が正常に更新されませんでした。";
const std::string kTypeFailed = "材料ﾀｲﾌﾟ変換が正常に更新されませんでした。";
const std::string kDone = "システムは正常に更新されました。";
const std::string kConfirm = "確認";
const std::string kError = "エラー";
const std::string kUpdateError = "更新エラー";
std::string Prompt(int disk) { return std::to_string(disk) + " 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。"; }

using test::Box;
using test::Show;
Box Ok(const std::string& text, const std::string& caption = kConfirm) { return {text, caption, fw::Buttons::Ok}; }
Box Ask(int disk) { return {Prompt(disk), kConfirm, fw::Buttons::OkCancel}; }

// The native file layer with one operation made to fail for paths ending
// with a given name.
class FaultyFs : public DelegatingFileSystem {
 public:
  FaultyFs() : DelegatingFileSystem(native_file_system()) {}
  std::string failCopy, failGet, failSet, failRename;
  static bool hit(const std::string& p, const std::string& tail) {
    return !tail.empty() && p.size() >= tail.size() && p.compare(p.size() - tail.size(), tail.size(), tail) == 0;
  }
  bool copy_file(const std::string& f, const std::string& t) override {
    return !hit(t, failCopy) && inner_.copy_file(f, t);
  }
  bool get_status(const std::string& p, FileStatus& st) override { return !hit(p, failGet) && inner_.get_status(p, st); }
  bool set_status(const std::string& p, const FileStatus& st) override {
    return !hit(p, failSet) && inner_.set_status(p, st);
  }
  bool rename(const std::string& f, const std::string& t) override {
    return !hit(t, failRename) && inner_.rename(f, t);
  }
  // The disk's own exclusive opens, so that a file the product holds open
  // stays refused.
  std::unique_ptr<FileWriter> create_temp(const std::string& p) override { return inner_.create_temp(p); }
  std::unique_ptr<FileReader> open_exclusive(const std::string& p) override { return inner_.open_exclusive(p); }
};

std::string Fixture(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(read_whole_file(native_file_system(), test::test_data_dir() + "engine\\" + name, bytes)) << name;
  return bytes;
}

void MakeReadOnly(const std::string& path, bool readOnly = true) {
  FileStatus st;
  ASSERT_TRUE(native_file_system().get_status(path, st)) << path;
  st.attribute = readOnly ? kAttrReadOnly : 0;
  ASSERT_TRUE(native_file_system().set_status(path, st)) << path;
}

std::string Ini(const std::string& path, const std::string& section, const std::string& key) {
  return profile::read_string(native_file_system(), path, section, key, "<none>");
}

// The run's row reports ("1 done, 2 failed"), as a log gets them.
struct RowReports : RunEvents {
  std::string rows;
  void row_ended(const fw::Progress& r, bool done) override {
    rows += (rows.empty() ? "" : ", ") + std::to_string(r.row) + (done ? " done" : " failed");
  }
  void settings_written(const std::string&, const std::string&, const std::string&, const std::string&, bool) override {}
  void voice_data(const std::string&, const std::string&, bool) override {}
  void conversion(const char*, int, int) override {}
};

// A media folder, an installed product and the run's layers around them.
struct World {
  TempDir media, product, windows;
  ScriptUi ui;
  TestSystem sys;
  FaultyFs fs;
  lzh::LzhLibrary lzh{fs};
  RecordingLibrary archive;
  RowReports events;
  Host host{fs, sys, archive, ui, reinterpret_cast<void*>(0x1234), &events};
  UpdateDescriptor d;
  std::string folder;   // the product folder as the destination page gives it
  std::string working;  // ... as the checks complete it
  std::unique_ptr<test::HeldOpen> held;  // a product file held open by a test

  World() {
    archive.real = &lzh;
    sys.windows = windows.path().substr(0, windows.path().size() - 1);
    folder = product.path().substr(0, product.path().size() - 1);
    working = folder + "\\";
    d.installFolder = folder;
    d.complete = true;
    d.settingsFile = d.settingsFileAsRead = "vornel1.ini";
    d.masterAdjust = "0";
    d.digitizerEdition = "0";
    d.titleKeywords = {"ALPHA", "BETA", "GAMMA", "DELTA"};
    for (std::size_t i = 4; i < 14; ++i) d.titleKeywords[i] = std::string("K") + std::to_string(i);
    d.titleKeywords[14] = "OMEGA";
    product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=VORNEL GAMMA\r\n[DIR]\r\nMASTER=" + product.path() +
                                     "master\r\nWAV=" + product.path() + "wave\r\n");
    product.write("vo2menu.ini", "[MENU]\r\n");
    product.write("Start.bmp", "BM");
  }
  void Row(int disk, int kind, const std::string& name, const std::string& sub) { d.rows.push_back({disk, kind, name, sub}); }
  void Archive(const std::string& name) { media.write(name + ".lzh", Fixture(name + ".lzh")); }
  FileSystem& native() { return native_file_system(); }
  int Run(UpdateOutcome* how = nullptr) { return RunUpdate(host, d, media.path(), how); }
  std::string Cmd(const std::string& source, const std::string& target) const {
    return "e -mcw" + sys.windows + " \"" + source + "\" \"" + target + "\"";
  }
};

TEST(UpdateRun, FullRunInstallsEditsConvertsAndEndsWithItsMessage) {
  World w;
  w.Archive("SYS1");
  w.media.write("FILES\\MASTER21.DAT", "master data");
  w.media.write("FILES\\README.TXT", "read me");
  MakeReadOnly(w.media / "FILES\\README.TXT");  // a normal file in the product all the same
  w.product.write("\x89\xb9\x90\xba\\wave.lzh", Fixture("wave.lzh"));  // 音声\wave.lzh
  w.product.mkdir("wave");
  const std::string oldRecord = "400400000107" + std::string(174, 'x');  // 186 bytes
  w.product.write("master1\\zai001-3.mst", oldRecord + "\r\n");
  w.Row(1, 1, "SYS1", "Program");
  w.Row(1, 2, "FILES\\MASTER21.DAT", "Data\\");
  w.Row(1, 2, "FILES\\README.TXT", "");
  w.d.digitizerEdition = "1";
  w.d.masterAdjust = " 01x";

  UpdateOutcome how;
  EXPECT_EQ(w.Run(&how), 1);
  EXPECT_EQ(how, UpdateOutcome::Updated);
  EXPECT_EQ(w.ui.boxes, std::vector<Box>{Ok(kDone)}) << Show(w.ui.boxes);
  EXPECT_EQ(w.ui.depth, 0);
  EXPECT_EQ(w.ui.maxDepth, 2);  // the run's and the conversions' own

  EXPECT_EQ(w.archive.commands,
            (std::vector<std::string>{w.Cmd(w.media.path() + "SYS1", w.working + "Program"),
                                      w.Cmd(w.working + "\x89\xb9\x90\xba\\wave", w.product.path() + "wave")}));
  EXPECT_EQ(w.archive.sizes, (std::vector<std::size_t>{256, 100}));
  EXPECT_EQ(w.archive.owners, (std::vector<void*>{w.host.ownerWindow, w.host.ownerWindow}));
  EXPECT_EQ(w.archive.modes, "6:0 8:1 6:0 8:1 ");
  EXPECT_TRUE(w.product.exists("Program\\prog.dat"));
  EXPECT_TRUE(w.product.exists("wave\\voice2.wav"));
  EXPECT_EQ(w.product.read("Data\\MASTER21.DAT"), "master data");
  EXPECT_EQ(w.product.read("README.TXT"), "read me");
  EXPECT_TRUE(w.native().is_writable(w.product / "README.TXT"));
  MakeReadOnly(w.media / "FILES\\README.TXT", false);

  const std::string ini = w.product / "vornel1.ini";
  EXPECT_EQ(Ini(ini, "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ"), "1");
  EXPECT_EQ(Ini(ini, "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞMST"), "1");
  EXPECT_EQ(Ini(ini, "SYSTEM", "TITLE"), "VORNEL GAMMA with ﾍﾞﾙﾄﾗﾝ");
  EXPECT_EQ(w.product.read("master1\\zai001-3.mst"), oldRecord.substr(0, 66) + oldRecord.substr(67) + "\r\n");

  EXPECT_EQ(w.d.productCode, 3);
  ASSERT_EQ(w.ui.rows.size(), 3u);
  EXPECT_TRUE(w.ui.rows[0].isArchive);
  EXPECT_EQ(w.ui.rows[0].source, w.media.path() + "SYS1.lzh");
  EXPECT_EQ(w.ui.rows[1].row, 2);
  EXPECT_EQ(w.ui.rows[1].rowCount, 3);
  EXPECT_EQ(w.ui.rows[1].source, w.media.path() + "FILES\\MASTER21.DAT");
  EXPECT_EQ(w.ui.rows[1].target, w.working + "Data\\MASTER21.DAT");

  // The steps besides the rows, as the user interface was told them.
  std::vector<std::string> steps;
  for (const fw::Step& s : w.ui.steps) {
    if (s.kind == fw::Step::Kind::Settings) steps.push_back("settings " + s.path + " " + s.text);
    if (s.kind == fw::Step::Kind::Voice) steps.push_back("voice " + s.path + " -> " + s.target);
    if (s.kind == fw::Step::Kind::Conversion && s.finished)
      steps.push_back("conversion " + s.text + " " + std::to_string(s.done) + (s.ok ? "" : " failed"));
  }
  const std::string settings = "settings " + w.working + "vornel1.ini [SYSTEM] ";
  EXPECT_EQ(steps, (std::vector<std::string>{settings + "ﾃﾞｼﾞﾀｲｻﾞ=1", settings + "ﾃﾞｼﾞﾀｲｻﾞMST=1",
                                             settings + "TITLE=VORNEL GAMMA with ﾍﾞﾙﾄﾗﾝ",
                                             "voice " + w.working + "\x89\xb9\x90\xba\\wave -> " + w.product.path() + "wave",
                                             "conversion size 1", "conversion type 1"}));
  // Each archive read to its end, as its bytes came.
  const std::vector<fw::Step> bytes = w.ui.steps_of(fw::Step::Kind::Bytes);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.front().total, Fixture("SYS1.lzh").size());
  EXPECT_EQ(bytes.back().done, bytes.back().total);
  EXPECT_EQ(bytes.back().total, Fixture("wave.lzh").size());
}

// A descriptor cut short or unreadable may have lost rows and switches: the
// run says so, names info.txt, changes nothing and never reports success.
TEST(UpdateRun, RefusesADescriptorNotReadWhole) {
  World w;
  w.Archive("SYS1");
  w.media.write("A.DAT", "a");
  w.Row(1, 1, "SYS1", "Program");
  w.Row(1, 2, "A.DAT", "");
  w.d.digitizerEdition = "1";
  w.d.complete = false;
  const std::string ini = w.product.read("vornel1.ini");
  UpdateOutcome how = UpdateOutcome::Updated;
  EXPECT_EQ(w.Run(&how), 1);
  EXPECT_EQ(how, UpdateOutcome::DescriptorIncomplete);
  EXPECT_EQ(w.ui.boxes, std::vector<Box>{Ok(w.media.path() + "info.txtを最後まで読み込めませんでした。更新は行っていません。")})
      << Show(w.ui.boxes);
  EXPECT_TRUE(w.archive.commands.empty());
  EXPECT_FALSE(w.product.exists("A.DAT"));
  EXPECT_FALSE(w.product.exists("Program"));
  EXPECT_EQ(w.product.read("vornel1.ini"), ini);
  EXPECT_EQ(w.ui.depth, 0);
}

// Every row of the message table that ends or warns, with its result.
struct Failure {
  const char* name;
  std::function<void(World&)> setup;
  std::function<std::vector<Box>(const World&)> boxes;
  int result;
  UpdateOutcome how;
  // What the user interface is told was looked for and not found, after the box.
  std::function<std::string(const World&)> reason = [](const World&) { return std::string(); };
  const char* rows = nullptr;  // the row reports, where the row checks them
};

TEST(UpdateRun, MessageTable) {
  // A master file the conversions cannot open: each one that runs warns.
  const auto readOnlyMaster = [](const char* adjust) {
    return [adjust](World& w) {
      w.d.masterAdjust = adjust;
      w.product.write("master1\\zai001-3.mst", "x\r\n");
      MakeReadOnly(w.product / "master1\\zai001-3.mst");
    };
  };
  const Failure cases[] = {
      {"no settings file",
       [](World& w) { w.native().remove(w.product / "vornel1.ini"); },
       [](const World&) { return std::vector<Box>{Ok(kFolderWrong, kError)}; }, 0, UpdateOutcome::FolderRejected,
       [](const World& w) { return w.working + "vornel1.ini が見つかりません。"; }},
      {"folder missing",
       [](World& w) { w.d.installFolder = w.product / "nowhere"; },
       [](const World&) { return std::vector<Box>{Ok(kFolderWrong, kError)}; }, 0, UpdateOutcome::FolderRejected,
       [](const World& w) { return "ﾌｫﾙﾀﾞ " + w.product / "nowhere" + " が見つかりません。"; }},
      {"a subfolder of the product, NULL in info.txt",
       [](World& w) {
         w.product.mkdir("Doc");
         w.d.installFolder = w.product / "Doc";
         w.d.settingsFile = w.d.settingsFileAsRead = "NULL";
       },
       [](const World&) { return std::vector<Box>{Ok(kFolderWrong, kError)}; }, 0, UpdateOutcome::FolderRejected,
       [](const World& w) {
         return w.product / "Doc\\vornel1.ini、" + w.product / "Doc\\pemtrax1.ini が見つかりません。";
       }},
      {"an empty folder text",
       [](World& w) { w.d.installFolder.clear(); },
       [](const World&) { return std::vector<Box>{Ok(kFolderWrong, kError)}; }, 0, UpdateOutcome::FolderRejected,
       [](const World&) { return std::string("ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが指定されていません。"); }},
      {"no menu settings file",
       [](World& w) { w.native().remove(w.product / "vo2menu.ini"); },
       [](const World&) { return std::vector<Box>{Ok(kVersionWrong, kError)}; }, 0, UpdateOutcome::VersionRejected,
       [](const World& w) { return w.working + "vo2menu.ini、" + w.working + "vo1menu.ini が見つかりません。"; }},
      {"no start picture",
       [](World& w) { w.native().remove(w.product / "Start.bmp"); },
       [](const World&) { return std::vector<Box>{Ok(kVersionWrong, kError)}; }, 0, UpdateOutcome::VersionRejected,
       [](const World& w) { return w.working + "Start.bmp が見つかりません。"; }},
      {"START while not identified",
       [](World& w) {
         w.product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=UNKNOWN\r\n");
         w.Row(1, 1, "START", "");
       },
       [](const World&) { return std::vector<Box>{Ok(kNoSystemName, kUpdateError)}; }, 0, UpdateOutcome::NotIdentified},
      {"library failure shows its own text",
       [](World& w) {
         w.Row(1, 1, "SYS1", "");
         w.archive.failWith = "SYS1.LZH ? \x83\x5c\x83\x74\x83\x67";  // ソフト
       },
       [](const World&) { return std::vector<Box>{Ok("SYS1.LZH ? \x83\x5c\x83\x74\x83\x67")}; }, 1,
       UpdateOutcome::Failed},
      {"copy failure names the target",
       [](World& w) { w.Row(1, 2, "FILES\\MISSING.DAT", "Data\\"); },
       [](const World& w) { return std::vector<Box>{Ok(w.working + "Data\\MISSING.DATの更新に失敗しました。")}; }, 1,
       UpdateOutcome::Failed},
      {"status failure names the media path",
       [](World& w) {
         w.media.write("FILES\\A.DAT", "a");
         w.Row(1, 2, "FILES\\A.DAT", "");
         w.fs.failGet = "A.DAT";
       },
       [](const World& w) { return std::vector<Box>{Ok(w.media.path() + "FILES\\A.DATの属性更新に失敗しました。")}; },
       1, UpdateOutcome::Failed},
      {"status write failure warns with the target and goes on",
       [](World& w) {
         w.media.write("A.DAT", "a");
         w.Row(1, 2, "A.DAT", "");
         w.fs.failSet = "A.DAT";
       },
       [](const World& w) { return std::vector<Box>{Ok(w.working + "A.DATの属性更新に失敗しました。"), Ok(kDone)}; },
       1, UpdateOutcome::Updated, [](const World&) { return std::string(); }, "1 done"},
      {"the voice data fails, the run still succeeds",
       [](World& w) {
         w.d.digitizerEdition = "1";
         w.product.mkdir("wave");
         w.archive.failWith = "wave: CRC";
       },
       [](const World&) { return std::vector<Box>{Ok("wave: CRC"), Ok(kDone)}; }, 1, UpdateOutcome::Updated},
      {"both conversions fail, the run still succeeds", readOnlyMaster("1"),
       [](const World&) { return std::vector<Box>{Ok(kSizeFailed), Ok(kTypeFailed), Ok(kDone)}; }, 1,
       UpdateOutcome::Updated},
      // Conversions cannot be undone: only a leading 1 runs them.
      {"masterAdjust 2 converts nothing", readOnlyMaster("2"),
       [](const World&) { return std::vector<Box>{Ok(kDone)}; }, 1, UpdateOutcome::Updated},
      {"masterAdjust 11 converts nothing", readOnlyMaster("11"),
       [](const World&) { return std::vector<Box>{Ok(kDone)}; }, 1, UpdateOutcome::Updated},
      {"a master file the product holds open: both warnings, the run still succeeds",
       [](World& w) {
         w.d.masterAdjust = "1";
         w.product.write("master1\\zai001-3.mst", "x\r\n");
         w.held = std::make_unique<test::HeldOpen>(w.product / "master1\\zai001-3.mst");
         ASSERT_TRUE(w.held->held());
       },
       [](const World&) { return std::vector<Box>{Ok(kSizeFailed), Ok(kTypeFailed), Ok(kDone)}; }, 1,
       UpdateOutcome::Updated},
      {"a file error of a conversion is shown and ends the run",
       [](World& w) {
         w.d.masterAdjust = "1";
         w.product.write("master1\\zai001-3.mst", "x\r\n");
         w.fs.failRename = "zai001-3.mst";
       },
       [](const World& w) {
         return std::vector<Box>{Ok(w.product.path() + "master1\\zai001-3.mstの名前の変更に失敗しました。")};
       },
       1, UpdateOutcome::Failed},
      {"a double quote in the target folder is refused",
       [](World& w) { w.Row(1, 1, "SYS1", "a\"b"); },
       [](const World& w) {
         return std::vector<Box>{Ok(w.working + "a\"bに使用できない文字(\")が含まれています。")};
       },
       1, UpdateOutcome::Failed},
      {"a double quote in the archive name is refused",
       [](World& w) { w.Row(1, 1, "SYS\"1", ""); },
       [](const World& w) {
         return std::vector<Box>{Ok(w.media.path() + "SYS\"1に使用できない文字(\")が含まれています。")};
       },
       1, UpdateOutcome::Failed},
      {"no rows", [](World&) {}, [](const World&) { return std::vector<Box>{Ok(kDone)}; }, 1, UpdateOutcome::Updated},
  };
  for (const Failure& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.Archive("SYS1");
    c.setup(w);
    UpdateOutcome how = UpdateOutcome::Updated;
    EXPECT_EQ(w.Run(&how), c.result);
    EXPECT_EQ(how, c.how);
    EXPECT_EQ(w.ui.boxes, c.boxes(w)) << Show(w.ui.boxes);
    if (c.rows) {
      EXPECT_EQ(w.events.rows, c.rows);
    }
    EXPECT_EQ(w.ui.depth, 0);
    const std::vector<fw::Step> reasons = w.ui.steps_of(fw::Step::Kind::Reason);
    EXPECT_EQ(reasons.empty() ? std::string() : enc::cp932_to_utf8(reasons.front().text), enc::cp932_to_utf8(c.reason(w)));
    EXPECT_LE(reasons.size(), 1u);
  }
}

// Disk prompts: which rows ask, how often, and what Cancel does. Each disk's
// archive "appears" on the media when its prompt is answered OK the
// `wrongTries`+1-th time.
struct DiskCase {
  const char* name;
  int driveType;
  std::vector<int> disks;     // one archive row per entry, archive D<n>_<i>
  int wrongTries;             // OK answers given before the right disk is in
  int cancelAt;               // 1-based prompt answered Cancel, 0 none
  std::vector<Box> boxes;
  int commands;               // rows extracted
};

TEST(UpdateRun, DiskPrompts) {
  const DiskCase cases[] = {
      {"disk 1 never asked, shared numbers ask once, a number asked again", kDriveRemovable,
       {1, 2, 2, 1, 3, 2}, 0, 0, {Ask(2), Ask(3), Ask(2), Ok(kDone)}, 6},
      {"not removable: no prompt", kDriveFixed, {2, 3, 1}, 0, 0, {Ok(kDone)}, 3},
      {"CD-ROM: no prompt", kDriveCdrom, {5}, 0, 0, {Ok(kDone)}, 1},
      {"disk 0 is asked for", kDriveRemovable, {0, 0}, 0, 0, {Ask(0), Ok(kDone)}, 2},
      {"wrong disk asks again", kDriveRemovable, {1, 2}, 2, 0, {Ask(2), Ask(2), Ask(2), Ok(kDone)}, 2},
      {"cancel at the second prompt", kDriveRemovable, {2, 3, 1}, 0, 2, {Ask(2), Ask(3), Ok(kCancelled)}, 1},
      {"cancel after a wrong disk", kDriveRemovable, {2}, 5, 2, {Ask(2), Ask(2), Ok(kCancelled)}, 0},
  };
  for (const DiskCase& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.sys.driveType = c.driveType;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < c.disks.size(); ++i) {
      names.push_back(std::string("D") + std::to_string(c.disks[i]) + std::string("_") + std::to_string(i));
      w.Row(c.disks[i], 1, names.back(), "");
      // Disk 1 is in the drive from the start, as is everything when no
      // prompt will be shown.
      if (c.disks[i] == 1 || c.driveType != kDriveRemovable) w.media.write(names.back() + ".lzh", Fixture("SYS2.lzh"));
    }
    int prompts = 0, tries = 0;
    w.ui.answer = [&](const Box& b) {
      ++prompts;
      if (prompts == c.cancelAt) return int(fw::kIdCancel);
      if (tries++ < c.wrongTries) return int(fw::kIdOk);
      tries = 0;
      for (std::size_t i = 0; i < c.disks.size(); ++i)
        if (b.text == Prompt(c.disks[i])) w.media.write(names[i] + ".lzh", Fixture("SYS2.lzh"));
      return int(fw::kIdOk);
    };
    UpdateOutcome how;
    EXPECT_EQ(w.Run(&how), 1);
    EXPECT_EQ(how, c.cancelAt ? UpdateOutcome::Cancelled : UpdateOutcome::Updated);
    EXPECT_EQ(Show(w.ui.boxes), Show(c.boxes));
    EXPECT_EQ(w.archive.commands.size(), std::size_t(c.commands));
    EXPECT_EQ(w.ui.depth, 0);
  }
}

TEST(UpdateRun, DiskPromptOfAFileRowAndAStartRowLooksForTheirArchiveNames) {
  World w;
  w.sys.driveType = kDriveRemovable;
  w.Row(2, 2, "FILES\\B.DAT", "");
  w.Row(3, 1, "START", "");
  w.media.write("FILES\\B.DAT", "b");
  std::vector<std::string> seen;
  w.ui.answer = [&](const Box& b) {
    seen.push_back(b.text);
    if (b.text == Prompt(2) && seen.size() == 1) w.media.write("FILES\\B.DAT.lzh", "");
    if (b.text == Prompt(3) && seen.size() == 2) w.media.write("START3.lzh", Fixture("START3.lzh"));  // not what is checked
    if (b.text == Prompt(3) && seen.size() == 3) w.media.write("START.lzh", "");
    return int(fw::kIdOk);
  };
  EXPECT_EQ(w.Run(), 1);
  EXPECT_EQ(seen, (std::vector<std::string>{Prompt(2), Prompt(3), Prompt(3)}));
  EXPECT_EQ(w.product.read("B.DAT"), "b");
  ASSERT_EQ(w.archive.commands.size(), 1u);
  EXPECT_EQ(w.archive.commands[0], w.Cmd(w.media.path() + "START3", w.working));
}

// The settings file choice, and what it leaves for later steps and runs.
TEST(UpdateRun, SettingsFileChoice) {
  struct Case {
    const char* name;
    std::string asRead;
    std::vector<std::string> files;
    int result;
    std::string chosen;
    int code;
  };
  const Case cases[] = {
      {"NULL finds vornel1.ini", "NULL", {"vornel1.ini"}, 1, "vornel1.ini", 3},
      {"NULL falls back to pemtrax1.ini", "NULL", {"pemtrax1.ini"}, 1, "pemtrax1.ini", 0},
      {"NULL prefers vornel1.ini", "NULL", {"vornel1.ini", "pemtrax1.ini"}, 1, "vornel1.ini", 3},
      {"NULL finds neither", "NULL", {}, 0, "pemtrax1.ini", 3},
      {"null in lower case is a name", "null", {"vornel1.ini", "pemtrax1.ini"}, 0, "null", 3},
      {"a named file is the only one tried", "pemtrax1.ini", {"vornel1.ini"}, 0, "pemtrax1.ini", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.native().remove(w.product / "vornel1.ini");
    for (const std::string& f : c.files)
      w.product.write(f, "[SYSTEM]\r\nTITLE=VORNEL GAMMA\r\nMAKER=1\r\n");
    w.d.productCode = 3;
    w.d.settingsFile = w.d.settingsFileAsRead = c.asRead;
    EXPECT_EQ(w.Run(), c.result);
    EXPECT_EQ(w.d.settingsFile, c.chosen);
    EXPECT_EQ(w.d.settingsFileAsRead, c.asRead);
    EXPECT_EQ(w.d.productCode, c.code);  // untouched when the folder was rejected
    EXPECT_EQ(w.ui.boxes.back(), c.result ? Ok(kDone) : Ok(kFolderWrong, kError));
  }
}

TEST(UpdateRun, ASecondRunStartsItsChoiceAgainFromNull) {
  World w;
  TempDir wrong;
  w.d.settingsFile = w.d.settingsFileAsRead = "NULL";
  w.d.installFolder = wrong.path();
  EXPECT_EQ(w.Run(), 0);
  EXPECT_EQ(w.d.settingsFile, "pemtrax1.ini");

  w.d.installFolder = w.folder;  // holds vornel1.ini only
  UpdateOutcome how;
  EXPECT_EQ(w.Run(&how), 1);
  EXPECT_EQ(how, UpdateOutcome::Updated);
  EXPECT_EQ(w.d.settingsFile, "vornel1.ini");
  EXPECT_EQ(w.ui.boxes, (std::vector<Box>{Ok(kFolderWrong, kError), Ok(kDone)}));
}

TEST(UpdateRun, StartRowsTakeTheProductCode) {
  struct Case {
    const char* name;
    std::string file, ini, archive;
    int code;
  };
  const Case cases[] = {
      {"maker 1", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=1\r\n", "START0", 0},
      {"maker missing", "pemtrax1.ini", "[SYSTEM]\r\n", "START0", 0},
      {"maker 2", "pemtrax1.ini", "[SYSTEM]\r\nMAKER=2\r\n", "START99", 99},
      {"first keyword", "vornel1.ini", "[SYSTEM]\r\nTITLE=ALPHA\r\n", "START1", 1},
      {"third keyword first in keyword order", "vornel1.ini", "[SYSTEM]\r\nTITLE=DELTA GAMMA\r\n", "START3", 3},
      {"last keyword", "vornel1.ini", "[SYSTEM]\r\nTITLE=X OMEGA\r\n", "START15", 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.native().remove(w.product / "vornel1.ini");
    w.product.write(c.file, c.ini);
    w.d.settingsFile = w.d.settingsFileAsRead = "NULL";
    w.Row(1, 1, "DATA\\START", "Program");
    w.Row(1, 1, "STARTUP", "");
    w.media.write("DATA\\" + c.archive + ".lzh", Fixture("START3.lzh"));
    w.media.write("STARTUP.lzh", Fixture("SYS2.lzh"));
    EXPECT_EQ(w.Run(), 1);
    EXPECT_EQ(w.d.productCode, c.code);
    EXPECT_EQ(w.d.rows[0].archiveName, "DATA\\" + c.archive);
    EXPECT_EQ(w.d.rows[1].archiveName, "STARTUP");
    ASSERT_EQ(w.archive.commands.size(), 2u);
    EXPECT_EQ(w.archive.commands[0], w.Cmd(w.media.path() + "DATA\\" + c.archive, w.working + "Program"));
    EXPECT_EQ(w.archive.commands[1], w.Cmd(w.media.path() + "STARTUP", w.working));
  }
}

TEST(UpdateRun, ASecondRunAfterAnUnidentifiedProduct) {
  World w;
  w.Archive("SYS1");
  w.Archive("START3");
  w.product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=UNKNOWN\r\n");
  w.media.write("ONE.TXT", "1");
  w.Row(1, 2, "ONE.TXT", "");
  w.Row(1, 1, "SYS1", "Program");
  w.Row(1, 1, "START", "Program");
  EXPECT_EQ(w.Run(), 0);
  EXPECT_EQ(w.d.productCode, -1);
  EXPECT_EQ(w.d.rows[2].archiveName, "START");
  EXPECT_TRUE(w.product.exists("ONE.TXT"));  // rows before it stay applied
  EXPECT_EQ(w.archive.commands.size(), 1u);

  w.product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=GAMMA\r\n");
  EXPECT_EQ(w.Run(), 1);
  EXPECT_EQ(w.d.productCode, 3);
  ASSERT_EQ(w.archive.commands.size(), 3u);
  EXPECT_EQ(w.archive.commands[2], w.Cmd(w.media.path() + "START3", w.working + "Program"));
  EXPECT_EQ(w.product.read("Program\\start.dat"), "start variant 3\n");
  EXPECT_EQ(w.ui.boxes, (std::vector<Box>{Ok(kNoSystemName, kUpdateError), Ok(kDone)}));

  // The code stays appended; a third run does not append it again.
  EXPECT_EQ(w.Run(), 1);
  EXPECT_EQ(w.d.rows[2].archiveName, "START3");
}

TEST(UpdateRun, DigitizerEditionSettings) {
  struct Case {
    const char* name;
    std::string digitizer, file, title;
    std::string digit, mst, newTitle;
  };
  const std::string longTitle(300, 'T');
  const Case cases[] = {
      {"master files copied", "1", "MASTER21.DAT", "VORNEL", "1", "1", "VORNEL with ﾍﾞﾙﾄﾗﾝ"},
      {"lower-case master files name", "1", "master21x.dat", "VORNEL", "1", "1", "VORNEL with ﾍﾞﾙﾄﾗﾝ"},
      {"no master files", "1", "MASTER2.DAT", "VORNEL", "1", "<none>", "VORNEL with ﾍﾞﾙﾄﾗﾝ"},
      {"mixed case is not the master files", "1", "Master21.DAT", "VORNEL", "1", "<none>", "VORNEL with ﾍﾞﾙﾄﾗﾝ"},
      {"edition off writes nothing", "0", "MASTER21.DAT", "VORNEL", "<none>", "<none>", "VORNEL"},
      {"edition 11 is off", "11", "MASTER21.DAT", "VORNEL", "<none>", "<none>", "VORNEL"},
      {"suffix present", "1", "A.DAT", "ﾍﾞﾙﾄﾗﾝ VORNEL", "1", "<none>", "ﾍﾞﾙﾄﾗﾝ VORNEL"},
      {"a second run adds no second suffix", "1", "A.DAT", "VORNEL with ﾍﾞﾙﾄﾗﾝ", "1", "<none>", "VORNEL with ﾍﾞﾙﾄﾗﾝ"},
      {"long title kept whole", " 1", "A.DAT", longTitle, "1", "<none>", longTitle + " with ﾍﾞﾙﾄﾗﾝ"},
      // Written as " with ...": the profile reads values without leading blanks.
      {"no title", "1", "A.DAT", "", "1", "<none>", "with ﾍﾞﾙﾄﾗﾝ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.product.write("vornel1.ini", c.title.empty() ? "[SYSTEM]\r\n" : "[SYSTEM]\r\nTITLE=" + c.title + "\r\n");
    w.media.write(c.file, "m");
    w.d.digitizerEdition = c.digitizer;
    w.Row(1, 2, c.file, "");
    EXPECT_EQ(w.Run(), 1);
    const std::string ini = w.product / "vornel1.ini";
    EXPECT_EQ(Ini(ini, "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ"), c.digit);
    EXPECT_EQ(Ini(ini, "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞMST"), c.mst);
    EXPECT_EQ(Ini(ini, "SYSTEM", "TITLE"), c.newTitle.empty() ? "<none>" : c.newTitle);
    EXPECT_EQ(w.ui.boxes, std::vector<Box>{Ok(kDone)}) << Show(w.ui.boxes);
  }
}

TEST(UpdateRun, ReadOnlySettingsFileWarnsAndTheRunGoesOn) {
  World w;
  w.d.digitizerEdition = "1";
  w.d.masterAdjust = "1";
  w.product.write("master1\\zai001-3.mst", "400400000107" + std::string(174, 'x') + "\r\n");
  const std::string ini = w.product / "vornel1.ini";
  const std::string before = w.product.read("vornel1.ini");
  MakeReadOnly(ini);
  UpdateOutcome how;
  EXPECT_EQ(w.Run(&how), 1);
  EXPECT_EQ(how, UpdateOutcome::Updated);
  EXPECT_EQ(w.ui.boxes, (std::vector<Box>{Ok(w.working + "vornel1.iniの設定の書き込みに失敗しました。"), Ok(kDone)}))
      << Show(w.ui.boxes);
  EXPECT_EQ(w.product.read("vornel1.ini"), before);
  EXPECT_EQ(w.product.read("master1\\zai001-3.mst").size(), 187u);  // converted all the same
  MakeReadOnly(ini, false);
}

// Our LZH library's own failures reach the user as its message, and end the
// run with the rows after it untouched.
TEST(UpdateRun, RealLibraryFailuresEndTheRun) {
  struct Case {
    const char* name;
    std::function<void(World&)> media;
    std::function<std::string(const World&)> message;
  };
  const Case cases[] = {
      {"archive missing", [](World&) {},
       [](const World& w) { return "書庫 " + w.media.path() + "SYS1.lzh が見つかりません。"; }},
      {"corrupted data",
       [](World& w) {
         std::string bytes = Fixture("SYS1.lzh");  // the last bytes are help.txt's, stored
         bytes[bytes.size() - 8] = static_cast<char>(bytes[bytes.size() - 8] ^ 0x55);
         w.media.write("SYS1.lzh", bytes);
       },
       [](const World&) -> std::string { return "help.txt のCRCが合いません。書庫が壊れています。"; }},
      {"not an archive", [](World& w) { w.media.write("SYS1.lzh", "plain text, not LZH"); },
       [](const World& w) { return w.media.path() + "SYS1.lzh はLZH書庫ではありません。"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    c.media(w);
    w.media.write("AFTER.DAT", "after");
    w.Row(1, 1, "SYS1", "Program");
    w.Row(1, 2, "AFTER.DAT", "");
    UpdateOutcome how;
    EXPECT_EQ(w.Run(&how), 1);
    EXPECT_EQ(how, UpdateOutcome::Failed);
    EXPECT_EQ(w.ui.boxes, std::vector<Box>{Ok(c.message(w))}) << Show(w.ui.boxes);
    EXPECT_FALSE(w.product.exists("AFTER.DAT"));
  }
}

TEST(UpdateRun, LongPathsAreNeitherCutNorOverflowed) {
  World w;
  w.sys.windows = w.sys.windows + "\\" + std::string(200, 'W');
  const std::string sub(120, 's');
  w.Row(1, 1, "SYS1", sub);
  w.archive.unterminated = true;  // and a library that fills its buffer to the end
  EXPECT_EQ(w.Run(), 1);
  ASSERT_EQ(w.archive.commands.size(), 1u);
  EXPECT_EQ(w.archive.commands[0], w.Cmd(w.media.path() + "SYS1", w.working + sub));
  EXPECT_GT(w.archive.commands[0].size(), 256u);
  EXPECT_EQ(w.ui.boxes, std::vector<Box>{Ok(std::string(255, 'E'))});
}

TEST(UpdateRun, WaitCursorEndsWhenSomethingThrows) {
  struct Throwing : RecordingLibrary {
    int Command(void*, const char*, char*, std::size_t) override { throw std::runtime_error("library gone"); }
  };
  World w;
  Throwing lib;
  Host host{w.fs, w.sys, lib, w.ui};
  w.Row(1, 1, "SYS1", "");
  EXPECT_THROW(RunUpdate(host, w.d, w.media.path()), std::runtime_error);
  EXPECT_EQ(w.ui.depth, 0);
  EXPECT_EQ(w.ui.maxDepth, 1);
}

TEST(VoiceData, ExtractsIntoTheWaveFolderOrDoesNothing) {
  struct Case {
    const char* name;
    std::string wav;  // relative to the product folder; "-" no key
    bool makeFolder;
    bool extracted;  // a failed extraction: UpdateRun.MessageTable
  };
  const Case cases[] = {
      {"no key", "-", false, false},
      {"empty key", "", false, false},
      {"missing folder", "wave", false, false},
      {"existing folder", "wave", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    w.product.write("vornel1.ini",
                    c.wav == "-" ? "[DIR]\r\n" : "[DIR]\r\nWAV=" + (c.wav.empty() ? "" : w.product.path() + c.wav) + "\r\n");
    w.product.write("\x89\xb9\x90\xba\\wave.lzh", Fixture("wave.lzh"));
    if (c.makeFolder) w.product.mkdir(c.wav);
    InstallVoiceData(w.host, w.product.path(), "vornel1.ini");
    EXPECT_EQ(w.archive.modes, "6:0 8:1 ");
    EXPECT_TRUE(w.ui.boxes.empty());
    if (!c.extracted) {
      EXPECT_TRUE(w.archive.commands.empty());
      EXPECT_FALSE(w.product.exists("wave"));
      continue;
    }
    ASSERT_EQ(w.archive.commands.size(), 1u);
    EXPECT_EQ(w.archive.commands[0], w.Cmd(w.product.path() + "\x89\xb9\x90\xba\\wave", w.product.path() + c.wav));
    EXPECT_EQ(w.archive.sizes[0], 100u);
    EXPECT_EQ(w.product.read("wave\\voice1.wav"), "voice one\n");
  }
}

// A relative wave folder counts from the product folder, whatever the
// current folder is (here one with a wave folder of its own).
TEST(VoiceData, RelativeWaveFolderCountsFromTheProductFolder) {
  World w;
  test::TempDir elsewhere;
  elsewhere.mkdir("wave");
  w.product.write("vornel1.ini", "[DIR]\r\nWAV=wave\r\n");
  w.product.write("\x89\xb9\x90\xba\\wave.lzh", Fixture("wave.lzh"));
  w.product.mkdir("wave");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::path(elsewhere.path()));
  InstallVoiceData(w.host, w.product.path(), "vornel1.ini");
  std::filesystem::current_path(before);
  ASSERT_EQ(w.archive.commands.size(), 1u);
  EXPECT_EQ(w.archive.commands[0], w.Cmd(w.product.path() + "\x89\xb9\x90\xba\\wave", w.product.path() + "wave"));
}

TEST(RunText, DiskPromptAndFormats) {
  EXPECT_EQ(run_detail::DiskPrompt(12), Prompt(12));
  EXPECT_EQ(run_detail::DiskPrompt(-3), Prompt(-3));
  // An argument holding "%s" is not taken for the second directive.
  EXPECT_EQ(run_detail::Format("%sの%sに失敗しました。", "a%sb", "X"), "a%sbのXに失敗しました。");
}

}  // namespace
}  // namespace relvo
