// The registry as the system reads it: keys below HKEY_LOCAL_MACHINE, read
// only. Backends: win32 (the real registry) and posix (a registry file:
// RELVO_REGISTRY, else system.reg of the Wine prefix; formats in
// registry_file.h).
#pragma once
#include <optional>
#include <string>

namespace relvo {

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens keyPath (CP932, '\'-separated, below HKEY_LOCAL_MACHINE) for
  // reading and reads its value valueName. The key is looked up in the
  // 32-bit view first (where a 32-bit installer records it), then in the
  // 64-bit view; the first that opens is the one read. False when the key
  // does not exist or cannot be opened in either. Otherwise true, and value
  // receives the value's text when it is a string value (REG_SZ or
  // REG_EXPAND_SZ, not expanded) that was read whole, up to its first NUL,
  // else nullopt (missing, of another type, unreadable). Names compare
  // without ASCII case.
  virtual bool read_value(const std::string& keyPath, const std::string& valueName,
                          std::optional<std::string>& value) = 0;
};

// The registry of the platform this program was built for.
Registry& native_registry();

}  // namespace relvo
