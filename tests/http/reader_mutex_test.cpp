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

TEST_F(LockedCall, ARequestAfterTheMutexIsDestroyedWaitsInsteadOfTakingItFreed) {
  // At exit connection threads are not waited for: a late request must not run a card
  // operation, nor reach a freed mutex.
  DestroyReaderMutex();
  std::atomic<bool> ran{false};
  std::vector<char> result(kAnswerBufferSize, 0);
  std::thread late([&] { RunLocked(result.data(), [&](char*) { ran = true; }); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(ran);
  CreateReaderMutex();  // only a test makes it again: the late request goes on then
  late.join();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace lumarin
