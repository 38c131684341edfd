// A folder's whole tree as text, read through a file layer: names, kinds,
// contents and the read-only flag (times left out), for comparing what two
// layers or two runs left behind.
#pragma once
#include <string>

#include "platform/files.h"

namespace relvo::test {

inline std::string Snapshot(FileSystem& fs, const std::string& folder) {
  std::string s;
  for (const FoundEntry& e : fs.find(folder + "*")) {
    s += e.name + (e.isFolder ? "/\n" : "\n");
    if (e.isFolder) {
      s += Snapshot(fs, folder + e.name + "\\");
    } else {
      std::string bytes;
      read_whole_file(fs, folder + e.name, bytes);
      s += "  " + bytes + (fs.is_writable(folder + e.name) ? "\n" : " (read-only)\n");
    }
  }
  return s;
}

}  // namespace relvo::test
