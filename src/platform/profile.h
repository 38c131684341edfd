// Settings (INI) files, read and written exactly as the Windows profile API
// does it, in one portable implementation used on every platform.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace relvo::profile {

// GetPrivateProfileString: the value of key in section of the file at path,
// or def when the file, section or key is missing. Names are matched without
// ASCII case; blanks around names and values are trimmed; a value wholly in
// matching quotes comes back without them; the first matching section and
// key win. max is the caller's buffer size in bytes (as the API takes it):
// the result is cut to at most max - 1 bytes, never inside a double-byte
// character; max 0 means no limit.
std::string read_string(FileSystem& fs, const std::string& path, const std::string& section,
                        const std::string& key, const std::string& def, std::size_t max = 0);

// A folder that a settings file names, read whole as read_string does. A
// relative folder (no drive letter, not starting with '\' or '/') counts
// from the folder that holds the settings file, as the product resolves its
// own relative settings, and never from whatever the current folder is. A
// drive-relative text ("C:master") names its drive and is taken as written.
// Empty when the key is missing or empty.
std::string read_folder(FileSystem& fs, const std::string& path, const std::string& section,
                        const std::string& key);

// WritePrivateProfileString: sets key in section to value, creating the
// file, section or key when missing; every other byte of the file stays as
// it was. Written atomically (beside the file, then renamed over it, keeping
// its mode); where the folder takes no new file but the file itself may be
// written, rewritten in place from the copy read whole, as the API does.
// False when the file could not be read or written, when it is read-only, or
// when the names or the value cannot be written safely (see Edit::Refused);
// the file is then untouched.
bool write_string(FileSystem& fs, const std::string& path, const std::string& section,
                  const std::string& key, const std::string& value);

// The two operations on a settings file's bytes already in memory; the file
// functions above are these plus the file I/O.
std::string read_from_text(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view def, std::size_t max = 0);

enum class Edit {
  Changed,    // text now holds the new value
  Unchanged,  // the key already holds exactly this value; text untouched
  Refused,    // empty section or key, a line break or NUL in a name or the
              // value, '=' in the key, a key starting with '[', a name ending
              // in half a double-byte character (each would add or break
              // other lines); text untouched
};
Edit edit_text(std::string& text, std::string_view section, std::string_view key, std::string_view value);

}  // namespace relvo::profile
