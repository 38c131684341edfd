// The console's modal loops for pages and message boxes, its wait cursor
// and progress lines.
#include "fw/console/console_backend.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "fw/console/dialog_window.h"
#include "fw/console/terminal.h"
#include "fw/console/text_grid.h"
#include "fw/dialog.h"

namespace relvo::fw::console {

const char kActionHelp[] =
    "Actions, one per line (the same typed at the terminal or piped in):\n"
    "  click ID          presses button ID; on a message box click 1 is OK and\n"
    "                    click 2 is Cancel\n"
    "  ID                the same as click ID\n"
    "  enter             the Enter key: presses the default button\n"
    "  esc               the Esc key: leaves the page as Cancel does\n"
    "  select ID TEXT    selects the entry TEXT of list ID, as a click does\n"
    "  dblclick ID TEXT  double-clicks the entry TEXT of list ID (it is selected\n"
    "                    by the first click, as select does)\n"
    "  type ID TEXT      replaces the text of edit box ID by TEXT (may be empty)\n"
    "  help              shows this list\n"
    "Buttons show their ID as [ID]; boxes and lists show it in their top edge.\n"
    "TEXT is the whole rest of the line after one blank, as the page shows it.\n"
    "A line that is not an action is explained and changes nothing. The end of\n"
    "the input acts as esc on a page and presses the last button of a message\n"
    "box, so a script never hangs.\n";

ConsoleBackend::ConsoleBackend(std::istream& in, std::ostream& out, CurrentFolders& drives, ConsoleOptions options)
    : in_(in), out_(out), drives_(drives), options_(options) {}

ConsoleOptions ConsoleBackend::OptionsForStdio() {
  ConsoleOptions o;
  const char* colour = std::getenv("COLORTERM");
  o.trueColor = colour && (std::strcmp(colour, "truecolor") == 0 || std::strcmp(colour, "24bit") == 0);
#ifdef _WIN32
  const bool person = _isatty(_fileno(stdin)) != 0;
#else
  const bool person = isatty(fileno(stdin)) != 0;
#endif
  o.prompt = person;
  o.echo = !person;
  return o;
}

bool ConsoleBackend::read_line(std::string& line) {
  if (options_.prompt) out_ << "> " << std::flush;
  if (!std::getline(in_, line)) return false;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (options_.echo) out_ << "> " << Utf8ForTerminal(line) << "\n";
  return true;
}

namespace {

// Clears the dialog's attachment on every way out of the modal run.
class Attachment {
 public:
  Attachment(Dialog& dlg, DialogWindow& w, Backend& b) : dlg_(dlg) { dlg_.Attach(&w, &b); }
  ~Attachment() { dlg_.Attach(nullptr, nullptr); }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;

 private:
  Dialog& dlg_;
};

}  // namespace

int ConsoleBackend::run_modal(Dialog& dlg) {
  ConsoleDialogWindow window(dlg.Template(), drives_);
  Attachment attached(dlg, window, *this);
  dlg.HandleInitDialog();
  bool redraw = true;
  while (!dlg.IsEnded()) {
    PumpPostedMessages();
    if (dlg.IsEnded()) break;
    if (redraw) out_ << "\n" << window.render(dlg, options_.trueColor) << std::flush;
    redraw = false;
    std::string line, why;
    if (!read_line(line)) {
      out_ << "(end of input: esc)\n";
      window.perform(dlg, Action{Action::Verb::Esc});
      if (!dlg.IsEnded()) dlg.EndDialog(kIdCancel);
      break;
    }
    const std::optional<Action> a = ParseAction(line, why);
    if (!a) {
      out_ << why << "\n";
    } else if (a->verb == Action::Verb::Help) {
      out_ << kActionHelp;
    } else if (std::string refused = window.perform(dlg, *a); !refused.empty()) {
      out_ << refused << "\n";
    } else {
      redraw = true;
    }
  }
  out_ << std::flush;
  return dlg.EndCode();
}

int ConsoleBackend::message_box(const std::string& text, const std::string& caption, Buttons buttons) {
  const bool withCancel = buttons == Buttons::OkCancel;
  const std::string rule(60, '-');
  out_ << "\n+-- " << ForTerminal(caption) << " " << rule.substr(0, 20) << "\n";
  for (const GlyphLine& l : TextLines(text, true)) {
    out_ << "| ";
    for (const Glyph& g : l) out_ << g.utf8;
    out_ << "\n";
  }
  out_ << "|\n| [1] OK" << (withCancel ? "   [2] " + ForTerminal("キャンセル") : std::string()) << "\n+" << rule
       << "\n"
       << std::flush;
  for (;;) {
    PumpPostedMessages();
    std::string line, why;
    if (!read_line(line)) {
      out_ << "(end of input: " << (withCancel ? "click 2" : "click 1") << ")\n" << std::flush;
      return withCancel ? kIdCancel : kIdOk;
    }
    const std::optional<Action> a = ParseAction(line, why);
    if (!a) {
      out_ << why << "\n";
      continue;
    }
    switch (a->verb) {
      case Action::Verb::Enter: return kIdOk;
      case Action::Verb::Esc: return withCancel ? kIdCancel : kIdOk;
      case Action::Verb::Click:
        if (a->id == kIdOk || (withCancel && a->id == kIdCancel)) return a->id;
        out_ << "? this box has " << (withCancel ? "buttons 1 and 2" : "button 1 only") << "\n";
        break;
      case Action::Verb::Help: out_ << kActionHelp; break;
      default: out_ << "? a message box takes click 1" << (withCancel ? ", click 2" : "") << ", enter or esc\n";
    }
    out_ << std::flush;
  }
}

void ConsoleBackend::begin_wait_cursor() {
  if (waitDepth_++ == 0) out_ << "(working...)\n" << std::flush;
}

void ConsoleBackend::end_wait_cursor() {
  if (waitDepth_ > 0) --waitDepth_;
}

void ConsoleBackend::progress(const Progress& p) {
  out_ << "(" << p.row << "/" << p.rowCount << ") " << (p.isArchive ? "extract " : "copy    ")
       << ForTerminal(p.source) << " -> " << ForTerminal(p.target) << "\n"
       << std::flush;
}

}  // namespace relvo::fw::console
