// The console's message boxes, progress lines and wait cursor.
#include "fw/console/console_ui.h"

#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "fw/backend.h"
#include "fw/console/dialog_window.h"
#include "fw/console/terminal.h"
#include "fw/console/text_grid.h"
#include "platform/console.h"

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

ConsoleUi::ConsoleUi(std::istream& in, std::ostream& out, ConsoleOptions options)
    : in_(in), out_(out), options_(options) {}

ConsoleOptions ConsoleUi::OptionsForStdio() {
  ConsoleOptions o;
  const char* colour = std::getenv("COLORTERM");
  o.trueColor = colour && (std::strcmp(colour, "truecolor") == 0 || std::strcmp(colour, "24bit") == 0);
  const bool person = is_terminal(stdin);
  o.prompt = person;
  o.echo = !person;
  return o;
}

bool ConsoleUi::read_line(std::string& line) {
  if (options_.unattended) return false;
  if (options_.prompt) out_ << "> " << std::flush;
  if (!std::getline(in_, line)) return false;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (options_.echo) out_ << "> " << Utf8ForTerminal(line) << "\n";
  return true;
}

int ConsoleUi::message_box(const std::string& text, const std::string& caption, Buttons buttons) {
  const bool withCancel = buttons == Buttons::OkCancel;
  const std::string rule(60, '-');
  // The top rule, with the caption in it, as wide as the bottom one.
  int captionWidth = 0;
  for (const GlyphLine& l : TextLines(caption, false))
    for (const Glyph& g : l) captionWidth += g.width;
  out_ << "\n+-- " << ForTerminal(caption) << " " << rule.substr(0, std::max(4, 60 - 4 - captionWidth)) << "\n";
  for (const GlyphLine& l : TextLines(text, true)) {
    out_ << "| ";
    for (const Glyph& g : l) out_ << g.utf8;
    out_ << "\n";
  }
  out_ << "|\n| [1] OK" << (withCancel ? "   [2] " + ForTerminal("キャンセル") : std::string()) << "\n+" << rule
       << "\n"
       << std::flush;
  if (options_.unattended) {
    PumpPostedMessages();
    const int answer = unattended_.answer(text, buttons);
    out_ << (answer == kIdOk ? "(unattended: click 1)\n" : "(unattended: click 2, asked again at once)\n")
         << std::flush;
    return answer;
  }
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

void ConsoleUi::begin_wait_cursor() {
  if (waitDepth_++ == 0) out_ << "(working...)\n" << std::flush;
}

void ConsoleUi::end_wait_cursor() {
  if (waitDepth_ > 0) --waitDepth_;
}

std::string FormatProgress(const Progress& p) {
  return "(" + std::to_string(p.row) + "/" + std::to_string(p.rowCount) + ") " +
         (p.isArchive ? "extract " : "copy    ") + Utf8ForTerminal(path_for_user(p.source)) + " -> " +
         Utf8ForTerminal(path_for_user(p.target));
}

void ConsoleUi::progress(const Progress& p) {
  unattended_.progressed();
  out_ << FormatProgress(p) << "\n" << std::flush;
}

}  // namespace relvo::fw::console
