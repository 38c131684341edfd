// The console's message boxes, progress lines and wait cursor.
#include "fw/console/console_ui.h"

#include <cctype>

#include "fw/console/terminal.h"
#include "platform/console.h"

namespace relvo::fw::console {

namespace {

// Reads one answer line; false at the end of the input.
bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
  return c != EOF || !line.empty();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

}  // namespace

ConsoleUi::ConsoleUi(std::FILE* in, std::FILE* out, bool interactive)
    : in_(in), out_(out), interactive_(interactive) {}

ConsoleUi ConsoleUi::ForStdio() { return ConsoleUi(stdin, stdout, is_terminal(stdin)); }

std::string FormatBox(const std::string& text, const std::string& caption) {
  std::string s = "[" + ForTerminal(caption) + "] ";
  // The run's texts may carry CR LF line breaks; indent the lines after the
  // first so that a box stays one block.
  for (char c : ForTerminal(text, /*keepLineBreaks=*/true)) {
    s += c;
    if (c == '\n') s += "    ";
  }
  return s;
}

std::string FormatProgress(const Progress& p) {
  return "(" + std::to_string(p.row) + "/" + std::to_string(p.rowCount) + ") " +
         (p.isArchive ? "extract " : "copy    ") + ForTerminal(p.source) + " -> " + ForTerminal(p.target);
}

int ConsoleUi::message_box(const std::string& text, const std::string& caption, Buttons buttons) {
  std::fprintf(out_, "%s\n", FormatBox(text, caption).c_str());
  if (buttons == Buttons::Ok) {
    std::fflush(out_);
    return kIdOk;
  }
  if (!interactive_) {
    std::fputs("  -> Cancel (no terminal to answer on)\n", out_);
    std::fflush(out_);
    answeredUnasked_ = true;
    return kIdCancel;
  }
  for (;;) {
    std::fputs("  OK or Cancel? [o/c] ", out_);
    std::fflush(out_);
    std::string line;
    if (!ReadLine(in_, line)) {
      std::fputs("\n  -> Cancel (end of input)\n", out_);
      answeredUnasked_ = true;
      return kIdCancel;
    }
    const std::string a = Lower(line);
    if (a.empty() || a == "o" || a == "ok" || a == "y" || a == "yes") return kIdOk;
    if (a == "c" || a == "cancel" || a == "n" || a == "no") return kIdCancel;
  }
}

void ConsoleUi::progress(const Progress& p) {
  std::fprintf(out_, "%s\n", FormatProgress(p).c_str());
  std::fflush(out_);
}

}  // namespace relvo::fw::console
