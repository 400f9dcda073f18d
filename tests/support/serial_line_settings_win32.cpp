#if defined(_WIN32)
#include <windows.h>

#include <string>

#include "support/serial_line_settings.h"

namespace vantel_test {
namespace {

// Runs `use` on the port's device control block through a handle of its own.
template <typename Use>
bool WithPort(int portNumber, Use use) {
  HANDLE port = CreateFileA(("\\\\.\\COM" + std::to_string(portNumber)).c_str(),
                            GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) return false;
  DCB state{};
  state.DCBlength = sizeof state;
  const bool done = GetCommState(port, &state) && use(port, state);
  CloseHandle(port);
  return done;
}

}  // namespace

bool LeaveLineWithForeignSettings(int portNumber) {
  return WithPort(portNumber, [](HANDLE port, DCB& state) {
    state.BaudRate = 300;
    state.fOutX = TRUE;
    state.fInX = TRUE;
    state.fOutxCtsFlow = TRUE;
    state.fRtsControl = RTS_CONTROL_HANDSHAKE;
    state.fParity = TRUE;
    // Real Windows would refuse this state; wine takes it as such a driver reports it.
    state.XonChar = 0;
    state.XoffChar = 0;
    return SetCommState(port, &state) != FALSE;
  });
}

bool LineHasFlowControl(int portNumber) {
  return WithPort(portNumber, [](HANDLE, DCB& state) {
    return state.fOutX || state.fInX || state.fOutxCtsFlow ||
           state.fRtsControl == RTS_CONTROL_HANDSHAKE;
  });
}

bool LineHasFlowCharactersAlike(int portNumber) {
  return WithPort(portNumber, [](HANDLE, DCB& state) { return state.XonChar == state.XoffChar; });
}

// Windows has no exclusive mode that outlives the handle.
bool LineLeftExclusive(int) { return false; }

}  // namespace vantel_test
#endif
