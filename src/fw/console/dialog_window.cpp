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
#include "fw/console/list_order.h"
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

// The keys whose escape sequences a terminal sends, as a person calls
// them: "Up arrow", or "" when s holds anything but such sequences.
std::string KeyNames(std::string_view s) {
  static const std::map<std::string, const char*, std::less<>> kKeys = {
      {"A", "Up arrow"}, {"B", "Down arrow"}, {"C", "Right arrow"}, {"D", "Left arrow"},  {"H", "Home"},
      {"F", "End"},      {"1~", "Home"},      {"7~", "Home"},       {"4~", "End"},        {"8~", "End"},
      {"2~", "Insert"},  {"3~", "Delete"},    {"5~", "Page Up"},    {"6~", "Page Down"},  {"P", "F1"},
      {"Q", "F2"},       {"R", "F3"},         {"S", "F4"},          {"15~", "F5"},        {"17~", "F6"},
      {"18~", "F7"},     {"19~", "F8"},       {"20~", "F9"},        {"21~", "F10"},       {"23~", "F11"},
      {"24~", "F12"}};
  std::string names;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '\x1b') return {};
    // ESC, then '[' or 'O', parameters and one final byte; a modifier
    // (";5" of Ctrl) does not change the key's name.
    std::size_t j = i + 1;
    std::string key = "Esc";
    if (j < s.size() && (s[j] == '[' || s[j] == 'O')) {
      std::size_t k = ++j;
      while (k < s.size() && ((s[k] >= '0' && s[k] <= '9') || s[k] == ';')) ++k;
      if (k >= s.size() || s[k] < 0x40 || s[k] > 0x7E) return {};
      std::string params(s.substr(j, k - j));
      params = params.substr(0, params.find(';'));
      if (s[k] != '~' && params == "1") params.clear();
      const auto found = kKeys.find(params + s[k]);
      key = found != kKeys.end() ? found->second : "function";
      j = k + 1;
    }
    names += (names.empty() ? "" : ", ") + key;
    i = j;
  }
  return names;
}

bool Framed(const ControlTemplate& c) {
  return c.kind == ControlClass::Edit || c.kind == ControlClass::ListBox ||
         (c.kind == ControlClass::Static && (c.style & kSsTypeMask) == kSsBlackFrame);
}

}  // namespace

std::optional<Action> ParseAction(std::string_view line, std::string& why) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  std::size_t p = line.find_first_not_of(" \t");
  Action a;
  // The Enter key alone presses the default button; the Esc key, then
  // Enter, is esc.
  if (p == std::string_view::npos) {
    a.verb = Action::Verb::Enter;
    return a;
  }
  line.remove_prefix(p);
  const std::string_view trimmed = line.substr(0, line.find_last_not_of(" \t") + 1);
  if (trimmed == "\x1b") {
    a.verb = Action::Verb::Esc;
    return a;
  }
  if (const std::string keys = KeyNames(trimmed); !keys.empty()) {
    why = "? the " + keys + " key" + (keys.find(',') == std::string::npos ? " does" : "s do") +
          " nothing here: type an action and Enter (\"help\" lists them)";
    return std::nullopt;
  }
  const std::size_t verbEnd = std::min(line.find_first_of(" \t"), line.size());
  const std::string verb = Lower(line.substr(0, verbEnd));
  std::string_view rest = line.substr(verbEnd);

  static const std::map<std::string, Action::Verb> kVerbs = {
      {"click", Action::Verb::Click},   {"enter", Action::Verb::Enter},       {"esc", Action::Verb::Esc},
      {"select", Action::Verb::Select}, {"dblclick", Action::Verb::DblClick}, {"type", Action::Verb::Type},
      {"scroll", Action::Verb::Scroll}, {"help", Action::Verb::Help},         {"?", Action::Verb::Help}};
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
                       a.verb == Action::Verb::DblClick || a.verb == Action::Verb::Type ||
                       a.verb == Action::Verb::Scroll;
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
bool ConsoleDialogWindow::item_checked(int id) {
  Item* it = item(id);
  return it && IsButtonKind(*it->tmpl, kBsAutoCheckBox) && it->checked;
}
void ConsoleDialogWindow::check_item(int id, bool check) {
  Item* it = item(id);
  if (it && IsButtonKind(*it->tmpl, kBsAutoCheckBox)) it->checked = check;
}

void ConsoleDialogWindow::lb_reset(int id) {
  if (Item* it = item(id)) {
    it->entries.clear();
    it->selected = kLbErr;
    it->top = it->shown = 0;
  }
}

