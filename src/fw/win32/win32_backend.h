// The Win32 front end of the framework's dialogs: each page a real modal
// dialog made in memory from its template (DialogBoxIndirectParamW), its
// messages handed to the page, message boxes and the wait cursor of Win32Ui.
#pragma once
#include "fw/win32/windows_api.h"

#include "fw/backend.h"
#include "fw/win32/win32_ui.h"

namespace relvo::fw::win32 {

class Win32Backend : public Backend {
 public:
  // Dialogs are made from the templates with resources (the version box's
  // icon 128) of module instance.
  explicit Win32Backend(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}

  // The window that owns the pages while no dialog is open (the main frame);
  // nullptr (the default) opens them without owner. A dialog opened while
  // another is open is owned by that one.
  void set_owner(HWND owner) { owner_ = owner; }

  // Runs dlg as a modal dialog of the system: WM_INITDIALOG attaches it and
  // runs its HandleInitDialog, WM_COMMAND its HandleCommand, WM_PAINT its
  // HandlePaint (a dialog that does not begin painting leaves WM_PAINT to
  // the system). The system's modal loop dispatches what is posted to other
  // windows of the thread while the dialog is open; posted messages go
  // through the real queue, so this backend never calls PumpPostedMessages.
  // An exception thrown by the dialog's code ends the dialog and is thrown
  // again from run_modal, after the window has gone. Returns the end code,
  // -1 when the window could not be made.
  int run_modal(Dialog& dlg) override;
  Ui& ui() override { return ui_; }
  Win32Ui& win32_ui() { return ui_; }

 private:
  struct ModalRun;
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  HWND owner_ = nullptr;
  Win32Ui ui_;
};

}  // namespace relvo::fw::win32
