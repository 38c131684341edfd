// The two strict conversions each platform supplies; encoding.cpp builds the
// documented, platform-independent results (U+FFFD, '?') on top of them.
#pragma once
#include <string>
#include <string_view>

namespace relvo::enc::detail {

// Converts well-formed CP932 (every double-byte character with a proper lead
// and trail byte) to UTF-16. False, with out unchanged, when some character
// has no mapping.
bool cp932_run_to_utf16(std::string_view s, std::u16string& out);

// Converts UTF-16 without lone surrogates to CP932. False, with out
// unchanged, when some character cannot be written in CP932. Best-fit
// substitutes may come back; the caller checks the round trip.
bool utf16_run_to_cp932(std::u16string_view s, std::string& out);

}  // namespace relvo::enc::detail
