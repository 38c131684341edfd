// The console's open dialog: controls in memory, the actions of the input
// language, and the page drawn from the template as text.
#include "fw/console/dialog_window.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <string_view>
#include <utility>

#include "base/sjis.h"
#include "fw/console/memory_dc.h"
#include "fw/console/terminal.h"
#include "fw/console/text_grid.h"
#include "fw/dialog.h"
#include "platform/encoding.h"

namespace relvo::fw::console {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsButtonKind(const ControlTemplate& c, std::uint32_t kind) {
  return c.kind == ControlClass::Button && (c.style & kBsTypeMask) == kind;
}

// The cells a control takes on the page, from its template rectangle.
struct CellBox {
  int col, row, cols, rows;
};

CellBox BoxOf(const ControlTemplate& c) {
  const int col = CellColumn(c.x), row = CellRow(c.y);
  return CellBox{col, row, std::max(1, CellColumn(c.x + c.cx) - col), std::max(1, CellRow(c.y + c.cy) - row)};
}

// Where one character of a list entry sorts: its class (symbols, digits,
// letters, half-width kana, double-byte characters) and its place in it.
// Symbols go in the system's order, not in code order; letters without
// regard to case.
std::pair<int, int> SortWeight(std::string_view s, std::size_t i) {
  static constexpr std::string_view kSymbols = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";
  const auto c = static_cast<unsigned char>(s[i]);
  if (sjis::char_len(s, i) == 2) return {5, c << 8 | static_cast<unsigned char>(s[i + 1])};
  if (c >= 0x80) return {4, c};
  if (c >= '0' && c <= '9') return {2, c};
  if (c >= 'a' && c <= 'z') return {3, c - 'a' + 'A'};
  if (c >= 'A' && c <= 'Z') return {3, c};
  const std::size_t rank = kSymbols.find(static_cast<char>(c));
  return {1, rank == std::string_view::npos ? -1 : static_cast<int>(rank)};
}

// The order of a sorted list box, as the system's locale sorts: by the
// weights above, with hyphens and apostrophes passed over ("[-x]" sorts
// beside "[x]"), a text before the longer ones it begins; entries alike in
// that order go by their bytes, case aside.
int ListOrder(std::string_view a, std::string_view b) {
  auto skip = [](std::string_view s, std::size_t i) {
    while (i < s.size() && (s[i] == '-' || s[i] == '\'')) ++i;
    return i;
  };
  std::size_t i = skip(a, 0), j = skip(b, 0);
  while (i < a.size() && j < b.size()) {
    const auto wa = SortWeight(a, i), wb = SortWeight(b, j);
    if (wa != wb) return wa < wb ? -1 : 1;
    i = skip(a, i + sjis::char_len(a, i));
    j = skip(b, j + sjis::char_len(b, j));
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return sjis::icompare(a, b);
}

bool Framed(const ControlTemplate& c) {
  return c.kind == ControlClass::Edit || c.kind == ControlClass::ListBox ||
         (c.kind == ControlClass::Static && (c.style & kSsTypeMask) == kSsBlackFrame);
}

}  // namespace

std::optional<Action> ParseAction(std::string_view line, std::string& why) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  std::size_t p = line.find_first_not_of(" \t");
  if (p == std::string_view::npos) {
    why = "? an empty line is no action (\"help\" lists them)";
    return std::nullopt;
  }
  line.remove_prefix(p);
  const std::size_t verbEnd = std::min(line.find_first_of(" \t"), line.size());
  const std::string verb = Lower(line.substr(0, verbEnd));
  std::string_view rest = line.substr(verbEnd);

