// Fuzzes the registry file reader on arbitrary file bytes and look-ups,
// checking that its answers agree with one another.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "platform/registry_file.h"

using relvo::fuzz::take;

// Input: key \x00 value-name \x00 file-bytes... (missing parts are empty).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::string key(take(in)), name(take(in));
  const relvo::regfile::RegistryFile file(in);

  const std::optional<std::string> direct = file.string_value(key, name);
  if (direct && direct->find('\0') != std::string::npos) std::abort();
  if (direct && !file.has_key(key)) std::abort();
  // Read as a buffer that ignores the type: a string value reads the same.
  const std::optional<std::string> text = file.value_as_text(key, name);
  if (text && text->find('\0') != std::string::npos) std::abort();
  if (direct && text != direct) std::abort();
  if (text && !file.has_key(key)) std::abort();

  // The two views: the 32-bit one first, then the key as written.
  std::optional<std::string> value = "stale";
  const bool found = relvo::regfile::read_value(file, key, name, value);
  if (!found && value) std::abort();
  if (file.has_key(key) && !found) std::abort();
  if (found && !file.has_key(key) && !file.has_key("SOFTWARE\\Wow6432Node\\" + key.substr(key.find('\\') + 1)))
    std::abort();

  // The same bytes read again answer the same.
  const relvo::regfile::RegistryFile again(in);
  if (again.format() != file.format() || again.string_value(key, name) != direct) std::abort();
  return 0;
}
