// Ctrl-C and its kin while an update works: instead of ending the process,
// they set a flag that the run looks at, so that it stops where nothing is
// left half done. One backend per OS.
#pragma once

namespace relvo::interrupt {

// While a Guard lives, Ctrl-C, Ctrl-Break, SIGTERM and the terminal or
// console closing (SIGHUP, the console window's close) set requested()
// instead of ending the process; the first one says on stderr that the run
// stops at its next safe point. A second Ctrl-C ends the process at once,
// as without a guard (what the run keeps is safe against that too). A
// console that is closing waits, within the few seconds Windows grants,
// for finished(). One guard at a time.
class Guard {
 public:
  Guard();
  ~Guard();
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;
};

// True once a guarded signal came, until the next Guard is made.
bool requested();
// Sets requested() as such a signal does (for tests and for a caller that
// stops the run for its own reasons).
void request();
// The program has said its last words (its log's end line): a closing
// console may end it now. Harmless when nothing waits.
void finished();

}  // namespace relvo::interrupt
