// The file layer the file-layer suite runs on: each test program links one
// definition (the platform's backend, or the in-memory layer over it).
#pragma once
#include "platform/files.h"

namespace relvo::test {

// The layer under test; the in-memory one starts afresh for every test.
FileSystem& files_under_test();
// True when what the layer writes reaches the disk.
bool writes_reach_disk();

}  // namespace relvo::test
