// The framework's application side on the console backend: creation of the
// document, frame and view, posted messages and their order, command
// routing, modal loops that deliver what is posted meanwhile, and the end of
// the message loop.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "fw/app.h"
#include "fw/console/console_backend.h"
#include "fw/dialog.h"
#include "res/dialogs.h"
#include "support/fake_drives.h"

namespace relvo::fw {
namespace {

using Trace = std::vector<std::string>;

class TestView : public View {
 public:
  TestView(Trace& t, bool refuse) : t_(t), refuse_(refuse) {}
  // 201: runs the version box modally, as a page is run.
  void OnModal() {
    t_.push_back("modal begins");
    Dialog about(res::kAboutTemplate);
    about.DoModal();
    t_.push_back("modal ends");
  }
  void OnOne() { t_.push_back("view 201"); }

 protected:
  int OnCreate(CreateStruct& cs) override {
    t_.push_back("view created");
    if (refuse_ || View::OnCreate(cs) == -1) return -1;
    PostMessage(kWmCommand, 200);
    return 0;
  }
  std::span<const CommandMapEntry> GetCommandMap() const override {
    static const CommandMapEntry map[] = {OnCommand(200, &TestView::OnModal), OnCommand(201, &TestView::OnOne)};
    return map;
  }

 private:
  Trace& t_;
  bool refuse_;
};

class TestFrame : public FrameWnd {
 public:
  TestFrame(Trace& t, bool bare) : t_(t), bare_(bare) {}
  void OnTwo() { t_.push_back("frame 202"); }

 protected:
  bool PreCreateWindow(CreateStruct& cs) override {
    if (bare_) cs.style = kWsVisible;
    return true;
  }
  int OnCreate(CreateStruct& cs) override {
    if (FrameWnd::OnCreate(cs) == -1) return -1;
    t_.push_back("frame created");
    PostMessage(kWmCommand, 202);
    return 0;
  }
  std::span<const CommandMapEntry> GetCommandMap() const override {
    static const CommandMapEntry map[] = {OnCommand(202, &TestFrame::OnTwo)};
    return map;
  }

 private:
  Trace& t_;
  bool bare_;
};

class TestApp : public App {
 public:
  TestApp(Trace& t, bool bare, bool refuse) : t_(t), bare_(bare), refuse_(refuse) {}
  bool InitInstance() override {
    AddDocTemplate(std::make_unique<SingleDocTemplate>(
        128, "Relvo\n\nRelvo", [] { return std::make_unique<Document>(); },
        [this] { return std::make_unique<TestFrame>(t_, bare_); },
        [this] { return std::make_unique<TestView>(t_, refuse_); }));
    CommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info)) return false;
    if (afterInit) afterInit();
    return true;
  }
  std::function<void()> afterInit;  // the test's look at the windows made
  void OnThree() { t_.push_back("app 203"); }

 protected:
  std::span<const CommandMapEntry> GetCommandMap() const override {
    static const CommandMapEntry map[] = {OnCommand(203, &TestApp::OnThree)};
    return map;
  }

 private:
  Trace& t_;
  bool bare_, refuse_;
};

class AppTest : public ::testing::Test {
 protected:
  test::FakeDrives drives{{}, 'C'};
};

// The view is created inside the frame's creation and posts first; the
// version box opened by its command delivers what is posted meanwhile (the
// frame's command, and commands routed view first, then frame, then
// application); closing the main window ends the loop with 0.
TEST_F(AppTest, PostedMessagesReachTheirWindowsInOrder) {
  std::istringstream in("enter\n");
  std::ostringstream out;
  console::ConsoleBackend console(in, out, drives);
  ScopedBackend backend(console);
  Trace t;
  TestApp app(t, false, false);
  FrameWnd* frame = nullptr;
  View* view = nullptr;
  app.afterInit = [&] {
    frame = app.m_pMainWnd;
    ASSERT_NE(frame, nullptr);
    view = frame->GetActiveView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetParentFrame(), frame);
    EXPECT_EQ(view->GetDocument()->Views().size(), 1u);
    // The framework's own frame style puts the document's name in the title.
    EXPECT_EQ(frame->GetWindowText(), "無題 - Relvo");
    EXPECT_TRUE(frame->HasMenu());
    frame->PostMessage(kWmCommand, 201);  // the view's, routed through the frame
    frame->PostMessage(kWmCommand, 203);  // the application's
    frame->PostMessage(kWmCommand, 999);  // nobody's
    view->PostMessage(kWmCommand, 202);   // the frame's: a view does not route it
    frame->PostMessage(kWmClose);
    view->PostMessage(kWmCommand, 201);   // after the close: never delivered
  };
  EXPECT_EQ(RunApp(app), 0);
  EXPECT_EQ(t, (Trace{"view created", "frame created", "modal begins", "frame 202", "view 201", "app 203",
                      "modal ends"}));
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(frame->IsWindow());
  EXPECT_FALSE(view->IsWindow());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_FALSE(view->PostMessage(kWmCommand, 201));
}

// A view that refuses its creation takes the frame with it: no main window,
// nothing left posted; a loop with nothing to deliver ends as idle.
TEST_F(AppTest, RefusedCreationLeavesNoWindow) {
  std::istringstream in;
  std::ostringstream out;
  console::ConsoleBackend console(in, out, drives);
  ScopedBackend backend(console);
  Trace t;
  TestApp app(t, true, true);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(t, Trace{"view created"});
  EXPECT_EQ(console.run_message_loop(), kLoopIdle);
}

// A frame whose style is WS_VISIBLE alone keeps the template's title; its
// placement and menu are its own to change.
TEST_F(AppTest, BareFrameTitlePlacementAndMenu) {
  std::istringstream in("esc\n");
  std::ostringstream out;
  console::ConsoleBackend console(in, out, drives);
  ScopedBackend backend(console);
  Trace t;
  TestApp app(t, true, false);
  ASSERT_TRUE(app.InitInstance());
  FrameWnd* frame = app.m_pMainWnd;
  EXPECT_EQ(frame->GetWindowText(), "Relvo");
  EXPECT_TRUE(frame->IsWindowVisible());
  EXPECT_TRUE(frame->SetMenu(nullptr));
  EXPECT_FALSE(frame->HasMenu());
  WindowPlacement wp;
  ASSERT_TRUE(frame->GetWindowPlacement(wp));
  wp.showCmd = kSwShowMaximized;
  wp.length = 0;
  EXPECT_FALSE(frame->SetWindowPlacement(wp));  // a record without its length is refused
  wp.length = kWindowPlacementLength;
  EXPECT_TRUE(frame->SetWindowPlacement(wp));
  frame->ShowWindow(kSwShow);  // shown as it is: still maximized
  ASSERT_TRUE(frame->GetWindowPlacement(wp));
  EXPECT_EQ(wp.showCmd, unsigned(kSwShowMaximized));
  // A title set after creation is shown as a line.
  frame->SetWindowText("VORNEL");
  EXPECT_NE(out.str().find("(title: VORNEL)\n"), std::string::npos) << out.str();
  frame->PostMessage(kWmClose);
  EXPECT_EQ(app.Run(), 0);
}

}  // namespace
}  // namespace relvo::fw
