// The console program's platform differences, on POSIX.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "base/sjis.h"
#include "platform/console.h"
#include "platform/encoding.h"
#include "platform/posix/path_map.h"

namespace relvo {

bool is_terminal(std::FILE* f) { return f && isatty(fileno(f)) != 0; }

int terminal_rows(std::FILE* f) {
  struct winsize ws{};
  if (!is_terminal(f) || ioctl(fileno(f), TIOCGWINSZ, &ws) != 0) return 0;
  return ws.ws_row;
}

char native_separator() { return '/'; }

std::string path_for_user(const std::string& cp932Path) {
  const bool trailing = sjis::ends_with_separator(cp932Path);
  posix::Resolved r;
  std::string shown;
  if (posix::resolve(cp932Path, r)) {
    shown = r.native;
  } else {
    shown = enc::cp932_to_utf8(cp932Path);
    // A '\' here is a separator, never the trail byte of a double-byte
    // character: those became UTF-8 above.
    for (char& c : shown)
      if (c == '\\') c = '/';
  }
  if (trailing && (shown.empty() || shown.back() != '/')) shown += '/';
  return shown;
}

std::FILE* open_append_file(const std::string& utf8Path) {
  // Without O_NONBLOCK the open of a FIFO waits for a reader; with it, one
  // without a reader fails at once and one with a reader is refused below.
  const int fd = ::open(utf8Path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  const int fl = ::fcntl(fd, F_GETFL);
  std::FILE* f = nullptr;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && fl >= 0 && ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) == 0)
    f = ::fdopen(fd, "ab");
  if (!f) ::close(fd);
  return f;
}

std::string local_time_text() {
  const time_t now = time(nullptr);
  struct tm local;
  char buf[32];
  if (!localtime_r(&now, &local) || strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local) == 0) return "?";
  return buf;
}

}  // namespace relvo
