// Child test processes on Windows: CreateProcessW of this program,
// TerminateProcess of our own.
#include <windows.h>

#include <cstdlib>

#include "support/child_process.h"

namespace relvo::test {
namespace {

// The exit code a process killed by KillThisProcess ends with.
constexpr UINT kKilledCode = 137;

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

}  // namespace

int RunThisTest(const std::string& filter, const std::vector<std::pair<std::string, std::string>>& env) {
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return -1;
  std::wstring cmd = L"\"" + std::wstring(self) + L"\" --gtest_filter=" + Wide(filter);
  // The child gets this process's environment with env added; set here for
  // the moment of its creation.
  for (const auto& [name, value] : env) SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = nul;
  si.hStdError = nul;
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(self, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  for (const auto& [name, value] : env) SetEnvironmentVariableW(Wide(name).c_str(), nullptr);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code == kKilledCode ? kKilled : static_cast<int>(code);
}

void KillThisProcess() {
  TerminateProcess(GetCurrentProcess(), kKilledCode);
  std::abort();  // not reached
}

}  // namespace relvo::test
