// The method table and the one routine that runs a member through its
// decoder.
#include "archive/decoder.h"

#include <cstring>

namespace relvo::lzh {

namespace {

const MethodSpec kMethods[] = {
    {"-lh0-", 0, make_stored_decoder},   {"-lz4-", 0, make_stored_decoder},
    {"-lh1-", 1 << 12, make_lh1_decoder}, {"-lh2-", 1 << 13, make_lh2_decoder},
    {"-lh3-", 1 << 13, make_lh3_decoder},
    {"-lh4-", 1 << 12, make_lh4_decoder}, {"-lh5-", 1 << 13, make_lh5_decoder},
    {"-lh6-", 1 << 15, make_lh6_decoder}, {"-lh7-", 1 << 16, make_lh7_decoder},
    {"-lzs-", 1 << 11, make_lzs_decoder}, {"-lz5-", 1 << 12, make_lz5_decoder},
};

}  // namespace

void Decoder::preset(OutputWindow& out) const {
  out.preset([](std::size_t) { return std::uint8_t(' '); });
}

const MethodSpec* find_method(std::string_view id) {
  for (const MethodSpec& m : kMethods)
    if (id == m.id) return &m;
  return nullptr;
}

DecodeStatus decode_member(const MethodSpec& spec, BitInput& in, std::uint64_t size, OutputSink* sink,
                           std::uint16_t& crc) {
  auto decoder = spec.make();
  OutputWindow out(spec.window, size, sink);
  decoder->preset(out);
  DecodeStatus st = decoder->decode(in, out);
  if (st == DecodeStatus::Ok && in.overrun()) st = DecodeStatus::Truncated;
  crc = out.finish();
  return st;
}

}  // namespace relvo::lzh
