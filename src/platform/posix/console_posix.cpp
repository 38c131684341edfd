// The console program's platform differences, on POSIX.
#include <unistd.h>

#include "platform/console.h"

namespace relvo {

bool is_terminal(std::FILE* f) { return f && isatty(fileno(f)) != 0; }

char native_separator() { return '/'; }

}  // namespace relvo
