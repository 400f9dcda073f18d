#pragma once
// The sibling card-image library "Quellan": six stdcall entries, found by name, that draw
// copies of a card as JPEG files from its 256-byte UCS-2 text and 1024-byte photo, with
// the lengths the base-message read reported. Each returns 1 on success. Every path is a
// full path; the last one names the sibling photo decoder "Morvik.dll", whose entry
// "Morvik" turns a "photo.wlt" into "photo.bmp" beside it. Shared by the library and the
// service.
#include <cstdint>

#include "library/exports/stdcall.h"

namespace vantel {

// Both sides of the card on one page ("card.jpg").
using SaveCardAllJpgEntry = int(VANTEL_STDCALL*)(const std::uint8_t* text, int textLength,
                                                 const std::uint8_t* photo, int photoLength,
                                                 const char* cardJpgPath, const char* morvikPath);
// Front ("1.jpg") and back ("2.jpg").
using SaveCard2JpgEntry = int(VANTEL_STDCALL*)(const std::uint8_t* text, int textLength,
                                               const std::uint8_t* photo, int photoLength,
                                               const char* frontJpgPath, const char* backJpgPath,
                                               const char* morvikPath);

// The two entries of one card kind.
struct CardImageEntryNames {
  const char* allJpg;
  const char* twoJpg;
};

constexpr CardImageEntryNames kResidentCardImages{"SaveCardAllJPG", "SaveCard2JPG"};
constexpr CardImageEntryNames kForeignCardImages{"SaveForeignCardAllJPG", "SaveForeignCard2JPG"};
constexpr CardImageEntryNames kPermitCardImages{"SaveGATCardAllJPG", "SaveGATCard2JPG"};

// The library's stem: "Quellan.dll" on Windows.
constexpr char kCardImageLibraryStem[] = "Quellan";

}  // namespace vantel
