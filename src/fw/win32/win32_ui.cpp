// The Win32 front end's message boxes, wait cursor and progress panel.
#include "fw/win32/win32_ui.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "fw/win32/wide_text.h"

namespace relvo::fw::win32 {

Win32Ui::~Win32Ui() {
  if (waitDepth_ > 0) SetCursor(before_);
  for (HWND w : {panelText_, panelBar_})
    if (w && IsWindow(w)) DestroyWindow(w);
  if (panelFont_) DeleteObject(panelFont_);
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

namespace {

constexpr std::size_t kPanelLines = 6;
constexpr int kLineHeight = 18, kBarHeight = 18, kMargin = 8;

std::wstring Count(std::uint64_t n) {
  std::wstring digits = std::to_wstring(n), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += L',';
    out += digits[i];
  }
  return out;
}

// Input a person gives the program's windows: not taken while the run works.
bool IsInput(UINT m) {
  return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
         (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void Win32Ui::pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      // Left for the loop that waits for it.
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    if (IsInput(m.message)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

void Win32Ui::layout() {
  RECT r{};
  GetClientRect(owner_, &r);
  const int width = std::max<int>(200, std::min<int>(760, r.right - 8 * kMargin));
  const int textHeight = static_cast<int>(kPanelLines) * kLineHeight + 2 * kMargin;
  const int x = (r.right - width) / 2;
  const int y = std::max<int>(0, r.bottom - textHeight - kBarHeight - 6 * kMargin);
  MoveWindow(panelText_, x, y, width, textHeight, TRUE);
  MoveWindow(panelBar_, x, y + textHeight + kMargin / 2, width, kBarHeight, TRUE);
}

void Win32Ui::show(const std::wstring& line, bool replaceLast, int permille) {
  if (!owner_ || !IsWindow(owner_)) return;
  if (!panelText_ || !IsWindow(panelText_)) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner_, GWLP_HINSTANCE));
    panelText_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | SS_LEFT | SS_NOPREFIX, 0, 0, 0,
                                 0, owner_, nullptr, instance, nullptr);
    panelBar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | PBS_SMOOTH, 0, 0, 0, 0, owner_, nullptr, instance,
                                nullptr);
    if (!panelFont_)
      panelFont_ = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
    SendMessageW(panelText_, WM_SETFONT, reinterpret_cast<WPARAM>(panelFont_), FALSE);
    SendMessageW(panelBar_, PBM_SETRANGE32, 0, 1000);
  }
  if (replaceLast && !lines_.empty()) lines_.back() = line;
  else lines_.push_back(line);
  if (lines_.size() > kPanelLines) lines_.erase(lines_.begin(), lines_.end() - kPanelLines);
  std::wstring text;
  for (const std::wstring& l : lines_) text += (text.empty() ? L" " : L"\r\n ") + l;
  layout();
  SetWindowTextW(panelText_, text.c_str());
  // The bar stays once shown: hidden again, it would leave the view to
  // paint its picture there, which a changed disk may no longer hold.
  if (permille >= 0) {
    SendMessageW(panelBar_, PBM_SETPOS, static_cast<WPARAM>(permille), 0);
    ShowWindow(panelBar_, SW_SHOWNA);
  }
  UpdateWindow(panelText_);
  UpdateWindow(panelBar_);
  pump();
}

void Win32Ui::progress(const Progress& p) {
  const std::wstring line = L"(" + std::to_wstring(p.row) + L"/" + std::to_wstring(p.rowCount) + L") " +
                            (p.isArchive ? L"展開 " : L"コピー ") + Wide(p.source) + L" → " + Wide(p.target);
  lastWasStep_ = false;
  show(line, false, 0);
}

void Win32Ui::step(const Step& s) {
  const bool again = lastWasStep_ && lastKind_ == s.kind && lastText_ == s.text;
  lastWasStep_ = true;
  lastKind_ = s.kind;
  lastText_ = s.text;
  switch (s.kind) {
    case Step::Kind::Bytes: {
      // The bytes read under the line they belong to, replaced as they grow.
      const int permille = s.total ? static_cast<int>(s.done * 1000 / s.total) : 0;
      show(L"    " + Count(s.done) + L" / " + Count(s.total) + L" バイト", again, permille);
      return;
    }
    case Step::Kind::Settings:
      show(L"設定 " + Wide(s.path) + L" " + Wide(s.text) + (s.ok ? L"" : L" (失敗)"), false, -1);
      return;
    case Step::Kind::Voice:
      show(L"音声データ 展開 " + Wide(s.path) + L".lzh → " + Wide(s.target), false, 0);
      return;
    case Step::Kind::Conversion:
      show(std::wstring(s.text == "size" ? L"材料ｻｲｽﾞ変換 " : L"材料ﾀｲﾌﾟ変換 ") + Count(s.done) + L" ファイル" +
               (s.finished ? (s.ok ? L"" : L" (失敗)") : L" ..."),
           again, -1);
      return;
    case Step::Kind::Reason:
      show(Wide(s.text), false, -1);
      return;
  }
}

}  // namespace relvo::fw::win32
