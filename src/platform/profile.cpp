// Settings files in the Windows profile format, parsed straight from their
// bytes (CP932) and edited line by line so that nothing else in them moves.
#include "platform/profile.h"

#include <cstring>

#include "base/sjis.h"

namespace relvo::profile {

namespace {

// What the profile API trims around names and values: the C white space
// and Ctrl-Z, the old end-of-file mark. All lie below 0x40, so none of them
// can be the trail byte of a double-byte character and a byte scan is safe.
bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string_view trim_left(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  return s.substr(i);
}

std::string_view trim(std::string_view s) {
  s = trim_left(s);
  std::size_t n = s.size();
  while (n > 0 && is_blank(s[n - 1])) --n;
  return s.substr(0, n);
}

// The API keeps names and values as C strings: a NUL ends them.
std::string_view cut_at_nul(std::string_view s) {
  const std::size_t z = s.find('\0');
  return z == std::string_view::npos ? s : s.substr(0, z);
}

std::string_view strip_quotes(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    return s.substr(1, s.size() - 2);
  return s;
}

// The caller's buffer holds max - 1 bytes and the terminator. A double-byte
// character that does not fit whole is left out rather than split.
std::string cut_to_buffer(std::string_view s, std::size_t max) {
  if (max == 0 || s.size() < max) return std::string(s);
  const std::size_t room = max - 1;
  std::size_t end = 0;
  while (end < s.size()) {
    const std::size_t n = sjis::char_len(s, end);
    if (end + n > room) break;
    end += n;
  }
  return std::string(s.substr(0, end));
}

// One line of the file: [begin, end) is its text, next is where the line
// after it starts (past CR LF, LF or a lone CR).
struct Line {
  std::size_t begin, end, next;
};

Line line_at(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  std::size_t next = end;
  if (next < text.size()) {
    if (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n')
      next += 2;
    else
      ++next;
  }
  return {pos, end, next};
}

// What a line is to the profile format.
struct Parsed {
  enum Kind { Other, Section, Key } kind = Other;
  std::string_view name;   // trimmed, as written in the file
  std::string_view value;  // trimmed, quotes kept (Key only)
};

Parsed parse(std::string_view s) {
  Parsed p;
  const std::string_view t = trim_left(s);
  if (!t.empty() && t[0] == '[') {
    // The header ends at the last ']' of the line that is a character of its
    // own (0x5D is also a trail byte); whatever follows it is ignored.
    std::size_t close = std::string_view::npos;
    for (std::size_t i = 0; i < t.size(); i += sjis::char_len(t, i))
      if (t[i] == ']') close = i;
    if (close != std::string_view::npos) {
      p.kind = Parsed::Section;
      p.name = trim(t.substr(1, close - 1));
      return p;
    }
  }
  const std::size_t eq = s.find('=');  // 0x3D is never a trail byte
  if (eq == std::string_view::npos) return p;
  p.kind = Parsed::Key;
  p.name = trim(s.substr(0, eq));
  p.value = trim(s.substr(eq + 1));
  return p;
}

bool names_match(std::string_view in_file, std::string_view wanted) {
  return sjis::iequals(cut_at_nul(in_file), wanted);
}

// The line end that new lines get: the file's own (LF for a file whose first
// line ends in a bare LF), CR LF otherwise, as Windows writes.
std::string_view line_end_of(std::string_view text) {
  const std::size_t lf = text.find('\n');
  if (lf != std::string_view::npos && (lf == 0 || text[lf - 1] != '\r')) {
    const std::size_t cr = text.find('\r');
    if (cr == std::string_view::npos || cr > lf) return "\n";
  }
  return "\r\n";
}

bool has_line_break_or_nul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name whose last byte is a lead byte without its trail: written into a
// header it would swallow the ']' as that trail, and the section could never
// be found again.
bool ends_in_half_character(std::string_view s) {
  std::size_t i = 0, last = 0;
  while (i < s.size()) {
    last = i;
    i += sjis::char_len(s, i);
  }
  return !s.empty() && i - last == 1 && sjis::is_lead(static_cast<unsigned char>(s[last]));
}

}  // namespace

std::string read_from_text(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view def, std::size_t max) {
  const std::string_view sec = cut_at_nul(trim(section));
  const std::string_view k = cut_at_nul(trim(key));
  if (!sec.empty()) {
    bool inside = false;
    for (std::size_t pos = 0; pos < text.size();) {
      const Line line = line_at(text, pos);
      pos = line.next;
      const Parsed p = parse(text.substr(line.begin, line.end - line.begin));
      if (p.kind == Parsed::Section) {
        if (inside) break;  // only the first section of that name counts
        inside = names_match(p.name, sec);
      } else if (p.kind == Parsed::Key && inside && names_match(p.name, k)) {
        return cut_to_buffer(strip_quotes(cut_at_nul(p.value)), max);
      }
    }
  }
  // The default loses its trailing blanks and its quotes the same way.
  std::string_view d = cut_at_nul(def);
  while (!d.empty() && is_blank(d.back())) d.remove_suffix(1);
  return cut_to_buffer(strip_quotes(d), max);
}

Edit edit_text(std::string& text, std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view sec = trim(section);
  const std::string_view k = trim(key);
  // Leading blanks of a value are dropped, as the API does; a read trims them
  // anyway. Anything that would end the line early or start another line (a
  // section header, a second key) is refused instead of written.
  const std::string_view v = trim_left(value);
  if (sec.empty() || k.empty() || has_line_break_or_nul(sec) || has_line_break_or_nul(k) ||
      has_line_break_or_nul(v) || k.find('=') != std::string_view::npos || k[0] == '[' ||
      ends_in_half_character(sec) || ends_in_half_character(k))
    return Edit::Refused;

  const std::string_view eol = line_end_of(text);
  bool inside = false, found_section = false;
  std::size_t insert_at = 0;       // just past the section's last non-blank line
  bool insert_needs_eol = false;   // that line is the file's last and has no line end
  for (std::size_t pos = 0; pos < text.size();) {
    const Line line = line_at(text, pos);
    pos = line.next;
    const std::string_view s(text.data() + line.begin, line.end - line.begin);
    const Parsed p = parse(s);
    if (p.kind == Parsed::Section) {
      if (inside) break;
      inside = names_match(p.name, sec);
      found_section = inside;
    } else if (p.kind == Parsed::Key && inside && names_match(p.name, k)) {
      if (p.value == v) return Edit::Unchanged;
      // The key keeps its spelling from the file; the line keeps its line end.
      std::string replaced(p.name);
      replaced += '=';
      replaced += v;
      text.replace(line.begin, line.end - line.begin, replaced);
      return Edit::Changed;
    }
    if (inside && !trim(s).empty()) {
      insert_at = line.next;
      insert_needs_eol = line.next == line.end;
    }
  }

  std::string add;
  if (found_section) {
    if (insert_needs_eol) add += eol;
  } else {
    insert_at = text.size();
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') add += eol;
    add += '[';
    add += sec;
    add += ']';
    add += eol;
  }
  add += k;
  add += '=';
  add += v;
  add += eol;
  text.insert(insert_at, add);
  return Edit::Changed;
}

std::string read_string(FileSystem& fs, const std::string& path, const std::string& section,
                        const std::string& key, const std::string& def, std::size_t max) {
  std::string text;
  try {
    if (!read_whole_file(fs, path, text)) text.clear();
  } catch (const FileError&) {
    text.clear();  // an unreadable file reads like a missing one: the default
  }
  return read_from_text(text, section, key, def, max);
}

std::string read_folder(FileSystem& fs, const std::string& path, const std::string& section,
                        const std::string& key) {
  const std::string value = read_string(fs, path, section, key, "", 0);
  // ':' and the separators lie below 0x40, so none of them is a trail byte.
  const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  const auto has_drive = [&](const std::string& s) { return s.size() >= 2 && is_letter(s[0]) && s[1] == ':'; };
  if (value.empty() || value[0] == '\\' || value[0] == '/' || has_drive(value)) return value;
  const std::size_t sep = sjis::find_last_separator(path);
  if (sep != std::string::npos) return path.substr(0, sep + 1) + value;
  if (has_drive(path)) return path.substr(0, 2) + value;  // "C:vornel1.ini": the drive's folder
  return value;  // a settings file named from the current folder: so is the folder
}

bool write_string(FileSystem& fs, const std::string& path, const std::string& section,
                  const std::string& key, const std::string& value) {
  std::string text;
  try {
    if (fs.exists(path)) {
      // A read-only file is not written (the API's open for writing fails),
      // and a file we cannot read is never replaced by a fresh one.
      if (!fs.is_writable(path) || !read_whole_file(fs, path, text)) return false;
    }
    const std::string old = text;
    switch (edit_text(text, section, key, value)) {
      case Edit::Refused:
        return false;
      case Edit::Unchanged:
        return true;
      case Edit::Changed:
        break;
    }
    // Read whole above, so it can be rewritten in place where the folder
    // takes no new file beside it.
    return write_file_atomically_or_in_place(fs, path, text, old);
  } catch (const FileError&) {
    return false;
  }
}

}  // namespace relvo::profile
