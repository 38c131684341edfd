// Our LZH library behind the archive library entry the update run calls:
// the set-up pair and the command entry ("e -mcw<dir> "<archive>" "<target>"").
#pragma once
#include <string>

#include "platform/archive_library.h"
#include "platform/files.h"

namespace relvo::lzh {

// The command line of the command entry, taken apart.
struct ParsedCommand {
  char command = 0;         // 'e'
  std::string work_folder;  // after the w switch; may hold blanks
  std::string archive;      // as given (without ".lzh")
  std::string target;
};

// Parses exactly the form `e -mcw<dir> "<archive>" "<target>"`: the command
// e, switch groups of m, c and w (w takes the rest of the text up to the
// blank before the first quoted argument as the work folder), then the two
// quoted arguments. False with a message (CP932) on anything else.
bool parse_command_line(std::string_view line, ParsedCommand& out, std::string& message);

// The archive file the command names. The update names its archives without
// extension and checks a disk by the path with ".lzh" added, so that file is
// taken whenever it exists, also for a name that holds a dot ("SYS1.V2"
// names "SYS1.V2.lzh"). Otherwise a name with an extension is the file as
// given, and one without gets ".lzh".
std::string archive_file_name(FileSystem& fs, const std::string& path);

// Copies message into buf of size bytes, its control characters (a NUL
// among them) shown escaped as "<NN>": cut at a character boundary so
// that it fits with its terminating zero. Nothing is written when size is 0.
void copy_message(const std::string& message, char* buf, std::size_t size);

class LzhLibrary final : public ArchiveLibrary {
 public:
  explicit LzhLibrary(FileSystem& fs) : fs_(fs) {}

  // "ordinal 6". Background mode: 0 = the command runs to its end before
  // returning, the only way this library works; any value is kept and has
  // no other effect, so calling it again is harmless.
  void SetBackgroundMode(int mode) override { background_mode_ = mode; }
  // "ordinal 8". Cursor mode: 1 = the caller shows its own wait cursor while
  // a command runs. The library has no user interface and never touches the
  // cursor; the value is kept only.
  void SetCursorMode(int mode) override { cursor_mode_ = mode; }
  int background_mode() const { return background_mode_; }
  int cursor_mode() const { return cursor_mode_; }

  // "ordinal 301": runs `e -mcw<dir> "<archive>" "<target>"`. e extracts
  // every file member of <archive>.lzh into <target> under its name alone
  // (stored folders dropped), replacing existing files without asking; it
  // stops at the first member that fails. The switches: m (no questions,
  // never any here), c (replace without comparing times, always so here), w
  // (a work folder: accepted, not used, since every file is written beside
  // its target and renamed into place). owner_window is not used. Returns 0
  // with an empty msg on success; 1 with a message when the command line is
  // not understood; 2 when the archive cannot be read; 3 when a member
  // failed (unsafe name, unsupported method, CRC or write error); 4 when
  // memory ran out, whatever the archive.
  int Command(void* owner_window, const char* command_line, char* msg, std::size_t msg_size) override;
  // Told every 64 KiB of the archive read, and at its end.
  void SetProgress(ProgressFn progress) override { progress_ = std::move(progress); }

 private:
  ProgressFn progress_;
  FileSystem& fs_;
  int background_mode_ = 0;
  int cursor_mode_ = 0;
};

}  // namespace relvo::lzh
