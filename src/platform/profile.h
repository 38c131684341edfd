// Settings (INI) files, read and written exactly as the Windows profile API
// does it, in one portable implementation used on every platform.
#pragma once
#include <cstddef>
#include <string>

#include "platform/files.h"

namespace relvo::profile {

// GetPrivateProfileString: the value of key in section of the file at path,
// or def when the file, section or key is missing. Names are matched without
// ASCII case; blanks around names and values are trimmed; a value wholly in
// matching quotes comes back without them; the first matching section and
// key win. max is the caller's buffer size in bytes (as the API takes it):
// the result is cut to at most max - 1 bytes; max 0 means no limit.
std::string read_string(FileSystem& fs, const std::string& path, const std::string& section,
                        const std::string& key, const std::string& def, std::size_t max = 0);

// WritePrivateProfileString: sets key in section to value, creating the
// file, section or key when missing; every other byte of the file stays as
// it was. Written atomically (beside the file, then renamed over it, keeping
// its mode). False when the file could not be read or written.
bool write_string(FileSystem& fs, const std::string& path, const std::string& section,
                  const std::string& key, const std::string& value);

}  // namespace relvo::profile
