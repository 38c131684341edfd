// Packing a member's data: one encoder per method family behind one small
// interface, found through the method table (MethodSpec::make_encoder).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace relvo::lzh {

class Encoder {
 public:
  virtual ~Encoder() = default;
  // Packs the next n bytes of the member's data. Packed bytes are appended
  // to the encoder's output as whole blocks are done, so the output lags
  // the input by up to a block.
  virtual void write(const std::uint8_t* data, std::size_t n) = 0;
  // Packs what is held back and ends the data on a whole byte. Once, last.
  virtual void finish() = 0;
};

// Factories, one per method; the packed data is appended to out, which must
// outlive the encoder.
std::unique_ptr<Encoder> make_lh5_encoder(std::vector<std::uint8_t>& out);
std::unique_ptr<Encoder> make_lh6_encoder(std::vector<std::uint8_t>& out);
std::unique_ptr<Encoder> make_lh7_encoder(std::vector<std::uint8_t>& out);

}  // namespace relvo::lzh
