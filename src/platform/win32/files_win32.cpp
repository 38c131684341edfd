// The file layer on Windows: the W calls on UTF-16 names converted from
// CP932 with code page 932, every handle in an owner from handle.h.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/sjis.h"
#include "platform/files.h"
#include "platform/win32/handle.h"

namespace relvo {
namespace {

using win32::FileHandle;
using win32::FindHandle;
using win32::narrow;
using win32::widen;

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;
constexpr DWORD kStatusBits =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
    FILE_ATTRIBUTE_ARCHIVE;

DWORD attributes(const std::wstring& w) { return GetFileAttributesW(w.c_str()); }
bool is_folder(DWORD a) { return a != kNoAttributes && (a & FILE_ATTRIBUTE_DIRECTORY); }
bool is_read_only(DWORD a) { return a != kNoAttributes && (a & FILE_ATTRIBUTE_READONLY); }

// Seconds since 1970 <-> FILETIME (100 ns units since 1601).
constexpr std::int64_t kEpochDelta = 116444736000000000LL;
std::int64_t to_seconds(const FILETIME& ft) {
  const std::int64_t t = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return t == 0 ? 0 : (t - kEpochDelta) / 10000000;
}
FILETIME to_filetime(std::int64_t seconds) {
  const std::uint64_t t = static_cast<std::uint64_t>(seconds * 10000000 + kEpochDelta);
  return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

// The full path as written (GetFullPathName does not look at the disk).
std::wstring full_path(const std::wstring& w) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return w;
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n + 1);
  }
}

// The path of what a handle has open, links resolved; empty on failure.
std::wstring final_path(HANDLE h) {
  std::wstring out(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
    if (n == 0) return {};
    if (n < out.size()) {
      out.resize(n);
      return out;
    }
    out.resize(n + 1);
  }
}

