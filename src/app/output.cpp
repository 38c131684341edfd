// The end of the console program's output: what was lost on the way to the
// file or pipe makes the exit status nonzero.
#include <cerrno>
#include <cstring>

#include "app/commands.h"

namespace relvo::app {

int FinishOutput(std::FILE* out, std::FILE* err, int status, bool progressOnly) {
  errno = 0;
  const bool flushed = std::fflush(out) == 0;
  if (flushed && !std::ferror(out)) return status;
  const int e = errno;
  std::fprintf(err, "relvo: the %s could not be written%s%s\n", progressOnly ? "progress output" : "output",
               e ? ": " : "", e ? std::strerror(e) : "");
  return status == 0 && !progressOnly ? 1 : status;
}

}  // namespace relvo::app
