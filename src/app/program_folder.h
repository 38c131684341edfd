// The program folder: where the update media's files are, derived from the
// path of the running executable.
#pragma once
#include <string>

#include "platform/current_folders.h"

namespace relvo::app {

// The executable's drive and directory joined ("C:\UPD\"); a drive root
// ("A:\", the one folder text of exactly three characters on Windows) is cut
// to its first two ("A:"). Media files are named by appending their names
// directly.
std::string ProgramFolderFromExePath(const std::string& exePath);

// A folder given on the command line (CP932) made into a program folder by
// the executable's rule: a trailing separator is added unless it is a bare
// drive ("A:") or ends with one already, and a drive root ("A:\") is cut to
// the bare drive ("A:"). A text on a drive is the system's kind of path and
// comes back with '\' alone ("C:/upd" -> "C:\upd\"); any other keeps its
// own and gets the platform's separator.
std::string ProgramFolderFromArgument(const std::string& folder);

// A folder text given on the command line made independent of the current
// folder, which the destination page changes: a text with a drive letter or
// starting with a separator stays as it is; any other is appended to the
// current folder (folders.current_dir()). The empty text stays empty. A
// text that ends up on a drive is written with '\' alone, as the system
// writes it ("Z:\tmp\x" and "demo/disk1" give "Z:\tmp\x\demo\disk1"), so
// that every path the run shows uses one kind of separator.
std::string AbsoluteFolderText(CurrentFolders& folders, const std::string& text);

}  // namespace relvo::app
