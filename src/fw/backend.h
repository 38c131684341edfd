// Where the framework meets a user interface: a backend runs dialogs
// modally and gives each open dialog a window that does every control
// operation. fw/console and fw/win32 implement these; pages never see them.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "fw/dc.h"

namespace relvo::fw {

class Dialog;
class Ui;
class WindowBackend;

// List box results and notifications, with the values Win32 gives them.
enum : int { kLbErr = -1 };
enum : int { kBnClicked = 0, kLbnSelChange = 1, kLbnDblClk = 2, kEnChange = 0x0300 };
// DlgDirList file types.
enum : unsigned { kDdlDrives = 0x4000, kDdlExclusive = 0x8000 };

// One open dialog as its backend shows it. Controls are named by their
// template ids; an id the dialog lacks reads as empty and ignores changes.
// Texts are CP932.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  virtual std::string caption() = 0;
  virtual void set_caption(const std::string& text) = 0;

  virtual std::string item_text(int id) = 0;
  virtual void set_item_text(int id, const std::string& text) = 0;
  virtual bool item_visible(int id) = 0;
  virtual void show_item(int id, bool show) = 0;
  virtual bool item_enabled(int id) = 0;
  virtual void enable_item(int id, bool enable) = 0;
  // A check box's state, as BM_GETCHECK and BM_SETCHECK; false for a
  // control that is no check box.
  virtual bool item_checked(int id) = 0;
  virtual void check_item(int id, bool check) = 0;

  // List boxes, as LB_RESETCONTENT, LB_ADDSTRING (in the list's sort order
  // when it has the sort style; returns the new entry's index), LB_GETCOUNT,
  // LB_GETCURSEL (kLbErr: no selection), LB_SETCURSEL (-1 clears; kLbErr for
  // an index out of range) and LB_GETTEXT (false for an index out of range).
  virtual void lb_reset(int id) = 0;
  virtual int lb_add(int id, const std::string& text) = 0;
  virtual int lb_count(int id) = 0;
  virtual int lb_cur_sel(int id) = 0;
  virtual int lb_set_cur_sel(int id, int index) = 0;
  virtual bool lb_text(int id, int index, std::string& text) = 0;

  // DlgDirList: fills list listId from pathSpec (which the system may
  // rewrite) with the entries fileType asks for, and shows the path in
  // static staticId unless it is 0. Nonzero on success. Every backend lists
  // drives alone (kDdlDrives | kDdlExclusive) as "[-c-]".
  virtual int dir_list(std::string& pathSpec, int listId, int staticId, unsigned fileType) = 0;

  // The control's client rectangle in its device's pixels (left, top 0).
  virtual Rect client_rect(int id) = 0;
  // A device context for drawing on the control; the control's device is
  // released when the object goes. nullptr when none can be had.
  virtual std::unique_ptr<Dc> get_dc(int id) = 0;
  // InvalidateRect on the whole control, and UpdateWindow.
  virtual void invalidate(int id, bool erase) = 0;
  virtual void update(int id) = 0;

  // BeginPaint and EndPaint on the dialog, around its paint handler.
  virtual void begin_paint() = 0;
  virtual void end_paint() = 0;

  // The dialog called EndDialog(code); its modal run ends after the message
  // being handled.
  virtual void end_dialog(int code) = 0;
};

// A whole user interface.
class Backend {
 public:
  virtual ~Backend() = default;
  // Runs dlg modally: makes its window from dlg.Template(), attaches it
  // (Dialog::Attach), hands it WM_INITDIALOG, then commands and paints
  // until the dialog ends, and detaches it. Returns the end code, -1 when
  // the window could not be made.
  virtual int run_modal(Dialog& dlg) = 0;
  // Message boxes and the application's wait cursor.
  virtual Ui& ui() = 0;
  // The application's windows, their posted messages and the message loop
  // (fw/window.h); nullptr for a backend that runs dialogs alone (the tests'
  // page drivers).
  virtual WindowBackend* windows() { return nullptr; }
};

// The backend that dialogs run on (the program sets it at start); nullptr
// when none is set. SetBackend returns the one set before.
Backend* CurrentBackend();
Backend* SetBackend(Backend* backend);

// Sets a backend for the lifetime of the object (tests, the programs' main).
class ScopedBackend {
 public:
  explicit ScopedBackend(Backend& b) : previous_(SetBackend(&b)) {}
  ~ScopedBackend() { SetBackend(previous_); }
  ScopedBackend(const ScopedBackend&) = delete;
  ScopedBackend& operator=(const ScopedBackend&) = delete;

 private:
  Backend* previous_;
};

// Modal loops (pages, message boxes) call PumpPostedMessages between two
// user actions, so that what was posted to other windows is dispatched while
// the dialog is open (the frame's title command arrives while the first page
// is up). The application installs its dispatcher with SetMessagePump; with
// none installed the pump does nothing. SetMessagePump returns the pump
// installed before.
using MessagePump = std::function<void()>;
MessagePump SetMessagePump(MessagePump pump);
void PumpPostedMessages();

}  // namespace relvo::fw
