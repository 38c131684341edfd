// The media read back with our own reader and compared with the new tree.
#include <algorithm>
#include <cstring>
#include <vector>

#include "archive/lzh_reader.h"
#include "base/sjis.h"
#include "maker/media_maker.h"

namespace relvo::maker {

namespace {

// Compares what it is given with what src reads, in order.
class ComparingSink final : public lzh::OutputSink {
 public:
  explicit ComparingSink(ByteSource& src) : src_(src) {}
  void write(const std::uint8_t* data, std::size_t n) override {
    while (n > 0 && same_) {
      const std::size_t want = std::min(n, buf_.size());
      std::size_t got = 0;
      while (got < want) {
        const std::size_t k = src_.read(buf_.data() + got, want - got);
        if (k == 0) break;
        got += k;
      }
      same_ = got == want && std::memcmp(buf_.data(), data, want) == 0;
      data += want;
      n -= want;
    }
  }
  // True when everything given matched and src has nothing more.
  bool same() {
    char c;
    return same_ && src_.read(&c, 1) == 0;
  }

 private:
  ByteSource& src_;
  std::vector<std::uint8_t> buf_ = std::vector<std::uint8_t>(1 << 16);
  bool same_ = true;
};

std::string VerifyArchive(FileSystem& fs, const std::string& file, const MediaRow& row, const std::string& newRoot) {
  const std::unique_ptr<FileReader> in = fs.open_read(file);
  if (!in) return "cannot open " + file;
  lzh::ArchiveReader reader(*in);
  for (const std::string& rel : row.files) {
    lzh::Member m;
    if (reader.next(m) != lzh::HeaderStatus::Ok) return file + " ends before " + rel;
    const std::size_t at = sjis::find_last_separator(rel);
    if (!m.folders.empty() || m.name != (at == std::string::npos ? rel : rel.substr(at + 1)))
      return file + " holds " + m.path('\\') + " where " + rel + " belongs";
    const std::unique_ptr<FileReader> source = fs.open_read(newRoot + rel);
    if (!source) return "cannot open " + newRoot + rel;
    ComparingSink sink(*source);
    if (reader.read_data(&sink) != lzh::DataStatus::Ok || !sink.same())
      return m.name + " in " + file + " differs from " + newRoot + rel;
  }
  lzh::Member extra;
  if (reader.next(extra) != lzh::HeaderStatus::End) return file + " holds more than its members";
  return {};
}

}  // namespace

std::string VerifyMedia(FileSystem& fs, const std::vector<std::string>& disks, const std::vector<MediaRow>& rows,
                        const std::string& newRoot) {
  for (const MediaRow& row : rows) {
    const std::string& disk = disks.at(static_cast<std::size_t>(row.disk - 1));
    if (row.archive) {
      if (std::string d = VerifyArchive(fs, disk + row.name + ".LZH", row, newRoot); !d.empty()) return d;
    } else if (!SameContent(fs, disk + row.name, newRoot + row.files.front())) {
      return disk + row.name + " differs from " + newRoot + row.files.front();
    }
  }
  return {};
}

}  // namespace relvo::maker
