// What the system asks of the machine, on POSIX: drive types from the mount
// table and the block devices' removable flags, the temporary folder, and
// the program's own path.
#include <limits.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/encoding.h"
#include "platform/posix/path_map.h"
#include "platform/system.h"

namespace relvo {
namespace {

// Undoes the octal escapes (\040 for a blank) of /proc/self/mountinfo.
std::string unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const std::string oct = s.substr(i + 1, 3);
      if (oct.find_first_not_of("01234567") == std::string::npos) {
        out += static_cast<char>(std::strtol(oct.c_str(), nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

bool under(const std::string& path, const std::string& mount) {
  if (mount == "/") return true;
  return path.compare(0, mount.size(), mount) == 0 && (path.size() == mount.size() || path[mount.size()] == '/');
}

// The device numbers ("MAJ:MIN") of the mount that holds path, longest
// mount point first; empty when none is found.
std::string device_of(const std::string& path) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line, best_dev;
  std::size_t best_len = 0;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string id, parent, dev, root, mount;
    if (!(f >> id >> parent >> dev >> root >> mount)) continue;
    mount = unescape(mount);
    if (under(path, mount) && mount.size() >= best_len) {
      best_len = mount.size();
      best_dev = dev;
    }
  }
  return best_dev;
}

bool read_flag(const std::string& file) {
  std::ifstream in(file);
  int v = 0;
  return (in >> v) && v == 1;
}

// The removable flag of a block device, or of the disk a partition is on.
bool device_removable(const std::string& dev) {
  const std::string base = "/sys/dev/block/" + dev;
  if (read_flag(base + "/removable")) return true;
  return read_flag(base + "/../removable");
}

class PosixSystemInfo final : public SystemInfo {
 public:
  int drive_type(const std::string& path) override {
    posix::Resolved r;
    char real[PATH_MAX];
    if (!posix::resolve(path, r) || !::realpath(r.native.c_str(), real)) return kDriveNoRoot;
    // RELVO_REMOVABLE stands in for the hardware in tests and on machines
    // where the flag is wrong (USB sticks that call themselves fixed).
    if (const char* force = std::getenv("RELVO_REMOVABLE")) {
      if (std::string(force) == "1") return kDriveRemovable;
      if (std::string(force) == "0") return kDriveFixed;
    }
    const std::string dev = device_of(real);
    return (!dev.empty() && device_removable(dev)) ? kDriveRemovable : kDriveFixed;
  }

  std::string windows_folder() override {
    std::string t;
    if (const char* d = std::getenv("TMPDIR"); d && *d == '/') t = d;
    if (t.empty()) t = "/tmp";
    while (t.size() > 1 && t.back() == '/') t.pop_back();
    return enc::utf8_to_cp932(t);
  }
};

}  // namespace

SystemInfo& native_system_info() {
  static PosixSystemInfo info;
  return info;
}

std::string executable_path() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return enc::utf8_to_cp932(std::string(buf, static_cast<std::size_t>(n)));
}

}  // namespace relvo
