// The console user interface: pages and message boxes shown on a UTF-8
// terminal and driven by one action per input line, the same for a person
// and for piped input.
#pragma once
#include <istream>
#include <ostream>
#include <string>

#include "fw/backend.h"
#include "fw/ui.h"
#include "platform/current_folders.h"

namespace relvo::fw::console {

// The input language, as `relvo wizard --help` and the README give it.
extern const char kActionHelp[];

struct ConsoleOptions {
  bool trueColor = false;  // the terminal shows 24-bit colour: pictures as half-blocks
  bool echo = false;       // input is not a person's: repeat each line read, so the output reads as a transcript
  bool prompt = false;     // a person types: ask with "> "
};

class ConsoleBackend : public Backend, public Ui {
 public:
  // Pages and boxes are shown on out and driven from in; drives answers
  // the pages' drive listings.
  ConsoleBackend(std::istream& in, std::ostream& out, CurrentFolders& drives, ConsoleOptions options = {});
  // The options for the process's own terminal: true colour when
  // COLORTERM is "truecolor" or "24bit"; a prompt when stdin is a terminal,
  // an echo otherwise.
  static ConsoleOptions OptionsForStdio();

  // Shows the page, reads an action, carries it out, shows the page again,
  // until the page ends. Between two actions it pumps posted messages. End
  // of input acts as Esc (and ends a page that stays open with kIdCancel).
  int run_modal(Dialog& dlg) override;
  Ui& ui() override { return *this; }

  // A box with OK (click 1) or OK and Cancel (click 2); enter is OK, esc is
  // Cancel (OK on a box without Cancel). End of input presses the last
  // button.
  int message_box(const std::string& text, const std::string& caption, Buttons buttons) override;
  // The wait cursor: a short "working" line when it goes on.
  void begin_wait_cursor() override;
  void end_wait_cursor() override;
  void progress(const Progress& p) override;

 private:
  // Reads one line; false at the end of the input.
  bool read_line(std::string& line);

  std::istream& in_;
  std::ostream& out_;
  CurrentFolders& drives_;
  ConsoleOptions options_;
  int waitDepth_ = 0;
};

}  // namespace relvo::fw::console
