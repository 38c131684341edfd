// The method table, the one routine that runs a member through its decoder,
// and the choice between two codings that share a method id.
#include "archive/decoder.h"

#include <algorithm>
#include <cstring>

namespace relvo::lzh {

namespace {

// Second readings (see MethodSpec::other). -lh2- as jLHA writes it: its
// position code counts the uses of its first leaf before the code has a
// second one, which the original coding does not. LHA's own -lh7-, for the
// members taken for LHARK's.
const MethodSpec kLh2Counting{"-lh2-", 1 << 13, make_lh2_counting_decoder};
const MethodSpec kLh7{"-lh7-", 1 << 16, make_lh7_decoder, nullptr, make_lh7_encoder};
const MethodSpec kLhark{"-lh7-", 1 << 16, make_lhark_decoder, &kLh7};

const MethodSpec kMethods[] = {
    {"-lh0-", 0, make_stored_decoder},   {"-lz4-", 0, make_stored_decoder},
    {"-pm0-", 0, make_stored_decoder},
    {"-lh1-", 1 << 12, make_lh1_decoder}, {"-lh2-", 1 << 13, make_lh2_decoder, &kLh2Counting},
    {"-lh3-", 1 << 13, make_lh3_decoder},
    {"-lh4-", 1 << 12, make_lh4_decoder}, {"-lh5-", 1 << 13, make_lh5_decoder, nullptr, make_lh5_encoder},
    {"-lh6-", 1 << 15, make_lh6_decoder, nullptr, make_lh6_encoder}, kLh7,
    {"-lhx-", 1 << 19, make_lhx_decoder},
    {"-lzs-", 1 << 11, make_lzs_decoder}, {"-lz5-", 1 << 12, make_lz5_decoder},
    {"-pm1-", 1 << 14, make_pm1_decoder}, {"-pm2-", 1 << 13, make_pm2_decoder},
};

struct Outcome {
  DecodeStatus status;
  std::uint16_t crc;
  bool ambiguous;  // see Decoder::ambiguous
  bool whole;      // decoded to the end (not stopped when settled)
};

Outcome run(const MethodSpec& spec, BitInput& in, std::uint64_t size, OutputSink* sink, bool trial = false) {
  auto decoder = spec.make();
  if (trial) decoder->stop_when_settled();
  OutputWindow out(spec.window, size, sink);
  decoder->preset(out);
  DecodeStatus st = decoder->decode(in, out);
  const bool whole = out.left() == 0 || st != DecodeStatus::Ok;
  if (st == DecodeStatus::Ok && in.bits_past_end() > decoder->zero_tail() * 8) st = DecodeStatus::Truncated;
  return {st, out.finish(), decoder->ambiguous(), whole};
}

}  // namespace

void Decoder::preset(OutputWindow& out) const { out.preset_all(' '); }

const MethodSpec* find_method(std::string_view id) {
  for (const MethodSpec& m : kMethods)
    if (id == m.id) return &m;
  return nullptr;
}

const MethodSpec* find_method(std::string_view id, int level, std::uint8_t os_id) {
  if (id == "-lh7-" && level == 1 && os_id == ' ') return &kLhark;
  return find_method(id);
}

DecodeStatus decode_member(const MethodSpec& spec, BitInput& in, std::uint64_t size, OutputSink* sink,
                           std::uint16_t& crc) {
  const Outcome o = run(spec, in, size, sink);
  crc = o.crc;
  return o.status;
}

DecodeStatus decode_either(const MethodSpec& spec, const std::uint8_t* packed, std::size_t packed_size,
                           std::uint64_t size, std::uint16_t expected_crc, OutputSink* sink, std::uint16_t& crc) {
  auto decode = [&](const MethodSpec& s, OutputSink* to, bool trial) {
    MemoryByteSource src(packed, packed_size);
    BitInput in(src, packed_size);
    return run(s, in, size, to, trial);
  };
  const Outcome first = decode(spec, nullptr, true);
  const bool first_good = first.whole && first.status == DecodeStatus::Ok && first.crc == expected_crc;
  if (first_good || !first.ambiguous || !spec.other) {
    const Outcome o = sink || !first.whole ? decode(spec, sink, false) : first;
    crc = o.crc;
    return o.status;
  }
  const Outcome other = decode(*spec.other, sink, false);
  const bool other_good = other.status == DecodeStatus::Ok && other.crc == expected_crc;
  crc = other_good ? other.crc : first.crc;
  return other_good ? other.status : first.status;
}

}  // namespace relvo::lzh
