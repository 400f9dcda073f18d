// Arbitrary bytes as the SAM's base-message answer: the frame check and the copy into the
// caller's buffers, then the text through the kind decision and the three record layouts.
// Input: the answer frame from its preamble on; a shorter one is padded with zeros. Every
// buffer is allocated at exactly its size, so any write past one is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "library/cards/idcard/base_msg_frame.h"
#include "library/cards/idcard/record_layouts.h"

namespace {

void DecodeAll(const std::uint8_t* text, const vantel::FieldLayout* layout, std::size_t count) {
  std::vector<std::unique_ptr<char[]>> buffers;
  std::vector<char*> fields;
  for (std::size_t i = 0; i < count; ++i) {
    buffers.emplace_back(new char[layout[i].bytes]);
    fields.push_back(buffers.back().get());
  }
  vantel::DecodeRecord(text, layout, count, fields.data());
  // Each field ends in NUL within its buffer.
  for (std::size_t i = 0; i < count; ++i)
    if (fields[i][layout[i].bytes - 1] != '\0') __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> frame(vantel::kBaseMsgFrameSize, 0);
  std::memcpy(frame.data(), data, size < frame.size() ? size : frame.size());
  if (vantel::BaseMsgFrameIsGood(frame.data())) {
    auto text = std::make_unique<unsigned char[]>(vantel::kBaseMsgTextSize);
    auto photo = std::make_unique<unsigned char[]>(vantel::kBaseMsgPhotoSize);
    unsigned textLength = 0;
    unsigned photoLength = 0;
    vantel::CopyBaseMsg(frame.data(), {text.get(), &textLength, photo.get(), &photoLength});
  }
  const std::uint8_t* text = frame.data() + 14;
  vantel::DecideCardKind(text);
  DecodeAll(text, vantel::kResidentLayout, vantel::kResidentFieldCount);
  DecodeAll(text, vantel::kForeignLayout, vantel::kForeignFieldCount);
  DecodeAll(text, vantel::kPermitLayout, vantel::kPermitFieldCount);
  return 0;
}
