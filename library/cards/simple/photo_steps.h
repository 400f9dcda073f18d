#pragma once
// The file steps that the simplified reads and the fingerprint photo reads share: where the
// files go, "photo.wlt", its decoding by the sibling decoder "Morvik.dll" and the card
// images of the sibling image library.
#include <cstdint>
#include <string>

#include "library/cards/card_images.h"
#include "library/cards/idcard/base_msg_read.h"

namespace vantel {

enum class FolderRule {
  kLibrary,          // the library's folder
  kCallerOrCurrent,  // the caller's folder, else the bare names
  kCallerOrTemp,     // the caller's folder, else the temporary folder
};

// The folder as a prefix of file names: with its separator, or "" for the bare names. A
// caller's folder is created when missing.
std::string PhotoFolder(FolderRule rule, const char* folder);

// Full paths of the sibling libraries in the library's folder.
std::string MorvikLibraryPath();
std::string CardImageLibraryPath();

enum PhotoStepResult : int {
  kStepDone = 1,
  kStepShortWrite = 0,
  kStepNotCreated = 4,     // "photo.wlt" not created
  kStepEntryMissing = 4,   // "Morvik" not in "Morvik.dll"
  kStepNotLoaded = -4,     // a sibling library did not load
  kStepFailed = -5,        // the decoder failed, or a card-image entry is missing
  kStepImageRefused = -6,  // a card-image call did not return 1
};

// "photo.wlt" written in one write ("wb+"), then a pause: kStepDone, kStepShortWrite or
// kStepNotCreated.
int WritePhotoWlt(const std::string& path, const unsigned char* photo, unsigned length);

// "Morvik.dll" loaded for this call and released again; its entry decodes `wltPath` into
// "photo.bmp" beside it: kStepDone, kStepNotLoaded, kStepEntryMissing or kStepFailed.
int DecodeWithMorvik(const std::string& wltPath);

// The kind's two images from `library` into `folder` ("card.jpg", then "1.jpg" and "2.jpg"),
// the entries kept in the device state's two entry pointers and cleared after a failed
// call: kStepDone, kStepFailed (entry missing) or kStepImageRefused. `beforeFirstCall` and
// `firstMissing` are logged around the first entry when given.
struct CardImageLogs {
  const char* beforeFirstCall = nullptr;
  const char* firstMissing = nullptr;
};
int MakeCardImages(void* library, const CardImageEntryNames& names, const CardMessage& message,
                   const std::string& folder, const CardImageLogs& logs = {});
// The second of them alone: "1.jpg" and "2.jpg" by the entry `entryName`.
int MakeFrontAndBack(void* library, const char* entryName, const CardMessage& message,
                     const std::string& folder);

}  // namespace vantel
