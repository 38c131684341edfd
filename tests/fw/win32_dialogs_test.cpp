// The pages as real dialogs of the Win32 front end, driven from inside the
// test by the messages a person's clicks and keys send: end codes, texts,
// the drive and folder lists, sizes against the templates, message boxes.
#include <gtest/gtest.h>

#include "fw/win32/windows_api.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fw/win32/dialog_window.h"
#include "fw/win32/wide_text.h"
#include "fw/win32/win32_backend.h"
#include "res/dialogs.h"
#include "support/fake_drives.h"
#include "support/list_box_order.h"
#include "support/memory_registry.h"
#include "support/temp_dir.h"
#include "wizard/about_dlg.h"
#include "wizard/confirm_dlg.h"
#include "wizard/destination_dlg.h"
#include "wizard/start_dlg.h"

namespace relvo {
namespace {

using fw::win32::Narrow;
using fw::win32::Wide;
using Strings = std::vector<std::string>;

// Runs a function once the thread's modal loop is idle: a thread timer
// whose procedure the loop dispatches. Scripts may nest (a page's script
// opens a message box whose own script runs in the box's loop).
std::map<UINT_PTR, std::function<void()>>& PendingScripts() {
  static std::map<UINT_PTR, std::function<void()>> pending;
  return pending;
}

void CALLBACK RunPendingScript(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto it = PendingScripts().find(id);
  if (it == PendingScripts().end()) return;
  const std::function<void()> f = std::move(it->second);
  PendingScripts().erase(it);
  f();
}

// Forgets the scripts that a modal run ended before they ran.
void DropPendingScripts() {
  for (const auto& p : PendingScripts()) KillTimer(nullptr, p.first);
  PendingScripts().clear();
}

void AtIdle(std::function<void()> f) {
  const UINT_PTR id = SetTimer(nullptr, 0, 1, &RunPendingScript);
  ASSERT_NE(id, 0u);
  PendingScripts()[id] = std::move(f);
}

std::string TextOf(HWND w) {
  std::wstring buf(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
  buf.resize(static_cast<std::size_t>(GetWindowTextW(w, buf.data(), static_cast<int>(buf.size()))));
  return Narrow(buf);
}

std::string ClassOf(HWND w) {
  wchar_t name[64] = {};
  GetClassNameW(w, name, 64);
  return Narrow(name);
}

Strings ListEntries(HWND list) {
  Strings out;
  const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring buf(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    buf.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf.data()))));
    out.push_back(Narrow(buf));
  }
  return out;
}

// A person's actions, as the messages the system sends for them.
void Click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
// Enter and Esc go through the dialog's own loop (IsDialogMessage), so
// they take effect after the script returns.
void Key(HWND dlg, WPARAM vk) {
  HWND focus = GetFocus();
  PostMessageW(focus && (focus == dlg || IsChild(dlg, focus)) ? focus : dlg, WM_KEYDOWN, vk, 0);
}
void TypeInto(HWND dlg, int id, const std::string& text) { SetDlgItemTextW(dlg, id, Wide(text).c_str()); }
// Selects entry text of a list box and notifies the dialog, as a click
// (or a double click) on it does.
void Choose(HWND dlg, int id, const std::string& text, bool twice = false) {
  HWND list = GetDlgItem(dlg, id);
  const LRESULT i = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Wide(text).c_str()));
  ASSERT_NE(i, LB_ERR) << Narrow(Wide(text));
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  if (twice) SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

// Runs f on dlg's window once the system has shown it.
void WhenShown(fw::Dialog& dlg, std::function<void(HWND)> f) {
  AtIdle([&dlg, f] {
    auto* w = static_cast<fw::win32::Win32DialogWindow*>(dlg.Window());
    if (w && IsWindowVisible(w->hwnd())) {
      f(w->hwnd());
    } else if (w || !dlg.IsEnded()) {
      WhenShown(dlg, f);
    }
  });
}

class Win32DialogsTest : public ::testing::Test {
 protected:
  Win32DialogsTest()
      : drives({{'C', tmp / "C" + sep()}, {'D', tmp / "D" + sep()}}, 'D'),
        files(drives),
        ctx{"D:\\", files, drives, registry} {
    tmp.mkdir("C");
    tmp.mkdir("D");
  }
  std::string sep() const { return std::string(1, tmp.path().back()); }

