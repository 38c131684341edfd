// The system's sort keys for list box entries, built level by level as the
// system builds them, for the characters CP932 holds; the weights were
// measured from the system's own keys under Wine.
#include "fw/console/list_order.h"

#include <algorithm>
#include <cstdint>

#include "platform/encoding.h"

namespace relvo::fw::console {

namespace {

// Symbols, digits and a few signs: the character, its first-level weight
// and, where it is not the usual 2, its diacritic and width weights.
struct Measured {
  char16_t ch;
  std::uint16_t weight;
  std::uint8_t diacritic = 2, width = 2;
};
constexpr Measured kMeasured[] = {
    {0x0020, 0x0702}, {0x0021, 0x071C}, {0x0022, 0x071D}, {0x0023, 0x071F}, {0x0024, 0x0721}, {0x0025, 0x0723},
    {0x0026, 0x0725}, {0x0028, 0x0727}, {0x0029, 0x072A}, {0x002A, 0x072D}, {0x002B, 0x0803}, {0x002C, 0x072F},
    {0x002E, 0x0733}, {0x002F, 0x0735}, {0x0030, 0x0D03}, {0x0031, 0x0D1A}, {0x0032, 0x0D1C}, {0x0033, 0x0D1E},
    {0x0034, 0x0D20}, {0x0035, 0x0D22}, {0x0036, 0x0D24}, {0x0037, 0x0D26}, {0x0038, 0x0D28}, {0x0039, 0x0D2A},
    {0x003A, 0x0737}, {0x003B, 0x073A}, {0x003C, 0x080E}, {0x003D, 0x0812}, {0x003E, 0x0814}, {0x003F, 0x073C},
    {0x0040, 0x073E}, {0x005B, 0x073F}, {0x005C, 0x0741}, {0x005D, 0x0742}, {0x005E, 0x0743}, {0x005F, 0x0744},
    {0x0060, 0x0748}, {0x007B, 0x074A}, {0x007C, 0x074C}, {0x007D, 0x074E}, {0x007E, 0x0750}, {0x00A7, 0x0A06},
    {0x00A8, 0x0753}, {0x00B0, 0x0A0A}, {0x00B1, 0x0817}, {0x00B4, 0x0755}, {0x00B6, 0x0A0C}, {0x00D7, 0x081C},
    {0x00F7, 0x081D}, {0x2018, 0x0779}, {0x2019, 0x077A}, {0x201C, 0x077D}, {0x201D, 0x077E}, {0x2020, 0x0B25},
    {0x2021, 0x0B26}, {0x2025, 0x0A0F}, {0x2026, 0x0A10}, {0x2030, 0x0B2C, 12, 2}, {0x2032, 0x0781},
    {0x2033, 0x0781, 20, 2}, {0x203B, 0x0B2E}, {0x2103, 0x0E0A, 5, 2}, {0x2116, 0x0E71}, {0x2121, 0x0E9A},
    {0x2160, 0x0DAB, 232, 2}, {0x2161, 0x0DAC, 232, 2}, {0x2162, 0x0DAD, 232, 2}, {0x2163, 0x0DAE, 232, 2},
    {0x2164, 0x0DAF, 232, 2}, {0x2165, 0x0DB0, 232, 2}, {0x2166, 0x0DB1, 232, 2}, {0x2167, 0x0DB2, 232, 2},
    {0x2168, 0x0DB3, 232, 2}, {0x2169, 0x0DB4, 232, 2}, {0x2170, 0x0DAB, 232, 2}, {0x2171, 0x0DAC, 232, 2},
    {0x2172, 0x0DAD, 232, 2}, {0x2173, 0x0DAE, 232, 2}, {0x2174, 0x0DAF, 232, 2}, {0x2175, 0x0DB0, 232, 2},
    {0x2176, 0x0DB1, 232, 2}, {0x2177, 0x0DB2, 232, 2}, {0x2178, 0x0DB3, 232, 2}, {0x2179, 0x0DB4, 232, 2},
    {0x2190, 0x09DF}, {0x2191, 0x09D9, 3, 3}, {0x2192, 0x09DB}, {0x2193, 0x09DD, 3, 3}, {0x21D2, 0x09DB, 17, 2},
    {0x21D4, 0x09E1, 12, 2}, {0x2200, 0x0821}, {0x2202, 0x0823}, {0x2203, 0x0824}, {0x2207, 0x0828},
    {0x2208, 0x0829}, {0x220B, 0x082C}, {0x2211, 0x0832}, {0x221A, 0x0835}, {0x221D, 0x0838},
    {0x221E, 0x0DFF, 127, 2}, {0x221F, 0x0839}, {0x2220, 0x083A}, {0x2225, 0x083F}, {0x2227, 0x0841},
    {0x2228, 0x0842}, {0x2229, 0x0843}, {0x222A, 0x0844}, {0x222B, 0x0845}, {0x222C, 0x0A13, 21, 2},
    {0x222E, 0x0848}, {0x2234, 0x084E}, {0x2235, 0x084F}, {0x223D, 0x0857}, {0x2252, 0x086C},
    {0x2260, 0x0812, 32, 2}, {0x2261, 0x087B}, {0x2266, 0x0880}, {0x2267, 0x0881}, {0x226A, 0x0819, 3, 2},
    {0x226B, 0x081B, 3, 2}, {0x2282, 0x0898}, {0x2283, 0x0899}, {0x2286, 0x089C}, {0x2287, 0x089D},
    {0x22A5, 0x08AE}, {0x22BF, 0x08C6}, {0x2312, 0x0914}, {0x2460, 0x0D1A, 2, 6}, {0x2461, 0x0D1C, 2, 6},
    {0x2462, 0x0D1E, 2, 6}, {0x2463, 0x0D20, 2, 6}, {0x2464, 0x0D22, 2, 6}, {0x2465, 0x0D24, 2, 6},
    {0x2466, 0x0D26, 2, 6}, {0x2467, 0x0D28, 2, 6}, {0x2468, 0x0D2A, 2, 6}, {0x2469, 0x0D2C, 2, 6},
    {0x246A, 0x0D2D, 2, 6}, {0x246B, 0x0D2E, 2, 6}, {0x246C, 0x0D2F, 2, 6}, {0x246D, 0x0D30, 2, 6},
    {0x246E, 0x0D31, 2, 6}, {0x246F, 0x0D32, 2, 6}, {0x2470, 0x0D33, 2, 6}, {0x2471, 0x0D34, 2, 6},
    {0x2472, 0x0D35, 2, 6}, {0x2473, 0x0D36, 2, 6}, {0x2500, 0x09E5, 3, 2}, {0x2501, 0x09E5, 4, 2},
    {0x2502, 0x09E8, 3, 3}, {0x2503, 0x09E8, 4, 2}, {0x250C, 0x09EB, 3, 2}, {0x250F, 0x09EB, 6, 2},
    {0x2510, 0x09EC, 3, 2}, {0x2513, 0x09EC, 6, 2}, {0x2514, 0x09ED, 3, 2}, {0x2517, 0x09ED, 6, 2},
    {0x2518, 0x09EE, 3, 2}, {0x251B, 0x09EE, 6, 2}, {0x251C, 0x09EF, 3, 2}, {0x251D, 0x09EF, 4, 2},
    {0x2520, 0x09EF, 7, 2}, {0x2523, 0x09EF, 10, 2}, {0x2524, 0x09F0, 3, 2}, {0x2525, 0x09F0, 4, 2},
    {0x2528, 0x09F0, 7, 2}, {0x252B, 0x09F0, 10, 2}, {0x252C, 0x09F1, 3, 2}, {0x252F, 0x09F1, 6, 2},
    {0x2530, 0x09F1, 7, 2}, {0x2533, 0x09F1, 10, 2}, {0x2534, 0x09F2, 3, 2}, {0x2537, 0x09F2, 6, 2},
    {0x2538, 0x09F2, 7, 2}, {0x253B, 0x09F2, 10, 2}, {0x253C, 0x09F3, 3, 2}, {0x253F, 0x09F3, 6, 2},
    {0x2542, 0x09F3, 9, 2}, {0x254B, 0x09F3, 18, 2}, {0x25A0, 0x09BC, 3, 3}, {0x25A1, 0x09BC, 4, 2},
    {0x25B2, 0x09C0, 3, 2}, {0x25B3, 0x09C0, 4, 2}, {0x25BC, 0x09C2, 3, 2}, {0x25BD, 0x09C2, 4, 2},
    {0x25C6, 0x09C6, 3, 2}, {0x25C7, 0x09C6, 4, 2}, {0x25CB, 0x09C9, 3, 3}, {0x25CE, 0x09C9, 6, 2},
    {0x25CF, 0x09C9, 7, 2}, {0x25EF, 0x09C1}, {0x2605, 0x0A35}, {0x2606, 0x0A34}, {0x2640, 0x0A63},
    {0x2642, 0x0A65}, {0x266A, 0x0A8D}, {0x266D, 0x0A90}, {0x266F, 0x0A92}, {0x3001, 0x0731, 2, 3},
    {0x3002, 0x0734, 2, 3}, {0x3003, 0x07D9}, {0x3006, 0x07DA}, {0x3007, 0x0D03, 231, 2}, {0x3008, 0x0793},
    {0x3009, 0x0795}, {0x300A, 0x0797}, {0x300B, 0x0799}, {0x300C, 0x079B, 2, 3}, {0x300D, 0x079D, 2, 3},
    {0x300E, 0x079F}, {0x300F, 0x07A1}, {0x3010, 0x07A3}, {0x3011, 0x07A5}, {0x3012, 0x0A28}, {0x3013, 0x0A29},
    {0x3014, 0x07A8}, {0x3015, 0x07AB}, {0x301D, 0x07B3}, {0x301F, 0x07B5}, {0x30FB, 0x0A0E, 2, 3},
    {0xFF61, 0x0734}, {0xFF62, 0x079B}, {0xFF63, 0x079D}, {0xFF64, 0x0731}, {0xFF65, 0x0A0E},
    {0xFFE0, 0x0797, 2, 3}, {0xFFE1, 0x0798, 2, 3}, {0xFFE2, 0x0A08, 2, 3}, {0xFFE3, 0x0754, 2, 3},
    {0xFFE4, 0x0752, 2, 3}, {0xFFE5, 0x079A, 2, 3},};

// The letters a to z (in the class 0x0E).
constexpr std::uint8_t kLetter[26] = {0x02, 0x09, 0x0A, 0x1A, 0x21, 0x23, 0x25, 0x2C, 0x32, 0x35, 0x36, 0x48, 0x51,
                                      0x70, 0x7C, 0x7E, 0x89, 0x8A, 0x91, 0x99, 0x9F, 0xA2, 0xA4, 0xA6, 0xA7, 0xA9};

// Hiragana U+3041 to U+3093 (katakana are the same 0x60 higher): the
// reading (in the class 0x22), the voicing ('1' voiced, '2' semi-voiced)
// and the small forms.
constexpr std::uint8_t kKana[83] = {
    0x02, 0x02, 0x03, 0x03, 0x04, 0x04, 0x05, 0x05, 0x06, 0x06, 0x0A, 0x0A, 0x0B, 0x0B, 0x0C, 0x0C, 0x0D, 0x0D, 0x0E, 0x0E,
    0x12, 0x12, 0x13, 0x13, 0x14, 0x14, 0x15, 0x15, 0x16, 0x16, 0x1A, 0x1A, 0x1B, 0x1B, 0x1C, 0x1C, 0x1C, 0x1D, 0x1D, 0x1E,
    0x1E, 0x22, 0x23, 0x24, 0x25, 0x26, 0x2A, 0x2A, 0x2A, 0x2B, 0x2B, 0x2B, 0x2C, 0x2C, 0x2C, 0x2D, 0x2D, 0x2D, 0x2E, 0x2E,
    0x2E, 0x32, 0x33, 0x34, 0x35, 0x36, 0x3A, 0x3A, 0x3C, 0x3C, 0x3E, 0x3E, 0x42, 0x43, 0x44, 0x45, 0x46, 0x4A, 0x4A, 0x4B,
    0x4D, 0x4E, 0x80,
};
constexpr char kKanaVoice[] = "00000000000101010101010101010101010010101000000120120120120120000000000000000000000";
constexpr char kKanaSmall[] = "10101010100000000000000000000000001000000000000000000000000000000010101000000100000";

// Half-width katakana U+FF66 to U+FF9D as their full-width forms.
constexpr char16_t kHalfWidth[] = u"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";

constexpr char16_t kProlonged = u'ー';

// A character as the key counts it.
struct Char {
  std::string primary;  // its first-level weight (2 bytes, 4 for those ordered by code); empty: none
  std::uint8_t diacritic = 2, width = 2;
  bool kana = false, small = false, katakana = false, half = false, prolonged = false;
};

std::string Weight16(std::uint16_t w) { return {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF)}; }

// Kana: index into kKana, or -1.
int KanaIndex(char16_t c, bool& katakana, std::uint8_t& voice, bool& small) {
  voice = 0;
  small = false;
  if (c >= 0x30A1 && c <= 0x30F3) {
    katakana = true;
    c = static_cast<char16_t>(c - 0x60);
  } else if (c >= 0x30F4 && c <= 0x30F6) {
    // ヴ, ヵ, ヶ: voiced う, small か and け.
    katakana = true;
    if (c == 0x30F4) voice = 1;
    else small = true;
    c = c == 0x30F4 ? u'う' : c == 0x30F5 ? u'か' : u'け';
  } else {
    katakana = false;
  }
  if (c < 0x3041 || c > 0x3093) return -1;
  const int i = c - 0x3041;
  voice = static_cast<std::uint8_t>(voice + (kKanaVoice[i] - '0'));
  small = small || kKanaSmall[i] == '1';
  return i;
}

// What c weighs. prev is the character before it (for the marks that
// repeat it), nullptr at the start.
Char Classify(char16_t c, const Char* prev) {
  Char out;
  // Full-width forms of ASCII, and the ideographic space: their twins, wide.
  if (c >= 0xFF01 && c <= 0xFF5E) {
    out = Classify(static_cast<char16_t>(c - 0xFEE0), prev);
    out.width = 3;
    return out;
  }
  if (c == 0x3000) {
    out = Classify(u' ', prev);
    out.width = 3;
    return out;
  }
  const auto m = std::lower_bound(std::begin(kMeasured), std::end(kMeasured), c,
                                  [](const Measured& e, char16_t v) { return e.ch < v; });
  if (m != std::end(kMeasured) && m->ch == c) {
    out.primary = Weight16(m->weight);
    out.diacritic = m->diacritic;
    out.width = m->width;
    return out;
  }
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) {
    out.primary = Weight16(static_cast<std::uint16_t>(0x0E00 | kLetter[(c | 0x20) - 'a']));
    return out;
  }
  // Greek and Cyrillic by their capitals; Ё beside Е, Й beside И.
  if ((c >= 0x0391 && c <= 0x03A9) || (c >= 0x03B1 && c <= 0x03C9)) {
    const char16_t upper = c >= 0x03B1 ? static_cast<char16_t>(c - 0x20) : c;
    out.primary = Weight16(static_cast<std::uint16_t>(0x0F00 + (upper - 0x0390) * 2));
    return out;
  }
  if (c == 0x0401 || c == 0x0451 || (c >= 0x0410 && c <= 0x044F)) {
    char16_t upper = c >= 0x0430 && c <= 0x044F ? static_cast<char16_t>(c - 0x20) : c == 0x0451 ? u'Ё' : c;
    if (upper == u'Ё') {
      upper = u'Е';
      out.diacritic = 0x13;
    } else if (upper == u'Й') {
      upper = u'И';
      out.diacritic = 0x15;
    }
    out.primary = Weight16(static_cast<std::uint16_t>(0x1000 + (upper - 0x040F) * 2));
    return out;
  }
  // Half-width katakana as the full-width ones, marked half.
  bool half = false;
  if (c >= 0xFF66 && c <= 0xFF9D) {
    c = kHalfWidth[c - 0xFF66];
    half = true;
  }
  if (c == kProlonged) {
    // The prolonged sound mark: the vowel of the kana before it, else a
    // repetition of the character before it.
    if (prev && prev->kana) {
      const int offset = (static_cast<unsigned char>(prev->primary[1]) - 0x02) % 8;
      out = *prev;
      if (offset <= 4) out.primary = Weight16(static_cast<std::uint16_t>(0x2202 + offset));
      out.diacritic = 2;
      out.small = false;
      out.prolonged = true;
      out.half = half;
      return out;
    }
    if (prev) out.primary = prev->primary;
    return out;
  }
  // Iteration marks repeat the character before them.
  if (c == u'ヽ' || c == u'ヾ' || c == u'ゝ' || c == u'ゞ' || c == u'々') {
    if (prev) out.primary = prev->primary;
    return out;
  }
  std::uint8_t voice = 0;
  bool small = false, katakana = false;
  const int kana = KanaIndex(c, katakana, voice, small);
  if (kana >= 0) {
    out.primary = Weight16(static_cast<std::uint16_t>(0x2200 | kKana[kana]));
    out.diacritic = static_cast<std::uint8_t>(2 + voice);
    out.kana = true;
    out.small = small;
    out.katakana = katakana;
    out.half = half;
    return out;
  }
  // Kanji and everything else: by code.
  out.primary = std::string("\xFD\xFF") + Weight16(c);
  return out;
}

