#include "library/answers/library_card_answers.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <cstdlib>
#include <cstring>
#include <string>

#include "library/answers/card_answer.h"
#include "library/answers/device_operations.h"
#include "library/answers/json_result.h"
#include "library/answers/read_file_base64.h"
#include "library/cards/debug_log.h"
#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/card_search.h"
#include "library/cards/idcard/record_layouts.h"
#include "library/cards/simple/simple_reads.h"
#include "library/device/commands/device_commands.h"
#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "library/device/text_conversions.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

constexpr int kFieldSize = 128;  // more than any field of the three layouts
constexpr int kMaxFields = 14;
constexpr long kPhotoBase64Size = 81920;
constexpr long kImageBase64Size = 204800;
constexpr int kPhotoSrcSize = 2048;
constexpr unsigned kCardPhotoSize = 1024;
constexpr std::size_t kInfoTextSize = 256;

// The decoders' caller buffers.
struct DecodedFields {
  char text[kMaxFields][kFieldSize] = {};
  char* at[kMaxFields];
  DecodedFields() {
    for (int i = 0; i < kMaxFields; ++i) at[i] = text[i];
  }
  std::string operator[](int i) const { return text[i]; }
};

// The "time" log lines of readCard: milliseconds since the read began. readCert has none.
class StepClock {
 public:
  explicit StepClock(bool timed) : timed_(timed), start_(platform::TickCountMs()) {}
  void Log(const char* format) const {
    if (timed_) DebugLogf(format, static_cast<int>(platform::TickCountMs() - start_));
  }

 private:
  bool timed_;
  std::uint32_t start_;
};

// A file's base64 text through a buffer of `capacity` bytes; false when it is not read.
bool ReadBase64(const std::string& path, long capacity, std::string* text) {
  std::string buffer(static_cast<std::size_t>(capacity), '\0');
  if (ReadFileBase64(path.c_str(), &buffer[0], capacity) != 0) return false;
  *text = buffer.c_str();
  return true;
}

// How a read decodes the card: readCard with the decoders, which leave the photo to it;
// readCert with the photo readers, which write "photo.jpg" and the card images into the
// temporary folder.
enum class Decoders { kFields, kWithPhotoFiles };

int DecodeResident(Decoders decoders, const StepClock& clock, DecodedFields& d) {
  if (decoders == Decoders::kWithPhotoFiles) {
    const int result = ReadBaseInfosPhoto(d.at, platform::TempFolderPath().c_str());
    DebugLogf("ReadBaseInfosPhoto的返回值 ret=%d", result);
    return result;
  }
  const int result =
      ReadBaseInfos(d.at[0], d.at[1], d.at[2], d.at[3], d.at[4], d.at[5], d.at[6], d.at[7], d.at[8]);
  DebugLogf("ReadBaseInfos的返回值 ret=%d", result);
  clock.Log("read base time : %dms");
  return result;
}

int DecodeForeign(Decoders decoders, DecodedFields& d) {
  return decoders == Decoders::kWithPhotoFiles
             ? ReadAllForeignBaseInfosPhoto(d.at, platform::TempFolderPath().c_str())
             : ReadAllForeignBaseInfos(d.at);
}

int DecodePermit(Decoders decoders, DecodedFields& d) {
  return decoders == Decoders::kWithPhotoFiles
             ? ReadAllGatBaseInfosPhoto(d.at, platform::TempFolderPath().c_str())
             : ReadAllGatBaseInfos(d.at);
}

