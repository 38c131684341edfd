// The registry on POSIX: a registry file (RELVO_REGISTRY, else the Wine
// prefix's system.reg), read again whenever the file changes.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/registry.h"
#include "platform/registry_file.h"

namespace relvo {
namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The folder the program was started in. The destination page moves the
// current folder, so a relative RELVO_REGISTRY counts from here, as the
// user who typed it meant.
std::string folder_at_start() {
  std::string folder(4096, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return "";
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  return folder;
}
const std::string kStartFolder = folder_at_start();

// RELVO_REGISTRY when set and not empty; else system.reg of $WINEPREFIX,
// else of ~/.wine. Empty when there is none of these.
std::string registry_file_path() {
  std::string file = env("RELVO_REGISTRY");
  if (!file.empty()) return file[0] == '/' || kStartFolder.empty() ? file : kStartFolder + "/" + file;
  std::string prefix = env("WINEPREFIX");
  if (prefix.empty() && !env("HOME").empty()) prefix = env("HOME") + "/.wine";
  return prefix.empty() ? "" : prefix + "/system.reg";
}

class PosixRegistry final : public Registry {
 public:
  bool read_value(const std::string& keyPath, const std::string& valueName,
                  std::optional<std::string>& value) override {
    value.reset();
    std::lock_guard<std::mutex> lock(mu_);
    const regfile::RegistryFile* file = current();
    return file && regfile::read_value(*file, keyPath, valueName, value);
  }

 private:
  // The parsed file, kept while its path, identity, size and time stay the
  // same; nullptr when there is no file to read.
  const regfile::RegistryFile* current() {
    const std::string path = registry_file_path();
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      file_.reset();
      return nullptr;
    }
    const Stamp stamp{path, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    if (file_ && stamp == stamp_) return file_.get();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      file_.reset();
      return nullptr;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    file_ = std::make_unique<regfile::RegistryFile>(bytes.str());
    stamp_ = stamp;
    return file_.get();
  }

  struct Stamp {
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    time_t sec = 0;
    long nsec = 0;
    bool operator==(const Stamp&) const = default;
  };
  std::mutex mu_;
  Stamp stamp_;
  std::unique_ptr<regfile::RegistryFile> file_;
};

}  // namespace

Registry& native_registry() {
  static PosixRegistry registry;
  return registry;
}

}  // namespace relvo
