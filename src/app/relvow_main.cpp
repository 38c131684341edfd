// relvow.exe: the update wizard as a Windows program, in real windows and
// dialogs. Started from the update media (no arguments) it runs the wizard
// on the media folder it lies in; it takes relvo wizard's options, and
// with --unattended runs on the console as relvo wizard --unattended.
#include "fw/win32/windows_api.h"

#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "fw/console/console_backend.h"
#include "fw/win32/win32_backend.h"

namespace {

std::string Utf8(const wchar_t* w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<std::size_t>(n) - 1);
  return s;
}

std::wstring Utf16(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

// The arguments after the program's name, in UTF-8 as the wizard's options
// take them, whatever the system's code page.
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int n = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> w(CommandLineToArgvW(GetCommandLineW(), &n), &LocalFree);
  if (!w) return args;
  for (int i = 1; i < n; ++i) args.push_back(Utf8(w.get()[i]));
  return args;
}

bool HasHandle(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// Where the program's text goes: the standard output it was given (a
// redirection, or the console of a console that started it with its own),
// else the console of the process that started it, attached now. False
// when there is neither: started from the desktop, the text has no reader.
bool ConnectConsole() {
  if (HasHandle(STD_OUTPUT_HANDLE)) return true;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  std::FILE* f = nullptr;
  freopen_s(&f, "CONOUT$", "w", stdout);
  freopen_s(&f, "CONOUT$", "w", stderr);
  freopen_s(&f, "CONIN$", "r", stdin);
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace relvo;
  std::vector<std::string> args = Arguments();
  bool unattended = false, help = false;
  for (const std::string& a : args) {
    unattended = unattended || a == "--unattended";
    help = help || app::IsHelpOption(a);
  }

  // Without a console, what the wizard would print is dropped (the log
  // keeps a run's record), and an error that ends it is shown in a box,
  // unless nobody attends the run.
  const bool console = ConnectConsole();
  std::ostringstream dropped, errors;
  app::WizardIo io{std::cin, console ? std::cout : dropped, console ? std::cerr : errors};
  io.options = fw::console::ConsoleBackend::OptionsForStdio();
  io.program = "relvow";
  fw::win32::Win32Backend windows(instance);
  io.windows = &windows;

  std::vector<char*> argv;
  std::string name = "relvow";
  argv.push_back(name.data());
  for (std::string& a : args) argv.push_back(a.data());
  const int status = app::RunWizardCommand(static_cast<int>(argv.size()), argv.data(), io);
  if (console) return app::FinishOutput(stdout, stderr, status, io.ran);
  // Asked for help from the desktop or the Run box: the help in a box.
  if (help && status == 0)
    MessageBoxW(nullptr, Utf16(dropped.str()).c_str(), L"Relvo", MB_OK | MB_ICONINFORMATION);
  if (!errors.str().empty() && !unattended)
    MessageBoxW(nullptr, Utf16(errors.str()).c_str(), L"Relvo", MB_OK | MB_ICONERROR);
  return status;
}
