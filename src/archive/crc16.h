// CRC-16 of LZH archives (reflected polynomial 0xA001, start value 0): the
// check of every member's data and of level 2 and 3 headers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace relvo::lzh {

// Continues crc over n bytes and returns the new value; start with 0.
std::uint16_t crc16(std::uint16_t crc, const void* data, std::size_t n);

}  // namespace relvo::lzh
