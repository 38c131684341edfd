// One open dialog of the Win32 front end: every control operation of the
// framework as the message or call the system has for it, texts through
// code page 932 and the W calls.
#pragma once
#include "fw/win32/windows_api.h"

#include "fw/backend.h"

namespace relvo::fw::win32 {

class Win32DialogWindow : public DialogWindow {
 public:
  explicit Win32DialogWindow(HWND dlg) : hwnd_(dlg) {}
  ~Win32DialogWindow() override;
  Win32DialogWindow(const Win32DialogWindow&) = delete;
  Win32DialogWindow& operator=(const Win32DialogWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The control with this id, nullptr when the dialog has none.
  HWND control(int id) const { return GetDlgItem(hwnd_, id); }

  std::string caption() override;
  void set_caption(const std::string& text) override;
  std::string item_text(int id) override;
  void set_item_text(int id, const std::string& text) override;
  // The control's own WS_VISIBLE, whether or not the dialog is shown yet.
  bool item_visible(int id) override;
  void show_item(int id, bool show) override;
  bool item_enabled(int id) override;
  void enable_item(int id, bool enable) override;
  bool item_checked(int id) override;
  void check_item(int id, bool check) override;

  void lb_reset(int id) override;
  int lb_add(int id, const std::string& text) override;
  int lb_count(int id) override;
  int lb_cur_sel(int id) override;
  int lb_set_cur_sel(int id, int index) override;
  bool lb_text(int id, int index, std::string& text) override;
  // DlgDirListW: the system's own listing ("[-c-]" for drives).
  int dir_list(std::string& pathSpec, int listId, int staticId, unsigned fileType) override;

  Rect client_rect(int id) override;
  // GetDC on the control as a GDI device context; ReleaseDC when it goes.
  std::unique_ptr<Dc> get_dc(int id) override;
  void invalidate(int id, bool erase) override;
  void update(int id) override;

  void begin_paint() override;
  void end_paint() override;
  // Counts the BeginPaint calls, so that the dialog procedure knows whether
  // the dialog painted itself or leaves WM_PAINT to the system.
  int paints_begun() const { return paintsBegun_; }

  void end_dialog(int code) override;

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  bool painting_ = false;
  int paintsBegun_ = 0;
};

}  // namespace relvo::fw::win32
