// One decoder per compression method behind one small interface, and the
// table that picks it by the method id of a member's header.
#pragma once
#include <cstdint>
#include <memory>
#include <string_view>

#include "archive/bit_input.h"
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
};

struct MethodSpec {
  const char* id;           // "-lh5-"
  std::size_t window;       // history the method refers back to, in bytes
  std::unique_ptr<Decoder> (*make)();
};

// The spec of a method id (five bytes, e.g. "-lh5-"), or null when the id is
// unknown or not supported. "-lhd-" (a directory) has no decoder and is not
// listed here.
const MethodSpec* find_method(std::string_view id);

// Decodes one member: size bytes of the method's output, to sink (may be
// null), and its CRC-16 into crc. Sink exceptions pass through.
DecodeStatus decode_member(const MethodSpec& spec, BitInput& in, std::uint64_t size, OutputSink* sink,
                           std::uint16_t& crc);

// Factories, one per decoder source file.
std::unique_ptr<Decoder> make_stored_decoder();
std::unique_ptr<Decoder> make_lh1_decoder();
std::unique_ptr<Decoder> make_lh2_decoder();
std::unique_ptr<Decoder> make_lh3_decoder();
std::unique_ptr<Decoder> make_lh4_decoder();
std::unique_ptr<Decoder> make_lh5_decoder();
std::unique_ptr<Decoder> make_lh6_decoder();
std::unique_ptr<Decoder> make_lh7_decoder();
std::unique_ptr<Decoder> make_lzs_decoder();
std::unique_ptr<Decoder> make_lz5_decoder();

}  // namespace relvo::lzh
