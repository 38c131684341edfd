// The file layer on a POSIX disk: Windows-style CP932 path texts mapped by
// path_map, and the Windows rules for read-only files enforced here.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/posix/path_map.h"

namespace relvo {
namespace {

using posix::Resolved;

// Windows' read-only attribute is the owner's write bit here. It is checked
// by this layer and not left to the kernel, which lets root write anyway.
bool read_only(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// chmod that never follows a link at the last component (a link has no mode
// of its own on Linux, so there it fails). Where the C library cannot do
// that without following, the caller's lstat just before stands in.
bool change_mode(const std::string& native, mode_t mode) {
  if (::fchmodat(AT_FDCWD, native.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0) return true;
  if (errno != ENOTSUP && errno != EOPNOTSUPP) return false;
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0 && !S_ISLNK(st.st_mode) && ::chmod(native.c_str(), mode) == 0;
}

// Whether a folder takes new files: its owner's write bit, decided here as
// the read-only attribute of files is, so that a folder that refuses users
// new files refuses them to root as well.
bool folder_takes_new_files(const std::string& folder) {
  struct stat st;
  return ::stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR);
}

// Opens a plain file, never waiting on it: a FIFO (whose open waits for a
// writer), a device (which may never end) or a folder is refused before it
// is opened, and again after, should the name have been swapped meanwhile.
// The descriptor, or -1.
int open_plain(const std::string& native, int flags) {
  struct stat st;
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  const int fd = ::open(native.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  const int fl = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Creates native as a new file, never through a link: a link or a file of
// that name (not read-only) is removed first, the link itself and not what it
// points to. -1 when the name is a folder or read-only, when the folder takes
// no new file, or when something took the name between removal and creation.
int create_new(const std::string& native, const std::string& parent, mode_t mode) {
  if (!folder_takes_new_files(parent)) return -1;
  struct stat st;
  if (::lstat(native.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && read_only(st))) return -1;
    if (::unlink(native.c_str()) != 0) return -1;
  }
  return ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}

// What stands at a name that a rename or a copy is about to replace, looked
// at without following a link there: the link is replaced itself, so what
// it points to does not count, except that a link to a folder is refused as
// the folder would be (MoveFileEx does not replace a folder, nor a link to
// one). Missing: nothing there.
enum class Replaced { Missing, File, Link, Refused };

Replaced what_is_replaced(const std::string& native, struct stat& st) {
  if (::lstat(native.c_str(), &st) != 0) return Replaced::Missing;
  if (S_ISLNK(st.st_mode)) {
    struct stat to;
    return ::stat(native.c_str(), &to) == 0 && S_ISDIR(to.st_mode) ? Replaced::Refused : Replaced::Link;
  }
  // MoveFileEx and CopyFile do not replace a folder or a read-only file.
  return S_ISDIR(st.st_mode) || read_only(st) ? Replaced::Refused : Replaced::File;
}

// The folder that holds a native path, for the fsync that makes a rename
// durable.
void sync_parent(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: not every file system syncs folders
  ::close(fd);
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Hands the descriptor over; this owner no longer closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and reports the result (0 or an errno value).
  int close() {
    const int fd = fd_;
    fd_ = -1;
    return (fd >= 0 && ::close(fd) != 0) ? errno : 0;
  }

 private:
  int fd_;
};

class PosixReader final : public FileReader {
 public:
  PosixReader(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  std::size_t read(void* buf, std::size_t n) override {
    for (;;) {
      const ssize_t r = ::read(fd_.get(), buf, n);
      if (r >= 0) return static_cast<std::size_t>(r);
      if (errno != EINTR) throw FileError(FileError::Op::Read, path_, errno);
    }
  }

 private:
  Fd fd_;
  std::string path_;
};

class PosixWriter final : public FileWriter {
 public:
  PosixWriter(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  void write(const void* buf, std::size_t n) override {
    if (fd_.get() < 0) throw FileError(FileError::Op::Write, path_, EBADF);
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
      const ssize_t r = ::write(fd_.get(), p, n);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) throw FileError(FileError::Op::Write, path_, r < 0 ? errno : ENOSPC);
      p += r;
      n -= static_cast<std::size_t>(r);
    }
  }
  void flush() override {
    if (fd_.get() < 0) throw FileError(FileError::Op::Flush, path_, EBADF);
    if (::fsync(fd_.get()) != 0) throw FileError(FileError::Op::Flush, path_, errno);
  }
  void close() override {
    if (fd_.get() < 0) return;
    if (const int e = fd_.close()) throw FileError(FileError::Op::Close, path_, e);
  }

 private:
  Fd fd_;
  std::string path_;
};

std::int64_t seconds(const struct timespec& t) { return static_cast<std::int64_t>(t.tv_sec); }

class PosixFileSystem final : public FileSystem {
 public:
  bool exists(const std::string& path) override {
    Resolved r;
    struct stat st;
    return posix::resolve(path, r) && ::stat(r.native.c_str(), &st) == 0;
  }

  bool make_dir(const std::string& path) override {
    Resolved r;
    return posix::resolve(path, r) && ::mkdir(r.native.c_str(), 0777) == 0;
  }

  bool is_plain_folder(const std::string& path) override {
    Resolved r;
    if (!posix::resolve(path, r)) return false;
    // A trailing '/' would have lstat follow a link to its folder.
    std::string native = r.native;
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    struct stat st;
    return ::lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool copy_file(const std::string& from, const std::string& to) override {
    Resolved f, t;
    if (!posix::resolve(from, f) || !posix::resolve(to, t)) return false;
    Fd in(open_plain(f.native, O_RDONLY));
    struct stat src;
    if (in.get() < 0 || ::fstat(in.get(), &src) != 0) return false;
    struct stat dst;
    // CopyFile refuses to replace a read-only file or a folder, and a file
    // copied onto itself (a sharing violation there). A link at the target
    // is replaced by the copy, never written through.
    const Replaced replaced = what_is_replaced(t.native, dst);
    if (replaced == Replaced::Refused) return false;
    if (replaced == Replaced::File && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) return false;

    const std::string temp = t.native + ".relvo-new";
    // Our own leftover from a run that died goes whatever its mode; a folder
    // in the way stays, and the copy fails.
    struct stat old;
    if (::lstat(temp.c_str(), &old) == 0 && !S_ISDIR(old.st_mode)) ::unlink(temp.c_str());
    Fd out(create_new(temp, t.parent, 0600));
    if (out.get() < 0) return false;
    bool ok = true;
    char buf[64 * 1024];
    for (;;) {
      ssize_t n = ::read(in.get(), buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      for (ssize_t done = 0; ok && done < n;) {
        const ssize_t w = ::write(out.get(), buf + done, static_cast<std::size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        ok = w > 0;
        if (ok) done += w;
      }
      if (!ok) break;
    }
    // The copy takes the source's mode and modification time, as CopyFile
    // gives it the source's attributes and last-write time.
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    ok = ok && ::fchmod(out.get(), src.st_mode & 07777) == 0 && ::fsync(out.get()) == 0 &&
         ::futimens(out.get(), times) == 0;
    ok = out.close() == 0 && ok;
    ok = ok && ::rename(temp.c_str(), t.native.c_str()) == 0;
    if (!ok) {
      ::unlink(temp.c_str());
      return false;
    }
    sync_parent(t.parent);
    return true;
  }

  bool get_status(const std::string& path, FileStatus& st) override {
    Resolved r;
    struct stat s;
    if (!posix::resolve(path, r) || ::stat(r.native.c_str(), &s) != 0) return false;
    st = FileStatus{};
    st.mtime = seconds(s.st_mtim);
    st.atime = seconds(s.st_atim);
    st.ctime = st.mtime;  // no creation time on every file system: the last change stands in
#ifdef STATX_BTIME
    struct statx sx;
    if (::statx(AT_FDCWD, r.native.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
      st.ctime = sx.stx_btime.tv_sec;
#endif
    st.size = S_ISDIR(s.st_mode) ? 0 : static_cast<std::uint64_t>(s.st_size);
    if (S_ISDIR(s.st_mode)) st.attribute |= kAttrDirectory;
    if (read_only(s)) st.attribute |= kAttrReadOnly;
    st.fullName = r.full;
    return true;
  }

  // Never through a link: a link at path is left as it is (false), and the
  // calls themselves refuse to follow one, should a link take the name
  // between the look and the change.
  bool set_status(const std::string& path, const FileStatus& st) override {
    Resolved r;
    struct stat s;
    if (!posix::resolve(path, r) || ::lstat(r.native.c_str(), &s) != 0 || S_ISLNK(s.st_mode)) return false;
    // A time of 0 leaves that time as it is. The creation time cannot be
    // set on POSIX and is ignored.
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(st.atime);
    times[0].tv_nsec = st.atime ? 0 : UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(st.mtime);
    times[1].tv_nsec = st.mtime ? 0 : UTIME_OMIT;
    if (::utimensat(AT_FDCWD, r.native.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return false;
    // Read-only takes every write bit away; a writable file gets the owner's
    // back. Hidden, system and archive have no counterpart here.
    mode_t mode = s.st_mode & 07777;
    mode = (st.attribute & kAttrReadOnly) ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
    return mode == (s.st_mode & 07777) || change_mode(r.native, mode);
  }

  bool remove(const std::string& path) override {
    Resolved r;
    struct stat s;
    if (!posix::resolve(path, r) || ::lstat(r.native.c_str(), &s) != 0) return false;
    if (S_ISDIR(s.st_mode) || (!S_ISLNK(s.st_mode) && read_only(s))) return false;
    if (::unlink(r.native.c_str()) != 0) return false;
    sync_parent(r.parent);
    return true;
  }

  bool remove_folder(const std::string& path) override {
    Resolved r;
    if (!posix::resolve(path, r) || r.last_given.empty()) return false;
    std::string native = r.native;
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    struct stat s;
    // A link to a folder is no folder here: rmdir would refuse it anyway,
    // but say so before asking.
    if (::lstat(native.c_str(), &s) != 0 || !S_ISDIR(s.st_mode)) return false;
    if (::rmdir(native.c_str()) != 0) return false;
    sync_parent(r.parent);
    return true;
  }

  bool rename(const std::string& from, const std::string& to) override {
    Resolved f, t;
    struct stat fs_, ts;
    if (!posix::resolve(from, f) || !posix::resolve(to, t) || ::lstat(f.native.c_str(), &fs_) != 0) return false;
    std::string target = t.native;
    bool restore = false;
    const Replaced replaced = what_is_replaced(t.native, ts);
    if (replaced != Replaced::Missing && ts.st_dev == fs_.st_dev && ts.st_ino == fs_.st_ino) {
      // The same file: only a change of case can be meant.
      if (!t.last_inexact) return true;
      target = t.parent + "/" + t.last_given;
    } else if (replaced == Replaced::Refused || (replaced != Replaced::Missing && S_ISDIR(fs_.st_mode))) {
      return false;
    } else if (replaced == Replaced::File && (fs_.st_mode & 07777) != (ts.st_mode & 07777)) {
      // The result keeps the replaced file's mode (a link has none).
      if (!change_mode(f.native, ts.st_mode & 07777)) return false;
      restore = true;
    }
    if (::rename(f.native.c_str(), target.c_str()) != 0) {
      if (restore) change_mode(f.native, fs_.st_mode & 07777);
      return false;
    }
    sync_parent(t.parent);
    return true;
  }

  std::vector<FoundEntry> find(const std::string& pattern) override {
    std::vector<FoundEntry> out;
    const std::size_t sep = sjis::find_last_separator(pattern);
    std::string folder, name;
    if (sep != std::string::npos) {
      folder = pattern.substr(0, sep + 1);
      name = pattern.substr(sep + 1);
    } else if (pattern.size() >= 2 && pattern[1] == ':') {
      folder = pattern.substr(0, 2);
      name = pattern.substr(2);
    } else {
      folder = ".";
      name = pattern;
    }
    Resolved r;
    if (name.empty() || !posix::resolve(folder, r)) return out;
    DIR* d = ::opendir(r.native.c_str());
    if (!d) return out;
    while (dirent* e = ::readdir(d)) {
      const std::string_view n = e->d_name;
      if (n == "." || n == "..") continue;
      FoundEntry fe;
      fe.name = enc::utf8_to_cp932(n);
      if (!posix::dos_pattern_match(name, fe.name)) continue;
      struct stat s;
      const std::string full = (r.native.back() == '/' ? r.native : r.native + "/") + std::string(n);
      fe.isFolder = ::stat(full.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
      out.push_back(std::move(fe));
    }
    ::closedir(d);
    // The kernel's order is the order of creation or of a hash; list the
    // way an NTFS folder does, so that runs repeat.
    std::sort(out.begin(), out.end(), [](const FoundEntry& a, const FoundEntry& b) {
      const int c = sjis::icompare(a.name, b.name);
      return c != 0 ? c < 0 : a.name < b.name;
    });
    return out;
  }

  std::unique_ptr<FileReader> open_read(const std::string& path) override {
    Resolved r;
    if (!posix::resolve(path, r)) return nullptr;
    const int fd = open_plain(r.native, O_RDONLY);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixReader>(fd, path);
  }

  std::unique_ptr<FileReader> open_exclusive(const std::string& path) override {
    Resolved r;
    struct stat s;
    if (!posix::resolve(path, r) || ::stat(r.native.c_str(), &s) != 0 || read_only(s)) return nullptr;
    Fd fd(open_plain(r.native, O_RDWR));
    if (fd.get() < 0) return nullptr;
    // Nothing here locks a file against other programs; an advisory lock
    // keeps out those that ask, another run of this program above all. A
    // file system without locks does not stop the rewrite.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return nullptr;
    return std::make_unique<PosixReader>(fd.release(), path);
  }

  std::unique_ptr<FileWriter> create(const std::string& path) override {
    Resolved r;
    if (!posix::resolve(path, r)) return nullptr;
    struct stat s;
    if (::lstat(r.native.c_str(), &s) == 0 && (S_ISDIR(s.st_mode) || S_ISLNK(s.st_mode) || read_only(s)))
      return nullptr;
    const int fd = ::open(r.native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixWriter>(fd, path);
  }

  std::unique_ptr<FileWriter> create_temp(const std::string& path) override {
    Resolved r;
    if (!posix::resolve(path, r) || r.last_given.empty()) return nullptr;
    const int fd = create_new(r.native, r.parent, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixWriter>(fd, path);
  }

  bool is_writable(const std::string& path) override {
    Resolved r;
    struct stat s;
    return posix::resolve(path, r) && ::stat(r.native.c_str(), &s) == 0 && !read_only(s);
  }
};

}  // namespace

FileSystem& native_file_system() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace relvo
