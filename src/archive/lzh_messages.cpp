// The library's message texts.
#include "archive/lzh_messages.h"

namespace relvo::lzh::msg {

namespace {
std::string cat(std::string_view a, std::string_view b, std::string_view c = {}, std::string_view d = {}) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size() + d.size());
  s.append(a).append(b).append(c).append(d);
  return s;
}
}  // namespace

std::string archive_missing(std::string_view a) { return cat("書庫 ", a, " が見つかりません。"); }
std::string archive_unreadable(std::string_view a) { return cat("書庫 ", a, " を読み込めません。"); }
std::string not_lzh(std::string_view a) { return cat(a, " はLZH書庫ではありません。"); }
std::string header_broken(std::string_view a) { return cat("書庫 ", a, " のヘッダが壊れています。"); }
std::string header_checksum(std::string_view a) { return cat("書庫 ", a, " のヘッダのチェックサムが合いません。"); }
std::string archive_truncated(std::string_view a) { return cat("書庫 ", a, " は途中で切れています。"); }
std::string unsupported_method(std::string_view m, std::string_view method) {
  return cat(m, " の圧縮方式 ", method, " には対応していません。");
}
std::string data_broken(std::string_view m) { return cat(m, " の圧縮データが壊れています。"); }
std::string data_truncated(std::string_view m) { return cat(m, " の圧縮データが途中で切れています。"); }
std::string crc_error(std::string_view m) { return cat(m, " のCRCが合いません。書庫が壊れています。"); }
std::string write_failed(std::string_view p) { return cat(p, " を書き込めませんでした。"); }
std::string folder_failed(std::string_view p) { return cat("フォルダ ", p, " を作成できませんでした。"); }
std::string unsafe_name(std::string_view m) { return cat(m, " は展開先の外を指す名前のため展開しません。"); }
std::string symlink_refused(std::string_view m) { return cat(m, " はシンボリックリンクのため展開しません。"); }
std::string target_missing(std::string_view f) { return cat("展開先フォルダ ", f, " がありません。"); }
std::string bad_command(std::string_view c) { return cat("コマンド ", c, " には対応していません。"); }
std::string bad_switch(std::string_view s) { return cat("スイッチ ", s, " には対応していません。"); }
std::string bad_command_line() { return "コマンド行が正しくありません。"; }

}  // namespace relvo::lzh::msg
