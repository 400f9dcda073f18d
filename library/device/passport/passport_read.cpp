#include "library/device/passport/passport_read.h"

#include <cstring>

#include "library/device/crypto/wipe_bytes.h"
#include "library/device/device_state.h"
#include "library/device/passport/bac.h"
#include "library/device/passport/secure_messaging.h"
#include "library/device/pcsc_transport.h"

namespace vantel {
namespace {

constexpr const char* kSelectApplication = "00a4040c07a0000002471001";
// A plain read of EF.COM; some readers want it before access control. Its answer is not used.
constexpr const char* kPlainProbe = "00b09E0006";
constexpr const char* kGetChallenge = "0084000008";
constexpr unsigned kAnswerBufferSize = 256;
constexpr std::uint8_t kFirstReadLength = 6;

struct Answer {
  std::uint8_t bytes[kAnswerBufferSize];
  unsigned length = 0;
  bool EndsWith9000(unsigned expectedLength) const {
    return length == expectedLength + 2 && bytes[expectedLength] == 0x90 && bytes[expectedLength + 1] == 0x00;
  }
};

// The codes of one file's steps.
struct FileCodes {
  int firstStatus, firstMac, tag, secondStatus, secondMac;
};
constexpr FileCodes kComCodes{kComFirstReadStatus, kComFirstReadMac, kComTag, kComSecondReadStatus,
                              kComSecondReadMac};
constexpr FileCodes kGroupCodes{kGroupFirstReadStatus, kGroupFirstReadMac, kGroupTag, kGroupSecondReadStatus,
                                kGroupSecondReadMac};

struct PassportFile {
  std::uint8_t shortId;
  std::uint8_t tag;
  int fixedSecondLength;  // 0: the file's length byte minus the first read's 4 data bytes
};
constexpr PassportFile kEfCom{0x1E, 0x60, 0};
constexpr PassportFile kDataGroups[] = {{0x01, 0x61, 0}, {0x0B, 0x6B, 0}, {0x02, 0x75, 0}, {0x0F, 0x6F, 159}};

bool PassportReaderOpen() {
  const DeviceState& device = Device();
  return device.gPort == kPcscPort && device.pcsc.gPcscCard != 0 && device.pcsc.gPcscCard != -1;
}

void Transmit(const std::uint8_t* command, unsigned length, Answer* answer) {
  answer->length = kAnswerBufferSize;
  PCSCTransmit(Device().pcsc.gPcscCard, length, command, &answer->length, answer->bytes);
}

void TransmitText(const char* text, Answer* answer) {
  const int textLength = static_cast<int>(std::strlen(text));
  std::uint8_t command[32];
  ParseHexText(text, command, textLength);
  Transmit(command, static_cast<unsigned>(textLength / 2), answer);
}

bool SelectApplication() {
  Answer answer;
  TransmitText(kSelectApplication, &answer);
  return answer.length >= 2 && answer.bytes[0] == 0x90 && answer.bytes[1] == 0x00;
}

bool IsOneMrzLine(const char* mrz) {
  if (!mrz) return false;
  int length = 0;
  while (length <= kMrzLineLength && mrz[length]) ++length;
  return length == kMrzLineLength;
}

// One protected READ BINARY and its answer: 0 and the data, or the step's status or MAC code.
int ProtectedRead(SecureChannel* channel, std::uint8_t p1, std::uint8_t p2, std::uint8_t le, int statusCode,
                  int macCode, std::uint8_t* data, std::size_t* dataLength) {
  std::uint8_t command[kProtectedReadLength];
  BuildProtectedRead(channel, p1, p2, le, command);
  Answer answer;
  Transmit(command, sizeof command, &answer);
  switch (OpenProtectedAnswer(channel, answer.bytes, answer.length, data, dataLength)) {
    case AnswerCheck::kGood: return 0;
    case AnswerCheck::kStatus: return statusCode;
    case AnswerCheck::kMac: break;
  }
  return macCode;
}

// The file's first six bytes by short file id, then the rest from where they ended.
int ReadFile(SecureChannel* channel, const PassportFile& file, const FileCodes& codes) {
  std::uint8_t data[kMaxProtectedData];
  std::size_t dataLength = 0;
  int result = ProtectedRead(channel, static_cast<std::uint8_t>(0x80 | file.shortId), 0x00, kFirstReadLength,
                             codes.firstStatus, codes.firstMac, data, &dataLength);
  if (result != 0) return result;
  // The length byte must have arrived with the tag.
  if (dataLength < 2 || data[0] != file.tag) return codes.tag;
  const int lengthByte = data[1];
  // EF.COM continues where its first answer ended; the data groups always at 6.
  const std::size_t offset = file.tag == kEfCom.tag ? dataLength : kFirstReadLength;
  const int rest = file.fixedSecondLength ? file.fixedSecondLength
                                          : lengthByte - (static_cast<int>(offset) - 2);
  result = ProtectedRead(channel, static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset),
                         static_cast<std::uint8_t>(rest), codes.secondStatus, codes.secondMac, data, &dataLength);
  WipeBytes(data, sizeof data);
  return result;
}

// GET CHALLENGE and MUTUAL AUTHENTICATE; 0 and the secure channel, or the step's code.
int Authenticate(const char* mrz, SecureChannel* channel) {
  std::uint8_t seed[16];
  MrzKeySeed(mrz, seed);
  BacKeys keys;
  BacKeysFromSeed(seed, &keys);
  WipeBytes(seed, sizeof seed);

  Answer answer;
  TransmitText(kGetChallenge, &answer);
  if (!answer.EndsWith9000(8)) return kGetChallengeFailed;
  std::uint8_t rndIc[8];
  std::memcpy(rndIc, answer.bytes, sizeof rndIc);

  IfdRandom random;
  if (!DrawIfdRandom(&random)) return kNoRandomValues;
  std::uint8_t command[kMutualAuthenticateLength];
  BuildMutualAuthenticate(keys, rndIc, random, command);
  Transmit(command, sizeof command, &answer);
  if (!answer.EndsWith9000(kAuthenticationDataLength)) return kMutualAuthenticateFailed;
  std::uint8_t decrypted[32];
  const bool authentic = OpenMutualAuthenticateAnswer(keys, answer.bytes, decrypted);
  WipeBytes(&keys, sizeof keys);
  if (!authentic) return kChipAuthenticationMac;
  const bool answered = AnswersThisChallenge(decrypted, rndIc, random);
  if (answered) StartSecureChannel(random, rndIc, decrypted + 16, channel);
  WipeBytes(decrypted, sizeof decrypted);
  WipeBytes(&random, sizeof random);
  return answered ? 0 : kMutualAuthenticateFailed;
}

}  // namespace

int FindPassport() { return PassportReaderOpen() && SelectApplication() ? 1 : 0; }

int ReadPassport(const char* mrz) {
  if (!PassportReaderOpen() || !SelectApplication()) return kNoPassportApplication;
  Answer ignored;
  TransmitText(kPlainProbe, &ignored);
  if (!IsOneMrzLine(mrz)) return kMrzNotOneLine;
  const int check = CheckMrzLine(mrz);
  if (check != 1) return check;

  SecureChannel channel;
  int result = Authenticate(mrz, &channel);
  if (result == 0) result = ReadFile(&channel, kEfCom, kComCodes);
  for (const PassportFile& group : kDataGroups) {
    if (result == 0) result = ReadFile(&channel, group, kGroupCodes);
  }
  WipeBytes(&channel, sizeof channel);
  return result;
}

}  // namespace vantel
