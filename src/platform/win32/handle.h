// Small owners for the Win32 handles of the file layer, so that every way
// out of a function closes what it opened.
#pragma once
#include <windows.h>

#include <string>

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
