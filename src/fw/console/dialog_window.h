// An open dialog on the console: its controls held in memory from the
// template, the actions of the input language carried out on them, and the
// page drawn as text for a UTF-8 terminal.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fw/backend.h"
#include "fw/dialog_template.h"
#include "platform/current_folders.h"

namespace relvo::fw {
class Dialog;
}

namespace relvo::fw::console {

// One action of the input language (kActionHelp); text is CP932.
struct Action {
  enum class Verb { Click, Enter, Esc, Select, DblClick, Type, Scroll, Help } verb = Verb::Help;
  int id = 0;
  std::string text;
};

// Reads one input line (UTF-8, without its line end). An empty line is the
// Enter key, and a line holding the Esc key alone is esc, as a person at a
// terminal presses them. nullopt when the line is not an action; why then
// says so in one line (UTF-8), naming the keys whose escape sequences it
// holds (an arrow key pressed at the terminal).
std::optional<Action> ParseAction(std::string_view line, std::string& why);

// Dialog units to terminal cells: a cell is 3 units wide and 6 high (about
// the shape of a terminal's cell), positions rounded.
inline int CellColumn(int dialogUnitsX) { return (2 * dialogUnitsX + 3) / 6; }
inline int CellRow(int dialogUnitsY) { return (dialogUnitsY + 3) / 6; }

class ConsoleDialogWindow : public DialogWindow {
 public:
  // The dialog's controls as its template makes them. drives lists the
  // drives for dir_list.
  ConsoleDialogWindow(const DialogTemplate& tmpl, CurrentFolders& drives);

  // Carries out one action on dlg (Help is the backend's). Returns an
  // empty text when it was done, else a one-line explanation (UTF-8) and
  // nothing has changed.
  std::string perform(Dialog& dlg, const Action& action);

  // Paints dlg (its OnPaint) and returns the page as a person reads it:
  // the caption, every visible control in its place, UTF-8 lines. Pictures
  // are coloured half-blocks when trueColor, else the picture's file name.
  // Controls grow to show all they hold; on a screen of screenRows rows
  // (0: no limit) a page that would not fit, with a blank line before it
  // and the input line after it, loses its empty rows and its lists' extra
  // rows, and a list scrolls inside its box (its bottom edge says which of
  // its entries it shows).
  std::string render(Dialog& dlg, bool trueColor, int screenRows = 0);

  // DialogWindow.
  std::string caption() override { return caption_; }
  void set_caption(const std::string& text) override { caption_ = text; }
  std::string item_text(int id) override;
  void set_item_text(int id, const std::string& text) override;
  bool item_visible(int id) override;
  void show_item(int id, bool show) override;
  bool item_enabled(int id) override;
  void enable_item(int id, bool enable) override;
  bool item_checked(int id) override;
  void check_item(int id, bool check) override;
  void lb_reset(int id) override;
  int lb_add(int id, const std::string& text) override;
  int lb_count(int id) override;
  int lb_cur_sel(int id) override;
  int lb_set_cur_sel(int id, int index) override;
  bool lb_text(int id, int index, std::string& text) override;
  // Lists drives only (kDdlDrives | kDdlExclusive, from the drives given to
  // the window, "[-c-]"); other file types are not listed here (0).
  int dir_list(std::string& pathSpec, int listId, int staticId, unsigned fileType) override;
  // A cell is one pixel wide and two high (a half-block each).
  Rect client_rect(int id) override;
  std::unique_ptr<Dc> get_dc(int id) override;
  void invalidate(int id, bool erase) override;
  void update(int) override {}
  void begin_paint() override {}
  void end_paint() override {}
  void end_dialog(int) override {}

  // A control's state, as the console keeps it.
  struct Item {
    const ControlTemplate* tmpl = nullptr;
    std::string text;
    bool visible = true, enabled = true, checked = false;
    std::vector<std::string> entries;
    int selected = kLbErr;
    // A scrolled list: the first entry shown, the number shown when last
    // drawn, and whether the selection is to be brought into view.
    std::size_t top = 0, shown = 0;
    bool reveal = false;
    // What was last drawn on the control: pixels (0x00RRGGBB, row by row, in
    // client_rect's size) and the picture's name.
    std::vector<std::uint32_t> pixels;
    std::string pictureName;
  };
  // The control with this id, or nullptr.
  Item* item(int id);

 private:
  class PictureDc;

  std::string click(Dialog& dlg, Item& it);
  std::string choose(Dialog& dlg, Item& it, const std::string& entry, bool twice);
  std::string scroll(Item& it);

  const DialogTemplate& tmpl_;
  CurrentFolders& drives_;
  std::string caption_;
  std::vector<Item> items_;
};

}  // namespace relvo::fw::console
