// The file-layer suite on the platform's own backend.
#include "file_backend.h"

namespace relvo::test {

FileSystem& files_under_test() { return native_file_system(); }
bool writes_reach_disk() { return true; }

}  // namespace relvo::test
