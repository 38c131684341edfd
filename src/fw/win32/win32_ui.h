// Message boxes, the wait cursor and progress of the Win32 front end:
// MessageBoxW owned by the program's window (or by the page that is open),
// IDC_WAIT while any wait is on.
#pragma once
#include "fw/win32/windows_api.h"

#include <vector>

#include "fw/ui.h"

namespace relvo::fw::win32 {

class Win32Ui : public Ui {
 public:
  Win32Ui() = default;
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  // The window that owns message boxes while no dialog is open (the view);
  // nullptr (the default) gives boxes without owner.
  void set_owner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }
  // The owner of the next box: the innermost open dialog, else set_owner's.
  HWND box_owner() const { return open_.empty() ? owner_ : open_.back(); }
  // The innermost modal dialog open now, nullptr when none is.
  HWND innermost_dialog() const { return open_.empty() ? nullptr : open_.back(); }
  // The modal dialogs open now, innermost last (the backend keeps this).
  void push_dialog(HWND dlg) { open_.push_back(dlg); }
  void pop_dialog() {
    if (!open_.empty()) open_.pop_back();
  }

  // MessageBoxW with OK or OK and Cancel, no icon. Esc answers Cancel on a
  // box that has it, OK on one that has not. A box that cannot be shown
  // answers as Esc would, so that a disk prompt never comes back for ever.
  int message_box(const std::string& text, const std::string& caption, Buttons buttons) override;

  // The wait cursor: on while begins outnumber ends; the cursor shown
  // before the first begin comes back with the last end.
  void begin_wait_cursor() override;
  void end_wait_cursor() override;
  bool waiting() const { return waitDepth_ > 0; }
  // For WM_SETCURSOR in the program's windows: while waiting, shows the wait
  // cursor and returns true (the message is handled); else false.
  bool on_set_cursor() const;

  // Progress of the update run: the row being worked on, to the debugger
  // (OutputDebugStringW). The window shows the wait cursor only.
  void progress(const Progress& p) override;

 private:
  HWND owner_ = nullptr;
  std::vector<HWND> open_;
  int waitDepth_ = 0;
  HCURSOR before_ = nullptr;
};

}  // namespace relvo::fw::win32
