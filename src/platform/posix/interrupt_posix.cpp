// Ctrl-C, SIGTERM and SIGHUP while a guard lives: a flag, set from the
// signal handler, that the run reads.
#include "platform/interrupt.h"

#include <csignal>
#include <unistd.h>

namespace relvo::interrupt {

namespace {

volatile std::sig_atomic_t g_requested = 0;
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_before[3];

void OnSignal(int sig) {
  if (g_requested) {
    // Asked twice: the signal's own action, at once.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    raise(sig);
    return;
  }
  g_requested = 1;
  static const char kSaid[] = "\nrelvo: stopping after the file in hand (Ctrl-C again ends at once)\n";
  [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, kSaid, sizeof kSaid - 1);
}

}  // namespace

Guard::Guard() {
  g_requested = 0;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  // A person answering a box at the terminal keeps the box: the read goes on.
  sa.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &sa, &g_before[i]);
}

Guard::~Guard() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_before[i], nullptr);
}

bool requested() { return g_requested != 0; }
void request() { g_requested = 1; }
void finished() {}

}  // namespace relvo::interrupt