// Hyphens and apostrophes count last, by where they stand: their weight, or
// 0 for other characters.
std::uint8_t Ignorable(char16_t c, bool& wide) {
  wide = c >= 0xFF00;
  switch (c) {
    case u'\'': case 0xFF07: return 0x80;
    case u'-': case 0xFF0D: return 0x82;
    case 0x2010: return 0x84;
    case 0x2015: return 0x92;
  }
  return 0;
}

// A level's weights without the trailing ones of the usual value.
std::string Trimmed(std::string level, char usual) {
  while (!level.empty() && level.back() == usual) level.pop_back();
  return level;
}

}  // namespace

std::string ListSortKey(std::string_view cp932) {
  const std::u16string s = enc::cp932_to_utf16(cp932);
  std::string primary, diacritics, widths, special;
  std::string small, prolonged, katakana, half;  // the kana's own levels
  bool anyKana = false;
  Char prev;
  bool hasPrev = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    bool wide = false;
    if (const std::uint8_t w = Ignorable(c, wide)) {
      special += Weight16(static_cast<std::uint16_t>(0xFFFF - i));
      special += static_cast<char>(w);
      special += static_cast<char>(wide ? 0x13 : 0x12);
      continue;
    }
    // Voicing marks add to the character before them.
    if (c == 0xFF9E || c == 0xFF9F || c == 0x309B || c == 0x309C) {
      if (!diacritics.empty()) diacritics.back() = static_cast<char>(diacritics.back() + (c == 0xFF9E || c == 0x309B ? 3 : 4));
      continue;
    }
    const Char ch = Classify(c, hasPrev ? &prev : nullptr);
    if (ch.primary.empty()) continue;
    primary += ch.primary;
    diacritics += static_cast<char>(ch.diacritic);
    widths += static_cast<char>(ch.width);
    if (ch.kana) {
      anyKana = true;
      small += static_cast<char>(ch.small ? 0xC4 : 0xC6);
      prolonged += static_cast<char>(ch.prolonged ? 0x05 : 0x03);
      katakana += static_cast<char>(ch.katakana ? 0xC4 : 0xE4);
      half += static_cast<char>(ch.half ? 0xC4 : 0xC5);
    }
    prev = ch;
    hasPrev = true;
  }
  std::string key = primary + '\x01' + Trimmed(diacritics, 2) + '\x01' + Trimmed(widths, 2) + '\x01';
  if (anyKana)
    key += Trimmed(small, '\xC6') + '\xFF' + Trimmed(prolonged, 3) + '\x02' + Trimmed(katakana, '\xE4') + '\xFF' +
           Trimmed(half, '\xC5') + '\xFF';
  return key + '\x01' + special + '\0';
}

std::size_t ListInsertPosition(const std::vector<std::string>& entries, const std::string& text) {
  const std::string key = ListSortKey(text);
  std::ptrdiff_t min = 0, max = static_cast<std::ptrdiff_t>(entries.size()) - 1;
  while (min <= max) {
    const std::ptrdiff_t mid = (min + max) / 2;
    const int r = ListSortKey(entries[static_cast<std::size_t>(mid)]).compare(key);
    if (r == 0) return static_cast<std::size_t>(mid);
    if (r > 0) max = mid - 1;
    else min = mid + 1;
  }
  return static_cast<std::size_t>(min);
}

}  // namespace relvo::fw::console
