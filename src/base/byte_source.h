// The smallest reading interface: something that hands out bytes in order.
// The file layer's readers implement it, so base/ needs no platform header.
#pragma once
#include <cstddef>

namespace relvo {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to n bytes into buf; returns how many came, 0 at the end.
  // Read failures are the implementation's to raise (the file layer throws
  // FileError).
  virtual std::size_t read(void* buf, std::size_t n) = 0;
};

}  // namespace relvo