  // Runs dlg modally on the Win32 backend with script acting on its window
  // once it is up; a script that leaves it open fails the test.
  int Run(fw::Dialog& dlg, const std::function<void(HWND)>& script) {
    WhenShown(dlg, [&](HWND hwnd) {
      script(hwnd);
      // What the script posted is handled first; then a page still open
      // is a failure.
      AtIdle([&dlg, hwnd] {
        if (!dlg.IsEnded() && IsWindow(hwnd)) {
          ADD_FAILURE() << "the script left the page open";
          EndDialog(hwnd, -1);
        }
      });
    });
    fw::ScopedBackend scoped(backend);
    struct Drop {
      ~Drop() { DropPendingScripts(); }
    } drop;
    const int code = dlg.DoModal();
    EXPECT_EQ(dlg.Window(), nullptr);
    EXPECT_FALSE(backend.win32_ui().waiting());
    return code;
  }

  test::TempDir tmp;
  test::FakeDrives drives;
  test::DriveFileSystem files;
  test::MemoryRegistry registry;
  PageContext ctx;
  fw::win32::Win32Backend backend;
};

// The pixels of a rectangle in dialog units, as the system maps them for
// this dialog's font: the position and the size each on its own.
RECT Pixels(HWND dlg, int x, int y, int cx, int cy) {
  RECT at{x, y, cx, cy};
  MapDialogRect(dlg, &at);
  return RECT{at.left, at.top, at.left + at.right, at.top + at.bottom};
}

// Every control as its template lists it, in template order: class, id,
// text, and place and size in pixels; the dialog's client area is the
// template's size.
void ExpectLaidOutAsTemplate(HWND dlg, const fw::DialogTemplate& t, const std::map<int, std::string>& texts) {
  RECT client{};
  GetClientRect(dlg, &client);
  const RECT size = Pixels(dlg, 0, 0, t.cx, t.cy);
  EXPECT_EQ(client.right, size.right) << t.id;
  EXPECT_EQ(client.bottom, size.bottom) << t.id;
  HWND c = GetWindow(dlg, GW_CHILD);
  for (const fw::ControlTemplate& ct : t.controls) {
    ASSERT_NE(c, nullptr) << t.id;
    static const std::map<fw::ControlClass, std::string> kClasses = {{fw::ControlClass::Button, "Button"},
                                                                      {fw::ControlClass::Edit, "Edit"},
                                                                      {fw::ControlClass::Static, "Static"},
                                                                      {fw::ControlClass::ListBox, "ListBox"}};
    EXPECT_EQ(ClassOf(c), kClasses.at(ct.kind)) << t.id << " " << ct.id;
    EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(c)), static_cast<WORD>(ct.id)) << t.id;
    RECT r{};
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    const RECT want = Pixels(dlg, ct.x, ct.y, ct.cx, ct.cy);
    EXPECT_EQ(r.left, want.left) << t.id << " " << ct.id;
    EXPECT_EQ(r.top, want.top) << t.id << " " << ct.id;
    if (ct.captionResource == 0) {  // an icon static takes its icon's size
      EXPECT_EQ(r.right, want.right) << t.id << " " << ct.id;
      EXPECT_EQ(r.bottom, want.bottom) << t.id << " " << ct.id;
    }
    EXPECT_EQ((GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0, (ct.style & fw::kWsVisible) != 0) << ct.id;
    const auto text = texts.find(ct.id);
    if (ct.captionResource == 0) {
      EXPECT_EQ(TextOf(c), text != texts.end() ? text->second : std::string(ct.caption)) << t.id << " " << ct.id;
    }
    c = GetWindow(c, GW_HWNDNEXT);
  }
  EXPECT_EQ(c, nullptr) << t.id;
}

