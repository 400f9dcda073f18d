#include "library/answers/device_operations.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "library/answers/json_result.h"
#include "library/answers/reader_entries.h"
#include "library/device/hex_text.h"
#include "library/device/reader_settings.h"
#include "library/device/text_conversions.h"

namespace vantel {
namespace {

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

int Number(const char* text) { return static_cast<int>(std::strtoul(text, nullptr, 10)); }

int KeyType(const char* keyType) { return Number(keyType) == 1 ? kM1KeyA : kM1KeyB; }

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
    const bool readOk =
        Entries().ZRT_GetSAMID(Entries().CurrentPort(), bytes, 0) == kReaderSuccess;
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

// An operation's resultFlag and errorMsg.
struct Outcome {
  int flag;
  const char* message;
};

// The outcome of a reader call's result by its row; `other` for a result without one.
struct ResultRow {
  int result;
  Outcome outcome;
};
Outcome MapResult(int result, std::initializer_list<ResultRow> rows, Outcome other) {
  for (const ResultRow& row : rows)
    if (row.result == result) return row.outcome;
  return other;
}

Outcome ReadIcCardSerial(char* serial) {
  if (!OpenReader()) return {-1, "设备打开失败"};
  if (Entries().Kestor_IC_FindCard() == 0) return {-2, "找IC卡失败"};
  if (Entries().Kestor_IC_HL_ReadCardSN(serial) == 0) return {-3, "读IC卡序列号失败"};
  return {0, "读IC卡序列号成功"};
}

Outcome ReadM1Block(const char* sid, const char* bid, const char* keyType, const char* key,
                    std::string* data) {
  if (!sid || !bid || !keyType || !key || std::strlen(key) > kMaxKeyDigits) return {-4, "参数错误"};
  unsigned char keyBytes[256] = {};
  ConvertHex(key, keyBytes);
  if (!OpenReader()) return {-1, "打开设备失败"};
  if (!FoundM1Card()) return {-2, "找IC卡失败"};
  unsigned char block[kM1BlockSize] = {};
  const int read = Entries().Kestor_IC_HL_ReadCard(Number(sid), Number(bid), KeyType(keyType),
                                                   keyBytes, block);
  if (read == 1) *data = Hex(block, kM1BlockSize);
  return MapResult(read,
                   {{1, {0, "读M1卡扇区内容成功"}}, {-1, {-4, "参数错误"}}, {-3, {-3, "秘钥或卡类型错误"}}},
                   {-5, "读M1卡扇区内容失败"});
}

Outcome WriteM1Block(const char* sid, const char* bid, const char* keyType, const char* key,
                     const char* data) {
  if (!sid || !bid || !keyType || !key || !data || std::strlen(key) > kMaxKeyDigits ||
      std::strlen(data) > kMaxDataDigits)
    return {-3, "参数错误"};
  unsigned char keyBytes[256] = {};
  ConvertHex(key, keyBytes);
  if (!OpenReader()) return {-1, "打开设备失败"};
  if (!FoundM1Card()) return {-2, "找IC卡失败"};
  unsigned char dataBytes[64] = {};
  ConvertHex(data, dataBytes);
  const int written = Entries().Kestor_IC_HL_WriteCard(Number(sid), Number(bid), KeyType(keyType),
                                                       keyBytes, dataBytes);
  return MapResult(written,
                   {{1, {0, "写M1卡扇区内容成功"}}, {-3, {-3, "秘钥或卡类型错误"}}, {-1, {-3, "参数错误"}}},
                   {-4, "写M1卡扇区内容失败"});
}

Outcome SendApdu(const char* apdu, const char* out, int* length, std::string* data) {
  if (!apdu || !*apdu || !out) return {-8, "参数错误"};
  if (!OpenReader()) return {-1, "设备打开失败"};
  if (Entries().Kestor_IC_FindCard() != 2) return {-2, "当前卡片非CPU卡"};
  if (Entries().Kestor_CPUCard_Active() != 1) return {-3, "CPU卡激活失败"};
  // Kestor_APDU may deliver more than one answer holds: room for all it can write.
  unsigned char response[1024] = {};
  const int sent = Entries().Kestor_APDU(apdu, response, length);
  if (sent == 1 && *length >= 0 && *length <= kMaxAnsweredApduBytes) {
    *data = Hex(response, *length);
    return {0, "CPU卡指令发送成功"};
  }
  // An answer longer than the caller's buffer holds fails as a refused exchange does.
  return MapResult(sent == 1 ? 0 : sent,
                   {{-1, {-6, "APDU指令超长"}}, {-2, {-5, "通讯错误"}}, {-3, {-4, "不支持端口协议"}}},
                   {-7, "CPU卡指令发送失败"});
}

}  // namespace

int AnswerPort() { return Entries().UseHid() ? kHidPort : kUsbPortFirst; }

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
  const Outcome outcome = ReadIcCardSerial(serial);
  const bool readOk = outcome.flag == 0;
  CopyAnswer(Answer(outcome.flag,
                    NumberMember("ICCardtypeCode", readOk ? 1 : 0) + "," +
                        TextMember("ICCardtype", readOk ? "M1-S50卡" : "") + "," +
                        TextMember("ICCardSN", serial),
                    outcome.message),
             out);
}

void readM1Card(const char* sid, const char* bid, const char* keyType, const char* key, char* out) {
  std::string data;
  const Outcome outcome = ReadM1Block(sid, bid, keyType, key, &data);
  CopyAnswer(Answer(outcome.flag, TextMember("Data", data), outcome.message), out);
  if (outcome.flag == 0) Entries().DoubleBeep();
}

void writeM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                 const char* data, char* out) {
  Entries().Log("writeM1Card sid: %s bid: %s keyType: %s key: %s data: %s", OrNull(sid),
                OrNull(bid), OrNull(keyType), OrNull(key), OrNull(data));
  const Outcome outcome = WriteM1Block(sid, bid, keyType, key, data);
  CopyAnswer(MakeErrorResult(outcome.flag, outcome.message), out);
}

void handleAPDUCMD(const char* apdu, char* out) {
  int length = 0;
  std::string data;
  const Outcome outcome = SendApdu(apdu, out, &length, &data);
  CopyAnswer(Answer(outcome.flag, NumberMember("DataLen", length) + "," + TextMember("Data", data),
                    outcome.message),
             out);
}

void dxKestor_Mute(int flag, char* out) {
  CopyAnswer(MakeErrorResult(Entries().Kestor_Mute(flag), "设置成功"), out);
}

void dxKestor_RepeatRead(int flag, char* out) {
  CopyAnswer(MakeErrorResult(Entries().Kestor_RepeatRead(flag), "设置成功"), out);
}

}  // namespace vantel
