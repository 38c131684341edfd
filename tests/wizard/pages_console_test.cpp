// The pages on the console backend with piped input: what a person sees.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/restore_point.h"
#include "fw/console/console_backend.h"
#include "picture/bmp_writer.h"
#include "platform/encoding.h"
#include "support/fake_drives.h"
#include "support/memory_registry.h"
#include "support/temp_dir.h"
#include "wizard/about_dlg.h"
#include "wizard/confirm_dlg.h"
#include "wizard/destination_dlg.h"
#include "wizard/start_dlg.h"

namespace relvo {
namespace {

// The UTF-8 a terminal gets for a CP932 literal.
std::string U(const std::string& cp932) { return enc::cp932_to_utf8(cp932); }

// The line of out that holds needle, or "".
std::string LineWith(const std::string& out, const std::string& needle) {
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (line.find(needle) != std::string::npos) return line;
  return "";
}

class ConsolePagesTest : public ::testing::Test {
 protected:
  ConsolePagesTest()
      : drives({{'C', tmp / "C" + sep()}, {'D', tmp / "D" + sep()}}, 'D'),
        files(drives),
        ctx{"D:\\", files, drives, registry, {tmp / "points" + sep(), &native_file_system()}} {
    tmp.mkdir("C\\Apps");
    tmp.mkdir("D");
    // A picture whose upper half is red and lower half blue.
    test::Bmp bmp;
    bmp.width = 2;
    bmp.height = 2;
    bmp.pixel = [](int, int y) { return y == 0 ? 0xFF0000u : 0x0000FFu; };
    tmp.write("D\\start.bmp", bmp.bytes());
  }
  std::string sep() const { return std::string(1, tmp.path().back()); }

  // Runs dlg on the console with input piped in; returns what was printed.
  std::string Run(fw::Dialog& dlg, const std::string& input, bool trueColor, int& code) {
    std::istringstream in(input);
    std::ostringstream out;
    fw::console::ConsoleBackend console(in, out, drives, {trueColor, true, false});
    fw::ScopedBackend backend(console);
    code = dlg.DoModal();
    return out.str();
  }

