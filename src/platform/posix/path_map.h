// How a Windows-style CP932 path text names a file on a POSIX disk: the
// drive map, and the case-insensitive walk that finds each component.
#pragma once
#include <array>
#include <string>
#include <string_view>

namespace relvo::posix {

// Native (UTF-8) root folder of each drive letter A-Z; empty = not mapped.
struct DriveMap {
  std::array<std::string, 26> roots;
  bool empty() const;
  const std::string& root(char letter) const;  // letter in either case
};

// Parses RELVO_DRIVES: "C=/srv/c;A=/media/floppy". Entries are separated
// by ';'; each is a letter (either case, optionally followed by ':'), '=' and
// an absolute folder. Malformed entries are skipped; a later entry for the
// same letter wins.
DriveMap parse_drive_map(std::string_view spec);

// Wine's drives: the links "c:" ... "z:" in prefix/dosdevices, each resolved
// to the folder it points to. Dangling links are left out.
DriveMap wine_drive_map(const std::string& prefix);

// The drive map in force: RELVO_DRIVES when set and not empty; else the
// Wine prefix's dosdevices ($WINEPREFIX, else ~/.wine) when it maps any
// drive; else Z: for "/". Read from the environment on each call (cached
// while the environment stays the same).
DriveMap current_drive_map();

// A path text resolved against the disk.
struct Resolved {
  std::string native;      // the path to hand to the kernel (UTF-8)
  std::string full;        // the full name as a CP932 text, on-disk spelling
  std::string parent;      // native folder that holds the last component
  std::string last_given;  // last component as written (UTF-8); empty for a root
  bool last_inexact = false;  // last component matched an existing name of other case
  char drive = 0;          // the drive (upper case) the text lies on; 0 for a POSIX path
};

// Maps text (CP932, '\' or '/' separators) to the disk, naming what
// Windows would name with the current folders of current_folders_posix.cpp:
// - "X:\..." goes through the drive map from the drive's root, "X:name"
//   from drive X's current folder;
// - a text starting with '/' is an absolute POSIX path;
// - "\name" starts at the current drive's root and "name" at its current
//   folder; with no drive current (no drive's root holds the process's
//   folder) both are POSIX texts: absolute, or relative to that folder.
// "." components are dropped and ".." removes the component before it (at a
// drive's root it stays there).
// Each component is matched against the existing names: the exact name
// first, else one that differs only in ASCII case (the first in byte order
// when there are several), else it is taken as written. False when the
// drive is not mapped or the text is empty.
bool resolve(const std::string& text, Resolved& out);

// The current folder of drive letter as the emulated current folders hold
// it: a CP932 text below the drive's root ("" at the root, "WINDOWS\system"),
// spelled as on the disk. letter 0 asks for the current drive and receives
// its letter. False when the drive is not mapped (for 0: when no drive is
// current). Defined with the current folders (current_folders_posix.cpp).
bool drive_folder(char& letter, std::string& folder);

// Windows' matching of one name against a FindFirstFile pattern: '*' and
// '?' as sjis::wildcard_match, plus the DOS forms "*.*" (everything), a
// pattern ending in ".*" matching the name without extension too, and a
// pattern ending in '.' matching names without a dot.
bool dos_pattern_match(std::string_view pattern, std::string_view name);

}  // namespace relvo::posix
