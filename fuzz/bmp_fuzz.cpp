// Fuzz target for the bitmap reader: the input is the file; when it reads,
// it is drawn onto a small in-memory surface.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fw/console/memory_dc.h"
#include "picture/dib_draw.h"
#include "picture/picture_report.h"

namespace {

// A file system holding one file, the fuzzer's input.
class OneFile : public relvo::FileSystem {
 public:
  OneFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool exists(const std::string& p) override { return p == kName; }
  bool make_dir(const std::string&) override { return false; }
  bool is_plain_folder(const std::string&) override { return false; }
  bool copy_file(const std::string&, const std::string&) override { return false; }
  bool get_status(const std::string&, relvo::FileStatus&) override { return false; }
  bool set_status(const std::string&, const relvo::FileStatus&) override { return false; }
  bool remove(const std::string&) override { return false; }
  bool rename(const std::string&, const std::string&) override { return false; }
  std::vector<relvo::FoundEntry> find(const std::string&) override { return {}; }
  std::unique_ptr<relvo::FileWriter> create(const std::string&) override { return nullptr; }
  bool is_writable(const std::string&) override { return false; }
  std::unique_ptr<relvo::FileReader> open_read(const std::string& p) override {
    if (p != kName) return nullptr;
    return std::make_unique<Reader>(data_, size_);
  }
  static constexpr const char* kName = "A:fuzz.bmp";

 private:
  struct Reader : relvo::FileReader {
    Reader(const std::uint8_t* d, std::size_t n) : data(d), size(n) {}
    std::size_t read(void* buf, std::size_t n) override {
      const std::size_t k = n < size - pos ? n : size - pos;
      if (k) std::memcpy(buf, data + pos, k);
      pos += k;
      return k;
    }
    const std::uint8_t* data;
    std::size_t size, pos = 0;
  };
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  OneFile fs(data, size);
  const relvo::picture::PictureReport r = relvo::picture::InspectDibFile(fs, OneFile::kName);
  relvo::fw::MemoryDc dc(13, 9);
  const int drawn = relvo::picture::DrawDibFile(fs, dc, relvo::fw::Rect{0, 0, 13, 9}, OneFile::kName,
                                                relvo::fw::kSrcCopy);
  if (drawn != (r.drawable ? 1 : 0) || dc.live_palettes() != 0 || dc.destroyed_while_selected()) __builtin_trap();
  return 0;
}
