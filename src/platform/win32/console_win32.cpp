// The console program's platform differences, on Windows.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <time.h>

#include "platform/console.h"
#include "platform/encoding.h"

namespace relvo {

bool is_terminal(std::FILE* f) { return f && _isatty(_fileno(f)) != 0; }

int terminal_rows(std::FILE* f) {
  if (!is_terminal(f)) return 0;
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  if (!GetConsoleScreenBufferInfo(h, &info)) return 0;
  return info.srWindow.Bottom - info.srWindow.Top + 1;
}

char native_separator() { return '\\'; }

std::string path_for_user(const std::string& cp932Path) {
  // '/' (0x2F) is never a trail byte, so it can be replaced byte by byte.
  std::string text = cp932Path;
  for (char& c : text)
    if (c == '/') c = '\\';
  return enc::cp932_to_utf8(text);
}

std::FILE* open_append_file(const std::string& utf8Path) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), nullptr, 0);
  if (n <= 0) return nullptr;
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), w.data(), n);
  // Opening a pipe, a console or a serial port by name does not wait; what
  // is opened is then refused unless it is a file on a disk.
  const HANDLE h = CreateFileW(w.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_APPEND | _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "ab");
  if (!f) _close(fd);
  return f;
}

std::string local_time_text() {
  const time_t now = time(nullptr);
  struct tm local;
  char buf[32];
  if (localtime_s(&local, &now) != 0 || strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local) == 0) return "?";
  return buf;
}

}  // namespace relvo
