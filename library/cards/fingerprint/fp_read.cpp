#include "library/cards/fingerprint/fp_read.h"

#include <cstring>

#include "library/cards/debug_log.h"
#include "library/cards/idcard/base_msg_codes.h"
#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_search.h"
#include "library/cards/idcard/record_layouts.h"
#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
#include "library/device/hid_transport.h"
#include "library/device/net_transport.h"
#include "library/device/sam_exchange.h"

namespace vantel {
namespace {

using namespace base_msg;

constexpr SamRequest kReadFPBaseMsg{{0x30, 0x10, 0x23}, 3, nullptr};
constexpr int kNetWrongLength = 7;
constexpr int kFirstPacketShort = 6;  // packets 0..4: 6..10
constexpr int kShortFrameLastPacket = 11;
constexpr int kFingerprintPacketShort = 12;  // packets 5..8: 12..15
constexpr unsigned kPacketSize = 250;

struct FrameBuffer {
  std::uint8_t bytes[4096] = {};
  std::size_t carried = kFPBaseMsgFrameSize;
};

bool KnownLength(unsigned length) {
  return length == kFPFrameLength || length == kFPFrameLengthWithout;
}

// PC/SC: five packets of 250, then one of 47 without fingerprint, or four more of 250 and
// the last 71 with it.
int ReadOverPcsc(FrameBuffer* frame) {
  char text[] = "FF983010010000";
  unsigned fingerprintLength = 0;
  for (int packet = 0; packet < 10; ++packet) {
    text[11] = static_cast<char>('0' + packet);
    std::uint8_t answer[256] = {};
    const auto length = static_cast<unsigned>(PcscExchange(text, answer));
    unsigned want = kPacketSize;
    int shortCode = packet < 5 ? kFirstPacketShort + packet : kFingerprintPacketShort + packet - 5;
    if (packet == 5 && fingerprintLength == 0) {
      want = kFPBaseMsgShortFrameSize - 5 * kPacketSize;
      shortCode = kShortFrameLastPacket;
    } else if (packet == 9) {
      want = kFPBaseMsgFrameSize - 9 * kPacketSize;
    }
    if (packet == 0 ? length < want : length != want) return packet == 9 ? kNoUsableAnswer : shortCode;
    std::memcpy(frame->bytes + packet * kPacketSize, answer, want);
    if (packet == 0) fingerprintLength = frame->bytes[14] << 8 | frame->bytes[15];
    if (packet == 5 && fingerprintLength == 0) break;
  }
  return FPFrameIsGood(frame->bytes) ? 0 : kNoUsableAnswer;
}

// Network: one answer frame, head and exactly LEN bytes, within the answer wait.
int ReadOverNet(FrameBuffer* frame) {
  std::uint8_t request[16];
  const int requestLength = BuildFrame(kReadFPBaseMsg, request);
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (WriteNetDevice(reinterpret_cast<const char*>(request), requestLength) != 0)
      return kNetSendFailed;
    std::memset(frame->bytes, 0, sizeof frame->bytes);
    if (ReadNetAnswerFrame(reinterpret_cast<char*>(frame->bytes), sizeof frame->bytes) <= 0)
      return kNetNothingReceived;
    if (!KnownLength(FPFrameLength(frame->bytes))) return kNetWrongLength;
    if (FPFrameIsGood(frame->bytes)) return 0;
  }
  return kNoUsableAnswer;
}

// HID: the head among 20 reports, then the rest of the frame as it comes, all-zero reports
// included.
int HidTry(FrameBuffer* frame) {
  constexpr int kHeadSearchReports = 20;
  DeviceState& device = Device();
  std::memset(device.OutputReport, 0, sizeof device.OutputReport);
  BuildFrame(kReadFPBaseMsg, device.OutputReport + 1);
  HIDWriteReport();
  std::memset(frame->bytes, 0, sizeof frame->bytes);
  bool headFound = false;
  for (int read = 0; read < kHeadSearchReports && !headFound; ++read) {
    HIDGetReport();
    headFound = HasSamPreamble(device.InputReport + 1);
  }
  if (!headFound) return kNoUsableAnswer;
  std::memcpy(frame->bytes, device.InputReport + 1, HIDInputPayload());
  const unsigned length = FPFrameLength(frame->bytes);
  if (!KnownLength(length)) return kNoUsableAnswer;
  HIDGatherLongAnswer(frame->bytes, kSamHeaderSize + length, sizeof frame->bytes);
  std::memset(frame->bytes + kSamHeaderSize + length, 0,
              sizeof frame->bytes - kSamHeaderSize - length);
  return FPFrameIsGood(frame->bytes) ? 0 : -1;
}

int ReadOverHid(FrameBuffer* frame) {
  DeviceState& device = Device();
  device.hid.gAcceptEmptyReport = 1;
  int result = kNoUsableAnswer;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    result = HidTry(frame);
    if (result >= 0) break;
  }
  device.hid.gAcceptEmptyReport = 0;
  return result < 0 ? kNoUsableAnswer : result;
}

