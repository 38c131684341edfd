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
  // receives what the system's ANSI query puts into a character buffer
  // whose type is not looked at, read whole and up to its first NUL: a
  // string value (REG_SZ, REG_EXPAND_SZ not expanded, REG_MULTI_SZ: its
  // first string) as CP932, any other type its stored bytes; nullopt when
  // the value is missing or cannot be read. Key and value names compare
  // without regard to case as the registry compares them.
  virtual bool read_value(const std::string& keyPath, const std::string& valueName,
                          std::optional<std::string>& value) = 0;
};

// The registry of the platform this program was built for.
Registry& native_registry();

}  // namespace relvo
