#include "service/shell/mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

#include "support/eventually.h"

namespace {

// True when another thread can take the mutex within a minute (else it stays blocked and
// the test fails rather than hangs).
bool OtherThreadCanLock(lumarin::Mutex& mutex) {
  auto taken = std::make_shared<std::atomic<bool>>(false);
  std::thread other([&mutex, taken] {
    lumarin::MutexLock lock;
    lock.Acquire(mutex);
    lock.Release();
    *taken = true;
  });
  const bool tookIt = vantel_test::Eventually([&] { return taken->load(); });
  // Only a thread still blocked, whose test fails anyway, is left behind.
  if (tookIt)
    other.join();
  else
    other.detach();
  return tookIt;
}

TEST(Mutex, KeepsThreadsApartAndIsFreedByOwnerReentryAndExceptions) {
  lumarin::Mutex mutex;
  mutex.Create();

  int counter = 0;  // unguarded but for the mutex
  auto add = [&] {
    for (int i = 0; i < 20000; ++i) {
      lumarin::MutexLock lock;
      lock.Acquire(mutex);
      ++counter;
      lock.Release();
    }
  };
  std::thread first(add), second(add);
  first.join();
  second.join();
  EXPECT_EQ(counter, 40000);

  // The owner may enter again; it is free once left as often as entered.
  ASSERT_TRUE(mutex.Lock());
  ASSERT_TRUE(mutex.Lock());
  mutex.Unlock();
  mutex.Unlock();
  EXPECT_TRUE(OtherThreadCanLock(mutex));

  try {
    lumarin::MutexLock lock;
    lock.Acquire(mutex);
    throw std::runtime_error("left by an exception");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(OtherThreadCanLock(mutex));
}

TEST(Mutex, WithoutCreateOrAfterCloseLockFails) {
  lumarin::Mutex mutex;
  EXPECT_FALSE(mutex.Lock());
  mutex.Create();
  mutex.Close();
  EXPECT_FALSE(mutex.Lock());
}

}  // namespace
