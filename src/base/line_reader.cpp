// Text-mode line reading over any byte source, lines of any length.
#include "base/line_reader.h"

#include <cstring>

namespace relvo {

bool LineReader::fill() {
  if (eof_) return false;
  len_ = src_.read(buf_.data(), buf_.size());
  pos_ = 0;
  if (len_ == 0) {
    eof_ = true;
    return false;
  }
  // Text mode: a Ctrl-Z ends the file.
  if (const void* z = std::memchr(buf_.data(), 0x1A, len_)) {
    len_ = static_cast<std::size_t>(static_cast<const char*>(z) - buf_.data());
    eof_ = true;
  }
  return len_ > 0;
}

bool LineReader::at_end() { return pos_ >= len_ && !fill(); }

bool LineReader::next(std::string& line) {
  line.clear();
  bool any = false;
  for (;;) {
    if (pos_ >= len_ && !fill()) break;
    any = true;
    const char* start = buf_.data() + pos_;
    const void* lf = std::memchr(start, '\n', len_ - pos_);
    if (lf) {
      const std::size_t n = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
      line.append(start, n);
      pos_ += n + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lastEnded_ = true;
      return true;
    }
    line.append(start, len_ - pos_);
    pos_ = len_;
  }
  if (any) lastEnded_ = false;
  return any;
}

}  // namespace relvo
