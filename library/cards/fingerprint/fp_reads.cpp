#include "library/cards/fingerprint/fp_reads.h"

#include <cstring>

#include "library/cards/fingerprint/fp_read.h"
#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/record_layouts.h"
#include "library/cards/jpeg/jpeg_converter.h"
#include "library/cards/simple/photo_steps.h"
#include "library/cards/simple/simple_record.h"
#include "library/device/device_state.h"
#include "platform/dynamic_library.h"

namespace vantel {
namespace {

// One photo read with fingerprint: its layout and the front-and-back entry it asks for.
struct FPPhotoRead {
  const FieldLayout* layout;
  std::size_t fieldCount;
  const char* imageEntry;  // null: the library is loaded but no image made
  bool imageFailureEnds;   // a missing entry gives -5 and a failed call -6; else it goes on
};

constexpr FPPhotoRead kResidentRead{kResidentLayout, kResidentFieldCount, "SaveCard2JPG", false};
constexpr FPPhotoRead kForeignRead{kForeignLayout, kForeignFieldCount, "SaveForeignCard2JPG", true};
constexpr FPPhotoRead kPermitRead{kPermitLayout, kPermitFieldCount, nullptr, false};

// The read into `message` and the caller's fingerprint buffer: true when it gave 144.
bool ReadWithFingerprint(CardMessage* message, unsigned char* fingerprint,
                         unsigned* fingerprintLength) {
  const FPBaseMsgOut out{message->text,         &message->textLength, message->photo,
                         &message->photoLength, fingerprint,          fingerprintLength};
  return ReadFPBaseMsg(Device().gPort, out, 0) == kReaderSuccess;
}

// "photo.wlt" written in `folder` and decoded: kStepDone or the read's code.
int DecodePhoto(const CardMessage& message, const std::string& folder) {
  const int written = WritePhotoWlt(folder + "photo.wlt", message.photo, message.photoLength);
  if (written != kStepDone) return written;
  return DecodeWithMorvik(folder + "photo.wlt");
}

// The card-image library loaded for this call and released before returning.
int MakeImages(const FPPhotoRead& read, const CardMessage& message, const std::string& folder) {
  platform::LibraryHandle library = platform::LoadLibraryAt(CardImageLibraryPath());
  if (!library) return kStepNotLoaded;
  const int images =
      read.imageEntry ? MakeFrontAndBack(library, read.imageEntry, message, folder) : kStepDone;
  platform::FreeLibraryHandle(library);
  Device().SaveCard2JPG = nullptr;
  return read.imageFailureEnds ? images : kStepDone;
}

int RunFPPhotoRead(const FPPhotoRead& read, char* const* fields, const char* folder,
                   unsigned char* fingerprint, unsigned* fingerprintLength) {
  for (std::size_t i = 0; i < read.fieldCount; ++i)
    if (!fields[i]) return 0;
  if (!fingerprint || !fingerprintLength || !DecoderAcceptsPort(Device().gPort)) return 0;
  CardMessage message;
  if (!ReadWithFingerprint(&message, fingerprint, fingerprintLength)) return 0;
  const std::string prefix = PhotoFolder(FolderRule::kCallerOrTemp, folder);
  const int decoded = DecodePhoto(message, prefix);
  if (decoded != kStepDone) return decoded;
  ConvertToJpeg((prefix + "photo.bmp").c_str(), (prefix + "photo.jpg").c_str());
  const int images = MakeImages(read, message, prefix);
  if (images != kStepDone) return images;
  DecodeRecord(message.text, read.layout, read.fieldCount, fields);
  return 1;
}

}  // namespace

int ReadBaseFPMsgRecord(char* record, int* recordLength, unsigned char* fingerprint,
                        unsigned* fingerprintLength) {
  if (!record || !recordLength || !fingerprint || !fingerprintLength) return 0;
  if (!DecoderAcceptsPort(Device().gPort)) return 0;
  std::memset(record, 0, kSimpleCardRecordSize);
  CardMessage message;
  if (!ReadWithFingerprint(&message, fingerprint, fingerprintLength)) return 0;
  const std::string wlt = PhotoFolder(FolderRule::kLibrary, nullptr) + "photo.wlt";
  // A "photo.wlt" that cannot be created is a plain failure here.
  if (WritePhotoWlt(wlt, message.photo, message.photoLength) != kStepDone) return 0;
  const int decoded = DecodeWithMorvik(wlt);
  if (decoded != kStepDone) return decoded;
  FillSimpleCardRecord(message.text, record);
  *recordLength = static_cast<int>(kSimpleCardRecordSize);
  return 1;
}

int ReadBaseInfosFPPhoto(char* const fields[9], const char* folder, unsigned char* fingerprint,
                         unsigned* fingerprintLength) {
  return RunFPPhotoRead(kResidentRead, fields, folder, fingerprint, fingerprintLength);
}

int ReadForeignBaseInfosFPPhoto(char* const fields[12], const char* folder,
                                unsigned char* fingerprint, unsigned* fingerprintLength) {
  return RunFPPhotoRead(kForeignRead, fields, folder, fingerprint, fingerprintLength);
}

int ReadGatBaseInfosFPPhoto(char* const fields[14], const char* folder, unsigned char* fingerprint,
                            unsigned* fingerprintLength) {
  return RunFPPhotoRead(kPermitRead, fields, folder, fingerprint, fingerprintLength);
}

}  // namespace vantel
