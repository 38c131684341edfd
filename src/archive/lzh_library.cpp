// The command entry: parsing the run's command line and extracting.
#include "archive/lzh_library.h"

#include <cstring>
#include <new>

#include "archive/lzh_extract.h"
#include "archive/lzh_messages.h"
#include "base/sjis.h"

namespace relvo::lzh {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// Reads a "quoted" argument at pos; false when there is none.
bool quoted(std::string_view s, std::size_t& pos, std::string& out) {
  while (pos < s.size() && blank(s[pos])) ++pos;
  if (pos >= s.size() || s[pos] != '"') return false;
  const std::size_t close = s.find('"', pos + 1);  // '"' is never a trail byte
  if (close == std::string_view::npos) return false;
  out.assign(s.substr(pos + 1, close - pos - 1));
  pos = close + 1;
  return !out.empty();
}

}  // namespace

bool parse_command_line(std::string_view s, ParsedCommand& out, std::string& message) {
  out = {};
  std::size_t pos = 0;
  while (pos < s.size() && blank(s[pos])) ++pos;
  std::size_t end = pos;
  while (end < s.size() && !blank(s[end])) ++end;
  const std::string_view command = s.substr(pos, end - pos);
  if (command.empty()) {
    message = msg::bad_command_line();
    return false;
  }
  if (command != "e" && command != "E") {
    message = msg::bad_command(command);
    return false;
  }
  out.command = 'e';
  pos = end;
  for (;;) {
    while (pos < s.size() && blank(s[pos])) ++pos;
    if (pos >= s.size() || s[pos] != '-') break;
    const std::size_t start = pos++;
    bool work = false;
    while (pos < s.size() && !blank(s[pos])) {
      const char c = s[pos];
      if (c == 'm' || c == 'c' || c == 'M' || c == 'C') {
        ++pos;
        continue;
      }
      if (c == 'w' || c == 'W') {
        work = true;
        ++pos;
        break;
      }
      std::size_t e = pos;
      while (e < s.size() && !blank(s[e])) ++e;
      message = msg::bad_switch(s.substr(start, e - start));
      return false;
    }
    if (pos == start + 1 && !work) {
      message = msg::bad_switch("-");
      return false;
    }
    if (work) {
      // The work folder is not quoted: it runs to the blank before the
      // first quoted argument and may hold blanks itself.
      const std::size_t q = s.find('"', pos);
      std::size_t e = q == std::string_view::npos ? s.size() : q;
      while (e > pos && blank(s[e - 1])) --e;
      out.work_folder.assign(s.substr(pos, e - pos));
      pos = e;
    }
  }
  if (!quoted(s, pos, out.archive) || !quoted(s, pos, out.target)) {
    message = msg::bad_command_line();
    return false;
  }
  while (pos < s.size() && blank(s[pos])) ++pos;
  if (pos != s.size()) {
    message = msg::bad_command_line();
    return false;
  }
  return true;
}

std::string archive_file_name(FileSystem& fs, const std::string& path) {
  std::string with_lzh = path + ".lzh";
  if (fs.exists(with_lzh) || sjis::split_path(path).ext.empty()) return with_lzh;
  return path;
}

void copy_message(const std::string& text, char* buf, std::size_t size) {
  if (!buf || size == 0) return;
  // Our messages carry names escaped already; a control byte that is still
  // there (a NUL above all) is shown escaped too, never a place to stop.
  const std::string message = msg::shown(text);
  std::size_t n = 0;
  while (n < message.size()) {
    const std::size_t len = sjis::char_len(message, n);
    if (n + len > size - 1) break;
    n += len;
  }
  std::memcpy(buf, message.data(), n);
  buf[n] = '\0';
}

int LzhLibrary::Command(void* /*owner_window*/, const char* command_line, char* msg, std::size_t msg_size) {
  copy_message({}, msg, msg_size);
  ParsedCommand cmd;
  std::string message;
  if (!command_line || !parse_command_line(command_line, cmd, message)) {
    copy_message(message.empty() ? msg::bad_command_line() : message, msg, msg_size);
    return 1;
  }
  RunOptions opt;
  opt.mode = Mode::Flat;
  opt.target = cmd.target;
  opt.stop_at_failure = true;
  opt.progress = progress_;
  RunOutcome r;
  const std::string archive = archive_file_name(fs_, cmd.archive);
  try {
    r = run_archive(fs_, archive, opt);
  } catch (const std::bad_alloc&) {
    copy_message(msg::out_of_memory(archive), msg, msg_size);
    return 4;
  } catch (const std::exception&) {
    copy_message(msg::archive_unreadable(archive), msg, msg_size);
    return 2;
  }
  if (r.ok()) return 0;
  copy_message(r.message, msg, msg_size);
  return r.archive_ok ? 3 : 2;
}

}  // namespace relvo::lzh
