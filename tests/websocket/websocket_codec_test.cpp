// The handshake pieces (SHA-1, base64, accept value, 101 answer) and the frame codec.
#include "service/net/websocket_codec.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "service/net/base64_coder.h"
#include "service/net/sha1.h"
#include "service/shell/service_log.h"
#include "support/environment.h"
#include "support/net/websocket_frames.h"
#include "support/temp_folder.h"

namespace lumarin {
namespace {

using vantel_test::ClientFrame;
using vantel_test::ParsedFrame;
using vantel_test::ParseFrame;

std::string Sha1Hex(SHA1& sha1) {
  unsigned int words[5];
  if (!sha1.Result(words)) return "refused";
  char hex[41];
  for (int i = 0; i < 5; ++i) std::snprintf(hex + 8 * i, 9, "%08x", words[i]);
  return hex;
}

std::string OpenSslSha1Hex(const std::string& message) {
  unsigned char digest[SHA_DIGEST_LENGTH];
  ::SHA1(reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest);
  char hex[41];
  for (int i = 0; i < SHA_DIGEST_LENGTH; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return hex;
}

TEST(ServiceSha1, MatchesOpenSslAcrossBlockBoundaries) {
  std::string message;
  for (int length = 0; length <= 200; ++length) {
    SHA1 sha1;
    sha1.Input(reinterpret_cast<const unsigned char*>(message.data()),
               static_cast<unsigned int>(message.size()));
    EXPECT_EQ(Sha1Hex(sha1), OpenSslSha1Hex(message)) << "length " << length;
    message += static_cast<char>('!' + length * 7 % 90);
  }
  const std::string million(1000000, 'a');
  SHA1 sha1;
  sha1.InputText(million.c_str());
  EXPECT_EQ(Sha1Hex(sha1), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(ServiceSha1, InputAfterResultCorruptsAndResetRecovers) {
  SHA1 sha1;
  sha1.InputText("abc");
  EXPECT_EQ(Sha1Hex(sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Sha1Hex(sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");  // the same again
  sha1.InputText("d");
  EXPECT_EQ(Sha1Hex(sha1), "refused");
  sha1.Reset();
  sha1.InputText("abc");
  EXPECT_EQ(Sha1Hex(sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Base64Coder, EncodesTheRfc4648Vectors) {
  const char* const cases[][2] = {{"", ""},         {"f", "Zg=="},     {"fo", "Zm8="},
                                  {"foo", "Zm9v"},  {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
                                  {"foobar", "Zm9vYmFy"}};
  for (const auto& row : cases) {
    EXPECT_EQ(Base64Coder().Encode(reinterpret_cast<const unsigned char*>(row[0]),
                                   static_cast<unsigned int>(std::strlen(row[0]))),
              row[1]);
  }
  const unsigned char high[] = {0xFB, 0xFF, 0xBF};
  EXPECT_EQ(Base64Coder().Encode(high, 3), "+/+/");
}

std::string UpgradeAnswer(const std::string& accept) {
  return "HTTP/1.1 101 Switching Protocols\r\nConnection: upgrade\r\n"
         "Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Headers:content-type\r\n"
         "Access-Control-Allow-Private-Network: true\r\nSec-WebSocket-Accept: " +
         accept + "\r\nUpgrade: websocket\r\n\r\n";
}

TEST(WebSocketHandshake, AnswersTheKeyItFinds) {
  const std::string rfc_key = "dGhlIHNhbXBsZSBub25jZQ==";
  WebSocketCodec codec;
  EXPECT_EQ(codec.ComputeAcceptKey(rfc_key), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
  struct Case {
    const char* request;
    std::string key;  // the 24 characters the answer must be computed from; "" = refused
  };
  const Case cases[] = {
      {"GET /chat HTTP/1.1\r\nHost: server.example.com\r\nUpgrade: websocket\r\n"
       "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n",
       rfc_key},
      // Only 24 characters count, however long the key.
      {"GET / HTTP/1.1\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==EXTRA\r\n\r\n", rfc_key},
      // A short key at the end of the request: what is there.
      {"GET / HTTP/1.1\r\nSec-WebSocket-Key: c2hvcnQ=", "c2hvcnQ="},
      // Header names are case-insensitive; the first exact one wins over an earlier variant.
      {"GET / HTTP/1.1\r\nsec-websocket-key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n", rfc_key},
      {"GET / HTTP/1.1\r\nSEC-WEBSOCKET-KEY: AAAAAAAAAAAAAAAAAAAAAA==\r\n"
       "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n",
       rfc_key},
      {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", ""},
      {"GET", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    const std::string expected =
        c.key.empty() ? kHandshakeRefusal : UpgradeAnswer(vantel_test::ExpectedAcceptValue(c.key));
    EXPECT_EQ(codec.MakeHandshakeAnswer(c.request), expected) << c.request;
  }
  EXPECT_STREQ(kHandshakeRefusal, "HTTP/1.1 400 Bad Request\r\n\r\n");
}

TEST(WebSocketHandshake, AnyGetIsAnUpgradeRequest) {
  const std::pair<const char*, bool> cases[] = {
      {"GET / HTTP/1.1", true}, {"POST / HTTP/1.1\r\nX-Note: GET\r\n", true},
      {"\x81\x85GETxx", true},  {"get / HTTP/1.1", false},
      {"", false},              {"GE\0T", false}};
  WebSocketCodec codec;
  for (const auto& [text, upgrade] : cases) EXPECT_EQ(codec.IsHandshake(text), upgrade) << text;
}

TEST(WebSocketFrames, ClassifiesByOpcodeFinAndMask) {
  const std::pair<std::vector<unsigned char>, int> cases[] = {
      {{0x81, 0x80}, kFrameText},  {{0x01, 0x00}, kFrameText},  {{0xF1, 0x00}, kFrameText},
      {{0x08, 0x00}, kFrameClose}, {{0x88, 0x82}, kFrameClose}, {{0x89, 0x80}, kFrameOther},
      {{0x82, 0x85}, kFrameOther}, {{0x8A, 0x80}, kFrameOther}, {{0x89, 0x00}, kFrameBad},
      {{0x02, 0x80}, kFrameBad},   {{0x80, 0x80}, kFrameBad},   {{0x83, 0x80}, kFrameBad},
      {{0x8F, 0x80}, kFrameBad},   {{0x89}, kFrameBad},         {{0x81}, kFrameText}};
  WebSocketCodec codec;
  for (const auto& [bytes, expected] : cases) {
    EXPECT_EQ(codec.ClassifyFrame(reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<int>(bytes.size())),
              expected)
        << std::hex << int(bytes[0]);
  }
}

TEST(WebSocketFrames, EncodesInTheShortestLengthForm) {
  struct Case {
    unsigned int length;
    std::vector<unsigned char> header;
  };
  const Case cases[] = {
      {0, {0x81, 0x00}},
      {125, {0x81, 0x7D}},
      {126, {0x81, 0x7E, 0x00, 0x7E}},
      {200, {0x81, 0x7E, 0x00, 0xC8}},
      {65535, {0x81, 0x7E, 0xFF, 0xFF}},
      {65536, {0x81, 0x7F, 0, 0, 0, 0, 0, 0x01, 0x00, 0x00}},
      {70000, {0x81, 0x7F, 0, 0, 0, 0, 0, 0x01, 0x11, 0x70}},
  };
  WebSocketCodec codec;
  for (const Case& c : cases) {
    std::string payload(c.length, '\0');
    for (unsigned int i = 0; i < c.length; ++i) payload[i] = static_cast<char>('a' + i % 26);
    std::vector<char> out(c.length + WebSocketCodec::kMaxFrameOverhead, '\x55');
    const int size = codec.EncodeFrame(payload.data(), c.length, out.data(), 1);
    ASSERT_EQ(size, static_cast<int>(c.header.size() + c.length)) << c.length;
    EXPECT_EQ(std::string(out.data(), c.header.size()),
              std::string(c.header.begin(), c.header.end()));
    EXPECT_EQ(out[size], '\0');
    ParsedFrame frame;
    EXPECT_EQ(ParseFrame(std::string(out.data(), size), &frame), static_cast<std::size_t>(size));
    EXPECT_TRUE(frame.final && !frame.masked && frame.opcode == 1 && frame.payload == payload);
  }
}

TEST(WebSocketFrames, EncodeLogsItsFourLinesWhenTheLogIsOn) {
#if defined(_WIN32)
  const char* const variable = "TMP";
#else
  const char* const variable = "TMPDIR";
#endif
  const char* const previous = std::getenv(variable);
  const std::string kept = previous ? previous : "";
  vantel_test::TempFolder folder;
  vantel_test::SetEnvironment(variable, folder.path().string());
  gServiceLogOn = 1;
  const std::string payload(70000, 'p');
  std::vector<char> out(payload.size() + WebSocketCodec::kMaxFrameOverhead);
  WebSocketCodec().EncodeFrame(payload.data(), 200, out.data(), 1);
  WebSocketCodec().EncodeFrame(payload.data(), 70000, out.data(), 1);
  gServiceLogOn = 0;
  if (previous) {
    vantel_test::SetEnvironment(variable, kept);
  } else {
    vantel_test::UnsetEnvironment(variable);
  }
  std::ifstream log(folder.path() / "server_debug.log");
  std::string messages, line;
  const std::regex stamped(R"(\d{4}-\d+-\d+ \d+:\d+:\d+: (.*))");
  std::smatch match;
  while (std::getline(log, line)) {
    if (std::regex_match(line, match, stamped)) messages += match[1].str() + "|";
  }
  // The 16-bit field read back as a host number: 200 with its bytes swapped.
  EXPECT_EQ(messages,
            "messageLength = 200|payloadFileExtraBytes = 2|16 len = 51200|frameSize = 204|"
            "messageLength = 70000|payloadFileExtraBytes = 8|64 len = 0|frameSize = 70010|");
}

int Decode(const std::string& frame, char* out) {
  return WebSocketCodec().DecodeFrame(frame.data(), static_cast<int>(frame.size()), out);
}

TEST(WebSocketFrames, DecodesMaskedTextInAllLengthForms) {
  for (std::size_t length : {20, 125, 126, 1000, 70000}) {
    std::string payload = R"({"name":"getStatus"})";
    payload.resize(length, 'x');
    std::vector<char> out(length + 1, '\x55');
    EXPECT_EQ(Decode(ClientFrame(vantel_test::kOpText, payload), out.data()), kFrameText);
    EXPECT_EQ(std::string(out.data()), payload);
  }
  // The key is taken from after the length whatever the MASK bit: an unmasked text comes out
  // scrambled, never read past the frame.
  char out[8] = "";
  EXPECT_EQ(Decode(ClientFrame(vantel_test::kOpText, "abcdefg", {true, false}), out), kFrameText);
  const std::string scrambled = {'e' ^ 'a', 'f' ^ 'b', 'g' ^ 'c'};
  EXPECT_EQ(std::string(out), scrambled);
}

TEST(WebSocketFrames, DecodeReadsOnlyTheHeldBytes) {
  char out[64];
  // Declared lengths up to 2^64 - 1 with a few bytes behind them: the held ones are unmasked.
  const std::string frame = ClientFrame(vantel_test::kOpText, std::string(70000, 'q'));
  for (std::size_t held : {1, 2, 9, 13, 14, 20}) {
    std::memset(out, 0x55, sizeof out);
    const std::string head = frame.substr(0, held);
    auto* copy = new char[held];  // exactly `held` bytes, so that ASan sees any read beyond
    std::memcpy(copy, head.data(), held);
    EXPECT_EQ(WebSocketCodec().DecodeFrame(copy, static_cast<int>(held), out), kFrameText);
    delete[] copy;
    if (held > 14) {
      EXPECT_EQ(std::string(out), std::string(held - 14, 'q'));
    }
  }
  std::string huge = "\x81\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "KEY!" "abcd";
  std::memset(out, 0x55, sizeof out);
  EXPECT_EQ(Decode(huge, out), kFrameText);
  const std::string unmasked = {'a' ^ 'K', 'b' ^ 'E', 'c' ^ 'Y', 'd' ^ '!'};
  EXPECT_EQ(std::string(out), unmasked);
  // Other frames write nothing.
  out[0] = 'z';
  EXPECT_EQ(Decode(ClientFrame(vantel_test::kOpPing, "ping"), out), kFrameOther);
  EXPECT_EQ(Decode(ClientFrame(vantel_test::kOpClose, ""), out), kFrameClose);
  EXPECT_EQ(out[0], 'z');
}

TEST(WebSocketFrames, HostToNet64StoresBigEndian) {
  const std::uint64_t field = HostToNet64(0x0102030405060708ull);
  unsigned char stored[8];
  std::memcpy(stored, &field, 8);
  EXPECT_EQ(std::vector<unsigned char>(stored, stored + 8),
            (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace lumarin
