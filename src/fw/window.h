// The framework's windows, as the system's frame and view derive from them:
// command targets with command maps, windows with their backend's window
// behind them (WindowPeer), the frame that owns its view, the view and the
// document. Texts are CP932.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fw/resource_ids.h"

#include "fw/dc.h"
#include "fw/dialog_template.h"

namespace relvo::fw {

class Document;
class FrameWnd;
class View;
class Wnd;

// Window messages, with the values Win32 gives them.
enum : unsigned {
  kWmCreate = 0x0001,
  kWmDestroy = 0x0002,
  kWmPaint = 0x000F,
  kWmClose = 0x0010,
  kWmQuit = 0x0012,
  kWmCommand = 0x0111,
};

// Window styles beside those of dialog_template.h (Win32's values), and the
// framework's own frame style.
enum : std::uint32_t {
  kWsOverlapped = 0x00000000,
  kWsThickFrame = 0x00040000,
  kWsMinimizeBox = 0x00020000,
  kWsMaximizeBox = 0x00010000,
  // Caption, system menu, sizing border, minimize and maximize boxes.
  kWsOverlappedWindow = 0x00CF0000,
  // FWS_ADDTOTITLE: the frame's title gets the document's name.
  kFwsAddToTitle = 0x00008000,
};

// ShowWindow commands.
enum : int { kSwHide = 0, kSwShowNormal = 1, kSwShowMaximized = 3, kSwShow = 5 };

// CW_USEDEFAULT.
inline constexpr int kUseDefault = static_cast<int>(0x80000000u);

// The framework's standard command ids, and the id of a frame's view.
enum : int {
  kIdFileNew = ID_FILE_NEW,
  kIdFileOpen = ID_FILE_OPEN,
  kIdAppAbout = ID_APP_ABOUT,
  kIdPaneFirst = 0xE900,  // AFX_IDW_PANE_FIRST
};

struct Point {
  int x = 0, y = 0;
};

// WINDOWPLACEMENT, member for member.
struct WindowPlacement {
  unsigned length = 0;
  unsigned flags = 0;
  unsigned showCmd = 0;
  Point ptMinPosition, ptMaxPosition;
  Rect rcNormalPosition;
};
// sizeof(WINDOWPLACEMENT): the length a placement must carry to be applied.
inline constexpr unsigned kWindowPlacementLength = 44;

// CREATESTRUCT, the members the framework's windows use.
struct CreateStruct {
  void* createParams = nullptr;  // a frame's CreateContext
  int menu = 0;                  // a top-level window's menu resource (0: none); a child's id
  Wnd* parent = nullptr;         // nullptr: a top-level window
  int cy = kUseDefault, cx = kUseDefault, y = kUseDefault, x = kUseDefault;
  std::uint32_t style = 0;
  std::string name;              // the window text
  std::uint32_t exStyle = 0;
};

// --- Command targets ------------------------------------------------------

class CmdTarget;

// One command-map entry: command id calls handler. Make them with OnCommand.
struct CommandMapEntry {
  int id;
  void (CmdTarget::*handler)();
};

template <class T>
constexpr CommandMapEntry OnCommand(int id, void (T::*handler)()) {
  return CommandMapEntry{id, static_cast<void (CmdTarget::*)()>(handler)};
}

class CmdTarget {
 public:
  CmdTarget() = default;
  virtual ~CmdTarget() = default;
  CmdTarget(const CmdTarget&) = delete;
  CmdTarget& operator=(const CmdTarget&) = delete;

  // Runs the handler of command id from this target's map. True when one
  // ran. Frames route further (FrameWnd::RouteCommand).
  virtual bool OnCmdMsg(int id);

 protected:
  virtual std::span<const CommandMapEntry> GetCommandMap() const { return {}; }
};

// --- The backend's side ---------------------------------------------------

// One window as its backend makes it: an HWND on Win32, a record on the
// console. The Wnd owns it. Every call on a window that is gone (destroy)
// does nothing and reads as empty.
class WindowPeer {
 public:
  virtual ~WindowPeer() = default;

