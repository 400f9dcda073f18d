#pragma once
// The base message that a reader's encryption chip hands out as one blob, distributed: its
// photo into "photo.wlt", "photo.bmp" and "photo.jpg", the resident card's fields and the
// fingerprint into the caller's buffers. Nothing is read from the reader.
#include <cstddef>
#include <cstdint>

#include "library/cards/idcard/record_layouts.h"

namespace vantel {

// The blob carries no length of its own: at most its header and the capped text, photo and
// fingerprint are read from it, whatever lengths it states.
constexpr std::size_t kMaxChipBaseMsgBlob = 16 + 256 + 1024 + 1024;

constexpr int kChipDistDone = 0;
// A null blob, field, fingerprint or length: nothing written.
constexpr int kChipDistNullArgument = -2;

// The fields in the order of kResidentLayout and in buffers of its sizes; `fingerprint`
// holds 1024 bytes; `folder` null or empty means the temporary folder. The fingerprint is
// written first, the fields only once the photo is decoded. Besides the two codes above: 4
// "photo.wlt" not created or not written whole, or "Morvik.dll" without its entry; -4
// "Morvik.dll" not loaded; -5 the decoder failed.
int ChipReadBaseMsgDist(const std::uint8_t* blob, char* const fields[kResidentFieldCount],
                        const char* folder, std::uint8_t* fingerprint, unsigned* fingerprintLen);

}  // namespace vantel
