// What a store of the program's own (the restore points) asks of the machine
// beyond the file layer: reading from an offset, durable folder entries,
// free space, and the per-user folder for such state. One backend per OS.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

namespace relvo::storage {

// Opens an existing plain file for reading from byte offset on, as
// FileSystem::open_read does (same path texts, same refusals). nullptr when
// it cannot be opened or the offset lies beyond its end.
std::unique_ptr<FileReader> open_read_at(const std::string& path, std::uint64_t offset);

// Makes the entries of folder (names created, renamed or removed in it)
// durable: fsync of the folder on POSIX, FlushFileBuffers on its handle on
// Windows. False when the folder cannot be opened; a file system that does
// not sync folders is taken at its word.
bool sync_folder(const std::string& folder);

// The bytes this user may still write on the volume that holds path, or
// the nearest folder above it that exists. False when that cannot be told.
bool free_bytes(const std::string& path, std::uint64_t& bytes);

// The folder where this program keeps its state for the user, ending with a
// separator, as a path text the file layer takes (it need not exist yet):
// on Windows the user's local application data folder + "Relvo\"
// (FOLDERID_LocalAppData, else %LOCALAPPDATA%); on POSIX $XDG_STATE_HOME +
// "/relvo/" when that is an absolute path, else ~/.local/state/relvo/.
// Empty when no such folder can be named.
std::string user_state_folder();

}  // namespace relvo::storage
