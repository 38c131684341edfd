// Walking an archive member by member: finding where it starts (after a
// self-extractor's code), skipping data, and driving each member's decoder.
#include "archive/lzh_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "archive/bit_input.h"
#include "archive/decoder.h"
#include "archive/lzh_header.h"
#include "archive/macbinary.h"

namespace relvo::lzh {

// The archive's bytes with a read buffer in front, so that headers can be
// read a few bytes at a time. Bytes read ahead to look for the archive's
// start can be handed back (give_back) to be read again.
class ArchiveReader::Buffered final : public ByteSource {
 public:
  explicit Buffered(ByteSource& src) : src_(src), buf_(new std::uint8_t[kSize]) {}

  std::size_t read(void* out, std::size_t n) override {
    auto* o = static_cast<std::uint8_t*>(out);
    std::size_t done = 0;
    if (back_pos_ < back_.size()) {
      done = std::min(n, back_.size() - back_pos_);
      std::memcpy(o, back_.data() + back_pos_, done);
      back_pos_ += done;
    }
    while (done < n) {
      if (pos_ == end_) {
        if (n - done >= kSize) {  // large reads bypass the buffer
          const std::size_t got = src_.read(o + done, n - done);
          if (got == 0) break;
          done += got;
          continue;
        }
        pos_ = 0;
        end_ = src_.read(buf_.get(), kSize);
        if (end_ == 0) break;
      }
      const std::size_t k = std::min(n - done, end_ - pos_);
      std::memcpy(o + done, buf_.get() + pos_, k);
      pos_ += k;
      done += k;
    }
    return done;
  }

  // Reads up to n bytes, fewer only at the end of the archive.
  std::size_t read_fully(std::uint8_t* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      const std::size_t got = read(out + done, n - done);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  // The bytes of ahead from from on are read again before anything else.
  // Only once, at the start.
  void give_back(std::vector<std::uint8_t> ahead, std::size_t from) {
    back_ = std::move(ahead);
    back_pos_ = from;
  }

 private:
  static constexpr std::size_t kSize = 1 << 16;
  ByteSource& src_;
  std::unique_ptr<std::uint8_t[]> buf_;
  std::size_t pos_ = 0, end_ = 0;
  std::vector<std::uint8_t> back_;
  std::size_t back_pos_ = 0;
};

namespace {

// A self-extracting archive holds its extractor's code first: the archive
// starts at the first valid header within this many bytes.
constexpr std::size_t kSelfExtractorMost = 1 << 20;
// Room after the last place looked at, for the header found there.
constexpr std::size_t kHeaderRoom = 1 << 16;
// Amiga's LhASFX carries a small archive of its own inside its code; the
// archive proper is the next one after that.
constexpr std::string_view kAmigaSfxMark = "LhASFX";
// What all the candidate headers of one scan may read together, in bytes
// per byte scanned (plus one largest header). A candidate's cost is the
// bytes it reads: a level 1 header's extended headers may run on for a
// megabyte, and bytes made of such headers, one after the other, would
// otherwise cost the square of their size. The extractor code before a real
// archive holds few candidates, each rejected within its first bytes.
constexpr std::size_t kScanBudgetPerByte = 4;

// Bytes in memory, read as a source; never more than limit of them.
class SpanSource final : public ByteSource {
 public:
  SpanSource(const std::uint8_t* p, std::size_t n, std::size_t limit) : p_(p), n_(std::min(n, limit)) {}
  std::size_t read(void* out, std::size_t n) override {
    const std::size_t k = std::min(n, n_ - pos_);
    std::memcpy(out, p_ + pos_, k);
    pos_ += k;
    return k;
  }
  std::size_t consumed() const { return pos_; }

