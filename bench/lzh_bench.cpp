// Extracts an LZH archive with our library (flat, as the update run does)
// and prints the time and the throughput of the decoded output.
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "archive/lzh_extract.h"
#include "platform/encoding.h"

namespace {
// <chrono> does not compile with CP932 narrow literals (its "µs"), so the
// clock is the C one.
double now() {
  std::timespec ts{};
  std::timespec_get(&ts, TIME_UTC);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

class Sizes final : public relvo::lzh::MemberObserver {
 public:
  void on_member(const relvo::lzh::Member& m, const std::string* failure) override {
    bytes += m.original_size;
    if (failure) std::fprintf(stderr, "%s\n", relvo::enc::cp932_to_utf8(*failure).c_str());
  }
  std::uint64_t bytes = 0;
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: lzh_bench ARCHIVE OUTDIR\n");
    return 2;
  }
  Sizes sizes;
  relvo::lzh::RunOptions opt;
  opt.mode = relvo::lzh::Mode::Flat;
  opt.target = relvo::enc::utf8_to_cp932(argv[2]);
  opt.observer = &sizes;
  const double t0 = now();
  const auto r = relvo::lzh::run_archive(relvo::native_file_system(), relvo::enc::utf8_to_cp932(argv[1]), opt);
  const double s = now() - t0;
  std::printf("%" PRIu64 " bytes in %.3f s: %.1f MB/s\n", sizes.bytes, s, sizes.bytes / s / 1e6);
  return r.ok() ? 0 : 1;
}
