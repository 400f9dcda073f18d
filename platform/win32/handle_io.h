#pragma once
// Plain ReadFile and WriteFile on a Windows handle, as the serial port uses them (its
// time limits are the port's own).
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace platform {

inline bool WriteToHandle(HANDLE handle, const std::uint8_t* data, std::size_t length,
                          std::size_t* done) {
  DWORD wrote = 0;
  BOOL ok = WriteFile(handle, data, static_cast<DWORD>(length), &wrote, nullptr);
  *done = wrote;
  return ok != FALSE;
}

inline bool ReadFromHandle(HANDLE handle, std::uint8_t* buffer, std::size_t capacity,
                           std::size_t* done) {
  DWORD got = 0;
  BOOL ok = ReadFile(handle, buffer, static_cast<DWORD>(capacity), &got, nullptr);
  *done = got;
  return ok != FALSE;
}

}  // namespace platform
