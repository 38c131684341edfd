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
    "  enter             the Enter key: presses the default button; an empty\n"
    "                    line does the same\n"
    "  esc               the Esc key: leaves the page as Cancel does (help on a\n"
    "                    page says what that is there)\n"
    "  select ID TEXT    selects the entry TEXT of list ID, as a click does\n"
    "  dblclick ID TEXT  double-clicks the entry TEXT of list ID (it is selected\n"
    "                    by the first click, as select does)\n"
    "  type ID TEXT      replaces the text of edit box ID by TEXT (may be empty)\n"
    "  scroll ID         shows the next entries of list ID, when its box shows\n"
    "                    some of them only (after the last, the first again)\n"
    "  help              shows this list\n"
    "Buttons show their ID as [ID]; boxes and lists show it in their top edge.\n"
    "TEXT is the whole rest of the line after one blank, as the page shows it:\n"
    "a folder as [name], a drive as [-c-].\n"
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
  if (person) o.screenRows = terminal_rows(stdout);
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

namespace {

// A message box as the terminal shows it: the caption in the top edge, the
// text line by line, the buttons, in the frame the pages' boxes have, open on
// the right so that a long line runs on.
std::string BoxText(const std::string& text, const std::string& caption, bool withCancel) {
  std::vector<GlyphLine> lines = TextLines(text, true);
  lines.emplace_back();
  lines.push_back(TextLines(std::string("[1] OK") + (withCancel ? "   [2] キャンセル" : ""), false)[0]);
  const GlyphLine label = TextLines("-- " + caption + " ", false)[0];
  const int cols = std::max(61, LineWidth(label) + 5);
  int width = cols;
  for (const GlyphLine& l : lines) width = std::max(width, 2 + LineWidth(l));
  TextGrid grid(width);
  DrawFrame(grid, 0, 0, static_cast<int>(lines.size()) + 2, cols, label, true);
  for (std::size_t i = 0; i < lines.size(); ++i) grid.put(1 + static_cast<int>(i), 2, lines[i]);
  return grid.str();
}

}  // namespace

int ConsoleUi::message_box(const std::string& text, const std::string& caption, Buttons buttons) {
  const bool withCancel = buttons == Buttons::OkCancel;
  out_ << "\n" << BoxText(text, caption, withCancel) << std::flush;
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
  reading_ = "(" + std::to_string(p.row) + "/" + std::to_string(p.rowCount) + ")";
  quarter_ = 0;
  out_ << FormatProgress(p) << "\n" << std::flush;
}

std::string FormatStep(const Step& s, const std::string& reading) {
  const auto path = [](const std::string& p) { return Utf8ForTerminal(path_for_user(p)); };
  switch (s.kind) {
    case Step::Kind::Bytes:
      return reading + " " + std::to_string(s.done) + " of " + std::to_string(s.total) + " bytes read";
    case Step::Kind::Settings: return "(settings) " + path(s.path) + " " + ForTerminal(s.text);
    case Step::Kind::Voice: return "(voice data) extract " + path(s.path + ".lzh") + " -> " + path(s.target);
    case Step::Kind::Conversion:
      if (!s.finished) return {};
      return "(material " + ForTerminal(s.text) + " conversion) " + std::to_string(s.done) +
             (s.done == 1 ? " file" : " files") + (s.ok ? "" : ", failed");
    case Step::Kind::Reason: return "reason: " + ForTerminal(s.text);
  }
  return {};
}

void ConsoleUi::step(const Step& s) {
  if (s.kind == Step::Kind::Voice) {
    reading_ = "(voice data)";
    quarter_ = 0;
  }
  if (s.kind == Step::Kind::Bytes) {
    // A long extraction tells how far it got at each quarter.
    constexpr std::uint64_t kLong = 1u << 20;
    if (s.total < kLong || s.done * 4 < static_cast<std::uint64_t>(quarter_ + 1) * s.total) return;
    quarter_ = static_cast<int>(s.done * 4 / s.total);
  }
  const std::string line = FormatStep(s, reading_);
  if (!line.empty()) out_ << line << "\n" << std::flush;
}

}  // namespace relvo::fw::console
