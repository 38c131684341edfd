// Times the material master conversion of a generated master folder against
// `cp -r` of the same folder (with and without syncing the copy), same run.
// Usage: master_bench [work-folder [files [records]]]   (POSIX only)
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

#include "master/material_master.h"

namespace fs = std::filesystem;

namespace {

// A master file of mixed records of about 190 bytes: old-layout and
// new-layout size records, records of other codes, type letters A, B and
// others, line ends LF and CR LF.
std::string MasterFile(std::mt19937& rng, int records) {
  std::string out;
  out.reserve(static_cast<std::size_t>(records) * 192);
  const char letters[] = "ABCZab ";
  for (int i = 0; i < records; ++i) {
    std::string r;
    std::size_t len = 180 + rng() % 21;
    switch (rng() % 4) {
      case 0: r = "400400000107"; len = 186; break;
      case 1: r = "400400000111"; len = 185; break;
      case 2: r = "400400000200"; break;
      default: r = std::to_string(100000 + rng() % 900000) + "000107"; break;
    }
    r += ' ';
    r += letters[rng() % 7];
    while (r.size() < len) r += static_cast<char>('0' + rng() % 10);
    out += r;
    out += (rng() % 2) ? "\r\n" : "\n";
  }
  return out;
}

void Generate(const fs::path& folder, int files, int records) {
  fs::create_directories(folder);
  std::mt19937 rng(12345);
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "zai%03d-3.mst", i % 1000);
    std::ofstream(folder / name, std::ios::binary) << MasterFile(rng, records);
  }
}

// CPU seconds (user + system) spent so far by this process or its children.
double CpuSeconds(int who) {
  rusage u;
  ::getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <class F>
double Seconds(F&& f) {
  ::sync();  // start every timing without dirty pages of the one before
  // <chrono> does not compile under the CP932 execution character set.
  timespec t0, t1;
  ::clock_gettime(CLOCK_MONOTONIC, &t0);
  f();
  ::clock_gettime(CLOCK_MONOTONIC, &t1);
  return static_cast<double>(t1.tv_sec - t0.tv_sec) + static_cast<double>(t1.tv_nsec - t0.tv_nsec) / 1e9;
}

void Shell(const std::string& cmd) {
  if (std::system(cmd.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", cmd.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = fs::absolute(argc > 1 ? argv[1] : (fs::temp_directory_path() / "relvo-master-bench"));
  const int files = argc > 2 ? std::atoi(argv[2]) : 200;
  const int records = argc > 3 ? std::atoi(argv[3]) : 5000;
  if (files < 1 || files > 1000 || records < 1) {
    std::fprintf(stderr, "usage: master_bench [work-folder [files (1-1000) [records]]]\n");
    return 2;
  }
  fs::remove_all(work);
  const fs::path master = work / "master1";
  Generate(master, files, records);
  std::uintmax_t bytes = 0;
  for (const auto& e : fs::directory_iterator(master)) bytes += e.file_size();
  std::printf("master folder: %d files, %d records each, %.1f MB\n", files, records, bytes / 1e6);

  const std::string src = master.string(), dst = (work / "copy").string();
  const std::string folder = src + "/";
  relvo::FileSystem& fsys = relvo::native_file_system();
  constexpr int kRounds = 3;
  double cp = 1e9, cpSync = 1e9, size = 1e9, type = 1e9;
  double convertCpu = 0, cpCpu = 0;
  for (int round = 0; round < kRounds; ++round) {
    fs::remove_all(dst);
    double c0 = CpuSeconds(RUSAGE_CHILDREN);
    cp = std::min(cp, Seconds([&] { Shell("cp -r '" + src + "' '" + dst + "'"); }));
    cpCpu += CpuSeconds(RUSAGE_CHILDREN) - c0;
    fs::remove_all(dst);
    // cp made as durable as the conversion: every file and the folder synced.
    cpSync = std::min(cpSync, Seconds([&] { Shell("cp -r '" + src + "' '" + dst + "' && sync '" + dst + "'/* '" + dst + "'"); }));
    c0 = CpuSeconds(RUSAGE_SELF);
    size = std::min(size, Seconds([&] {
      if (relvo::ConvertSizeInFolder(fsys, folder) != 1) std::exit(1);
    }));
    type = std::min(type, Seconds([&] {
      if (relvo::ConvertTypeInFolder(fsys, folder) != 1) std::exit(1);
    }));
    convertCpu += CpuSeconds(RUSAGE_SELF) - c0;
  }
  std::printf("best of %d rounds, seconds:\n", kRounds);
  std::printf("  cp -r                 %7.3f\n", cp);
  std::printf("  cp -r + sync          %7.3f\n", cpSync);
  std::printf("  size conversion       %7.3f  (%.2fx cp -r + sync, %.2fx cp -r)\n", size, size / cpSync, size / cp);
  std::printf("  type conversion       %7.3f  (%.2fx cp -r + sync, %.2fx cp -r)\n", type, type / cpSync, type / cp);
  std::printf("CPU per run: cp -r %.3f s, one conversion %.3f s; the rest of the conversion's time is\n"
              "waiting for the disk (each file flushed, then renamed over the master file)\n",
              cpCpu / kRounds, convertCpu / (2 * kRounds));
  fs::remove_all(work);
  return 0;
}