// True when w names an entry of its own folder, not a link to something
// elsewhere. Opened as a link itself (FILE_FLAG_OPEN_REPARSE_POINT), a
// Windows link is its own entry and deleting it deletes the link. Under Wine
// a host symbolic link to a file looks like that file, and deleting it by
// name deletes the file it points to; the final path of what the name opens
// then lies elsewhere than in the folder.
bool is_own_entry(const std::wstring& w) {
  const std::wstring full = full_path(w);
  const std::size_t sep = full.find_last_of(L"\\/");
  if (sep == std::wstring::npos || sep + 1 == full.size()) return false;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  FileHandle entry(CreateFileW(full.c_str(), 0, share, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FileHandle folder(CreateFileW(full.substr(0, sep + 1).c_str(), 0, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!entry.valid() || !folder.valid()) return false;
  const std::wstring got = final_path(entry.get());
  std::wstring want = final_path(folder.get());
  if (got.empty() || want.empty()) return false;
  if (want.back() != L'\\') want += L'\\';
  // The name as the disk spells it: a short name ("FILE~1.TXT") names the
  // entry itself too.
  std::wstring name = full.substr(sep + 1);
  std::wstring longer(full.size() + MAX_PATH, L'\0');
  const DWORD n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
  if (n > 0 && n < longer.size()) {
    longer.resize(n);
    const std::size_t at = longer.find_last_of(L"\\/");
    if (at != std::wstring::npos && at + 1 < longer.size()) name = longer.substr(at + 1);
  }
  want += name;
  return CompareStringOrdinal(got.c_str(), static_cast<int>(got.size()), want.c_str(), static_cast<int>(want.size()),
                              TRUE) == CSTR_EQUAL;
}

// True when w is a symbolic link or junction (a reparse point), or, under
// Wine, a host link that shows what it points to: something a change must
// not go through. a: w's attributes.
bool is_link(std::wstring w, DWORD a) {
  if (a == kNoAttributes) return false;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  while (w.size() > 1 && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
  const bool root = w.size() <= 1 || (w.size() == 2 && w[1] == L':');
  return !root && !is_own_entry(w);
}

// Whether a file about to be replaced by a rename or a copy stops it: a
// folder or a read-only file does, as MoveFileEx and CopyFile refuse them. A
// link is replaced itself, so what it points to does not count, except that
// a link to a folder is refused as the folder is.
bool refuses_replacing(const std::wstring& w) {
  const DWORD a = attributes(w);
  if (a == kNoAttributes) return false;
  if (is_link(w, a)) return is_folder(a);
  return is_folder(a) || is_read_only(a);
}

// Removes a file whatever its attributes (our own temporary files only).
void discard(const std::wstring& w) {
  SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(w.c_str());
}

// Clears the name of a temporary file about to be created: a file of that
// name goes (a read-only one only when evenReadOnly), and a symbolic link or
// junction goes itself, never what it points to. A folder stays. False when
// the name is still taken.
bool clear_temp_name(const std::wstring& w, bool evenReadOnly) {
  const DWORD a = attributes(w);
  if (a == kNoAttributes) return true;  // (a dangling host link under Wine: CREATE_NEW refuses it)
  if (!is_own_entry(w)) return false;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT)
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(w.c_str()) != 0 : DeleteFileW(w.c_str()) != 0;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (a & FILE_ATTRIBUTE_READONLY) {
    if (!evenReadOnly || !SetFileAttributesW(w.c_str(), a & ~FILE_ATTRIBUTE_READONLY)) return false;
  }
  return DeleteFileW(w.c_str()) != 0;
}

// Creates a temporary file as a new one, with no sharing: CREATE_NEW fails
// on any name that exists, and FILE_FLAG_OPEN_REPARSE_POINT keeps a link at
// the last component from being followed should one appear meanwhile.
HANDLE create_new(const std::wstring& w) {
  return CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// A plain file on a disk: not a device, pipe or console (each of which can
// be opened by name), nor a folder.
bool is_plain(HANDLE h, BY_HANDLE_FILE_INFORMATION* info = nullptr) {
  BY_HANDLE_FILE_INFORMATION i;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &i)) return false;
  if (info) *info = i;
  return (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Win32Writer final : public FileWriter {
 public:
  Win32Writer(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  void write(const void* buf, std::size_t n) override {
    if (!h_.valid()) throw FileError(FileError::Op::Write, path_, ERROR_INVALID_HANDLE);
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
      DWORD done = 0;
      if (!WriteFile(h_.get(), p, want, &done, nullptr) || done == 0)
        throw FileError(FileError::Op::Write, path_, static_cast<int>(done ? GetLastError() : ERROR_DISK_FULL));
      p += done;
      n -= done;
    }
  }
  void flush() override {
    if (!h_.valid()) throw FileError(FileError::Op::Flush, path_, ERROR_INVALID_HANDLE);
    if (!FlushFileBuffers(h_.get())) throw FileError(FileError::Op::Flush, path_, static_cast<int>(GetLastError()));
  }
  void close() override {
    if (const DWORD e = h_.close()) throw FileError(FileError::Op::Close, path_, static_cast<int>(e));
  }

 private:
  FileHandle h_;
  std::string path_;
};

class Win32FileSystem final : public FileSystem {
 public:
  bool exists(const std::string& path) override { return attributes(widen(path)) != kNoAttributes; }

  bool make_dir(const std::string& path) override { return CreateDirectoryW(widen(path).c_str(), nullptr) != 0; }

  // GetFileAttributesW reports the entry itself: a symbolic link or a
  // junction carries FILE_ATTRIBUTE_REPARSE_POINT. Trailing separators go,
  // so that it is the entry that is asked about (a drive root keeps its).
  bool is_plain_folder(const std::string& path) override {
    std::wstring w = widen(path);
    auto root = [&] { return w.size() == 1 || (w.size() == 3 && w[1] == L':'); };
    while (!w.empty() && (w.back() == L'\\' || w.back() == L'/') && !root()) w.pop_back();
    const DWORD a = attributes(w);
    return is_folder(a) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
  }

  bool copy_file(const std::string& from, const std::string& to) override {
    const std::wstring wf = widen(from), wt = widen(to), temp = widen(sibling_temp_name(to));
    if (refuses_replacing(wt)) return false;
    // The source stays open, unshared for deleting, until the copy is in
    // place: a file copied onto itself then fails at the rename, as CopyFile
    // fails on it.
    FileHandle in(CreateFileW(wf.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION src;
    if (!in.valid() || !is_plain(in.get(), &src)) return false;
    // Copied by hand, not by CopyFile, which writes through a link that
    // stands at the temporary name.
    if (!clear_temp_name(temp, true)) return false;  // our own leftover from a run that died
    FileHandle out(create_new(temp));
    if (!out.valid()) return false;
    bool ok = true;
    std::vector<char> buf(64 * 1024);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(in.get(), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) ok = false;
      if (!ok || got == 0) break;
      for (DWORD done = 0; ok && done < got;) {
        DWORD put = 0;
        ok = WriteFile(out.get(), buf.data() + done, got - done, &put, nullptr) && put > 0;
        done += put;
      }
    }
    // The copy gets the source's last-write time and attributes, as CopyFile
    // gives them, set through the handle so that they reach this file only.
    FILE_BASIC_INFO basic{};
    basic.LastWriteTime.LowPart = src.ftLastWriteTime.dwLowDateTime;
    basic.LastWriteTime.HighPart = static_cast<LONG>(src.ftLastWriteTime.dwHighDateTime);
    const DWORD keep = src.dwFileAttributes &
                       (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    basic.FileAttributes = keep ? keep : FILE_ATTRIBUTE_NORMAL;
    ok = ok && FlushFileBuffers(out.get()) &&
         SetFileInformationByHandle(out.get(), FileBasicInfo, &basic, sizeof basic);
    ok = out.close() == 0 && ok;
    ok = ok && MoveFileExW(temp.c_str(), wt.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) discard(temp);
    return ok;
  }

  bool get_status(const std::string& path, FileStatus& st) override {
    const std::wstring w = widen(path);
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &d)) return false;
    st = FileStatus{};
    st.ctime = to_seconds(d.ftCreationTime);
    st.mtime = to_seconds(d.ftLastWriteTime);
    st.atime = to_seconds(d.ftLastAccessTime);
    st.size = (static_cast<std::uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    st.attribute = static_cast<std::uint8_t>(d.dwFileAttributes & kStatusBits);
    st.fullName = full_name(w);
    return true;
  }

  bool set_status(const std::string& path, const FileStatus& st) override {
    const std::wstring w = widen(path);
    const DWORD a = attributes(w);
    if (a == kNoAttributes || is_link(w, a)) return false;
    // Times first, on a file that is writable for the moment; then the
    // attributes asked for.
    if ((a & FILE_ATTRIBUTE_READONLY) && !SetFileAttributesW(w.c_str(), a & ~FILE_ATTRIBUTE_READONLY)) return false;
    bool ok = true;
    if (st.ctime || st.mtime || st.atime) {
      FileHandle h(CreateFileW(w.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      const FILETIME c = to_filetime(st.ctime), m = to_filetime(st.mtime), t = to_filetime(st.atime);
      ok = h.valid() && SetFileTime(h.get(), st.ctime ? &c : nullptr, st.atime ? &t : nullptr, st.mtime ? &m : nullptr);
    }
    DWORD want = st.attribute & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE);
    if (is_folder(a)) want |= FILE_ATTRIBUTE_DIRECTORY;
    if (want == 0) want = FILE_ATTRIBUTE_NORMAL;
    if (!ok) want = a;  // leave the file as it was found
    return SetFileAttributesW(w.c_str(), want) && ok;
  }

  bool remove(const std::string& path) override {
    const std::wstring w = widen(path);
    if (is_read_only(attributes(w))) return false;
    return DeleteFileW(w.c_str()) != 0;
  }

  bool remove_folder(const std::string& path) override {
    std::wstring w = widen(path);
    while (w.size() > 1 && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
    const DWORD a = attributes(w);
    // A junction or a link to a folder is not what is meant; RemoveDirectory
    // would remove the link itself.
    if (!is_folder(a) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return RemoveDirectoryW(w.c_str()) != 0;
  }

  bool rename(const std::string& from, const std::string& to) override {
    const std::wstring wf = widen(from), wt = widen(to);
    const DWORD ta = attributes(wt);
    // MoveFileEx refuses these itself; checked here too, so that the rule
    // holds under Wine run as root, and that a link is judged as itself.
    if (ta != kNoAttributes && (is_link(wt, ta) ? is_folder(ta) : is_read_only(ta))) return false;
    if (ta != kNoAttributes) {
      // The same name in another case: a change of spelling. Not every file
      // system takes that in one step, so go by a temporary name.
      const std::string a = full_name(wf), b = full_name(wt);
      if (sjis::iequals(a, b)) {
        const std::string given = narrow(full_path(wt));
        if (a == given) return true;
        const std::wstring temp = widen(sibling_temp_name(to));
        if (!MoveFileExW(wf.c_str(), temp.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
        if (MoveFileExW(temp.c_str(), wt.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
        MoveFileExW(temp.c_str(), wf.c_str(), MOVEFILE_WRITE_THROUGH);
        return false;
      }
    }
    return MoveFileExW(wf.c_str(), wt.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  std::vector<FoundEntry> find(const std::string& pattern) override {
    std::vector<FoundEntry> out;
    WIN32_FIND_DATAW fd;
    FindHandle h(FindFirstFileW(widen(pattern).c_str(), &fd));
    if (!h.valid()) return out;
    do {
      const std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      out.push_back(FoundEntry{narrow(n), (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(h.get(), &fd));
    // NTFS lists in this order already; FAT and Wine's hosts do not.
    std::sort(out.begin(), out.end(), [](const FoundEntry& a, const FoundEntry& b) {
      const int c = sjis::icompare(a.name, b.name);
      return c != 0 ? c < 0 : a.name < b.name;
    });
    return out;
  }

  std::unique_ptr<FileReader> open_read(const std::string& path) override {
    FileHandle h(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!h.valid() || !is_plain(h.get())) return nullptr;
    return std::make_unique<win32::HandleReader>(h.release(), path);
  }

  std::unique_ptr<FileReader> open_exclusive(const std::string& path) override {
    const std::wstring w = widen(path);
    // Refused here too, so that the rule holds under Wine run as root.
    if (is_read_only(attributes(w))) return nullptr;
    // No sharing: fails while anyone holds the file open, and keeps everyone
    // out until it is closed.
    FileHandle h(CreateFileW(w.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!h.valid() || !is_plain(h.get())) return nullptr;
    return std::make_unique<win32::HandleReader>(h.release(), path);
  }

  std::unique_ptr<FileWriter> create(const std::string& path) override {
    const std::wstring w = widen(path);
    const DWORD a = attributes(w);
    if (is_folder(a) || is_read_only(a) || is_link(w, a)) return nullptr;
    HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Writer>(h, path);
  }

  std::unique_ptr<FileWriter> create_temp(const std::string& path) override {
    const std::wstring w = widen(path);
    if (!clear_temp_name(w, false)) return nullptr;
    HANDLE h = create_new(w);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Writer>(h, path);
  }

  bool is_writable(const std::string& path) override {
    const DWORD a = attributes(widen(path));
    return a != kNoAttributes && !(a & FILE_ATTRIBUTE_READONLY);
  }

 private:
  // The full path with every component spelled as on the disk.
  static std::string full_name(const std::wstring& w) {
    const std::wstring full = full_path(w);
    std::wstring longer(full.size() + MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
      if (n == 0) return narrow(full);
      if (n < longer.size()) {
        longer.resize(n);
        return narrow(longer);
      }
      longer.resize(n + 1);
    }
  }
};

}  // namespace

FileSystem& native_file_system() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace relvo
