// The Win32 front end of the framework: each page a real modal dialog made
// in memory from its template (DialogBoxIndirectParamW), message boxes and
// the wait cursor of Win32Ui, and the application's windows (the frame and
// its view) with the system's message queue and loop.
#pragma once
#include "fw/win32/windows_api.h"

#include <exception>
#include <vector>

#include "fw/backend.h"
#include "fw/win32/handles.h"
#include "fw/win32/win32_ui.h"
#include "fw/window.h"

namespace relvo::fw::win32 {

class Win32Backend : public Backend, public WindowBackend {
 public:
  // Dialogs are made from the templates with resources (the version box's
  // icon 128) of module instance, and so are the windows' icon, menu and
  // accelerators.
  explicit Win32Backend(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  // The window that owns the pages while no dialog is open (the main frame);
  // nullptr (the default) opens them without owner. A dialog opened while
  // another is open is owned by that one.
  void set_owner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }

  // Runs dlg as a modal dialog of the system: WM_INITDIALOG attaches it and
  // runs its HandleInitDialog, WM_COMMAND its HandleCommand, WM_PAINT its
  // HandlePaint (a dialog that does not begin painting leaves WM_PAINT to
  // the system). The system's modal loop dispatches what is posted to other
  // windows of the thread while the dialog is open; posted messages go
  // through the real queue, so this backend never calls PumpPostedMessages.
  // An exception thrown by the dialog's code ends the dialog and is thrown
  // again from run_modal, after the window has gone. Returns the end code,
  // -1 when the window could not be made. In a notifying list box the
  // keyboard moves the selection without a selection change reaching the
  // dialog; Enter or Space then sends it, as a click sends it at once.
  int run_modal(Dialog& dlg) override;
  Ui& ui() override { return ui_; }
  Win32Ui& win32_ui() { return ui_; }
  WindowBackend* windows() override { return this; }

  // The application's windows. A top-level window is made in a class with
  // icon 128 of the module, with menu cs.menu (when not 0) and the
  // accelerator table of the same id, which the message loop translates for
  // it. A child fills its parent's client area and follows its size; its
  // class repaints it whole when it is resized. WM_CREATE reaches
  // wnd.HandleCreate with cs as the system completed it (-1 fails the
  // creation); WM_COMMAND, WM_PAINT and WM_CLOSE reach wnd.HandleMessage;
  // while the wait cursor is on, the windows show it. The first top-level
  // window becomes the pages' owner (set_owner) and its first child the
  // message boxes' owner (Win32Ui::set_owner), as the program's main frame
  // and its view are; neither owns anything once it has gone.
  // An exception thrown by the window's code while the system delivers a
  // message ends the message loop, which throws it again; one thrown during
  // the creation is thrown again from create_window. The backend outlives
  // the windows it made (its destructor destroys those still up).
  bool create_window(Wnd& wnd, CreateStruct& cs) override;
  // GetMessageW, the accelerators, TranslateMessage and DispatchMessageW
  // until WM_QUIT; its code.
  int run_message_loop() override;
  // The system's modal loops deliver posted messages themselves.
  void dispatch_posted() override {}
  void post_quit(int code) override { PostQuitMessage(code); }

 private:
  struct ModalRun;
  class Window;
  struct Creation;
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Registers the two window classes once; false when the system refuses.
  bool register_classes();
  // Keeps the first exception of the window code; endLoop: and ends the
  // message loop (one thrown while the system delivered a message).
  void fail(std::exception_ptr error, bool endLoop);
  // Throws what fail kept, once.
  void rethrow_failure();
  // Sizes the children made by create_window to their parent's client area.
  void fit_children(HWND parent, int width, int height);
  void window_gone(Window& w);

  HINSTANCE instance_;
  HWND owner_ = nullptr;
  Win32Ui ui_;
  WindowClass frameClass_;
  WindowClass childClass_;
  std::vector<Window*> windows_;  // the live peers, in creation order
  std::exception_ptr error_;
};

}  // namespace relvo::fw::win32
