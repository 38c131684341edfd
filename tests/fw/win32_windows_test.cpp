// The framework's application side on the Win32 front end: the frame and
// its view as real windows, posted messages through the system's queue and
// its modal loops, the view painted through WM_PAINT, the wait cursor, and
// creations that are refused or throw.
#include <gtest/gtest.h>

#include "fw/win32/windows_api.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fw/app.h"
#include "fw/dialog.h"
#include "fw/win32/win32_backend.h"
#include "picture/bmp_writer.h"
#include "picture/dib_draw.h"
#include "platform/files.h"
#include "res/dialogs.h"
#include "support/temp_dir.h"

namespace relvo::fw {
namespace {

using Trace = std::vector<std::string>;

// What the test windows do.
struct Behaviour {
  int viewCommand = 200;  // posted by the view at its creation (0: none)
  bool refuse = false;    // the view's OnCreate returns -1
  bool throws = false;    // the view's OnCreate throws
  std::string picture;    // the view paints it over its client area
};

win32::Win32Backend* g_backend = nullptr;

// Ends the backend's innermost dialog with OK once the modal loop is idle:
// a thread timer comes after everything posted.
void CALLBACK PressOk(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND d = g_backend->win32_ui().innermost_dialog()) PostMessageW(d, WM_COMMAND, IDOK, 0);
}

class TestView : public View {
 public:
  TestView(Trace& t, const Behaviour& b) : t_(t), b_(b) {}
  int paints = 0;

 protected:
  int OnCreate(CreateStruct& cs) override {
    t_.push_back("view created");
    if (b_.throws) throw std::runtime_error("view refused");
    if (b_.refuse || View::OnCreate(cs) == -1) return -1;
    if (b_.viewCommand) PostMessage(kWmCommand, static_cast<std::uintptr_t>(b_.viewCommand));
    return 0;
  }
  void OnPaint() override {
    ++paints;
    WindowPaintDc paint(*this);
    if (paint.dc() && !b_.picture.empty())
      picture::DrawDibFile(native_file_system(), *paint.dc(), GetClientRect(), b_.picture, kSrcCopy);
  }
  // 200: the version box, modal; then the frame is closed, and what is
  // posted to the view after the close is never delivered.
  void OnModal() {
    t_.push_back("modal begins");
    SetTimer(nullptr, 0, 1, &PressOk);
    Dialog about(res::kAboutTemplate);
    about.DoModal();
    t_.push_back("modal ends");
    GetParentFrame()->PostMessage(kWmClose);
    PostMessage(kWmCommand, 201);
  }
  void OnOne() { t_.push_back("view 201"); }
  void OnThrow() { throw std::runtime_error("handler failed"); }
  std::span<const CommandMapEntry> GetCommandMap() const override {
    static const CommandMapEntry map[] = {OnCommand(200, &TestView::OnModal), OnCommand(201, &TestView::OnOne),
                                          OnCommand(204, &TestView::OnThrow)};
    return map;
  }

 private:
  Trace& t_;
  Behaviour b_;
};

// The frame as the program's: WS_VISIBLE alone, menu 128 of the program.
class TestFrame : public FrameWnd {
 public:
  explicit TestFrame(Trace& t) : t_(t) {}

 protected:
  bool PreCreateWindow(CreateStruct& cs) override {
    cs.style = kWsVisible;
    return true;
  }
  int OnCreate(CreateStruct& cs) override {
    if (FrameWnd::OnCreate(cs) == -1) return -1;
    t_.push_back("frame created");
    PostMessage(kWmCommand, 202);
    return 0;
  }
  void OnTwo() { t_.push_back("frame 202"); }
  std::span<const CommandMapEntry> GetCommandMap() const override {
    static const CommandMapEntry map[] = {OnCommand(202, &TestFrame::OnTwo)};
    return map;
  }