int ConsoleDialogWindow::lb_add(int id, const std::string& text) {
  Item* it = item(id);
  if (!it || it->tmpl->kind != ControlClass::ListBox) return kLbErr;
  const std::size_t at = (it->tmpl->style & kLbsSort) ? ListInsertPosition(it->entries, text) : it->entries.size();
  const int index = static_cast<int>(at);
  it->entries.insert(it->entries.begin() + static_cast<std::ptrdiff_t>(at), text);
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
  it->reveal = true;
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
  auto has = [&](const std::string& e) { return std::find(it.entries.begin(), it.entries.end(), e) != it.entries.end(); };
  const auto found = std::find(it.entries.begin(), it.entries.end(), entry);
  if (found == it.entries.end()) {
    // Entries are written as the list shows them: a folder "[name]", a
    // drive "[-c-]".
    std::string why = "? list " + Named(*it.tmpl) + " has no entry \"" + ForTerminal(entry) + "\"";
    for (const std::string& written : {"[" + entry + "]", "[-" + entry + "-]"})
      if (has(written)) return why + ": write it as the list shows it, " + (twice ? "dblclick " : "select ") +
                               Named(*it.tmpl) + " " + ForTerminal(written);
    if (entry.empty() || entry.front() != '[')
      why += ": entries are written as the list shows them, brackets and all (\"[name]\")";
    return why;
  }
  // As the mouse does it: the click selects (a selection change), the
  // second click of a double click reports the double click.
  const int id = it.tmpl->id;
  it.selected = static_cast<int>(found - it.entries.begin());
  it.reveal = true;
  const bool notify = (it.tmpl->style & kLbsNotify) != 0;
  if (notify) dlg.HandleCommand(id, kLbnSelChange);
  if (notify && twice && !dlg.IsEnded()) dlg.HandleCommand(id, kLbnDblClk);
  return {};
}

