// Terminal-safe texts: encoding conversion and control characters escaped.
#include "fw/console/terminal.h"

#include <cstdio>

#include "platform/encoding.h"

namespace relvo::fw::console {

namespace {

void Escape(std::string& out, unsigned code) {
  switch (code) {
    case '\t': out += "\\t"; return;
    case '\r': out += "\\r"; return;
    case '\n': out += "\\n"; return;
    default: break;
  }
  char buf[12];
  std::snprintf(buf, sizeof buf, code < 0x100 ? "\\x%02x" : "\\u%04x", code);
  out += buf;
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
