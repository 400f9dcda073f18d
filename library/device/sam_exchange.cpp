#include "library/device/sam_exchange.h"

#include <algorithm>
#include <cstring>

#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
#include "library/device/hid_transport.h"
#include "library/device/net_transport.h"
#include "library/device/pcsc_transport.h"
#include "library/device/port_api.h"

namespace vantel {
namespace {

// The data bytes of a whole answer frame of `size` bytes, header included.
unsigned WholeFrameDataLength(int size) {
  const int length = size - static_cast<int>(kSamHeaderSize);
  return length > 0 ? StatedDataLength(static_cast<unsigned>(length)) : 0;
}

}  // namespace

bool UsesPcsc(int port) {
  const DeviceState& device = Device();
  return (device.gPort == kPcscPort || port == kPcscPort) && device.pcsc.gPcscCard != -1;
}
bool UsesHid(int port) { return port == kHidPort || Device().gPort == kHidPort; }
bool UsesNet(int port) { return port == kNetPort || Device().gPort == kNetPort; }
bool IsStreamPort(int port) { return IsUsbPort(port) || IsComPort(port); }

int BuildFrame(const SamRequest& request, std::uint8_t* frame) {
  const std::uint8_t preamble[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00,
                                   static_cast<std::uint8_t>(request.length)};
  std::memcpy(frame, preamble, sizeof preamble);
  std::memcpy(frame + sizeof preamble, request.body, static_cast<std::size_t>(request.length));
  return static_cast<int>(sizeof preamble) + request.length;
}

bool SamAnswerView::CopyData(void* out, std::size_t size) const {
  if (dataLength < size) return false;
  if (out) std::memcpy(out, Data(), size);
  return true;
}

unsigned StatedDataLength(unsigned length) {
  constexpr unsigned kStatusAndCheck = 4;
  return length > kStatusAndCheck ? length - kStatusAndCheck : 0;
}

SamAnswerView HidExchange(const SamRequest& request) {
  DeviceState& device = Device();
  std::memset(device.OutputReport, 0, sizeof device.OutputReport);
  std::memset(device.InputReport, 0, sizeof device.InputReport);
  BuildFrame(request, device.OutputReport + 1);
  HIDTransact();
  std::uint8_t* frame = device.InputReport + 1;
  const std::size_t room = sizeof device.InputReport - 1;
  std::size_t came = std::min(HIDInputPayload(), room);
  // An answer longer than one report goes on in the reports after it: they are this
  // answer's, whatever stops it being taken, never a later command's.
  if (HasSamPreamble(frame)) {
    std::uint8_t joined[sizeof device.InputReport - 1];
    std::memcpy(joined, frame, came);
    came = HIDGatherLongAnswer(joined, kSamHeaderSize + SamLength(frame), room);
    std::memcpy(frame, joined, std::min(came, room));
  }
  const std::size_t kept = std::min(came, room);
  const unsigned carried = kept > SamAnswerView::kSamAnswerDataAt
                               ? static_cast<unsigned>(kept - SamAnswerView::kSamAnswerDataAt)
                               : 0;
  return SamAnswerView{frame, std::min(StatedDataLength(SamLength(frame)), carried), kept};
}

int NetExchange(const SamRequest& request, SamAnswerView* answer) {
  constexpr int kSendFailed = 4;
  constexpr int kReceiveFailed = 5;
  constexpr int kShortAnswer = 3;
  std::uint8_t frame[16];
  const int length = BuildFrame(request, frame);
  if (WriteNetDevice(reinterpret_cast<const char*>(frame), length) != 0) return kSendFailed;
  // Nothing of an earlier answer may stay behind the bytes this one brings.
  DeviceState& device = Device();
  std::memset(device.InputReport, 0, sizeof device.InputReport);
  // The frame's own length says how much belongs to this answer, however TCP splits it.
  const int received = ReadNetAnswerFrame(reinterpret_cast<char*>(device.InputReport),
                                          static_cast<int>(sizeof device.InputReport));
  if (received <= 0) return kReceiveFailed;
  // Without its three status bytes and its check byte an answer says nothing: what stands
  // where they belong is another byte's, or nobody's.
  if (received <= static_cast<int>(SamAnswerView::kSamAnswerDataAt)) return kShortAnswer;
  *answer = SamAnswerView{device.InputReport, WholeFrameDataLength(received),
                          static_cast<std::size_t>(received)};
  return 0;
}

int PcscExchange(const char* text, std::uint8_t* answer) {
  const int textLength = static_cast<int>(std::strlen(text));
  std::uint8_t command[64] = {};
  ParseHexText(text, command, textLength);
  unsigned received = 256;
  PCSCTransmit(Device().pcsc.gPcscCard, static_cast<unsigned>(textLength / 2), command, &received,
               answer);
  return static_cast<int>(received);
}

bool StreamWrite(const SamRequest& request) {
  DeviceState& device = Device();
  return WriteSamFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, request.body,
                       request.length) == request.length;
}

void StreamRead(StreamAnswer* answer, int waitMs) {
  DeviceState& device = Device();
  Settings().gAnswerWait = waitMs;
  answer->length = sizeof answer->body;
  answer->readResult = ReadSamFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind,
                                    answer->body, &answer->length);
}

int StreamExchange(const SamRequest& request, StreamAnswer* answer) {
  constexpr int kNotWritten = 3;
  if (!StreamWrite(request)) return kNotWritten;
  StreamRead(answer);
  return 0;
}

bool PortUse::Open() const { return !openFirst_ || OpenPort(port_) == kReaderSuccess; }

int PortUse::Close(int result) const {
  if (openFirst_) ClosePort(port_);
  return result;
}

}  // namespace vantel