 private:
  Trace& t_;
};

class TestApp : public App {
 public:
  TestApp(Trace& t, Behaviour b) : t_(t), b_(std::move(b)) {}
  bool InitInstance() override {
    AddDocTemplate(std::make_unique<SingleDocTemplate>(
        128, "Relvo\n\nRelvo", [] { return std::make_unique<Document>(); },
        [this] { return std::make_unique<TestFrame>(t_); },
        [this] { return std::make_unique<TestView>(t_, b_); }));
    CommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info)) return false;
    if (afterInit) afterInit();
    return true;
  }
  std::function<void()> afterInit;
  void OnThree() { t_.push_back("app 203"); }

 protected:
  std::span<const CommandMapEntry> GetCommandMap() const override {
    static const CommandMapEntry map[] = {OnCommand(203, &TestApp::OnThree)};
    return map;
  }

 private:
  Trace& t_;
  Behaviour b_;
};

class Win32WindowsTest : public ::testing::Test {
 protected:
  Win32WindowsTest() : scoped(backend) { g_backend = &backend; }
  ~Win32WindowsTest() override { g_backend = nullptr; }
  win32::Win32Backend backend;
  ScopedBackend scoped;
};

bool QuitPending() {
  MSG m;
  return PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// The bare frame and the view filling it: their styles, icon and menu, the
// placement that maximizes the frame, the title, the view's picture through
// WM_PAINT; posted commands delivered in order by the version box's modal
// loop (routed view, frame, application); the close that ends the loop.
TEST_F(Win32WindowsTest, FrameAndViewAsRealWindows) {
  test::TempDir tmp;
  test::Bmp bmp;  // left half red, right half blue
  bmp.width = 2;
  bmp.pixel = [](int x, int) { return x == 0 ? 0xFF0000u : 0x0000FFu; };
  tmp.write("view.bmp", bmp.bytes());
  Trace t;
  TestApp app(t, Behaviour{200, false, false, tmp / "view.bmp"});
  FrameWnd* frame = nullptr;
  View* view = nullptr;
  HWND f = nullptr, v = nullptr;
  app.afterInit = [&] {
    frame = app.m_pMainWnd;
    ASSERT_NE(frame, nullptr);
    view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    // The frame owns the pages, the view the message boxes.
    f = backend.owner();
    v = backend.win32_ui().owner();
    ASSERT_NE(f, nullptr);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(GetParent(v), f);
    EXPECT_EQ(GetDlgCtrlID(v), kIdPaneFirst);
    // WS_VISIBLE alone: the system adds the caption, and nothing else.
    const LONG style = GetWindowLongW(f, GWL_STYLE);
    EXPECT_EQ(style & (WS_VISIBLE | WS_CAPTION), WS_VISIBLE | WS_CAPTION);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_CHILD), 0);
    EXPECT_NE(GetClassLongPtrW(f, GCLP_HICON), 0u);
    EXPECT_TRUE(frame->HasMenu());
    EXPECT_TRUE(frame->SetMenu(nullptr));
    EXPECT_FALSE(frame->HasMenu());
    EXPECT_EQ(GetMenu(f), nullptr);

    WindowPlacement wp;
    ASSERT_TRUE(frame->GetWindowPlacement(wp));
    EXPECT_EQ(wp.length, kWindowPlacementLength);
    wp.showCmd = kSwShowMaximized;
    wp.ptMaxPosition = Point{0, 0};
    wp.length = 0;
    EXPECT_FALSE(frame->SetWindowPlacement(wp));
    EXPECT_FALSE(IsZoomed(f));
    wp.length = kWindowPlacementLength;
    EXPECT_TRUE(frame->SetWindowPlacement(wp));
    EXPECT_TRUE(IsZoomed(f));
    // The view follows the frame's client area.
    RECT fc{}, vr{};
    GetClientRect(f, &fc);
    GetWindowRect(v, &vr);
    EXPECT_EQ(vr.right - vr.left, fc.right);
    EXPECT_EQ(vr.bottom - vr.top, fc.bottom);
    EXPECT_EQ(view->GetClientRect().right, fc.right - 2 * GetSystemMetrics(SM_CXEDGE));

    frame->SetWindowText("VORNEL 3.0 アップデート");
    EXPECT_EQ(frame->GetWindowText(), "VORNEL 3.0 アップデート");
    wchar_t title[64] = {};
    GetWindowTextW(f, title, 64);
    EXPECT_EQ(std::wstring(title), L"VORNEL 3.0 アップデート");

    // The picture stretched over the whole client area.
    frame->UpdateWindow();
    view->UpdateWindow();
    EXPECT_GT(static_cast<TestView*>(view)->paints, 0);
    const Rect c = view->GetClientRect();
    HDC dc = GetDC(v);
    EXPECT_EQ(GetPixel(dc, c.right / 4, c.bottom / 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 3 * c.right / 4, c.bottom / 2), RGB(0, 0, 255));
    ReleaseDC(v, dc);

    frame->PostMessage(kWmCommand, 201);  // the view's, routed through the frame
    frame->PostMessage(kWmCommand, 203);  // the application's
    frame->PostMessage(kWmCommand, 999);  // nobody's
    view->PostMessage(kWmCommand, 202);   // the frame's: a view does not route it
  };
  EXPECT_EQ(RunApp(app), 0);
  EXPECT_EQ(t, (Trace{"view created", "frame created", "modal begins", "frame 202", "view 201", "app 203",
                      "modal ends"}));
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(frame->IsWindow());
  EXPECT_FALSE(view->IsWindow());
  EXPECT_FALSE(IsWindow(f));
  EXPECT_FALSE(IsWindow(v));
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(backend.owner(), nullptr);
  EXPECT_EQ(backend.win32_ui().owner(), nullptr);
  EXPECT_FALSE(view->PostMessage(kWmCommand, 201));
  EXPECT_FALSE(QuitPending());
}

