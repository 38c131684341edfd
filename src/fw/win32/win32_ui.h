// Message boxes, the wait cursor and progress of the Win32 front end:
// MessageBoxW owned by the program's window (or by the page that is open),
// IDC_WAIT while any wait is on, the update's progress in a panel over the
// view.
#pragma once
#include "fw/win32/windows_api.h"

#include <string>
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

  // Progress of the update run, in a panel over the view (the owner), drawn
  // over its picture: the last lines of the run (the row in hand, k of n,
  // with what is extracted or copied where; the settings edits, the voice
  // data, each conversion with its files; a refused folder's reason) and
  // the bytes read of the archive in hand as the system's progress bar.
  // Each report also keeps the windows alive while the run works: what
  // waits for the thread (painting above all) is delivered, and input,
  // which the view does not take while it runs, is dropped.
  void progress(const Progress& p) override;
  void step(const Step& s) override;
  // The panel's lines as shown now (UTF-16), the last last.
  const std::vector<std::wstring>& panel_lines() const { return lines_; }

 private:
  // Adds a line (replacing the last one when replaceLast), sets the bar
  // (permille, or -1 to leave it), and shows the panel.
  void show(const std::wstring& line, bool replaceLast, int permille);
  void layout();
  void pump();

  HWND panelText_ = nullptr, panelBar_ = nullptr;
  HFONT panelFont_ = nullptr;
  std::vector<std::wstring> lines_;
  Step::Kind lastKind_ = Step::Kind::Bytes;
  std::string lastText_;
  bool lastWasStep_ = false;
  HWND owner_ = nullptr;
  std::vector<HWND> open_;
  int waitDepth_ = 0;
  HCURSOR before_ = nullptr;
};

}  // namespace relvo::fw::win32
