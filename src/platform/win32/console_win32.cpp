// The console program's platform differences, on Windows.
#include <io.h>

#include "platform/console.h"

namespace relvo {

bool is_terminal(std::FILE* f) { return f && _isatty(_fileno(f)) != 0; }

char native_separator() { return '\\'; }

}  // namespace relvo
