#include "service/net/websocket_codec.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "service/net/base64_coder.h"
#include "service/net/sha1.h"
#include "service/shell/service_log.h"

namespace lumarin {
namespace {

const char kWebSocketGuid[] = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
const char kKeyHeader[] = "Sec-WebSocket-Key: ";
constexpr std::size_t kKeyHeaderLength = sizeof kKeyHeader - 1;
constexpr std::size_t kClientKeyLength = 24;

const char kUpgradeAnswerHead[] =
    "HTTP/1.1 101 Switching Protocols\r\n"
    "Connection: upgrade\r\n"
    "Access-Control-Allow-Credentials:true\r\n"
    "Access-Control-Allow-Headers:content-type\r\n"
    "Access-Control-Allow-Private-Network: true\r\n"
    "Sec-WebSocket-Accept: ";
const char kUpgradeAnswerTail[] = "\r\nUpgrade: websocket\r\n\r\n";

// HTTP header names are case-insensitive: a browser that lowers them still gets its answer.
std::size_t FindKeyHeader(const std::string& request) {
  const std::size_t exact = request.find(kKeyHeader);
  if (exact != std::string::npos) return exact;
  auto same_letter = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  const auto found = std::search(request.begin(), request.end(), kKeyHeader,
                                 kKeyHeader + kKeyHeaderLength, same_letter);
  return found == request.end() ? std::string::npos
                                : static_cast<std::size_t>(found - request.begin());
}

int Opcode(const char* data) { return static_cast<unsigned char>(data[0]) & 0x0F; }

}  // namespace

const char kHandshakeRefusal[] = "HTTP/1.1 400 Bad Request\r\n\r\n";

FrameLayout ReadFrameLayout(const char* data, std::size_t length) {
  FrameLayout layout{false, 0, 2, 0};
  if (length < 2) return layout;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  const unsigned int length_code = bytes[1] & 0x7F;
  layout.length_bytes = length_code == 126 ? 2 : length_code == 127 ? 8 : 0;
  layout.header_size = 2 + layout.length_bytes + ((bytes[1] & 0x80) ? 4 : 0);
  if (length < 2 + layout.length_bytes) return layout;
  if (layout.length_bytes == 0) {
    layout.payload_length = length_code;
  } else {
    for (std::size_t i = 0; i < layout.length_bytes; ++i) {
      layout.payload_length = (layout.payload_length << 8) | bytes[2 + i];
    }
  }
  layout.header_complete = length >= layout.header_size;
  return layout;
}

bool WebSocketCodec::IsHandshake(const char* received) {
  return std::strstr(received, "GET") != nullptr;
}

std::string WebSocketCodec::MakeHandshakeAnswer(std::string request) {
  const std::size_t header = FindKeyHeader(request);
  if (header == std::string::npos) return kHandshakeRefusal;
  const std::string key = request.substr(header + kKeyHeaderLength, kClientKeyLength);
  return kUpgradeAnswerHead + ComputeAcceptKey(key) + kUpgradeAnswerTail;
}

std::string WebSocketCodec::ComputeAcceptKey(std::string key) {
  const std::string text = key + kWebSocketGuid;
  SHA1 sha1;
  sha1.InputText(text.c_str());
  unsigned int words[5];
  sha1.Result(words);
  unsigned char digest[20];
  for (int i = 0; i < 20; ++i) {
    digest[i] = static_cast<unsigned char>(words[i / 4] >> (24 - 8 * (i % 4)));
  }
  return Base64Coder().Encode(digest, sizeof digest);
}

int WebSocketCodec::ClassifyFrame(const char* data, int length) {
  if (length < 1) return kFrameBad;
  const bool final_fragment = (static_cast<unsigned char>(data[0]) & 0x80) != 0;
  const bool masked = length >= 2 && (static_cast<unsigned char>(data[1]) & 0x80) != 0;
  switch (Opcode(data)) {
    case 1: return kFrameText;
    case 8: return kFrameClose;
    case 2:
    case 9:
    case 10: return final_fragment && masked ? kFrameOther : kFrameBad;
    default: return kFrameBad;
  }
}

int WebSocketCodec::DecodeFrame(const char* data, int length, char* out) {
  const int frame_class = ClassifyFrame(data, length);
  if (frame_class != kFrameText) return frame_class;
  const std::size_t held = static_cast<std::size_t>(length);
  const FrameLayout layout = ReadFrameLayout(data, held);
  // The key is always the four bytes after the length, whatever the MASK bit says.
  const std::size_t key_offset = 2 + layout.length_bytes;
  const std::size_t payload_offset = key_offset + 4;
  if (layout.payload_length == 0 || held < key_offset + 4) return kFrameText;
  const std::size_t count = static_cast<std::size_t>(
      std::min<std::uint64_t>(layout.payload_length, held - payload_offset));
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = static_cast<char>(data[payload_offset + i] ^ data[key_offset + i % 4]);
  }
  out[count] = '\0';
  return kFrameText;
}

int WebSocketCodec::EncodeFrame(const void* payload, unsigned int length, char* out, int opcode) {
  ServiceLogf("messageLength = %d", static_cast<int>(length));
  const std::size_t extra = length <= 125 ? 0 : length <= 0xFFFF ? 2 : 8;
  ServiceLogf("payloadFileExtraBytes = %d", static_cast<int>(extra));
  auto* frame = reinterpret_cast<unsigned char*>(out);
  frame[0] = static_cast<unsigned char>(opcode | 0x80);
  if (extra == 0) {
    frame[1] = static_cast<unsigned char>(length);
  } else if (extra == 2) {
    frame[1] = 126;
    frame[2] = static_cast<unsigned char>(length >> 8);
    frame[3] = static_cast<unsigned char>(length);
    std::uint16_t stored;
    std::memcpy(&stored, frame + 2, sizeof stored);
    ServiceLogf("16 len = %d", static_cast<int>(stored));
  } else {
    frame[1] = 127;
    const std::uint64_t field = HostToNet64(length);
    std::memcpy(frame + 2, &field, sizeof field);
    std::int32_t high;
    std::memcpy(&high, frame + 2, sizeof high);
    ServiceLogf("64 len = %ld", static_cast<long>(high));
  }
  std::memcpy(frame + 2 + extra, payload, length);
  const std::size_t size = 2 + extra + length;
  ServiceLogf("frameSize = %d", static_cast<int>(size));
  frame[size] = 0;
  return static_cast<int>(size);
}

std::uint64_t HostToNet64(std::uint64_t value) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (56 - 8 * i));
  std::uint64_t stored;
  std::memcpy(&stored, bytes, sizeof stored);
  return stored;
}

}  // namespace lumarin
