#include "library/answers/device_operations.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "library/answers/json_result.h"
#include "library/answers/reader_entries.h"
#include "library/device/hex_text.h"
#include "library/device/text_conversions.h"

namespace vantel {
namespace {

constexpr int kUsbAnswerPort = 1001;
constexpr int kHidAnswerPort = 8159;
constexpr int kSamOk = 144;
constexpr int kM1KeyA = 0x60;
constexpr int kM1KeyB = 0x61;
constexpr std::size_t kMaxKeyDigits = 512;   // the 256-byte key buffer
constexpr std::size_t kMaxDataDigits = 128;  // the 64-byte data buffer
constexpr int kM1BlockSize = 16;
constexpr int kSerialBufferSize = 64;

bool OpenReader() { return Entries().InitComm(AnswerPort()) != 0; }

std::string Hex(const unsigned char* bytes, int count) {
  std::string text;
  char digits[3];
  for (int i = 0; i < count; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    text += digits;
  }
  return text;
}

std::string Answer(int flag, const std::string& middle, const std::string& message) {
  return "{" + NumberMember("resultFlag", flag) + "," + middle + "," +
         TextMember("errorMsg", message) + "}";
}

// The M1 card kinds the block commands work on.
bool FoundM1Card() {
  const int kind = Entries().Kestor_IC_FindCard();
  return kind >= 1 && kind <= 4;
}

int KeyType(const char* keyType) {
  return std::strtoul(keyType, nullptr, 10) == 1 ? kM1KeyA : kM1KeyB;
}

void ConvertHex(const char* text, unsigned char* out) {
  HexToBytes(text, out, static_cast<int>(std::strlen(text)));
}

// The serial operations share one shape: open, ask, answer with the serial text.
void SerialAnswer(int(VANTEL_STDCALL* read)(char*), const char* member, const char* success,
                  const char* failure, bool beep, char* out) {
  char serial[kSerialBufferSize] = {};
  int flag = -1;
  const char* message = "打开端口失败";
  if (OpenReader()) {
    const bool readOk = read(serial) != 0;
    flag = readOk ? 0 : -1;
    message = readOk ? success : failure;
    if (readOk && beep) Entries().DoubleBeep();
  }
  CopyAnswer(Answer(flag, TextMember(member, serial), message), out);
}

// The SAM id read both forms share: "" when the port does not open, else the zero id when
// the SAM does not answer.
void SamIdAnswer(bool dotted, char* out) {
  char text[37] = {};
  int flag = -1;
  const char* message = "打开端口失败";
  if (OpenReader()) {
    unsigned char bytes[16] = {};
    const bool readOk = Entries().ZRT_GetSAMID(Entries().CurrentPort(), bytes, 0) == kSamOk;
    flag = readOk ? 0 : -1;
    message = readOk ? "读安全模块序列号成功" : "读安全模块序列号失败";
    // What a failed read left in the buffer is no id.
    if (!readOk) std::memset(bytes, 0, sizeof bytes);
    const SamId id = SamIdFromBytes(bytes);
    if (dotted) {
      FormatSamIdText(text, id);
    } else {
      char whole[64];
      std::snprintf(whole, sizeof whole, "%.2d%.2d%.8u%.10u%.10u", id.first, id.second, id.third,
                    id.fourth, id.fifth);
      std::memcpy(text, whole, std::min(std::strlen(whole), sizeof text - 1));
    }
  }
  CopyAnswer(Answer(flag, TextMember("SAMID", text), message), out);
}

const char* OrNull(const char* text) { return text ? text : "(null)"; }

}  // namespace

int AnswerPort() { return Entries().UseHid() ? kHidAnswerPort : kUsbAnswerPort; }

void dxconnect(char* out) {
  Entries().Log("enter dxconnect");
  const bool opened = OpenReader();
  CopyAnswer(Answer(opened ? 0 : -1, NumberMember("isCloud", 1),
                    opened ? "打开端口成功" : "打开端口失败"),
             out);
}

void dxdisconnect(char* out) {
  const bool closed = Entries().CloseComm() == 1;
  CopyAnswer(MakeErrorResult(closed ? 0 : -1, closed ? "断开连接成功" : "断开连接失败"), out);
}

void dxgetStatus(char* out) {
  const bool opened = OpenReader();
  CopyAnswer("{" + NumberMember("resultFlag", 0) + "," +
                 TextMember("errorMsg", opened ? "正常连接" : "未连接或打开端口失败") + "," +
                 NumberMember("status", opened ? 0 : 1) + "}",
             out);
}

void dxgetVersion(char* out) {
  const bool opened = OpenReader();
  CopyAnswer(Answer(opened ? 0 : -1,
                    TextMember("versionSerial", "1.0.0.7") + "," + NumberMember("venderId", 10008),
                    opened ? "打开端口成功" : "打开端口失败"),
             out);
}

void readICCardSN(char* out) {
  SerialAnswer(Entries().Kestor_IC_HL_ReadCardSN, "ICCardSerial", "读IC卡序列号成功",
               "读IC卡序列号失败", true, out);
}

void readIDCardSN(char* out) {
  SerialAnswer(Entries().ReadIINSNDN, "IDCardSerial", "读ID卡序列号成功", "读ID卡序列号失败",
               false, out);
}

void dxgetSAMID(char* out) { SamIdAnswer(false, out); }

void dxgetSAMIDStr(char* out) { SamIdAnswer(true, out); }

void dxReadICCardSN(char* out) {
  char serial[kSerialBufferSize] = {};
  int flag = 0;
  const char* message = "读IC卡序列号成功";
  if (!OpenReader()) {
    flag = -1, message = "设备打开失败";
  } else if (Entries().Kestor_IC_FindCard() == 0) {
    flag = -2, message = "找IC卡失败";
  } else if (Entries().Kestor_IC_HL_ReadCardSN(serial) == 0) {
    flag = -3, message = "读IC卡序列号失败";
  }
  const bool readOk = flag == 0;
  CopyAnswer(Answer(flag,
                    NumberMember("ICCardtypeCode", readOk ? 1 : 0) + "," +
                        TextMember("ICCardtype", readOk ? "M1-S50卡" : "") + "," +
                        TextMember("ICCardSN", serial),
                    message),
             out);
}

void readM1Card(const char* sid, const char* bid, const char* keyType, const char* key, char* out) {
  unsigned char block[kM1BlockSize] = {};
  std::string data;
  int flag = -4;
  const char* message = "参数错误";
  if (sid && bid && keyType && key && std::strlen(key) <= kMaxKeyDigits) {
    unsigned char keyBytes[256] = {};
    ConvertHex(key, keyBytes);
    if (!OpenReader()) {
      flag = -1, message = "打开设备失败";
    } else if (!FoundM1Card()) {
      flag = -2, message = "找IC卡失败";
    } else {
      const int read = Entries().Kestor_IC_HL_ReadCard(
          static_cast<int>(std::strtoul(sid, nullptr, 10)),
          static_cast<int>(std::strtoul(bid, nullptr, 10)), KeyType(keyType), keyBytes, block);
      if (read == 1) {
        flag = 0, message = "读M1卡扇区内容成功";
        data = Hex(block, kM1BlockSize);
      } else if (read == -1) {
        flag = -4, message = "参数错误";
      } else if (read == -3) {
        flag = -3, message = "秘钥或卡类型错误";
      } else {
        flag = -5, message = "读M1卡扇区内容失败";
      }
    }
  }
  CopyAnswer(Answer(flag, TextMember("Data", data), message), out);
  if (flag == 0) Entries().DoubleBeep();
}

void writeM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                 const char* data, char* out) {
  Entries().Log("writeM1Card sid: %s bid: %s keyType: %s key: %s data: %s", OrNull(sid),
                OrNull(bid), OrNull(keyType), OrNull(key), OrNull(data));
  int flag = -3;
  const char* message = "参数错误";
  if (sid && bid && keyType && key && data && std::strlen(key) <= kMaxKeyDigits &&
      std::strlen(data) <= kMaxDataDigits) {
    unsigned char keyBytes[256] = {};
    unsigned char dataBytes[64] = {};
    ConvertHex(key, keyBytes);
    if (!OpenReader()) {
      flag = -1, message = "打开设备失败";
    } else if (!FoundM1Card()) {
      flag = -2, message = "找IC卡失败";
    } else {
      ConvertHex(data, dataBytes);
      const int written = Entries().Kestor_IC_HL_WriteCard(
          static_cast<int>(std::strtoul(sid, nullptr, 10)),
          static_cast<int>(std::strtoul(bid, nullptr, 10)), KeyType(keyType), keyBytes,
          dataBytes);
      if (written == 1) {
        flag = 0, message = "写M1卡扇区内容成功";
      } else if (written == -3) {
        flag = -3, message = "秘钥或卡类型错误";
      } else if (written == -1) {
        flag = -3, message = "参数错误";
      } else {
        flag = -4, message = "写M1卡扇区内容失败";
      }
    }
  }
  CopyAnswer(MakeErrorResult(flag, message), out);
}