// Serial port or USB: no check and no retry; only what the answer carried is taken.
int ReadOverStream(FrameBuffer* frame) {
  if (!StreamWrite(kReadFPBaseMsg)) return kNotWritten;
  StreamAnswer answer;
  StreamRead(&answer, kStreamAnswerWaitMs);
  if (answer.readResult != 0) return kNoUsableAnswer;
  if (answer.length < kMinSerialLength) return kShortSerialAnswer;
  std::memcpy(frame->bytes, kSamPreamble, kPreambleSize);
  frame->bytes[5] = static_cast<std::uint8_t>(answer.length >> 8);
  frame->bytes[6] = static_cast<std::uint8_t>(answer.length);
  const std::size_t length =
      answer.length < kFPBaseMsgFrameSize ? answer.length : kFPBaseMsgFrameSize;
  std::memcpy(frame->bytes + kSamHeaderSize, answer.body, length);
  frame->carried = kSamHeaderSize + length;
  return 0;
}

// With `openFirst` the byte stream's port is closed again; the other transports stay open.
int ReadFrame(int port, const PortUse& use, FrameBuffer* frame) {
  if (UsesPcsc(port)) return ReadOverPcsc(frame);
  if (UsesNet(port)) return ReadOverNet(frame);
  if (UsesHid(port)) return ReadOverHid(frame);
  if (!IsStreamPort(port)) return kNotAStreamPort;
  return use.Close(ReadOverStream(frame));
}

bool HandOutCachedMessage(const FPBaseMsgOut& out) {
  CachedFPBaseMsg& cache = Device().gCachedFPBaseMsg;
  if (!cache.gFPBaseMsgCached) return false;
  cache.gFPBaseMsgCached = false;
  auto hand = [](const std::uint8_t* from, unsigned length, unsigned char* to, unsigned* toLength) {
    if (toLength) *toLength = length;
    if (to) std::memcpy(to, from, length);
  };
  hand(cache.g_pucFPCHMsg, cache.textLength, out.text, out.textLength);
  hand(cache.photo, cache.photoLength, out.photo, out.photoLength);
  hand(cache.fingerprint, cache.fingerprintLength, out.fingerprint, out.fingerprintLength);
  return true;
}

}  // namespace

int ReadFPBaseMsg(int port, const FPBaseMsgOut& out, int openFirst) {
  DebugLogf("ZRT_ReadBaseMsgFingerPrint iPortID=%d, iIfOpen=%d", port, openFirst);
  if (HandOutCachedMessage(out)) return kReaderSuccess;
  const PortUse use(port, openFirst);
  if (!use.Open()) return kOpenFailed;
  FrameBuffer frame;
  const int failure = ReadFrame(port, use, &frame);
  if (failure != 0) return failure;
  const bool withFingerprint = FPFrameLength(frame.bytes) == kFPFrameLength;
  const unsigned photo = CopyFPBaseMsg(frame.bytes, frame.carried, out);
  const bool onStream = !UsesPcsc(port) && !UsesNet(port) && !UsesHid(port);
  // Over PC/SC a frame without fingerprint beeps whatever its photo length.
  const bool pcscShort = UsesPcsc(port) && !withFingerprint;
  PhotoReadBeep(pcscShort ? kBaseMsgPhotoSize : photo, onStream && Device().gComBase64 != 0);
  return frame.bytes[kBaseMsgSw3At];
}

int ReadFPBaseMsgToFile(int port, const char* textFile, unsigned* textLength, const char* photoFile,
                        unsigned* photoLength, const char* fingerprintFile,
                        unsigned* fingerprintLength, int openFirst) {
  unsigned char text[256] = {};
  unsigned char photo[1024] = {};
  unsigned char fingerprint[kFingerprintSize] = {};
  unsigned lengths[3] = {};
  const int result = ReadFPBaseMsg(
      port, FPBaseMsgOut{text, &lengths[0], photo, &lengths[1], fingerprint, &lengths[2]},
      openFirst);
  if (result != kReaderSuccess) return result;
  const char* const files[] = {textFile, photoFile, fingerprintFile};
  const unsigned char* const parts[] = {text, photo, fingerprint};
  unsigned* const outLengths[] = {textLength, photoLength, fingerprintLength};
  for (int i = 0; i < 3; ++i) {
    if (!WriteWholeFile(files[i], parts[i], lengths[i])) return 0;
    if (outLengths[i]) *outLengths[i] = lengths[i];
  }
  return kReaderSuccess;
}

int DecideFPIdCardType() {
  CachedFPBaseMsg& cache = Device().gCachedFPBaseMsg;
  cache = CachedFPBaseMsg{};
  const int result =
      ReadFPBaseMsg(Device().gPort,
                    FPBaseMsgOut{cache.g_pucFPCHMsg, &cache.textLength, cache.photo,
                                 &cache.photoLength, cache.fingerprint, &cache.fingerprintLength},
                    0);
  Settings().table[kReadBaseFPMsgRet] = result;
  DebugLogf("ZRT_ReadBaseFPMsg 的返回值：g_readBaseFPMsgRet=%2x ", result);
  if (result != kReaderSuccess) return result;
  cache.gFPBaseMsgCached = true;
  DebugLogf("卡类型标志位：g_pucFPCHMsg[248]=%2x ", cache.g_pucFPCHMsg[kCardKindAt]);
  return DecideCardKind(cache.g_pucFPCHMsg);
}

int IsFingerPrintDevice() {
  char samId[128] = {};
  GetSamIdText(samId);
  return samId[4] > '2' ? 1 : -2;
}

}  // namespace vantel
