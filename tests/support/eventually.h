#pragma once
// Waiting for another thread's work without timing assertions.
#include "platform/clock.h"

namespace vantel_test {

// Polls until `done` holds; false after a minute (a hang, not a time limit).
template <typename Condition>
bool Eventually(Condition done) {
  for (int waited = 0; waited < 60000; ++waited) {
    if (done()) return true;
    platform::SleepMs(1);
  }
  return done();
}

}  // namespace vantel_test
