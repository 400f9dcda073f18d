// The USB devices' handles on Windows, through a named pipe that stands in for a reader's
// bulk pipe: the tests' end of it is the reader.
#if defined(_WIN32)
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "platform/usb_devices.h"

namespace platform {
namespace {

class UsbPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path =
        "\\\\.\\pipe\\vantel-usb-pipe-" + std::to_string(GetCurrentProcessId());
    reader_ = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                               4096, 4096, 0, nullptr);
    ASSERT_NE(reader_, INVALID_HANDLE_VALUE);
    pipe_ = SystemUsbDeviceProvider().Open(path, false);
    ASSERT_TRUE(pipe_);
    // The client is there already: this only completes the server's side.
    ConnectNamedPipe(reader_, nullptr);
  }
  void TearDown() override {
    pipe_.reset();
    if (reader_ != INVALID_HANDLE_VALUE) CloseHandle(reader_);
  }

  // Runs `read` on a thread; whether it ended by itself within `bound`. Should it not, the
  // reader's end is closed, which ends the read so the thread can be joined.
  template <typename Read>
  bool EndsByItself(std::chrono::seconds bound, Read read) {
    std::promise<void> result;
    std::future<void> readEnded = result.get_future();
    std::thread reading([&] {
      read();
      result.set_value();
    });
    const bool endedByItself = readEnded.wait_for(bound) == std::future_status::ready;
    if (!endedByItself) {
      CloseHandle(reader_);
      reader_ = INVALID_HANDLE_VALUE;
    }
    reading.join();
    return endedByItself;
  }

  HANDLE reader_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<DeviceHandle> pipe_;
};

TEST_F(UsbPipe, BytesGoBothWays) {
  const std::string request = "\xAA\xAA\xAA\x96\x69\x00\x03\x11\xFF\xED";
  std::size_t done = 0;
  ASSERT_TRUE(pipe_->Write(reinterpret_cast<const std::uint8_t*>(request.data()), request.size(), &done));
  EXPECT_EQ(done, request.size());
  char received[64] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(reader_, received, sizeof received, &got, nullptr));
  EXPECT_EQ(std::string(received, got), request);

  const std::string answer = "\xAA\xAA\xAA\x96\x69\x00\x04\x00\x00\x90\x94";
  DWORD wrote = 0;
  ASSERT_TRUE(WriteFile(reader_, answer.data(), static_cast<DWORD>(answer.size()), &wrote, nullptr));
  std::uint8_t buffer[4096] = {};
  ASSERT_TRUE(pipe_->Read(buffer, sizeof buffer, &done));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), done), answer);
}

// A reader that does not answer: the read gives up by itself and fails.
TEST_F(UsbPipe, AReadFromASilentReaderFailsInsteadOfWaitingForGood) {
  bool read = true;
  EXPECT_TRUE(EndsByItself(std::chrono::seconds(60), [&] {
    std::uint8_t buffer[4096];
    std::size_t done = 0;
    read = pipe_->Read(buffer, sizeof buffer, &done);
  }));
  EXPECT_FALSE(read);
}

// A SAM answer from a silent reader: the reads that gather it share one answer wait, here
// the caller's own time-out of 1 s. A wait of its own for each read held the caller for
// about 51 s; the bound only guards against that.
TEST_F(UsbPipe, ASamAnswerFromASilentReaderEndsAfterOneAnswerWait) {
  const vantel::ReaderSettings saved = vantel::Settings();
  vantel::Settings().gComTimeout = 1000;
  int result = 0;
  EXPECT_TRUE(EndsByItself(std::chrono::seconds(30), [&] {
    std::uint8_t body[64];
    unsigned length = sizeof body;
    result =
        vantel::ReadSamFrame(pipe_.get(), pipe_.get(), vantel::kTransportUsbPipes, body, &length);
  }));
  vantel::Settings() = saved;
  EXPECT_EQ(result, vantel::kSamFrameBadUsbAnswer);
}

}  // namespace
}  // namespace platform
#endif
