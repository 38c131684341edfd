// CP932 <-> UTF-8/UTF-16 with the same defined results on every platform:
// the structure of CP932 and the replacement rules live here, only the
// character tables come from the system (iconv or the code page 932 API).
#include "platform/encoding.h"

#include <cstdint>

#include "base/sjis.h"
#include "platform/encoding_backend.h"

namespace relvo::enc {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool is_trail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// A single byte that stands for a character of its own: ASCII and the
// half-width katakana. 0x80, 0xA0 and 0xFD-0xFF are not CP932 characters
// (Windows maps them to private code points, iconv refuses them); we treat
// them as invalid everywhere.
bool is_single(unsigned char c) { return c < 0x80 || (c >= 0xA1 && c <= 0xDF); }

// The user-defined area F040-F9FC <-> U+E000-U+E757, computed here so that
// both platforms agree on it.
bool user_defined_to_utf16(unsigned char lead, unsigned char trail, char16_t& out) {
  if (lead < 0xF0 || lead > 0xF9) return false;
  const unsigned t = trail < 0x80 ? trail - 0x40 : trail - 0x41;
  out = static_cast<char16_t>(0xE000 + (lead - 0xF0) * 188 + t);
  return true;
}

bool utf16_to_user_defined(char16_t c, std::string& out) {
  if (c < 0xE000 || c > 0xE757) return false;
  const unsigned n = c - 0xE000;
  const unsigned t = n % 188;
  out += static_cast<char>(0xF0 + n / 188);
  out += static_cast<char>(t < 0x3F ? 0x40 + t : 0x41 + t);
  return true;
}

// End of the run of well-formed characters starting at i that the backend
// converts: stops before an invalid byte and before the user-defined area.
std::size_t run_end(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (is_single(c)) {
      ++i;
    } else if (sjis::is_lead(c) && !(c >= 0xF0 && c <= 0xF9) && i + 1 < s.size() &&
               is_trail(static_cast<unsigned char>(s[i + 1]))) {
      i += 2;
    } else {
      break;
    }
  }
  return i;
}

bool all_ascii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Decodes s, counting every byte that had to be replaced.
std::u16string decode(std::string_view s, std::size_t* bad_count) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t bad = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t j = run_end(s, i);
    if (j > i) {
      const std::string_view run = s.substr(i, j - i);
      if (all_ascii(run)) {
        for (char ch : run) out += static_cast<char16_t>(ch);
      } else if (!detail::cp932_run_to_utf16(run, out)) {
        // Some pair has no mapping: go character by character. An unmapped
        // pair replaces its lead byte only; its second byte is read afresh,
        // as the start of a character of its own.
        std::size_t k = i;
        while (k < j) {
          const std::size_t len = sjis::is_lead(static_cast<unsigned char>(s[k])) ? 2 : 1;
          if (!detail::cp932_run_to_utf16(s.substr(k, len), out)) {
            out += kReplacement;
            ++bad;
            ++k;
            break;
          }
          k += len;
        }
        i = k;
        continue;
      }
      i = j;
      continue;
    }
    const auto c = static_cast<unsigned char>(s[i]);
    char16_t u;
    if (i + 1 < s.size() && is_trail(static_cast<unsigned char>(s[i + 1])) &&
        user_defined_to_utf16(c, static_cast<unsigned char>(s[i + 1]), u)) {
      out += u;
      i += 2;
    } else {
      out += kReplacement;
      ++bad;
      ++i;
    }
  }
  if (bad_count) *bad_count = bad;
  return out;
}

// True when bytes decode, under the rules above, to exactly text: the test
// that keeps best-fit substitutes (U+00A5 -> 0x5C) and the code points
// Windows gives the stray single bytes (U+0080 -> 0x80) out of the output.
bool round_trips(std::string_view bytes, std::u16string_view text) {
  std::size_t bad = 0;
  return decode(bytes, &bad) == text && bad == 0;
}

// Encodes one character given as a UTF-16 unit sequence, accepting only
// mappings that come back to the same character.
void encode_char(std::u16string_view ch, std::string& out) {
  if (ch.size() == 1 && ch[0] < 0x80) {
    out += static_cast<char>(ch[0]);
    return;
  }
  if (ch.size() == 1 && utf16_to_user_defined(ch[0], out)) return;
  std::string bytes;
  if (detail::utf16_run_to_cp932(ch, bytes) && round_trips(bytes, ch)) {
    out += bytes;
  } else {
    out += '?';
  }
}

bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }


// UTF-8 -> UTF-16; every byte that does not belong to a well-formed
// sequence becomes U+FFFD (which CP932 cannot hold, so it ends up as '?').
std::u16string utf8_to_utf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += c;
      ++i;
      continue;
    }
    std::size_t len = 0;
    char32_t cp = 0, min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2, cp = c & 0x1F, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3, cp = c & 0x0F, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4, cp = c & 0x07, min = 0x10000;
    }
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      ok = (t & 0xC0) == 0x80;
      cp = (cp << 6) | (t & 0x3F);
    }
    ok = ok && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!ok) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

}  // namespace

void append_utf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::u16string cp932_to_utf16(std::string_view s) { return decode(s, nullptr); }

std::string cp932_to_utf8(std::string_view s) {
  if (all_ascii(s)) return std::string(s);
  const std::u16string w = decode(s, nullptr);
  std::string out;
  out.reserve(w.size() * 3);
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t c = w[i];
    if (is_high(w[i]) && i + 1 < w.size() && is_low(w[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    }
    append_utf8(c, out);
  }
  return out;
}

std::string utf16_to_cp932(std::u16string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  std::size_t i = 0;
  while (i < s.size()) {
    // Well-formed runs go to the backend at once; the round trip decides
    // whether the result stands or the run is redone one character at a time.
    std::size_t j = i;
    bool ascii = true;
    while (j < s.size() && !is_high(s[j]) && !is_low(s[j])) {
      ascii = ascii && s[j] < 0x80;
      ++j;
    }
    if (j > i) {
      const std::u16string_view run = s.substr(i, j - i);
      std::string bytes;
      if (ascii) {
        for (char16_t c : run) out += static_cast<char>(c);
      } else if (detail::utf16_run_to_cp932(run, bytes) && round_trips(bytes, run)) {
        out += bytes;
      } else {
        for (std::size_t k = i; k < j; ++k) encode_char(s.substr(k, 1), out);
      }
      i = j;
      continue;
    }
    // A surrogate: a proper pair is one character (CP932 holds none of
    // them); a lone half is a broken text. Either way one '?'.
    if (is_high(s[i]) && i + 1 < s.size() && is_low(s[i + 1])) {
      encode_char(s.substr(i, 2), out);
      i += 2;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

std::string utf8_to_cp932(std::string_view s) {
  if (all_ascii(s)) return std::string(s);
  return utf16_to_cp932(utf8_to_utf16(s));
}

bool is_valid_cp932(std::string_view s) {
  std::size_t bad = 0;
  decode(s, &bad);
  return bad == 0;
}

}  // namespace relvo::enc