// Decodes the card of `kind` into the answer's fields; false when the kind is unknown or
// its decoder fails.
bool DecodeCardFields(int kind, Decoders decoders, const StepClock& clock,
                      CardAnswerFields* fields) {
  DecodedFields d;
  if (kind == kResidentCard) {
    if (DecodeResident(decoders, clock, d) != 1) return false;
    *fields = {kResidentCertType, d[0], d[1], d[2], d[3], d[5], d[4], d[6], d[7], d[8]};
  } else if (kind == kForeignCard) {
    if (DecodeForeign(decoders, d) != 1) return false;
    *fields = {kForeignCertType, d[0], d[1], d[3], d[5], "", d[2], d[9], d[6], d[7]};
  } else if (kind == kPermitCard) {
    if (DecodePermit(decoders, d) != 1) return false;
    *fields = {PermitCertType(d[9]), d[0], d[1], "", d[3], d[4], d[5], d[6], d[7], d[8]};
  } else {
    return false;
  }
  TrimCardFields(*fields);
  fields->gender = GenderCode(fields->gender);
  return true;
}

// readCard's photo: this card's photo decoded and converted in the temporary folder.
std::string PhotoOfReadCard(const StepClock& clock, CardPictures* pictures) {
  const std::string folder = platform::TempFolderPath();
  if (!WritePhotoFiles(folder, Device().gCachedBaseMsg.photo)) return "打开照片失败";
  if (!ReadBase64(folder + "photo.jpg", kPhotoBase64Size, &pictures->identityPic)) {
    WriteDebugLog("打开头像照片失败");
    return "打开照片失败";
  }
  WriteDebugLog("获取头像照片base64成功");
  clock.Log("proc img time : %dms");
  return "";
}

// readCert's photo and card images, as the photo readers left them; every file is read even
// after a failure.
std::string PicturesOfReadCert(CardPictures* pictures) {
  const std::string folder = platform::TempFolderPath();
  pictures->withImages = true;
  bool allRead = ReadBase64(folder + "photo.jpg", kPhotoBase64Size, &pictures->identityPic);
  WriteDebugLog(allRead ? "获取头像照片base64成功" : "打开头像照片失败");
  for (auto [file, text] : {std::pair{"card.jpg", &pictures->identityPrintPic},
                            std::pair{"1.jpg", &pictures->identityFrontPic},
                            std::pair{"2.jpg", &pictures->identityBackPic}}) {
    const bool read = ReadBase64(folder + file, kImageBase64Size, text);
    WriteDebugLog(read ? "获取身份证复印件照片base64成功" : "打开身份证复印件照片失败");
    allRead = allRead && read;
  }
  return allRead ? "" : "打开照片失败";
}

// The card found: its kind, fields and pictures; "" and the answer, or the failure message.
std::string AnswerFoundCard(Decoders decoders, const StepClock& clock, std::string* answer) {
  const int kind = DecideIdCardType();
  clock.Log("decide card time : %dms");
  DebugLogf("Kestor_DecideIDCardType的返回值 ret=%d", kind);
  CardAnswerFields fields;
  if (!DecodeCardFields(kind, decoders, clock, &fields)) return "读卡失败";

  const CachedBaseMsg& cache = Device().gCachedBaseMsg;
  CardPictures pictures;
  if (cache.photoLength == kCardPhotoSize) {
    char photoSrc[kPhotoSrcSize] = {};
    Base64Encode(photoSrc, cache.photo, static_cast<int>(kCardPhotoSize));
    pictures.identityPhotoSrc = photoSrc;
  }
  const std::string failure = decoders == Decoders::kWithPhotoFiles
                                  ? PicturesOfReadCert(&pictures)
                                  : PhotoOfReadCard(clock, &pictures);
  if (!failure.empty()) return failure;

  *answer = FormatCardAnswer(fields, pictures);
  clock.Log("create inputstr time : %dms");
  clock.Log("hash time : %dms");
  clock.Log("make json time : %dms");
  return "";
}

// Everything after the port opened: "" and the answer, or the failure message.
std::string ReadCardAnswer(Decoders decoders, const StepClock& clock, std::string* answer) {
  if (Authenticate() != 1) return "卡片认证失败或无卡";
  WriteDebugLog("卡认证成功");
  const std::string failure = AnswerFoundCard(decoders, clock, answer);
  DropCachedBaseMsg();
  return failure;
}

