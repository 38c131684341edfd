// The console's boxes and progress lines: how each box is answered with and
// without a terminal, and that no text reaches the terminal with its
// control characters raw.
#include "fw/console/console_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/encoding.h"

namespace relvo::fw::console {
namespace {

const std::string kConfirm = "確認";
std::string Prompt(int disk) { return std::to_string(disk) + " 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。"; }

std::string Contents(std::FILE* f) {
  std::rewind(f);
  std::string text;
  for (int ch; (ch = std::fgetc(f)) != EOF;) text += static_cast<char>(ch);
  return text;
}

TEST(ConsoleUi, AnswersAndOutput) {
  struct Case {
    const char* name;
    bool interactive;
    std::string input;
    Buttons buttons;
    int answer;
    bool unasked;
    int questions;
  };
  const Case cases[] = {
      {"OK box needs no answer", true, "", Buttons::Ok, kIdOk, false, 0},
      {"prompt without a terminal cancels", false, "o\n", Buttons::OkCancel, kIdCancel, true, 0},
      {"empty line is OK", true, "\n", Buttons::OkCancel, kIdOk, false, 1},
      {"unknown answer asks again", true, "what\r\nc\n", Buttons::OkCancel, kIdCancel, false, 2},
      {"end of input cancels", true, "", Buttons::OkCancel, kIdCancel, true, 1},
      {"ok in capitals", true, " OK \n", Buttons::OkCancel, kIdOk, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::FILE* in = std::tmpfile();
    std::FILE* out = std::tmpfile();
    ASSERT_TRUE(in && out);
    std::fputs(c.input.c_str(), in);
    std::rewind(in);
    ConsoleUi ui(in, out, c.interactive);
    EXPECT_EQ(ui.message_box(Prompt(2), kConfirm, c.buttons), c.answer);
    EXPECT_EQ(ui.answeredUnasked(), c.unasked);
    const std::string text = Contents(out);
    EXPECT_EQ(text.rfind(enc::cp932_to_utf8("[確認] " + Prompt(2)) + "\n", 0), 0u) << text;
    std::size_t asked = 0;
    for (std::size_t at = 0; (at = text.find("[o/c]", at)) != std::string::npos; ++at) ++asked;
    EXPECT_EQ(asked, std::size_t(c.questions));
    std::fclose(in);
    std::fclose(out);
  }
}

// Names come from media, archives and settings files: an escape sequence in
// one must be shown, never obeyed.
TEST(ConsoleUi, ControlCharactersAreShownEscaped) {
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(out);
  ConsoleUi ui(stdin, out, false);
  ui.message_box("A\x1b]0;owned\x07.LZH\r\nline\ttwo", "\x1b" "c", Buttons::Ok);
  Progress p;
  p.row = 1;
  p.rowCount = 2;
  p.isArchive = true;
  p.source = "A:\\\x1b[2JSYS1.lzh";
  p.target = "C:\\P\\\x7f";
  ui.progress(p);
  EXPECT_EQ(Contents(out),
            "[\\x1bc] A\\x1b]0;owned\\x07.LZH\n"
            "    line\\ttwo\n"
            "(1/2) extract A:\\\\x1b[2JSYS1.lzh -> C:\\P\\\\x7f\n");
  std::fclose(out);
}

}  // namespace
}  // namespace relvo::fw::console
