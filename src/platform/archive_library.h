// The archive library entry the update run and the voice data install call:
// a set-up pair and one command entry taking a command line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace relvo {

class ArchiveLibrary {
 public:
  virtual ~ArchiveLibrary() = default;
  // Called by the run with 0 before any command ("ordinal 6").
  virtual void SetBackgroundMode(int mode) = 0;
  // Called by the run with 1 before any command ("ordinal 8").
  virtual void SetCursorMode(int mode) = 0;
  // "ordinal 301": runs a command line such as
  //   e -mcw<workdir> "<archive>" "<target>"
  // Returns 0 on success; otherwise nonzero, with a zero-terminated CP932
  // message in msg that never exceeds msg_size bytes.
  virtual int Command(void* owner_window, const char* command_line, char* msg, std::size_t msg_size) = 0;

  // Told while a command runs how many bytes of its archive it has read, of
  // the archive's size (as the owner window of such a library is told);
  // empty: nobody. A library that tells nothing ignores it.
  using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;
  virtual void SetProgress(ProgressFn) {}
};

}  // namespace relvo
