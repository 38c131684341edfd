// A registry held in memory for tests: keys with their values, and a record
// of every key the code under test asked for.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace relvo::test {

class MemoryRegistry : public Registry {
 public:
  // A key that opens, with value valueName (nullopt: a value that is not a
  // string read whole), or without it.
  void add_key(const std::string& keyPath) { keys_[keyPath]; }
  void set(const std::string& keyPath, const std::string& valueName, std::optional<std::string> value) {
    keys_[keyPath][valueName] = std::move(value);
  }

  bool read_value(const std::string& keyPath, const std::string& valueName,
                  std::optional<std::string>& value) override {
    asked.push_back(keyPath);
    value.reset();
    const auto k = keys_.find(keyPath);
    if (k == keys_.end()) return false;
    const auto v = k->second.find(valueName);
    if (v != k->second.end()) value = v->second;
    return true;
  }

  std::vector<std::string> asked;  // key paths, in the order asked

 private:
  std::map<std::string, std::map<std::string, std::optional<std::string>>> keys_;
};

}  // namespace relvo::test
