// The locked call that every card operation of the service runs through, with operations of
// the test's own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "service/api/api_handler.h"
#include "service/api/reader_mutex.h"

namespace lumarin {
namespace {

class LockedCall : public ::testing::Test {
 protected:
  void SetUp() override { CreateReaderMutex(); }
  void TearDown() override { DestroyReaderMutex(); }

  std::string Run(void (*operation)(char* work)) {
    std::vector<char> result(kAnswerBufferSize, 0);
    RunLocked(result.data(), operation);
    return result.data();
  }
};

TEST_F(LockedCall, AnswersAreUtf8AndOneThatDoesNotFitIsNeverCut) {
  const std::string tooLarge = u8"{\"resultFlag\":-1,\"errorMsg\":\"打开照片失败\"}";
  EXPECT_EQ(Run([](char* work) { std::strcpy(work, "{\"errorMsg\":\"设置成功\"}"); }),
            u8"{\"errorMsg\":\"设置成功\"}");
  // 400,000 GBK bytes grow to 600,000 in UTF-8.
  EXPECT_EQ(Run([](char* work) {
              for (int i = 0; i < 200000; ++i) std::memcpy(work + 2 * i, "设", 2);
            }),
            tooLarge);
  // The whole work buffer without a NUL: its UTF-8 form and the NUL do not fit.
  EXPECT_EQ(Run([](char* work) { std::memset(work, 'x', kAnswerBufferSize); }), tooLarge);
  EXPECT_EQ(Run([](char* work) { std::memset(work, 'x', kAnswerBufferSize - 1); }),
            std::string(kAnswerBufferSize - 1, 'x'));
}

TEST_F(LockedCall, AnOperationThatThrowsReleasesTheMutex) {
  std::vector<char> result(kAnswerBufferSize, 0);
  EXPECT_THROW(RunLocked(result.data(), [](char*) { throw std::runtime_error("card"); }),
               std::runtime_error);
  std::thread other([&] { RunLocked(result.data(), [](char* work) { work[0] = 'y'; }); });
  other.join();
  EXPECT_STREQ(result.data(), "y");
}

TEST_F(LockedCall, AtTheStopTheOperationInProgressEndsWholeAndNothingQueuedOrLaterRuns) {
  // At exit the requests queued behind a long card operation must not hold the process up
  // one operation after another, nor start one; connection threads are not waited for, so
  // later requests come too.
  const std::string refused = u8"{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}";
  std::atomic<bool> started{false}, release{false}, stopped{false};
  std::atomic<int> ran{0};
  std::vector<char> first(kAnswerBufferSize, 0);
  std::thread inProgress([&] {
    RunLocked(first.data(), [&](char* work) {
      started = true;
      while (!release) std::this_thread::yield();
      std::strcpy(work, "{\"resultFlag\":0}");
    });
  });
  while (!started) std::this_thread::yield();
  constexpr int kWaiters = 8;
  std::vector<std::vector<char>> answers(kWaiters, std::vector<char>(kAnswerBufferSize, 0));
  std::vector<std::thread> waiters;
  for (auto& answer : answers) {
    char* result = answer.data();
    waiters.emplace_back([&ran, result] { RunLocked(result, [&](char*) { ++ran; }); });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // most of them queue
  RefuseCardOperations();
  std::thread stop([&] {
    DestroyReaderMutex();
    stopped = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(stopped);  // the stop waits for the operation in progress
  release = true;
  stop.join();
  inProgress.join();
  for (std::thread& waiter : waiters) waiter.join();
  EXPECT_STREQ(first.data(), "{\"resultFlag\":0}");
  for (const auto& answer : answers) EXPECT_EQ(answer.data(), refused);
  EXPECT_EQ(Run([](char* work) { std::strcpy(work, "ran"); }), refused);
  EXPECT_EQ(ran, 0);
  CreateReaderMutex();  // only a test makes it again: operations run then
  EXPECT_EQ(Run([](char* work) { std::strcpy(work, "ran"); }), "ran");
}

}  // namespace
}  // namespace lumarin
