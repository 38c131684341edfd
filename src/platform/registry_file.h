// Registry files read as the registry they describe: regedit's exports and
// Wine's own hive files, for the keys below HKEY_LOCAL_MACHINE they hold.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace relvo::regfile {

// What the first line of a file says it is.
//  - Regedit4: "REGEDIT4". Text in CP932 (the ANSI code page of the Windows
//    that wrote it); REG_SZ/REG_EXPAND_SZ written as hex hold CP932 bytes.
//  - Regedit5: "Windows Registry Editor Version 5.00". Text in UTF-16LE
//    (with or without its byte order mark) or UTF-8; strings written as hex
//    hold UTF-16LE.
//  - WineHive: "WINE REGISTRY Version 2", the files of a Wine prefix
//    (system.reg). Text in ASCII with escapes (UTF-8 taken for any byte above
//    0x7F); strings written as hex hold UTF-16LE.
// A UTF-16LE byte order mark (or a NUL second byte) makes any of them
// UTF-16LE, a UTF-8 one UTF-8. Anything else is Unknown and holds no key.
enum class Format { Unknown, Regedit4, Regedit5, WineHive };

// The grammar read, the same for the three formats but where noted:
//  - A line is a section header when it starts with '[' (after blanks).
//    regedit: [HKEY_LOCAL_MACHINE\SOFTWARE\...] (or HKLM), the name running to
//    the line's last ']'; a removal [-...] and keys of other roots define
//    nothing. Wine: [Software\\...] 1234, relative to the hive's root
//    (";; All keys relative to REGISTRY\\Machine"; a hive of another root
//    holds no HKEY_LOCAL_MACHINE key), the name escaped as its strings are
//    and ending at the first unescaped ']'. Empty components are dropped.
//    A key past the registry's own limits (a component of more than 255
//    characters, more than 512 levels) is no key: its section defines
//    nothing.
//  - A value line is "name"=data or @=data (the default value), blanks
//    allowed around '='. data: "text"; in a Wine hive also str(N):"text"
//    (type N); hex:bytes and hex(N):bytes (N in hex) as comma-separated
//    bytes of one or two hex digits, continued on the next line after a
//    trailing '\'; dword:xxxxxxxx; "-" (a regedit removal).
//  - Escapes in quoted texts: regedit knows \\ and \" (any other backslash
//    stays as written); Wine knows \\, \", \a \b \e \f \n \r \t \v, \xH to
//    \xHHHH (a UTF-16 unit), \0 to \777 (octal), and drops the backslash
//    before any other character.
//  - Lines starting with ';' or '#', blank lines and anything else that is
//    neither a header nor a value line are skipped; so is everything before
//    the first header. Lines end at LF, a CR before it is dropped.
// A key exists when a section names it or a key below it (importing makes
// every key on the way). Sections of the same key add up; for a value the
// last line naming it (in file order) decides.
class RegistryFile {
 public:
  RegistryFile() = default;
  // Reads a whole file's bytes. Never fails: unknown or damaged text gives a
  // file with fewer keys or none. Time and memory linear in the size.
  explicit RegistryFile(std::string_view bytes);

  Format format() const { return format_; }

  // key: CP932, '\'-separated, below HKEY_LOCAL_MACHINE; key and value
  // names compare without regard to case as the registry compares them
  // (letters of every script, full-width ones too). True when the key exists (the empty text names
  // HKEY_LOCAL_MACHINE itself, which exists in every file of a known
  // format that holds machine keys).
  bool has_key(std::string_view key) const;

  // The value valueName ("" = the default value) of key, when the line that
  // decides it is a string value (REG_SZ, REG_EXPAND_SZ unexpanded) that
  // reads whole: its text as CP932, up to its first NUL, characters CP932
  // lacks as '?'. nullopt for a missing key or value, another type, a
  // removal or a malformed line.
  std::optional<std::string> string_value(std::string_view key, std::string_view valueName) const;

  // The value as a program sees it that reads it through the system's
  // ANSI query into a character buffer without looking at its type: a
  // string (REG_SZ, REG_EXPAND_SZ unexpanded, REG_MULTI_SZ) as CP932, so
  // that a multi-string gives its first string; any other type (a dword,
  // binary data) its stored bytes; either up to the first NUL. nullopt for
  // a missing key or value, a removal or a malformed line.
  std::optional<std::string> value_as_text(std::string_view key, std::string_view valueName) const;

  // A value's type and data as the line that decides it gives them.
  struct Typed {
    unsigned type = 1;    // REG_SZ unless the line says otherwise
    bool quoted = false;  // text: quoted (UTF-8); else bytes: hex or dword data
    std::string text;
    std::string bytes;
    bool utf16 = false;   // hex string data is UTF-16LE (else CP932)
  };

 private:
  struct Span {
    std::size_t begin, end;  // the section's lines after its header, in text_
  };
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::uint32_t child(std::uint32_t parent, std::string_view folded_name) const;
  std::uint32_t add_child(std::uint32_t parent, std::string_view folded_name);
  std::uint32_t find_node(std::string_view key) const;
  std::optional<std::string> value_data(std::string_view key, std::string_view valueName) const;
  std::optional<Typed> typed_value(std::string_view key, std::string_view valueName) const;
  void index();

  Format format_ = Format::Unknown;
  bool utf16_strings_ = false;  // hex string data is UTF-16LE (else CP932)
  std::string text_;            // the file as UTF-8
  // Keys as a tree: node 0 is HKEY_LOCAL_MACHINE; children found by
  // (parent node, component case-folded), the component by its number in
  // names_.
  std::unordered_map<std::string, std::uint32_t> names_;
  std::unordered_map<std::uint64_t, std::uint32_t> children_;
  std::vector<std::vector<Span>> sections_;  // per node
};

// Registry::read_value over a file, with the registry's two views: a key
// under SOFTWARE is looked up in the 32-bit view first
// (SOFTWARE\Wow6432Node\..., where a 32-bit installer on 64-bit Windows
// writes it), then as written; the first key that exists ends the search.
// False when neither exists; otherwise true with value as value_as_text
// gives.
bool read_value(const RegistryFile& file, const std::string& keyPath, const std::string& valueName,
                std::optional<std::string>& value);

}  // namespace relvo::regfile
