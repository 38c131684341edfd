// The record rules of the two material master conversions, and the copy loop
// that runs one of them over a whole master file.
#pragma once
#include <string>

#include "base/byte_source.h"
#include "platform/files.h"

namespace relvo::master {

// A record rule rewrites one record (a line without its line end) in place.
using RecordRule = void (*)(std::string& record);

// Size rule: a record of material code "400400" with sub-code "000107" or
// "000111" whose length is not 185 bytes is in the old layout and loses its
// byte at offset 66; a record of 66 bytes or fewer has no such byte and stays.
void ShrinkOldSizeRecord(std::string& record);

// Type rule: the type letter at offset 13, when it is "A" or "B", becomes "Z",
// whatever the record's code or length.
void RetypeRecord(std::string& record);

// Reads in as a text file (LF ends a line, a CR before it is dropped, 0x1A
// ends the file), passes every line through rule and writes it to out
// followed by CR LF. Reads and writes go in large blocks. Failures of either
// stream propagate as their FileError; nothing is flushed or closed here.
void RewriteRecords(ByteSource& in, FileWriter& out, RecordRule rule);

}  // namespace relvo::master
