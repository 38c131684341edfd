// What differs between the platforms for the console program: whether a
// stream is a terminal, the separator a user of the platform types, paths
// as that user writes them, and the log file with its local times.
#pragma once
#include <cstdio>
#include <string>

namespace relvo {

// True when f is connected to a terminal (a console on Windows).
bool is_terminal(std::FILE* f);

// The rows of the terminal (the console window) f shows on; 0 when f is
// no terminal or it does not say.
int terminal_rows(std::FILE* f);

// The separator this platform's own folder texts use: '\' on Windows, '/'
// on POSIX. The file layer takes both everywhere; this is only the one a
// folder given on the command line is completed with.
char native_separator();

// A path text of the system (CP932) as a user of this platform writes it,
// in UTF-8 and with one kind of separator: on POSIX the file it names
// through the drive map and the current folders ("C:\VORNEL\master" ->
// "/srv/c/VORNEL/master", names spelled as on the disk), on Windows the
// text itself with '\' separators. A text the drive map cannot place keeps
// its words with the platform's separator. A trailing separator stays.
std::string path_for_user(const std::string& cp932Path);

// Opens the file at path (UTF-8, as given on the command line) for
// appending, created when missing, as the file layer opens files: a plain
// file only. A FIFO, a device, a pipe or a folder is refused at once, never
// waited on (a FIFO without a reader would hold the program before it did
// anything). nullptr when it cannot be opened.
std::FILE* open_append_file(const std::string& utf8Path);

// The local time now as "YYYY-MM-DD HH:MM:SS".
std::string local_time_text();

}  // namespace relvo
