// The console program's platform differences, on Windows.
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

std::string local_time_text() {
  const time_t now = time(nullptr);
  struct tm local;
  char buf[32];
  if (localtime_s(&local, &now) != 0 || strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local) == 0) return "?";
  return buf;
}

}  // namespace relvo