  virtual std::string text() = 0;                      // GetWindowText
  virtual void set_text(const std::string& text) = 0;  // SetWindowText
  // GetWindowPlacement; false on failure.
  virtual bool get_placement(WindowPlacement& wp) = 0;
  // SetWindowPlacement: false when wp.length is not kWindowPlacementLength.
  // A top-level window given kSwShowMaximized is shown filling the screen
  // (maximized at ptMaxPosition).
  virtual bool set_placement(const WindowPlacement& wp) = 0;
  virtual bool has_menu() = 0;     // GetMenu is not NULL
  virtual bool remove_menu() = 0;  // SetMenu(NULL); true on success
  virtual void show(int cmd) = 0;  // ShowWindow
  virtual bool visible() = 0;      // IsWindowVisible
  virtual void invalidate() = 0;   // InvalidateRect(NULL, TRUE)
  // UpdateWindow: a window that needs painting gets kWmPaint now
  // (Wnd::HandleMessage), before this returns.
  virtual void update() = 0;
  virtual Rect client_rect() = 0;  // GetClientRect
  // BeginPaint: a device context for painting the window's client area,
  // released when the object goes; nullptr when none can be had. end_paint
  // (EndPaint) follows once the context is gone, and validates the window.
  virtual std::unique_ptr<Dc> begin_paint() = 0;
  virtual void end_paint() = 0;
  // PostMessage: queued for the window, delivered later by the message
  // loop or a modal loop as Wnd::HandleMessage. False when the window is
  // gone or the queue refuses.
  virtual bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // DestroyWindow. Nothing posted to the window is delivered afterwards.
  // It may be called from inside Wnd::HandleMessage (OnClose): the backend
  // must not touch the Wnd after HandleMessage returns in that case.
  virtual void destroy() = 0;
};

// The application side of a backend: windows, posted messages, the loop.
class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  // CreateWindowEx for wnd as cs says: a top-level window when cs.parent is
  // nullptr (titled cs.name, with menu cs.menu when not 0, shown when the
  // style has kWsVisible), else a child filling cs.parent's client area.
  // Before it returns it attaches the window (wnd.Attach) and delivers
  // kWmCreate as wnd.HandleCreate(cs); when that returns -1 the window is
  // destroyed and the result is false. False too when no window can be made.
  virtual bool create_window(Wnd& wnd, CreateStruct& cs) = 0;
  // The application's message loop: delivers posted messages to their
  // windows (Wnd::HandleMessage) until post_quit; returns its code. A
  // backend on which nothing can arrive any more (the console, once its
  // queue is empty: input is read only inside modal loops) returns
  // kLoopIdle instead of waiting for ever.
  virtual int run_message_loop() = 0;
  // Delivers what has been posted so far and returns without waiting: the
  // console's modal loops call it through PumpPostedMessages. A backend
  // whose modal loops deliver posted messages themselves (Win32's) may do
  // nothing here.
  virtual void dispatch_posted() = 0;
  // PostQuitMessage(code): the message loop ends once the messages before
  // it are delivered.
  virtual void post_quit(int code) = 0;
};

// What run_message_loop returns when nothing can arrive any more.
inline constexpr int kLoopIdle = -1;

// The window backend of the current backend (fw/backend.h); nullptr when
// there is none or it makes no windows.
WindowBackend* CurrentWindowBackend();

// --- Windows ----------------------------------------------------------------

class Wnd : public CmdTarget {
 public:
  Wnd() = default;
  ~Wnd() override;

  // Creates the window: PreCreateWindow may change cs; then the backend
  // makes the window, and OnCreate runs inside. False when there is no
  // window backend, PreCreateWindow refused, or the window could not be
  // made (OnCreate returned -1).
  bool CreateEx(CreateStruct cs);
  // Destroys the window (OnDestroy first). The application's main window
  // going ends the message loop (the quit code 0). False when there is no
  // window.
  bool DestroyWindow();
  bool IsWindow() const { return peer_ != nullptr && !destroyed_; }

