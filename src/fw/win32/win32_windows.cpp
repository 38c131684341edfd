// The application's windows on Win32: the frame and the view as real
// windows of two classes, their window procedure, and the message loop.
#include <algorithm>
#include <memory>

#include "fw/win32/gdi_dc.h"
#include "fw/win32/wide_text.h"
#include "fw/win32/win32_backend.h"

namespace relvo::fw::win32 {

namespace {

constexpr int kIconId = 128;

}  // namespace

// What CreateWindowExW hands the window procedure of the window it makes.
struct Win32Backend::Creation {
  Window* window;
  CreateStruct* cs;
};

// One window of the program: the peer of its Wnd. The HWND is the
// system's until WM_NCDESTROY, after which every call does nothing.
class Win32Backend::Window final : public WindowPeer {
 public:
  Window(Win32Backend& backend, Wnd& wnd, HWND parent) : backend_(backend), wnd_(wnd), parent_(parent) {
    backend_.windows_.push_back(this);
  }
  ~Window() override {
    destroy();
    auto& all = backend_.windows_;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  HWND parent() const { return parent_; }
  HACCEL accelerators() const { return accel_; }
  void set_accelerators(HACCEL a) { accel_ = a; }

  std::string text() override {
    if (!hwnd_) return {};
    const int n = GetWindowTextLengthW(hwnd_);
    if (n <= 0) return {};
    std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
    buf.resize(static_cast<std::size_t>(std::max(GetWindowTextW(hwnd_, buf.data(), n + 1), 0)));
    return Narrow(buf);
  }
  void set_text(const std::string& text) override {
    if (hwnd_) SetWindowTextW(hwnd_, Wide(text).c_str());
  }
  bool get_placement(WindowPlacement& wp) override {
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    if (!hwnd_ || !GetWindowPlacement(hwnd_, &p)) return false;
    wp.length = p.length;
    wp.flags = p.flags;
    wp.showCmd = p.showCmd;
    wp.ptMinPosition = Point{p.ptMinPosition.x, p.ptMinPosition.y};
    wp.ptMaxPosition = Point{p.ptMaxPosition.x, p.ptMaxPosition.y};
    wp.rcNormalPosition = Rect{p.rcNormalPosition.left, p.rcNormalPosition.top, p.rcNormalPosition.right,
                               p.rcNormalPosition.bottom};
    return true;
  }
  bool set_placement(const WindowPlacement& wp) override {
    static_assert(sizeof(WINDOWPLACEMENT) == kWindowPlacementLength);
    if (!hwnd_ || wp.length != kWindowPlacementLength) return false;
    WINDOWPLACEMENT p{};
    p.length = wp.length;
    p.flags = wp.flags;
    p.showCmd = wp.showCmd;
    p.ptMinPosition = POINT{wp.ptMinPosition.x, wp.ptMinPosition.y};
    p.ptMaxPosition = POINT{wp.ptMaxPosition.x, wp.ptMaxPosition.y};
    p.rcNormalPosition = RECT{wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                              wp.rcNormalPosition.bottom};
    return SetWindowPlacement(hwnd_, &p) != FALSE;
  }
  bool has_menu() override { return hwnd_ && !parent_ && GetMenu(hwnd_) != nullptr; }
  bool remove_menu() override {
    if (!hwnd_ || parent_) return false;
    // SetMenu leaves the old menu to whoever loaded it: here, the window.
    MenuHandle old(GetMenu(hwnd_));
    if (!SetMenu(hwnd_, nullptr)) {
      old.release();
      return false;
    }
    return true;
  }
  void show(int cmd) override {
    if (hwnd_) ShowWindow(hwnd_, cmd);
  }
  bool visible() override { return hwnd_ && IsWindowVisible(hwnd_); }
  void invalidate() override {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
  }
  void update() override {
    if (hwnd_) UpdateWindow(hwnd_);
  }
  Rect client_rect() override {
    RECT r{};
    if (!hwnd_ || !GetClientRect(hwnd_, &r)) return Rect{};
    return Rect{r.left, r.top, r.right, r.bottom};
  }
  std::unique_ptr<Dc> begin_paint() override {
    if (!hwnd_ || painting_) return nullptr;
    painting_ = true;
    ++paintsBegun_;
    HDC dc = BeginPaint(hwnd_, &paint_);
    return dc ? std::make_unique<GdiDc>(dc) : nullptr;
  }
  void end_paint() override {
    if (!painting_) return;
    painting_ = false;
    if (hwnd_) EndPaint(hwnd_, &paint_);
  }
  bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    return hwnd_ && PostMessageW(hwnd_, message, wParam, lParam);
  }
  void destroy() override {
    // WM_NCDESTROY forgets the handle; it is forgotten here too in case
    // the system refused.
    if (hwnd_ && !DestroyWindow(hwnd_)) gone();
  }

