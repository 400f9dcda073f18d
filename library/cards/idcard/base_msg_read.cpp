#include "library/cards/idcard/base_msg_read.h"

#include <cstdio>
#include <cstring>

#include "library/cards/debug_log.h"
#include "library/cards/idcard/base_msg_codes.h"
#include "library/cards/idcard/base_msg_frame.h"
#include "library/device/commands/device_settings.h"
#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
#include "library/device/hid_transport.h"
#include "library/device/net_transport.h"
#include "library/device/sam_exchange.h"
#include "platform/clock.h"

namespace vantel {
namespace {

using namespace base_msg;

constexpr SamRequest kReadBaseMsg{{0x30, 0x01, 0x32}, 3, nullptr};
constexpr int kNetBadChecks = 6;
constexpr int kFirstPacketShort = 6;  // packets 1..5: 7..11
constexpr std::uint32_t kBeepPauseMs = 100;

// One answer frame from the preamble on, joined from whatever the transport delivers.
struct FrameBuffer {
  std::uint8_t bytes[4096] = {};
};

// PC/SC: six packets, 250 bytes each but the last of 45.
int ReadOverPcsc(FrameBuffer* frame) {
  constexpr unsigned kPacketSize = 250;
  constexpr unsigned kLastPacketSize = 45;
  constexpr int kPackets = 6;
  char text[] = "FF983001010000";
  for (int packet = 0; packet < kPackets; ++packet) {
    text[11] = static_cast<char>('0' + packet);
    std::uint8_t answer[256] = {};
    const auto length = static_cast<unsigned>(PcscExchange(text, answer));
    const bool fits = packet == 0 ? length >= kPacketSize
                                  : length == (packet == kPackets - 1 ? kLastPacketSize : kPacketSize);
    if (!fits) return kFirstPacketShort + packet;
    std::memcpy(frame->bytes + packet * kPacketSize, answer,
                packet == kPackets - 1 ? kLastPacketSize : kPacketSize);
  }
  return BaseMsgFrameIsGood(frame->bytes) ? 0 : kNoUsableAnswer;
}

// HID: the head report is looked for among 20 reports; it and those after it make the frame.
int ReadOverHid(FrameBuffer* frame, int* tryNumber) {
  constexpr int kHeadSearchReports = 20;
  DeviceState& device = Device();
  for (*tryNumber = 0; *tryNumber < kTries; ++*tryNumber) {
    std::memset(device.OutputReport, 0, sizeof device.OutputReport);
    BuildFrame(kReadBaseMsg, device.OutputReport + 1);
    HIDWriteReport();
    std::memset(frame->bytes, 0, sizeof frame->bytes);
    bool headFound = false;
    for (int read = 0; read < kHeadSearchReports && !headFound; ++read) {
      HIDGetReport();
      if (device.InputReport[10] == kSwCardReadFailed) return kNoUsableAnswer;
      headFound = HasSamPreamble(device.InputReport + 1);
    }
    if (!headFound) return kNoUsableAnswer;
    std::memcpy(frame->bytes, device.InputReport + 1, HIDInputPayload());
    // The reports after the head are taken as they come: an all-zero one is photo data.
    HIDGatherLongAnswer(frame->bytes, kBaseMsgFrameSize, sizeof frame->bytes);
    if (BaseMsgFrameIsGood(frame->bytes)) return 0;
  }
  return kNoUsableAnswer;
}

// Network: the answer frame lands in the receive buffer InputReport.
int ReadOverNet(FrameBuffer* frame) {
  std::uint8_t request[16];
  const int requestLength = BuildFrame(kReadBaseMsg, request);
  std::uint8_t* received = Device().InputReport;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (WriteNetDevice(reinterpret_cast<const char*>(request), requestLength) != 0)
      return kNetSendFailed;
    std::memset(received, 0, sizeof Device().InputReport);
    if (ReadNetAnswerFrame(reinterpret_cast<char*>(received), static_cast<int>(kBaseMsgFrameSize)) <= 0)
      return kNetNothingReceived;
    if (received[kBaseMsgSw3At] == kSwCardReadFailed) return kNoUsableAnswer;
    if (BaseMsgFrameIsGood(received)) {
      std::memcpy(frame->bytes, received, kBaseMsgFrameSize);
      return 0;
    }
  }
  return kNetBadChecks;
}

// Serial port or USB: the body from SW1 on, with LEN, becomes the frame.
int ReadOverStream(FrameBuffer* frame) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (!StreamWrite(kReadBaseMsg)) return kNotWritten;
    StreamAnswer answer;
    StreamRead(&answer, kStreamAnswerWaitMs);
    if (answer.readResult != 0) return kNoUsableAnswer;
    if (answer.length < kMinSerialLength) return kShortSerialAnswer;
    std::memcpy(frame->bytes, kSamPreamble, kPreambleSize);
    frame->bytes[5] = static_cast<std::uint8_t>(answer.length >> 8);
    frame->bytes[6] = static_cast<std::uint8_t>(answer.length);
    std::memcpy(frame->bytes + kSamHeaderSize, answer.body, kBaseMsgFrameSize - kSamHeaderSize);
    if (BaseMsgFrameIsGood(frame->bytes)) return 0;
  }
  return kNoUsableAnswer;
}

