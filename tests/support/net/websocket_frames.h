#pragma once
// RFC 6455 frames as a client writes and reads them, built here independently of the
// service's codec so that each checks the other.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vantel_test {

constexpr int kOpContinuation = 0;
constexpr int kOpText = 1;
constexpr int kOpBinary = 2;
constexpr int kOpClose = 8;
constexpr int kOpPing = 9;
constexpr int kOpPong = 10;

struct FrameOptions {
  bool final = true;
  bool masked = true;
  std::uint32_t key = 0x37FA213D;  // the masking key, most significant byte first on the wire
};

// A client frame around `payload` in the shortest length form.
std::string ClientFrame(int opcode, const std::string& payload, FrameOptions options = {});

// A frame read back from received bytes.
struct ParsedFrame {
  bool final = false;
  int opcode = -1;
  bool masked = false;
  int length_form = 0;  // 7, 16 or 64: the length field used
  std::string payload;  // unmasked
};

// The frame at the start of `bytes`; its size, or 0 while `bytes` holds less than one frame.
std::size_t ParseFrame(const std::string& bytes, ParsedFrame* frame);

// "Sec-WebSocket-Accept" for a client key, computed with OpenSSL's SHA-1.
std::string ExpectedAcceptValue(const std::string& key);

}  // namespace vantel_test
