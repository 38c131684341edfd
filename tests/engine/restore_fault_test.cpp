// Kill -9 at every step: a child process makes the update (or the restore)
// and kills itself just before its k-th change to the disk, product or
// restore point alike (a write is cut in half first). Whatever k, a restore
// afterwards leaves the product byte for byte as it was before the update:
// contents, names, and read-only bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine/recording_files.h"
#include "engine/restore.h"
#include "restore_scenario.h"
#include "support/child_process.h"
#include "support/folder_snapshot.h"

namespace relvo {
namespace {

using test::TempDir;

long g_killAt = 0, g_count = 0;

// Kills the process when the change about to be made is the k-th.
void Step() {
  if (++g_count == g_killAt) test::KillThisProcess();
}

class KillingWriter final : public FileWriter {
 public:
  explicit KillingWriter(std::unique_ptr<FileWriter> out) : out_(std::move(out)) {}
  void write(const void* buf, std::size_t n) override {
    if (g_count + 1 == g_killAt && n > 1) out_->write(buf, n / 2);
    Step();
    out_->write(buf, n);
  }
  void flush() override {
    Step();
    out_->flush();
  }
  void close() override {
    Step();
    out_->close();
  }

 private:
  std::unique_ptr<FileWriter> out_;
};

// Counts every change on the way to the disk.
class KillingFileSystem final : public DelegatingFileSystem {
 public:
  KillingFileSystem() : DelegatingFileSystem(native_file_system()) {}
  bool make_dir(const std::string& p) override { return Step(), inner_.make_dir(p); }
  bool copy_file(const std::string& f, const std::string& t) override { return Step(), inner_.copy_file(f, t); }
  bool set_status(const std::string& p, const FileStatus& st) override { return Step(), inner_.set_status(p, st); }
  bool remove(const std::string& p) override { return Step(), inner_.remove(p); }
  bool remove_folder(const std::string& p) override { return Step(), inner_.remove_folder(p); }
  bool rename(const std::string& f, const std::string& t) override { return Step(), inner_.rename(f, t); }
  std::unique_ptr<FileReader> open_exclusive(const std::string& p) override { return inner_.open_exclusive(p); }
  std::unique_ptr<FileWriter> create(const std::string& p) override { return wrap((Step(), inner_.create(p))); }
  std::unique_ptr<FileWriter> create_temp(const std::string& p) override {
    return wrap((Step(), inner_.create_temp(p)));
  }

 private:
  static std::unique_ptr<FileWriter> wrap(std::unique_ptr<FileWriter> w) {
    return w ? std::make_unique<KillingWriter>(std::move(w)) : nullptr;
  }
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The child: the update or the restore, on the folders the parent names,
// killed at RELVO_KILL_AT.
TEST(RestoreFaultChild, Run) {
  const std::string mode = Env("RELVO_FAULT_MODE");
  if (mode.empty()) GTEST_SKIP() << "run by RestoreFault as a child process";
  g_killAt = std::atol(Env("RELVO_KILL_AT").c_str());
  const std::string product = Env("RELVO_PRODUCT"), points = Env("RELVO_POINTS"), media = Env("RELVO_MEDIA");
  KillingFileSystem disk;
  if (mode == "update") {
    RestorePointWriter point(disk, points, product);
    RecordingFileSystem files(disk, point);
    ASSERT_TRUE(test::RunAllSteps(files, product, media));
    ASSERT_TRUE(point.finish(disk));
  } else {
    const RestoreOutcome r = RestoreProduct(disk, disk, points, RestoreRequest{});
    ASSERT_EQ(r.result, RestoreResult::Restored) << r.error;
  }
}

struct Trial {
  TempDir product, media, store;
  std::string points, before;
  Trial() {
    test::MakeProduct(product, media);
    points = ProductPointsFolder(native_file_system(), store.path(), product.path());
    before = test::Snapshot(native_file_system(), product.path());
  }
  // The child in mode, killed before its killAt-th change (0: never).
  int child(const char* mode, long killAt) {
    return test::RunThisTest("RestoreFaultChild.Run", {{"RELVO_FAULT_MODE", mode},
                                                       {"RELVO_KILL_AT", std::to_string(killAt)},
                                                       {"RELVO_PRODUCT", product.path()},
                                                       {"RELVO_POINTS", points},
                                                       {"RELVO_MEDIA", media.path()}});
  }
  // A restore here, to the end; then the product must be as before.
  void restore_and_compare() {
    const RestoreOutcome r = RestoreProduct(native_file_system(), native_file_system(), points, RestoreRequest{});
    if (r.result != RestoreResult::NothingToRestore) {
      EXPECT_EQ(r.result, RestoreResult::Restored) << r.error;
    }
    EXPECT_EQ(test::Snapshot(native_file_system(), product.path()), before);
  }
};

// Kills the child in mode at every change from the first on (every
// RELVO_FAULT_STRIDE-th where process starts are slow), running prepare first
// each time, until a child finishes; returns the count.
long KillEverywhere(const char* mode, const std::function<void(Trial&)>& prepare) {
  const long stride = std::max(1L, std::atol(Env("RELVO_FAULT_STRIDE").c_str()));
  for (long k = 1;; k += stride) {
    SCOPED_TRACE(std::string(mode) + " killed before change " + std::to_string(k));
    Trial run;
    prepare(run);
    const int status = run.child(mode, k);
    if (status == 0) return k;
    EXPECT_EQ(status, test::kKilled);
    if (status != test::kKilled) return k;
    run.restore_and_compare();
    if (::testing::Test::HasFailure()) return k;
  }
}

TEST(RestoreFault, AnUpdateKilledAnywhereIsRestoredExactly) {
  const long changes = KillEverywhere("update", [](Trial&) {});
  EXPECT_GT(changes, 60) << "fewer changes than the update makes";
}

TEST(RestoreFault, ARestoreKilledAnywhereIsFinishedByTheNext) {
  const long whole = KillEverywhere("restore", [](Trial& run) {
    RestorePointWriter point(native_file_system(), run.points, run.product.path());
    RecordingFileSystem files(native_file_system(), point);
    ASSERT_TRUE(test::RunAllSteps(files, run.product.path(), run.media.path()));
    ASSERT_TRUE(point.finish(native_file_system()));
  });
  EXPECT_GT(whole, 30) << "fewer changes than the restore makes";
  // The same after an update that was itself killed half-way.
  KillEverywhere("restore", [](Trial& run) { ASSERT_EQ(run.child("update", 40), test::kKilled); });
}

}  // namespace
}  // namespace relvo
