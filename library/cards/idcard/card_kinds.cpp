#include "library/cards/idcard/card_kinds.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "library/cards/debug_log.h"
#include "library/cards/idcard/base_msg_frame.h"
#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/record_layouts.h"
#include "library/cards/jpeg/jpeg_converter.h"
#include "library/cards/photo/wlt_decoder.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

constexpr int kPermitRefused = -4;
constexpr int kHighestPermitComPort = 16;
constexpr std::size_t kBitmapBufferSize = 51200;
constexpr std::uint32_t kPauseBeforeJpegMs = 50;

int ReadMessage(CardMessage* message) {
  return ReadBaseMsg(Device().gPort, message->text, &message->textLength, message->photo,
                     &message->photoLength, 0);
}

bool AllGiven(char* const* fields, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (!fields[i]) return false;
  return true;
}

bool WriteBitmap(const std::string& path, const std::uint8_t* bitmap, int length) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool whole = std::fwrite(bitmap, 1, static_cast<std::size_t>(length), file) ==
                     static_cast<std::size_t>(length);
  std::fclose(file);
  return whole;
}

// Both foreign decoders: port, read, kind 'I' (byte 249 not looked at), photo files.
bool ReadForeignCard(CardMessage* message) {
  if (!DecoderAcceptsPort(Device().gPort)) return false;
  if (ReadMessage(message) != kReaderSuccess || message->text[kCardKindAt] != kForeignMark)
    return false;
  return WritePhotoFiles(LibraryPhotoFolder(), message->photo);
}

}  // namespace

bool DecoderAcceptsPort(int port) {
  return IsComPort(port) || IsUsbPort(port) || port == kHidPort || port == kPcscPort;
}
bool PermitAcceptsPort(int port) {
  return (port >= 1 && port <= kHighestPermitComPort) || IsUsbPort(port) || port == kHidPort ||
         port == kPcscPort;
}

std::string LibraryPhotoFolder() { return LibraryFolder() + platform::kPathSeparator; }

bool WritePhotoFiles(const std::string& folder, const std::uint8_t* photo) {
  const std::string bmp = folder + "photo.bmp";
  const std::string jpg = folder + "photo.jpg";
  std::remove(bmp.c_str());
  std::remove(jpg.c_str());
  static std::uint8_t bitmap[kBitmapBufferSize];
  std::memset(bitmap, 0, sizeof bitmap);
  int length = 0;
  if (WltToBitmap(photo, bitmap, &length) == 1 && !WriteBitmap(bmp, bitmap, length)) return false;
  platform::SleepMs(kPauseBeforeJpegMs);
  ConvertToJpeg(bmp.c_str(), jpg.c_str());
  return true;
}

void DecodeForeignShortRecord(const std::uint8_t* text, char* const* fields) {
  DecodeRecord(text, kForeignLayout, kForeignShortFieldCount, fields);
  char* const authority[] = {Device().gForeignAuthorityCode};
  DecodeRecord(text, kForeignLayout + kForeignAuthorityField, 1, authority);
}

int DecideIdCardType() {
  DropCachedBaseMsg();
  CachedBaseMsg& cache = Device().gCachedBaseMsg;
  const int result = ReadBaseMsg(Device().gPort, cache.g_pucCHMsg, &cache.textLength, cache.photo,
                                 &cache.photoLength, 0);
  Settings().table[kReadBaseMsgRet] = result;
  DebugLogf("ZRT_ReadBaseMsg 的返回值：g_readBaseMsgRet=%2x ", result);
  if (result != kReaderSuccess) return result;
  cache.gBaseMsgCached = true;
  DebugLogf("卡类型标志位：g_pucCHMsg[248]=%2x ", cache.g_pucCHMsg[kCardKindAt]);
  return DecideCardKind(cache.g_pucCHMsg);
}

void DropCachedBaseMsg() { Device().gCachedBaseMsg = CachedBaseMsg{}; }

int ReadBaseInfos(char* name, char* gender, char* nation, char* birthDate, char* idNumber,
                  char* address, char* authority, char* startDate, char* endDate) {
  WriteDebugLog("********** enter ReadBaseInfos **********");
  char* const fields[kResidentFieldCount] = {name,     gender,  nation,    birthDate, idNumber,
                                              address, authority, startDate, endDate};
  if (!AllGiven(fields, kResidentFieldCount) || !DecoderAcceptsPort(Device().gPort)) return 0;
  CardMessage message;
  const int result = ReadMessage(&message);
  DebugLogf("ReadBaseInfos 接口中 ZRT_ReadBaseMsg返回值%d", result);
  if (result != kReaderSuccess) {
    std::printf("ZRT_ReadBaseMsg=%d\r\n", result);
    return 0;
  }
  if (DecideCardKind(message.text) == kForeignCard) return 0;
  DecodeRecord(message.text, kResidentLayout, kResidentFieldCount, fields);
  WriteDebugLog("ReadBaseInfos 接口中文本信息解析完成");
  return 1;
}

int ReadForeignBaseInfos(char* const fields[kForeignShortFieldCount]) {
  CardMessage message;
  if (!AllGiven(fields, kForeignShortFieldCount) || !ReadForeignCard(&message)) return 0;
  DecodeForeignShortRecord(message.text, fields);
  return 1;
}

int ReadAllForeignBaseInfos(char* const fields[kForeignFieldCount]) {
  CardMessage message;
  if (!AllGiven(fields, kForeignFieldCount) || !ReadForeignCard(&message)) return 0;
  DecodeRecord(message.text, kForeignLayout, kForeignFieldCount, fields);
  return 1;
}

int ReadAllGatBaseInfos(char* const fields[kPermitFieldCount]) {
  WriteDebugLog("*****enter Kestor_ReadAllGATBaseInfos*****");
  if (!AllGiven(fields, kPermitFieldCount)) return 0;
  if (!PermitAcceptsPort(Device().gPort)) return kPermitRefused;
  CardMessage message;
  const int result = ReadMessage(&message);
  DebugLogf("ZRT_ReadBaseMsg的返回值： ret=%2x", result);
  if (result != kReaderSuccess) return kPermitRefused;
  DebugLogf("ZRT_ReadBaseMsg的标志位： uchRespond[248]=%2x", message.text[kCardKindAt]);
  if (message.text[kCardKindAt] != kPermitMark) return 0;
  if (!WritePhotoFiles(platform::TempFolderPath(), message.photo)) return 0;
  WriteDebugLog("文本解析");
  DecodeRecord(message.text, kPermitLayout, kPermitFieldCount, fields);
  return 1;
}

}  // namespace vantel
