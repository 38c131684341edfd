// Framing, checking and reading back the restore point's journal records.
#include "engine/restore_journal.h"

#include <array>
#include <cstring>

namespace relvo::journal {
namespace {

constexpr std::uint64_t kPoly = 0xC96C5795D7870F42ull;  // ECMA-182, reflected

const std::array<std::uint64_t, 256>& CrcTable() {
  static const std::array<std::uint64_t, 256> table = [] {
    std::array<std::uint64_t, 256> t{};
    for (std::uint64_t i = 0; i < 256; ++i) {
      std::uint64_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kPoly : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

void PutLe(std::string& s, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t GetLe(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

bool KnownType(std::uint8_t t) { return t >= 1 && t <= static_cast<std::uint8_t>(Type::RestoreDone); }

// Reads exactly n bytes unless the source ends first; returns how many came.
std::size_t ReadFull(ByteSource& in, void* buf, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const std::size_t k = in.read(static_cast<char*>(buf) + got, n - got);
    if (k == 0) break;
    got += k;
  }
  return got;
}

// Hands out another source's bytes through a buffer, so that the many small
// records of a journal do not each cost the disk layer a call.
class Buffered final : public ByteSource {
 public:
  explicit Buffered(ByteSource& in) : in_(in), buf_(64 * 1024) {}
  std::size_t read(void* out, std::size_t n) override {
    if (pos_ == end_) {
      if (n >= buf_.size()) return in_.read(out, n);
      pos_ = 0;
      end_ = in_.read(buf_.data(), buf_.size());
      if (end_ == 0) return 0;
    }
    const std::size_t k = std::min(n, end_ - pos_);
    std::memcpy(out, buf_.data() + pos_, k);
    pos_ += k;
    return k;
  }

 private:
  ByteSource& in_;
  std::vector<char> buf_;
  std::size_t pos_ = 0, end_ = 0;
};

}  // namespace

std::uint64_t Crc64(const void* data, std::size_t n, std::uint64_t crc) {
  const auto& t = CrcTable();
  const unsigned char* p = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = t[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint64_t Writer::append(Type type, std::string_view body) {
  frame_.clear();
  frame_ += static_cast<char>(type);
  frame_.append(3, '\0');
  PutLe(frame_, body.size(), 4);
  std::uint64_t crc = Crc64(frame_.data(), frame_.size());
  crc = Crc64(body.data(), body.size(), crc);
  std::string tail;
  PutLe(tail, crc, 8);
  // One write for small records; a Data body goes as it is, without a copy.
  const std::uint64_t at = size_;
  if (body.size() <= 4096) {
    frame_.append(body);
    frame_ += tail;
    out_->write(frame_.data(), frame_.size());
  } else {
    out_->write(frame_.data(), frame_.size());
    out_->write(body.data(), body.size());
    out_->write(tail.data(), tail.size());
  }
  size_ += kFrameBytes + body.size();
  return at;
}

namespace {

enum class Read { Whole, End, Bad };

// One record, or the clean end of the source (no byte left), or a record
// that is not whole and sound.
Read ReadOne(ByteSource& in, Record& record, bool keepData) {
  unsigned char head[8];
  const std::size_t got = ReadFull(in, head, 8);
  if (got == 0) return Read::End;
  if (got != 8 || !KnownType(head[0]) || head[1] || head[2] || head[3]) return Read::Bad;
  const std::uint64_t size = GetLe(head + 4, 4);
  if (size > kMaxBody) return Read::Bad;
  record.type = static_cast<Type>(head[0]);
  record.bodySize = static_cast<std::uint32_t>(size);
  std::uint64_t crc = Crc64(head, 8);
  const bool keep = keepData || record.type != Type::Data;
  record.body.clear();
  char buf[64 * 1024];
  for (std::uint64_t left = size; left > 0;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof buf));
    if (ReadFull(in, buf, want) != want) return Read::Bad;
    crc = Crc64(buf, want, crc);
    if (keep) record.body.append(buf, want);
    left -= want;
  }
  unsigned char tail[8];
  if (ReadFull(in, tail, 8) != 8) return Read::Bad;
  return GetLe(tail, 8) == crc ? Read::Whole : Read::Bad;
}

}  // namespace

bool ReadRecord(ByteSource& in, Record& record, bool keepData) {
  return ReadOne(in, record, keepData) == Read::Whole;
}

Scan ScanJournal(ByteSource& source, bool keepData) {
  Buffered in(source);
  Scan scan;
  for (;;) {
    Record r;
    const Read got = ReadOne(in, r, keepData);
    if (got != Read::Whole) {
      scan.tornTail = got == Read::Bad;
      break;
    }
    r.offset = scan.validBytes;
    scan.validBytes += kFrameBytes + r.bodySize;
    scan.records.push_back(std::move(r));
  }
  return scan;
}

BodyWriter& BodyWriter::u8(std::uint8_t v) {
  s_ += static_cast<char>(v);
  return *this;
}
BodyWriter& BodyWriter::u32(std::uint32_t v) {
  PutLe(s_, v, 4);
  return *this;
}
BodyWriter& BodyWriter::u64(std::uint64_t v) {
  PutLe(s_, v, 8);
  return *this;
}
BodyWriter& BodyWriter::text(std::string_view s) {
  u32(static_cast<std::uint32_t>(s.size()));
  s_.append(s);
  return *this;
}

bool BodyReader::take(std::size_t n) {
  if (!ok_ || s_.size() - pos_ < n) {
    ok_ = false;
    return false;
  }
  return true;
}
std::uint8_t BodyReader::u8() {
  if (!take(1)) return 0;
  return static_cast<std::uint8_t>(s_[pos_++]);
}
std::uint32_t BodyReader::u32() {
  if (!take(4)) return 0;
  const auto v = static_cast<std::uint32_t>(GetLe(reinterpret_cast<const unsigned char*>(s_.data() + pos_), 4));
  pos_ += 4;
  return v;
}
std::uint64_t BodyReader::u64() {
  if (!take(8)) return 0;
  const std::uint64_t v = GetLe(reinterpret_cast<const unsigned char*>(s_.data() + pos_), 8);
  pos_ += 8;
  return v;
}
std::string BodyReader::text() {
  const std::uint32_t n = u32();
  if (!take(n)) return {};
  std::string s(s_.substr(pos_, n));
  pos_ += n;
  return s;
}

}  // namespace relvo::journal
