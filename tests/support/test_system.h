// System queries for tests: a drive type and a Windows folder as set.
#pragma once
#include <string>
#include <vector>

#include "platform/system.h"

namespace relvo::test {

class TestSystem : public SystemInfo {
 public:
  int driveType = kDriveFixed;
  std::string windows;
  std::vector<std::string> queried;  // paths whose drive type was asked
  int drive_type(const std::string& path) override {
    queried.push_back(path);
    return driveType;
  }
  std::string windows_folder() override { return windows; }
};

}  // namespace relvo::test
