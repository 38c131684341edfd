// The console's user interface: message boxes printed with their captions,
// OK/Cancel asked on a terminal, progress lines, the wait cursor.
#pragma once
#include <cstdio>
#include <string>

#include "fw/ui.h"

namespace relvo::fw::console {

class ConsoleUi : public Ui {
 public:
  // Boxes and progress go to out (UTF-8, control characters escaped). An
  // OK/Cancel box is asked on in when interactive; otherwise it is answered
  // Cancel, since nobody can insert a disk and a prompt answered OK would
  // come back for ever.
  ConsoleUi(std::FILE* in, std::FILE* out, bool interactive);
  // stdin and stdout, interactive when stdin is a terminal.
  static ConsoleUi ForStdio();

  int message_box(const std::string& text, const std::string& caption, Buttons buttons) override;
  void begin_wait_cursor() override { ++waitDepth_; }
  void end_wait_cursor() override { --waitDepth_; }
  void progress(const Progress& p) override;

  // True once an OK/Cancel box was answered Cancel without asking.
  bool answeredUnasked() const { return answeredUnasked_; }

 private:
  std::FILE* in_;
  std::FILE* out_;
  bool interactive_;
  bool answeredUnasked_ = false;
  int waitDepth_ = 0;
};

// "[caption] text" as the terminal shows it, without line end; the text's
// own line breaks start indented lines.
std::string FormatBox(const std::string& text, const std::string& caption);
// One progress line as the terminal shows it, without line end.
std::string FormatProgress(const Progress& p);

}  // namespace relvo::fw::console
