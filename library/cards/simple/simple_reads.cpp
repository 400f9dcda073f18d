#include "library/cards/simple/simple_reads.h"

#include <cstring>
#include <string>

#include "library/cards/debug_log.h"
#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/record_layouts.h"
#include "library/cards/jpeg/jpeg_converter.h"
#include "library/cards/simple/photo_steps.h"
#include "library/cards/simple/simple_record.h"
#include "library/device/device_state.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace vantel {
namespace {

enum class KindRule { kAny, kNotForeign, kForeign, kPermit };
enum class PortRule { kSetA, kSetAAndNetwork, kPermitSet };
enum class Output { kRecord, kRawText, kFields };
enum class Decoder {
  kMorvik,
  kMorvikLoadUntested,  // a library that does not load counts as a missing entry
  kOwn,
  kOwnWithoutWlt,       // the own decoder straight from the message, no "photo.wlt"
};
enum class Logs { kNone, kForeign, kPermit };

// One function of the family: what it asks of the card and the port, where its files go,
// how its photo is decoded, which images it makes and what it hands back.
struct SimpleRead {
  KindRule kind;
  PortRule ports;
  int refusal;       // for a port not accepted or a failed read
  FolderRule folder;
  int wltNotCreated;
  Decoder decoder;
  bool jpeg;
  bool backupWlt;    // the "_bk" copy of "photo.wlt" while gSaveWlt is set
  const CardImageEntryNames* images;
  bool imagesBeforeFields;
  Output output;
  const FieldLayout* layout;  // kFields: the buffers' layout, to zero them
  std::size_t fieldCount;
  void (*decode)(const std::uint8_t* text, char* const* fields);
  Logs logs;
};

void DecodeResident(const std::uint8_t* text, char* const* fields) {
  DecodeRecord(text, kResidentLayout, kResidentFieldCount, fields);
}
void DecodeForeignAll(const std::uint8_t* text, char* const* fields) {
  DecodeRecord(text, kForeignLayout, kForeignFieldCount, fields);
}
void DecodePermit(const std::uint8_t* text, char* const* fields) {
  DecodeRecord(text, kPermitLayout, kPermitFieldCount, fields);
}

using K = KindRule;
using P = PortRule;
using F = FolderRule;
using D = Decoder;
using O = Output;

constexpr SimpleRead kReadBaseMsg{K::kNotForeign, P::kSetA, 0, F::kLibrary, 0,
                                  D::kMorvikLoadUntested, false, false, nullptr, false,
                                  O::kRecord, nullptr, 0, nullptr, Logs::kNone};
constexpr SimpleRead kReadBaseMsgPhoto{K::kNotForeign, P::kSetA, 0, F::kCallerOrCurrent, 4,
                                       D::kMorvik, false, false, nullptr, false,
                                       O::kRecord, nullptr, 0, nullptr, Logs::kNone};
constexpr SimpleRead kReadBaseMsgW{K::kAny, P::kSetA, 0, F::kLibrary, 0,
                                   D::kMorvik, false, false, nullptr, false,
                                   O::kRawText, nullptr, 0, nullptr, Logs::kNone};
constexpr SimpleRead kReadBaseMsgWPhoto{K::kAny, P::kSetA, 0, F::kCallerOrCurrent, 4,
                                        D::kMorvik, false, false, nullptr, false,
                                        O::kRawText, nullptr, 0, nullptr, Logs::kNone};
constexpr SimpleRead kReadBaseInfosPhoto{K::kNotForeign, P::kSetAAndNetwork, 0,
                                         F::kCallerOrTemp, 4, D::kMorvik, true, true,
                                         &kResidentCardImages, true, O::kFields,
                                         kResidentLayout, kResidentFieldCount, DecodeResident,
                                         Logs::kNone};
constexpr SimpleRead kForeignPhoto{K::kForeign, P::kSetA, 0, F::kCallerOrTemp, 4, D::kOwn,
                                   true, false, &kForeignCardImages, false, O::kFields,
                                   kForeignLayout, kForeignShortFieldCount,
                                   DecodeForeignShortRecord, Logs::kForeign};
constexpr SimpleRead kAllForeignPhoto{K::kForeign, P::kSetA, 0, F::kCallerOrTemp, 4, D::kOwn,
                                      true, false, &kForeignCardImages, false, O::kFields,
                                      kForeignLayout, kForeignFieldCount, DecodeForeignAll,
                                      Logs::kForeign};
constexpr SimpleRead kAllPermitPhoto{K::kPermit, P::kPermitSet, -4, F::kCallerOrTemp, 4,
                                     D::kOwnWithoutWlt, true, false, &kPermitCardImages, false,
                                     O::kFields, kPermitLayout, kPermitFieldCount, DecodePermit,
                                     Logs::kPermit};

// The caller's buffers: a record, a raw text or the fields, each with what goes with it.
struct SimpleOutputs {
  char* record = nullptr;
  unsigned char* text = nullptr;
  int* length = nullptr;
  char* const* fields = nullptr;
  const char* folder = nullptr;
};

SimpleOutputs RecordOutputs(char* record, int* length, const char* folder) {
  return SimpleOutputs{record, nullptr, length, nullptr, folder};
}
SimpleOutputs TextOutputs(unsigned char* text, int* length, const char* folder) {
  return SimpleOutputs{nullptr, text, length, nullptr, folder};
}
SimpleOutputs FieldOutputs(char* const* fields, const char* folder) {
  return SimpleOutputs{nullptr, nullptr, nullptr, fields, folder};
}

bool OutputsGiven(const SimpleRead& read, const SimpleOutputs& out) {
  switch (read.output) {
    case O::kRecord: return out.record && out.length;
    case O::kRawText: return out.text && out.length;
    case O::kFields:
      for (std::size_t i = 0; i < read.fieldCount; ++i)
        if (!out.fields[i]) return false;
      return true;
  }
  return false;
}

bool PortAccepted(PortRule rule, int port) {
  switch (rule) {
    case P::kSetA: return DecoderAcceptsPort(port);
    case P::kSetAAndNetwork: return DecoderAcceptsPort(port) || port == kNetPort;
    case P::kPermitSet: return PermitAcceptsPort(port);
  }
  return false;
}

bool KindAccepted(KindRule rule, const std::uint8_t* text) {
  switch (rule) {
    case K::kAny: return true;
    case K::kNotForeign: return DecideCardKind(text) != kForeignCard;
    case K::kForeign: return text[kCardKindAt] == kForeignMark;
    case K::kPermit: return text[kCardKindAt] == kPermitMark;
  }
  return false;
}

void ZeroOutputs(const SimpleRead& read, const SimpleOutputs& out) {
  if (read.output == O::kRecord) std::memset(out.record, 0, kSimpleCardRecordSize);
  if (read.output == O::kRawText) std::memset(out.text, 0, kBaseMsgTextSize);
  for (std::size_t i = 0; read.output == O::kFields && i < read.fieldCount; ++i)
    std::memset(out.fields[i], 0, read.layout[i].bytes);
}

void FillOutputs(const SimpleRead& read, const CardMessage& message, const SimpleOutputs& out) {
  switch (read.output) {
    case O::kRecord:
      FillSimpleCardRecord(message.text, out.record);
      *out.length = static_cast<int>(kSimpleCardRecordSize);
      break;
    case O::kRawText:
      std::memcpy(out.text, message.text, message.textLength);
      *out.length = static_cast<int>(message.textLength);
      break;
    case O::kFields:
      if (read.logs == Logs::kPermit) WriteDebugLog("文本解析");
      read.decode(message.text, out.fields);
      break;
  }
}

void ShowPhotoPaths(const std::string& folder) {
  WriteDebugLog("bmp图片路径");
  if (Device().gLogOn != 1) return;
  platform::ShowMessageBox("jpg图片路径=" + folder + "photo.jpg", "debug");
  platform::ShowMessageBox("bmp图片路径=" + folder + "photo.bmp", "debug");
}

// "photo.wlt" to "photo.bmp" (and "photo.jpg" where the read makes one).
int DecodePhoto(const SimpleRead& read, const CardMessage& message, const std::string& folder) {
  if (read.decoder == D::kOwn || read.decoder == D::kOwnWithoutWlt) {
    if (read.logs == Logs::kForeign) ShowPhotoPaths(folder);
    return WritePhotoFiles(folder, message.photo) ? kStepDone : kStepShortWrite;
  }
  const int decoded = DecodeWithMorvik(folder + "photo.wlt");
  if (decoded == kStepNotLoaded && read.decoder == D::kMorvikLoadUntested) return kStepEntryMissing;
  if (decoded != kStepDone) return decoded;
  if (read.jpeg) ConvertToJpeg((folder + "photo.bmp").c_str(), (folder + "photo.jpg").c_str());
  return kStepDone;
}

int MakeImages(const SimpleRead& read, const CardMessage& message, const std::string& folder) {
  CardImageLogs logs;
  if (read.logs == Logs::kPermit) logs = {"*****合成一张照片*****", "*****接口地址获取失败*****"};
  return MakeCardImages(Device().gQuellanModule, *read.images, message, folder, logs);
}

// Steps 4 to 9 of the road: "photo.wlt" with its backup, the decoding, the images.
int WriteFiles(const SimpleRead& read, const CardMessage& message, const std::string& folder,
               const SimpleOutputs& out) {
  const std::string wlt = folder + "photo.wlt";
  const std::string backup = wlt + "_bk";
  const bool backupWlt = read.backupWlt && Device().gSaveWlt != 0;
  if (read.decoder != D::kOwnWithoutWlt) {
    const int written = WritePhotoWlt(wlt, message.photo, message.photoLength);
    if (written == kStepNotCreated) return read.wltNotCreated;
    if (written != kStepDone) return written;
    if (backupWlt) platform::CopyFileReplacing(wlt, backup);
  }
  const int decoded = DecodePhoto(read, message, folder);
  if (decoded != kStepDone) return decoded;
  if (read.images && !read.imagesBeforeFields) FillOutputs(read, message, out);
  if (read.images) {
    const int images = MakeImages(read, message, folder);
    if (images != kStepDone) return images;
  }
  // Only where "photo.wlt" is gone does the backup take its place.
  if (backupWlt) platform::MoveFileNoReplace(backup, wlt);
  return kStepDone;
}

int RunSimpleRead(const SimpleRead& read, const SimpleOutputs& out) {
  if (read.logs == Logs::kPermit) WriteDebugLog("*****enter Kestor_ReadAllGATBaseInfosPhoto*****");
  if (!OutputsGiven(read, out)) return 0;
  if (!PortAccepted(read.ports, Device().gPort)) return read.refusal;
  ZeroOutputs(read, out);
  CardMessage message;
  const int result = ReadBaseMsg(Device().gPort, message.text, &message.textLength,
                                 message.photo, &message.photoLength, 0);
  if (read.logs == Logs::kPermit) DebugLogf("ZRT_ReadBaseMsg的返回值： ret=%2x", result);
  if (result != kReaderSuccess) return read.refusal;
  if (read.logs == Logs::kPermit)
    DebugLogf("ZRT_ReadBaseMsg的标志位： uchRespond[248]=%2x", message.text[kCardKindAt]);
  if (!KindAccepted(read.kind, message.text)) return 0;
  const int files = WriteFiles(read, message, PhotoFolder(read.folder, out.folder), out);
  if (files != kStepDone) return files;
  if (!read.images || read.imagesBeforeFields) FillOutputs(read, message, out);
  return 1;
}

}  // namespace

