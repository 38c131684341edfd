// Shift-JIS (CP932) text helpers. Every helper walks characters, never bytes:
// a trail byte may be 0x5C ('\') or an ASCII letter and must never be split.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace relvo::sjis {

// True for a byte that starts a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length in bytes of the character starting at s[i] (1 or 2). A lead byte at
// the very end of the text counts as a single byte.
inline std::size_t char_len(std::string_view s, std::size_t i) {
  return (is_lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Upper-cases the single-byte letters a-z only; both bytes of a double-byte
// character stay as they are.
std::string to_upper(std::string_view s);
void to_upper_in_place(std::string& s);

// Position of the first occurrence of needle in hay that starts on a
// character boundary of hay, or npos. An empty needle is found at 0.
std::size_t find(std::string_view hay, std::string_view needle, std::size_t from = 0);
inline bool contains(std::string_view hay, std::string_view needle) { return find(hay, needle) != std::string_view::npos; }

// Position of the last path separator ('\' or '/') that is a character of its
// own (never a trail byte), or npos.
std::size_t find_last_separator(std::string_view s);

// True when the last character of s is a path separator ('\' or '/').
bool ends_with_separator(std::string_view s);

// A path split as the C runtime's _splitpath does: drive ("C:"), directory
// (with its trailing separator), base name, extension (with its dot).
struct SplitPath {
  std::string drive, dir, base, ext;
};
SplitPath split_path(std::string_view path);

// ASCII-only case-insensitive comparison (trail bytes compare exactly).
bool iequals(std::string_view a, std::string_view b);
// <0, 0, >0 ordering under the same folding (what a Windows directory listing
// sorts by, for the ASCII range).
int icompare(std::string_view a, std::string_view b);

// Windows-style wildcard match of one name: '*' any run, '?' exactly one
// character (a double-byte character counts as one), letters compared without
// ASCII case.
bool wildcard_match(std::string_view pattern, std::string_view name);

}  // namespace relvo::sjis
