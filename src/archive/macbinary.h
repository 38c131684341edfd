// The MacBinary header that MacLHA puts before a file's data in its
// archives: recognised only when every field agrees with the member, and
// then taken off so that the file extracts as the user packed it.
#pragma once
#include <cstdint>

#include "archive/lzh_reader.h"
#include "archive/output_window.h"

namespace relvo::lzh {

constexpr std::size_t kMacBinaryHeaderSize = 128;

// Which bytes of a member's data are the packed file.
struct MacBinaryFork {
  std::uint64_t offset = 0, length = 0;
};

// True when h, the first 128 bytes of m's data, is the MacBinary header of
// m: old version 0 and the zero fields zero; the file name that of the
// member; the modification time the member's, give or take a time zone;
// the fork lengths adding up to the member's size (forks back to back and
// the whole padded to 128 bytes, as MacLHA stores them, or each fork padded
// as MacBinary has it); and either no MacBinary II fields at all, or
// MacBinary II's version bytes with a matching header CRC. fork then holds
// the data fork, or the resource fork when that is the only one.
bool find_macbinary_fork(const std::uint8_t* h, const Member& m, MacBinaryFork& fork);

// Whether a member may carry such a header: one from a Macintosh archiver
// (OS id 'm') with at least 128 bytes of data.
bool may_hold_macbinary(const Member& m);

// Passes a member's data on to out, without its MacBinary header and what
// follows the file when the first 128 bytes are one; unchanged otherwise.
class MacBinaryFilter final : public OutputSink {
 public:
  MacBinaryFilter(const Member& m, OutputSink& out) : m_(m), out_(out) {}
  void write(const std::uint8_t* data, std::size_t n) override;
  // Passes on what is still held when the data ended inside the first 128
  // bytes. Call once after the last write.
  void finish();
  bool stripped() const { return stripped_; }

 private:
  const Member& m_;
  OutputSink& out_;
  std::uint8_t head_[kMacBinaryHeaderSize];
  std::size_t held_ = 0;
  bool decided_ = false, stripped_ = false;
  MacBinaryFork fork_;
  std::uint64_t pos_ = 0;  // bytes of the member's data seen
};

}  // namespace relvo::lzh
