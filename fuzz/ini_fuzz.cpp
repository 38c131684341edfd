// Fuzzes the settings-file reader and editor on arbitrary file bytes, names
// and values, checking that what is written reads back and stays put.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "platform/profile.h"

using relvo::fuzz::take;
using relvo::profile::Edit;

// Input: section \x00 key \x00 value \x00 max-byte file-bytes... (missing
// parts are empty). NULs cannot reach the names this way, the file keeps them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string_view section = take(in), key = take(in), value = take(in);
  std::size_t max = 0;
  if (!in.empty()) {
    max = static_cast<unsigned char>(in[0]);
    in.remove_prefix(1);
  }
  const std::string original(in);

  const std::string got = relvo::profile::read_from_text(original, section, key, "def", max);
  if (max > 0 && got.size() >= max) std::abort();

  std::string text = original;
  const Edit e = relvo::profile::edit_text(text, section, key, value);
  if (e != Edit::Changed && text != original) std::abort();
  if (e == Edit::Refused) return 0;

  // The key now reads as a line "key=value" alone would read.
  // Leading blanks (line ends among them) are dropped from a value first.
  const std::size_t lead = value.find_first_not_of(" \t\n\v\f\r\x1a");
  const std::string_view v = lead == std::string_view::npos ? std::string_view() : value.substr(lead);
  const std::string alone = "[x]\r\nk=" + std::string(v) + "\r\n";
  const std::string want = relvo::profile::read_from_text(alone, "x", "k", "", 0);
  if (relvo::profile::read_from_text(text, section, key, "\x01", 0) != want) std::abort();

  // The change is one contiguous piece: all of the original that lies
  // outside it is still there, in front of and behind it.
  std::size_t front = 0;
  while (front < original.size() && front < text.size() && original[front] == text[front]) ++front;
  std::size_t back = 0;
  while (back < original.size() - front && back < text.size() - front &&
         original[original.size() - 1 - back] == text[text.size() - 1 - back])
    ++back;
  const std::string_view removed(original.data() + front, original.size() - front - back);
  if (removed.find_first_of("\r\n") != std::string_view::npos) std::abort();  // at most one line's text

  // Writing the same again changes nothing more.
  std::string again = text;
  relvo::profile::edit_text(again, section, key, value);
  if (again != text) std::abort();
  return 0;
}
