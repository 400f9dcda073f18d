#pragma once
// The files of a card read: the card's photo as "photo.wlt", decoded by the reader library's
// Morvik into "photo.bmp" and converted into "photo.jpg", and the card-copy images that the
// sibling card-image library "Quellan" draws ("card.jpg", "1.jpg", "2.jpg"). Each read
// overwrites them.
#include <string>

namespace lumarin {

// The folder rule: no folder (null or empty) is the temporary folder; a folder that does not
// end in a separator gets one before the file name.
std::string CardFilePath(const char* folder, const char* fileName);

// Writes "photo.wlt" (then pauses 50 ms), and with `decode` has Morvik write "photo.bmp"
// beside it, with `toJpeg` converted to "photo.jpg". 0, also when "photo.wlt" cannot be
// written (nothing is decoded then); -4 when the decoder fails.
int WritePhotoFiles(const char* folder, const unsigned char* wlt, int wltLen, bool decode,
                    bool toJpeg);

// Creates a missing folder (every level), writes the photo files, then loads the card-image
// library beside the loaded reader library, by full path, for this call, and has it draw
// "card.jpg" (allImage) and "1.jpg" and "2.jpg" (twoImages) from the card's text and photo.
// 0, or -4 when the library or a needed entry is missing, or when the drawing of "card.jpg"
// failed and the two sides were asked for as well.
int MakeCardImages(const char* folder, const unsigned char* text, int textLen,
                   const unsigned char* wlt, int wltLen, bool allImage, bool twoImages);

}  // namespace lumarin