  Action a;
  static const std::map<std::string, Action::Verb> kVerbs = {
      {"click", Action::Verb::Click},   {"enter", Action::Verb::Enter},       {"esc", Action::Verb::Esc},
      {"select", Action::Verb::Select}, {"dblclick", Action::Verb::DblClick}, {"type", Action::Verb::Type},
      {"help", Action::Verb::Help},     {"?", Action::Verb::Help}};
  auto readId = [&](std::string_view digits) {
    const char* end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, a.id);
    return ec == std::errc() && ptr == end;
  };
  const auto v = kVerbs.find(verb);
  if (v == kVerbs.end()) {
    // A button's number alone presses it.
    if (readId(verb) && rest.find_first_not_of(" \t") == std::string_view::npos) {
      a.verb = Action::Verb::Click;
      return a;
    }
    why = "? not an action: \"" + Utf8ForTerminal(line) + "\" (\"help\" lists them)";
    return std::nullopt;
  }
  a.verb = v->second;
  const bool takesId = a.verb == Action::Verb::Click || a.verb == Action::Verb::Select ||
                       a.verb == Action::Verb::DblClick || a.verb == Action::Verb::Type;
  const bool takesText = a.verb == Action::Verb::Select || a.verb == Action::Verb::DblClick || a.verb == Action::Verb::Type;
  if (!takesId) {
    if (rest.find_first_not_of(" \t") != std::string_view::npos) {
      why = "? \"" + verb + "\" takes nothing after it";
      return std::nullopt;
    }
    return a;
  }
  // ID, then one blank, then TEXT to the end of the line (blanks kept).
  const std::size_t idStart = rest.find_first_not_of(" \t");
  const std::size_t idEnd = idStart == std::string_view::npos ? rest.size() : std::min(rest.find_first_of(" \t", idStart), rest.size());
  if (idStart == std::string_view::npos || !readId(rest.substr(idStart, idEnd - idStart))) {
    why = "? \"" + verb + "\" needs a control number: " + verb + (takesText ? " ID TEXT" : " ID");
    return std::nullopt;
  }
  std::string_view text = rest.substr(idEnd);
  if (!text.empty()) text.remove_prefix(1);
  if (!takesText && text.find_first_not_of(" \t") != std::string_view::npos) {
    why = "? \"" + verb + "\" takes a control number only";
    return std::nullopt;
  }
  if (takesText) a.text = enc::utf8_to_cp932(text);
  return a;
}

// --- The control model -----------------------------------------------------

namespace {

// What an edit box holds until its program sets another limit, as the
// system's edit control does; it is also the longest path the system's file
// calls take (32,767 characters), so a typed path is never cut by it.
constexpr std::size_t kEditTextMost = 32767;

std::size_t CharCount(const std::string& cp932) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < cp932.size(); i += sjis::char_len(cp932, i)) ++n;
  return n;
}

}  // namespace

ConsoleDialogWindow::ConsoleDialogWindow(const DialogTemplate& tmpl, CurrentFolders& drives)
    : tmpl_(tmpl), drives_(drives), caption_(tmpl.caption) {
  for (const ControlTemplate& c : tmpl.controls) {
    Item it;
    it.tmpl = &c;
    it.text = c.caption;
    it.visible = (c.style & kWsVisible) != 0;
    it.enabled = (c.style & kWsDisabled) == 0;
    items_.push_back(std::move(it));
  }
}

ConsoleDialogWindow::Item* ConsoleDialogWindow::item(int id) {
  for (Item& it : items_)
    if (it.tmpl->id == id) return &it;
  return nullptr;
}

std::string ConsoleDialogWindow::item_text(int id) {
  Item* it = item(id);
  return it ? it->text : std::string();
}
void ConsoleDialogWindow::set_item_text(int id, const std::string& text) {
  if (Item* it = item(id)) it->text = text;
}
bool ConsoleDialogWindow::item_visible(int id) {
  Item* it = item(id);
  return it && it->visible;
}
void ConsoleDialogWindow::show_item(int id, bool show) {
  if (Item* it = item(id)) it->visible = show;
}
bool ConsoleDialogWindow::item_enabled(int id) {
  Item* it = item(id);
  return it && it->enabled;
}
void ConsoleDialogWindow::enable_item(int id, bool enable) {
  if (Item* it = item(id)) it->enabled = enable;
}

void ConsoleDialogWindow::lb_reset(int id) {
  if (Item* it = item(id)) {
    it->entries.clear();
    it->selected = kLbErr;
  }
}

int ConsoleDialogWindow::lb_add(int id, const std::string& text) {
  Item* it = item(id);
  if (!it || it->tmpl->kind != ControlClass::ListBox) return kLbErr;
  auto at = it->entries.end();
  // A sorted list puts the entry after those that do not sort after it.
  if (it->tmpl->style & kLbsSort)
    at = std::upper_bound(it->entries.begin(), it->entries.end(), text,
                          [](const std::string& a, const std::string& b) { return ListOrder(a, b) < 0; });
  const int index = static_cast<int>(at - it->entries.begin());
  it->entries.insert(at, text);
  if (it->selected >= index) ++it->selected;
  return index;
}

