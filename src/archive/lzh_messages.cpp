// The library's message texts.
#include "archive/lzh_messages.h"

#include "base/sjis.h"

namespace relvo::lzh::msg {

namespace {
// Our text, a name (escaped), and more of our text.
std::string cat(std::string_view before, std::string_view name, std::string_view after) {
  std::string s(before);
  s.append(shown(name)).append(after);
  return s;
}
std::string named(std::string_view name, std::string_view after) { return cat({}, name, after); }
}  // namespace

std::string shown(std::string_view name) {
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  s.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t n = sjis::char_len(name, i);
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (n == 1 && (c < 0x20 || c == 0x7F)) {
      s += '<';
      s += kHex[c >> 4];
      s += kHex[c & 15];
      s += '>';
    } else {
      s.append(name.substr(i, n));
    }
    i += n;
  }
  return s;
}

std::string archive_missing(std::string_view a) { return cat("書庫 ", a, " が見つかりません。"); }
std::string archive_unreadable(std::string_view a) { return cat("書庫 ", a, " を読み込めません。"); }
std::string out_of_memory(std::string_view a) { return cat("書庫 ", a, " を展開するためのメモリが足りません。"); }
std::string not_lzh(std::string_view a) { return named(a, " はLZH書庫ではありません。"); }
std::string header_broken(std::string_view a) { return cat("書庫 ", a, " のヘッダが壊れています。"); }
std::string header_checksum(std::string_view a) { return cat("書庫 ", a, " のヘッダのチェックサムが合いません。"); }
std::string archive_truncated(std::string_view a) { return cat("書庫 ", a, " は途中で切れています。"); }
std::string unsupported_method(std::string_view m, std::string_view method) {
  return named(m, " の圧縮方式 " + shown(method) + " には対応していません。");
}
std::string data_broken(std::string_view m) { return named(m, " の圧縮データが壊れています。"); }
std::string data_truncated(std::string_view m) { return named(m, " の圧縮データが途中で切れています。"); }
std::string crc_error(std::string_view m) { return named(m, " のCRCが合いません。書庫が壊れています。"); }
std::string write_failed(std::string_view p) { return named(p, " を書き込めませんでした。"); }
std::string folder_failed(std::string_view p) { return cat("フォルダ ", p, " を作成できませんでした。"); }
std::string unsafe_name(std::string_view m) { return named(m, " は展開先の外を指す名前のため展開しません。"); }
std::string symlink_refused(std::string_view m) { return named(m, " はシンボリックリンクのため展開しません。"); }
std::string folder_not_plain(std::string_view p) {
  return named(p, " は普通のフォルダではない（リンクなどの）ため、その中には展開しません。");
}
std::string target_missing(std::string_view f) { return cat("展開先フォルダ ", f, " がありません。"); }
std::string bad_command(std::string_view c) { return cat("コマンド ", c, " には対応していません。"); }
std::string bad_switch(std::string_view s) { return cat("スイッチ ", s, " には対応していません。"); }
std::string bad_command_line() { return "コマンド行が正しくありません。"; }

std::string archive_exists(std::string_view a) {
  return cat("書庫 ", a, " はすでにあります。書庫への追加はしません（新しい書庫だけを作ります）。");
}
std::string file_missing(std::string_view p) { return named(p, " が見つかりません。"); }
std::string file_unreadable(std::string_view p) { return named(p, " を読み込めません。"); }
std::string file_too_large(std::string_view p) { return named(p, " は4GB以上あるため書庫に入れられません。"); }
std::string file_changed(std::string_view p) { return named(p, " は書庫に入れている間に変わりました。"); }
std::string name_not_storable(std::string_view n) {
  return named(n, " はシフトJISで表せない文字か、書庫に入れられない名前を含んでいます。");
}
std::string name_too_long(std::string_view n, int level) {
  return named(n, " はヘッダレベル" + std::to_string(level) + "の書庫には長すぎる名前です。");
}
std::string path_outside(std::string_view p) {
  return named(p, " はルートか..を含むため書庫に入れません（基準フォルダからの相対パスで指定してください）。");
}
std::string link_not_packed(std::string_view p) { return named(p, " はリンクのため書庫に入れません。"); }

std::string header_failure(HeaderStatus st, std::string_view archive) {
  switch (st) {
    case HeaderStatus::NotArchive: return not_lzh(archive);
    case HeaderStatus::Truncated: return archive_truncated(archive);
    case HeaderStatus::BadChecksum: return header_checksum(archive);
    default: return header_broken(archive);
  }
}

std::string data_failure(DataStatus st, std::string_view member, std::string_view method) {
  switch (st) {
    case DataStatus::Unsupported: return unsupported_method(member, method);
    case DataStatus::Truncated: return data_truncated(member);
    case DataStatus::BadCrc: return crc_error(member);
    default: return data_broken(member);
  }
}

}  // namespace relvo::lzh::msg
