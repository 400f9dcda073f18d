#pragma once
// One transfer on a handle opened with FILE_FLAG_OVERLAPPED, waited for up to a limit: a
// device that never answers must not hold its caller for good.
#include <windows.h>

namespace platform {

enum class TransferEnd { kDone, kTimedOut, kFailed };

// Starts `transfer` (ReadFile, WriteFile or DeviceIoControl given the OVERLAPPED) and waits
// up to `limitMs` (INFINITE: no limit) for `event`; a transfer still running then is
// cancelled. *moved (when given) receives the bytes moved. The event is left reset in every
// case.
template <typename Transfer>
TransferEnd OverlappedTransfer(HANDLE handle, HANDLE event, DWORD limitMs, Transfer transfer,
                               DWORD* moved = nullptr) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = event;
  DWORD done = 0;
  TransferEnd end = TransferEnd::kFailed;
  if (transfer(&overlapped) || GetLastError() == ERROR_IO_PENDING) {
    switch (WaitForSingleObject(event, limitMs)) {
      case WAIT_OBJECT_0:
        if (GetOverlappedResult(handle, &overlapped, &done, FALSE)) end = TransferEnd::kDone;
        break;
      case WAIT_TIMEOUT:
        CancelIo(handle);
        // The cancelled transfer still owns `overlapped` until it has ended. One that ended
        // between the time-out and the cancel has moved its bytes: they are its result.
        if (GetOverlappedResult(handle, &overlapped, &done, TRUE)) {
          end = TransferEnd::kDone;
        } else {
          done = 0;
          end = TransferEnd::kTimedOut;
        }
        break;
      default:
        CancelIo(handle);
        GetOverlappedResult(handle, &overlapped, &done, TRUE);
        done = 0;
        break;
    }
  }
  ResetEvent(event);
  if (moved) *moved = done;
  return end;
}

}  // namespace platform
