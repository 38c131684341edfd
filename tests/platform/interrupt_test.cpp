// Ctrl-C and its kin under a guard (POSIX): each is a request to stop, never
// the end of the process, and the signal's own action is back after it.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/interrupt.h"

namespace relvo {
namespace {

TEST(Interrupt, SignalsUnderAGuardAskToStop) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    struct sigaction before {};
    sigaction(sig, nullptr, &before);
    {
      interrupt::Guard guard;
      EXPECT_FALSE(interrupt::requested());  // a new guard starts clear
      std::raise(sig);
      EXPECT_TRUE(interrupt::requested());
    }
    struct sigaction after {};
    sigaction(sig, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
  }
}

}  // namespace
}  // namespace relvo
