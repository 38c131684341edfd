// The console's boxes and progress lines: how each box is answered by a
// person, a script or nobody, and that no text reaches the terminal with
// its control characters raw.
#include "fw/console/console_ui.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace relvo::fw::console {
namespace {

const std::string kConfirm = "確認";
std::string Prompt(int disk) { return std::to_string(disk) + " 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。"; }

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = 0; (at = text.find(needle, at)) != std::string::npos; ++at) ++n;
  return n;
}

TEST(ConsoleUi, AnswersAndOutput) {
  struct Box {
    Buttons buttons;
    int disk;       // the prompt's disk
    bool progress;  // a row starts before the box
    int answer;
  };
  struct Case {
    const char* name;
    bool unattended;
    std::string input;
    std::vector<Box> boxes;
  };
  const Case cases[] = {
      {"a person answers OK with enter", false, "\n\nenter\n", {{Buttons::OkCancel, 2, false, kIdOk}}},
      {"a script cancels", false, "click 2\n", {{Buttons::OkCancel, 2, false, kIdCancel}}},
      {"an unknown answer asks again", false, "what\r\nclick 2\n", {{Buttons::OkCancel, 2, false, kIdCancel}}},
      {"end of input cancels a prompt", false, "", {{Buttons::OkCancel, 2, false, kIdCancel}}},
      {"nobody: an OK box", true, "click 2\n", {{Buttons::Ok, 0, false, kIdOk}}},
      {"nobody: a prompt once is OK, again at once Cancel",
       true,
       "",
       {{Buttons::OkCancel, 2, false, kIdOk}, {Buttons::OkCancel, 2, false, kIdCancel}}},
      {"nobody: a row between two prompts, or another disk, keeps them OK",
       true,
       "",
       {{Buttons::OkCancel, 2, false, kIdOk},
        {Buttons::OkCancel, 2, true, kIdOk},
        {Buttons::OkCancel, 3, false, kIdOk},
        {Buttons::Ok, 0, false, kIdOk},
        {Buttons::OkCancel, 3, false, kIdOk}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.input);
    std::ostringstream out;
    ConsoleOptions options;
    options.unattended = c.unattended;
    ConsoleUi ui(in, out, options);
    for (const Box& b : c.boxes) {
      if (b.progress) ui.progress(Progress{1, 1, true, "A:X", "C:\\P"});
      EXPECT_EQ(ui.message_box(b.buttons == Buttons::Ok ? "done" : Prompt(b.disk), kConfirm, b.buttons), b.answer);
    }
    const std::string text = out.str();
    EXPECT_EQ(Count(text, "+-- " + enc::cp932_to_utf8(kConfirm)), c.boxes.size()) << text;
    // Nobody attends: nothing is read, each answer is said.
    if (c.unattended) {
      EXPECT_EQ(in.tellg(), 0) << text;
      EXPECT_EQ(Count(text, "(unattended: click "), c.boxes.size()) << text;
    }
  }
}

// The steps after the rows: a line each, the bytes of a long extraction at
// each quarter only.
TEST(ConsoleUi, StepsAsLines) {
  std::istringstream in;
  std::ostringstream out;
  ConsoleUi ui(in, out, ConsoleOptions{});
  ui.progress(Progress{2, 3, true, "A:X", "B:Y"});
  const std::uint64_t total = 4u << 20;
  for (std::uint64_t done : {std::uint64_t{0}, total / 5, total / 4, total / 3, total * 3 / 4, total})
    ui.step(Step{Step::Kind::Bytes, "", "", "", done, total});
  ui.step(Step{Step::Kind::Bytes, "", "", "", 10, 10});  // a short one says nothing
  ui.step(Step{Step::Kind::Conversion, "", "", "size", 1, 0, false, true});
  ui.step(Step{Step::Kind::Conversion, "", "", "size", 150, 0, true, true});
  ui.step(Step{Step::Kind::Conversion, "", "", "type", 1, 0, true, false});
  ui.step(Step{Step::Kind::Reason, "", "", "C:\\X\\vornel1.ini が見つかりません。"});
  const std::string text = out.str();
  const std::string lines = text.substr(text.find('\n') + 1);
  EXPECT_EQ(lines, "(2/3) 1048576 of 4194304 bytes read\n(2/3) 3145728 of 4194304 bytes read\n"
                   "(2/3) 4194304 of 4194304 bytes read\n(material size conversion) 150 files\n"
                   "(material type conversion) 1 file, failed\nreason: C:\\X\\vornel1.ini " +
                       enc::cp932_to_utf8("が見つかりません。") + "\n");
}

// Names come from media, archives and settings files: an escape sequence in
// one must be shown, never obeyed.
TEST(ConsoleUi, ControlCharactersAreShownEscaped) {
  std::istringstream in;
  std::ostringstream out;
  ConsoleOptions options;
  options.unattended = true;
  ConsoleUi ui(in, out, options);
  ui.message_box("A\x1b]0;owned\x07.LZH\r\nline\ttwo\r\nC:\\\x1b[31m", "\x1b" "c", Buttons::Ok);
  Progress p;
  p.row = 1;
  p.rowCount = 2;
  p.isArchive = true;
  p.source = "A:\\\x1b[2JSYS1.lzh";
  p.target = "C:\\P\\\x7f";
  ui.progress(p);
  const std::string text = out.str();
  EXPECT_NE(text.find("+-- <1b>c "), std::string::npos) << text;
  EXPECT_NE(text.find("| A<1b>]0;owned<07>.LZH\n| line<09>two\n| C:\\<1b>[31m\n"), std::string::npos) << text;
  EXPECT_NE(text.find("(1/2) extract "), std::string::npos) << text;
  EXPECT_NE(text.find("<1b>[2JSYS1.lzh -> "), std::string::npos) << text;
  EXPECT_NE(text.find("<7f>\n"), std::string::npos) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  EXPECT_EQ(text.find('\x7f'), std::string::npos);
}

}  // namespace
}  // namespace relvo::fw::console