  // The window procedure's work for this window.
  LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
  // The creation in progress: the record the window procedure reads.
  Creation* creation = nullptr;

 private:
  friend class Win32Backend;
  // WM_NCDESTROY: the handle is no longer the window's.
  void gone() {
    if (!hwnd_) return;
    painting_ = false;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    backend_.window_gone(*this);
    hwnd_ = nullptr;
  }

  Win32Backend& backend_;
  Wnd& wnd_;
  HWND parent_;
  HWND hwnd_ = nullptr;
  HACCEL accel_ = nullptr;  // from the module's resources: the system frees it
  PAINTSTRUCT paint_{};
  bool painting_ = false;
  int paintsBegun_ = 0;
};

LRESULT Win32Backend::Window::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  const HWND self = hwnd_;
  switch (msg) {
    case WM_CREATE: {
      // The creation structure as the system completed it (default
      // position and size worked out, the caption style added).
      CreateStruct& cs = *creation->cs;
      const auto* sys = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      cs.x = sys->x;
      cs.y = sys->y;
      cs.cx = sys->cx;
      cs.cy = sys->cy;
      cs.style = static_cast<std::uint32_t>(sys->style);
      cs.exStyle = static_cast<std::uint32_t>(sys->dwExStyle);
      try {
        return wnd_.HandleCreate(cs) == -1 ? -1 : 0;
      } catch (...) {
        // create_window throws it again once the system is done.
        backend_.fail(std::current_exception(), false);
        return -1;
      }
    }
    case WM_COMMAND:
    case WM_CLOSE:
      // The Wnd may be done with its window when this returns (OnClose
      // destroys it): nothing of it is touched afterwards.
      try {
        if (wnd_.HandleMessage(msg, wParam, lParam)) return 0;
      } catch (...) {
        backend_.fail(std::current_exception(), true);
        return 0;
      }
      break;
    case WM_PAINT: {
      const int before = paintsBegun_;
      try {
        wnd_.HandleMessage(msg, wParam, lParam);
      } catch (...) {
        backend_.fail(std::current_exception(), true);
      }
      end_paint();
      // A handler that did not begin painting leaves the window invalid:
      // it is validated, or WM_PAINT would come back for ever.
      if (paintsBegun_ == before && hwnd_) ValidateRect(hwnd_, nullptr);
      return 0;
    }
    case WM_SIZE:
      backend_.fit_children(self, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SETCURSOR:
      if (backend_.ui_.on_set_cursor()) return TRUE;
      break;
    case WM_NCDESTROY:
      gone();
      break;
    default:
      break;
  }
  return DefWindowProcW(self, msg, wParam, lParam);
}

LRESULT CALLBACK Win32Backend::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* sys = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* creation = static_cast<Creation*>(sys->lpCreateParams);
    Window& w = *creation->window;
    w.hwnd_ = hwnd;
    w.creation = creation;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&w));
    // The owners are known before the frame's creation makes the view and
    // the view's opens the first page.
    Win32Backend& b = w.backend_;
    if (!w.parent_ && !b.owner_) b.owner_ = hwnd;
    if (w.parent_ && w.parent_ == b.owner_ && !b.ui_.owner()) b.ui_.set_owner(hwnd);
  }
  auto* w = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!w) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return w->handle(msg, wParam, lParam);
}