int ConsoleDialogWindow::lb_count(int id) {
  Item* it = item(id);
  return it ? static_cast<int>(it->entries.size()) : 0;
}

int ConsoleDialogWindow::lb_cur_sel(int id) {
  Item* it = item(id);
  return it ? it->selected : kLbErr;
}

int ConsoleDialogWindow::lb_set_cur_sel(int id, int index) {
  Item* it = item(id);
  if (!it) return kLbErr;
  if (index < 0 || index >= static_cast<int>(it->entries.size())) {
    it->selected = kLbErr;
    return index == -1 ? 0 : kLbErr;
  }
  it->selected = index;
  return index;
}

bool ConsoleDialogWindow::lb_text(int id, int index, std::string& text) {
  Item* it = item(id);
  if (!it || index < 0 || index >= static_cast<int>(it->entries.size())) return false;
  text = it->entries[static_cast<std::size_t>(index)];
  return true;
}

int ConsoleDialogWindow::dir_list(std::string&, int listId, int staticId, unsigned fileType) {
  if ((fileType & (kDdlDrives | kDdlExclusive)) != (kDdlDrives | kDdlExclusive)) return 0;
  Item* list = item(listId);
  if (!list || list->tmpl->kind != ControlClass::ListBox) return 0;
  lb_reset(listId);
  for (char letter : drives_.drives())
    lb_add(listId, std::string("[-") + static_cast<char>(std::tolower(static_cast<unsigned char>(letter))) + "-]");
  if (staticId != 0) set_item_text(staticId, drives_.current_dir());
  return 1;
}

// --- Pictures --------------------------------------------------------------

Rect ConsoleDialogWindow::client_rect(int id) {
  Item* it = item(id);
  if (!it) return Rect{};
  const CellBox b = BoxOf(*it->tmpl);
  return Rect{0, 0, b.cols, 2 * b.rows};
}

// Draws on a surface of the control's size; what was drawn becomes the
// control's picture when the device is released.
class ConsoleDialogWindow::PictureDc : public PictureSurface {
 public:
  PictureDc(ConsoleDialogWindow& w, int id, const Rect& r) : PictureSurface(r.right, r.bottom), window_(w), id_(id) {}
  ~PictureDc() override {
    Item* it = window_.item(id_);
    if (!it) return;
    if (drawn()) it->pixels = pixels();
    if (!picture_name().empty()) it->pictureName = picture_name();
  }

 private:
  ConsoleDialogWindow& window_;
  int id_;
};

std::unique_ptr<Dc> ConsoleDialogWindow::get_dc(int id) {
  const Rect r = client_rect(id);
  if (r.right <= 0 || r.bottom <= 0) return nullptr;
  return std::make_unique<PictureDc>(*this, id, r);
}

void ConsoleDialogWindow::invalidate(int id, bool erase) {
  Item* it = item(id);
  if (it && erase) {
    it->pixels.clear();
    it->pictureName.clear();
  }
}

// --- Actions ---------------------------------------------------------------

namespace {

std::string Named(const ControlTemplate& c) { return std::to_string(c.id); }

// Why a control cannot take a person's action now, or empty.
std::string Unusable(const ConsoleDialogWindow::Item& it) {
  if (!it.visible) return "? control " + Named(*it.tmpl) + " is not shown";
  if (!it.enabled) return "? control " + Named(*it.tmpl) + " is disabled";
  return {};
}

}  // namespace

std::string ConsoleDialogWindow::click(Dialog& dlg, Item& it) {
  if (it.tmpl->kind != ControlClass::Button) return "? control " + Named(*it.tmpl) + " is not a button";
  if (std::string why = Unusable(it); !why.empty()) return why;
  if (IsButtonKind(*it.tmpl, kBsAutoCheckBox)) it.checked = !it.checked;
  dlg.HandleCommand(it.tmpl->id, kBnClicked);
  return {};
}

