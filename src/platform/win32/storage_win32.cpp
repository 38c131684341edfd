// The program's own store on Windows: positioned reads, flushed folder
// handles, GetDiskFreeSpaceExW and the local application data folder.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>

#include "platform/storage.h"
#include "platform/win32/handle.h"

namespace relvo::storage {
namespace {

using win32::FileHandle;
using win32::narrow;
using win32::widen;

// FOLDERID_LocalAppData, spelled out so that no GUID library is needed.
const GUID kLocalAppData = {0xf1b32785, 0x6fba, 0x4fcf, {0x9d, 0x55, 0x7b, 0x8e, 0x7f, 0x15, 0x70, 0x91}};

std::wstring local_app_data() {
  PWSTR path = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(kLocalAppData, 0, nullptr, &path)) && path) out = path;
  CoTaskMemFree(path);
  if (out.empty()) {
    if (const wchar_t* v = _wgetenv(L"LOCALAPPDATA")) out = v;
  }
  return out;
}

}  // namespace

std::unique_ptr<FileReader> open_read_at(const std::string& path, std::uint64_t offset) {
  FileHandle h(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(h.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return nullptr;
  const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (offset > size || !SetFilePointerEx(h.get(), to, nullptr, FILE_BEGIN)) return nullptr;
  return std::make_unique<win32::HandleReader>(h.release(), path);
}

bool sync_folder(const std::string& folder) {
  // A folder's handle can be flushed only when it is opened for writing;
  // where that is refused, NTFS's own journal keeps its entries.
  FileHandle h(CreateFileW(widen(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return GetFileAttributesW(widen(folder).c_str()) != INVALID_FILE_ATTRIBUTES;
  FlushFileBuffers(h.get());
  return true;
}

bool free_bytes(const std::string& path, std::uint64_t& bytes) {
  std::wstring w = widen(path);
  ULARGE_INTEGER avail;
  // The folder need not exist yet: the nearest one above it that does
  // tells the volume.
  while (!GetDiskFreeSpaceExW(w.c_str(), &avail, nullptr, nullptr)) {
    while (!w.empty() && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
    const std::size_t sep = w.find_last_of(L"\\/");
    if (sep == std::wstring::npos) return false;
    w.erase(sep + 1);
  }
  bytes = avail.QuadPart;
  return true;
}

std::string user_state_folder() {
  std::wstring base = local_app_data();
  if (base.empty()) return {};
  if (base.back() != L'\\') base += L'\\';
  return narrow(base + L"Relvo\\");
}

}  // namespace relvo::storage
