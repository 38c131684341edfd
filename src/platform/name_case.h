// Names compared without regard to case as the system's registry compares
// them: Unicode letters, full-width ones among them, not ASCII alone.
#pragma once
#include <string>
#include <string_view>

namespace relvo {

// utf8 with each character replaced by the one that stands for its case
// class (the lowest code point of the characters the registry takes as the
// same): two names are the same key name when their folds are equal.
// Bytes that are not UTF-8 stay as they are.
std::string fold_name_case(std::string_view utf8);

}  // namespace relvo
