// The Win32 dialog's control operations.
#include "fw/win32/dialog_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "fw/win32/gdi_dc.h"
#include "fw/win32/wide_text.h"

namespace relvo::fw::win32 {

namespace {

std::string WindowText(HWND w) {
  if (!w) return {};
  const int n = GetWindowTextLengthW(w);
  if (n <= 0) return {};
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(w, buf.data(), n + 1);
  buf.resize(static_cast<std::size_t>(std::max(got, 0)));
  return Narrow(buf);
}

// The device context of a control from GetDC, drawn on through GDI and
// released with the object.
class ControlDc : public GdiDc {
 public:
  ControlDc(HWND w, HDC dc) : GdiDc(dc), window_(w) {}
  ~ControlDc() override { ReleaseDC(window_, handle()); }
  ControlDc(const ControlDc&) = delete;
  ControlDc& operator=(const ControlDc&) = delete;

 private:
  HWND window_;
};

}  // namespace

Win32DialogWindow::~Win32DialogWindow() { end_paint(); }

std::string Win32DialogWindow::caption() { return WindowText(hwnd_); }

void Win32DialogWindow::set_caption(const std::string& text) { SetWindowTextW(hwnd_, Wide(text).c_str()); }

std::string Win32DialogWindow::item_text(int id) { return WindowText(control(id)); }

void Win32DialogWindow::set_item_text(int id, const std::string& text) {
  if (HWND c = control(id)) SetWindowTextW(c, Wide(text).c_str());
}

bool Win32DialogWindow::item_visible(int id) {
  HWND c = control(id);
  return c && (GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogWindow::show_item(int id, bool show) {
  if (HWND c = control(id)) ShowWindow(c, show ? SW_SHOW : SW_HIDE);
}

bool Win32DialogWindow::item_enabled(int id) {
  HWND c = control(id);
  return c && IsWindowEnabled(c);
}

void Win32DialogWindow::enable_item(int id, bool enable) {
  if (HWND c = control(id)) EnableWindow(c, enable ? TRUE : FALSE);
}

bool Win32DialogWindow::item_checked(int id) {
  return control(id) && SendDlgItemMessageW(hwnd_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogWindow::check_item(int id, bool check) {
  if (control(id)) SendDlgItemMessageW(hwnd_, id, BM_SETCHECK, check ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32DialogWindow::lb_reset(int id) { SendDlgItemMessageW(hwnd_, id, LB_RESETCONTENT, 0, 0); }

int Win32DialogWindow::lb_add(int id, const std::string& text) {
  if (!control(id)) return kLbErr;
  const std::wstring w = Wide(text);
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str())));
}

int Win32DialogWindow::lb_count(int id) {
  if (!control(id)) return 0;
  const LRESULT n = SendDlgItemMessageW(hwnd_, id, LB_GETCOUNT, 0, 0);
  return n == LB_ERR ? 0 : static_cast<int>(n);
}

int Win32DialogWindow::lb_cur_sel(int id) {
  if (!control(id)) return kLbErr;
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, LB_GETCURSEL, 0, 0));
}

int Win32DialogWindow::lb_set_cur_sel(int id, int index) {
  if (!control(id)) return kLbErr;
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

bool Win32DialogWindow::lb_text(int id, int index, std::string& text) {
  if (!control(id) || index < 0) return false;
  const LRESULT n = SendDlgItemMessageW(hwnd_, id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) return false;
  std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
  const LRESULT got =
      SendDlgItemMessageW(hwnd_, id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  if (got == LB_ERR) return false;
  buf.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, n)));
  text = Narrow(buf);
  return true;
}

int Win32DialogWindow::dir_list(std::string& pathSpec, int listId, int staticId, unsigned fileType) {
  // The system writes the file name part back into the buffer, which must
  // hold a whole path.
  std::wstring buf = Wide(pathSpec);
  buf.resize(std::max<std::size_t>(buf.size(), MAX_PATH) + 1, L'\0');
  const int r = DlgDirListW(hwnd_, buf.data(), listId, staticId, fileType);
  buf.resize(wcslen(buf.c_str()));
  pathSpec = Narrow(buf);
  return r;
}

Rect Win32DialogWindow::client_rect(int id) {
  RECT r{};
  HWND c = control(id);
  if (!c || !GetClientRect(c, &r)) return Rect{};
  return Rect{r.left, r.top, r.right, r.bottom};
}

std::unique_ptr<Dc> Win32DialogWindow::get_dc(int id) {
  HWND c = control(id);
  if (!c) return nullptr;
  HDC dc = GetDC(c);
  if (!dc) return nullptr;
  return std::make_unique<ControlDc>(c, dc);
}

void Win32DialogWindow::invalidate(int id, bool erase) {
  if (HWND c = control(id)) InvalidateRect(c, nullptr, erase ? TRUE : FALSE);
}

void Win32DialogWindow::update(int id) {
  if (HWND c = control(id)) UpdateWindow(c);
}

void Win32DialogWindow::begin_paint() {
  if (painting_) return;
  ++paintsBegun_;
  painting_ = BeginPaint(hwnd_, &paint_) != nullptr;
}

void Win32DialogWindow::end_paint() {
  if (!painting_) return;
  painting_ = false;
  EndPaint(hwnd_, &paint_);
}

void Win32DialogWindow::end_dialog(int code) { EndDialog(hwnd_, code); }

}  // namespace relvo::fw::win32