// The read on the transport the port names: 0 with the frame, else the failure code.
int ReadFrame(int port, const PortUse& use, FrameBuffer* frame) {
  if (UsesPcsc(port)) return ReadOverPcsc(frame);
  if (UsesNet(port)) return ReadOverNet(frame);
  if (UsesHid(port)) {
    int tryNumber = 0;
    const int result = ReadOverHid(frame, &tryNumber);
    if (result == 0)
      DebugLogf("ZRT_ReadBaseMsg BaseMsgBuffer[9]=%02x,readcount=%d, *puiCHMsgLen=%d,*puiPHMsgLen=%d",
                frame->bytes[kBaseMsgSw3At], tryNumber, frame->bytes[10] << 8 | frame->bytes[11],
                frame->bytes[12] << 8 | frame->bytes[13]);
    return result;
  }
  if (!IsStreamPort(port)) return kNotAStreamPort;
  return use.Close(ReadOverStream(frame));
}

bool HandOutCachedMessage(const BaseMsgOut& out) {
  CachedBaseMsg& cache = Device().gCachedBaseMsg;
  if (!cache.gBaseMsgCached) return false;
  cache.gBaseMsgCached = false;
  if (out.textLength) *out.textLength = cache.textLength;
  if (out.text) std::memcpy(out.text, cache.g_pucCHMsg, cache.textLength);
  if (out.photoLength) *out.photoLength = cache.photoLength;
  if (out.photo) std::memcpy(out.photo, cache.photo, cache.photoLength);
  return true;
}

}  // namespace

void PhotoReadBeep(unsigned photoLength, bool wrappedAnswer) {
  if (photoLength != kBaseMsgPhotoSize || Device().gMute != 0 || wrappedAnswer) return;
  BeepLed(1, 1, 100);
  platform::SleepMs(kBeepPauseMs);
  BeepLed(1, 1, 100);
}

bool WriteWholeFile(const char* path, const unsigned char* data, unsigned length) {
  if (!path) return false;
  std::FILE* file = std::fopen(path, "wb+");
  if (!file) return false;
  const bool whole = std::fwrite(data, 1, length, file) == length;
  return std::fclose(file) == 0 && whole;
}

int ReadBaseMsg(int port, unsigned char* text, unsigned* textLength, unsigned char* photo,
                unsigned* photoLength, int openFirst) {
  DebugLogf("ZRT_ReadBaseMsg iPortID=%d, iIfOpen=%d", port, openFirst);
  const BaseMsgOut out{text, textLength, photo, photoLength};
  if (HandOutCachedMessage(out)) return kReaderSuccess;
  const PortUse use(port, openFirst);
  if (!use.Open()) return kOpenFailed;
  FrameBuffer frame;
  const int failure = ReadFrame(port, use, &frame);
  if (failure != 0) return failure;
  const bool onStream = !UsesPcsc(port) && !UsesNet(port) && !UsesHid(port);
  PhotoReadBeep(CopyBaseMsg(frame.bytes, out), onStream && Device().gComBase64 != 0);
  return frame.bytes[kBaseMsgSw3At];
}

int ReadBaseMsgToFile(int port, const char* textFile, unsigned* textLength, const char* photoFile,
                      unsigned* photoLength, int openFirst) {
  unsigned char text[kBaseMsgTextSize] = {};
  unsigned char photo[kBaseMsgPhotoSize] = {};
  unsigned readText = 0;
  unsigned readPhoto = 0;
  const int result = ReadBaseMsg(port, text, &readText, photo, &readPhoto, openFirst);
  if (result != kReaderSuccess) return result;
  if (!WriteWholeFile(textFile, text, readText)) return 0;
  if (textLength) *textLength = readText;
  if (!WriteWholeFile(photoFile, photo, readPhoto)) return 0;
  if (photoLength) *photoLength = readPhoto;
  return kReaderSuccess;
}

}  // namespace vantel
