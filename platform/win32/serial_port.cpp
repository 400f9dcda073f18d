#include "platform/serial_port.h"

#include <windows.h>

#include "platform/win32/handle_io.h"

namespace platform {
namespace {

// The port keeps what its last owner set: flow control of any kind would stall writes or
// swallow frame bytes (XON and XOFF are ordinary bytes of a frame), fNull drops 00 bytes,
// fErrorChar replaces bytes and fAbortOnError stops every transfer after a line error.
void ClearInheritedLineRules(DCB& state) {
  state.fBinary = TRUE;
  state.fParity = FALSE;
  state.fOutxCtsFlow = FALSE;
  state.fOutxDsrFlow = FALSE;
  state.fDtrControl = DTR_CONTROL_ENABLE;
  state.fDsrSensitivity = FALSE;
  state.fTXContinueOnXoff = TRUE;
  state.fOutX = FALSE;
  state.fInX = FALSE;
  state.fErrorChar = FALSE;
  state.fNull = FALSE;
  state.fRtsControl = RTS_CONTROL_ENABLE;
  state.fAbortOnError = FALSE;
}

// SetCommState refuses a state whose XON and XOFF characters are alike, as some USB-serial
// and virtual drivers report them (both 0), and drivers refuse flow limits past their input
// queue: the usual characters and limits well inside any queue keep such a port usable.
// With software flow control off, neither is ever acted on.
void SetAcceptedFlowCharacters(DCB& state) {
  constexpr WORD kFlowLimit = 512;
  state.XonChar = 0x11;
  state.XoffChar = 0x13;
  state.XonLim = kFlowLimit;
  state.XoffLim = kFlowLimit;
}

// A COM port through the Windows serial driver; the handle is closed with the object.
class Win32SerialPort : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
  ~Win32SerialPort() override { CloseHandle(handle_); }

  bool Write(const std::uint8_t* data, std::size_t length, std::size_t* done) override {
    return WriteToHandle(handle_, data, length, done);
  }

  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) override {
    return ReadFromHandle(handle_, buffer, capacity, done);
  }

  bool SetTimeouts(const SerialTimeouts& timeouts) override {
    COMMTIMEOUTS settings{};
    settings.ReadIntervalTimeout = timeouts.readInterval;
    settings.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    settings.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    settings.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    settings.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    return SetCommTimeouts(handle_, &settings) != FALSE;
  }

  bool Configure(int baud) override {
    DCB state{};
    state.DCBlength = sizeof state;
    if (!GetCommState(handle_, &state)) return false;
    state.BaudRate = static_cast<DWORD>(baud);
    state.ByteSize = 8;
    state.Parity = NOPARITY;
    state.StopBits = ONESTOPBIT;
    ClearInheritedLineRules(state);
    SetAcceptedFlowCharacters(state);
    return SetCommState(handle_, &state) != FALSE;
  }

  bool CurrentBaud(int* baud) override {
    DCB state{};
    state.DCBlength = sizeof state;
    if (!GetCommState(handle_, &state)) return false;
    *baud = static_cast<int>(state.BaudRate);
    return true;
  }

  bool SetupQueues(std::uint32_t inSize, std::uint32_t outSize) override {
    return SetupComm(handle_, inSize, outSize) != FALSE;
  }

  bool PurgeReceive() override { return PurgeComm(handle_, PURGE_RXCLEAR) != FALSE; }

  bool QueuedCount(std::uint32_t* count) override {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) return false;
    *count = status.cbInQue;
    return errors == 0;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::string SerialDevicePath(int portNumber) { return "\\\\.\\COM" + std::to_string(portNumber); }

std::unique_ptr<SerialPort> SerialPort::Open(int portNumber) {
  if (portNumber < 1) return nullptr;
  HANDLE handle = CreateFileA(SerialDevicePath(portNumber).c_str(), GENERIC_READ | GENERIC_WRITE,
                              0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32SerialPort>(handle);
}

}  // namespace platform
