// Reading one member header: the four header levels, the extended headers
// of levels 1 to 3, and the stored path taken apart into root, folders,
// name and comment.
#pragma once
#include <cstdint>

#include "archive/lzh_reader.h"
#include "base/byte_source.h"

namespace relvo::lzh {

// Reads the member header that starts at in's position into m, leaving in
// at the member's packed data. End for an end mark (a zero byte) or for no
// byte at all. Every other status leaves m unspecified; the position of in
// is then wherever the reading stopped.
HeaderStatus read_member_header(ByteSource& in, Member& m);

// True when p (at least 7 bytes) starts the way a member header does: a
// method id of the LHA family ("-lh?-", "-lz?-", "-pm?-") at offset 2.
bool looks_like_header(const std::uint8_t* p);

}  // namespace relvo::lzh
