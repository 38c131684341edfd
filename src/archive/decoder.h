// One decoder per compression method behind one small interface, and the
// table that picks it (and the encoder, for the methods we write) by the
// method id of a member's header.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

#include "archive/bit_input.h"
#include "archive/encoder.h"
#include "archive/output_window.h"

namespace relvo::lzh {

enum class DecodeStatus {
  Ok,
  BadData,    // the packed data is not valid for its method
  Truncated,  // the packed data ended before the member's full size
};

class Decoder {
 public:
  virtual ~Decoder() = default;
  // Produces out.left() bytes from in into out. Stops at the first fault.
  virtual DecodeStatus decode(BitInput& in, OutputWindow& out) = 0;
  // Fills the history before the first byte as the method defines it.
  virtual void preset(OutputWindow& out) const;
  // After decode(), for a method with a second reading: false when the
  // stream decodes the same under that reading, so that trying it is
  // pointless. Decoders that cannot tell say true.
  virtual bool ambiguous() const { return true; }
  // Asks decode() to stop, with Ok, as soon as it knows ambiguous() is
  // false: a trial decode needs no more.
  void stop_when_settled() { stop_when_settled_ = true; }
  // How many bytes past the end of its data the method reads as zeros when
  // the encoder left its last bits out; reading further is a truncation.
  virtual unsigned zero_tail() const { return 0; }

 protected:
  bool stop_when_settled_ = false;
};

struct MethodSpec {
  const char* id;           // "-lh5-"
  std::size_t window;       // history the method refers back to, in bytes
  std::unique_ptr<Decoder> (*make)();
  // Another coding that real archives carry under the same id, which the
  // header cannot tell apart for certain; null for most methods. A member
  // is taken in this reading when it fails in the first one and passes in
  // this one (see decode_either).
  const MethodSpec* other = nullptr;
  // The method's encoder (encoder.h); null for the methods we only read.
  std::unique_ptr<Encoder> (*make_encoder)(std::vector<std::uint8_t>& out) = nullptr;
};

// The spec of a method id (five bytes, e.g. "-lh5-"), or null when the id is
// unknown or not supported. "-lhd-" (a directory) has no decoder and is not
// listed here.
const MethodSpec* find_method(std::string_view id);
// The same for a member's header: LHARK wrote its own coding under "-lh7-",
// in level 1 headers with its own OS type byte (' '), so such a member is
// read as LHARK's first and as LHA's -lh7- second.
const MethodSpec* find_method(std::string_view id, int level, std::uint8_t os_id);

// Decodes one member: size bytes of the method's output, to sink (may be
// null), and its CRC-16 into crc. Sink exceptions pass through.
DecodeStatus decode_member(const MethodSpec& spec, BitInput& in, std::uint64_t size, OutputSink* sink,
                           std::uint16_t& crc);

// Decodes a member whose spec has another reading, from its whole packed
// data in memory. The first reading is tried without output; when it ends
// well with the header's CRC-16 (expected_crc), or the data cannot read
// otherwise, it is decoded again into sink. Else the other reading goes
// into sink, and when that does not end well either, the first reading's
// outcome stands (sink then holds the other's output). crc is as for
// decode_member.
DecodeStatus decode_either(const MethodSpec& spec, const std::uint8_t* packed, std::size_t packed_size,
                           std::uint64_t size, std::uint16_t expected_crc, OutputSink* sink, std::uint16_t& crc);

// Factories, one per decoder source file.
std::unique_ptr<Decoder> make_stored_decoder();
std::unique_ptr<Decoder> make_lh1_decoder();
std::unique_ptr<Decoder> make_lh2_decoder();
std::unique_ptr<Decoder> make_lh2_counting_decoder();
std::unique_ptr<Decoder> make_lh3_decoder();
std::unique_ptr<Decoder> make_lh4_decoder();
std::unique_ptr<Decoder> make_lh5_decoder();
std::unique_ptr<Decoder> make_lh6_decoder();
std::unique_ptr<Decoder> make_lh7_decoder();
std::unique_ptr<Decoder> make_lhx_decoder();
std::unique_ptr<Decoder> make_lhark_decoder();
std::unique_ptr<Decoder> make_lzs_decoder();
std::unique_ptr<Decoder> make_lz5_decoder();
std::unique_ptr<Decoder> make_pm1_decoder();
std::unique_ptr<Decoder> make_pm2_decoder();

}  // namespace relvo::lzh
