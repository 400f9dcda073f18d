#include "library/cards/chip_base_msg_dist.h"

#include <string>

#include "library/cards/jpeg/jpeg_converter.h"
#include "library/cards/simple/photo_steps.h"
#include "library/device/enc_chip/chip_base_msg.h"

namespace vantel {
namespace {

bool AllGiven(char* const fields[kResidentFieldCount]) {
  for (std::size_t i = 0; i < kResidentFieldCount; ++i)
    if (!fields[i]) return false;
  return true;
}

}  // namespace

int ChipReadBaseMsgDist(const std::uint8_t* blob, char* const fields[kResidentFieldCount],
                        const char* folder, std::uint8_t* fingerprint, unsigned* fingerprintLen) {
  if (!blob || !fingerprint || !fingerprintLen || !AllGiven(fields)) return kChipDistNullArgument;
  std::uint8_t text[kChipTextCap] = {};
  std::uint8_t photo[kChipPhotoCap] = {};
  int textLength = 0;
  int photoLength = 0;
  int fingerprintLength = 0;
  SplitChipBaseMsg(blob, kMaxChipBaseMsgBlob, text, &textLength, photo, &photoLength, fingerprint,
                   &fingerprintLength);
  *fingerprintLen = static_cast<unsigned>(fingerprintLength);

  const std::string prefix = PhotoFolder(FolderRule::kCallerOrTemp, folder);
  const std::string wlt = prefix + "photo.wlt";
  // A photo not written whole is as lost as one never written: both fail alike.
  if (WritePhotoWlt(wlt, photo, static_cast<unsigned>(photoLength)) != kStepDone)
    return kStepNotCreated;
  const int decoded = DecodeWithMorvik(wlt);
  if (decoded != kStepDone) return decoded;
  // A JPEG that cannot be made leaves the fields as wanted as ever.
  ConvertToJpeg((prefix + "photo.bmp").c_str(), (prefix + "photo.jpg").c_str());
  DecodeRecord(text, kResidentLayout, kResidentFieldCount, fields);
  return kChipDistDone;
}

}  // namespace vantel
