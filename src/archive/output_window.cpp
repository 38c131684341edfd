// Flushing and sliding the decoders' output window.
#include "archive/output_window.h"

#include "archive/crc16.h"

namespace relvo::lzh {

namespace {
// New output gathered between two slides: large against the window, so the
// slide's copy costs little, small enough to stay in the cache.
constexpr std::size_t kPiece = 1 << 18;
}  // namespace

OutputWindow::OutputWindow(std::size_t window, std::uint64_t size, OutputSink* sink)
    : window_(window),
      cap_(window + kPiece + kMaxMatch + kCopySlop + 16),
      limit_(window + kPiece),
      buf_(new std::uint8_t[cap_]),
      pos_(window),
      flushed_(window),
      left_(size),
      sink_(sink) {}

void OutputWindow::slide() {
  const std::size_t n = pos_ - flushed_;
  crc_ = crc16(crc_, buf_.get() + flushed_, n);
  if (sink_ && n) sink_->write(buf_.get() + flushed_, n);
  std::memmove(buf_.get(), buf_.get() + pos_ - window_, window_);
  pos_ = flushed_ = window_;
}

std::uint16_t OutputWindow::finish() {
  const std::size_t n = pos_ - flushed_;
  crc_ = crc16(crc_, buf_.get() + flushed_, n);
  if (sink_ && n) sink_->write(buf_.get() + flushed_, n);
  flushed_ = pos_;
  return crc_;
}

}  // namespace relvo::lzh