TEST_F(Win32DialogsTest, PagesAreTheirTemplatesWithTheirTexts) {
  {
    CStartDlg dlg(ctx);
    dlg.m_strNotice = "一行目\r\n二行目のソフト";
    dlg.m_strMasterAdjust = "0";
    EXPECT_EQ(Run(dlg,
                  [&](HWND h) {
                    EXPECT_EQ(TextOf(h), "アップデート");
                    ExpectLaidOutAsTemplate(h, res::kStartTemplate, {{res::IDC_NOTICE, dlg.m_strNotice}});
                    EXPECT_EQ(SendDlgItemMessageW(h, res::IDC_NOTICE, EM_GETLINECOUNT, 0, 0), 2);
                    EXPECT_EQ(GetDlgCtrlID(GetFocus()), fw::kIdOk);  // the first tab stop
                    Key(h, VK_ESCAPE);
                  }),
              fw::kIdCancel);
  }
  {
    CDestinationDlg dlg(ctx);
    dlg.m_strPath = "C:\\Program Files\\ソフト";
    dlg.m_strNotice = "説明";
    dlg.m_strUninstallKeys.fill("NULL");
    EXPECT_EQ(Run(dlg,
                  [&](HWND h) {
                    EXPECT_EQ(TextOf(h), "アップデート");
                    ExpectLaidOutAsTemplate(h, res::kDestinationTemplate,
                                            {{res::IDC_PATH, dlg.m_strPath}, {res::IDC_NOTICE, "説明"}});
                    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, res::IDC_RESTORE_CHECK)));
                    Key(h, VK_ESCAPE);
                  }),
              fw::kIdCancel);
  }
  {
    CConfirmDlg dlg(ctx);
    dlg.m_strPath = "C:\\TOOLS\\ソフト";
    EXPECT_EQ(Run(dlg,
                  [&](HWND h) {
                    EXPECT_EQ(TextOf(h), "アップデート");
                    ExpectLaidOutAsTemplate(h, res::kConfirmTemplate, {{res::IDC_NOTICE, dlg.m_strPath}});
                    Key(h, VK_RETURN);
                  }),
              fw::kIdOk);
  }
  {
    CAboutDlg dlg;
    EXPECT_EQ(Run(dlg,
                  [&](HWND h) {
                    EXPECT_EQ(TextOf(h), "ﾊﾞｰｼﾞｮﾝ情報(Relvo)");
                    ExpectLaidOutAsTemplate(h, res::kAboutTemplate, {});
                    // The icon static shows icon 128 of the program.
                    HWND icon = GetWindow(h, GW_CHILD);
                    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0);
                    Click(h, fw::kIdOk);
                  }),
              fw::kIdOk);
  }
}

TEST_F(Win32DialogsTest, PagesEndWithTheCodeOfTheirButtonsAndKeys) {
  const struct {
    const char* how;
    std::function<void(HWND)> act;
    int start, confirm, destination;
  } cases[] = {
      {"click OK", [](HWND h) { Click(h, fw::kIdOk); }, 1, 1, 1},
      {"Enter", [](HWND h) { Key(h, VK_RETURN); }, 1, 1, 1},
      {"Esc", [](HWND h) { Key(h, VK_ESCAPE); }, 2, 2, 2},
      {"click Cancel or Back",
       [](HWND h) { Click(h, GetDlgItem(h, fw::kIdCancel) ? int{fw::kIdCancel} : int{res::IDC_BACK}); }, 2, 2, res::IDC_BACK},
  };
  for (const auto& c : cases) {
    CStartDlg start(ctx);
    EXPECT_EQ(Run(start, c.act), c.start) << c.how;
    CConfirmDlg confirm(ctx);
    EXPECT_EQ(Run(confirm, c.act), c.confirm) << c.how;
    CDestinationDlg destination(ctx);
    destination.m_strPath = "proposed";
    destination.m_strUninstallKeys.fill("NULL");
    EXPECT_EQ(Run(destination,
                  [&](HWND h) {
                    TypeInto(h, res::IDC_PATH, "D:\\typed ソフト");
                    c.act(h);
                  }),
              c.destination)
        << c.how;
    EXPECT_EQ(destination.m_strPath, c.destination == 1 ? "D:\\typed ソフト" : "proposed") << c.how;
    EXPECT_EQ(drives.current_drive(), 4) << c.how;  // D:, current at opening
  }
}

