// The program folder: where the update media's files are, derived from the
// path of the running executable.
#pragma once
#include <string>

namespace relvo::app {

// The executable's drive and directory joined ("C:\UPD\"); a text of exactly
// three characters (a drive root such as "A:\") is cut to its first two
// ("A:"). Media files are named by appending their names directly.
std::string ProgramFolderFromExePath(const std::string& exePath);

// A folder given on the command line (CP932) made into a program folder:
// a trailing separator is added unless it is a bare drive ("A:") or ends
// with one already.
std::string ProgramFolderFromArgument(const std::string& folder);

}  // namespace relvo::app
