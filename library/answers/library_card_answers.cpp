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

class StepClock {
 public:
  StepClock() : start_(platform::TickCountMs()) {}
  void Log(const char* format) const {
    DebugLogf(format, static_cast<int>(platform::TickCountMs() - start_));
  }

 private:
  std::uint32_t start_;
};

// Decodes the card of `kind` into the answer's fields; false when the kind is unknown or
// its decoder fails.
bool DecodeCardFields(int kind, const StepClock& clock, CardAnswerFields* fields) {
  DecodedFields d;
  if (kind == kResidentCard) {
    const int result = ReadBaseInfos(d.at[0], d.at[1], d.at[2], d.at[3], d.at[4], d.at[5], d.at[6],
                                     d.at[7], d.at[8]);
    DebugLogf("ReadBaseInfos的返回值 ret=%d", result);
    clock.Log("read base time : %dms");
    if (result != 1) return false;
    *fields = {kResidentCertType, d[0], d[1], d[2], d[3], d[5], d[4], d[6], d[7], d[8]};
  } else if (kind == kForeignCard) {
    if (ReadAllForeignBaseInfos(d.at) != 1) return false;
    *fields = {kForeignCertType, d[0], d[1], d[3], d[5], "", d[2], d[9], d[6], d[7]};
  } else if (kind == kPermitCard) {
    if (ReadAllGatBaseInfos(d.at) != 1) return false;
    std::string passNumber = d[9];
    *fields = {PermitCertType(passNumber), d[0], d[1], "", d[3], d[4], d[5], d[6], d[7], d[8]};
  } else {
    return false;
  }
  TrimCardFields(*fields);
  fields->gender = GenderCode(fields->gender);
  return true;
}

// Everything after the port opened: "" and the answer, or the failure message.
std::string ReadCardAnswer(const StepClock& clock, std::string* answer) {
  if (Authenticate() != 1) return "卡片认证失败或无卡";
  WriteDebugLog("卡认证成功");
  const int kind = DecideIdCardType();
  clock.Log("decide card time : %dms");
  DebugLogf("Kestor_DecideIDCardType的返回值 ret=%d", kind);
  CardAnswerFields fields;
  if (!DecodeCardFields(kind, clock, &fields)) return "读卡失败";

  const CachedBaseMsg& cache = Device().gCachedBaseMsg;
  CardPictures pictures;
  if (cache.photoLength == kCardPhotoSize) {
    char photoSrc[kPhotoSrcSize] = {};
    Base64Encode(photoSrc, cache.photo, static_cast<int>(kCardPhotoSize));
    pictures.identityPhotoSrc = photoSrc;
  }
  const std::string folder = platform::TempFolderPath();
  if (!WritePhotoFiles(folder, cache.photo)) return "打开照片失败";
  std::string photoBase64(kPhotoBase64Size, '\0');
  if (ReadFileBase64((folder + "photo.jpg").c_str(), &photoBase64[0], kPhotoBase64Size) != 0) {
    WriteDebugLog("打开头像照片失败");
    return "打开照片失败";
  }
  pictures.identityPic = photoBase64.c_str();
  WriteDebugLog("获取头像照片base64成功");
  clock.Log("proc img time : %dms");

  *answer = FormatCardAnswer(fields, pictures);
  clock.Log("create inputstr time : %dms");
  clock.Log("hash time : %dms");
  clock.Log("make json time : %dms");
  return "";
}

bool CopyFileOver(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::FILE* out = std::fopen(to.c_str(), "wb");
  bool whole = out != nullptr;
  char block[4096];
  std::size_t got;
  while (whole && (got = std::fread(block, 1, sizeof block, in)) > 0)
    whole = std::fwrite(block, 1, got, out) == got;
  whole = whole && !std::ferror(in);
  std::fclose(in);
  if (out) whole = std::fclose(out) == 0 && whole;
  return whole;
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
  const StepClock clock;
  WriteDebugLog("********************enter dll readCard********************");
  std::string answer;
  std::string failure = "端口打开失败";
  const int opened = InitComm(AnswerPort());
  clock.Log("init time : %dms");
  if (opened != 0) {
    WriteDebugLog("端口打开成功");
    failure = ReadCardAnswer(clock, &answer);
  }
  if (!failure.empty()) answer = MakeErrorResult(-1, failure);
  if (out && outLen) {
    CopyAnswer(answer, out);
    *outLen = static_cast<int>(answer.size());
  }
  clock.Log("finish time : %dms");
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
  if (kind == 0) return CloseComm(), -4;
  if (copy && !CopyFileOver(photo, target)) return CloseComm(), -5;
  CloseComm();
  return kind;
}

}  // namespace vantel
