#include "library/cards/idcard/card_search.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "library/cards/contactless_card.h"
#include "library/cards/debug_log.h"
#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "library/device/sam_commands.h"
#include "library/device/sam_exchange.h"
#include "library/device/text_conversions.h"
#include "platform/clock.h"

namespace vantel {
namespace {

constexpr SamRequest kFind{{0x20, 0x01, 0x22}, 3, "FF98200100"};
constexpr SamRequest kSelect{{0x20, 0x02, 0x21}, 3, "FF98200200"};
constexpr SamRequest kSamId{{0x12, 0xFF, 0xEE}, 3, "FF9812FF00"};

constexpr int kBadPort = 1;
constexpr int kBadAnswer = 3;
constexpr int kNoNewCard = 128;
constexpr int kCardFound = 159;
constexpr std::uint32_t kSearchPauseMs = 100;
constexpr unsigned kSamIdSize = 16;
constexpr std::size_t kSamIdTextBuffer = 37;

// One search or select: its request, its data size, the answer LEN on the byte stream and
// the HID log line.
struct CardCommand {
  const SamRequest& request;
  std::size_t dataSize;
  unsigned streamLength;
  const char* hidLog;
};

const CardCommand kFindCommand{kFind, 4, 8, "ZRT_StartFindIDCard InputReport[10]=%02x"};
const CardCommand kSelectCommand{kSelect, 8, 12, "ZRT_SelectIDCard InputReport[10]=%2x"};

void CopyOut(int* out, const std::uint8_t* data, std::size_t size) {
  if (out) std::memcpy(out, data, size);
}

// The command on the transport the port names, after the optional open.
int SendCardCommand(int port, const PortUse& use, int* out, const CardCommand& command) {
  if (UsesPcsc(port)) {
    std::uint8_t answer[256] = {};
    PcscExchange(command.request.pcscText, answer);
    if (answer[7] || answer[8]) return 0;
    CopyOut(out, answer + 10, command.dataSize);
    return answer[9];
  }
  // As on the byte stream, the data goes out only when the answer carried it.
  if (UsesNet(port)) {
    SamAnswerView answer;
    if (const int failed = NetExchange(command.request, &answer)) return failed;
    answer.CopyData(out, command.dataSize);
    return answer.Sw3();
  }
  if (UsesHid(port)) {
    const SamAnswerView answer = HidExchange(command.request);
    answer.CopyData(out, command.dataSize);
    DebugLogf(command.hidLog, answer.Sw3());
    return answer.Sw3();
  }
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  StreamAnswer answer;
  if (StreamExchange(command.request, &answer) != 0) return use.Close(kBadAnswer);
  if (answer.readResult < 0) return use.Close(answer.readResult);
  if (answer.readResult > 0) return use.Close(kBadAnswer);
  if (answer.length == command.streamLength) CopyOut(out, answer.body + 3, command.dataSize);
  return use.Close(answer.body[2]);
}

// Whether the command goes over the byte stream, whose optional open is closed again.
bool OnStream(int port) {
  return !UsesPcsc(port) && !UsesNet(port) && !UsesHid(port) && IsStreamPort(port);
}

int CloseOnStream(int port, const PortUse& use, int result) {
  return OnStream(port) ? use.Close(result) : result;
}

// The SAM id as text: at most 36 characters and a NUL.
std::string SamIdString(const std::uint8_t* id) {
  char text[kSamIdTextBuffer] = {};
  FormatSamIdText(text, SamIdFromBytes(id));
  return text;
}

// The SAM id of the transport the port names into `id`, *reached telling whether an id
// arrived: SW3, or a failure code.
int ReadSamIdBytes(int port, const PortUse& use, std::uint8_t* id, bool* reached) {
  if (UsesPcsc(port)) {
    std::uint8_t answer[256] = {};
    PcscExchange(kSamId.pcscText, answer);
    if (answer[0] != 0xAA || answer[1] != 0xAA) return answer[0];
    std::memcpy(id, answer + 10, kSamIdSize);
    *reached = true;
    return answer[9];
  }
  // An answer without the whole id is no id.
  if (UsesNet(port)) {
    SamAnswerView answer;
    if (const int failed = NetExchange(kSamId, &answer)) return failed;
    if (!answer.CopyData(id, kSamIdSize)) return kBadAnswer;
    *reached = true;
    return answer.Sw3();
  }
  if (UsesHid(port)) {
    const SamAnswerView answer = HidExchange(kSamId);
    if (!answer.CopyData(id, kSamIdSize)) return kBadAnswer;
    std::memcpy(Device().gHidSamId, id, kSamIdSize);
    DebugLogf("ZRT_GetSAMIDToStr的返回值 InputReport[10]=%d, SamID=%s", answer.Sw3(),
              SamIdString(id).c_str());
    *reached = true;
    return answer.Sw3();
  }
  if (!IsStreamPort(port)) return use.Close(kBadPort);
  StreamAnswer answer;
  if (StreamExchange(kSamId, &answer) != 0) return use.Close(kBadAnswer);
  if (answer.readResult < 0) return use.Close(answer.readResult);
  if (answer.readResult > 0 || answer.length != 20) return use.Close(kBadAnswer);
  std::memcpy(id, answer.body + 3, kSamIdSize);
  *reached = true;
  return use.Close(answer.body[2]);
}

}  // namespace

bool IsReaderPort(int port) {
  return IsComPort(port) || IsUsbPort(port) || port == kHidPort || port == kPcscPort ||
         port == kNetPort;
}

int StartFindIdCard(int port, int* out, int openFirst) {
  DeviceState& device = Device();
  DebugLogf("\nZRT_StartFindIDCard iPortID=%d, iIfOpen=%d, gRepeat=%d", port, openFirst,
            device.gRepeat);
  const PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  if (device.gRepeat) {
    // The contactless field is woken anew, so the card already read is found again.
    if (device.gPort == kHidPort || device.gPort == kPcscPort) FindIcCard();
    platform::SleepMs(kSearchPauseMs);
    if (GetSamStatus(device.gPort, 0) != kReaderSuccess) return CloseOnStream(port, use, kBadPort);
  } else {
    if (device.gPort != kPcscPort && CardOn() == 1) return CloseOnStream(port, use, kNoNewCard);
    platform::SleepMs(kSearchPauseMs);
  }
  return SendCardCommand(port, use, out, kFindCommand);
}

int SelectIdCard(int port, int* out, int openFirst) {
  DebugLogf("ZRT_SelectIDCard iPortID=%d, iIfOpen=%d", port, openFirst);
  const PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  return SendCardCommand(port, use, out, kSelectCommand);
}

int CardOn() {
  const int port = Device().gPort;
  unsigned char record[280] = {};
  unsigned length = 0;
  const int result = ReadNewAppMsg(port, record, &length, 0);
  DebugLogf("CardOn ZRT_ReadNewAppMsg ret=%02X, gPort=%d", result, port);
  if (result != kReaderSuccess && result != 145) return 0;
  if (GetSamStatus(port, 0) != kReaderSuccess) return 0;
  WriteDebugLog("CardOn ZRT_GetSAMStatus ok");
  return 1;
}

int Authenticate() {
  const int port = Device().gPort;
  const int status = GetSamStatus(port, 0);
  if (status < 0) return status;
  if (status != kReaderSuccess || !IsReaderPort(port)) return 0;
  int found[1] = {};
  const int search = StartFindIdCard(port, found, 0);
  if (search < 0) return search;
  if (search != kCardFound) return 0;
  int selected[2] = {};
  const int select = SelectIdCard(port, selected, 0);
  if (select < 0) return select;
  return select == kReaderSuccess ? 1 : 0;
}

int GetSamIdToStr(int port, char* out, int openFirst) {
  const PortUse use(port, openFirst);
  if (!use.Open()) return kBadPort;
  std::uint8_t id[kSamIdSize] = {};
  bool reached = false;
  const int result = ReadSamIdBytes(port, use, id, &reached);
  if (!reached) return result;
  const std::string text = SamIdString(id);
  if (out) std::memcpy(out, text.data(), text.size());
  return result;
}

int GetSamIdText(char* out) {
  const int port = Device().gPort;
  if (!out || !IsReaderPort(port)) return 0;
  std::memset(out, 0, kSamIdTextBuffer);
  const int result = GetSamIdToStr(port, out, 0);
  if (result < 0) return result;
  return result == kReaderSuccess ? 1 : 0;
}

}  // namespace vantel
