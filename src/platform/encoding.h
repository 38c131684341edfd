// Conversions between the program's CP932 text and the outside world's
// UTF-8 (POSIX file names, terminals, JSON) and UTF-16 (Win32 W calls).
#pragma once
#include <string>
#include <string_view>

namespace relvo::enc {

// CP932 -> UTF-8. A byte sequence that is not valid CP932 becomes U+FFFD,
// one per offending byte, and conversion goes on after it.
std::string cp932_to_utf8(std::string_view s);
// UTF-8 -> CP932. A character CP932 cannot hold, or an invalid UTF-8 byte,
// becomes '?'.
std::string utf8_to_cp932(std::string_view s);
// CP932 <-> UTF-16, with the same rules.
std::u16string cp932_to_utf16(std::string_view s);
std::string utf16_to_cp932(std::u16string_view s);

// Appends code point c (at most U+10FFFF) to out in UTF-8.
void append_utf8(char32_t c, std::string& out);

// True when every byte sequence of s is valid CP932 (so cp932_to_utf8 and
// back gives s again).
bool is_valid_cp932(std::string_view s);

}  // namespace relvo::enc
