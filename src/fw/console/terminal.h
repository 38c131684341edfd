// Everything the console shows a person goes through these two functions:
// CP932 (or UTF-8) texts made safe to print on a UTF-8 terminal.
#pragma once
#include <string>
#include <string_view>

namespace relvo::fw::console {

// A CP932 text as a UTF-8 terminal should show it. Control characters (C0,
// DEL and C1) are shown escaped as two hex digits in angle brackets ("<1b>",
// "<09>"), so that no name or text can move the cursor or retitle the
// terminal; no Windows file name holds '<' or '>', so an escape never reads
// as part of a path, also right after a '\'. With keepLineBreaks, LF and the
// CR of a CR LF pair stay line breaks (a CR LF pair becomes LF).
std::string ForTerminal(std::string_view cp932, bool keepLineBreaks = false);

// The same for a UTF-8 text (arguments, the program's own messages).
std::string Utf8ForTerminal(std::string_view utf8, bool keepLineBreaks = false);

}  // namespace relvo::fw::console
