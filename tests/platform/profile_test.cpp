// The settings-file layer against one table of reads and write sequences,
// run on our layer everywhere and on the Windows profile API where there is one.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/delegating_files.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using namespace std::string_literals;

namespace relvo::profile {
namespace {

// ---------------------------------------------------------------------------
// The table

struct Step {
  bool write;
  std::string section, key, arg;  // arg: the default of a read, the value of a write
  std::size_t max;                // a read's buffer size
  std::string want;               // a read's value, or "TRUE"/"FALSE" for a write
};

Step R(std::string sec, std::string key, std::string def, std::size_t max, std::string want) {
  return {false, std::move(sec), std::move(key), std::move(def), max, std::move(want)};
}
Step W(std::string sec, std::string key, std::string value, bool ok = true) {
  return {true, std::move(sec), std::move(key), std::move(value), 0, ok ? "TRUE" : "FALSE"};
}

// Where the Windows implementation answers otherwise on purpose: why, and
// what it gives instead (so that the difference itself stays under test).
struct Differs {
  const char* why;
  std::vector<std::string> results;  // one per step, as in Step::want
  std::optional<std::string> after;  // the file afterwards
};

struct Case {
  const char* name;
  std::optional<std::string> before;  // the file's bytes; nullopt: no file
  std::vector<Step> steps;
  std::optional<std::string> after;  // nullopt: the file is still missing
  std::optional<Differs> api = std::nullopt;
};

const std::optional<std::string> kNoFile = std::nullopt;
constexpr std::size_t kBuf = 256;  // the size the callers' larger buffers have

const std::string kBigValue(1 << 20, 'a');

std::vector<Case> compat_table() {
  const std::string title120(120, 'T');
  return {
      // --- reads: finding the key
      {"missing file gives the default", kNoFile, {R("S", "k", "D", kBuf, "D")}, kNoFile},
      {"missing section gives the default", "[T]\r\nk=1\r\n", {R("S", "k", "D", kBuf, "D")}, "[T]\r\nk=1\r\n"},
      {"missing key gives the default", "[S]\r\nj=1\r\n", {R("S", "k", "D", kBuf, "D")}, "[S]\r\nj=1\r\n"},
      {"names without ASCII case", "[sYsTeM]\r\nMaKeR=2\r\n", {R("SYSTEM", "maker", "1", kBuf, "2")},
       "[sYsTeM]\r\nMaKeR=2\r\n"},
      {"blanks around the header and its name", "  [ S ]  \r\nk=v\r\n", {R("S", "k", "D", kBuf, "v")},
       "  [ S ]  \r\nk=v\r\n"},
      {"blanks and tabs around key and value", "[S]\r\n \t k \t= \t v w \t \r\n", {R("S", "k", "D", kBuf, "v w")},
       "[S]\r\n \t k \t= \t v w \t \r\n"},
      {"Ctrl-Z, VT and FF count as blanks", "[S]\r\nk=\x1A\x0Bv\x0C\x1A\r\n", {R("S", "k", "D", kBuf, "v")},
       "[S]\r\nk=\x1A\x0Bv\x0C\x1A\r\n"},
      {"other control bytes are kept", "[S]\r\nk=\x01v\x01\r\n", {R("S", "k", "D", kBuf, "\x01v\x01")},
       "[S]\r\nk=\x01v\x01\r\n"},
      {"the caller's blanks around names", "[S]\r\nk=1\r\n", {R(" S ", " k ", "D", kBuf, "1")}, "[S]\r\nk=1\r\n"},
      {"lines before the first section belong to none", "k=0\r\n[S]\r\nk=1\r\n",
       {R("S", "k", "D", kBuf, "1")}, "k=0\r\n[S]\r\nk=1\r\n"},
      {"only the first section of a name counts", "[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\nk=3\r\n",
       {R("S", "a", "D", kBuf, "1"), R("S", "k", "D", kBuf, "D")}, "[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\nk=3\r\n"},
      {"the first key of a name wins", "[S]\r\nk=1\r\nK=2\r\n", {R("S", "k", "D", kBuf, "1")},
       "[S]\r\nk=1\r\nK=2\r\n"},
      {"a line without '=' is no key", "[S]\r\nk\r\n", {R("S", "k", "D", kBuf, "D")}, "[S]\r\nk\r\n"},
      {"';' starts no comment, only a name", "[S]\r\n;k=1\r\nk=2\r\n",
       {R("S", "k", "D", kBuf, "2"), R("S", ";k", "D", kBuf, "1")}, "[S]\r\n;k=1\r\nk=2\r\n"},
      {"a value may hold '='", "[S]\r\nk=a=b\r\n", {R("S", "k", "D", kBuf, "a=b")}, "[S]\r\nk=a=b\r\n"},
      {"an empty value is not the default", "[S]\r\nk=\r\n", {R("S", "k", "D", kBuf, "")}, "[S]\r\nk=\r\n"},
      {"text after the header's ']' is ignored", "[S] ; note\r\nk=1\r\n", {R("S", "k", "D", kBuf, "1")},
       "[S] ; note\r\nk=1\r\n"},
      {"the header ends at its last ']'", "[S]]\r\nk=1\r\n",
       {R("S]", "k", "D", kBuf, "1"), R("S", "k", "D", kBuf, "D")}, "[S]]\r\nk=1\r\n"},
      {"a header without ']' starts no section", "[S]\r\n[T\r\nk=1\r\n",
       {R("S", "k", "D", kBuf, "1"), R("T", "k", "D", kBuf, "D")}, "[S]\r\n[T\r\nk=1\r\n"},
      // --- reads: quotes
      {"double quotes are removed", "[S]\r\nk=\"v w\"\r\n", {R("S", "k", "D", kBuf, "v w")},
       "[S]\r\nk=\"v w\"\r\n"},
      {"single quotes are removed", "[S]\r\nk='v w'\r\n", {R("S", "k", "D", kBuf, "v w")}, "[S]\r\nk='v w'\r\n"},
      {"quotes that do not match stay", "[S]\r\na='v\"\r\nb=\"v\r\nc=\"\r\n",
       {R("S", "a", "D", kBuf, "'v\""), R("S", "b", "D", kBuf, "\"v"), R("S", "c", "D", kBuf, "\"")},
       "[S]\r\na='v\"\r\nb=\"v\r\nc=\"\r\n"},
      {"blanks inside quotes are kept", "[S]\r\nk= \" a \" \r\nj=\"a\"b\"\r\n",
       {R("S", "k", "D", kBuf, " a "), R("S", "j", "D", kBuf, "a\"b")}, "[S]\r\nk= \" a \" \r\nj=\"a\"b\"\r\n"},
      {"the default loses trailing blanks and quotes", "[S]\r\n",
       {R("S", "k", "  d  ", kBuf, "  d"), R("S", "k", "\"d\"", kBuf, "d")}, "[S]\r\n"},
      // --- reads: line ends and damaged files
      {"LF line ends", "[S]\nj=1\nk=2\n", {R("S", "k", "D", kBuf, "2")}, "[S]\nj=1\nk=2\n"},
      {"CR line ends, and no blank line before a new section", "[S]\rj=1\rk=2\r",
       {R("S", "k", "D", kBuf, "2"), W("T", "x", "1")}, "[S]\rj=1\rk=2\r[T]\r\nx=1\r\n",
       Differs{"Wine writes CR LF after every line it writes back, which is every line", {"2", "TRUE"},
               "[S]\r\nj=1\r\nk=2\r\n[T]\r\nx=1\r\n"}},
      {"no line end at the end", "[S]\r\nk=1", {R("S", "k", "D", kBuf, "1")}, "[S]\r\nk=1"},
      {"a NUL ends the value, not the file", "[S]\r\nk=a\0b\r\nj=2\r\n"s,
       {R("S", "k", "D", kBuf, "a"), R("S", "j", "D", kBuf, "2")}, "[S]\r\nk=a\0b\r\nj=2\r\n"s},
      {"a 1 MB line is skipped and cut", "[S]\r\nk=" + kBigValue + "\r\nj=2\r\n",
       {R("S", "j", "D", kBuf, "2"), R("S", "k", "D", 100, std::string(99, 'a'))},
       "[S]\r\nk=" + kBigValue + "\r\nj=2\r\n"},
      // --- reads: the buffer size
      {"a value is cut to the buffer", "[S]\r\nk=abcdef\r\n",
       {R("S", "k", "D", 4, "abc"), R("S", "k", "D", 1, ""), R("S", "k", "D", 7, "abcdef")},
       "[S]\r\nk=abcdef\r\n"},
      {"a default and a quoted value are cut too", "[S]\r\nk=\"abcdef\"\r\n",
       {R("S", "j", "abcdef", 4, "abc"), R("S", "k", "D", 4, "abc")}, "[S]\r\nk=\"abcdef\"\r\n"},
      {"a title of 120 characters is read as 99", "[SYSTEM]\r\nTITLE=" + title120 + "\r\n",
       {R("SYSTEM", "TITLE", "", 100, title120.substr(0, 99))}, "[SYSTEM]\r\nTITLE=" + title120 + "\r\n"},
      // --- reads: Japanese
      {"SYSTEM / ﾃﾞｼﾞﾀｲｻﾞ", "[SYSTEM]\r\nTITLE=ﾊﾟﾀｰﾝ\r\nﾃﾞｼﾞﾀｲｻﾞ=1\r\n",
       {R("system", "ﾃﾞｼﾞﾀｲｻﾞ", "0", kBuf, "1"), R("SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞMST", "0", kBuf, "0")},
       "[SYSTEM]\r\nTITLE=ﾊﾟﾀｰﾝ\r\nﾃﾞｼﾞﾀｲｻﾞ=1\r\n"},
      {"a Japanese title with ソ and blanks", "[SYSTEM]\r\nTITLE=  型紙ソフト 表示  \r\n",
       {R("SYSTEM", "TITLE", "", 100, "型紙ソフト 表示")}, "[SYSTEM]\r\nTITLE=  型紙ソフト 表示  \r\n"},
      {"a Japanese section name", "[設定]\r\n保存先=C:\\ソフト\\\r\n", {R("設定", "保存先", "", kBuf, "C:\\ソフト\\")},
       "[設定]\r\n保存先=C:\\ソフト\\\r\n"},
      {"trail bytes are not letters (ア is not ヂ)", "[S]\r\nヂ=1\r\nア=2\r\n",
       {R("S", "ア", "D", kBuf, "2"), R("S", "ヂ", "D", kBuf, "1")}, "[S]\r\nヂ=1\r\nア=2\r\n"},
      {"full-width letters keep their case", "[S]\r\nＡ=1\r\n", {R("S", "ａ", "D", kBuf, "D")}, "[S]\r\nＡ=1\r\n"},
      {"a ']' trail byte closes no header", "[S]\r\n[ゾ\r\nk=1\r\n", {R("S", "k", "D", kBuf, "1")},
       "[S]\r\n[ゾ\r\nk=1\r\n"},
      {"a full-width space is no blank", "[S]\r\nk=　v　\r\n", {R("S", "k", "D", kBuf, "　v　")},
       "[S]\r\nk=　v　\r\n"},
      {"half-width kana are cut by the byte", "[S]\r\nk=ﾃﾞｼﾞﾀｲｻﾞ\r\n", {R("S", "k", "D", 4, "ﾃﾞｼ")},
       "[S]\r\nk=ﾃﾞｼﾞﾀｲｻﾞ\r\n"},
      {"a cut never splits a double-byte character", "[S]\r\nk=アイ\r\nj=aアイ\r\n",
       {R("S", "k", "D", 4, "ア"), R("S", "j", "D", 4, "aア")}, "[S]\r\nk=アイ\r\nj=aアイ\r\n",
       Differs{"Wine's A function converts the cut wide text into too small a buffer: it counts 3 bytes "
               "but writes only 2, and the third is whatever the buffer held (0xCC here); we leave "
               "the character out whole",
               {"ア\xCC", "aア"}, std::nullopt}},
      {"a lone lead byte at a line end stays a byte", "[S]\r\nk=ab\x83\r\n", {R("S", "k", "D", kBuf, "ab\x83")},
       "[S]\r\nk=ab\x83\r\n",
       Differs{"Wine decodes the file as CP932 first: the lead byte swallows the CR and becomes '・'; we "
               "hand back the file's bytes",
               {"ab・"}, std::nullopt}},
      {"Greek letters keep their case", "[S]\r\nΑ=1\r\n", {R("S", "α", "D", kBuf, "D")}, "[S]\r\nΑ=1\r\n"},
      {"a UTF-8 byte order mark is text", "\xEF\xBB\xBF[S]\r\nk=ア\r\n[T]\r\nk=イ\r\n",
       {R("S", "k", "D", kBuf, "D"), R("T", "k", "D", kBuf, "イ")}, "\xEF\xBB\xBF[S]\r\nk=ア\r\n[T]\r\nk=イ\r\n",
       Differs{"Wine takes EF BB BF for UTF-8 and decodes the whole file so; the product's files are CP932, "
               "where those bytes are the text '鏤ｿ'",
               {"?A", "?C"}, std::nullopt}},

      // --- writes
      {"a write creates the file", kNoFile, {W("SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1"), R("SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "0", kBuf, "1")},
       "[SYSTEM]\r\nﾃﾞｼﾞﾀｲｻﾞ=1\r\n"},
      {"a write into an empty file", "", {W("S", "k", "v")}, "[S]\r\nk=v\r\n"},
      {"a new section goes at the end", "[S]\r\nj=2\r\n", {W("T", "k", "v")}, "[S]\r\nj=2\r\n[T]\r\nk=v\r\n"},
      {"a new section after a last line without line end", "[S]\r\nj=2", {W("T", "k", "v")},
       "[S]\r\nj=2\r\n[T]\r\nk=v\r\n"},
      {"a new key goes at the end of its section", "[S]\r\nj=2\r\n[T]\r\nx=1\r\n",
       {W("S", "k", "v"), R("S", "k", "D", kBuf, "v")}, "[S]\r\nj=2\r\nk=v\r\n[T]\r\nx=1\r\n"},
      {"a new key in a last section without line end", "[S]\r\nj=2", {W("S", "k", "v")}, "[S]\r\nj=2\r\nk=v\r\n"},
      {"an existing key is replaced, keeping its spelling", "[S]\r\nKEY=1\r\nj=2\r\n",
       {W("s", "key", "new"), R("S", "KEY", "D", kBuf, "new")}, "[S]\r\nKEY=new\r\nj=2\r\n"},
      {"only the first of two equal keys is replaced", "[S]\r\nk=1\r\nk=2\r\n", {W("S", "k", "3")},
       "[S]\r\nk=3\r\nk=2\r\n"},
      {"a new key goes into the first of two equal sections", "[S]\r\na=1\r\n[S]\r\nk=2\r\n",
       {W("S", "k", "3"), R("S", "k", "D", kBuf, "3")}, "[S]\r\na=1\r\nk=3\r\n[S]\r\nk=2\r\n"},
      {"a key outside any section is not the section's", "k=0\r\n[S]\r\n", {W("S", "k", "3")},
       "k=0\r\n[S]\r\nk=3\r\n"},
      {"the same value leaves the file alone", "[S]\r\n  k = 1 \r\n", {W("S", "k", "1")}, "[S]\r\n  k = 1 \r\n"},
      {"a quoted value differs from the bare one", "[S]\r\nk=\"1\"\r\nj=\"2\"\r\n",
       {W("S", "k", "1"), W("S", "j", "\"2\"")}, "[S]\r\nk=1\r\nj=\"2\"\r\n"},
      {"leading blanks of a value are dropped", "[S]\r\nk=1\r\n",
       {W("S", "k", "  v  "), R("S", "k", "D", kBuf, "v")}, "[S]\r\nk=v  \r\n"},
      {"an empty value", "[S]\r\nk=1\r\n", {W("S", "k", ""), R("S", "k", "D", kBuf, "")}, "[S]\r\nk=\r\n"},
      {"bytes outside sections stay", "\x01\x02\xFF\r\n[S]\r\n", {W("S", "j", "3")}, "\x01\x02\xFF\r\n[S]\r\nj=3\r\n"},
      {"the digitizer edition edits", "[SYSTEM]\r\nMAKER=1\r\nTITLE=型紙ソフト\r\n[DIR]\r\nWAV=C:\\WAV\\\r\n",
       {W("SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1"), W("SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞMST", "1"), R("SYSTEM", "TITLE", "", 100, "型紙ソフト"),
        W("SYSTEM", "TITLE", "型紙ソフト with ﾍﾞﾙﾄﾗﾝ"), R("SYSTEM", "TITLE", "", 100, "型紙ソフト with ﾍﾞﾙﾄﾗﾝ"),
        R("DIR", "WAV", "", 100, "C:\\WAV\\")},
       "[SYSTEM]\r\nMAKER=1\r\nTITLE=型紙ソフト with ﾍﾞﾙﾄﾗﾝ\r\nﾃﾞｼﾞﾀｲｻﾞ=1\r\nﾃﾞｼﾞﾀｲｻﾞMST=1\r\n[DIR]\r\nWAV=C:\\WAV\\\r\n"},
      {"a Japanese section is created", "[SYSTEM]\r\nTITLE=ア\r\n", {W("設定", "ソ", "表"), R("設定", "ソ", "", kBuf, "表")},
       "[SYSTEM]\r\nTITLE=ア\r\n[設定]\r\nソ=表\r\n"},

      // --- writes where we keep what Wine's implementation rewrites
      {"comments and blank lines stay", "; settings\r\n\r\n[S]\r\n;c\r\nj=2\r\n\r\n[T]\r\nx=1\r\n",
       {W("S", "k", "v")}, "; settings\r\n\r\n[S]\r\n;c\r\nj=2\r\nk=v\r\n\r\n[T]\r\nx=1\r\n",
       Differs{"Wine rewrites the whole file from what it parsed and drops the blank lines; Windows and we "
               "change only the one line",
               {"TRUE"}, "; settings\r\n[S]\r\n;c\r\nj=2\r\nk=v\r\n[T]\r\nx=1\r\n"}},
      {"blanks on other lines stay", "[ S ]\r\n  j = 2 \r\n k = 1\r\n", {W("S", "k", "3")},
       "[ S ]\r\n  j = 2 \r\nk=3\r\n",
       Differs{"Wine writes every line afresh from its parsed names and values", {"TRUE"}, "[S]\r\nj=2\r\nk=3\r\n"}},
      {"an LF file stays LF", "[S]\nj=2\n\n[T]\nx=1\n", {W("S", "k", "v"), W("U", "y", "1")},
       "[S]\nj=2\nk=v\n\n[T]\nx=1\n[U]\ny=1\n",
       Differs{"Wine writes CR LF after every line it writes back, which is every line",
               {"TRUE", "TRUE"}, "[S]\r\nj=2\r\nk=v\r\n[T]\r\nx=1\r\n[U]\r\ny=1\r\n"}},
      {"NUL bytes in other lines stay", "[S]\r\nk=a\0b\r\nj=2\r\n"s, {W("S", "j", "3")},
       "[S]\r\nk=a\0b\r\nj=3\r\n"s,
       Differs{"Wine keeps values as C strings: everything after a NUL is lost on the next write", {"TRUE"},
               "[S]\r\nk=a\r\nj=3\r\n"}},
      {"a trailing Ctrl-Z stays", "[S]\r\nk=1\r\n\x1A", {W("S", "j", "3")}, "[S]\r\nk=1\r\nj=3\r\n\x1A",
       Differs{"Wine drops it as a blank line", {"TRUE"}, "[S]\r\nk=1\r\nj=3\r\n"}},
      {"text after a header's ']' stays", "[S] ; note\r\nk=1\r\n", {W("S", "k", "2")}, "[S] ; note\r\nk=2\r\n",
       Differs{"Wine writes the header afresh from the section's name", {"TRUE"}, "[S]\r\nk=2\r\n"}},
      {"a line without '=' is not taken for the key", "[S]\r\nfoo\r\n",
       {W("S", "foo", "3"), R("S", "foo", "D", kBuf, "3")}, "[S]\r\nfoo\r\nfoo=3\r\n",
       Differs{"Wine keeps a bare line as a key without value and gives it the value; we never overwrite a "
               "line that is not key=value, so nothing that was not a setting is lost",
               {"TRUE", "3"}, "[S]\r\nfoo=3\r\n"}},
      {"the caller's blanks around new names are dropped", "[S]\r\nk=1\r\n",
       {W(" S ", " k ", "2"), W(" T ", " j ", "2"), R("T", "j", "D", kBuf, "2")}, "[S]\r\nk=2\r\n[T]\r\nj=2\r\n",
       Differs{"Wine drops only the leading blanks of a new section or key name", {"TRUE", "TRUE", "2"},
               "[S]\r\nk=2\r\n[T ]\r\nj =2\r\n"}},
      {"a value with a line break is refused", "[S]\r\nk=1\r\n", {W("S", "k", "a\r\n[X]\r\ny=2", false)},
       "[S]\r\nk=1\r\n",
       Differs{"Wine writes the value as it comes and so adds section X; a value never spans lines, so we "
               "refuse it and leave the file as it was",
               {"TRUE"}, "[S]\r\nk=a\r\n[X]\r\ny=2\r\n"}},
      {"a key with '=' is refused", "[S]\r\nk=1\r\n", {W("S", "a=b", "2", false), W("S", "[X]", "2", false)},
       "[S]\r\nk=1\r\n",
       Differs{"Wine writes such a key, which reads back as another key or as a section header; we refuse "
               "it",
               {"TRUE", "TRUE"}, "[S]\r\nk=1\r\na=b=2\r\n[X]=2\r\n"}},
  };
}

// ---------------------------------------------------------------------------
// Running a case

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::string read(const std::string& path, const Step& s) = 0;
  virtual bool write(const std::string& path, const Step& s) = 0;
};

class OurLayer : public Backend {
 public:
  std::string read(const std::string& path, const Step& s) override {
    return read_string(native_file_system(), path, s.section, s.key, s.arg, s.max);
  }
  bool write(const std::string& path, const Step& s) override {
    return write_string(native_file_system(), path, s.section, s.key, s.arg);
  }
};

#ifdef _WIN32
class WindowsApi : public Backend {
 public:
  std::string read(const std::string& path, const Step& s) override {
    std::string buf(s.max + 16, '\xCC');
    const DWORD n = GetPrivateProfileStringA(s.section.c_str(), s.key.c_str(), s.arg.c_str(), buf.data(),
                                             static_cast<DWORD>(s.max), path.c_str());
    return buf.substr(0, n);
  }
  bool write(const std::string& path, const Step& s) override {
    return WritePrivateProfileStringA(s.section.c_str(), s.key.c_str(), s.arg.c_str(), path.c_str()) != FALSE;
  }
};
#endif

struct Outcome {
  std::vector<std::string> results;
  std::optional<std::string> after;
};

Outcome run_case(Backend& b, const test::TempDir& dir, const Case& c, std::size_t index) {
  // A file of its own per case and backend: Wine caches profiles by name.
  const std::string name = "case" + std::to_string(index) + ".ini";
  if (c.before) dir.write(name, *c.before);
  Outcome o;
  for (const Step& s : c.steps)
    o.results.push_back(s.write ? (b.write(dir / name, s) ? "TRUE" : "FALSE") : b.read(dir / name, s));
  if (dir.exists(name)) o.after = dir.read(name);
  return o;
}

std::string shown(const std::string& s) {
  std::string out;
  for (unsigned char ch : s) {
    if (ch >= 0x20 && ch < 0x7F && ch != '\\') {
      out += static_cast<char>(ch);
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  return out.size() > 300 ? out.substr(0, 300) + "...(" + std::to_string(s.size()) + " bytes)" : out;
}
std::string shown(const std::optional<std::string>& s) { return s ? shown(*s) : "<no file>"; }

void expect_outcome(const Outcome& got, const std::vector<std::string>& want, const std::optional<std::string>& after) {
  ASSERT_EQ(got.results.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(shown(got.results[i]), shown(want[i])) << "step " << i + 1;
  EXPECT_EQ(shown(got.after), shown(after)) << "file afterwards";
}

std::vector<std::string> wanted(const Case& c) {
  std::vector<std::string> w;
  for (const Step& s : c.steps) w.push_back(s.want);
  return w;
}

TEST(ProfileCompat, OurLayer) {
  test::TempDir dir;
  OurLayer ours;
  const auto table = compat_table();
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(table[i].name);
    expect_outcome(run_case(ours, dir, table[i], i), wanted(table[i]), table[i].after);
  }
}

#ifdef _WIN32
TEST(ProfileCompat, WindowsImplementation) {
  // The product runs on the Japanese code page; under Wine the test sets it
  // through the locale (LC_ALL=ja_JP.UTF-8).
  if (GetACP() != 932) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 932";
  test::TempDir dir;
  WindowsApi api;
  const auto table = compat_table();
  std::size_t differing = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const Case& c = table[i];
    SCOPED_TRACE(c.name);
    const Outcome got = run_case(api, dir, c, i);
    if (c.api) {
      ++differing;
      expect_outcome(got, c.api->results, c.api->after ? c.api->after : c.after);
    } else {
      expect_outcome(got, wanted(c), c.after);
    }
  }
  std::printf("%zu cases, %zu of them differing on purpose\n", table.size(), differing);
}
#endif

// ---------------------------------------------------------------------------
// What the table cannot show: file failures, size, damaged input

TEST(ProfileFiles, ReadOnlyFileIsNotWritten) {
  test::TempDir dir;
  dir.write("ro.ini", "[S]\r\nk=1\r\n");
  FileStatus st;
  ASSERT_TRUE(native_file_system().get_status(dir / "ro.ini", st));
  st.attribute = kAttrReadOnly;
  ASSERT_TRUE(native_file_system().set_status(dir / "ro.ini", st));
  EXPECT_FALSE(write_string(native_file_system(), dir / "ro.ini", "S", "k", "2"));
  EXPECT_EQ(read_string(native_file_system(), dir / "ro.ini", "S", "k", "D"), "1");
}

TEST(ProfileFiles, FailuresAreReportedAndLeaveNothingBehind) {
  test::TempDir dir;
  dir.mkdir("folder.ini");
  struct {
    const char* what;
    std::string path;
  } cases[] = {
      {"the path is a folder", dir / "folder.ini"},
      {"the folder is missing", dir / "nowhere\\s.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(write_string(native_file_system(), c.path, "S", "k", "1"));
    EXPECT_EQ(read_string(native_file_system(), c.path, "S", "k", "D"), "D");
    EXPECT_FALSE(native_file_system().exists(sibling_temp_name(c.path)));
  }
}

// A file layer that fails one step of a write or a read, as a full disk or a
// bad sector would.
class FailingFileSystem : public DelegatingFileSystem {
 public:
  enum Step { Create, Write, Rename, Read };
  FailingFileSystem(FileSystem& inner, Step step) : DelegatingFileSystem(inner), step_(step) {}

  std::unique_ptr<FileWriter> create(const std::string& p) override {
    if (step_ == Create) return nullptr;
    auto w = inner_.create(p);
    if (step_ != Write || !w) return w;
    return std::make_unique<HalfWriter>(std::move(w), p);
  }
  bool rename(const std::string& f, const std::string& t) override {
    return step_ == Rename ? false : inner_.rename(f, t);
  }
  std::unique_ptr<FileReader> open_read(const std::string& p) override {
    auto r = inner_.open_read(p);
    if (step_ != Read || !r) return r;
    return std::make_unique<FailingReader>(p);
  }

 private:
  // Writes half of what it is given, then reports the disk full.
  class HalfWriter : public FileWriter {
   public:
    HalfWriter(std::unique_ptr<FileWriter> w, std::string p) : w_(std::move(w)), p_(std::move(p)) {}
    void write(const void* buf, std::size_t n) override {
      w_->write(buf, n / 2);
      throw FileError(FileError::Op::Write, p_);
    }
    void flush() override { w_->flush(); }
    void close() override { w_->close(); }

   private:
    std::unique_ptr<FileWriter> w_;
    std::string p_;
  };
  class FailingReader : public FileReader {
   public:
    explicit FailingReader(std::string p) : p_(std::move(p)) {}
    std::size_t read(void*, std::size_t) override { throw FileError(FileError::Op::Read, p_); }

   private:
    std::string p_;
  };
  Step step_;
};

TEST(ProfileFiles, AFailedWriteLeavesTheOldFileWhole) {
  const std::string original = "; settings\r\n[SYSTEM]\r\nTITLE=型紙ソフト\r\n";
  const struct {
    const char* what;
    FailingFileSystem::Step step;
  } cases[] = {
      {"the new file cannot be created", FailingFileSystem::Create},
      {"the disk is full half-way", FailingFileSystem::Write},
      {"the rename fails", FailingFileSystem::Rename},
      {"the old file cannot be read", FailingFileSystem::Read},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    dir.write("s.ini", original);
    FailingFileSystem failing(native_file_system(), c.step);
    EXPECT_FALSE(write_string(failing, dir / "s.ini", "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1"));
    EXPECT_EQ(dir.read("s.ini"), original);
    EXPECT_FALSE(dir.exists(sibling_temp_name("s.ini")));
  }
  // A file that cannot be read reads like a missing one.
  test::TempDir dir;
  dir.write("s.ini", original);
  FailingFileSystem failing(native_file_system(), FailingFileSystem::Read);
  EXPECT_EQ(read_string(failing, dir / "s.ini", "SYSTEM", "TITLE", "D"), "D");
}

// Serves one path text from another file, so that settings paths of any
// form can be read.
class Redirect : public DelegatingFileSystem {
 public:
  Redirect(FileSystem& inner, std::string from, std::string to)
      : DelegatingFileSystem(inner), from_(std::move(from)), to_(std::move(to)) {}
  bool exists(const std::string& p) override { return inner_.exists(p == from_ ? to_ : p); }
  std::unique_ptr<FileReader> open_read(const std::string& p) override {
    return inner_.open_read(p == from_ ? to_ : p);
  }

 private:
  std::string from_, to_;
};

// A folder that takes no new file holding a settings file that may be
// written (an installer often grants users the file and not its folder).
// Writes that the test marks fail half-way, as on a full disk.
class NoNewFiles : public DelegatingFileSystem {
 public:
  explicit NoNewFiles(FileSystem& inner, int failingWrites = 0)
      : DelegatingFileSystem(inner), failing_(failingWrites) {}
  std::unique_ptr<FileWriter> create(const std::string& p) override {
    if (!inner_.exists(p)) return nullptr;
    auto w = inner_.create(p);
    if (!w || failing_ == 0) return w;
    --failing_;
    return std::make_unique<HalfWriter>(std::move(w), p);
  }

 private:
  struct HalfWriter : FileWriter {
    HalfWriter(std::unique_ptr<FileWriter> w, std::string p) : w_(std::move(w)), p_(std::move(p)) {}
    void write(const void* buf, std::size_t n) override {
      w_->write(buf, n / 2);
      throw FileError(FileError::Op::Write, p_);
    }
    void flush() override { w_->flush(); }
    void close() override { w_->close(); }
    std::unique_ptr<FileWriter> w_;
    std::string p_;
  };
  int failing_;
};

TEST(ProfileFiles, AFolderThatTakesNoNewFileStillGetsTheEdit) {
  const std::string original = "; settings\r\n[SYSTEM]\r\nTITLE=型紙ソフト\r\n[DIR]\r\nMASTER=C:\\m\r\n";
  const std::string edited = "; settings\r\n[SYSTEM]\r\nTITLE=型紙ソフト\r\nﾃﾞｼﾞﾀｲｻﾞ=1\r\n[DIR]\r\nMASTER=C:\\m\r\n";
  test::TempDir dir;
  dir.write("s.ini", original);
  NoNewFiles noNew(native_file_system());
  ASSERT_TRUE(write_string(noNew, dir / "s.ini", "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1"));
  EXPECT_EQ(dir.read("s.ini"), edited);
  EXPECT_FALSE(dir.exists(sibling_temp_name("s.ini")));
  EXPECT_FALSE(write_string(noNew, dir / "new.ini", "S", "k", "1")) << "a new file needs the folder";
  // A rewrite that fails half-way puts the old bytes back.
  NoNewFiles full(native_file_system(), 1);
  EXPECT_FALSE(write_string(full, dir / "s.ini", "SYSTEM", "TITLE", "x"));
  EXPECT_EQ(dir.read("s.ini"), edited);

#ifndef _WIN32
  // A real folder without write permission, which this layer refuses to
  // root as well.
  test::TempDir real;
  real.write("s.ini", original);
  ASSERT_EQ(chmod(real.path().c_str(), 0555), 0);  // an ASCII path: the same bytes in UTF-8
  EXPECT_TRUE(write_string(native_file_system(), real / "s.ini", "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1"));
  EXPECT_FALSE(write_string(native_file_system(), real / "new.ini", "S", "k", "1"));
  ASSERT_EQ(chmod(real.path().c_str(), 0755), 0);
  EXPECT_EQ(real.read("s.ini"), edited);
  EXPECT_FALSE(real.exists("new.ini"));
  EXPECT_FALSE(real.exists(sibling_temp_name("s.ini")));
#endif
}

// Folders named in a settings file: a relative one counts from the folder
// that holds the settings file.
TEST(ProfileFiles, RelativeFoldersCountFromTheSettingsFile) {
  const struct {
    std::string settings, value, want;
  } cases[] = {
      {"C:\\prod\\v.ini", "master", "C:\\prod\\master"},
      {"C:\\prod\\v.ini", "..\\data\\m", "C:\\prod\\..\\data\\m"},
      {"C:\\プロ\\v.ini", "ソフト", "C:\\プロ\\ソフト"},
      {"/srv/prod/v.ini", "wave", "/srv/prod/wave"},
      {"C:v.ini", "master", "C:master"},
      {"v.ini", "master", "master"},
      {"C:\\prod\\v.ini", "D:\\master", "D:\\master"},
      {"C:\\prod\\v.ini", "D:master", "D:master"},
      {"C:\\prod\\v.ini", "\\master", "\\master"},
      {"C:\\prod\\v.ini", "/master", "/master"},
      {"C:\\prod\\v.ini", "\\\\server\\share\\m", "\\\\server\\share\\m"},
      {"C:\\prod\\v.ini", "", ""},
  };
  // Read through a file system that serves one settings file from memory.
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings + " " + c.value);
    test::TempDir dir;
    dir.write("v.ini", "[DIR]\r\nMASTER=" + c.value + "\r\n");
    Redirect one(native_file_system(), c.settings, dir / "v.ini");
    EXPECT_EQ(read_folder(one, c.settings, "DIR", "MASTER"), c.want);
  }
  test::TempDir dir;
  dir.write("v.ini", "[DIR]\r\n");
  EXPECT_EQ(read_folder(native_file_system(), dir / "v.ini", "DIR", "MASTER"), "") << "no key";
}

#ifndef _WIN32
TEST(ProfileFiles, WriteKeepsTheFileMode) {
  test::TempDir dir;
  dir.write("m.ini", "[S]\r\nk=1\r\n");
  const std::string native = dir.path() + "m.ini";  // an ASCII path: the same bytes in UTF-8
  ASSERT_EQ(chmod(native.c_str(), 0640), 0);
  ASSERT_TRUE(write_string(native_file_system(), dir / "m.ini", "S", "k", "2"));
  struct stat sb {};
  ASSERT_EQ(stat(native.c_str(), &sb), 0);
  EXPECT_EQ(sb.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.read("m.ini"), "[S]\r\nk=2\r\n");
}
#endif

TEST(ProfileFiles, FiftyMegabytesAreEditedWhole) {
  test::TempDir dir;
  std::string big;
  big.reserve(50u << 20);
  big += "[SYSTEM]\r\nTITLE=型紙\r\n[DATA]\r\n";
  for (std::size_t i = 0; big.size() < (50u << 20); ++i) {
    big += 'v';
    big += std::to_string(i);
    big += "=ソフト\\表示 0123456789\r\n";
  }
  dir.write("big.ini", big);
  ASSERT_TRUE(write_string(native_file_system(), dir / "big.ini", "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1"));
  const std::string after = dir.read("big.ini");
  const std::string head = "[SYSTEM]\r\nTITLE=型紙\r\n";
  ASSERT_EQ(after.size(), big.size() + std::string("ﾃﾞｼﾞﾀｲｻﾞ=1\r\n").size());
  EXPECT_EQ(after.substr(0, head.size()), head);
  EXPECT_EQ(after.compare(head.size() + 12, std::string::npos, big, head.size()), 0);
  EXPECT_EQ(read_string(native_file_system(), dir / "big.ini", "DATA", "v99999", "D"), "ソフト\\表示 0123456789");
}

// Random bytes (a fixed generator, so failures repeat) in every size, with
// and without line ends, read and then written: defined results, nothing of
// the junk lost, the value readable afterwards.
TEST(ProfileText, JunkIsReadAndKeptWhole) {
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<char>(seed >> 16);
  };
  for (std::size_t size : {0u, 1u, 2u, 17u, 255u, 4096u, 65536u}) {
    for (int variant = 0; variant < 4; ++variant) {
      std::string junk;
      for (std::size_t i = 0; i < size; ++i) junk += next();
      if (variant == 1) junk += "\r\n[Relvo]\r\nk=1";  // a matching section at the end, no line end
      if (variant == 2) junk.insert(junk.size() / 2, "\n[relvo]\nk=\"1\"\n");
      if (variant == 3) junk += "\x83";  // a lone lead byte last
      SCOPED_TRACE("size " + std::to_string(size) + " variant " + std::to_string(variant));
      const std::string before = read_from_text(junk, "Relvo", "k", "D", 100);
      EXPECT_EQ(before, variant == 1 || variant == 2 ? "1" : "D");
      std::string edited = junk;
      ASSERT_EQ(edit_text(edited, "Relvo", "k", "値"), Edit::Changed);
      EXPECT_EQ(read_from_text(edited, "Relvo", "k", "D"), "値");
      EXPECT_EQ(edit_text(edited, "Relvo", "k", "値"), Edit::Unchanged);
      if (before == "D") {
        EXPECT_EQ(edited.compare(0, junk.size(), junk), 0) << "the junk must stay in front";
      }
    }
  }
}

// Names and values that would break the file's lines are refused and leave
// the text as it was.
TEST(ProfileText, UnsafeWritesAreRefused) {
  const struct {
    const char* what;
    std::string section, key, value;
  } cases[] = {
      {"empty section", "", "k", "v"},
      {"blank section", " \t", "k", "v"},
      {"empty key", "S", "", "v"},
      {"CR LF in the value", "S", "k", "a\r\n[X]"},
      {"a lone CR in the value", "S", "k", "a\rb"},
      {"LF in the key", "S", "k\nj", "v"},
      {"LF in the section", "S\n[X", "k", "v"},
      {"NUL in the value", "S", "k", "a\0b"s},
      {"NUL in the key", "S", "k\0"s, "v"},
      {"'=' in the key", "S", "a=b", "v"},
      {"a key that looks like a header", "S", "[X]", "v"},
      {"a section ending in half a character", "S\x83", "k", "v"},
      {"a key ending in half a character", "S", "ア\x83", "v"},
  };
  const std::string original = "[S]\r\nk=1\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = original;
    EXPECT_EQ(edit_text(text, c.section, c.key, c.value), Edit::Refused);
    EXPECT_EQ(text, original);
  }
  // The same names whole are fine: ゾ ends in 0x5D, ソ in 0x5C.
  std::string text = original;
  EXPECT_EQ(edit_text(text, "ゾ", "ソ", "a=b;c"), Edit::Changed);
  EXPECT_EQ(read_from_text(text, "ゾ", "ソ", "D"), "a=b;c");
}

}  // namespace
}  // namespace relvo::profile
