// Terminal-safe texts: encoding conversion and control characters escaped.
#include "fw/console/terminal.h"

#include "platform/encoding.h"

namespace relvo::fw::console {

namespace {

// A control character as "<1b>": two hex digits in angle brackets, which
// no Windows file name can hold, so that after a path's '\' it never reads
// as an escaped backslash followed by a name ("C:\<1b>[31m", not
// "C:\\x1b[31m").
void Escape(std::string& out, unsigned char code) {
  static const char kHex[] = "0123456789abcdef";
  out += '<';
  out += kHex[code >> 4];
  out += kHex[code & 15];
  out += '>';
}

}  // namespace

std::string Utf8ForTerminal(std::string_view s, bool keepLineBreaks) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (keepLineBreaks && c == '\n') {
      out += '\n';
    } else if (keepLineBreaks && c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      continue;  // the LF that follows makes the break
    } else if (c < 0x20 || c == 0x7F) {
      Escape(out, c);
    } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      Escape(out, static_cast<unsigned char>(s[i + 1]));  // C1 controls U+0080-U+009F (CSI among them)
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ForTerminal(std::string_view cp932, bool keepLineBreaks) {
  return Utf8ForTerminal(enc::cp932_to_utf8(cp932), keepLineBreaks);
}

}  // namespace relvo::fw::console
