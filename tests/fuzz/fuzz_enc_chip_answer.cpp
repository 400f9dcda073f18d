// The encryption chip's answer check and assembly over arbitrary reports, and the split of
// the base-message frame it carries. The input is cut into 65-byte reports (report id and 64
// frame bytes): the first is the answer's first report, the rest are handed out as the
// further reports a long answer asks for.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "library/device/enc_chip/chip_base_msg.h"
#include "library/device/enc_chip/enc_chip_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kReport = vantel::kEncChipReportData + 1;
  if (size < kReport + 1) return 0;
  const std::uint8_t command = data[0];
  ++data;
  --size;
  std::size_t at = kReport;
  auto next = [&](std::uint8_t* report) {
    if (at + kReport > size) return false;
    std::memcpy(report, data + at, kReport);
    at += kReport;
    return true;
  };
  vantel::EncChipAnswer answer;
  if (vantel::AssembleEncChipAnswer(data, next, command, &answer) == vantel::EncChipCheck::kGood) {
    // What the base-message command would split: the data after the fixed fields.
    const std::size_t frameLength = answer.bodyLength + vantel::kEncChipFrameOverhead;
    std::vector<std::uint8_t> frame(answer.frame, answer.frame + frameLength);
    std::uint8_t text[vantel::kChipTextCap], photo[vantel::kChipPhotoCap], fp[vantel::kChipFingerprintCap];
    int textLength = 0, photoLength = 0, fpLength = 0;
    vantel::SplitChipBaseMsg(frame.data(), frame.size(), text, &textLength, photo, &photoLength, fp, &fpLength);
    if (textLength > vantel::kChipTextCap || photoLength > vantel::kChipPhotoCap ||
        fpLength > vantel::kChipFingerprintCap) {
      __builtin_trap();
    }
  }
  // The split alone, on the input as a frame of known length.
  std::vector<std::uint8_t> whole(data, data + size);
  std::uint8_t text[vantel::kChipTextCap], photo[vantel::kChipPhotoCap], fp[vantel::kChipFingerprintCap];
  int textLength = 0, photoLength = 0, fpLength = 0;
  vantel::SplitChipBaseMsg(whole.data(), whole.size(), text, &textLength, photo, &photoLength, fp, &fpLength);
  return 0;
}
