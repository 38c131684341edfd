// The library's messages, in Japanese (CP932), each naming the archive or
// the member and what went wrong.
#pragma once
#include <string>
#include <string_view>

namespace relvo::lzh::msg {

std::string archive_missing(std::string_view archive);
std::string archive_unreadable(std::string_view archive);
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
std::string target_missing(std::string_view folder);
std::string bad_command(std::string_view command);
std::string bad_switch(std::string_view sw);
std::string bad_command_line();

}  // namespace relvo::lzh::msg
