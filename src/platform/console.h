// What differs between the platforms for the console program: whether a
// stream is a terminal, and the separator a user of the platform types.
#pragma once
#include <cstdio>

namespace relvo {

// True when f is connected to a terminal (a console on Windows).
bool is_terminal(std::FILE* f);

// The separator this platform's own folder texts use: '\' on Windows, '/'
// on POSIX. The file layer takes both everywhere; this is only the one a
// folder given on the command line is completed with.
char native_separator();

}  // namespace relvo
