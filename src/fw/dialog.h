// The framework's dialog class, as the system's pages derive from it: a
// template, the virtuals OnInitDialog, OnOK, OnCancel, OnPaint and
// DoDataExchange, a message map from (control id, notification) to
// handlers, a modal run, and controls found by id. Texts are CP932.
#pragma once
#include <memory>
#include <span>
#include <string>

#include "fw/backend.h"
#include "fw/dc.h"
#include "fw/dialog_template.h"
#include "fw/ui.h"

namespace relvo::fw {

class Dialog;

// A control of an open dialog, found by id. Operations on a dialog that is
// not open do nothing and read as empty.
class Control {
 public:
  Control() = default;
  Control(Dialog* dlg, int id) : dlg_(dlg), id_(id) {}
  int id() const { return id_; }

  std::string GetWindowText() const;
  void SetWindowText(const std::string& text) const;
  bool IsWindowVisible() const;
  void ShowWindow(bool show) const;
  bool IsWindowEnabled() const;
  void EnableWindow(bool enable) const;
  // A check box's state; false for any other control.
  bool GetCheck() const;
  void SetCheck(bool check) const;

  Rect GetClientRect() const;
  // A device context on the control, released when the object goes;
  // nullptr when none can be had.
  std::unique_ptr<Dc> GetDC() const;
  void Invalidate(bool erase = true) const;
  void UpdateWindow() const;

 protected:
  DialogWindow* window() const;

  Dialog* dlg_ = nullptr;
  int id_ = 0;
};

// A list box bound to a control by DDX_Control.
class ListBox : public Control {
 public:
  using Control::Control;
  void ResetContent() const;
  // Adds text in the list's sort order; returns its index.
  int AddString(const std::string& text) const;
  int GetCount() const;
  // The selected index, or kLbErr when nothing is selected.
  int GetCurSel() const;
  int SetCurSel(int index) const;
  // The text of entry index; its length, or kLbErr (text emptied) when
  // there is no such entry.
  int GetText(int index, std::string& text) const;
};

// What DoDataExchange is handed: the dialog, and the direction (true: from
// the controls into the members).
struct DataExchange {
  Dialog& dlg;
  bool saveAndValidate;
};

// Binds list box object lb to control id of the dialog. Throws
// std::logic_error when the template has no list box with that id.
void DDX_Control(DataExchange& dx, int id, ListBox& lb);

// One message-map entry: the notification code from control id calls
// handler. Make them with OnNotify.
struct MessageMapEntry {
  int id;
  int notification;
  void (Dialog::*handler)();
};

template <class D>
constexpr MessageMapEntry OnNotify(int id, int notification, void (D::*handler)()) {
  return MessageMapEntry{id, notification, static_cast<void (Dialog::*)()>(handler)};
}

class Dialog {
 public:
  explicit Dialog(const DialogTemplate& tmpl) : template_(tmpl) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally on the current backend and returns its end
  // code; -1 when there is no backend or the window could not be made.
  int DoModal();
  // Ends the modal run with code once the current message is handled.
  void EndDialog(int code);

  const DialogTemplate& Template() const { return template_; }

  // What the Esc key does on this dialog, as the one who runs it tells a
  // person ("ends the wizard"); empty when nobody said.
  void SetEscapeHelp(std::string text) { escapeHelp_ = std::move(text); }
  const std::string& EscapeHelp() const { return escapeHelp_; }

  // Controls and the dialog's own window text.
  Control GetDlgItem(int id) { return Control(this, id); }
  std::string GetDlgItemText(int id) { return GetDlgItem(id).GetWindowText(); }
  void SetDlgItemText(int id, const std::string& text) { GetDlgItem(id).SetWindowText(text); }
  std::string GetWindowText();
  void SetWindowText(const std::string& text);

  // The system's directory listing into list box listId (see
  // DialogWindow::dir_list). Nonzero on success.
  int DlgDirList(std::string& pathSpec, int listId, int staticId, unsigned fileType);

  // The application's user interface services while the dialog is open:
  // message boxes (owned by the dialog) and the wait cursor.
  int MessageBox(const std::string& text, const std::string& caption, Buttons buttons = Buttons::Ok);
  Ui& AppUi();

  // DoDataExchange in the given direction.
  void UpdateData(bool saveAndValidate);

  // --- Called by backends -------------------------------------------------
  // Attaches the dialog to its open window (nullptr detaches it) and to the
  // backend that runs it.
  void Attach(DialogWindow* window, Backend* backend);
  DialogWindow* Window() const { return window_; }
  // WM_INITDIALOG: clears the end state and runs OnInitDialog; its result.
  bool HandleInitDialog();
  // WM_COMMAND from control id with a notification code: the message map
  // first, then IDOK and IDCANCEL clicks to OnOK and OnCancel.
  void HandleCommand(int id, int notification);
  // WM_PAINT.
  void HandlePaint() { OnPaint(); }
  bool IsEnded() const { return ended_; }
  int EndCode() const { return endCode_; }

 protected:
  // Binds the controls (DoDataExchange) and returns true: the focus goes
  // to the first tab stop.
  virtual bool OnInitDialog();
  // Reads the controls back (UpdateData(true)) and ends with kIdOk.
  virtual void OnOK();
  // Ends with kIdCancel.
  virtual void OnCancel();
  // Draws the dialog's own parts; the framework's does nothing.
  virtual void OnPaint() {}
  virtual void DoDataExchange(DataExchange&) {}
  // The dialog's message map.
  virtual std::span<const MessageMapEntry> GetMessageMap() const { return {}; }

 private:
  const DialogTemplate& template_;
  DialogWindow* window_ = nullptr;
  Backend* backend_ = nullptr;
  bool ended_ = false;
  int endCode_ = -1;
  std::string escapeHelp_;
};

// BeginPaint and EndPaint around a paint handler, on every way out.
class PaintDc {
 public:
  explicit PaintDc(Dialog& dlg);
  ~PaintDc();
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

 private:
  DialogWindow* window_;
};

}  // namespace relvo::fw