TEST_F(Win32DialogsTest, DestinationPageListsTheSystemsDrivesAndWalksFolders) {
  tmp.mkdir("C\\Apps\\ソフト");
  tmp.mkdir("C\\zeta");
  tmp.write("C\\file.txt", "x");
  CDestinationDlg dlg(ctx);
  dlg.m_strUninstallKeys.fill("NULL");
  Strings systemDrives;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) systemDrives.push_back(std::string("[-") + static_cast<char>('a' + i) + "-]");
  const int code = Run(dlg, [&](HWND h) {
    HWND folders = GetDlgItem(h, res::IDC_FOLDER_LIST);
    EXPECT_EQ(ListEntries(GetDlgItem(h, res::IDC_DRIVE_LIST)), systemDrives);
    EXPECT_EQ(ListEntries(folders), Strings{});

    Choose(h, res::IDC_DRIVE_LIST, "[-c-]");
    EXPECT_EQ(TextOf(GetDlgItem(h, res::IDC_PATH)), "c:\\");
    EXPECT_EQ(ListEntries(folders), (Strings{"[..]", "[Apps]", "[zeta]"}));

    Choose(h, res::IDC_FOLDER_LIST, "[Apps]");
    EXPECT_EQ(TextOf(GetDlgItem(h, res::IDC_PATH)), "C:\\Apps");
    EXPECT_EQ(ListEntries(folders), (Strings{"[..]", "[ソフト]"}));

    Choose(h, res::IDC_FOLDER_LIST, "[ソフト]", true);
    EXPECT_EQ(TextOf(GetDlgItem(h, res::IDC_PATH)), "C:\\Apps\\ソフト");
    EXPECT_EQ(ListEntries(folders), Strings{"[..]"});
    EXPECT_EQ(SendMessageW(folders, LB_GETCURSEL, 0, 0), LB_ERR);
    Click(h, fw::kIdOk);
  });
  EXPECT_EQ(code, fw::kIdOk);
  EXPECT_EQ(dlg.m_strPath, "C:\\Apps\\ソフト");
}

