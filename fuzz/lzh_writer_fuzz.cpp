// Fuzz target: any bytes packed by each encoder decode to the same bytes,
// and an archive of them (method and header level from the first byte)
// reads back the same through our reader. A difference aborts.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "archive/decoder.h"
#include "archive/lzh_reader.h"
#include "archive/lzh_writer.h"
#include "base/byte_source.h"

namespace {

class Sink final : public relvo::lzh::OutputSink {
 public:
  void write(const std::uint8_t* d, std::size_t n) override { data.append(reinterpret_cast<const char*>(d), n); }
  std::string data;
};

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace relvo::lzh;
  if (size == 0) return 0;
  const char* const methods[] = {"-lh0-", "-lh5-", "-lh6-", "-lh7-"};
  const std::uint8_t* in = data + 1;
  const std::size_t n = size - 1;

  // The encoder alone, fed in two pieces.
  const MethodSpec& spec = *find_method(methods[1 + data[0] % 3]);
  std::vector<std::uint8_t> packed;
  auto enc = spec.make_encoder(packed);
  const std::size_t half = n / 2 + (data[0] >> 4);
  enc->write(in, std::min(half, n));
  if (half < n) enc->write(in + half, n - half);
  enc->finish();
  relvo::MemoryByteSource src(packed.data(), packed.size());
  BitInput bits(src, packed.size());
  Sink out;
  std::uint16_t crc = 0;
  check(decode_member(spec, bits, n, &out, crc) == DecodeStatus::Ok);
  check(out.data.size() == n && out.data.compare(0, n, reinterpret_cast<const char*>(in), n) == 0);

  // The archive.
  Sink archive;
  ArchiveWriter w(archive, {methods[data[0] & 3], (data[0] >> 2) % 3});
  PackItem item;
  item.name = "dir\\member.bin";
  PackedMember done;
  std::string message;
  const auto open = [&] { return std::make_unique<relvo::MemoryByteSource>(in, n); };
  check(w.add(item, open, done, message));
  w.finish();
  relvo::MemoryByteSource asrc(reinterpret_cast<const std::uint8_t*>(archive.data.data()), archive.data.size());
  ArchiveReader reader(asrc);
  Member m;
  check(reader.next(m) == HeaderStatus::Ok && m.path('\\') == item.name);
  Sink back;
  check(reader.read_data(&back) == DataStatus::Ok && back.data == out.data);
  check(reader.next(m) == HeaderStatus::End);
  return 0;
}
