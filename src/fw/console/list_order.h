// The order of the console's sorted list boxes: the system's own, as a
// sorted list box of the system orders its entries, measured under Wine.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace relvo::fw::console {

// The sort key of a CP932 text under the system's comparison of texts
// without regard to case (the one a sorted list box uses): two texts
// compare as their keys do, byte by byte. Letters go by the alphabet,
// full-width letters and digits beside their ASCII twins, kana by their
// reading with small, katakana and half-width forms after the plain ones,
// kanji by code; hyphens and apostrophes count only when all else is equal.
std::string ListSortKey(std::string_view cp932);

// Where a sorted list box puts text among entries (sorted already): the
// system's binary search, which puts a text before an entry equal to it
// that the search meets.
std::size_t ListInsertPosition(const std::vector<std::string>& entries, const std::string& text);

}  // namespace relvo::fw::console
