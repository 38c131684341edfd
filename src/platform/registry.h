// The registry as the system reads it: keys below HKEY_LOCAL_MACHINE, read
// only. Backends: win32 (the real registry) and posix (a registry file).
#pragma once
#include <optional>
#include <string>

namespace relvo {

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens keyPath (CP932, '\'-separated, below HKEY_LOCAL_MACHINE) for
  // reading and reads its value valueName. False when the key does not exist
  // or cannot be opened. Otherwise true, and value receives the value's text
  // when it is a string value (REG_SZ or REG_EXPAND_SZ, not expanded) that
  // was read whole, else nullopt (missing, of another type, unreadable).
  virtual bool read_value(const std::string& keyPath, const std::string& valueName,
                          std::optional<std::string>& value) = 0;
};

// The registry of the platform this program was built for.
Registry& native_registry();

}  // namespace relvo
