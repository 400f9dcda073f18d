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

// A reader that does not answer: the read gives up by itself and fails. Should it not, the
// reader's end is closed after a generous bound, which ends the read so the thread can be
// joined.
TEST_F(UsbPipe, AReadFromASilentReaderFailsInsteadOfWaitingForGood) {
  std::promise<bool> result;
  std::future<bool> readEnded = result.get_future();
  std::thread reading([&] {
    std::uint8_t buffer[4096];
    std::size_t done = 0;
    result.set_value(pipe_->Read(buffer, sizeof buffer, &done));
  });
  const bool endedByItself = readEnded.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  if (!endedByItself) {
    CloseHandle(reader_);
    reader_ = INVALID_HANDLE_VALUE;
  }
  reading.join();
  EXPECT_TRUE(endedByItself);
  EXPECT_FALSE(readEnded.get());
}

}  // namespace
}  // namespace platform
#endif
