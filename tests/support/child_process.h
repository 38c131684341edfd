// This test program run again as a child process, for tests that kill a run
// at chosen moments and look at what it left on the disk.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace relvo::test {

// What RunThisTest returns for a child that ended by KillThisProcess.
constexpr int kKilled = -9;

// Runs this test program with --gtest_filter=filter, its output discarded,
// with the environment variables env set for it, and waits for it. Returns
// its exit status, kKilled when it was killed, or -1 when it could not be
// started.
int RunThisTest(const std::string& filter, const std::vector<std::pair<std::string, std::string>>& env);

// Ends this process at once, as kill -9 does: no destructor runs, nothing
// buffered is written.
[[noreturn]] void KillThisProcess();

}  // namespace relvo::test
