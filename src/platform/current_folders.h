// The process's current drive and the current folder of each drive, as the
// C runtime keeps them on Windows, and the drives that are present. On POSIX
// they are kept over the drive map (current_folders_posix.cpp), and the file
// layer names "name", "\name" and "X:name" from them as Windows does.
#pragma once
#include <string>
#include <vector>

namespace relvo {

class CurrentFolders {
 public:
  virtual ~CurrentFolders() = default;
  // _getdrive: 1 = A ... 26 = Z; 0 when no drive is current (on POSIX: no
  // drive's root holds the process's folder).
  virtual int current_drive() = 0;
  // _chdrive: makes drive (1 = A) current, with the current folder it had.
  // True on success (the drive is present).
  virtual bool change_drive(int drive) = 0;
  // _chdir: "c:\", "c:Windows" (from c's current folder), "c:..", "\" (the
  // current drive's root), "sub". A text with a drive letter makes that
  // drive current too. True on success; nothing changes on failure.
  virtual bool change_dir(const std::string& path) = 0;
  // _getcwd: the current folder of the current drive as an absolute text
  // ("C:\", "C:\WINDOWS"), CP932, no length limit, with the drive letter in
  // upper case and each name spelled as on the disk (the runtime itself
  // keeps the spelling typed). With no drive current, the POSIX folder.
  virtual std::string current_dir() = 0;
  // The letters of the drives present (upper case, in A-Z order): what the
  // system's drive listing (DlgDirList with DDL_DRIVES) shows.
  virtual std::vector<char> drives() = 0;
};

// The process's own current folders (one object per process).
CurrentFolders& native_current_folders();

}  // namespace relvo
