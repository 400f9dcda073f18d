#pragma once
// Text helpers of the card decoders and the JSON answers.
#include <string>

namespace vantel {

// Removes trailing " " characters (tabs and other blanks stay).
void TrimRight(std::string& text);

// The UTF-8 form of a NUL-terminated text in the ANSI code page (GBK), through UTF-16.
std::string AnsiToUtf8(const char* text);

}  // namespace vantel