  test::TempDir tmp;
  test::FakeDrives drives;
  test::DriveFileSystem files;
  test::MemoryRegistry registry;
  PageContext ctx;
};

TEST_F(ConsolePagesTest, StartPageReadsAsOnScreen) {
  CStartDlg dlg(ctx);
  dlg.m_strMasterAdjust = "1";
  dlg.m_strNotice = "一行目\r\n二行目\x1b[2J";
  dlg.m_strPicture = "start.bmp";
  int code = 0;
  const std::string out = Run(dlg, "bogus\nclick 5\ntype 1006 x\nhelp\nesc\n", false, code);
  EXPECT_EQ(code, fw::kIdCancel);
  EXPECT_NE(LineWith(out, "== " + U("マスタ調整機能付") + " ==="), "");
  // The heading's two lines, beside the picture frame with its file's name.
  EXPECT_NE(LineWith(out, U("ｲﾝｽﾄｰﾙを開始します。")).find("|start|"), std::string::npos) << out;
  EXPECT_NE(LineWith(out, U("下記の注意項目を確認して下さい。")).find("|.bmp |"), std::string::npos) << out;
  // The cautions in their box, line by line, the escape made harmless.
  EXPECT_NE(LineWith(out, "+1006---"), "");
  EXPECT_NE(LineWith(out, "|" + U("一行目")), "");
  EXPECT_NE(LineWith(out, "|" + U("二行目") + "<1b>[2J"), "");
  EXPECT_EQ(out.find("\x1b"), std::string::npos);
  // The buttons on one row, "取消" at the left.
  const std::string buttons = LineWith(out, "[1] " + U("開始"));
  EXPECT_LT(buttons.find("[2] " + U("取消")), buttons.find("[1] " + U("開始")));
  EXPECT_NE(LineWith(out, "keys: enter = 1, esc"), "");
  // Refused lines are explained and change nothing.
  EXPECT_NE(LineWith(out, "? not an action: \"bogus\""), "");
  EXPECT_NE(LineWith(out, "? this page has no control 5"), "");
  EXPECT_NE(LineWith(out, "? box 1006 is read-only"), "");
  EXPECT_NE(out.find(fw::console::kActionHelp), std::string::npos);
}

TEST_F(ConsolePagesTest, PicturesAsHalfBlocksOnlyInTrueColour) {
  const struct {
    const char* picture;
    bool trueColor;
    bool blocks;  // red over red, blue over blue half-blocks
    bool name;
  } cases[] = {{"start.bmp", true, true, false},
               {"start.bmp", false, false, true},
               {"missing.bmp", true, false, false},
               {"missing.bmp", false, false, false}};
  for (const auto& c : cases) {
    CConfirmDlg dlg(ctx);
    dlg.m_strPicture = c.picture;
    dlg.m_strPath = "C:\\Apps";
    int code = 0;
    const std::string out = Run(dlg, "", c.trueColor, code);
    EXPECT_EQ(code, fw::kIdCancel);  // the end of the input is Esc: "戻る"
    EXPECT_EQ(out.find("\x1b[38;2;255;0;0m\x1b[48;2;255;0;0m\xE2\x96\x80") != std::string::npos, c.blocks) << out;
    EXPECT_EQ(out.find("\x1b[38;2;0;0;255m\x1b[48;2;0;0;255m\xE2\x96\x80") != std::string::npos, c.blocks);
    EXPECT_EQ(out.find("|start|") != std::string::npos, c.name) << out;
    EXPECT_NE(LineWith(out, U("更新先：")).find("C:\\Apps"), std::string::npos) << out;
    EXPECT_NE(LineWith(out, "(end of input: esc)"), "");
  }
}

TEST_F(ConsolePagesTest, DestinationPageWalkedByScript) {
  tmp.write("D\\dest.bmp", test::Bmp{}.bytes());
  CDestinationDlg dlg(ctx);
  dlg.m_strUninstallKeys.fill("NULL");
  dlg.m_strPath = "C:\\Program Files";
  int code = 0;
  const std::string out =
      Run(dlg,
          "select 1002 [-c-]\r\ndblclick 1003 Apps\r\ndblclick 1003 [Apps]\r\nclick 1004\r\ntype 1005 " + std::string(32768, 'x') +
              "\r\nclick 1\r\n",
          false, code);
  EXPECT_EQ(code, fw::kIdOk);
  EXPECT_EQ(dlg.m_strPath, "C:\\Apps") << "a path longer than any the system takes is refused";
  EXPECT_NE(LineWith(out, "? box 1005 holds at most 32767 characters"), "");
  EXPECT_NE(LineWith(out, "|C:\\Program Files"), "");
  EXPECT_NE(LineWith(out, "> [-c-]"), "");
  EXPECT_NE(LineWith(out, "|c:\\"), "");
  EXPECT_NE(LineWith(out, "|C:\\Apps"), "");
  EXPECT_NE(LineWith(out, "(working...)"), "");
  EXPECT_NE(LineWith(out, "? control 1004 is not shown"), "");
  EXPECT_NE(LineWith(out, "? list 1003 has no entry \"Apps\": write it as the list shows it, dblclick 1003 [Apps]"), "");
  EXPECT_EQ(out.find(U("更新前に戻す")), std::string::npos);
  const std::string buttons = LineWith(out, "[1] " + U("次へ"));
  EXPECT_LT(buttons.find("[1008] " + U("戻る")), buttons.find("[1] " + U("次へ")));
  // The drive list beside the folder list, each with its number on top.
  const std::string tops = LineWith(out, "+1002");
  EXPECT_LT(tops.find("+1002"), tops.find("+1005"));
}

// "更新前に戻す" shows for a folder with a restore point, however the folder
// is chosen, checked as the view asks; the confirmation page then says what
// its button does.
TEST_F(ConsolePagesTest, RestoreBoxFollowsTheFolder) {
  tmp.write("C\\Apps\\a.ini", "old");
  {
    RestorePointWriter point(native_file_system(), ProductPointsFolder(files, ctx.points.base, "C:\\Apps"), "C:\\Apps");
    ASSERT_TRUE(point.record(files, {"C:\\Apps\\a.ini"}));
    ASSERT_TRUE(point.finish(files));
  }
  const std::string box = U("更新前に戻す") + " (1004)";
  const struct {
    const char* path;
    bool preset;
    std::string input;
    const char* shown;  // the box as the last page showed it ("" hidden)
    bool restorable, restore;
  } cases[] = {
      {"C:\\Program Files", false, "type 1005 C:\\Apps\r\nclick 1004\r\nclick 1\r\n", "[x] ", true, true},
      {"C:\\Apps", true, "click 1\r\n", "[x] ", true, true},
      {"C:\\Apps", true, "click 1004\r\nclick 1\r\n", "[ ] ", true, false},
      {"C:\\Program Files", true, "click 1004\r\nclick 1\r\n", "", false, false},
      {"C:\\Program Files", false, "select 1002 [-c-]\r\ndblclick 1003 [Apps]\r\nclick 1\r\n", "[ ] ", true, false},
      {"C:\\Apps", true, "type 1005 C:\\\r\nclick 1\r\n", "", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    CDestinationDlg dlg(ctx);
    dlg.m_strUninstallKeys.fill("NULL");
    dlg.m_strPath = c.path;
    dlg.m_bRestore = c.preset;
    int code = 0;
    const std::string out = Run(dlg, c.input, false, code);
    EXPECT_EQ(code, fw::kIdOk);
    const std::size_t last = out.rfind("== ");
    EXPECT_EQ(out.find(*c.shown ? c.shown + box : box, last) != std::string::npos, *c.shown != 0) << out;
    EXPECT_EQ(dlg.m_bRestorable, c.restorable);
    EXPECT_EQ(dlg.m_bRestore, c.restore);
  }
  for (const bool restore : {false, true}) {
    CConfirmDlg dlg(ctx);
    dlg.m_strPath = "C:\\Apps";
    dlg.m_bRestore = restore;
    int code = 0;
    const std::string out = Run(dlg, "", false, code);
    EXPECT_EQ(out.find(U("システムを更新前の状態に戻します。")) != std::string::npos, restore) << out;
    EXPECT_NE(out.find("[1] " + U(restore ? "実行" : "更新")), std::string::npos) << out;
  }
}

TEST_F(ConsolePagesTest, VersionBoxEndsWithOk) {
  CAboutDlg dlg;
  int code = 0;
  const std::string out = Run(dlg, "enter\n", false, code);
  EXPECT_EQ(code, fw::kIdOk);
  EXPECT_NE(LineWith(out, "== " + U("ﾊﾞｰｼﾞｮﾝ情報(Relvo)")), "");
  EXPECT_NE(LineWith(out, "Relvo Version 3.0"), "");
  EXPECT_NE(LineWith(out, "[1] OK"), "");
}

}  // namespace
}  // namespace relvo
