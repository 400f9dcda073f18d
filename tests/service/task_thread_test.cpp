#include "service/shell/task_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "service/net/ws_message_reader.h"
#include "service/net/ws_request.h"
#include "support/eventually.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using vantel_test::Eventually;

std::atomic<int> gDeletedThreads{0};

class CountedThread : public lumarin::CTaskThread {
 public:
  ~CountedThread() override { ++gDeletedThreads; }
};

TEST(TaskThread, SelfDeletingThreadsWhoseRunEndsAtOnceAreDeletedOnTheirOwnThread) {
  constexpr int kThreads = 1000;
  gDeletedThreads = 0;
  for (int i = 0; i < kThreads; ++i) {
    auto* thread = new CountedThread;
    thread->SetAutoDelete(1);
    ASSERT_NE(thread->Start(), nullptr);
  }
  EXPECT_TRUE(Eventually([] { return gDeletedThreads == kThreads; })) << gDeletedThreads;
}

// Its first run holds until released; it records the order of what happens.
class GatedThread : public lumarin::CTaskThread {
 public:
  ~GatedThread() override { WaitWithMessagePump(); }
  std::atomic<bool> release{false};
  std::atomic<int> runsStarted{0};
  std::atomic<int> runsEnded{0};

 protected:
  void Run() override {
    if (++runsStarted == 1) {
      while (!release) platform::SleepMs(1);
    }
    ++runsEnded;
  }
};

TEST(TaskThread, StartWaitsForTheRunningThreadThenRunsAgain) {
  GatedThread thread;
  EXPECT_FALSE(thread.IsRunning());
  ASSERT_NE(thread.Start(), nullptr);
  EXPECT_TRUE(thread.IsRunning());

  std::atomic<bool> secondStartReturned{false};
  std::thread starter([&] {
    thread.Start();
    secondStartReturned = true;
  });
  platform::SleepMs(50);
  EXPECT_FALSE(secondStartReturned);  // the first run is still held
  thread.release = true;
  starter.join();
  thread.WaitWithMessagePump();
  EXPECT_EQ(thread.runsStarted, 2);
  EXPECT_EQ(thread.runsEnded, 2);
  EXPECT_FALSE(thread.IsRunning());
}

class StoppableThread : public lumarin::CTaskThread {
 public:
  std::atomic<bool> running{false};

 protected:
  void Run() override {
    running = true;
    while (!StopRequested()) platform::SleepMs(1);
  }
};

TEST(TaskThread, DestroyingAnOwnedThreadAsksItsRunToStopAndWaits) {
  auto thread = std::make_unique<StoppableThread>();
  thread->Start();
  ASSERT_TRUE(Eventually([&] { return thread->running.load(); }));
  thread.reset();  // returns only once Run has seen the request

  StoppableThread neverStarted;  // no thread: its destruction returns at once
  EXPECT_FALSE(neverStarted.IsRunning());
}

// Stands for what a library keeps per thread and frees as the thread exits (OpenSSL's random
// generators): a wait must not end, nor the process go on to its end, before that is done.
std::atomic<bool> gExitCleanupDone{false};

struct ExitCleanup {
  ~ExitCleanup() {
    platform::SleepMs(100);
    gExitCleanupDone = true;
  }
};

thread_local ExitCleanup tExitCleanup;

class ThreadWithExitCleanup : public lumarin::CTaskThread {
 protected:
  void Run() override { static_cast<void>(&tExitCleanup); }
};

TEST(TaskThread, WaitingEndsOnlyOnceTheThreadHasCleanedUpOnItsExit) {
  ThreadWithExitCleanup thread;
  ASSERT_NE(thread.Start(), nullptr);
  thread.WaitWithMessagePump();
  EXPECT_TRUE(gExitCleanupDone);
  EXPECT_FALSE(thread.IsRunning());
}

// The deepest call of a service thread: the JSON reader's nesting of a WebSocket message of
// the largest frame, to the bound the reader allows. A thread's stack must hold it.
class DeepestMessageThread : public lumarin::CTaskThread {
 public:
  std::atomic<bool> read{false};

 protected:
  void Run() override {
    const std::string message(lumarin::WsMessageReader::kLargestFrame, '[');
    lumarin::ReadWsRequest(message.c_str());
    read = true;
  }
};

TEST(TaskThread, AThreadsStackHoldsTheDeepestMessageTheServiceReads) {
  DeepestMessageThread thread;
  ASSERT_NE(thread.Start(), nullptr);
  thread.WaitWithMessagePump();
  EXPECT_TRUE(thread.read);
}

#if defined(_WIN32)
std::atomic<bool> gTimerMessageDispatched{false};

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) { gTimerMessageDispatched = true; }

// Ends once the waiting thread has dispatched a timer message of its own queue.
class MessageAwaitingThread : public lumarin::CTaskThread {
 protected:
  void Run() override { Eventually([] { return gTimerMessageDispatched.load(); }); }
};

TEST(TaskThread, WaitingDispatchesTheWaitingThreadsMessages) {
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, OnTimer);
  ASSERT_NE(timer, 0u);
  MessageAwaitingThread thread;
  thread.Start();
  thread.WaitWithMessagePump();
  KillTimer(nullptr, timer);
  EXPECT_TRUE(gTimerMessageDispatched);
}

std::atomic<int> gPostedMessagesDispatched{0};

LRESULT CALLBACK CountPostedMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++gPostedMessagesDispatched;
  return DefWindowProcA(window, message, wParam, lParam);
}

// Ends once the waiting thread has dispatched both messages posted to it.
class TwoMessagesAwaitingThread : public lumarin::CTaskThread {
 protected:
  void Run() override { Eventually([] { return gPostedMessagesDispatched == 2; }); }
};

// The wait wakes once for messages queued together (as tray clicks during a start may be):
// all of them are dispatched then, not one per wake.
TEST(TaskThread, WaitingDispatchesEveryMessageQueuedBeforeAWake) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CountPostedMessages;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VantelPostedMessageCounter";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window = CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_APP, 0, 0);
  PostMessageA(window, WM_APP, 0, 0);
  TwoMessagesAwaitingThread thread;
  thread.Start();
  thread.WaitWithMessagePump();
  DestroyWindow(window);
  UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
  EXPECT_EQ(gPostedMessagesDispatched, 2);
}
#endif

}  // namespace
