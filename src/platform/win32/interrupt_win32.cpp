// Ctrl-C, Ctrl-Break and the console closing while a guard lives: a flag,
// set from the console's control handler thread, that the run reads.
#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>

namespace relvo::interrupt {

namespace {

std::atomic<bool> g_requested{false};
// Set by finished(); a closing console's handler waits for it. Made once,
// never closed: a handler thread may still wait on it when the program ends.
HANDLE DoneEvent() {
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

void Say() {
  static const char kSaid[] = "\r\nrelvo: stopping after the file in hand (Ctrl-C again ends at once)\r\n";
  DWORD written = 0;
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, kSaid, sizeof kSaid - 1, &written, nullptr);
}

BOOL WINAPI OnControl(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (g_requested.exchange(true)) return FALSE;  // asked twice: the default, at once
      Say();
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this returns: it returns once the run has
      // stopped and said so, or before the system's own limit (5 s).
      g_requested = true;
      if (HANDLE done = DoneEvent()) WaitForSingleObject(done, 4500);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

Guard::Guard() {
  g_requested = false;
  if (HANDLE done = DoneEvent()) ResetEvent(done);
  SetConsoleCtrlHandler(OnControl, TRUE);
}

Guard::~Guard() { SetConsoleCtrlHandler(OnControl, FALSE); }

bool requested() { return g_requested; }
void request() { g_requested = true; }
void finished() {
  if (HANDLE done = DoneEvent()) SetEvent(done);
}

}  // namespace relvo::interrupt
