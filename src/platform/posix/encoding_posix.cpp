// The character tables of CP932 on POSIX: glibc's iconv ("CP932", the
// Microsoft variant of Shift-JIS, with its NEC and IBM extensions).
#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <vector>

#include "platform/encoding_backend.h"

namespace relvo::enc::detail {
namespace {

// One conversion descriptor per direction and thread, kept open: the
// conversion of one text may ask for many small runs. The state is reset
// before each use.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts all of in; false when any part of it cannot be converted.
  bool convert(const char* in, std::size_t n, std::vector<char>& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(n * 4 + 16);
    char* ip = const_cast<char*>(in);
    std::size_t il = n;
    char* op = out.data();
    std::size_t ol = out.size();
    if (iconv(cd_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return false;
    // Flush any pending state; CP932 and UTF-16LE have none, but be exact.
    if (iconv(cd_, nullptr, nullptr, &op, &ol) == static_cast<std::size_t>(-1)) return false;
    out.resize(out.size() - ol);
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool cp932_run_to_utf16(std::string_view s, std::u16string& out) {
  thread_local Iconv cd("UTF-16LE", "CP932");
  std::vector<char> buf;
  if (!cd.ok() || !cd.convert(s.data(), s.size(), buf)) return false;
  for (std::size_t i = 0; i + 1 < buf.size(); i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(buf[i]) | (static_cast<unsigned char>(buf[i + 1]) << 8));
  return true;
}

bool utf16_run_to_cp932(std::u16string_view s, std::string& out) {
  std::string in;
  in.reserve(s.size() * 2);
  for (char16_t c : s) {
    in += static_cast<char>(c & 0xFF);
    in += static_cast<char>(c >> 8);
  }
  thread_local Iconv cd("CP932", "UTF-16LE");
  std::vector<char> buf;
  if (!cd.ok() || !cd.convert(in.data(), in.size(), buf)) return false;
  out.append(buf.data(), buf.size());
  return true;
}

}  // namespace relvo::enc::detail
