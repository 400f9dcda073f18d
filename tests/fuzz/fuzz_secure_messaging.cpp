// The secure-messaging answer check and unwrap, fed arbitrary answers under fixed session
// keys. The first input byte chooses whether the rest is taken as it stands or is given a
// correct MAC and status first, so that the deciphering and unpadding are reached too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "library/device/passport/bac.h"
#include "library/device/passport/secure_messaging.h"

namespace {

// The worked example's session (ICAO 9303 Part 11, Appendix D).
const vantel::SecureChannel kSession = {
    {0x97, 0x9E, 0xC1, 0x3B, 0x1C, 0xBF, 0xE9, 0xDC, 0xD0, 0x1A, 0xB0, 0xFE, 0xD3, 0x07, 0xEA, 0xE5},
    {0xF1, 0xCB, 0x1F, 0x1F, 0xB5, 0xAD, 0xF2, 0x08, 0x80, 0x6B, 0x89, 0xDC, 0x57, 0x9D, 0xC1, 0xF8},
    {0x88, 0x70, 0x22, 0x12, 0x0C, 0x06, 0xC2, 0x29}};

// DO87 and DO99 as given, then a DO8E with their correct MAC at the next SSC, then 90 00.
std::vector<std::uint8_t> WithGoodMac(const std::uint8_t* body, std::size_t length) {
  vantel::SecureChannel channel = kSession;
  vantel::IncrementSsc(channel.ssc);
  std::vector<std::uint8_t> input(channel.ssc, channel.ssc + 8);
  input.insert(input.end(), body, body + length);
  std::vector<std::uint8_t> padded(input.size() / 8 * 8 + 8);
  vantel::PadIso9797M2(input.data(), input.size(), padded.data());
  std::uint8_t mac[8];
  vantel::RetailMac(channel.ksMac, padded.data(), padded.size(), mac);
  std::vector<std::uint8_t> answer(body, body + length);
  answer.insert(answer.end(), {0x8E, 0x08});
  answer.insert(answer.end(), mac, mac + 8);
  answer.insert(answer.end(), {0x90, 0x00});
  return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 300) return 0;
  const std::vector<std::uint8_t> answer =
      data[0] & 1 ? WithGoodMac(data + 1, size - 1) : std::vector<std::uint8_t>(data + 1, data + size);
  vantel::SecureChannel channel = kSession;
  // Exactly the bytes of the answer: a read past them shows as an ASan fault.
  std::vector<std::uint8_t> exact(answer);
  std::uint8_t plain[vantel::kMaxProtectedData];
  std::size_t plainLength = 0;
  if (vantel::OpenProtectedAnswer(&channel, exact.data(), exact.size(), plain, &plainLength) ==
          vantel::AnswerCheck::kGood &&
      plainLength > vantel::kMaxProtectedData) {
    __builtin_trap();
  }
  return 0;
}