// Both reads: open 1001, read, answer; the answer's bytes and length go to the caller.
void AnswerCardRead(Decoders decoders, const StepClock& clock, char* out, int* outLen) {
  std::string answer;
  std::string failure = "端口打开失败";
  const int opened = InitComm(AnswerPort());
  clock.Log("init time : %dms");
  if (opened != 0) {
    WriteDebugLog("端口打开成功");
    failure = ReadCardAnswer(decoders, clock, &answer);
  }
  if (!failure.empty()) answer = MakeErrorResult(-1, failure);
  if (out && outLen) {
    CopyAnswer(answer, out);
    *outLen = static_cast<int>(answer.size());
  }
  clock.Log("finish time : %dms");
}

std::string ValidityText(const std::string& start, const std::string& end) {
  return start + "-" + (std::strtol(end.c_str(), nullptr, 10) != 0 ? end : std::string("永久"));
}

// The fields joined by "|", cut to what `out` holds with its NUL.
void CopyInfoText(std::initializer_list<std::string> fields, char* out) {
  std::string text;
  for (const std::string& field : fields) text += field + "|";
  text.pop_back();
  const std::size_t length = std::min(text.size(), kInfoTextSize - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

// The ten "|" fields of a resident (1) or foreign (2) card; 0 for any other kind or a
// failed read.
int ReadInfoText(char* out) {
  DecodedFields d;
  const int kind = DecideIdCardType();
  if (kind == kResidentCard) {
    if (ReadBaseInfos(d.at[0], d.at[1], d.at[2], d.at[3], d.at[4], d.at[5], d.at[6], d.at[7],
                      d.at[8]) != 1)
      return 0;
    // This card's photo, not one an earlier read left in the library's folder.
    WritePhotoFiles(LibraryPhotoFolder(), Device().gCachedBaseMsg.photo);
    CopyInfoText({d[0], d[1], d[2], d[3], d[5], d[4], d[6], d[7], d[8], ValidityText(d[7], d[8])},
                 out);
    return 1;
  }
  if (kind != kForeignCard || ReadForeignBaseInfos(d.at) != 1) return 0;
  CopyInfoText({d[0], d[4], d[1], d[3], d[5], d[2], Device().gForeignAuthorityCode, d[6], d[7],
                ValidityText(d[6], d[7])},
               out);
  return 2;
}

}  // namespace

int readCard(char* out, int* outLen) {
  const StepClock clock(true);
  WriteDebugLog("********************enter dll readCard********************");
  AnswerCardRead(Decoders::kFields, clock, out, outLen);
  return 0;
}

int readCert(char* out, int* outLen) {
  const StepClock untimed(false);
  WriteDebugLog("********************enter readCert********************");
  AnswerCardRead(Decoders::kWithPhotoFiles, untimed, out, outLen);
  return 0;
}

int Kestor_ReadAllTypeCardInfos(int port, char* out, const char* folder) {
  SetRepeatRead(1);
  const std::string libraryFolder = LibraryPhotoFolder();
  const std::string photo = libraryFolder + "photo.jpg";
  const bool copy = folder && *folder;
  if (!out || (copy && !platform::CanReadAndWrite(folder))) return -1;
  std::string target = copy ? folder : "";
  if (copy && target.back() != '\\' && target.back() != platform::kPathSeparator)
    target += platform::kPathSeparator;
  target += "photo.jpg";

  if (InitComm(port) != 1) return CloseComm(), -2;
  if (Authenticate() != 1) return CloseComm(), -3;
  platform::RemoveFile(photo);
  platform::RemoveFile(libraryFolder + "photo.bmp");
  const int kind = ReadInfoText(out);
  DropCachedBaseMsg();
  if (kind == 0) return CloseComm(), -4;
  if (copy && !platform::CopyFileReplacing(photo, target)) return CloseComm(), -5;
  CloseComm();
  return kind;
}

}  // namespace vantel
