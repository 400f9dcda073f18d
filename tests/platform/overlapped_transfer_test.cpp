// One overlapped transfer and its time-out, on a named pipe whose other end the test holds.
#if defined(_WIN32)
#include "platform/win32/overlapped_transfer.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

const std::string kAnswer = "\xAA\xAA\xAA\x96\x69";

struct Race {
  const char* name;
  std::string waiting;  // what the other end has written before the read starts
  TransferEnd end;
};

// The wait times out while the read has ended in fact: the read signals an event of its own,
// not the one the wait watches, and has ended before the wait starts. That is the moment
// between a time-out and the cancel, held still: the cancel finds nothing to stop. A read
// still running when the cancel comes stays a time-out.
TEST(OverlappedTransfer, AReadThatEndedBetweenTheTimeOutAndTheCancelKeepsItsBytes) {
  for (const Race& race :
       {Race{"answered", kAnswer, TransferEnd::kDone}, Race{"silent", "", TransferEnd::kTimedOut}}) {
    SCOPED_TRACE(race.name);
    const std::string path =
        "\\\\.\\pipe\\vantel-overlapped-" + std::to_string(GetCurrentProcessId());
    HANDLE reader = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                     1, 4096, 4096, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE pipe = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    ConnectNamedPipe(reader, nullptr);
    DWORD wrote = 0;
    if (!race.waiting.empty())
      WriteFile(reader, race.waiting.data(), static_cast<DWORD>(race.waiting.size()), &wrote,
                nullptr);
    HANDLE watched = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char buffer[64] = {};
    DWORD moved = 0;
    const TransferEnd end = OverlappedTransfer(pipe, watched, 0, [&](OVERLAPPED* overlapped) {
      overlapped->hEvent = ended;
      if (ReadFile(pipe, buffer, sizeof buffer, nullptr, overlapped)) return true;
      if (GetLastError() != ERROR_IO_PENDING) return false;
      if (!race.waiting.empty()) WaitForSingleObject(ended, 10000);
      SetLastError(ERROR_IO_PENDING);
      return false;
    }, &moved);
    EXPECT_EQ(end, race.end);
    EXPECT_EQ(std::string(buffer, moved), race.waiting);
    for (HANDLE handle : {ended, watched, pipe, reader}) CloseHandle(handle);
  }
}

}  // namespace
}  // namespace platform
#endif
