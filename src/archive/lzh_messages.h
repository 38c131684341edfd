// The library's messages, in Japanese (CP932), each naming the archive or
// the member and what went wrong. Names go into a message with their
// control characters escaped ("<01>"), so that no byte of a name can cut
// a message short or act on the screen that shows it.
#pragma once
#include <string>
#include <string_view>

#include "archive/lzh_reader.h"

namespace relvo::lzh::msg {

// A name or path as messages show it: control characters (C0 and DEL) as
// "<NN>" (two hex digits; no Windows name holds '<', so the escape never
// reads as part of a path), everything else as it is.
std::string shown(std::string_view name);

std::string archive_missing(std::string_view archive);
std::string archive_unreadable(std::string_view archive);
std::string out_of_memory(std::string_view archive);
std::string not_lzh(std::string_view archive);
std::string header_broken(std::string_view archive);
std::string header_checksum(std::string_view archive);
std::string archive_truncated(std::string_view archive);
std::string unsupported_method(std::string_view member, std::string_view method);
std::string data_broken(std::string_view member);
std::string data_truncated(std::string_view member);
std::string crc_error(std::string_view member);
std::string write_failed(std::string_view path);
std::string folder_failed(std::string_view path);
std::string unsafe_name(std::string_view member);
std::string symlink_refused(std::string_view member);
std::string folder_not_plain(std::string_view path);
std::string target_missing(std::string_view folder);
std::string bad_command(std::string_view command);
std::string bad_switch(std::string_view sw);
std::string bad_command_line();

// Writing archives.
std::string archive_exists(std::string_view archive);
std::string file_missing(std::string_view path);
std::string file_unreadable(std::string_view path);
std::string file_too_large(std::string_view path);
std::string file_changed(std::string_view path);
std::string name_not_storable(std::string_view name);
std::string name_too_long(std::string_view name, int level);
std::string path_outside(std::string_view path);
std::string link_not_packed(std::string_view path);

// The one place a reader status becomes its message: a header that could
// not be read (st is neither Ok nor End) names the archive; data that did
// not come out whole (st is not Ok) names the member and, for a method we
// do not decode, the method.
std::string header_failure(HeaderStatus st, std::string_view archive);
std::string data_failure(DataStatus st, std::string_view member, std::string_view method);

}  // namespace relvo::lzh::msg