int SimpleReadBaseMsg(char* record, int* recordLength) {
  return RunSimpleRead(kReadBaseMsg, RecordOutputs(record, recordLength, nullptr));
}
int SimpleReadBaseMsgPhoto(char* record, int* recordLength, const char* folder) {
  return RunSimpleRead(kReadBaseMsgPhoto, RecordOutputs(record, recordLength, folder));
}
int SimpleReadBaseMsgW(unsigned char* text, int* textLength) {
  return RunSimpleRead(kReadBaseMsgW, TextOutputs(text, textLength, nullptr));
}
int SimpleReadBaseMsgWPhoto(unsigned char* text, int* textLength, const char* folder) {
  return RunSimpleRead(kReadBaseMsgWPhoto, TextOutputs(text, textLength, folder));
}
int ReadBaseInfosPhoto(char* const fields[9], const char* folder) {
  return RunSimpleRead(kReadBaseInfosPhoto, FieldOutputs(fields, folder));
}
int ReadForeignBaseInfosPhoto(char* const fields[8], const char* folder) {
  return RunSimpleRead(kForeignPhoto, FieldOutputs(fields, folder));
}
int ReadAllForeignBaseInfosPhoto(char* const fields[12], const char* folder) {
  return RunSimpleRead(kAllForeignPhoto, FieldOutputs(fields, folder));
}
int ReadAllGatBaseInfosPhoto(char* const fields[14], const char* folder) {
  return RunSimpleRead(kAllPermitPhoto, FieldOutputs(fields, folder));
}

int ReleaseCardImageLibrary() {
  DeviceState& device = Device();
  const bool released = platform::FreeLibraryHandle(device.gQuellanModule);
  device.gQuellanModule = nullptr;
  device.SaveCardAllJPG = nullptr;
  device.SaveCard2JPG = nullptr;
  return released ? 1 : 0;
}

}  // namespace vantel
