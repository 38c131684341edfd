// Drive letters over temporary folders, with per-drive current folders.
#include "support/fake_drives.h"

#include <cctype>

#include "base/sjis.h"
#include "platform/files.h"

namespace relvo::test {

FakeDrives::FakeDrives(std::map<char, std::string> roots, char current) : roots_(std::move(roots)), current_(current) {
  for (const auto& r : roots_) cwd_[r.first];
}

bool FakeDrives::resolve(const std::string& text, char& letter, std::vector<std::string>& parts) const {
  std::string_view rest = text;
  letter = current_;
  if (rest.size() >= 2 && rest[1] == ':') {
    letter = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
    rest.remove_prefix(2);
  }
  const auto cwd = cwd_.find(letter);
  if (cwd == cwd_.end()) return false;
  parts.clear();
  if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) parts = cwd->second;
  std::string name;
  auto take = [&] {
    if (name == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!name.empty() && name != ".") {
      parts.push_back(name);
    }
    name.clear();
  };
  for (std::size_t i = 0; i < rest.size(); i += sjis::char_len(rest, i)) {
    if (sjis::char_len(rest, i) == 1 && (rest[i] == '\\' || rest[i] == '/'))
      take();
    else
      name.append(rest.substr(i, sjis::char_len(rest, i)));
  }
  take();
  return true;
}

std::string FakeDrives::real_path(const std::string& text) const {
  char letter;
  std::vector<std::string> parts;
  if (!resolve(text, letter, parts)) return {};
  const std::string& root = roots_.at(letter);
  std::string out = root;
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? std::string(1, root.back()) : "") + parts[i];
  return out;
}

bool FakeDrives::change_drive(int drive) {
  const char letter = static_cast<char>('A' + drive - 1);
  if (drive < 1 || drive > 26 || !roots_.count(letter)) return false;
  current_ = letter;
  return true;
}

bool FakeDrives::change_dir(const std::string& path) {
  char letter;
  std::vector<std::string> parts;
  FileStatus st;
  if (!resolve(path, letter, parts) || !native_file_system().get_status(real_path(path), st) ||
      !(st.attribute & kAttrDirectory))
    return false;
  cwd_[letter] = parts;
  current_ = letter;
  return true;
}

std::string FakeDrives::dir_of(char letter) const {
  std::string out = std::string(1, letter) + ":";
  const std::vector<std::string>& parts = cwd_.at(letter);
  if (parts.empty()) return out + "\\";
  for (const std::string& p : parts) out += "\\" + p;
  return out;
}

std::string FakeDrives::current_dir() { return current_ ? dir_of(current_) : std::string(); }

std::vector<char> FakeDrives::drives() {
  std::vector<char> out;
  for (const auto& r : roots_) out.push_back(r.first);
  return out;
}

DriveFileSystem::DriveFileSystem(FakeDrives& drives) : DelegatingFileSystem(native_file_system()), drives_(drives) {}

std::string DriveFileSystem::map(const std::string& text) const { return drives_.real_path(text); }

}  // namespace relvo::test