std::string ConsoleDialogWindow::choose(Dialog& dlg, Item& it, const std::string& entry, bool twice) {
  if (it.tmpl->kind != ControlClass::ListBox) return "? control " + Named(*it.tmpl) + " is not a list";
  if (std::string why = Unusable(it); !why.empty()) return why;
  const auto found = std::find(it.entries.begin(), it.entries.end(), entry);
  if (found == it.entries.end())
    return "? list " + Named(*it.tmpl) + " has no entry \"" + ForTerminal(entry) + "\"";
  // As the mouse does it: the click selects (a selection change), the
  // second click of a double click reports the double click.
  const int id = it.tmpl->id;
  it.selected = static_cast<int>(found - it.entries.begin());
  const bool notify = (it.tmpl->style & kLbsNotify) != 0;
  if (notify) dlg.HandleCommand(id, kLbnSelChange);
  if (notify && twice && !dlg.IsEnded()) dlg.HandleCommand(id, kLbnDblClk);
  return {};
}

std::string ConsoleDialogWindow::perform(Dialog& dlg, const Action& a) {
  using Verb = Action::Verb;
  if (a.verb == Verb::Esc) {
    // The Esc key sends IDCANCEL whether or not the page has such a button.
    dlg.HandleCommand(kIdCancel, kBnClicked);
    return {};
  }
  if (a.verb == Verb::Enter) {
    // Enter presses the default button; a page without one gets IDOK.
    for (Item& it : items_)
      if (IsButtonKind(*it.tmpl, kBsDefPushButton)) return click(dlg, it);
    dlg.HandleCommand(kIdOk, kBnClicked);
    return {};
  }
  if (a.verb == Verb::Help) return {};
  Item* it = item(a.id);
  if (!it || a.id == kIdStatic) return "? this page has no control " + std::to_string(a.id);
  switch (a.verb) {
    case Verb::Click: return click(dlg, *it);
    case Verb::Select: return choose(dlg, *it, a.text, false);
    case Verb::DblClick: return choose(dlg, *it, a.text, true);
    case Verb::Type:
      if (it->tmpl->kind != ControlClass::Edit) return "? control " + Named(*it->tmpl) + " is not an edit box";
      if (std::string why = Unusable(*it); !why.empty()) return why;
      if (it->tmpl->style & kEsReadOnly) return "? box " + Named(*it->tmpl) + " is read-only";
      if (CharCount(a.text) > kEditTextMost)
        return "? box " + Named(*it->tmpl) + " holds at most " + std::to_string(kEditTextMost) + " characters";
      it->text = a.text;
      dlg.HandleCommand(a.id, kEnChange);
      return {};
    default: return {};
  }
}

// --- Drawing ---------------------------------------------------------------

namespace {

// The lines a control shows inside its box (inside its frame, if framed),
// given the width there.
std::vector<GlyphLine> ContentOf(const ConsoleDialogWindow::Item& it, int width, bool trueColor) {
  const ControlTemplate& c = *it.tmpl;
  std::vector<GlyphLine> out;
  switch (c.kind) {
    case ControlClass::Button: {
      std::string label;
      if (IsButtonKind(c, kBsAutoCheckBox))
        label = std::string(it.checked ? "[x] " : "[ ] ") + it.text + " (" + std::to_string(c.id) + ")";
      else
        label = (it.enabled ? "[" : "(") + std::to_string(c.id) + (it.enabled ? "] " : ") ") + it.text;
      return WrapText(label, false, width);
    }
    case ControlClass::Edit:
      return WrapText(it.text, (c.style & kEsMultiLine) != 0, width);
    case ControlClass::ListBox:
      // The selected entry is marked on its first line.
      for (std::size_t i = 0; i < it.entries.size(); ++i) {
        bool first = true;
        for (GlyphLine& l : WrapText(it.entries[i], false, std::max(1, width - 2))) {
          const bool mark = first && static_cast<int>(i) == it.selected;
          l.insert(l.begin(), {Glyph{mark ? ">" : " ", 1}, Glyph{" ", 1}});
          out.push_back(std::move(l));
          first = false;
        }
      }
      return out;
    case ControlClass::Static:
      if ((c.style & kSsTypeMask) == kSsIcon) return out;
      if ((c.style & kSsTypeMask) == kSsBlackFrame) {
        if (!trueColor && !it.pictureName.empty()) return WrapText(it.pictureName, false, width);
        return out;
      }
      return WrapText(it.text, true, width);
  }
  return out;
}

}  // namespace

