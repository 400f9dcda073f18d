#pragma once
// The card-photo decoder's entries: the 1024-byte "photo.wlt" to
// pixel rows and to a 102 x 126 24-bit BMP image. Every decode keeps all of its state in
// the call, so decodes may run concurrently.
#include <cstdint>

namespace vantel {

constexpr int kWltPhotoSize = 1024;
constexpr int kWltPixelBlockSize = 38556;  // 126 rows x 102 pixels x R, G, B
constexpr int kWltBitmapSize = 38862;      // the BMP image WltToBitmap writes

// Decodes `photo` (1024 bytes) into `pixels` (kWltPixelBlockSize bytes: rows top-down, each
// 102 pixels as R, G, B). Result 1, -4 for a wrong magic, or another failure value of
// photo::WltResult; on failure `pixels` may hold partial rows and must not be used.
int WltToPixels(const std::uint8_t* photo, std::uint8_t* pixels);

// Decodes `photo` (1024 bytes) and writes the BMP image into `bitmap` (at least
// kWltBitmapSize bytes; the 2 padding bytes of each row keep what the buffer held) and its
// length 38862 into *length. Result 1; -4 for a wrong magic and the other failure values of
// photo::WltResult for a malformed photo: then nothing is written and *length is not set.
int WltToBitmap(const std::uint8_t* photo, std::uint8_t* bitmap, int* length);

}  // namespace vantel
