// Arbitrary bytes as the SAM's fingerprint answer and as additional-address data. Input:
// the first two bytes say how many bytes of the frame arrived (as a short serial answer
// does), the rest is the frame from its preamble on, zero-padded; the same bytes are split
// into additional addresses. Every buffer is allocated at exactly its size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "library/cards/fingerprint/fp_frame.h"
#include "library/cards/simple/new_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t carried = static_cast<std::size_t>(data[0] << 8 | data[1]);
  data += 2;
  size -= 2;
  std::vector<std::uint8_t> frame(vantel::kFPFrameBufferSize, 0);
  std::memcpy(frame.data(), data, size < frame.size() ? size : frame.size());
  vantel::FPFrameIsGood(frame.data());
  auto text = std::make_unique<unsigned char[]>(256);
  auto photo = std::make_unique<unsigned char[]>(1024);
  auto fingerprint = std::make_unique<unsigned char[]>(vantel::kFingerprintSize);
  unsigned lengths[3] = {};
  vantel::CopyFPBaseMsg(
      frame.data(), carried,
      {text.get(), &lengths[0], photo.get(), &lengths[1], fingerprint.get(), &lengths[2]});
  if (lengths[0] > 256 || lengths[1] > 1024 || lengths[2] > 1024) __builtin_trap();

  std::vector<std::unique_ptr<char[]>> buffers;
  char* entries[vantel::kNewAddressEntries];
  for (char*& entry : entries) {
    buffers.emplace_back(new char[vantel::kNewAddressEntrySize]);
    entry = buffers.back().get();
  }
  const int count = vantel::SplitNewAddresses(data, size, entries);
  if (count < 0 || count > static_cast<int>(vantel::kNewAddressEntries)) __builtin_trap();
  for (int i = 0; i < count; ++i)
    if (entries[i][vantel::kNewAddressEntrySize - 1] != '\0') __builtin_trap();
  return 0;
}
