// Restore points kept through the recording layer and restored: every kind
// of change the update makes is undone exactly; what the user changed since
// is never overwritten silently; points are found, listed and pruned.
#include <gtest/gtest.h>

#include "base/sjis.h"
#include "engine/recording_files.h"
#include "engine/restore.h"
#include "platform/overlay_files.h"
#include "restore_scenario.h"
#include "support/folder_snapshot.h"

namespace relvo {
namespace {

using test::TempDir;

FileSystem& Disk() { return native_file_system(); }

// A product, its media and a place for its points.
struct Fixture {
  TempDir product, media, store;
  std::string points;
  Fixture() {
    test::MakeProduct(product, media);
    points = ProductPointsFolder(Disk(), store.path(), product.path());
  }
  std::string snapshot() { return test::Snapshot(Disk(), product.path()); }
  // Runs steps through a recording layer and ends the point.
  void update(const std::function<bool(FileSystem&)>& steps, bool finish = true) {
    RestorePointWriter point(Disk(), points, product.path());
    RecordingFileSystem files(Disk(), point);
    ASSERT_TRUE(steps(files));
    EXPECT_FALSE(point.broken()) << point.error();
    if (finish) {
      EXPECT_TRUE(point.finish(Disk()));
    }
  }
  RestoreOutcome restore(bool force = false, const std::string& id = "") {
    RestoreRequest req;
    req.force = force;
    req.pointId = id;
    return RestoreProduct(Disk(), Disk(), points, req);
  }
};

TEST(RestorePoint, EachKindOfChangeIsUndoneExactly) {
  for (const test::UpdateStep& step : test::UpdateSteps()) {
    SCOPED_TRACE(step.name);
    Fixture f;
    const std::string before = f.snapshot();
    FileStatus old;
    ASSERT_TRUE(Disk().get_status(f.product / "SYS\\a.dat", old));
    f.update([&](FileSystem& fs) { return step.run(fs, f.product.path(), f.media.path()); });
    ASSERT_NE(f.snapshot(), before) << "the step must change the product, or the check below could not tell";
    const RestoreOutcome r = f.restore();
    EXPECT_EQ(r.result, RestoreResult::Restored) << r.error;
    EXPECT_EQ(f.snapshot(), before);
    FileStatus now;
    ASSERT_TRUE(Disk().get_status(f.product / "SYS\\a.dat", now));
    EXPECT_EQ(now.mtime, old.mtime);
    EXPECT_EQ(f.restore().result, RestoreResult::NothingToRestore) << "restored already";
  }
}

TEST(RestorePoint, AWholeUpdateIsUndoneAndARunThatChangesNothingKeepsNoPoint) {
  Fixture f;
  const std::string before = f.snapshot();
  f.update([](FileSystem&) { return true; });
  EXPECT_TRUE(ListPoints(Disk(), f.points).empty());
  EXPECT_FALSE(Disk().exists(f.points));
  f.update([&](FileSystem& fs) { return test::RunAllSteps(fs, f.product.path(), f.media.path()); });
  const std::vector<PointInfo> points = ListPoints(Disk(), f.points);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].state, PointState::Complete);
  EXPECT_EQ(points[0].productFolder, f.product.path());
  const RestoreOutcome r = f.restore();
  ASSERT_EQ(r.result, RestoreResult::Restored) << r.error;
  EXPECT_EQ(f.snapshot(), before);
  EXPECT_EQ(ListPoints(Disk(), f.points)[0].state, PointState::Restored);
}

TEST(RestorePoint, FilesChangedSinceTheUpdateAreRefusedThenKeptWhenForced) {
  Fixture f;
  const std::string oldIni = f.product.read("vornel1.ini");
  f.update([&](FileSystem& fs) { return test::RunAllSteps(fs, f.product.path(), f.media.path()); });
  // The user edits a setting and a master file, and leaves a file in a
  // folder the update made; an earlier restore left a kept copy.
  f.product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=mine\r\n");
  f.product.write("master1\\zai001-3.mst", "my records\r\n");
  f.product.write("NEW\\mine.txt", "mine");
  f.product.write("vornel1.ini.relvo-kept", "kept before");
  const std::string edited = f.snapshot();

  RestoreOutcome r = f.restore();
  EXPECT_EQ(r.result, RestoreResult::Refused);
  EXPECT_EQ(r.changed, (std::vector<std::string>{f.product / "vornel1.ini", f.product / "master1\\zai001-3.mst"}));
  EXPECT_EQ(f.snapshot(), edited) << "a refused restore changes nothing";
  EXPECT_EQ(ListPoints(Disk(), f.points)[0].state, PointState::Complete);

  r = f.restore(true);
  ASSERT_EQ(r.result, RestoreResult::Restored) << r.error;
  EXPECT_EQ(f.product.read("vornel1.ini"), oldIni);
  EXPECT_EQ(f.product.read("vornel1.ini.relvo-kept"), "kept before");
  EXPECT_EQ(f.product.read("vornel1.ini.relvo-kept-2"), "[SYSTEM]\r\nTITLE=mine\r\n");
  EXPECT_EQ(f.product.read("master1\\zai001-3.mst.relvo-kept"), "my records\r\n");
  EXPECT_EQ(f.product.read("NEW\\mine.txt"), "mine");
  EXPECT_FALSE(f.product.exists("NEW\\n2.dat"));
  EXPECT_FALSE(f.product.exists("NEW\\SUB"));
  EXPECT_EQ(f.product.read("SYS\\a.dat"), std::string(3000, 'a'));
}