 private:
  const std::uint8_t* p_;
  std::size_t n_, pos_ = 0;
};

// The status of the archive's first header as reported: a file that does
// not start as an archive is no archive, except that a cut or a bad
// checksum shows a damaged one.
HeaderStatus first_header_status(HeaderStatus s) {
  if (s == HeaderStatus::BadHeader) return HeaderStatus::NotArchive;
  return s;
}

}  // namespace

std::string Member::path(char sep) const {
  std::string s;
  for (const std::string& f : folders) {
    s += f;
    s += sep;
  }
  s += name;
  if (name.empty() && !s.empty()) s.pop_back();
  return s;
}

ArchiveReader::ArchiveReader(ByteSource& src) : in_(new Buffered(src)) {}
ArchiveReader::~ArchiveReader() = default;

HeaderStatus ArchiveReader::first_header(Member& m) {
  std::vector<std::uint8_t> ahead(7);
  ahead.resize(in_->read_fully(ahead.data(), ahead.size()));
  if (ahead.empty()) return HeaderStatus::NotArchive;  // an empty file is no archive
  if (ahead.size() == 7 && ahead[2] == '-' && ahead[6] == '-') {
    in_->give_back(std::move(ahead), 0);
    return first_header_status(read_member_header(*in_, m));
  }
  // A self-extracting archive (or none): look for the first place where a
  // whole, valid header starts, its checksum or CRC checked.
  for (bool more = true; more && ahead.size() < kSelfExtractorMost + kHeaderRoom;) {
    const std::size_t had = ahead.size();  // a piece at a time: most files are short
    ahead.resize(had + kHeaderRoom);
    const std::size_t got = in_->read_fully(ahead.data() + had, kHeaderRoom);
    more = got == kHeaderRoom;
    ahead.resize(had + got);
  }
  const std::string_view text(reinterpret_cast<const char*>(ahead.data()), ahead.size());
  std::size_t amiga_sfx = text.find(kAmigaSfxMark);
  // A candidate that the budget cuts short reads as truncated: once it is
  // spent, no later one can be taken and the scan ends.
  std::size_t budget = kScanBudgetPerByte * ahead.size() + kMaxHeaderSize;
  for (std::size_t i = 0; i + 22 <= ahead.size() && i < kSelfExtractorMost && budget > 0; ++i) {
    if (!looks_like_header(ahead.data() + i)) continue;
    SpanSource probe(ahead.data() + i, ahead.size() - i, budget);
    Member found;
    const HeaderStatus st = read_member_header(probe, found);
    budget -= probe.consumed();
    if (st != HeaderStatus::Ok) continue;
    if (amiga_sfx < i) {  // the extractor's own small archive
      amiga_sfx = std::string_view::npos;
      continue;
    }
    in_->give_back(std::move(ahead), i);
    return read_member_header(*in_, m);
  }
  // A lone end mark followed by anything is an empty archive.
  return ahead[0] == 0 ? HeaderStatus::End : HeaderStatus::NotArchive;
}

HeaderStatus ArchiveReader::next(Member& out) {
  if (stopped_) return HeaderStatus::End;
  if (data_pending_) {
    BitInput skip(*in_, current_.packed_size);
    skip.drain();
    data_pending_ = false;
    if (skip.source_short()) {
      stopped_ = true;
      return HeaderStatus::Truncated;
    }
  }
  Member m;
  const HeaderStatus st = first_ ? first_header(m) : read_member_header(*in_, m);
  first_ = false;
  if (st != HeaderStatus::Ok) {
    stopped_ = true;
    return st;
  }
  current_ = m;
  data_pending_ = true;
  stripped_macbinary_ = false;
  out = std::move(m);
  return HeaderStatus::Ok;
}

namespace {

// The largest packed data held in memory to choose between two codings of
// one method id; a bigger member is read in the first coding only.
constexpr std::uint64_t kMaxChoiceSize = std::uint64_t(64) << 20;

// Up to want bytes of a member's packed data, fewer when the file ends.
// Grown as the data comes, so that a size the file does not hold allocates
// nothing.
std::vector<std::uint8_t> read_packed(BitInput& in, std::size_t want) {
  std::vector<std::uint8_t> packed;
  while (packed.size() < want) {
    const std::size_t at = packed.size();
    packed.resize(at + std::min<std::size_t>(want - at, std::size_t(1) << 20));
    const std::size_t got = in.read_bytes(packed.data() + at, packed.size() - at);
    packed.resize(at + got);
    if (got == 0) break;
  }
  return packed;
}

}  // namespace

DataStatus ArchiveReader::read_data(OutputSink* sink) {
  if (!data_pending_) return DataStatus::Truncated;
  data_pending_ = false;
  BitInput in(*in_, current_.packed_size);
  if (current_.is_directory()) {
    in.drain();
    return in.source_short() ? DataStatus::Truncated : DataStatus::Ok;
  }
  const MethodSpec* spec = find_method(current_.method, current_.level, current_.os_id);
  if (!spec) {
    in.drain();
    return DataStatus::Unsupported;
  }
  // A Macintosh archiver's member goes out without its MacBinary header.
  std::optional<MacBinaryFilter> mac;
  if (sink && may_hold_macbinary(current_)) sink = &mac.emplace(current_, *sink);
  std::uint16_t crc = 0;
  DecodeStatus st;
  try {
    if (spec->other && current_.packed_size <= kMaxChoiceSize) {
      // Two codings share the id: try them on the data held in memory.
      const auto packed = read_packed(in, static_cast<std::size_t>(current_.packed_size));
      st = decode_either(*spec, packed.data(), packed.size(), current_.original_size, current_.crc, sink, crc);
    } else {
      st = decode_member(*spec, in, current_.original_size, sink, crc);
    }
    if (mac) {
      mac->finish();
      stripped_macbinary_ = mac->stripped();
    }
  } catch (...) {
    stopped_ = true;  // the archive's position is lost with the failed write
    throw;
  }
  in.drain();
  if (in.source_short()) {
    stopped_ = true;
    return DataStatus::Truncated;
  }
  if (st == DecodeStatus::BadData) return DataStatus::BadData;
  if (st == DecodeStatus::Truncated) return DataStatus::Truncated;
  return crc == current_.crc ? DataStatus::Ok : DataStatus::BadCrc;
}

}  // namespace relvo::lzh
