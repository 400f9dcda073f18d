#pragma once
// The WebSocket upgrade answer and the reduced RFC 6455 framing the service speaks: text frames
// in, text frames out, no fragmentation, no extensions, no replies to control frames.
#include <cstddef>
#include <cstdint>
#include <string>

namespace lumarin {

// Frame classes, as ClassifyFrame gives them.
constexpr int kFrameText = 1;    // opcode 1, whatever the other bits
constexpr int kFrameClose = 8;   // opcode 8, whatever the other bits
constexpr int kFrameOther = 128; // binary, ping or pong with FIN and MASK set
constexpr int kFrameBad = 241;   // those without FIN or MASK, and every other opcode

// The answer to an upgrade request that names no client key.
extern const char kHandshakeRefusal[];

// A frame's header as far as the held bytes show it.
struct FrameLayout {
  bool header_complete;            // every header byte (masking key included) is held
  std::size_t length_bytes;        // 0, 2 or 8 bytes of extended payload length
  std::size_t header_size;         // 2 + length_bytes, + 4 when the MASK bit is set
  std::uint64_t payload_length;    // as declared; 0 while the header is incomplete
};
FrameLayout ReadFrameLayout(const char* data, std::size_t length);

class WebSocketCodec {
 public:
  // True when the text up to its first zero byte contains "GET" anywhere.
  bool IsHandshake(const char* received);
  // The whole 101 answer for an upgrade request; kHandshakeRefusal when the request holds no
  // "Sec-WebSocket-Key: " (looked for exactly, then ignoring letter case).
  std::string MakeHandshakeAnswer(std::string request);
  // Base64 of SHA-1 over the key and the RFC 6455 GUID: 28 characters.
  std::string ComputeAcceptKey(std::string key);

  // The class of the frame at `data` from its bytes 0 and 1 (a missing byte 1 reads as 0).
  int ClassifyFrame(const char* data, int length);
  // For a text frame, writes the unmasked payload and a NUL into `out`, reading nothing
  // beyond `length` bytes (a payload declared longer is cut to what is held); `out` needs
  // room for length - 5 bytes. Other frames write nothing. Returns the frame's class.
  int DecodeFrame(const char* data, int length, char* out);
  // Writes an unmasked final frame of `opcode` around `length` payload bytes into `out`,
  // followed by a NUL, in the shortest length form; returns the frame size (NUL excluded).
  // `out` needs room for length + kMaxFrameOverhead bytes.
  int EncodeFrame(const void* payload, unsigned int length, char* out, int opcode);

  // The largest header and the NUL that EncodeFrame writes beside the payload.
  static constexpr std::size_t kMaxFrameOverhead = 2 + 8 + 1;
};

// `value` in big-endian byte order: storing the result gives the 64-bit length field.
std::uint64_t HostToNet64(std::uint64_t value);

}  // namespace lumarin