// The keyboard walks the lists: keys that move the selection enter nothing,
// Enter or Space takes the entry as a click would, and Enter is the list's.
TEST_F(Win32DialogsTest, DestinationListsTakeTheKeyboard) {
  tmp.mkdir("C\\Apps\\Sub");
  tmp.mkdir("C\\zeta");
  CDestinationDlg dlg(ctx);
  dlg.m_strPath = "proposed";
  dlg.m_strUninstallKeys.fill("NULL");
  auto key = [](HWND list, WPARAM vk) { SendMessageW(list, WM_KEYDOWN, vk, 0); };
  const int code = Run(dlg, [&](HWND h) {
    HWND drivesList = GetDlgItem(h, res::IDC_DRIVE_LIST), folders = GetDlgItem(h, res::IDC_FOLDER_LIST);
    HWND path = GetDlgItem(h, res::IDC_PATH);
    const Strings driveEntries = ListEntries(drivesList);
    const auto c = std::find(driveEntries.begin(), driveEntries.end(), "[-c-]") - driveEntries.begin();
    key(drivesList, VK_HOME);
    for (int i = 0; i < c; ++i) key(drivesList, VK_DOWN);
    EXPECT_EQ(SendMessageW(drivesList, LB_GETCURSEL, 0, 0), c);
    EXPECT_EQ(TextOf(path), "proposed");  // moving is not choosing
    key(drivesList, VK_SPACE);
    EXPECT_EQ(TextOf(path), "c:\\");
    EXPECT_EQ(ListEntries(folders), (Strings{"[..]", "[Apps]", "[zeta]"}));
    key(folders, VK_HOME);
    key(folders, VK_DOWN);
    key(folders, VK_END);
    key(folders, VK_UP);
    EXPECT_EQ(TextOf(path), "c:\\");
    key(folders, VK_RETURN);
    EXPECT_EQ(TextOf(path), "C:\\Apps");
    EXPECT_EQ(ListEntries(folders), (Strings{"[..]", "[Sub]"}));
    MSG enter{folders, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(SendMessageW(folders, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
    Click(h, fw::kIdOk);
  });
  EXPECT_EQ(code, fw::kIdOk);
  EXPECT_EQ(dlg.m_strPath, "C:\\Apps");
}

// A page whose OK handler fails as a file operation can.
class FailingDlg : public fw::Dialog {
 public:
  FailingDlg() : fw::Dialog(res::kConfirmTemplate) {}

 protected:
  void OnOK() override { throw std::runtime_error("read error"); }
};

TEST_F(Win32DialogsTest, AnExceptionOfThePagesCodeEndsThePageAndIsThrownFromDoModal) {
  FailingDlg failing;
  HWND seen = nullptr;
  EXPECT_THROW(Run(failing,
                   [&](HWND h) {
                     seen = h;
                     Click(h, fw::kIdOk);
                   }),
               std::runtime_error);
  EXPECT_FALSE(IsWindow(seen));
  // The next page runs as usual.
  CStartDlg start(ctx);
  EXPECT_EQ(Run(start, [](HWND h) { Click(h, fw::kIdOk); }), fw::kIdOk);
}

// A window of the thread that records what is posted to it.
class Recorder {
 public:
  Recorder() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RelvoTestRecorder";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowW(L"RelvoTestRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  ~Recorder() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  static std::vector<WPARAM>& commands() {
    static std::vector<WPARAM> c;
    return c;
  }

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) commands().push_back(wp);
    return DefWindowProcW(h, msg, wp, lp);
  }
  HWND hwnd_;
};

TEST_F(Win32DialogsTest, WhatIsPostedToOtherWindowsArrivesWhileAPageIsOpen) {
  Recorder other;
  Recorder::commands().clear();
  ASSERT_TRUE(PostMessageW(other.hwnd(), WM_COMMAND, 104, 0));
  CStartDlg dlg(ctx);
  Run(dlg, [&](HWND h) {
    EXPECT_EQ(Recorder::commands(), std::vector<WPARAM>{104});
    Click(h, fw::kIdCancel);
  });
}

// The message box of the current modal loop, found by its caption.
// Falls back on the active window, so that a failed search still closes
// the box instead of leaving the test waiting for ever.
HWND FindBox(const std::string& caption) {
  HWND box = FindWindowW(L"#32770", Wide(caption).c_str());
  EXPECT_NE(box, nullptr) << "no box " << Narrow(Wide(caption));
  return box ? box : GetActiveWindow();
}

TEST_F(Win32DialogsTest, MessageBoxesAnswerAndBelongToTheOpenPage) {
  fw::win32::Win32Ui& ui = backend.win32_ui();
  const struct {
    fw::Buttons buttons;
    WPARAM key;
    int answer;
  } cases[] = {{fw::Buttons::OkCancel, VK_ESCAPE, fw::kIdCancel},
               {fw::Buttons::OkCancel, VK_RETURN, fw::kIdOk},
               {fw::Buttons::Ok, VK_ESCAPE, fw::kIdOk},
               {fw::Buttons::Ok, VK_RETURN, fw::kIdOk}};
  for (const auto& c : cases) {
    AtIdle([&] {
      HWND box = FindBox("確認");
      EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);  // no owner set
      // The text and the buttons asked for, no icon.
      std::string text;
      std::vector<int> buttons;
      bool icon = false;
      for (HWND k = GetWindow(box, GW_CHILD); k; k = GetWindow(k, GW_HWNDNEXT)) {
        if (!IsWindowVisible(k)) continue;
        if (ClassOf(k) == "Button") buttons.push_back(GetDlgCtrlID(k));
        if (ClassOf(k) != "Static") continue;
        if ((GetWindowLongW(k, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
          icon = icon || SendMessageW(k, STM_GETICON, 0, 0) != 0;
        else
          text += TextOf(k);
      }
      EXPECT_EQ(text, "ディスク 2 を入れて下さい。");
      const std::vector<int> want =
          c.buttons == fw::Buttons::Ok ? std::vector<int>{IDOK} : std::vector<int>{IDOK, IDCANCEL};
      EXPECT_EQ(buttons, want);
      EXPECT_FALSE(icon);
      Key(box, c.key);
    });
    EXPECT_EQ(ui.message_box("ディスク 2 を入れて下さい。", "確認", c.buttons), c.answer);
  }

  // Inside a page, the page owns the box; outside, the window set.
  CStartDlg dlg(ctx);
  Run(dlg, [&](HWND page) {
    AtIdle([&] {
      HWND box = FindBox("エラー");
      EXPECT_EQ(GetWindow(box, GW_OWNER), page);
      Key(box, VK_RETURN);
    });
    EXPECT_EQ(dlg.MessageBox("x", "エラー"), fw::kIdOk);
    Click(page, fw::kIdOk);
  });
  HWND top = CreateWindowW(L"Static", L"owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ui.set_owner(top);
  AtIdle([&] {
    HWND box = FindBox("更新エラー");
    EXPECT_EQ(GetWindow(box, GW_OWNER), top);
    Key(box, VK_RETURN);
  });
  EXPECT_EQ(ui.message_box("y", "更新エラー", fw::Buttons::Ok), fw::kIdOk);
  ui.set_owner(nullptr);
  DestroyWindow(top);
}

// The system's sorted list box orders the table the console's follow as
// the table says (the table was measured so; a system that sorts otherwise
// shows up here).
TEST(Win32ListBox, SortsAsTheConsolesTableSays) {
  HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(list, nullptr);
  for (const char* e : test::kListBoxAdded)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(e).c_str()));
  EXPECT_EQ(ListEntries(list), Strings(std::begin(test::kListBoxShown), std::end(test::kListBoxShown)));
  DestroyWindow(list);
}

// The run's progress over the view: its last lines and the bytes as the
// system's progress bar; each report delivers what waits for the thread
// and drops the input given meanwhile.
TEST(Win32Ui, ProgressShowsInAPanelOverTheViewAndKeepsItAlive) {
  HWND view = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(view, nullptr);
  fw::win32::Win32Ui ui;
  ui.set_owner(view);
  PostMessageW(view, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(view, WM_NULL, 0, 0);
  ui.progress(fw::Progress{1, 2, true, "A:SYS1.lzh", "C:\\P\\"});
  MSG left;
  EXPECT_FALSE(PeekMessageW(&left, view, 0, 0, PM_NOREMOVE));  // the key dropped, the rest delivered
  ui.step(fw::Step{fw::Step::Kind::Bytes, "", "", "", 10, 40});
  ui.step(fw::Step{fw::Step::Kind::Bytes, "", "", "", 40, 40});
  ui.step(fw::Step{fw::Step::Kind::Conversion, "", "", "size", 3, 0, true, true});
  ui.step(fw::Step{fw::Step::Kind::Reason, "", "", "C:\\P\\Start.bmp が見つかりません。"});
  EXPECT_EQ(ui.panel_lines(), (std::vector<std::wstring>{L"(1/2) 展開 A:SYS1.lzh → C:\\P\\", L"    40 / 40 バイト",
                                                          L"材料ｻｲｽﾞ変換 3 ファイル", L"C:\\P\\Start.bmp が見つかりません。"}));
  HWND bar = FindWindowExW(view, nullptr, PROGRESS_CLASSW, nullptr);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 1000);
  DestroyWindow(view);
}

TEST(Win32Ui, WaitCursorIsOnUntilTheLastEndAndThenRestored) {
  fw::win32::Win32Ui ui;
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW), wait = LoadCursorW(nullptr, IDC_WAIT);
  SetCursor(arrow);
  {
    fw::WaitCursor outer(ui);
    EXPECT_EQ(GetCursor(), wait);
    { fw::WaitCursor inner(ui); }
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_TRUE(ui.waiting());
    SetCursor(arrow);  // what WM_SETCURSOR would do to it...
    EXPECT_TRUE(ui.on_set_cursor());  // ...is answered with the wait cursor
    EXPECT_EQ(GetCursor(), wait);
  }
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_FALSE(ui.on_set_cursor());
  ui.end_wait_cursor();  // one end too many changes nothing
  EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
}  // namespace relvo
