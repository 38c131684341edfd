// The program's own store on POSIX: positioned reads, folder fsync, statvfs
// and the XDG state folder, on path texts mapped as the file layer maps them.
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/encoding.h"
#include "platform/posix/path_map.h"
#include "platform/storage.h"

namespace relvo::storage {
namespace {

class OffsetReader final : public FileReader {
 public:
  OffsetReader(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~OffsetReader() override { ::close(fd_); }
  OffsetReader(const OffsetReader&) = delete;
  OffsetReader& operator=(const OffsetReader&) = delete;
  std::size_t read(void* buf, std::size_t n) override {
    for (;;) {
      const ssize_t r = ::read(fd_, buf, n);
      if (r >= 0) return static_cast<std::size_t>(r);
      if (errno != EINTR) throw FileError(FileError::Op::Read, path_, errno);
    }
  }

 private:
  int fd_;
  std::string path_;
};

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

std::unique_ptr<FileReader> open_read_at(const std::string& path, std::uint64_t offset) {
  posix::Resolved r;
  if (!posix::resolve(path, r)) return nullptr;
  const int fd = ::open(r.native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || offset > static_cast<std::uint64_t>(st.st_size) ||
      ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<OffsetReader>(fd, path);
}

bool sync_folder(const std::string& folder) {
  posix::Resolved r;
  if (!posix::resolve(folder, r)) return false;
  const int fd = ::open(r.native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  // Some file systems refuse to sync a folder (EINVAL); their entries are
  // as durable as they make them.
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

bool free_bytes(const std::string& path, std::uint64_t& bytes) {
  posix::Resolved r;
  if (!posix::resolve(path, r)) return false;
  std::string native = r.native;
  struct statvfs v;
  while (::statvfs(native.c_str(), &v) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return false;
    // Not there yet: the folder above decides where it will be.
    const std::size_t slash = native.find_last_of('/', native.size() > 1 ? native.size() - 2 : 0);
    if (slash == std::string::npos) {
      if (native == ".") return false;
      native = ".";
    } else {
      native.erase(slash == 0 ? 1 : slash);
    }
  }
  bytes = static_cast<std::uint64_t>(v.f_bavail) * v.f_frsize;
  return true;
}

std::string user_state_folder() {
  std::string base = env("XDG_STATE_HOME");
  if (base.empty() || base.front() != '/') {
    std::string home = env("HOME");
    if (home.empty()) {
      if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    if (home.empty() || home.front() != '/') return {};
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    base = home + "/.local/state";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return enc::utf8_to_cp932(base + "/relvo/");
}

}  // namespace relvo::storage
