// The console's message boxes, progress lines and wait cursor: the one
// implementation that the wizard's pages, the update run and every console
// command show their boxes through. Boxes are answered in the pages' input
// language, or without asking when nobody attends the run.
#pragma once
#include <istream>
#include <ostream>
#include <string>

#include "fw/ui.h"

namespace relvo::fw::console {

// The input language, as `relvo wizard --help` and the README give it.
extern const char kActionHelp[];

struct ConsoleOptions {
  bool trueColor = false;   // the terminal shows 24-bit colour: pictures as half-blocks
  bool echo = false;        // input is not a person's: repeat each line read, so the output reads as a transcript
  bool prompt = false;      // a person types: ask with "> "
  // Nobody answers (an unattended run): no input is read. Boxes are printed
  // and answered as UnattendedAnswers says.
  bool unattended = false;
  // A person's terminal of this many rows: each page fits in it, its lists
  // scrolling inside their boxes. 0: pages grow to show all they hold.
  int screenRows = 0;
};

class ConsoleUi : public Ui {
 public:
  // Boxes and progress go to out (UTF-8, control characters escaped);
  // answers and page actions are read from in.
  ConsoleUi(std::istream& in, std::ostream& out, ConsoleOptions options = {});
  // The options for the process's own terminal: true colour when
  // COLORTERM is "truecolor" or "24bit"; a prompt when stdin is a terminal,
  // an echo otherwise; the screen's rows when both ends are a terminal.
  static ConsoleOptions OptionsForStdio();

  // A box with OK (click 1) or OK and Cancel (click 2); enter is OK, esc is
  // Cancel (OK on a box without Cancel). End of input presses the last
  // button. Between two input lines it pumps posted messages.
  int message_box(const std::string& text, const std::string& caption, Buttons buttons) override;
  // The wait cursor: a short "working" line when it goes on.
  void begin_wait_cursor() override;
  void end_wait_cursor() override;
  // "(k/n) extract SOURCE -> TARGET" (or "copy    "), the paths as a user
  // of this platform writes them.
  void progress(const Progress& p) override;
  // Lines for the settings edits, the voice data and each conversion (with
  // its count of files), for an archive of 1 MiB or more the bytes read at
  // each quarter, and the reason for a refused folder, after its box.
  void step(const Step& s) override;

  // Reads one input line for a page or a box, without its line end; false
  // at the end of the input (always when unattended).
  bool read_line(std::string& line);
  std::ostream& out() { return out_; }
  const ConsoleOptions& options() const { return options_; }

 private:

  std::istream& in_;
  std::ostream& out_;
  ConsoleOptions options_;
  int waitDepth_ = 0;
  UnattendedAnswers unattended_;
  std::string reading_;     // what the bytes read belong to: "(k/n)", "(voice data)"
  int quarter_ = 0;         // the quarters of its bytes told
};

// One progress line as the terminal shows it, without line end.
std::string FormatProgress(const Progress& p);
// A step's line, without line end; reading labels the bytes read. Empty
// when the step is not shown.
std::string FormatStep(const Step& s, const std::string& reading);

}  // namespace relvo::fw::console
