#include "library/device/sam_commands.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
#include "library/device/frames.h"
#include "library/device/hid_transport.h"
#include "library/device/net_transport.h"
#include "library/device/pcsc_transport.h"
#include "library/device/port_api.h"
#include "library/device/sam_exchange.h"

namespace vantel {
namespace {

constexpr int kBadPort = 1;
constexpr int kBadAnswer = 3;
constexpr int kSendFailed = 4;
constexpr unsigned kSamIdSize = 16;
constexpr unsigned kMngInfoSize = 28;
constexpr unsigned kNewAppMaxSize = 280;

constexpr SamRequest kStatus{{0x11, 0xFF, 0xED}, 3, "FF9811FF00"};
constexpr SamRequest kReset{{0x10, 0xFF, 0xEC}, 3, "FF9810FF00"};
constexpr SamRequest kSamId{{0x12, 0xFF, 0xEE}, 3, "FF9812FF00"};
constexpr SamRequest kNewApp{{0x30, 0x03, 0x30}, 3, "FF983003010000"};
constexpr const char* kNewAppSecondPacket = "FF983003010100";
constexpr SamRequest kMngInfo{{0x30, 0x05, 0x36}, 3, "FF98300500"};

SamRequest MaxRfByteRequest(int size) {
  const auto n = static_cast<std::uint8_t>(size);
  return SamRequest{{0x61, 0xFF, n, static_cast<std::uint8_t>(n ^ 0x9A)}, 4, nullptr};
}

int StatusFromWords(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t sw3) {
  return sw1 || sw2 ? 0 : sw3;
}

int StatusOf(const SamAnswerView& answer) {
  return StatusFromWords(answer.Sw1(), answer.Sw2(), answer.Sw3());
}

// SW3 of an answer that must carry `size` data bytes, copied to `out`; without them 3.
int DataAnswer(const SamAnswerView& answer, void* out, std::size_t size) {
  return answer.CopyData(out, size) ? answer.Sw3() : kBadAnswer;
}

// PC/SC status and reset: exactly 11 bytes with SW1 and SW2 zero.
int PcscStatusLike(const SamRequest& request) {
  std::uint8_t answer[256] = {};
  const int length = PcscExchange(request.pcscText, answer);
  return length == 11 && answer[7] == 0 && answer[8] == 0 ? answer[9] : 0;
}

// Status and reset on the byte stream share the write, the wait and the close.
int StreamStatusLike(const PortUse& use, const SamRequest& request, bool passNegative) {
  StreamAnswer answer;
  if (StreamExchange(request, &answer) != 0) return use.Close(kBadAnswer);
  if (answer.readResult < 0 && passNegative) return use.Close(answer.readResult);
  if (answer.readResult != 0) return use.Close(passNegative ? kSendFailed : kBadAnswer);
  const std::uint8_t* b = answer.body;
  return use.Close(passNegative ? StatusFromWords(b[0], b[1], b[2]) : b[2]);
}

}  // namespace

int GetSamStatus(int port, int openFirst) {
  PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (UsesPcsc(port)) return PcscStatusLike(kStatus);
  if (UsesHid(port)) return StatusOf(HidExchange(kStatus));
  if (UsesNet(port)) {
    SamAnswerView answer;
    if (int failed = NetExchange(kStatus, &answer)) return failed;
    return StatusOf(answer);
  }
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  return StreamStatusLike(use, kStatus, true);
}

int ResetSam(int port, int openFirst) {
  PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (UsesPcsc(port)) return PcscStatusLike(kReset);
  if (UsesHid(port)) return HidExchange(kReset).Sw3();
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  return StreamStatusLike(use, kReset, false);
}

int GetSamId(int port, unsigned char* out, int openFirst) {
  PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (UsesPcsc(port)) {
    std::uint8_t answer[256] = {};
    PcscExchange(kSamId.pcscText, answer);
    if (answer[0] != 0xAA || answer[1] != 0xAA) return answer[0];
    std::memcpy(out, answer + 10, kSamIdSize);
    return answer[9];
  }
  if (UsesHid(port)) return DataAnswer(HidExchange(kSamId), out, kSamIdSize);
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  StreamAnswer answer;
  if (StreamExchange(kSamId, &answer) != 0 || answer.readResult != 0 || answer.length != 20)
    return use.Close(kBadAnswer);
  std::memcpy(out, answer.body + 3, kSamIdSize);
  return use.Close(answer.body[2]);
}

namespace {

// The new-address length from the answer length of each transport: out of range means the
// whole record.
unsigned NewAppLength(long reported) {
  return reported < 0 || reported > static_cast<long>(kNewAppMaxSize) ? kNewAppMaxSize
                                                                       : static_cast<unsigned>(reported);
}

int PcscReadNewApp(unsigned char* out, unsigned* outLength) {
  constexpr unsigned kFirstPacketData = 250;
  constexpr unsigned kRecordAt = 12;  // two bytes later than in the SAM frame
  std::uint8_t joined[512] = {};
  PcscExchange(kNewApp.pcscText, joined);
  const unsigned length = (static_cast<unsigned>(joined[5]) << 8) | joined[6];
  if (length <= 3) {
    *outLength = length;
    return 0;
  }
  // A longer record than the reader can send would not fit the caller's buffer.
  *outLength = NewAppLength(static_cast<long>(length) - 4);
  if (*outLength >= 240) {
    std::uint8_t second[256] = {};
    PcscExchange(kNewAppSecondPacket, second);
    // The record starts 12 bytes into the first packet: what it does not hold comes from
    // the second. (Taking only *outLength - 250 bytes lost the record's last 12.)
    const unsigned rest = kRecordAt + *outLength - kFirstPacketData;
    std::memcpy(joined + kFirstPacketData, second, rest);
  }
  if (joined[7] || joined[8]) return 0;
  std::memcpy(out, joined + kRecordAt, *outLength);
  return joined[9];
}

// Whether a whole SAM answer frame of `length` bytes holds together: LEN through the check
// byte XOR to 0.
bool SamFrameChecks(const std::uint8_t* frame, std::size_t length) {
  std::uint8_t check = 0;
  for (std::size_t i = kPreambleSize; i < length; ++i) check ^= frame[i];
  return check == 0;
}

// HID: the record comes in as many reports as its frame needs. Reports that came but hold
// zeros a reader sent for want of the answer's own would pass for data: the frame's check
// byte tells them.
int HidReadNewApp(unsigned char* out, unsigned* outLength) {
  const SamAnswerView answer = HidExchange(kNewApp);
  const std::size_t frameLength = kSamHeaderSize + SamLength(answer.frame);
  if (answer.frameCarried < frameLength || !SamFrameChecks(answer.frame, frameLength))
    return kBadAnswer;
  const unsigned record = std::min(StatedDataLength(SamLength(answer.frame)), kNewAppMaxSize);
  *outLength = record;
  std::memcpy(out, answer.Data(), record);
  return answer.Sw3();
}

}  // namespace

int ReadNewAppMsg(int port, unsigned char* out, unsigned* outLength, int openFirst) {
  *outLength = 0;
  PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (UsesPcsc(port)) return PcscReadNewApp(out, outLength);
  if (UsesNet(port)) {
    SamAnswerView answer;
    if (int failed = NetExchange(kNewApp, &answer)) return failed;
    *outLength = std::min(answer.dataLength, kNewAppMaxSize);
    std::memcpy(out, answer.Data(), *outLength);
    return answer.Sw3();
  }
  if (UsesHid(port)) return HidReadNewApp(out, outLength);
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  StreamAnswer answer;
  if (StreamExchange(kNewApp, &answer) != 0) return use.Close(kBadAnswer);
  if (answer.readResult < 0) return use.Close(answer.readResult);
  if (answer.readResult > 0) return use.Close(kBadAnswer);
  const unsigned length = answer.length;
  *outLength = length < 4 || length > 284 ? kNewAppMaxSize : length - 4;
  if (length >= 5) std::memcpy(out, answer.body + 3, *outLength);
  return use.Close(answer.body[2]);
}

int ReadMngInfo(int port, unsigned char* out, int openFirst) {
  PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (UsesPcsc(port)) {
    std::uint8_t answer[256] = {};
    PcscExchange(kMngInfo.pcscText, answer);
    if (answer[7] || answer[8]) return 0;
    std::memcpy(out, answer + 10, kMngInfoSize);
    return answer[9];
  }
  if (UsesNet(port)) {
    SamAnswerView answer;
    if (int failed = NetExchange(kMngInfo, &answer)) return failed;
    return DataAnswer(answer, out, kMngInfoSize);
  }
  if (UsesHid(port)) return DataAnswer(HidExchange(kMngInfo), out, kMngInfoSize);
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  StreamAnswer answer;
  if (StreamExchange(kMngInfo, &answer) != 0 || answer.readResult != 0 ||
      StatedDataLength(answer.length) < kMngInfoSize)
    return use.Close(kBadAnswer);
  std::memcpy(out, answer.body + 3, kMngInfoSize);
  return use.Close(answer.body[2]);
}

int SetMaxRfByte(int port, int size, int openFirst) {
  PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (UsesHid(port) || UsesPcsc(port)) return kReaderSuccess;
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  StreamAnswer answer;
  if (StreamExchange(MaxRfByteRequest(size), &answer) != 0 || answer.readResult != 0)
    return use.Close(kBadAnswer);
  return use.Close(answer.body[2]);
}

}  // namespace vantel
