// Record rules of the material master files: fixed byte columns, counted from
// 0, a double-byte character counting as two bytes.
#include "master/record_rules.h"

#include <string_view>

#include "base/line_reader.h"

namespace relvo::master {

namespace {
// Columns of a material record.
constexpr std::size_t kCodeAt = 0, kCodeLen = 6;
constexpr std::size_t kSubCodeAt = 6, kSubCodeLen = 6;
constexpr std::size_t kTypeAt = 13;
constexpr std::size_t kOldByteAt = 66;
// Length of a size-converted record in the new layout.
constexpr std::size_t kNewLayoutLen = 185;

// Output is gathered into blocks of this size before it is written.
constexpr std::size_t kWriteBlock = 256 * 1024;

// The piece of record at [at, at + len), shorter or empty when the record is.
std::string_view column(const std::string& record, std::size_t at, std::size_t len) {
  if (record.size() <= at) return {};
  return std::string_view(record).substr(at, len);
}
}  // namespace

void ShrinkOldSizeRecord(std::string& record) {
  if (column(record, kCodeAt, kCodeLen) != "400400") return;
  const std::string_view sub = column(record, kSubCodeAt, kSubCodeLen);
  if (sub != "000107" && sub != "000111") return;
  if (record.size() == kNewLayoutLen || record.size() <= kOldByteAt) return;
  record.erase(kOldByteAt, 1);
}

void RetypeRecord(std::string& record) {
  if (record.size() <= kTypeAt) return;
  char& letter = record[kTypeAt];
  if (letter == 'A' || letter == 'B') letter = 'Z';
}

void RewriteRecords(ByteSource& in, FileWriter& out, RecordRule rule) {
  LineReader lines(in);
  std::string record, block;
  block.reserve(kWriteBlock);
  while (lines.next(record)) {
    rule(record);
    block += record;
    block += "\r\n";
    if (block.size() >= kWriteBlock) {
      out.write(block.data(), block.size());
      block.clear();
    }
  }
  if (!block.empty()) out.write(block.data(), block.size());
}

}  // namespace relvo::master