TEST(RestorePoint, AnInterruptedRunIsRestoredWithoutComparing) {
  Fixture f;
  const std::string before = f.snapshot();
  f.update([&](FileSystem& fs) { return test::RunAllSteps(fs, f.product.path(), f.media.path()); }, false);
  f.product.write("SYS\\a.dat", "whatever the run left");
  const std::vector<PointInfo> points = ListPoints(Disk(), f.points);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(points[0].state, PointState::Interrupted);
  const RestoreOutcome r = f.restore();
  ASSERT_EQ(r.result, RestoreResult::Restored) << r.error;
  EXPECT_EQ(f.snapshot(), before);
}

TEST(RestorePoint, APathThatCannotBeRecordedIsNotChangedAndTheRunGoesOn) {
  Fixture f;
  // A FIFO is there but cannot be read (where one can be made).
  const bool fifo = f.product.plant_fifo("fifo");
  const std::string before = f.snapshot();
  RestorePointWriter point(Disk(), f.points, f.product.path());
  RecordingFileSystem files(Disk(), point);
  EXPECT_FALSE(fifo && files.remove(f.product / "fifo"));
  EXPECT_FALSE(files.make_dir("relative\\folder"));
  EXPECT_FALSE(point.error().empty());
  EXPECT_TRUE(write_file_atomically(files, f.product / "SYS\\a.dat", "new"));
  EXPECT_FALSE(point.broken());
  ASSERT_TRUE(point.finish(Disk()));
  EXPECT_EQ(f.product.exists("fifo"), fifo);
  EXPECT_EQ(f.restore().result, RestoreResult::Restored);
  EXPECT_EQ(f.snapshot(), before);
}

TEST(RestorePoint, TheNewestThreeAreKeptAndEachUndoesItsOwnUpdate) {
  Fixture f;
  for (const char* text : {"1", "2", "3", "4"})
    f.update([&](FileSystem& fs) { return write_file_atomically(fs, f.product / "SYS\\a.dat", text); });
  std::vector<std::string> ids;
  for (const PointInfo& p : ListPoints(Disk(), f.points)) ids.push_back(p.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"2", "3", "4"}));
  EXPECT_EQ(f.restore().result, RestoreResult::Restored);
  EXPECT_EQ(f.product.read("SYS\\a.dat"), "3");
  EXPECT_EQ(f.restore().result, RestoreResult::NothingToRestore) << "the newest is restored already";
  EXPECT_EQ(f.restore(false, "3").result, RestoreResult::Restored);
  EXPECT_EQ(f.product.read("SYS\\a.dat"), "2");
  EXPECT_EQ(f.restore(false, "1").result, RestoreResult::NothingToRestore) << "pruned";
}

TEST(RestorePoint, TheDryRunCountsWhatThePointWillKeep) {
  Fixture f;
  const std::string before = f.snapshot();
  OverlayFileSystem dry(Disk());
  PointSizeCounter count;
  RecordingFileSystem counting(dry, count);
  ASSERT_TRUE(test::RunAllSteps(counting, f.product.path(), f.media.path()));
  EXPECT_EQ(f.snapshot(), before);
  RestorePointWriter point(Disk(), f.points, f.product.path());
  RecordingFileSystem files(Disk(), point);
  ASSERT_TRUE(test::RunAllSteps(files, f.product.path(), f.media.path()));
  EXPECT_EQ(count.paths(), point.paths());
  EXPECT_EQ(count.oldBytes(), point.bytes());
  EXPECT_GT(point.bytes(), 3000u);
}

TEST(RestorePoint, OneProductFolderHowEverItIsSpelled) {
  TempDir base, product;
  const std::string p = product.path();
  const std::string folder = ProductPointsFolder(Disk(), base.path(), p);
  EXPECT_EQ(folder.compare(0, base.path().size(), base.path()), 0);
  for (const std::string& other : {p.substr(0, p.size() - 1), sjis::to_upper(p), p + "."})
    EXPECT_EQ(ProductPointsFolder(Disk(), base.path(), other), folder) << other;
  EXPECT_NE(ProductPointsFolder(Disk(), base.path(), p + "sub"), folder);
}

TEST(RestorePoint, RoomIsToldForAFolderNotMadeYet) {
  TempDir base;
  const RoomCheck some = CheckRoom(base / "not\\made\\yet", PointBytesNeeded(1000, 3));
  EXPECT_TRUE(some.known);
  EXPECT_TRUE(some.enough());
  EXPECT_FALSE(CheckRoom(base / "not\\made\\yet", std::uint64_t{1} << 62).enough());
}

}  // namespace
}  // namespace relvo