std::string ConsoleDialogWindow::scroll(Item& it) {
  if (it.tmpl->kind != ControlClass::ListBox) return "? control " + Named(*it.tmpl) + " is not a list";
  if (std::string why = Unusable(it); !why.empty()) return why;
  if (it.shown >= it.entries.size()) return "? list " + Named(*it.tmpl) + " shows all its entries";
  // The next entries; after the last ones, the first again.
  it.top += std::max<std::size_t>(1, it.shown);
  if (it.top >= it.entries.size()) it.top = 0;
  it.reveal = false;
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
    case Verb::Scroll: return scroll(*it);
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

// --- Layout ------------------------------------------------------------------

namespace {

using Item = ConsoleDialogWindow::Item;

// What a control shows inside its box (inside its frame, if framed), as
// lines of the width there: one function per kind of control.
std::vector<GlyphLine> ButtonLines(const Item& it, int width) {
  const ControlTemplate& c = *it.tmpl;
  std::string label;
  if (IsButtonKind(c, kBsAutoCheckBox))
    label = std::string(it.checked ? "[x] " : "[ ] ") + it.text + " (" + std::to_string(c.id) + ")";
  else
    label = (it.enabled ? "[" : "(") + std::to_string(c.id) + (it.enabled ? "] " : ") ") + it.text;
  return WrapText(label, false, width);
}

std::vector<GlyphLine> EditLines(const Item& it, int width) {
  return WrapText(it.text, (it.tmpl->style & kEsMultiLine) != 0, width);
}

// The entries from first on, as many as fit in maxLines lines (at least
// one entry, cut to them; 0: all), the selected one marked on its first
// line. end receives the index after the last entry shown.
std::vector<GlyphLine> ListLines(const Item& it, int width, std::size_t first = 0, int maxLines = 0,
                                 std::size_t* end = nullptr) {
  std::vector<GlyphLine> out;
  std::size_t i = first;
  for (; i < it.entries.size(); ++i) {
    std::vector<GlyphLine> lines = WrapText(it.entries[i], false, std::max(1, width - 2));
    if (maxLines > 0 && i > first && out.size() + lines.size() > static_cast<std::size_t>(maxLines)) break;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const bool mark = k == 0 && static_cast<int>(i) == it.selected;
      lines[k].insert(lines[k].begin(), {Glyph{mark ? ">" : " ", 1}, Glyph{" ", 1}});
      out.push_back(std::move(lines[k]));
    }
  }
  if (maxLines > 0 && out.size() > static_cast<std::size_t>(maxLines)) out.resize(static_cast<std::size_t>(maxLines));
  if (end) *end = i;
  return out;
}

std::vector<GlyphLine> StaticLines(const Item& it, int width, bool trueColor) {
  const std::uint32_t type = it.tmpl->style & kSsTypeMask;
  if (type == kSsIcon) return {};
  // A picture frame names its picture where the terminal shows no colour.
  if (type == kSsBlackFrame) {
    if (!trueColor && !it.pictureName.empty()) return WrapText(it.pictureName, false, width);
    return {};
  }
  return WrapText(it.text, true, width);
}

std::vector<GlyphLine> ContentOf(const Item& it, int width, bool trueColor) {
  switch (it.tmpl->kind) {
    case ControlClass::Button: return ButtonLines(it, width);
    case ControlClass::Edit: return EditLines(it, width);
    case ControlClass::ListBox: return ListLines(it, width);
    case ControlClass::Static: return StaticLines(it, width, trueColor);
  }
  return {};
}

// A control as the layout placed it: its box from the template, the rows it
// takes on the page (below the caption bar) and what it shows there.
struct Placed {
  Item* it;
  CellBox box;
  int top = 0, rows = 0;
  bool framed = false;
  bool picture = false;  // a picture in true colour: it fills its box exactly
  std::vector<GlyphLine> lines;
  int least = 0;         // the rows it cannot do with less
  std::string footer;    // a scrolled list: which entries it shows
};

struct PageLayout {
  int width = 0;  // cells
  int rows = 0;   // the page below its caption bar
  std::vector<Placed> placed;
};

bool IsList(const Placed& p) { return p.it->tmpl->kind == ControlClass::ListBox; }

// A list that scrolls keeps its frame and this many rows inside.
constexpr int kMinListLines = 3;

// Makes a page taller than rowBudget shorter, a row at a time from the
// bottom up: first rows that no control covers, then rows that the controls
// covering them can spare (rows beyond what they show), then rows that lists
// give up too (they then scroll), down to a few entries each.
void Compress(PageLayout& page, int rowBudget) {
  for (int pass = 0; pass < 3; ++pass) {
    for (int r = page.rows - 1; r >= 0 && page.rows > rowBudget; --r) {
      bool spare = true;
      for (const Placed& p : page.placed)
        if (r >= p.top && r < p.top + p.rows) spare = spare && pass > 0 && p.rows > p.least && (pass == 2 || !IsList(p));
      if (!spare) continue;
      for (Placed& p : page.placed) {
        if (r < p.top) --p.top;
        else if (r < p.top + p.rows) --p.rows;
      }
      --page.rows;
    }
  }
}

// A list shows the entries that fit in its box from its first one shown,
// moved to bring a newly selected entry into view; its bottom edge says
// which when they are not all.
void Scroll(Placed& p) {
  Item& it = *p.it;
  const int width = p.framed ? p.box.cols - 2 : p.box.cols;
  const int inner = std::max(1, p.rows - (p.framed ? 2 : 0));
  const std::size_t count = it.entries.size();
  if (it.top >= count) it.top = 0;
  std::size_t end = 0;
  if (it.reveal && it.selected >= 0) {
    const auto sel = static_cast<std::size_t>(it.selected);
    if (sel < it.top) it.top = sel;
    for (;;) {
      ListLines(it, width, it.top, inner, &end);
      if (end > sel || it.top >= sel) break;
      ++it.top;
    }
  }
  it.reveal = false;
  p.lines = ListLines(it, width, it.top, inner, &end);
  it.shown = end - it.top;
  if (it.shown < count)
    p.footer = std::to_string(it.top + 1) + "-" + std::to_string(end) + " of " + std::to_string(count);
}

// The page's layout: each visible control in the cells of its template
// rectangle. A control whose content does not fit grows downwards, and what
// lies below its bottom moves down with it (rows inserted at that row). A
// page taller than rowBudget (0: no limit) is then made shorter, and its
// lists scroll.
PageLayout LayOut(const DialogTemplate& tmpl, std::vector<Item>& items, bool trueColor, int rowBudget) {
  PageLayout page;
  page.width = CellColumn(tmpl.cx);
  std::vector<int> need;  // rows each control's content needs
  for (Item& it : items) {
    if (!it.visible) continue;
    Placed p{&it, BoxOf(*it.tmpl)};
    p.framed = Framed(*it.tmpl) && p.box.cols >= 3;
    p.picture = trueColor && !it.pixels.empty();
    p.lines = ContentOf(it, p.framed ? p.box.cols - 2 : p.box.cols, trueColor);
    need.push_back(p.picture ? 0 : static_cast<int>(p.lines.size()) + (p.framed ? 2 : 0));
    p.least = p.picture ? p.box.rows : it.tmpl->kind == ControlClass::ListBox ? (p.framed ? 2 : 0) + kMinListLines : need.back();
    page.placed.push_back(std::move(p));
  }

  std::map<int, int> inserted;  // template row -> rows inserted there
  auto mapRow = [&](int row) {
    int r = row;
    for (const auto& [at, n] : inserted)
      if (at <= row) r += n;
    return r;
  };
  std::vector<std::size_t> byBottom(page.placed.size());
  for (std::size_t i = 0; i < byBottom.size(); ++i) byBottom[i] = i;
  std::stable_sort(byBottom.begin(), byBottom.end(), [&](std::size_t a, std::size_t b) {
    const CellBox &x = page.placed[a].box, &y = page.placed[b].box;
    return x.row + x.rows < y.row + y.rows;
  });
  for (std::size_t i : byBottom) {
    const CellBox& b = page.placed[i].box;
    const int have = mapRow(b.row + b.rows) - mapRow(b.row);
    if (need[i] > have) inserted[b.row + b.rows] += need[i] - have;
  }
  for (Placed& p : page.placed) {
    p.top = mapRow(p.box.row);
    p.rows = mapRow(p.box.row + p.box.rows) - p.top;
  }
  page.rows = mapRow(CellRow(tmpl.cy));
  for (Placed& p : page.placed) p.it->shown = p.it->entries.size();
  if (rowBudget > 0) {
    Compress(page, rowBudget);
    for (Placed& p : page.placed)
      if (IsList(p)) Scroll(p);
  }
  return page;
}

// --- Drawing -----------------------------------------------------------------

// A box's frame, with the control's number in its top edge when a person
// may address it.
void FrameOf(TextGrid& grid, const Placed& p, int top) {
  const ControlTemplate& c = *p.it->tmpl;
  GlyphLine label;
  if (c.id != kIdStatic && c.kind != ControlClass::Static) label = TextLines(std::to_string(c.id), false)[0];
  DrawFrame(grid, top, p.box.col, p.rows, p.box.cols, label, false, TextLines(p.footer, false)[0]);
}

// The control's lines from its first inner row, centred or not.
void PutLines(TextGrid& grid, const Placed& p, int top, bool centred) {
  const int col = p.framed ? p.box.col + 1 : p.box.col;
  const int row = p.framed ? top + 1 : top;
  const int width = p.framed ? p.box.cols - 2 : p.box.cols;
  for (std::size_t i = 0; i < p.lines.size(); ++i) {
    const int pad = centred ? std::max(0, (width - LineWidth(p.lines[i])) / 2) : 0;
    grid.put(row + static_cast<int>(i), col + pad, p.lines[i]);
  }
}

void DrawPicture(TextGrid& grid, const Placed& p, int top) {
  const int w = p.box.cols;
  auto at = [&](int x, int y) { return p.it->pixels[static_cast<std::size_t>(y) * w + x]; };
  for (int r = 0; r < p.box.rows; ++r)
    for (int x = 0; x < w; ++x) grid.put(top + r, p.box.col + x, HalfBlock(at(x, 2 * r), at(x, 2 * r + 1)));
}

void DrawButton(TextGrid& grid, const Placed& p, int top) { PutLines(grid, p, top, false); }

void DrawEdit(TextGrid& grid, const Placed& p, int top) {
  if (p.framed) FrameOf(grid, p, top);
  PutLines(grid, p, top, false);
}

void DrawList(TextGrid& grid, const Placed& p, int top) {
  if (p.framed) FrameOf(grid, p, top);
  PutLines(grid, p, top, false);
}

void DrawStatic(TextGrid& grid, const Placed& p, int top) {
  if (p.picture) return DrawPicture(grid, p, top);
  if (p.framed) FrameOf(grid, p, top);
  PutLines(grid, p, top, (p.it->tmpl->style & kSsTypeMask) == kSsCenter);
}

// The page as text: the caption bar, then each control in template order.
std::string Draw(const PageLayout& page, const std::string& caption) {
  TextGrid grid(page.width);
  GlyphLine bar = TextLines("== " + caption + " ", false)[0];
  while (LineWidth(bar) < page.width) bar.push_back(Glyph{"=", 1});
  grid.put(0, 0, bar);
  grid.reserve_rows(1 + page.rows);
  for (const Placed& p : page.placed) {
    const int top = 1 + p.top;
    switch (p.it->tmpl->kind) {
      case ControlClass::Button: DrawButton(grid, p, top); break;
      case ControlClass::Edit: DrawEdit(grid, p, top); break;
      case ControlClass::ListBox: DrawList(grid, p, top); break;
      case ControlClass::Static: DrawStatic(grid, p, top); break;
    }
  }
  return grid.str();
}

}  // namespace

std::string ConsoleDialogWindow::render(Dialog& dlg, bool trueColor, int screenRows) {
  dlg.HandlePaint();
  // Besides its rows: the caption bar and the keys line, with the blank line
  // before the page and the input line after it.
  const int rowBudget = screenRows > 0 ? std::max(1, screenRows - 4) : 0;
  std::string out = Draw(LayOut(tmpl_, items_, trueColor, rowBudget), caption_);
  // Which keys do what on this page.
  std::string keys = "keys: enter";
  for (const Item& it : items_)
    if (it.visible && IsButtonKind(*it.tmpl, kBsDefPushButton)) keys += " = " + std::to_string(it.tmpl->id);
  keys += ", esc; \"help\" lists the actions\n";
  return out + keys;
}

}  // namespace relvo::fw::console
