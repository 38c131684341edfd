// The console user interface: pages and message boxes shown on a UTF-8
// terminal and driven by one action per input line, the same for a person
// and for piped input; the application's windows as lines of text, with a
// queue of posted messages and the message loop.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <istream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "fw/backend.h"
#include "fw/console/console_ui.h"
#include "fw/window.h"
#include "platform/current_folders.h"

namespace relvo::fw::console {

class ConsoleBackend : public Backend, public WindowBackend {
 public:
  // Pages and boxes are shown on out and driven from in; drives answers
  // the pages' drive listings.
  ConsoleBackend(std::istream& in, std::ostream& out, CurrentFolders& drives, ConsoleOptions options = {});
  ~ConsoleBackend() override;
  static ConsoleOptions OptionsForStdio() { return ConsoleUi::OptionsForStdio(); }

  // What a page does when nobody attends it (ConsoleOptions::unattended):
  // the actions to carry out, in the input language, for dlg's visit-th
  // opening of its template (from 1). A page still open after them gets
  // esc, and is ended with kIdCancel if it stays open even then. Without a
  // script every page gets esc.
  using PageScript = std::function<std::vector<std::string>(const Dialog& dlg, int visit)>;
  void set_page_script(PageScript script) { script_ = std::move(script); }

  // Shows the page, reads an action, carries it out, shows the page again,
  // until the page ends. Between two actions it pumps posted messages. End
  // of input acts as Esc (and ends a page that stays open with kIdCancel).
  // Unattended, the page script's actions take the place of the input and
  // the page is shown as one line.
  int run_modal(Dialog& dlg) override;
  Ui& ui() override { return ui_; }
  ConsoleUi& console_ui() { return ui_; }
  WindowBackend* windows() override { return this; }

  // Windows. A top-level window shows its title as a line "(title: TEXT)"
  // each time it is set after its creation; a window's painting shows its
  // picture (DrawDibFile's) as half-blocks in true colour, else as a line
  // "(picture: NAME)"; anything else it draws is not shown. Every window's
  // client area is kClientColumns cells wide and kClientRows high (a cell
  // is one pixel wide and two high).
  static constexpr int kClientColumns = 48;
  static constexpr int kClientRows = 18;
  bool create_window(Wnd& wnd, CreateStruct& cs) override;
  // Delivers posted messages in order until post_quit; kLoopIdle when the
  // queue runs empty first (nothing could arrive any more).
  int run_message_loop() override;
  void dispatch_posted() override;
  void post_quit(int code) override;

 private:
  class Window;
  struct Posted {
    Wnd* target;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };
  // Delivers the first posted message; false when there is none.
  bool deliver_one();
  void forget(Wnd* target);
  void paint_children(WindowPeer* parent);

  ConsoleUi ui_;
  CurrentFolders& drives_;
  PageScript script_;
  std::map<int, int> visits_;  // template id -> openings (unattended)
  std::deque<Posted> queue_;
  std::vector<Window*> windows_;  // in creation order
  bool quit_ = false;
  int quitCode_ = 0;
  bool dispatching_ = false;
};

}  // namespace relvo::fw::console
