// Shift-JIS walking helpers: upper-casing, searching and path splitting that
// never look into the middle of a double-byte character.
#include "base/sjis.h"

#include <vector>

namespace relvo::sjis {

namespace {
constexpr bool is_sep(char c) { return c == '\\' || c == '/'; }
constexpr char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

void to_upper_in_place(std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = char_len(s, i);
    if (n == 1) s[i] = fold(s[i]);
    i += n;
  }
}

std::string to_upper(std::string_view s) {
  std::string out(s);
  to_upper_in_place(out);
  return out;
}

std::size_t find(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  for (std::size_t i = 0; i < hay.size(); i += char_len(hay, i)) {
    if (i < from) continue;
    if (hay.size() - i < needle.size()) break;
    if (hay.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string_view::npos;
}

std::size_t find_last_separator(std::string_view s) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < s.size(); i += char_len(s, i))
    if (char_len(s, i) == 1 && is_sep(s[i])) last = i;
  return last;
}

bool ends_with_separator(std::string_view s) {
  if (s.empty()) return false;
  const std::size_t p = find_last_separator(s);
  return p != std::string_view::npos && p == s.size() - 1;
}

SplitPath split_path(std::string_view path) {
  SplitPath out;
  std::string_view rest = path;
  if (rest.size() >= 2 && rest[1] == ':' && !is_lead(static_cast<unsigned char>(rest[0]))) {
    out.drive = std::string(rest.substr(0, 2));
    rest.remove_prefix(2);
  }
  const std::size_t sep = find_last_separator(rest);
  std::string_view name = rest;
  if (sep != std::string_view::npos) {
    out.dir = std::string(rest.substr(0, sep + 1));
    name = rest.substr(sep + 1);
  }
  // The extension starts at the last '.' that is a character of its own.
  std::size_t dot = std::string_view::npos;
  for (std::size_t i = 0; i < name.size(); i += char_len(name, i))
    if (char_len(name, i) == 1 && name[i] == '.') dot = i;
  if (dot == std::string_view::npos) {
    out.base = std::string(name);
  } else {
    out.base = std::string(name.substr(0, dot));
    out.ext = std::string(name.substr(dot));
  }
  return out;
}

int icompare(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  bool trail = false;  // the byte at i of a is a trail byte
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (!trail) {
      ca = static_cast<unsigned char>(fold(static_cast<char>(ca)));
      cb = static_cast<unsigned char>(fold(static_cast<char>(cb)));
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    trail = !trail && is_lead(static_cast<unsigned char>(a[i]));
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool iequals(std::string_view a, std::string_view b) { return a.size() == b.size() && icompare(a, b) == 0; }

namespace {
// Splits a text into characters (each a view of 1 or 2 bytes).
std::vector<std::string_view> chars_of(std::string_view s) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = char_len(s, i);
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}
bool char_eq(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() == 1) return fold(a[0]) == fold(b[0]);
  return a == b;
}
}  // namespace

namespace {
bool match_chars(std::string_view pattern, std::string_view name) {
  const auto p = chars_of(pattern);
  const auto s = chars_of(name);
  // Classic iterative match with one back-tracking point for the last '*'.
  std::size_t pi = 0, si = 0, star = std::string_view::npos, mark = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == "*") {
      star = pi++;
      mark = si;
    } else if (pi < p.size() && (p[pi] == "?" || char_eq(p[pi], s[si]))) {
      ++pi;
      ++si;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}
}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
  if (match_chars(pattern, name)) return true;
  // Windows lets a closing ".*" also match a name without any extension
  // ("*.*" lists every name, "a.*" finds "a").
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
    return match_chars(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

}  // namespace relvo::sjis
