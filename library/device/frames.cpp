#include "library/device/frames.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
#include "library/device/serial_frame_reader.h"
#include "platform/clock.h"
#include "platform/device_handle.h"
#include "platform/serial_port.h"

namespace vantel {
namespace {

constexpr std::uint32_t kWriteHeaderCode = 0x222020;
constexpr std::uint32_t kWriteBodyCode = 0x222024;
constexpr std::uint32_t kReadHeaderCode = 0x222028;
constexpr std::uint32_t kReadBodyCode = 0x22202C;

constexpr std::size_t kPipeSamReadSize = 4096;
constexpr std::size_t kPipeVendorReadSize = 2048;
constexpr std::size_t kPipeVendorMinimum = 8;
constexpr std::uint32_t kPipePauseMs = 100;

// One WriteFile of the whole frame; the bytes written, 0 on failure.
std::size_t WriteWhole(platform::DeviceHandle* handle, const std::vector<std::uint8_t>& frame) {
  std::size_t done = 0;
  if (!handle || !handle->Write(frame.data(), frame.size(), &done)) return 0;
  return done;
}

bool Control(platform::DeviceHandle* handle, std::uint32_t code, const std::uint8_t* in,
             std::size_t inLength, std::uint8_t* out, std::size_t outCapacity, std::size_t* done) {
  *done = 0;
  return handle && handle->Control(code, in, inLength, out, outCapacity, done);
}

// The driver's two writes: the header, then the rest of the frame.
bool WriteToDriver(platform::DeviceHandle* handle, const std::vector<std::uint8_t>& frame,
                   std::size_t headerSize) {
  std::size_t done = 0;
  return Control(handle, kWriteHeaderCode, frame.data(), headerSize, nullptr, 0, &done) &&
         Control(handle, kWriteBodyCode, frame.data() + headerSize, frame.size() - headerSize,
                 nullptr, 0, &done);
}

// The driver's two reads: a header of `header.size()` bytes, then exactly LEN bytes.
int ReadFromDriver(platform::DeviceHandle* handle, std::uint8_t* header, std::size_t headerSize,
                   bool (*validHeader)(const std::uint8_t*), unsigned (*lengthOf)(const std::uint8_t*),
                   std::uint8_t* out, unsigned* outLength, int bad) {
  std::size_t done = 0;
  if (!Control(handle, kReadHeaderCode, nullptr, 0, header, headerSize, &done) ||
      done != headerSize || !validHeader(header))
    return bad;
  const unsigned length = lengthOf(header);
  if (length > *outLength) return bad;
  if (!Control(handle, kReadBodyCode, nullptr, 0, out, length, &done) || done != length) return bad;
  *outLength = length;
  return 0;
}

bool ValidSamHeader(const std::uint8_t* header) { return HasSamPreamble(header); }
unsigned SamHeaderLength(const std::uint8_t* header) { return SamLength(header); }
bool ValidVendorHeader(const std::uint8_t* header) { return HasVendorMarker(header); }
unsigned VendorHeaderLength(const std::uint8_t* header) { return header[2]; }

bool WholeSamAnswer(const std::vector<std::uint8_t>& answer, std::size_t arrived) {
  return arrived >= kSamHeaderSize && arrived >= kSamHeaderSize + SamLength(answer.data());
}

// Pipes: reads of up to 4096 bytes, 100 ms apart, until the header and its LEN bytes are
// there or the answer wait has run out. The reads share that one wait, however many it
// takes: a silent pipe holds its caller no longer than a silent serial port does.
int ReadSamFromPipe(platform::DeviceHandle* handle, std::uint8_t* out, unsigned* outLength) {
  if (!handle) return kSamFrameBadUsbAnswer;
  std::vector<std::uint8_t> answer(kPipeSamReadSize);
  std::size_t arrived = 0;
  const std::uint32_t wait = static_cast<std::uint32_t>(SamAnswerWait());
  const std::uint32_t start = platform::TickCountMs();
  for (std::uint32_t spent = 0; spent < wait && arrived < answer.size();
       spent = platform::TickCountMs() - start) {
    std::size_t done = 0;
    if (handle->ReadWithin(answer.data() + arrived, answer.size() - arrived, wait - spent, &done))
      arrived += done;
    if (WholeSamAnswer(answer, arrived)) break;
    const std::uint32_t left = wait - std::min(wait, platform::TickCountMs() - start);
    platform::SleepMs(std::min(kPipePauseMs, left));
  }
  if (arrived < kSamHeaderSize || !HasSamPreamble(answer.data())) return kSamFrameBadUsbAnswer;
  // An answer cut short or longer than the caller's buffer is a failed read, not stale
  // bytes or an overflow.
  const unsigned length = SamLength(answer.data());
  if (kSamHeaderSize + length > arrived || length > *outLength) return kSamFrameBadUsbAnswer;
  std::memcpy(out, answer.data() + kSamHeaderSize, length);
  *outLength = length;
  return kSamFrameRead;
}

// Pipes: one read of up to 2048 bytes within the answer wait; a long answer is everything
// after the header.
int ReadVendorFromPipe(platform::DeviceHandle* handle, std::uint8_t* header, std::uint8_t* out,
                       unsigned* outLength) {
  std::vector<std::uint8_t> answer(kPipeVendorReadSize);
  std::size_t arrived = 0;
  const auto wait = static_cast<std::uint32_t>(Settings().gAnswerWait);
  if (!handle || !handle->ReadWithin(answer.data(), answer.size(), wait, &arrived) ||
      arrived < kPipeVendorMinimum || !HasVendorMarker(answer.data()))
    return kVendorFrameBadAnswer;
  const unsigned length = answer[2] == kLongVendorLength
                              ? static_cast<unsigned>(arrived - kVendorHeaderSize)
                              : answer[2];
  if (kVendorHeaderSize + length > arrived || length > *outLength) return kVendorFrameBadAnswer;
  std::memcpy(header, answer.data(), kVendorHeaderSize);
  std::memcpy(out, answer.data() + kVendorHeaderSize, length);
  *outLength = length;
  return kVendorFrameRead;
}

// Unless the answer is a long one, the XOR of 55, AA, LEN and the LEN bytes is 0.
bool VendorCheckHolds(std::uint8_t lengthByte, const std::uint8_t* body, unsigned length) {
  if (lengthByte == kLongVendorLength) return true;
  std::uint8_t check = 0x55 ^ 0xAA ^ lengthByte;
  for (unsigned i = 0; i < length; ++i) check ^= body[i];
  return check == 0;
}

platform::SerialPort* AsSerial(platform::DeviceHandle* handle) {
  return dynamic_cast<platform::SerialPort*>(handle);
}

}  // namespace

int WriteSamFrame(platform::DeviceHandle*, platform::DeviceHandle* writeHandle, int kind,
                  const std::uint8_t* body, int bodyLength) {
  if (bodyLength < 0 || bodyLength > 0xFFFF) return 0;
  std::vector<std::uint8_t> frame(kSamPreamble, kSamPreamble + sizeof kSamPreamble);
  frame.push_back(static_cast<std::uint8_t>(bodyLength >> 8));
  frame.push_back(static_cast<std::uint8_t>(bodyLength));
  frame.insert(frame.end(), body, body + bodyLength);
  switch (kind) {
    case kTransportSerial:
    case kTransportUsbPipes: {
      std::size_t written = WriteWhole(writeHandle, frame);
      return written > kSamHeaderSize ? static_cast<int>(written - kSamHeaderSize) : 0;
    }
    case kTransportUsbDriver:
      return WriteToDriver(writeHandle, frame, kSamHeaderSize) ? bodyLength : 0;
    default:
      return 0;
  }
}

int ReadSamFrame(platform::DeviceHandle* readHandle, platform::DeviceHandle*, int kind,
                 std::uint8_t* out, unsigned* outLength) {
  Device().gComBase64 = 0;
  switch (kind) {
    case kTransportSerial: {
      platform::SerialPort* port = AsSerial(readHandle);
      return port ? ReadSerialSamFrame(*port, out, outLength) : kSamFrameSerialError;
    }
    case kTransportUsbDriver: {
      std::uint8_t header[kSamHeaderSize];
      return ReadFromDriver(readHandle, header, sizeof header, ValidSamHeader, SamHeaderLength, out,
                            outLength, kSamFrameBadUsbAnswer);
    }
    case kTransportUsbPipes:
      return ReadSamFromPipe(readHandle, out, outLength);
    default:
      return kSamFrameBadUsbAnswer;
  }
}

int WriteVendorFrame(platform::DeviceHandle*, platform::DeviceHandle* writeHandle, int kind,
                     const std::uint8_t* payload, int length) {
  if (length < 0 || length >= kLongVendorLength) return 0;
  std::vector<std::uint8_t> frame{0x55, 0xAA, static_cast<std::uint8_t>(length + 1)};
  frame.insert(frame.end(), payload, payload + length);
  std::uint8_t check = 0;
  for (std::uint8_t byte : frame) check ^= byte;
  frame.push_back(check);
  switch (kind) {
    case kTransportSerial:
    case kTransportUsbPipes:
      return static_cast<int>(WriteWhole(writeHandle, frame));
    case kTransportUsbDriver:
      return WriteToDriver(writeHandle, frame, kVendorHeaderSize) ? length + 4 : 0;
    default:
      return 0;
  }
}

int ReadVendorFrame(platform::DeviceHandle* readHandle, platform::DeviceHandle*, int kind,
                    std::uint8_t* out, unsigned* outLength) {
  ReaderSettings& settings = Settings();
  settings.gAnswerWait = settings.gComTimeout > 0 ? settings.gComTimeout : kDefaultAnswerWaitMs;
  std::uint8_t header[kVendorHeaderSize] = {};
  int result = kVendorFrameBadAnswer;
  switch (kind) {
    case kTransportSerial: {
      platform::SerialPort* port = AsSerial(readHandle);
      if (!port) return kVendorFrameBadAnswer;
      result = ReadSerialVendorFrame(*port, header, out, outLength);
      break;
    }
    case kTransportUsbDriver:
      result = ReadFromDriver(readHandle, header, sizeof header, ValidVendorHeader,
                              VendorHeaderLength, out, outLength, kVendorFrameBadAnswer);
      break;
    case kTransportUsbPipes:
      result = ReadVendorFromPipe(readHandle, header, out, outLength);
      break;
    default:
      return kVendorFrameBadAnswer;
  }
  if (result != kVendorFrameRead) return result;
  return VendorCheckHolds(header[2], out, *outLength) ? kVendorFrameRead : kVendorFrameBadAnswer;
}

}  // namespace vantel