  // PostMessage to this window. False when it has no window.
  bool PostMessage(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

  std::string GetWindowText() const;
  void SetWindowText(const std::string& text);
  bool GetWindowPlacement(WindowPlacement& wp) const;
  bool SetWindowPlacement(const WindowPlacement& wp);
  bool HasMenu() const;
  // SetMenu(NULL): the window loses its menu bar.
  bool SetMenu(std::nullptr_t);
  bool ShowWindow(int cmd);
  bool IsWindowVisible() const;
  void Invalidate();
  void UpdateWindow();
  Rect GetClientRect() const;
  std::uint32_t GetStyle() const { return style_; }
  Wnd* GetParent() const { return parent_; }
  // The frame this window lies in (itself for a frame); nullptr for none.
  virtual FrameWnd* GetParentFrame() const;

  // --- Called by backends -------------------------------------------------
  // Attaches the window the backend made for this object.
  void Attach(std::unique_ptr<WindowPeer> peer);
  WindowPeer* Peer() const { return IsWindow() ? peer_.get() : nullptr; }
  // kWmCreate: OnCreate's result (0, or -1 to refuse the window).
  int HandleCreate(CreateStruct& cs);
  // A delivered message: kWmCommand (the command id in the low word of
  // wParam, lParam 0) to RouteCommand, kWmPaint to OnPaint, kWmClose to
  // OnClose. False for any other message (the system's default handling).
  bool HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

 protected:
  virtual bool PreCreateWindow(CreateStruct&) { return true; }
  virtual int OnCreate(CreateStruct&) { return 0; }
  // The framework's: begins and ends painting, drawing nothing.
  virtual void OnPaint();
  // The framework's: destroys the window.
  virtual void OnClose();
  virtual void OnDestroy() {}
  // A command: this window's command map.
  virtual bool RouteCommand(int id) { return OnCmdMsg(id); }

 private:
  std::unique_ptr<WindowPeer> peer_;
  bool destroyed_ = false;
  Wnd* parent_ = nullptr;
  std::uint32_t style_ = 0;
};

// BeginPaint and EndPaint around a window's paint handler, on every way
// out; dc() is nullptr when the window gave no device context.
class WindowPaintDc {
 public:
  explicit WindowPaintDc(Wnd& wnd);
  ~WindowPaintDc();
  WindowPaintDc(const WindowPaintDc&) = delete;
  WindowPaintDc& operator=(const WindowPaintDc&) = delete;
  Dc* dc() const { return dc_.get(); }

 private:
  WindowPeer* peer_;
  std::unique_ptr<Dc> dc_;
};

// What Document::Serialize is handed. Our framework keeps no files for its
// documents: it never loads or saves one, so it never calls Serialize.
class Archive {
 public:
  explicit Archive(bool storing) : storing_(storing) {}
  bool IsStoring() const { return storing_; }

 private:
  bool storing_;
};

// The document of a single-document program.
class Document : public CmdTarget {
 public:
  // The framework's: a new, empty, untitled document. True.
  virtual bool OnNewDocument();
  virtual void Serialize(Archive&) {}
  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }
  // The views showing the document (the framework's view creation adds them).
  void AddView(View* view);
  void RemoveView(View* view);
  std::span<View* const> Views() const { return views_; }

 private:
  std::string title_;
  std::vector<View*> views_;
};

// CCreateContext: what a frame's creation hands to the creation of its view.
struct CreateContext {
  Document* document = nullptr;
  std::function<std::unique_ptr<View>()> newView;  // the view's run-time class
};

class View : public Wnd {
 public:
  ~View() override;
  Document* GetDocument() const { return document_; }
  // The framework's: called once the frame and the document are complete.
  virtual void OnInitialUpdate() {}
  FrameWnd* GetParentFrame() const override;

  // Called by the frame that makes the view, before its creation.
  void SetCreateContext(CreateContext* context) { context_ = context; }

 protected:
  // The framework's view creation: the view joins the document of the
  // creation context. 0 (-1 when the window has no context to join).
  int OnCreate(CreateStruct& cs) override;
  // The framework's: OnDraw on the paint device context.
  void OnPaint() override;
  virtual void OnDraw(Dc*) {}

 private:
  CreateContext* context_ = nullptr;
  Document* document_ = nullptr;
};

class FrameWnd : public Wnd {
 public:
  ~FrameWnd() override;
  // Creates the frame as a top-level window with style, menu resourceId and
  // the window text title (the first field of the document template
  // string); context reaches the creation of the view. False when the
  // window could not be made.
  bool LoadFrame(int resourceId, std::uint32_t style, const std::string& title, CreateContext* context);
  View* GetActiveView() const { return view_.get(); }
  FrameWnd* GetParentFrame() const override { return const_cast<FrameWnd*>(this); }
  // Views' OnInitialUpdate, then the title: with kFwsAddToTitle in the
  // frame's style "document - title"; without, the title as it is.
  void InitialUpdateFrame(Document* document);

 protected:
  // The framework's frame creation: the view inside the frame
  // (OnCreateClient). 0, or -1 when the view could not be made.
  int OnCreate(CreateStruct& cs) override;
  virtual bool OnCreateClient(CreateStruct& cs, CreateContext* context);
  // Commands go to the view first, then to the frame's own map, then to
  // the application's.
  bool RouteCommand(int id) override;
  // The view goes before the frame.
  void OnDestroy() override;

 private:
  std::unique_ptr<View> view_;
  std::string title_;
};

}  // namespace relvo::fw