// A view that refuses its creation, or throws in it, takes the frame with
// it: no window is left and no quit is posted; the exception comes out of
// the creation.
TEST_F(Win32WindowsTest, RefusedOrThrowingCreationLeavesNoWindow) {
  for (const bool throws : {false, true}) {
    SCOPED_TRACE(throws ? "throws" : "refuses");
    Trace t;
    TestApp app(t, Behaviour{0, !throws, throws, ""});
    if (throws)
      EXPECT_THROW(app.InitInstance(), std::runtime_error);
    else
      EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(t, Trace{"view created"});
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(backend.owner(), nullptr);
    EXPECT_EQ(FindWindowW(L"RelvoFrame", nullptr), nullptr);
    EXPECT_FALSE(QuitPending());
  }
}

// An exception in a command handler ends the message loop, which throws it.
TEST_F(Win32WindowsTest, ExceptionInAHandlerComesOutOfTheLoop) {
  Trace t;
  TestApp app(t, Behaviour{204, false, false, ""});
  ASSERT_TRUE(app.InitInstance());
  EXPECT_THROW(app.Run(), std::runtime_error);
}

// While the wait cursor is on, the frame and the view show it.
TEST_F(Win32WindowsTest, WaitCursorOverTheWindows) {
  Trace t;
  TestApp app(t, Behaviour{0, false, false, ""});
  ASSERT_TRUE(app.InitInstance());
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  for (HWND w : {backend.owner(), backend.win32_ui().owner()}) {
    const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    backend.ui().begin_wait_cursor();
    EXPECT_EQ(SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), hit), TRUE);
    EXPECT_EQ(GetCursor(), wait);
    backend.ui().end_wait_cursor();
    SendMessageW(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), hit);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  }
  app.m_pMainWnd->PostMessage(kWmClose);
  EXPECT_EQ(app.Run(), 0);
}

}  // namespace
}  // namespace relvo::fw
