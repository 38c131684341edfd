// The Win32 front end's message boxes, wait cursor and progress.
#include "fw/win32/win32_ui.h"

#include <string>

#include "fw/win32/wide_text.h"

namespace relvo::fw::win32 {

Win32Ui::~Win32Ui() {
  if (waitDepth_ > 0) SetCursor(before_);
}

int Win32Ui::message_box(const std::string& text, const std::string& caption, Buttons buttons) {
  const bool withCancel = buttons == Buttons::OkCancel;
  const int r = MessageBoxW(box_owner(), Wide(text).c_str(), Wide(caption).c_str(),
                            static_cast<UINT>(withCancel ? MB_OKCANCEL : MB_OK));
  if (r == IDOK) return kIdOk;
  return withCancel ? kIdCancel : kIdOk;
}

void Win32Ui::begin_wait_cursor() {
  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  if (waitDepth_++ == 0) {
    before_ = SetCursor(wait);
  } else {
    SetCursor(wait);
  }
}

void Win32Ui::end_wait_cursor() {
  if (waitDepth_ == 0) return;
  if (--waitDepth_ == 0) SetCursor(before_);
}

bool Win32Ui::on_set_cursor() const {
  if (!waiting()) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void Win32Ui::progress(const Progress& p) {
  const std::string line = "relvo: (" + std::to_string(p.row) + "/" + std::to_string(p.rowCount) + ") " +
                           (p.isArchive ? "extract " : "copy ") + p.source + " -> " + p.target + "\n";
  OutputDebugStringW(Wide(line).c_str());
}

}  // namespace relvo::fw::win32
