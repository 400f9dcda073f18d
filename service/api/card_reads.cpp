#include "service/api/card_reads.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "library/answers/card_answer.h"
#include "library/answers/json_result.h"
#include "library/answers/read_file_base64.h"
#include "library/cards/string_functions.h"
#include "library/device/reader_settings.h"
#include "library/device/text_conversions.h"
#include "library/exports/idcard_exports.h"
#include "library/exports/port_exports.h"
#include "platform/clock.h"
#include "service/api/api_handler.h"
#include "service/api/card_decoding.h"
#include "service/api/photo_files.h"
#include "service/shell/service_log.h"

namespace lumarin {

ServiceBaseMsg gServiceBaseMsg;

namespace {

constexpr int kReaderPort = vantel::kUsbPortFirst;
constexpr unsigned kPhotoSize = 1024;
constexpr long kPhotoTextCapacity = 81920;
constexpr long kImageTextCapacity = 204800;
constexpr const char* kCardImageFiles[] = {"card.jpg", "1.jpg", "2.jpg"};

int Elapsed(std::uint32_t started) { return static_cast<int>(platform::TickCountMs() - started); }

// The steps before the photo, shared by both reads; "" when they succeeded. Only the card
// read logs its timings.
const char* OpenAuthenticateAndRead(std::uint32_t started, bool timed) {
  const int opened = InitComm(kReaderPort);
  if (timed) ServiceLogf("init time : %dms", Elapsed(started));
  if (opened == 0) return "端口打开失败";
  ServiceLogf("端口打开成功");
  if (Authenticate() == 0) return "卡片认证失败或无卡";
  ServiceLogf("卡认证成功");
  std::memset(&gServiceBaseMsg, 0, sizeof gServiceBaseMsg);
  const int read = ZRT_ReadBaseMsg(kReaderPort, gServiceBaseMsg.text, &gServiceBaseMsg.textLength,
                                   gServiceBaseMsg.photo, &gServiceBaseMsg.photoLength, 0);
  if (timed) ServiceLogf("read card time : %dms", Elapsed(started));
  return read == vantel::kReaderSuccess ? "" : "读卡失败";
}

vantel::CardAnswerFields DecodedFields() {
  const int kind = DecideIDCardType(gServiceBaseMsg.text);
  ServiceLogf("DecideIDCardType的返回值 ret=%d", kind);
  return CardAnswerFieldsOf(gServiceBaseMsg.text, kind);
}

std::string PhotoSourceText() {
  if (gServiceBaseMsg.photoLength != kPhotoSize) return std::string();
  char text[2048] = {};
  vantel::Base64Encode(text, gServiceBaseMsg.photo, static_cast<int>(kPhotoSize));
  return text;
}

// An earlier read's files must never stand in for this card's: another holder's photo would
// be answered and signed.
void RemoveEarlierFiles(bool withImages) {
  std::remove(CardFilePath(nullptr, "photo.bmp").c_str());
  std::remove(CardFilePath(nullptr, "photo.jpg").c_str());
  if (!withImages) return;
  for (const char* name : kCardImageFiles) std::remove(CardFilePath(nullptr, name).c_str());
}

// The file's base64 text, or false when it cannot be read whole into `capacity` bytes.
bool ReadTempFileBase64(const char* name, long capacity, std::string& text) {
  std::vector<char> buffer(static_cast<std::size_t>(capacity), '\0');
  if (vantel::ReadFileBase64(CardFilePath(nullptr, name).c_str(), buffer.data(), capacity) != 0)
    return false;
  text = buffer.data();
  return true;
}

// Copies the answer out; one that would not fit the caller's buffer once converted to UTF-8
// (with its NUL) is answered as a failed image read instead.
void Answer(std::string answer, char* out, int* outLen) {
  if (vantel::AnsiToUtf8(answer.c_str()).size() + 1 > kAnswerBufferSize)
    answer = vantel::MakeErrorResult(-1, "打开照片失败");
  vantel::CopyAnswer(answer, out);
  if (outLen) *outLen = static_cast<int>(answer.size());
}

}  // namespace

int ServiceReadCard(char* out, int* outLen) {
  ServiceLogf("********************enter dll readCard********************");
  const std::uint32_t started = platform::TickCountMs();
  std::string answer;
  if (const char* failure = OpenAuthenticateAndRead(started, true); *failure) {
    answer = vantel::MakeErrorResult(-1, failure);
  } else {
    vantel::CardAnswerFields fields = DecodedFields();
    vantel::CardPictures pictures;
    pictures.identityPhotoSrc = PhotoSourceText();
    RemoveEarlierFiles(false);
    WritePhotoFiles(nullptr, gServiceBaseMsg.photo, static_cast<int>(gServiceBaseMsg.photoLength),
                    true, true);
    if (!ReadTempFileBase64("photo.jpg", kPhotoTextCapacity, pictures.identityPic)) {
      answer = vantel::MakeErrorResult(-1, "生成头像失败");
    } else {
      // The answer layer signs as it formats: the signature's two lines come before it.
      ServiceLogf("create inputstr time : %dms", Elapsed(started));
      ServiceLogf("hash time : %dms", Elapsed(started));
      answer = vantel::FormatCardAnswer(fields, pictures);
      ServiceLogf("make json time : %dms", Elapsed(started));
    }
  }
  Answer(answer, out, outLen);
  ServiceLogf("finish time : %dms", Elapsed(started));
  return 0;
}

int ServiceReadCert(char* out, int* outLen) {
  ServiceLogf("********************enter readCert********************");
  std::string answer;
  if (const char* failure = OpenAuthenticateAndRead(0, false); *failure) {
    answer = vantel::MakeErrorResult(-1, failure);
  } else {
    vantel::CardAnswerFields fields = DecodedFields();
    vantel::CardPictures pictures;
    pictures.withImages = true;
    pictures.identityPhotoSrc = PhotoSourceText();
    RemoveEarlierFiles(true);
    MakeCardImages(nullptr, gServiceBaseMsg.text, static_cast<int>(gServiceBaseMsg.textLength),
                   gServiceBaseMsg.photo, static_cast<int>(gServiceBaseMsg.photoLength), true,
                   true);
    bool allRead = ReadTempFileBase64("photo.jpg", kPhotoTextCapacity, pictures.identityPic);
    std::string* images[] = {&pictures.identityPrintPic, &pictures.identityFrontPic,
                             &pictures.identityBackPic};
    for (int i = 0; i < 3; ++i) {
      if (ReadTempFileBase64(kCardImageFiles[i], kImageTextCapacity, *images[i])) continue;
      ServiceLogf("打开身份证复印件照片失败");
      allRead = false;
    }
    answer = allRead ? vantel::FormatCardAnswer(fields, pictures)
                     : vantel::MakeErrorResult(-1, "打开照片失败");
  }
  Answer(answer, out, outLen);
  return 0;
}

}  // namespace lumarin
