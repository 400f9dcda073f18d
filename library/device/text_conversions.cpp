#include "library/device/text_conversions.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kMaxDirectoryPath = 255;

void CreateLevel(const std::string& path) {
  if (platform::CreateFolder(path)) platform::SetNormalAttributes(path);
}

}  // namespace

char Base64Char(int value) {
  return value >= 0 && value < 64 ? kBase64Alphabet[value] : '=';
}

int Base64Value(char character) {
  if (character >= 'A' && character <= 'Z') return character - 'A';
  if (character >= 'a' && character <= 'z') return character - 'a' + 26;
  if (character >= '0' && character <= '9') return character - '0' + 52;
  if (character == '+') return 62;
  if (character == '/') return 63;
  return -1;
}

int Base64Encode(char* out, const unsigned char* in, int length) {
  if (length == 0) length = static_cast<int>(std::strlen(reinterpret_cast<const char*>(in)));
  int written = 0;
  for (int i = 0; i < length; i += 3) {
    int left = length - i;
    unsigned group = static_cast<unsigned>(in[i]) << 16;
    if (left > 1) group |= static_cast<unsigned>(in[i + 1]) << 8;
    if (left > 2) group |= in[i + 2];
    out[written++] = Base64Char((group >> 18) & 0x3F);
    out[written++] = Base64Char((group >> 12) & 0x3F);
    out[written++] = left > 1 ? Base64Char((group >> 6) & 0x3F) : '=';
    out[written++] = left > 2 ? Base64Char(group & 0x3F) : '=';
  }
  out[written] = '\0';
  return written;
}

int Base64Decode(const char* text, int textLength, unsigned char* out, int* outLength) {
  if (!text || !outLength) return 0;
  const int capacity = *outLength;
  int total = 0;
  bool allWritten = out != nullptr;
  int consumed = 0;
  while (consumed < textLength && text[consumed] != '\0') {
    int values[4];
    int count = 0;
    while (count < 4 && consumed < textLength && text[consumed] != '\0') {
      int value = Base64Value(text[consumed++]);
      if (value >= 0) values[count++] = value;
    }
    int bytes = count * 6 / 8;
    unsigned group = 0;
    for (int k = 0; k < count; ++k) group |= static_cast<unsigned>(values[k]) << (18 - 6 * k);
    if (allWritten && total + bytes <= capacity) {
      for (int k = 0; k < bytes; ++k) out[total + k] = static_cast<unsigned char>(group >> (16 - 8 * k));
    } else {
      allWritten = false;
    }
    total += bytes;
  }
  *outLength = total;
  return allWritten ? 1 : 0;
}

void BytesToHex(const unsigned char* bytes, char* out, int digitCount) {
  static const char kDigits[] = "0123456789ABCDEF";
  int count = digitCount & 0xFF;
  for (int i = 0; i < count; ++i) {
    unsigned char byte = bytes[i / 2];
    out[i] = kDigits[i % 2 == 0 ? byte >> 4 : byte & 0x0F];
  }
  out[count] = '\0';
}

SamId SamIdFromBytes(const unsigned char* b) {
  auto u16 = [b](int at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); };
  auto u32 = [b](int at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
  };
  return SamId{u16(0), u16(2), u32(4), u32(8), u32(12)};
}

void FormatSamIdText(char* out, const SamId& id) {
  char text[64];
  int length = std::snprintf(text, sizeof text, "%.2d.%.2d-%.8u-%.10u-%.10u", id.first, id.second,
                             id.third, id.fourth, id.fifth);
  if (length > 36) length = 36;
  std::memcpy(out, text, static_cast<std::size_t>(length));
}

int SwapBytes16(int value) {
  return (value & ~0xFFFF) | ((value & 0xFF) << 8) | ((value >> 8) & 0xFF);
}

int MakeWord16(int high, int low) { return (high & 0xFF) * 256 + (low & 0xFF); }

bool EnsureDirectory(const char* path) {
  if (platform::PathExists(path)) return true;
  std::string whole = path;
  if (whole.size() > kMaxDirectoryPath) return false;
  if (!whole.empty() && (whole.back() == '\\' || whole.back() == '/')) whole.pop_back();
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (whole[i] == platform::kPathSeparator) CreateLevel(whole.substr(0, i));
  }
  CreateLevel(whole);
  return platform::PathExists(whole);
}

}  // namespace vantel
