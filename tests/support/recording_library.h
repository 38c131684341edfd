// The archive library entry as the run sees it, for tests: every call
// recorded, a failure scripted on demand, and the extraction itself done by
// a real library when one is given.
#pragma once
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/archive_library.h"

namespace relvo::test {

class RecordingLibrary : public ArchiveLibrary {
 public:
  ArchiveLibrary* real = nullptr;  // our LZH library, which extracts for real
  std::vector<std::string> commands;
  std::vector<std::size_t> sizes;
  std::vector<void*> owners;
  std::string modes;          // "6:0 8:1 " for the set-up calls
  std::string failWith;       // the message of a scripted failure
  bool unterminated = false;  // the failure fills the whole buffer, no terminator

  void SetBackgroundMode(int mode) override {
    modes += "6:" + std::to_string(mode) + " ";
    if (real) real->SetBackgroundMode(mode);
  }
  void SetCursorMode(int mode) override {
    modes += "8:" + std::to_string(mode) + " ";
    if (real) real->SetCursorMode(mode);
  }
  int Command(void* owner, const char* cmd, char* msg, std::size_t size) override {
    commands.push_back(cmd);
    sizes.push_back(size);
    owners.push_back(owner);
    if (unterminated) {
      std::fill(msg, msg + size, 'E');
      return 1;
    }
    if (!failWith.empty()) {
      std::snprintf(msg, size, "%s", failWith.c_str());
      return 0x8001;
    }
    return real ? real->Command(owner, cmd, msg, size) : 0;
  }
  void SetProgress(ProgressFn progress) override {
    if (real) real->SetProgress(std::move(progress));
  }
};

}  // namespace relvo::test
