// Laying a dialog template out as DLGTEMPLATE and DLGITEMTEMPLATE records.
#include "fw/win32/dlg_template.h"

#include <string_view>

#include "platform/encoding.h"

namespace relvo::fw::win32 {

namespace {

class Words {
 public:
  void word(std::uint16_t w) { out_.push_back(w); }
  void dword(std::uint32_t d) {
    word(static_cast<std::uint16_t>(d & 0xFFFF));
    word(static_cast<std::uint16_t>(d >> 16));
  }
  void signed_word(int v) { word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
  // A zero-terminated UTF-16 text from CP932.
  void text(std::string_view cp932) {
    for (char16_t c : enc::cp932_to_utf16(cp932)) word(static_cast<std::uint16_t>(c));
    word(0);
  }
  void align_dword() {
    if (out_.size() % 2) word(0);
  }
  std::vector<std::uint16_t> take() { return std::move(out_); }

 private:
  std::vector<std::uint16_t> out_;
};

}  // namespace

std::vector<std::uint16_t> BuildDlgTemplate(const DialogTemplate& t) {
  std::uint32_t style = t.style;
  if (t.fontName && *t.fontName) style |= kDsSetFont;
  Words w;
  w.dword(style);
  w.dword(0);  // extended style
  w.word(static_cast<std::uint16_t>(t.controls.size()));
  w.signed_word(t.x);
  w.signed_word(t.y);
  w.signed_word(t.cx);
  w.signed_word(t.cy);
  w.word(0);  // no menu
  w.word(0);  // the predefined dialog class
  w.text(t.caption ? t.caption : "");
  if (style & kDsSetFont) {
    w.word(static_cast<std::uint16_t>(t.pointSize));
    w.text(t.fontName ? t.fontName : "");
  }
  for (const ControlTemplate& c : t.controls) {
    w.align_dword();
    w.dword(c.style | kWsChild);
    w.dword(0);  // extended style
    w.signed_word(c.x);
    w.signed_word(c.y);
    w.signed_word(c.cx);
    w.signed_word(c.cy);
    w.signed_word(c.id);  // -1 is 0xFFFF, as the resource compiler writes it
    w.word(0xFFFF);
    w.word(static_cast<std::uint16_t>(c.kind));
    if (c.captionResource) {
      w.word(0xFFFF);
      w.word(c.captionResource);
    } else {
      w.text(c.caption ? c.caption : "");
    }
    w.word(0);  // no creation data
  }
  return w.take();
}

}  // namespace relvo::fw::win32
