// Two product trees compared: the files and folders an update from the old
// tree to the new one has to bring, and what no update can say.
#pragma once
#include <string>
#include <vector>

#include "platform/files.h"

namespace relvo::maker {

// Paths are relative to the trees' roots: CP932, components separated by
// '\', spelled as the new tree spells them (the old one's for removed).
struct TreeDiff {
  // Files of the new tree missing in the old one, and files whose bytes
  // differ, each in walk order (a folder's entries by name, a folder's
  // contents right after it).
  std::vector<std::string> added, changed;
  // Folders of the new tree missing in the old one, each after its parent.
  std::vector<std::string> newFolders;
  // What the old tree holds and the new one does not: files, and folders
  // once (not their contents). The update never deletes.
  std::vector<std::string> removed;
  // What the new tree holds that no update can carry, left out: one line
  // each (CP932), the path and why.
  std::vector<std::string> notCarried;
};

// Why name (one component, CP932) cannot be a file or folder name of the
// product on Windows: a character CP932 has no place for (the file layer
// shows it as '?'), one a Windows name cannot hold, a trailing blank or
// dot, or a device name. Empty when it can.
std::string NameProblem(const std::string& name);

// Compares the trees at oldRoot and newRoot (folder texts ending with a
// separator). Names are matched as Windows matches them (ASCII letters
// without case); files are compared by size, then byte for byte. A link to
// a folder is not followed, and a folder whose name holds a comma cannot be
// a row's target: both are left out. False with error (CP932) when newRoot
// is not a folder; read failures throw FileError.
bool CompareTrees(FileSystem& fs, const std::string& oldRoot, const std::string& newRoot, TreeDiff& out,
                  std::string& error);

// True when the files at a and b hold the same bytes. Read failures throw
// FileError; a file that cannot be opened counts as different.
bool SameContent(FileSystem& fs, const std::string& a, const std::string& b);

}  // namespace relvo::maker
