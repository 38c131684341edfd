// The restore point's journal: an append-only file of records, each framed
// and checked on its own, so that a file cut off anywhere reads back as the
// records written whole before the cut.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.h"
#include "platform/files.h"

namespace relvo::journal {

// CRC-64/XZ (ECMA-182 polynomial, reflected, inverted), continued from crc
// (0 to start): Crc64("123456789") is 0x995DC9BBDF1939FA.
std::uint64_t Crc64(const void* data, std::size_t n, std::uint64_t crc = 0);

enum class Type : std::uint8_t {
  Begin = 1,     // the journal's first record: the product folder and the time
  Data = 2,      // a piece of the old bytes of the file that the next Before names
  Before = 3,    // what a path was before the run first changed it
  After = 4,     // what a recorded path was when the run ended
  Sealed = 5,    // the run ended and every After is written
  RestoreBegin = 6,  // a restore's first record (in its own file)
  PutBack = 7,   // one Before entry has been put back
  RestoreDone = 8,   // the restore has put back every entry
};

// A record is: type (1 byte), three zero bytes, the body's length (4 bytes,
// little-endian), the body, then the CRC-64 of everything before it (8
// bytes, little-endian).
constexpr std::size_t kFrameBytes = 16;
// The largest body a record may have; a Data record holds at most kDataBytes.
constexpr std::size_t kDataBytes = 1u << 20;
constexpr std::size_t kMaxBody = kDataBytes + 4096;

struct Record {
  Type type = Type::Begin;
  std::uint64_t offset = 0;    // of the record's first byte in the file
  std::uint32_t bodySize = 0;  // the body's length
  std::string body;            // empty for Data records when scanned without data
};

// Appends framed records to a file through a writer positioned at its end
// (a file just created: offset 0). Each call throws FileError when the disk
// refuses; a record cut off by that is a torn tail, which readers drop.
class Writer {
 public:
  explicit Writer(std::unique_ptr<FileWriter> out) : out_(std::move(out)) {}
  // Writes one record (body at most kMaxBody bytes) and returns its offset.
  std::uint64_t append(Type type, std::string_view body);
  // Makes everything appended so far durable.
  void sync() { out_->flush(); }
  void close() { out_->close(); }
  std::uint64_t size() const { return size_; }

 private:
  std::unique_ptr<FileWriter> out_;
  std::uint64_t size_ = 0;
  std::string frame_;
};

struct Scan {
  std::vector<Record> records;  // the records before the first bad one
  std::uint64_t validBytes = 0; // the bytes they take
  bool tornTail = false;        // bytes follow them that make no whole, sound record
};

// Reads records from the start of in until its end or the first record that
// is cut short, fails its checksum, has an unknown type, nonzero padding or
// a body over kMaxBody; that record and everything after it are left out.
// Data bodies are checked and dropped unless keepData. Read failures throw
// FileError.
Scan ScanJournal(ByteSource& in, bool keepData);

// Reads one record framed as above from in, checking it; false at the end
// of in or when the record is not whole and sound (then record is undefined).
bool ReadRecord(ByteSource& in, Record& record, bool keepData);

// Little-endian fields of a record body.
class BodyWriter {
 public:
  BodyWriter& u8(std::uint8_t v);
  BodyWriter& u32(std::uint32_t v);
  BodyWriter& u64(std::uint64_t v);
  BodyWriter& i64(std::int64_t v) { return u64(static_cast<std::uint64_t>(v)); }
  BodyWriter& text(std::string_view s);  // u32 length, then the bytes
  const std::string& bytes() const { return s_; }

 private:
  std::string s_;
};

// Reads the fields back; a read past the end sets !ok() and gives zeros.
class BodyReader {
 public:
  explicit BodyReader(std::string_view s) : s_(s) {}
  std::uint8_t u8();
  std::uint32_t u32();
  std::uint64_t u64();
  std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
  std::string text();
  bool ok() const { return ok_; }
  bool at_end() const { return pos_ == s_.size(); }

 private:
  bool take(std::size_t n);
  std::string_view s_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace relvo::journal
