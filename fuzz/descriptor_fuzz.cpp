// Fuzzes the update descriptor reader with arbitrary info.txt contents.
#include <cstdint>
#include <cstring>
#include <algorithm>

#include "wizard/update_descriptor.h"

namespace {
class MemorySource : public relvo::ByteSource {
 public:
  MemorySource(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  size_t read(void* buf, size_t n) override {
    const size_t k = std::min(n, n_ - pos_);
    std::memcpy(buf, p_ + pos_, k);
    pos_ += k;
    return k;
  }

 private:
  const uint8_t* p_;
  size_t n_, pos_ = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource src(data, size);
  relvo::UpdateDescriptor d;
  std::vector<relvo::DescriptorIssue> issues;
  relvo::ReadUpdateInfoFrom(src, d, &issues);
  for (const auto& row : d.rows)
    if (row.line <= 41) __builtin_trap();  // rows start after the 41 fixed lines
  return 0;
}
