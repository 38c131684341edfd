// Small owners for the Win32 handles of the file layer, so that every way
// out of a function closes what it opened.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/files.h"

namespace relvo::win32 {

// A kernel object handle from CreateFileW (INVALID_HANDLE_VALUE when none).
class FileHandle {
 public:
  explicit FileHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~FileHandle() {
    if (valid()) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  // Hands the handle over; this owner no longer closes it.
  HANDLE release() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }
  // Closes now; 0 on success, else the system's error code.
  DWORD close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return 0;
    return CloseHandle(h) ? 0 : GetLastError();
  }

 private:
  HANDLE h_;
};

// Reads a file through its handle, from where the handle stands; a failed
// read throws FileError naming path. Owns the handle.
class HandleReader final : public FileReader {
 public:
  HandleReader(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  std::size_t read(void* buf, std::size_t n) override {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(h_.get(), buf, want, &got, nullptr))
      throw FileError(FileError::Op::Read, path_, static_cast<int>(GetLastError()));
    return got;
  }

 private:
  FileHandle h_;
  std::string path_;
};

// A search handle from FindFirstFileW.
class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (valid()) FindClose(h_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

// CP932 path text -> the UTF-16 the W calls take, and back.
std::wstring widen(const std::string& cp932);
std::string narrow(const std::wstring& wide);

}  // namespace relvo::win32
