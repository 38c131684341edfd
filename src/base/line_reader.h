// Reads text files as the C runtime's text mode does: a line ends at LF, a CR
// right before the LF is dropped, a byte 0x1A ends the file.
#pragma once
#include <string>
#include <vector>

#include "base/byte_source.h"

namespace relvo {

class LineReader {
 public:
  explicit LineReader(ByteSource& src) : src_(src), buf_(64 * 1024) {}

  // Reads the next line, without its line end, into line. Returns false (and
  // leaves line empty) when the end of the file was reached before any byte
  // of a new line. A last line without LF is still a line. Lines of any
  // length are read whole.
  bool next(std::string& line);

  // True once the end of the file (or a 0x1A byte) has been seen and every
  // line before it has been handed out.
  bool at_end();

  // True when the last line next handed out ended with its LF (false before
  // any line, and for a last line the file ends inside).
  bool last_line_ended() const { return lastEnded_; }

 private:
  bool fill();
  ByteSource& src_;
  std::vector<char> buf_;
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false;
  bool lastEnded_ = false;
};

}  // namespace relvo
