// The dry run is the run: for each case the plan is made on the product,
// which it must leave as it was, then the real run is made on it, both on
// hosts put together from the same parts; both took the same steps, showed
// the same boxes in the same order, and left the product alike.
#include "app/run_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "support/folder_snapshot.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "support/test_system.h"

namespace relvo::app {
namespace {

using test::Snapshot;
using test::TempDir;

std::string Fixture(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(read_whole_file(native_file_system(), test::test_data_dir() + "engine\\" + name, bytes)) << name;
  return bytes;
}

void SetReadOnly(const std::string& path) {
  FileStatus st;
  ASSERT_TRUE(native_file_system().get_status(path, st)) << path;
  st.attribute = kAttrReadOnly;
  ASSERT_TRUE(native_file_system().set_status(path, st)) << path;
}

const std::string kRecord = "400400000107" + std::string(174, 'x') + "\r\n";  // an old-size master record

// Two disks of media, an installed product and the system around them.
struct World {
  TempDir media, disk2, product, windows;
  test::TestSystem sys;
  UpdateDescriptor d;

  World() {
    sys.windows = windows.path().substr(0, windows.path().size() - 1);
    d.complete = true;
    d.settingsFile = d.settingsFileAsRead = "vornel1.ini";
    d.masterAdjust = d.digitizerEdition = "0";
    d.titleKeywords = {"ALPHA", "BETA", "GAMMA"};
    for (std::size_t i = 3; i < 14; ++i) d.titleKeywords[i] = "K" + std::to_string(i);
    d.titleKeywords[14] = "OMEGA";
    product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=VORNEL GAMMA\r\n[DIR]\r\nMASTER=" + product.path() +
                                     "master\r\nWAV=" + product.path() + "wave\r\n");
    product.write("vo2menu.ini", "[MENU]\r\n");
    product.write("Start.bmp", "BM");
    media.write("SYS1.lzh", Fixture("SYS1.lzh"));
  }
  void Row(int disk, int kind, const std::string& name, const std::string& sub) { d.rows.push_back({disk, kind, name, sub}); }
  std::vector<std::string> Disks() const { return {media.path(), disk2.path()}; }
  std::string Folder() const { return product.path().substr(0, product.path().size() - 1); }
};

// The START row with a product code from the settings file.
std::function<void(World&)> StartWith(const std::string& file, const std::string& ini, const std::string& archive) {
  return [=](World& w) {
    native_file_system().remove(w.product / "vornel1.ini");
    w.product.write(file, ini);
    w.d.settingsFile = w.d.settingsFileAsRead = "NULL";
    if (!archive.empty()) w.media.write(archive + ".lzh", Fixture("START3.lzh"));
    w.Row(1, kEntryArchive, "START", "Program");
  };
}

struct Case {
  const char* name;
  std::function<void(World&)> setup;
  UpdateOutcome outcome;
  std::vector<std::string> boxes;  // a part of the text of each box, in order
};

TEST(UpdatePlan, IsTheRunOnADryHost) {
  const Case cases[] = {
      {"read-only single-file target",
       [](World& w) {
         w.media.write("RO.DAT", "new");
         w.product.write("Data\\RO.DAT", "old");
         SetReadOnly(w.product / "Data\\RO.DAT");
         w.Row(1, 2, "RO.DAT", "Data\\");
       },
       UpdateOutcome::Failed, {"Data\\RO.DATの更新に失敗しました。"}},
      {"dotted archive name on the media as given",
       [](World& w) {
         w.media.write("SYS1.V2", Fixture("SYS1.lzh"));
         w.Row(1, kEntryArchive, "SYS1.V2", "Program");
       },
       UpdateOutcome::Updated, {"システムは正常に更新されました。"}},
      {"read-only master file in the first master folder",
       [](World& w) {
         w.d.masterAdjust = "1";
         w.product.write("master1\\zai001-3.mst", kRecord);
         SetReadOnly(w.product / "master1\\zai001-3.mst");
         w.product.write("master21\\zai002-3.mst", kRecord);
       },
       UpdateOutcome::Updated,
       {"材料ｻｲｽﾞ変換が正常に更新されませんでした。", "材料ﾀｲﾌﾟ変換が正常に更新されませんでした。",
        "システムは正常に更新されました。"}},
      {"START, product not identified", StartWith("vornel1.ini", "[SYSTEM]\r\nTITLE=UNKNOWN\r\n", ""),
       UpdateOutcome::NotIdentified, {"ｼｽﾃﾑ名称が取得できませんでした。"}},
      {"START with code 0", StartWith("pemtrax1.ini", "[SYSTEM]\r\nMAKER=1\r\n", "START0"), UpdateOutcome::Updated,
       {"システムは正常に更新されました。"}},
      {"START with code 1", StartWith("vornel1.ini", "[SYSTEM]\r\nTITLE=ALPHA\r\n", "START1"),
       UpdateOutcome::Updated, {"システムは正常に更新されました。"}},
      {"START with code 15", StartWith("vornel1.ini", "[SYSTEM]\r\nTITLE=OMEGA\r\n", "START15"),
       UpdateOutcome::Updated, {"システムは正常に更新されました。"}},
      {"START with code 99", StartWith("pemtrax1.ini", "[SYSTEM]\r\nMAKER=2\r\n", "START99"),
       UpdateOutcome::Updated, {"システムは正常に更新されました。"}},
      {"START whose variant is missing", StartWith("vornel1.ini", "[SYSTEM]\r\nTITLE=GAMMA\r\n", "START1"),
       UpdateOutcome::Failed, {"START3.lzh"}},
      {"two disks: a disk prompt",
       [](World& w) {
         w.disk2.write("SYS2.lzh", Fixture("SYS2.lzh"));
         w.Row(1, kEntryArchive, "SYS1", "Program");
         w.Row(2, kEntryArchive, "SYS2", "");
       },
       UpdateOutcome::Updated, {"2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。 -> OK", "システムは正常に更新されました。"}},
      {"two disks: a prompt the second disk cannot answer",
       [](World& w) {
         w.Row(1, kEntryArchive, "SYS1", "Program");
         w.Row(2, kEntryArchive, "SYS2", "");
       },
       UpdateOutcome::Cancelled,
       {"2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。 -> OK", "2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。 -> Cancel",
        "ｱｯﾌﾟﾃﾞｲﾄを取消しました。"}},
      {"two disks: a file row's disk is known by NAME.lzh",
       [](World& w) {
         w.disk2.write("README.TXT", "new");
         w.Row(2, 2, "README.TXT", "Doc\\");
       },
       UpdateOutcome::Cancelled,
       {"2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。 -> OK", "2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。 -> Cancel",
        "ｱｯﾌﾟﾃﾞｲﾄを取消しました。"}},
      {"two disks: disk 1 is not asked for again",
       [](World& w) {
         w.disk2.write("SYS2.lzh", Fixture("SYS2.lzh"));
         w.Row(2, kEntryArchive, "SYS2", "");
         w.Row(1, kEntryArchive, "SYS1", "Program");
       },
       UpdateOutcome::Failed, {"2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。 -> OK", "SYS1.lzh"}},
      {"a missing archive", [](World& w) { w.Row(1, kEntryArchive, "SYS9", "Program"); }, UpdateOutcome::Failed,
       {"SYS9"}},
      {"a failed conversion",
       [](World& w) {
         w.d.masterAdjust = "1";
         w.product.write("master1\\zai001-3.mst", kRecord);
         w.product.mkdir("master1\\temp.mst");  // no temporary file can be made
       },
       UpdateOutcome::Updated,
       {"材料ｻｲｽﾞ変換が正常に更新されませんでした。", "材料ﾀｲﾌﾟ変換が正常に更新されませんでした。",
        "システムは正常に更新されました。"}},
      {"both switches on",
       [](World& w) {
         w.d.digitizerEdition = w.d.masterAdjust = "1";
         w.media.write("MASTER21.DAT", "master data");
         w.product.write("\x89\xb9\x90\xba\\wave.lzh", Fixture("wave.lzh"));  // 音声\wave.lzh
         w.product.mkdir("wave");
         w.product.write("master1\\zai001-3.mst", kRecord);
         w.product.write("master21\\zai002-3.mst", kRecord + kRecord);
         w.Row(1, kEntryArchive, "SYS1", "Program");
         w.Row(1, 2, "MASTER21.DAT", "Data\\");
       },
       UpdateOutcome::Updated, {"システムは正常に更新されました。"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    World w;
    c.setup(w);
    FileSystem& disk = native_file_system();
    const std::string before = Snapshot(disk, w.product.path()), media = Snapshot(disk, w.media.path());

    const RunParts parts{disk, w.sys, w.Disks()};
    RunHost dry(parts, RunHost::Dry{});
    const Plan plan = RunOnCopy(dry, w.d, w.Folder());
    EXPECT_EQ(Snapshot(disk, w.product.path()), before) << "the plan changed the product";
    EXPECT_EQ(Snapshot(disk, w.media.path()), media) << "the plan changed the media";
    const std::string planned = Snapshot(dry.files(), w.product.path());

    // The real run, answered as a person with the disks at hand answers:
    // OK, and Cancel to a prompt that comes back at once.
    test::ScriptUi ui;
    std::string asked;
    ui.answer = [&](const test::Box& b) {
      if (b.text == asked) return int(fw::kIdCancel);
      asked = b.text;
      return int(fw::kIdOk);
    };
    RunHost real(parts, ui, nullptr, /*record=*/true);
    const Plan run = RunOnCopy(real, w.d, w.Folder());
    const std::vector<PlanStep>& ran = run.steps;

    EXPECT_EQ(plan.outcome, c.outcome);
    EXPECT_EQ(run.outcome, c.outcome);
    EXPECT_EQ(plan.steps, ran);
    for (std::size_t i = 0; i < std::min(plan.steps.size(), ran.size()); ++i)
      if (!(plan.steps[i] == ran[i]))
        ADD_FAILURE() << "step " << i + 1 << ": plan " << plan.steps[i].kind << " " << enc::cp932_to_utf8(plan.steps[i].text)
                      << " " << enc::cp932_to_utf8(plan.steps[i].target) << "; run " << ran[i].kind << " "
                      << enc::cp932_to_utf8(ran[i].text) << " " << enc::cp932_to_utf8(ran[i].target);
    EXPECT_EQ(Snapshot(disk, w.product.path()), planned) << "the run left the product otherwise than planned";

    // The boxes are the ones this case is about.
    std::vector<std::string> boxes;
    for (const PlanStep& s : plan.steps)
      if (s.kind == "prompt" || s.kind == "warning" || s.kind == "stop" || s.kind == "message")
        boxes.push_back(s.text);
    ASSERT_EQ(boxes.size(), c.boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i)
      EXPECT_NE(boxes[i].find(c.boxes[i]), std::string::npos)
          << enc::cp932_to_utf8(boxes[i]) << " lacks " << enc::cp932_to_utf8(c.boxes[i]);
    EXPECT_EQ(plan.steps.back().kind, c.outcome == UpdateOutcome::Updated ? "message" : "stop");
  }
}

// A floppy set's drive only changes media paths: a product file that the
// product holds open stays refused to the conversions, as on a lone disk.
TEST(RunHost, FloppySetKeepsTheDisksExclusiveOpens) {
  World w;
  w.d.masterAdjust = "1";
  w.product.write("master1\\zai001-3.mst", kRecord);
  test::HeldOpen held(w.product / "master1\\zai001-3.mst");
  ASSERT_TRUE(held.held());
  test::ScriptUi ui;
  RunHost real(RunParts{native_file_system(), w.sys, w.Disks()}, ui);
  EXPECT_EQ(RunOnCopy(real, w.d, w.Folder()).outcome, UpdateOutcome::Updated);
  ASSERT_EQ(ui.boxes.size(), 3u) << test::Show(ui.boxes);
  EXPECT_EQ(ui.boxes[0].text, "材料ｻｲｽﾞ変換が正常に更新されませんでした。");
  EXPECT_EQ(ui.boxes[1].text, "材料ﾀｲﾌﾟ変換が正常に更新されませんでした。");
  EXPECT_EQ(w.product.read("master1\\zai001-3.mst"), kRecord);
}

}  // namespace
}  // namespace relvo::app
