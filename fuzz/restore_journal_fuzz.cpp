// Fuzzes the reading of a restore point's journal (a file that a crash, a
// full disk or anyone with access may have damaged) with arbitrary bytes.
#include <cstdint>

#include "base/byte_source.h"
#include "engine/restore_point.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  relvo::MemoryByteSource src(data, size);
  relvo::PointInfo info;
  bool sealed = false;
  if (!relvo::ReadPointJournal(src, info, sealed)) return 0;
  // Every entry's old bytes lie inside the input, and the total adds up.
  std::uint64_t bytes = 0;
  for (const relvo::PointEntry& e : info.entries) {
    if (e.dataOffset > size || e.before.size > size) __builtin_trap();
    if (e.chunks > 0 && e.before.kind != relvo::PathKind::File) __builtin_trap();
    bytes += e.before.size;
  }
  if (bytes != info.bytes) __builtin_trap();
  return 0;
}