void handleAPDUCMD(const char* apdu, char* out) {
  // Kestor_APDU may deliver more than one answer holds: room for all it can write.
  unsigned char response[1024] = {};
  int length = 0;
  std::string data;
  int flag = -8;
  const char* message = "参数错误";
  if (apdu && *apdu && out) {
    if (!OpenReader()) {
      flag = -1, message = "设备打开失败";
    } else if (Entries().Kestor_IC_FindCard() != 2) {
      flag = -2, message = "当前卡片非CPU卡";
    } else if (Entries().Kestor_CPUCard_Active() != 1) {
      flag = -3, message = "CPU卡激活失败";
    } else {
      const int sent = Entries().Kestor_APDU(apdu, response, &length);
      if (sent == 1 && length >= 0 && length <= kMaxAnsweredApduBytes) {
        flag = 0, message = "CPU卡指令发送成功";
        data = Hex(response, length);
      } else if (sent == -1) {
        flag = -6, message = "APDU指令超长";
      } else if (sent == -2) {
        flag = -5, message = "通讯错误";
      } else if (sent == -3) {
        flag = -4, message = "不支持端口协议";
      } else {
        flag = -7, message = "CPU卡指令发送失败";
      }
    }
  }
  CopyAnswer(Answer(flag, NumberMember("DataLen", length) + "," + TextMember("Data", data), message),
             out);
}

void dxKestor_Mute(int flag, char* out) {
  CopyAnswer(MakeErrorResult(Entries().Kestor_Mute(flag), "设置成功"), out);
}

void dxKestor_RepeatRead(int flag, char* out) {
  CopyAnswer(MakeErrorResult(Entries().Kestor_RepeatRead(flag), "设置成功"), out);
}

}  // namespace vantel
