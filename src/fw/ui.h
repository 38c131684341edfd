// What the system's own code asks of the user interface: modal message
// boxes, the wait cursor and progress lines. The console and the Win32
// front ends implement it; tests script it.
#pragma once
#include <cstdint>
#include <string>

namespace relvo::fw {

enum class Buttons { Ok, OkCancel };
enum : int { kIdOk = 1, kIdCancel = 2 };

// One row of the update run, reported before the row is worked on.
struct Progress {
  int row = 0;          // 1-based
  int rowCount = 0;
  bool isArchive = false;
  std::string source;   // media path (CP932)
  std::string target;   // target folder or file (CP932)
};

// A step of the update run besides its rows, reported as it goes.
struct Step {
  enum class Kind {
    Bytes,       // the archive in hand: done of total bytes read (its size)
    Settings,    // a settings edit made: path, text "[SECTION] KEY=VALUE"
    Voice,       // the voice data (path, without ".lzh") about to be extracted into target
    Conversion,  // a material master conversion, text "size" or "type": done files
                 // rewritten so far; finished when it ended, ok whether it succeeded
    Reason,      // why the folder was refused, said after its box: text (CP932)
  };
  Kind kind = Kind::Bytes;
  std::string path, target, text;  // CP932
  std::uint64_t done = 0, total = 0;
  bool finished = false, ok = true;
};

class Ui {
 public:
  virtual ~Ui() = default;
  // A modal message box with text and caption (CP932), no icon. Returns the
  // button pressed: kIdOk or kIdCancel.
  virtual int message_box(const std::string& text, const std::string& caption, Buttons buttons) = 0;
  virtual void begin_wait_cursor() = 0;
  virtual void end_wait_cursor() = 0;
  virtual void progress(const Progress& p) = 0;
  // A step besides the rows; a user interface that shows none ignores it.
  virtual void step(const Step&) {}
};

// How a run that nobody attends answers its boxes: OK, except a box with
// Cancel (a disk prompt) shown again at once, with no progress line and no
// other box between, which is answered Cancel: what it asks for did not
// turn up, and asking again would never end. The console's unattended runs
// and the dry run both answer so.
class UnattendedAnswers {
 public:
  // The answer to a box with text and buttons: kIdOk or kIdCancel.
  int answer(const std::string& text, Buttons buttons) {
    if (buttons == Buttons::Ok) {
      lastPrompt_.clear();
      return kIdOk;
    }
    if (text == lastPrompt_) {
      lastPrompt_.clear();
      return kIdCancel;
    }
    lastPrompt_ = text;
    return kIdOk;
  }
  // A progress line came: the next prompt is a new one.
  void progressed() { lastPrompt_.clear(); }

 private:
  std::string lastPrompt_;  // the box with Cancel answered OK last
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
 public:
  explicit WaitCursor(Ui& ui) : ui_(ui) { ui_.begin_wait_cursor(); }
  ~WaitCursor() { ui_.end_wait_cursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  Ui& ui_;
};

}  // namespace relvo::fw
