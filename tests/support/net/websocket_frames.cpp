#include "support/net/websocket_frames.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

namespace vantel_test {
namespace {

void AppendBigEndian(std::string& out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t ReadBigEndian(const std::string& bytes, std::size_t offset, int count) {
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

}  // namespace

std::string ClientFrame(int opcode, const std::string& payload, FrameOptions options) {
  std::string frame(1, static_cast<char>((options.final ? 0x80 : 0) | opcode));
  const char mask_bit = options.masked ? static_cast<char>(0x80) : 0;
  if (payload.size() <= 125) {
    frame += static_cast<char>(mask_bit | static_cast<char>(payload.size()));
  } else if (payload.size() <= 0xFFFF) {
    frame += static_cast<char>(mask_bit | 126);
    AppendBigEndian(frame, payload.size(), 2);
  } else {
    frame += static_cast<char>(mask_bit | 127);
    AppendBigEndian(frame, payload.size(), 8);
  }
  if (!options.masked) return frame + payload;
  AppendBigEndian(frame, options.key, 4);
  for (std::size_t i = 0; i < payload.size(); ++i) {
    frame += static_cast<char>(payload[i] ^ (options.key >> (24 - 8 * (i % 4))));
  }
  return frame;
}

std::size_t ParseFrame(const std::string& bytes, ParsedFrame* frame) {
  if (bytes.size() < 2) return 0;
  const auto first = static_cast<unsigned char>(bytes[0]);
  const auto second = static_cast<unsigned char>(bytes[1]);
  const int code = second & 0x7F;
  const int extra = code == 126 ? 2 : code == 127 ? 8 : 0;
  if (bytes.size() < 2u + extra) return 0;
  const std::uint64_t length = extra == 0 ? code : ReadBigEndian(bytes, 2, extra);
  const bool masked = (second & 0x80) != 0;
  const std::size_t header = 2 + extra + (masked ? 4 : 0);
  if (bytes.size() < header || bytes.size() - header < length) return 0;
  frame->final = (first & 0x80) != 0;
  frame->opcode = first & 0x0F;
  frame->masked = masked;
  frame->length_form = extra == 0 ? 7 : extra == 2 ? 16 : 64;
  frame->payload = bytes.substr(header, static_cast<std::size_t>(length));
  if (masked) {
    for (std::size_t i = 0; i < frame->payload.size(); ++i) frame->payload[i] ^= bytes[2 + extra + i % 4];
  }
  return header + static_cast<std::size_t>(length);
}

std::string ExpectedAcceptValue(const std::string& key) {
  const std::string text = key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
  unsigned char encoded[4 * ((SHA_DIGEST_LENGTH + 2) / 3) + 1];
  EVP_EncodeBlock(encoded, digest, SHA_DIGEST_LENGTH);
  return reinterpret_cast<char*>(encoded);
}

}  // namespace vantel_test