Win32Backend::~Win32Backend() {
  // Windows still up go before their classes.
  const std::vector<Window*> left = windows_;
  for (Window* w : left) w->destroy();
}

bool Win32Backend::register_classes() {
  if (frameClass_.registered() && childClass_.registered()) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &Win32Backend::WindowProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  // Names of this module's own: two programs' classes never meet.
  wc.style = CS_DBLCLKS;
  wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kIconId));
  wc.lpszClassName = L"RelvoFrame";
  if (!frameClass_.registered() && !frameClass_.register_class(wc)) return false;
  // The view draws its picture stretched over the whole client area: all
  // of it is painted again when its size changes.
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.hIcon = nullptr;
  wc.lpszClassName = L"RelvoView";
  return childClass_.registered() || childClass_.register_class(wc);
}

bool Win32Backend::create_window(Wnd& wnd, CreateStruct& cs) {
  if (!register_classes()) return false;
  HWND parent = nullptr;
  if (cs.parent) {
    auto* p = dynamic_cast<Window*>(cs.parent->Peer());
    if (!p || !p->hwnd()) return false;
    parent = p->hwnd();
  }
  auto peer = std::make_unique<Window>(*this, wnd, parent);
  Window* w = peer.get();
  wnd.Attach(std::move(peer));

  DWORD style = cs.style;
  int x = cs.x, y = cs.y, cx = cs.cx, cy = cs.cy;
  MenuHandle menu(!parent && cs.menu != 0 ? LoadMenuW(instance_, MAKEINTRESOURCEW(cs.menu)) : nullptr);
  HMENU menuOrId = menu.get();
  if (parent) {
    style |= WS_CHILD;
    RECT r{};
    GetClientRect(parent, &r);
    x = y = 0;
    cx = r.right;
    cy = r.bottom;
    menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(cs.menu));
  }
  Creation creation{w, &cs};
  HWND h = CreateWindowExW(cs.exStyle, parent ? childClass_.name() : frameClass_.name(), Wide(cs.name).c_str(), style,
                           x, y, cx, cy, parent, menuOrId, instance_, &creation);
  w->creation = nullptr;
  if (!h) {
    // The system destroyed what it had made; the peer says so.
    w->gone();
    rethrow_failure();
    return false;
  }
  if (!parent) {
    menu.release();  // the window's now: it goes with the window or remove_menu
    if (cs.menu != 0) w->set_accelerators(LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(cs.menu)));
  }
  return true;
}

void Win32Backend::window_gone(Window& w) {
  if (owner_ == w.hwnd()) owner_ = nullptr;
  if (ui_.owner() == w.hwnd()) ui_.set_owner(nullptr);
}

void Win32Backend::fit_children(HWND parent, int width, int height) {
  for (Window* w : windows_)
    if (w->parent() == parent && w->hwnd()) MoveWindow(w->hwnd(), 0, 0, width, height, TRUE);
}

void Win32Backend::fail(std::exception_ptr error, bool endLoop) {
  if (error_) return;
  error_ = error;
  if (endLoop) PostQuitMessage(1);
}

void Win32Backend::rethrow_failure() {
  if (!error_) return;
  std::exception_ptr e = error_;
  error_ = nullptr;
  std::rethrow_exception(e);
}

int Win32Backend::run_message_loop() {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return kLoopIdle;
    if (got == 0) break;
    // The keys of a top-level window's accelerator table become its
    // commands, as the framework's frames translate them.
    bool translated = false;
    if (msg.hwnd) {
      const HWND top = GetAncestor(msg.hwnd, GA_ROOT);
      for (Window* w : windows_)
        if (w->hwnd() == top && w->accelerators()) translated = TranslateAcceleratorW(top, w->accelerators(), &msg) != 0;
    }
    if (!translated) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  rethrow_failure();
  return static_cast<int>(msg.wParam);
}

}  // namespace relvo::fw::win32
