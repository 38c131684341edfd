// The update run's user interface on a console: message boxes printed with
// their captions, OK/Cancel asked on a terminal, progress lines.
#pragma once
#include <cstdio>
#include <string>

#include "fw/ui.h"

namespace relvo::app {

class ConsoleUi : public fw::Ui {
 public:
  // Boxes and progress go to out (UTF-8). An OK/Cancel box is asked on in
  // when interactive; otherwise it is answered Cancel, since nobody can
  // insert a disk and a prompt answered OK would come back for ever.
  ConsoleUi(std::FILE* in, std::FILE* out, bool interactive);
  // stdin and stdout, interactive when stdin is a terminal.
  static ConsoleUi ForStdio();

  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override;
  void begin_wait_cursor() override { ++waitDepth_; }
  void end_wait_cursor() override { --waitDepth_; }
  void progress(const fw::Progress& p) override;

  // True once an OK/Cancel box was answered Cancel without asking.
  bool answeredUnasked() const { return answeredUnasked_; }

 private:
  std::FILE* in_;
  std::FILE* out_;
  bool interactive_;
  bool answeredUnasked_ = false;
  int waitDepth_ = 0;
};

// "[caption] text" in UTF-8, without line end.
std::string FormatBox(const std::string& text, const std::string& caption);
// One progress line in UTF-8, without line end.
std::string FormatProgress(const fw::Progress& p);

}  // namespace relvo::app
