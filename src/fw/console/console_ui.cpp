// The console user interface of `relvo update`.
#include "app/console_ui.h"

#include <cctype>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/encoding.h"

namespace relvo::app {

namespace {

bool StdinIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stdin)) != 0;
#else
  return isatty(fileno(stdin)) != 0;
#endif
}

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

ConsoleUi ConsoleUi::ForStdio() { return ConsoleUi(stdin, stdout, StdinIsTerminal()); }

std::string FormatBox(const std::string& text, const std::string& caption) {
  std::string s = std::string("[") + enc::cp932_to_utf8(caption) + "] ";
  // The run's texts may carry CR LF line breaks; indent the lines after the
  // first so that a box stays one block.
  for (char c : enc::cp932_to_utf8(text)) {
    if (c == '\r') continue;
    s += c;
    if (c == '\n') s += "    ";
  }
  return s;
}

std::string FormatProgress(const fw::Progress& p) {
  return std::string("(") + std::to_string(p.row) + std::string("/") + std::to_string(p.rowCount) + ") " +
         (p.isArchive ? "extract " : "copy    ") + enc::cp932_to_utf8(p.source) + " -> " +
         enc::cp932_to_utf8(p.target);
}

int ConsoleUi::message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) {
  std::fprintf(out_, "%s\n", FormatBox(text, caption).c_str());
  if (buttons == fw::Buttons::Ok) {
    std::fflush(out_);
    return fw::kIdOk;
  }
  if (!interactive_) {
    std::fputs("  -> Cancel (no terminal to answer on)\n", out_);
    std::fflush(out_);
    answeredUnasked_ = true;
    return fw::kIdCancel;
  }
  for (;;) {
    std::fputs("  OK or Cancel? [o/c] ", out_);
    std::fflush(out_);
    std::string line;
    if (!ReadLine(in_, line)) {
      std::fputs("\n  -> Cancel (end of input)\n", out_);
      answeredUnasked_ = true;
      return fw::kIdCancel;
    }
    const std::string a = Lower(line);
    if (a.empty() || a == "o" || a == "ok" || a == "y" || a == "yes") return fw::kIdOk;
    if (a == "c" || a == "cancel" || a == "n" || a == "no") return fw::kIdCancel;
  }
}

void ConsoleUi::progress(const fw::Progress& p) {
  std::fprintf(out_, "%s\n", FormatProgress(p).c_str());
  std::fflush(out_);
}

}  // namespace relvo::app
