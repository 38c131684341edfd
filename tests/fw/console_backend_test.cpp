// The console backend's input language, message boxes and modal loop.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "fw/console/console_backend.h"
#include "fw/console/dialog_window.h"
#include "fw/dialog.h"
#include "platform/encoding.h"
#include "res/dialogs.h"
#include "platform/files.h"
#include "support/fake_drives.h"
#include "support/temp_dir.h"

namespace relvo::fw::console {
namespace {

TEST(ParseAction, ReadsOneActionPerLine) {
  using V = Action::Verb;
  const struct {
    const char* line;  // UTF-8
    bool ok;
    V verb;
    int id;
    const char* text;  // CP932, or the start of why when not ok
  } cases[] = {
      {"click 1008", true, V::Click, 1008, ""},
      {"  CLICK 2\r", true, V::Click, 2, ""},
      {"7", true, V::Click, 7, ""},
      {"enter", true, V::Enter, 0, ""},
      {"esc", true, V::Esc, 0, ""},
      {"help", true, V::Help, 0, ""},
      {"select 1002 [-c-]", true, V::Select, 1002, "[-c-]"},
      {"dblclick 1003 [Program Files]", true, V::DblClick, 1003, "[Program Files]"},
      {"select 1003 [\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88]", true, V::Select, 1003, "[ソフト]"},
      {"type 1005 C:\\Program Files\\ ", true, V::Type, 1005, "C:\\Program Files\\ "},
      {"type 1005 ", true, V::Type, 1005, ""},
      {"type 1005", true, V::Type, 1005, ""},
      {"", true, V::Enter, 0, ""},
      {" \t", true, V::Enter, 0, ""},
      {"\x1b ", true, V::Esc, 0, ""},
      {"scroll 1003", true, V::Scroll, 1003, ""},
      {"\x1b[A", false, V::Help, 0, "? the Up arrow key does nothing here"},
      {"\x1bOB\x1b[1;5C\x1b[6~", false, V::Help, 0, "? the Down arrow, Right arrow, Page Down keys do nothing"},
      {"\x1b[Aclick 1", false, V::Help, 0, "? not an action: \"<1b>[Aclick 1\""},
      {"bogus 1", false, V::Help, 0, ""},
      {"click", false, V::Help, 0, ""},
      {"click x", false, V::Help, 0, ""},
      {"click 1 2", false, V::Help, 0, ""},
      {"enter now", false, V::Help, 0, ""},
      {"select [-c-]", false, V::Help, 0, ""},
      {"1 2", false, V::Help, 0, ""},
  };
  for (const auto& c : cases) {
    std::string why;
    const auto a = ParseAction(c.line, why);
    ASSERT_EQ(a.has_value(), c.ok) << c.line;
    if (!c.ok) {
      EXPECT_EQ(why.rfind(*c.text ? c.text : "? ", 0), 0u) << why;
      EXPECT_EQ(why.find('\n'), std::string::npos);
      continue;
    }
    EXPECT_EQ(a->verb, c.verb) << c.line;
    EXPECT_EQ(a->id, c.id) << c.line;
    EXPECT_EQ(a->text, c.text) << c.line;
  }
}

class ConsoleTest : public ::testing::Test {
 protected:
  test::FakeDrives drives{{}, 'C'};
};

TEST_F(ConsoleTest, MessageBoxButtons) {
  const struct {
    Buttons buttons;
    const char* input;
    int result;
    const char* shown;  // a line the person saw
  } cases[] = {
      {Buttons::Ok, "", kIdOk, "(end of input: click 1)"},
      {Buttons::OkCancel, "", kIdCancel, "(end of input: click 2)"},
      {Buttons::OkCancel, "click 2\n", kIdCancel, "[1] OK   [2] "},
      {Buttons::OkCancel, "esc\n", kIdCancel, ""},
      {Buttons::Ok, "esc\n", kIdOk, ""},
      {Buttons::OkCancel, "bogus\nenter\n", kIdOk, "? not an action"},
      {Buttons::Ok, "click 2\n1\n", kIdOk, "? this box has button 1 only"},
      {Buttons::OkCancel, "select 1 x\nclick 1\n", kIdOk, "? a message box takes click 1, click 2, enter or esc"},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream out;
    ConsoleBackend console(in, out, drives);
    EXPECT_EQ(console.ui().message_box("一行目\r\n二行目", "確認", c.buttons), c.result) << c.input;
    const std::string s = out.str();
    EXPECT_NE(s.find("+-- " + enc::cp932_to_utf8("確認")), std::string::npos);
    EXPECT_NE(s.find("| " + enc::cp932_to_utf8("一行目") + "\n| " + enc::cp932_to_utf8("二行目") + "\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find(c.shown), std::string::npos) << s;
  }
}

TEST_F(ConsoleTest, ModalLoopPumpsPostedMessagesBetweenActions) {
  int pumped = 0;
  const MessagePump before = SetMessagePump([&] { ++pumped; });
  std::istringstream in("bogus\nhelp\nclick 1\n");
  std::ostringstream out;
  ConsoleBackend console(in, out, drives);
  ScopedBackend backend(console);
  Dialog about(res::kAboutTemplate);
  EXPECT_EQ(about.DoModal(), kIdOk);
  EXPECT_EQ(pumped, 3);
  SetMessagePump(before);
  // A message box pumps too, and wait cursors print one line however deep.
  std::istringstream in2("x\nenter\n");
  ConsoleBackend boxes(in2, out, drives);
  pumped = 0;
  SetMessagePump([&] { ++pumped; });
  boxes.ui().message_box("t", "c", Buttons::Ok);
  EXPECT_EQ(pumped, 2);
  SetMessagePump(nullptr);
}

TEST_F(ConsoleTest, WaitCursorShowsOneLineWhileOn) {
  std::istringstream in;
  std::ostringstream out;
  ConsoleBackend console(in, out, drives);
  console.ui().begin_wait_cursor();
  console.ui().begin_wait_cursor();
  console.ui().end_wait_cursor();
  console.ui().end_wait_cursor();
  console.ui().begin_wait_cursor();
  console.ui().end_wait_cursor();
  EXPECT_EQ(out.str(), "(working...)\n(working...)\n");
}

TEST(ActionHelp, IsTheOneTheReadmeShows) {
  std::string readme;
  ASSERT_TRUE(read_whole_file(native_file_system(), test::test_data_dir() + "../../README.md", readme));
  EXPECT_NE(readme.find(std::string("```\n") + kActionHelp + "```\n"), std::string::npos);
}

}  // namespace
}  // namespace relvo::fw::console
