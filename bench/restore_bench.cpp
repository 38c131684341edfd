// Times an update of a generated product with and without a restore point
// (same run), the bytes the point takes, and the restore from it.
// Usage: restore_bench [work-folder [files [kilobytes-per-file]]]   (POSIX only)
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/recording_files.h"
#include "engine/restore.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 20;
constexpr int kNewFiles = 100;

std::string Bytes(std::mt19937& rng, std::size_t n) {
  std::string s(n, '\0');
  std::uint64_t x = rng() | 1;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;  // xorshift: random enough, and quick
    c = static_cast<char>('a' + x % 26);
  }
  return s;
}

std::string FileName(int i) {
  return "SYS" + std::to_string(i % kFolders) + "/FILE" + std::to_string(i) + ".DAT";
}

// The installed product: files of about kb KB each in kFolders folders.
void Generate(const fs::path& product, int files, int kb) {
  fs::remove_all(product);
  std::mt19937 rng(1);
  for (int i = 0; i < kFolders; ++i) fs::create_directories(product / ("SYS" + std::to_string(i)));
  for (int i = 0; i < files; ++i)
    std::ofstream(product / FileName(i), std::ios::binary) << Bytes(rng, static_cast<std::size_t>(kb) * 1024 / 2 + rng() % (kb * 1024));
}

// The update as the run writes it: every file replaced (written beside it,
// flushed, renamed over it), and kNewFiles new files in new folders.
void Update(relvo::FileSystem& files, const std::string& product, int count, int kb) {
  std::mt19937 rng(2);
  for (int i = 0; i < count; ++i) {
    const std::string data = Bytes(rng, static_cast<std::size_t>(kb) * 1024 / 2 + rng() % (kb * 1024));
    if (!relvo::write_file_atomically(files, product + FileName(i), data)) std::exit(1);
  }
  for (int i = 0; i < kNewFiles; ++i) {
    const std::string folder = product + "NEW" + std::to_string(i % 10);
    if (!files.exists(folder) && !files.make_dir(folder)) std::exit(1);
    if (!relvo::write_file_atomically(files, folder + "/N" + std::to_string(i) + ".DAT", Bytes(rng, 4096))) std::exit(1);
  }
}

// CPU seconds (user + system) this process has spent so far.
double CpuSeconds() {
  rusage u;
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <class F>
double Seconds(F&& f) {
  ::sync();
  // <chrono> does not compile under the CP932 execution character set.
  timespec t0, t1;
  ::clock_gettime(CLOCK_MONOTONIC, &t0);
  f();
  ::clock_gettime(CLOCK_MONOTONIC, &t1);
  return static_cast<double>(t1.tv_sec - t0.tv_sec) + static_cast<double>(t1.tv_nsec - t0.tv_nsec) / 1e9;
}

std::uintmax_t TreeBytes(const fs::path& p) {
  std::uintmax_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(p))
    if (e.is_regular_file()) n += e.file_size();
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = fs::absolute(argc > 1 ? argv[1] : (fs::temp_directory_path() / "relvo-restore-bench"));
  const int files = argc > 2 ? std::atoi(argv[2]) : 400;
  const int kb = argc > 3 ? std::atoi(argv[3]) : 100;
  if (files < 1 || kb < 1) {
    std::fprintf(stderr, "usage: restore_bench [work-folder [files [kilobytes-per-file]]]\n");
    return 2;
  }
  relvo::FileSystem& disk = relvo::native_file_system();
  const fs::path productPath = work / "product";
  const std::string product = productPath.string() + "/", base = (work / "points").string() + "/";
  Generate(productPath, files, kb);
  const std::uintmax_t productBytes = TreeBytes(productPath);
  std::printf("product: %d files in %d folders, %.1f MB; the update replaces them all and adds %d files\n", files,
              kFolders, productBytes / 1e6, kNewFiles);

  // The disk's flushes decide most of each time, and a shared disk varies:
  // the modes take turns, and each reports its median.
  constexpr int kRounds = 5;
  std::vector<double> plain, withPoint, restore, plainCpu, pointCpu, restoreCpu;
  std::uintmax_t pointBytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    Generate(productPath, files, kb);
    double c0 = CpuSeconds();
    plain.push_back(Seconds([&] { Update(disk, product, files, kb); }));
    plainCpu.push_back(CpuSeconds() - c0);

    Generate(productPath, files, kb);
    fs::remove_all(work / "points");
    const std::string points = relvo::ProductPointsFolder(disk, base, product);
    c0 = CpuSeconds();
    withPoint.push_back(Seconds([&] {
      relvo::RestorePointWriter point(disk, points, product);
      relvo::RecordingFileSystem recording(disk, point);
      Update(recording, product, files, kb);
      if (!point.finish(disk)) std::exit(1);
    }));
    pointCpu.push_back(CpuSeconds() - c0);
    pointBytes = TreeBytes(work / "points");
    c0 = CpuSeconds();
    restore.push_back(Seconds([&] {
      const relvo::RestoreOutcome r = relvo::RestoreProduct(disk, disk, points, relvo::RestoreRequest{});
      if (r.result != relvo::RestoreResult::Restored) std::exit(1);
    }));
    restoreCpu.push_back(CpuSeconds() - c0);
  }
  const double p = Median(plain), w = Median(withPoint), r = Median(restore);
  std::printf("median of %d rounds, seconds (wall; CPU):\n", kRounds);
  std::printf("  update without a restore point  %7.3f; %6.3f\n", p, Median(plainCpu));
  std::printf("  update with a restore point     %7.3f; %6.3f  (%.2fx the wall time)\n", w, Median(pointCpu), w / p);
  std::printf("  restore from the point          %7.3f; %6.3f  (%.2fx the plain update)\n", r, Median(restoreCpu), r / p);
  std::printf("restore point: %.1f MB for %.1f MB of replaced files (%.3fx)\n", pointBytes / 1e6, productBytes / 1e6,
              static_cast<double>(pointBytes) / static_cast<double>(productBytes));
  fs::remove_all(work);
  return 0;
}