std::string ConsoleDialogWindow::render(Dialog& dlg, bool trueColor) {
  dlg.HandlePaint();

  // Where each visible control goes and what it shows.
  struct Placed {
    Item* it;
    CellBox box;
    std::vector<GlyphLine> lines;
    bool framed;
    int need;  // rows the content needs
  };
  std::vector<Placed> placed;
  for (Item& it : items_) {
    if (!it.visible) continue;
    const CellBox b = BoxOf(*it.tmpl);
    const bool framed = Framed(*it.tmpl) && b.cols >= 3;
    Placed p{&it, b, ContentOf(it, framed ? b.cols - 2 : b.cols, trueColor), framed, 0};
    p.need = static_cast<int>(p.lines.size()) + (framed ? 2 : 0);
    if (trueColor && !it.pixels.empty()) p.need = 0;  // a picture fills its box exactly
    placed.push_back(std::move(p));
  }

  // A control whose content does not fit grows downwards, and what lies
  // below its bottom moves down with it (rows inserted at that row).
  std::map<int, int> inserted;
  auto mapRow = [&](int row) {
    int r = row;
    for (const auto& [at, n] : inserted)
      if (at <= row) r += n;
    return r;
  };
  std::vector<Placed*> byBottom;
  for (Placed& p : placed) byBottom.push_back(&p);
  std::stable_sort(byBottom.begin(), byBottom.end(),
                   [](const Placed* a, const Placed* b) { return a->box.row + a->box.rows < b->box.row + b->box.rows; });
  for (Placed* p : byBottom) {
    const int bottom = p->box.row + p->box.rows;
    const int have = mapRow(bottom) - mapRow(p->box.row);
    if (p->need > have) inserted[bottom] += p->need - have;
  }

  const int width = CellColumn(tmpl_.cx);
  TextGrid grid(width);
  // The caption bar.
  GlyphLine bar = TextLines("== " + caption_ + " ", false)[0];
  while (LineWidth(bar) < width) bar.push_back(Glyph{"=", 1});
  grid.put(0, 0, bar);
  grid.reserve_rows(1 + mapRow(CellRow(tmpl_.cy)));

  for (const Placed& p : placed) {
    const int top = 1 + mapRow(p.box.row);
    const int rows = mapRow(p.box.row + p.box.rows) - mapRow(p.box.row);
    const ControlTemplate& c = *p.it->tmpl;
    if (trueColor && !p.it->pixels.empty()) {
      const int w = p.box.cols;
      auto at = [&](int x, int y) { return p.it->pixels[static_cast<std::size_t>(y) * w + x]; };
      for (int r = 0; r < p.box.rows; ++r)
        for (int x = 0; x < w; ++x) grid.put(top + r, p.box.col + x, HalfBlock(at(x, 2 * r), at(x, 2 * r + 1)));
      continue;
    }
    int inner = p.box.col, innerTop = top, innerWidth = p.box.cols;
    if (p.framed) {
      // The frame, with the control's number in its top edge when a person
      // may address it.
      std::string edge(static_cast<std::size_t>(p.box.cols - 2), '-');
      if (c.id != kIdStatic && c.kind != ControlClass::Static) {
        const std::string n = std::to_string(c.id);
        if (n.size() <= edge.size()) edge.replace(0, n.size(), n);
      }
      grid.put_ascii(top, p.box.col, "+" + edge + "+");
      grid.put_ascii(top + rows - 1, p.box.col, "+" + std::string(edge.size(), '-') + "+");
      for (int r = top + 1; r < top + rows - 1; ++r) {
        grid.put_ascii(r, p.box.col, "|");
        grid.put_ascii(r, p.box.col + p.box.cols - 1, "|");
      }
      ++inner;
      ++innerTop;
      innerWidth -= 2;
    }
    const bool centred = c.kind == ControlClass::Static && (c.style & kSsTypeMask) == kSsCenter;
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
      const int pad = centred ? std::max(0, (innerWidth - LineWidth(p.lines[i])) / 2) : 0;
      grid.put(innerTop + static_cast<int>(i), inner + pad, p.lines[i]);
    }
  }

  std::string out = grid.str();
  // Which keys do what on this page.
  std::string keys = "keys: enter";
  for (const Item& it : items_)
    if (it.visible && IsButtonKind(*it.tmpl, kBsDefPushButton)) keys += " = " + std::to_string(it.tmpl->id);
  keys += ", esc; \"help\" lists the actions\n";
  return out + keys;
}

}  // namespace relvo::fw::console
