// Temporary folders for tests, addressed by the system's own path texts.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace relvo::test {

namespace {
#ifdef _WIN32
constexpr char kSep = '\\';
std::string to_text(const fs::path& p) {
  const std::wstring w = p.wstring();
  return enc::utf16_to_cp932(std::u16string(w.begin(), w.end()));
}
#else
constexpr char kSep = '/';
std::string to_text(const fs::path& p) { return enc::utf8_to_cp932(p.string()); }
#endif

std::atomic<unsigned> counter{0};
}  // namespace

void remove_leftovers(const std::string& native);

TempDir::TempDir() {
  // (<chrono> cannot be used here: its C++20 unit suffixes hold a character
  // that CP932 lacks, and narrow literals are compiled into CP932.)
  static const unsigned salt = std::random_device{}();
  fs::path p;
  do {
    p = fs::temp_directory_path() / ("relvo-test-" + std::to_string(salt) + "-" + std::to_string(counter++));
  } while (!fs::create_directory(p));
  native_ = p.string();
  path_ = to_text(p);
  path_ += kSep;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files cannot be removed on Windows: make everything writable.
  for (auto it = fs::recursive_directory_iterator(native_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::permissions(native_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(native_, ec);
  remove_leftovers(native_);
}

void TempDir::mkdir(const std::string& rel) const {
  FileSystem& f = native_file_system();
  // Create every level of rel in turn.
  for (std::size_t i = 0; i <= rel.size(); i += (i < rel.size() ? sjis::char_len(rel, i) : 1)) {
    if (i == rel.size() || ((rel[i] == '\\' || rel[i] == '/') && sjis::char_len(rel, i) == 1)) {
      if (i > 0) {
        const std::string level = path_ + rel.substr(0, i);
        if (!f.exists(level)) {
          ASSERT_TRUE(f.make_dir(level)) << level;
        }
      }
    }
  }
}

void TempDir::write(const std::string& rel, const std::string& bytes) const {
  const std::size_t sep = sjis::find_last_separator(rel);
  if (sep != std::string::npos) mkdir(rel.substr(0, sep));
  auto w = native_file_system().create(path_ + rel);
  ASSERT_TRUE(w) << "cannot create " << rel;
  w->write(bytes.data(), bytes.size());
  w->close();
}

std::string TempDir::read(const std::string& rel) const {
  std::string out;
  EXPECT_TRUE(read_whole_file(native_file_system(), path_ + rel, out)) << "cannot read " << rel;
  return out;
}

bool TempDir::exists(const std::string& rel) const { return native_file_system().exists(path_ + rel); }

#ifdef _WIN32
namespace {
// Under Wine, the host name of a path text; empty elsewhere.
std::string host_name(const std::string& cp932) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const FARPROC p = GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name");
  if (!p) return {};
  const std::u16string w = enc::cp932_to_utf16(cp932);
  char* name = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(p))(reinterpret_cast<LPCWSTR>(w.c_str()));
  if (!name) return {};
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

// Runs a shell command line on the host under Wine (which starts Linux
// programs too, though it cannot wait for them: a marker file tells when it
// is done). Names without blanks or quotes only. True when it succeeded.
bool run_on_host(const std::string& command) {
  static unsigned n = 0;
  const fs::path marker = fs::temp_directory_path() / ("relvo-host-" + std::to_string(GetCurrentProcessId()) + "-" +
                                                       std::to_string(n++));
  const std::string ok = host_name(to_text(marker) + ".ok"), done = host_name(to_text(marker) + ".done");
  if (ok.empty() || done.empty()) return false;
  const std::string line = "/bin/sh -c \"" + command + " && touch " + ok + "; touch " + done + "\"";
  std::wstring cmd(line.begin(), line.end());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  std::error_code ec;
  fs::path doneFile = marker, okFile = marker;
  doneFile += ".done";
  okFile += ".ok";
  for (int i = 0; i < 600 && !fs::exists(doneFile, ec); ++i) Sleep(50);
  const bool succeeded = fs::exists(okFile, ec);
  fs::remove(doneFile, ec);
  fs::remove(okFile, ec);
  return succeeded;
}
}  // namespace

bool TempDir::plant_link(const std::string& rel, const std::string& target) const {
  const std::string t = host_name(target), l = host_name(path_ + rel);
  return !t.empty() && !l.empty() && run_on_host("ln -s " + t + " " + l);
}

// Wine opens a host FIFO without waiting and reads it as empty; a Windows
// program meets devices and pipes by name instead, which the tests cover.
bool TempDir::plant_fifo(const std::string&) const { return false; }

bool TempDir::is_link(const std::string&) const { return false; }

HeldOpen::HeldOpen(const std::string& path) {
  const std::u16string w = enc::cp932_to_utf16(path);
  const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(w.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  held_ = h != INVALID_HANDLE_VALUE;
  if (held_) handle_ = h;
}

HeldOpen::~HeldOpen() {
  if (handle_) CloseHandle(handle_);
}

// What Windows calls cannot remove under Wine (a host link they cannot see,
// or see through) the host removes.
void remove_leftovers(const std::string& native) {
  std::error_code ec;
  if (!fs::exists(native, ec)) return;
  const std::string h = host_name(to_text(native));
  if (!h.empty()) run_on_host("rm -rf " + h);
}
#else
namespace {
fs::path on_disk(const std::string& cp932) {
  std::string u = enc::cp932_to_utf8(cp932);
  for (char& c : u)
    if (c == '\\') c = '/';
  return fs::path(u);
}
}  // namespace

bool TempDir::plant_link(const std::string& rel, const std::string& target) const {
  std::error_code ec;
  fs::create_symlink(on_disk(target), on_disk(path_ + rel), ec);
  return !ec;
}

bool TempDir::plant_fifo(const std::string& rel) const {
  return ::mkfifo(on_disk(path_ + rel).c_str(), 0644) == 0;
}

bool TempDir::is_link(const std::string& rel) const { return fs::is_symlink(on_disk(path_ + rel)); }

void remove_leftovers(const std::string&) {}

HeldOpen::HeldOpen(const std::string& path) {
  fd_ = ::open(on_disk(path).c_str(), O_RDONLY | O_CLOEXEC);
  held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

HeldOpen::~HeldOpen() {
  if (fd_ >= 0) ::close(fd_);
}
#endif

std::string test_data_dir() {
  const char* d = std::getenv("RELVO_TEST_DATA");
#ifdef _WIN32
  std::string s = d ? enc::utf8_to_cp932(d) : std::string("tests/data");
#else
  // Absolute, so that tests which change folders still find it.
  std::string s = enc::utf8_to_cp932(fs::absolute(d ? fs::path(d) : fs::path("tests/data")).string());
#endif
#ifdef _WIN32
  // Under Wine the Linux folder is reached through drive Z:.
  if (!s.empty() && s[0] == '/') {
    for (char& c : s)
      if (c == '/') c = '\\';
    s = "Z:" + s;
  }
#endif
  if (!sjis::ends_with_separator(s)) s += kSep;
  return s;
}

}  // namespace relvo::test
