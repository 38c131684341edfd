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
