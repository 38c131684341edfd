// Modal dialogs of the Win32 front end and their dialog procedure.
#include "fw/win32/win32_backend.h"

#include <commctrl.h>

#include <exception>
#include <memory>

#include "fw/dialog.h"
#include "fw/win32/dialog_window.h"
#include "fw/win32/dlg_template.h"

namespace relvo::fw::win32 {

namespace {

// While set on a list box, the selection it moves is a keyboard's: the
// dialog is not told.
const wchar_t kQuietSelection[] = L"RelvoQuietSelection";

// A notifying list box as the keyboard walks it: the arrows and the other
// keys that move the selection (Home, End, the pages, a letter) move it
// without telling the dialog, and Enter or Space then tell it, as a click
// does at once. So a keyboard reaches every entry of a list whose dialog
// acts on each selection (a folder list enters the folder chosen).
LRESULT CALLBACK KeyboardListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // Enter comes to the list, not to the dialog's default button.
      LRESULT code = DefSubclassProc(h, msg, wp, lp);
      const MSG* m = reinterpret_cast<const MSG*>(lp);
      if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wp == VK_RETURN || wp == VK_SPACE) {
        if (SendMessageW(h, LB_GETCURSEL, 0, 0) != LB_ERR)
          SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), LBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == L' ' || wp == L'\r') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(h, &KeyboardListProc, 1);
      return DefSubclassProc(h, msg, wp, lp);
    default:
      return DefSubclassProc(h, msg, wp, lp);
  }
  SetPropW(h, kQuietSelection, reinterpret_cast<HANDLE>(1));
  const LRESULT r = DefSubclassProc(h, msg, wp, lp);
  RemovePropW(h, kQuietSelection);
  return r;
}

BOOL CALLBACK TakeListKeys(HWND child, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(child, cls, 16);
  if (lstrcmpiW(cls, L"ListBox") == 0 && (GetWindowLongW(child, GWL_STYLE) & LBS_NOTIFY))
    SetWindowSubclass(child, &KeyboardListProc, 1, 0);
  return TRUE;
}

}  // namespace

// What the dialog procedure of one modal run works with.
struct Win32Backend::ModalRun {
  Win32Backend& backend;
  Dialog& dlg;
  std::unique_ptr<Win32DialogWindow> window;
  std::exception_ptr error;

  // Runs a handler of the dialog's code; an exception ends the dialog and
  // is kept for run_modal to throw once the system's loop has returned.
  template <class F>
  void guarded(HWND hwnd, F&& f) {
    try {
      f();
    } catch (...) {
      if (!error) error = std::current_exception();
      EndDialog(hwnd, -1);
    }
  }

  // The window is going: the dialog is detached before it is destroyed.
  void detach() {
    if (!window) return;
    dlg.Attach(nullptr, nullptr);
    backend.ui_.pop_dialog();
    window.reset();
  }
};

INT_PTR CALLBACK Win32Backend::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* run = reinterpret_cast<ModalRun*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    run->window = std::make_unique<Win32DialogWindow>(hwnd);
    run->backend.ui_.push_dialog(hwnd);
    run->dlg.Attach(run->window.get(), &run->backend);
    EnumChildWindows(hwnd, &TakeListKeys, 0);
    bool focusFirst = true;
    run->guarded(hwnd, [&] { focusFirst = run->dlg.HandleInitDialog(); });
    return focusFirst ? TRUE : FALSE;
  }
  auto* run = reinterpret_cast<ModalRun*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!run || !run->window) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      // A selection the keyboard moves is told when Enter or Space takes it.
      if (HIWORD(wParam) == LBN_SELCHANGE && lParam && GetPropW(reinterpret_cast<HWND>(lParam), kQuietSelection))
        return TRUE;
      run->guarded(hwnd, [&] { run->dlg.HandleCommand(LOWORD(wParam), HIWORD(wParam)); });
      return TRUE;
    case WM_PAINT: {
      // The framework's dialog paints nothing of its own and never begins
      // painting; the system must then validate the window, or WM_PAINT
      // would come back for ever.
      const int before = run->window->paints_begun();
      run->guarded(hwnd, [&] { run->dlg.HandlePaint(); });
      run->window->end_paint();
      return run->window->paints_begun() != before ? TRUE : FALSE;
    }
    case WM_SETCURSOR:
      if (!run->backend.ui_.on_set_cursor()) return FALSE;
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_NCDESTROY:
      run->detach();
      SetWindowLongPtrW(hwnd, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

int Win32Backend::run_modal(Dialog& dlg) {
  const std::vector<std::uint16_t> words = BuildDlgTemplate(dlg.Template());
  ModalRun run{*this, dlg, nullptr, nullptr};
  HWND owner = ui_.innermost_dialog() ? ui_.innermost_dialog() : owner_;
  const INT_PTR r = DialogBoxIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                                            owner, &Win32Backend::DialogProc, reinterpret_cast<LPARAM>(&run));
  run.detach();
  if (run.error) std::rethrow_exception(run.error);
  if (r == -1 && !dlg.IsEnded()) return -1;
  return dlg.IsEnded() ? dlg.EndCode() : static_cast<int>(r);
}

}  // namespace relvo::fw::win32
