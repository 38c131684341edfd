// Registry files: the text brought to UTF-8 once, an index of the sections
// by key, and the values of one key read on demand.
#include "platform/registry_file.h"

#include <cstring>

#include "platform/encoding.h"
#include "platform/name_case.h"

namespace relvo::regfile {
namespace {

constexpr std::string_view kRegedit4 = "REGEDIT4";
constexpr std::string_view kRegedit5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kWine = "WINE REGISTRY Version 2";
constexpr std::string_view kWineRoot = ";; All keys relative to ";

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool blank(char c) { return c == ' ' || c == '\t'; }

// A key or value name as the registry compares it.
std::string folded(std::string_view utf8) { return fold_name_case(utf8); }

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string_view trim_left(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  return s;
}
std::string_view trim_right(std::string_view s) {
  while (!s.empty() && (blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-16 units to UTF-8, pairing surrogates; a lone one becomes U+FFFD.
class Utf16ToUtf8 {
 public:
  explicit Utf16ToUtf8(std::string& out) : out_(out) {}
  ~Utf16ToUtf8() { flush(); }
  void unit(char16_t u) {
    if (u >= 0xD800 && u <= 0xDBFF) {
      flush();
      high_ = u;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      if (high_) {
        enc::append_utf8(0x10000 + ((static_cast<char32_t>(high_) - 0xD800) << 10) + (u - 0xDC00), out_);
        high_ = 0;
      } else {
        enc::append_utf8(0xFFFD, out_);
      }
    } else {
      flush();
      enc::append_utf8(u, out_);
    }
  }
  // A byte of UTF-8 text taken as it is.
  void byte(char c) {
    flush();
    out_ += c;
  }
  void flush() {
    if (high_) enc::append_utf8(0xFFFD, out_);
    high_ = 0;
  }

 private:
  std::string& out_;
  char16_t high_ = 0;
};

std::string utf16le_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  Utf16ToUtf8 conv(out);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    conv.unit(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  conv.flush();
  return out;
}

// The physical lines of a range of text, without their line ends.
class Lines {
 public:
  Lines(std::string_view text, std::size_t begin, std::size_t end) : text_(text), pos_(begin), end_(end) {}
  std::size_t pos() const { return pos_; }
  bool next(std::string_view& line) {
    if (pos_ >= end_) return false;
    const void* nl = std::memchr(text_.data() + pos_, '\n', end_ - pos_);
    const std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - text_.data()) : end_;
    line = text_.substr(pos_, stop - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = nl ? stop + 1 : end_;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_, end_;
};

// Reads an escaped text up to its unescaped end character into out (UTF-8)
// and returns the end character's position in s, or npos when it is
// missing. regedit knows \\ and \" only; Wine's hives escape as its server
// writes them.
std::size_t unescape(std::string_view s, char end, bool wine, std::string& out) {
  Utf16ToUtf8 conv(out);
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == end) return i;
    if (c != '\\' || i + 1 == s.size()) {
      conv.byte(c);
      ++i;
      continue;
    }
    const char e = s[i + 1];
    if (!wine) {
      if (e == '\\' || e == '"') {
        conv.byte(e);
        i += 2;
      } else {
        conv.byte(c);
        ++i;
      }
      continue;
    }
    i += 2;
    switch (e) {
      case 'a': conv.byte('\a'); break;
      case 'b': conv.byte('\b'); break;
      case 'e': conv.byte('\x1b'); break;
      case 'f': conv.byte('\f'); break;
      case 'n': conv.byte('\n'); break;
      case 'r': conv.byte('\r'); break;
      case 't': conv.byte('\t'); break;
      case 'v': conv.byte('\v'); break;
      case 'x': {
        if (i >= s.size() || hex_digit(s[i]) < 0) {
          conv.byte('x');
          break;
        }
        unsigned v = 0;
        for (int n = 0; n < 4 && i < s.size() && hex_digit(s[i]) >= 0; ++n) v = v * 16 + static_cast<unsigned>(hex_digit(s[i++]));
        conv.unit(static_cast<char16_t>(v));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned v = static_cast<unsigned>(e - '0');
          for (int n = 0; n < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n) v = v * 8 + static_cast<unsigned>(s[i++] - '0');
          conv.unit(static_cast<char16_t>(v));
        } else {
          conv.byte(e);
        }
    }
  }
  return std::string_view::npos;
}

// A quoted text at s[0] == '"': its length with both quotes, or 0 when the
// closing quote is missing.
std::size_t unquote(std::string_view s, bool wine, std::string& out) {
  const std::size_t close = unescape(s.substr(1), '"', wine, out);
  return close == std::string_view::npos ? 0 : close + 2;
}

// A value line: "name"=data or @=data. name is UTF-8, unescaped.
struct ValueLine {
  std::string name;
  std::string_view data;  // trimmed
};

bool parse_value_line(std::string_view line, bool wine, ValueLine& out) {
  line = trim_right(trim_left(line));
  out.name.clear();
  std::size_t at;
  if (!line.empty() && line[0] == '@') {
    at = 1;
  } else if (!line.empty() && line[0] == '"') {
    at = unquote(line, wine, out.name);
    if (at == 0) return false;
  } else {
    return false;
  }
  std::string_view rest = trim_left(line.substr(at));
  if (rest.empty() || rest[0] != '=') return false;
  out.data = trim_left(rest.substr(1));
  return true;
}

bool starts_with_hex(std::string_view data) { return data.size() >= 3 && iequals(data.substr(0, 3), "hex"); }
bool continues(std::string_view line) {
  line = trim_right(line);
  return !line.empty() && line.back() == '\\';
}

// Comma-separated bytes of one or two hex digits; an empty last item (a
// trailing comma) is allowed.
bool parse_hex_bytes(std::string_view s, std::string& out) {
  s = trim_right(trim_left(s));
  if (s.empty()) return true;
  std::size_t pos = 0;
  for (;;) {
    std::size_t comma = s.find(',', pos);
    const bool last = comma == std::string_view::npos;
    if (last) comma = s.size();
    const std::string_view item = trim_right(trim_left(s.substr(pos, comma - pos)));
    if (item.empty()) {
      if (!last) return false;  // "01,,02"
    } else {
      if (item.size() > 2) return false;
      int v = 0;
      for (char c : item) {
        const int d = hex_digit(c);
        if (d < 0) return false;
        v = v * 16 + d;
      }
      out += static_cast<char>(v);
    }
    if (last) return true;
    pos = comma + 1;
    if (pos == s.size()) return true;  // "01,02,"
  }
}

// "(N):" after str or hex: the type N in hex. Returns the length consumed, 0
// when malformed.
std::size_t parse_type(std::string_view s, unsigned& type) {
  if (s.empty() || s[0] != '(') return 0;
  std::size_t i = 1;
  type = 0;
  for (; i < s.size() && hex_digit(s[i]) >= 0; ++i) {
    if (i > 8) return 0;
    type = type * 16 + static_cast<unsigned>(hex_digit(s[i]));
  }
  if (i == 1 || i + 1 >= s.size() || s[i] != ')' || s[i + 1] != ':') return 0;
  return i + 2;
}

std::string cut_at_nul(std::string s) {
  const std::size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

// Splits a UTF-8 key name at '\', dropping empty components.
template <class F>
void for_each_component(std::string_view name, F f) {
  std::size_t pos = 0;
  while (pos <= name.size()) {
    std::size_t sep = name.find('\\', pos);
    if (sep == std::string_view::npos) sep = name.size();
    if (sep > pos) f(name.substr(pos, sep - pos));
    pos = sep + 1;
  }
}

// What the registry takes: a key name (one component) of at most 255
// characters, and a tree at most 512 levels deep. A section naming a key
// past them names no key the registry could hold, and defines nothing;
// each key it would make costs memory, and a text of a few bytes per level
// could otherwise make millions.
constexpr std::size_t kMostKeyNameChars = 255;
constexpr std::size_t kMostKeyLevels = 512;

bool within_registry_limits(std::string_view utf8Name) {
  std::size_t levels = 0;
  bool fits = true;
  for_each_component(utf8Name, [&](std::string_view c) {
    std::size_t chars = 0;
    for (const char b : c) chars += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
    fits = fits && chars <= kMostKeyNameChars && ++levels <= kMostKeyLevels;
  });
  return fits;
}

}  // namespace

RegistryFile::RegistryFile(std::string_view bytes) {
  // The byte encoding first: a BOM or a NUL second byte says UTF-16LE.
  bool utf16 = false, utf8_bom = false;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    utf16 = true;
    bytes.remove_prefix(2);
  } else if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0') {
    utf16 = true;
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    utf8_bom = true;
    bytes.remove_prefix(3);
  }
  if (utf16) {
    text_ = utf16le_to_utf8(bytes);
  } else {
    const std::size_t nl = bytes.find('\n');
    const std::string_view first = trim_right(bytes.substr(0, nl));
    if (first == kRegedit4 && !utf8_bom)
      text_ = enc::cp932_to_utf8(bytes);
    else
      text_.assign(bytes);
  }
  Lines lines(text_, 0, text_.size());
  std::string_view first;
  if (!lines.next(first)) return;
  first = trim_right(first);
  if (first == kRegedit4)
    format_ = Format::Regedit4;
  else if (first == kRegedit5)
    format_ = Format::Regedit5;
  else if (first == kWine)
    format_ = Format::WineHive;
  else
    return;
  utf16_strings_ = format_ != Format::Regedit4;
  sections_.emplace_back();  // HKEY_LOCAL_MACHINE
  index();
}

std::uint32_t RegistryFile::child(std::uint32_t parent, std::string_view folded_name) const {
  const auto name = names_.find(std::string(folded_name));
  if (name == names_.end()) return kNone;
  const auto it = children_.find(std::uint64_t{parent} << 32 | name->second);
  return it == children_.end() ? kNone : it->second;
}

std::uint32_t RegistryFile::add_child(std::uint32_t parent, std::string_view folded_name) {
  const std::uint32_t name =
      names_.emplace(std::string(folded_name), static_cast<std::uint32_t>(names_.size())).first->second;
  const auto [it, added] =
      children_.emplace(std::uint64_t{parent} << 32 | name, static_cast<std::uint32_t>(sections_.size()));
  if (added) sections_.emplace_back();
  return it->second;
}

void RegistryFile::index() {
  const bool wine = format_ == Format::WineHive;
  bool machine = true;  // a Wine hive of another root holds no machine key
  std::uint32_t node = kNone;  // the key whose section is open
  std::size_t section_begin = 0;
  Lines lines(text_, 0, text_.size());
  std::string_view line;
  lines.next(line);  // the format line
  std::string name;
  ValueLine value;
  auto close_section = [&](std::size_t end) {
    if (node != kNone) sections_[node].push_back(Span{section_begin, end});
    node = kNone;
  };
  while (true) {
    const std::size_t line_begin = lines.pos();
    if (!lines.next(line)) break;
    const std::string_view t = trim_left(line);
    if (wine && t.substr(0, kWineRoot.size()) == kWineRoot) {
      std::string root;
      unescape(trim_right(t.substr(kWineRoot.size())), '\0', true, root);
      machine = iequals(root, "REGISTRY\\Machine") || iequals(root, "\\REGISTRY\\Machine");
      continue;
    }
    if (!t.empty() && t[0] == '[') {
      close_section(line_begin);
      // The key's name, as UTF-8 with single separators.
      name.clear();
      bool ok;
      if (wine) {
        ok = machine && unescape(t.substr(1), ']', true, name) != std::string_view::npos;
      } else {
        const std::size_t close = t.rfind(']');
        ok = close != std::string_view::npos && close > 1 && t[1] != '-';
        if (ok) {
          const std::string_view full = t.substr(1, close - 1);
          const std::size_t sep = full.find('\\');
          const std::string_view root = full.substr(0, sep);
          ok = iequals(root, "HKEY_LOCAL_MACHINE") || iequals(root, "HKLM");
          if (ok && sep != std::string_view::npos) name.assign(full.substr(sep + 1));
        }
      }
      if (ok && within_registry_limits(name)) {
        node = 0;
        for_each_component(name, [&](std::string_view c) { node = add_child(node, folded(c)); });
        section_begin = lines.pos();
      }
      continue;
    }
    // A hex value continued over several lines: its continuation lines
    // belong to it, whatever they start with.
    if (parse_value_line(t, wine, value) && starts_with_hex(value.data) && continues(t)) {
      while (lines.next(line) && continues(line)) {
      }
    }
  }
  close_section(text_.size());
}

std::uint32_t RegistryFile::find_node(std::string_view key) const {
  if (format_ == Format::Unknown) return kNone;
  std::uint32_t node = 0;
  const std::string utf8 = enc::cp932_to_utf8(key);
  for_each_component(utf8, [&](std::string_view c) {
    if (node != kNone) node = child(node, folded(c));
  });
  return node;
}

bool RegistryFile::has_key(std::string_view key) const {
  const std::uint32_t node = find_node(key);
  if (node == kNone) return false;
  // HKEY_LOCAL_MACHINE itself exists once anything lies below it.
  return node != 0 || sections_.size() > 1 || !sections_[0].empty();
}

std::optional<std::string> RegistryFile::value_data(std::string_view key, std::string_view valueName) const {
  const std::uint32_t node = find_node(key);
  if (node == kNone) return std::nullopt;
  const bool wine = format_ == Format::WineHive;
  const std::string wanted = folded(enc::cp932_to_utf8(valueName));

  // The last line naming the value decides; keep its data (joined when a
  // hex value goes on over several lines).
  bool found = false;
  std::string data;
  ValueLine value;
  for (const Span& span : sections_[node]) {
    Lines lines(text_, span.begin, span.end);
    std::string_view line;
    while (lines.next(line)) {
      if (!parse_value_line(line, wine, value)) continue;
      const bool mine = folded(value.name) == wanted;
      if (mine) {
        found = true;
        data.assign(value.data);
      }
      if (!starts_with_hex(value.data) || !continues(line)) continue;
      while (lines.next(line)) {
        const bool more = continues(line);
        if (mine) {
          data.pop_back();  // the '\' that continued the line before
          data += trim_right(trim_left(line));
        }
        if (!more) break;
      }
    }
  }
  if (!found) return std::nullopt;
  return std::string(trim_right(data));
}

std::optional<RegistryFile::Typed> RegistryFile::typed_value(std::string_view key, std::string_view valueName) const {
  const std::optional<std::string> data = value_data(key, valueName);
  if (!data) return std::nullopt;
  const bool wine = format_ == Format::WineHive;
  std::string_view d = *data;
  Typed out;
  if (wine && d.size() >= 3 && iequals(d.substr(0, 3), "str")) {
    const std::size_t n = parse_type(d.substr(3), out.type);
    if (n == 0) return std::nullopt;
    d.remove_prefix(3 + n);
  }
  if (!d.empty() && d[0] == '"') {
    // Quoted text, of a string type unless a Wine hive says otherwise.
    if (unquote(d, wine, out.text) != d.size()) return std::nullopt;
    out.quoted = true;
    return out;
  }
  if (d.size() > 6 && iequals(d.substr(0, 6), "dword:")) {
    std::uint32_t v = 0;
    const std::string_view digits = d.substr(6);
    if (digits.size() != 8) return std::nullopt;
    for (char c : digits) {
      const int h = hex_digit(c);
      if (h < 0) return std::nullopt;
      v = v << 4 | static_cast<std::uint32_t>(h);
    }
    out.type = 4;  // REG_DWORD, little-endian
    for (int i = 0; i < 4; ++i) out.bytes += static_cast<char>(v >> (8 * i));
    return out;
  }
  if (!starts_with_hex(d) || d.size() < 4) return std::nullopt;
  d.remove_prefix(3);
  std::size_t n = 1;  // "hex:" is REG_BINARY
  out.type = 3;
  if (d[0] != ':' && (n = parse_type(d, out.type)) == 0) return std::nullopt;
  if (!parse_hex_bytes(d.substr(n), out.bytes)) return std::nullopt;
  out.utf16 = utf16_strings_;
  return out;
}

namespace {

bool is_string_type(unsigned type) { return type == 1 || type == 2 || type == 7; }

// A string value's bytes as CP932 text, up to the first NUL.
std::string string_text(const std::string& bytes, bool utf16) {
  if (!utf16) return cut_at_nul(bytes);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t u =
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (u == 0) break;
    units += u;
  }
  return enc::utf16_to_cp932(units);
}

// The text of a value of a string type, up to its first NUL.
std::string text_of(const RegistryFile::Typed& v) {
  return v.quoted ? enc::utf8_to_cp932(cut_at_nul(v.text)) : string_text(v.bytes, v.utf16);
}

}  // namespace

std::optional<std::string> RegistryFile::string_value(std::string_view key, std::string_view valueName) const {
  const std::optional<Typed> v = typed_value(key, valueName);
  if (!v || (v->type != 1 && v->type != 2)) return std::nullopt;
  return text_of(*v);
}

std::optional<std::string> RegistryFile::value_as_text(std::string_view key, std::string_view valueName) const {
  const std::optional<Typed> v = typed_value(key, valueName);
  if (!v) return std::nullopt;
  if (is_string_type(v->type)) return text_of(*v);
  // Any other type reaches the buffer as it is stored: quoted text as its
  // UTF-16 units, hex and dword data as their bytes.
  std::string bytes = v->bytes;
  if (v->quoted) {
    bytes.clear();
    for (const char16_t u : enc::cp932_to_utf16(enc::utf8_to_cp932(v->text))) {
      bytes += static_cast<char>(u & 0xFF);
      bytes += static_cast<char>(u >> 8);
    }
  }
  return cut_at_nul(std::move(bytes));
}

bool read_value(const RegistryFile& file, const std::string& keyPath, const std::string& valueName,
                std::optional<std::string>& value) {
  value.reset();
  // The 32-bit view of a key under SOFTWARE is SOFTWARE\Wow6432Node\...
  const std::size_t first_end = keyPath.find('\\');
  std::string_view first = std::string_view(keyPath).substr(0, first_end);
  std::vector<std::string> views;
  if (iequals(first, "SOFTWARE")) {
    const std::string rest = first_end == std::string::npos ? "" : keyPath.substr(first_end + 1);
    const std::string_view second = std::string_view(rest).substr(0, rest.find('\\'));
    if (!iequals(second, "Wow6432Node")) views.push_back(std::string(first) + "\\Wow6432Node\\" + rest);
  }
  views.push_back(keyPath);
  for (const std::string& view : views) {
    if (!file.has_key(view)) continue;
    value = file.value_as_text(view, valueName);
    return true;
  }
  return false;
}

}  // namespace relvo::regfile
