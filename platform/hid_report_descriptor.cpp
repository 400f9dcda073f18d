#include "platform/hid_report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace platform {
namespace {

enum ItemType { kMain = 0, kGlobal = 1 };
enum MainTag { kInput = 0x8, kOutput = 0x9 };
enum GlobalTag { kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9, kPush = 0xA, kPop = 0xB };
constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct GlobalState {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

std::uint32_t ItemData(const std::uint8_t* data, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  return value;
}

// The longest report in bytes, with the report id byte that Windows always counts.
std::uint16_t LongestReport(const std::map<std::uint8_t, std::uint64_t>& bitsById) {
  std::uint64_t longest = 0;
  for (const auto& entry : bitsById) longest = std::max(longest, (entry.second + 7) / 8 + 1);
  return static_cast<std::uint16_t>(std::min<std::uint64_t>(longest, 0xFFFF));
}

}  // namespace

ReportDescriptorSummary SummarizeReportDescriptor(const std::uint8_t* descriptor,
                                                  std::size_t length) {
  ReportDescriptorSummary summary;
  GlobalState global;
  std::vector<GlobalState> stack;
  std::map<std::uint8_t, std::uint64_t> inputBits, outputBits;
  std::size_t at = 0;
  while (at < length) {
    const std::uint8_t prefix = descriptor[at];
    if (prefix == kLongItemPrefix) {
      if (at + 1 >= length) break;
      at += 3 + descriptor[at + 1];
      continue;
    }
    static constexpr std::size_t kDataSizes[] = {0, 1, 2, 4};
    const std::size_t size = kDataSizes[prefix & 3];
    if (at + 1 + size > length) break;
    const std::uint32_t value = ItemData(descriptor + at + 1, size);
    const int type = (prefix >> 2) & 3;
    const int tag = prefix >> 4;
    at += 1 + size;
    if (type == kGlobal) {
      switch (tag) {
        case kReportSize: global.reportSize = value; break;
        case kReportCount: global.reportCount = value; break;
        case kReportId:
          global.reportId = static_cast<std::uint8_t>(value);
          summary.numberedReports = true;
          break;
        case kPush: stack.push_back(global); break;
        case kPop:
          if (!stack.empty()) {
            global = stack.back();
            stack.pop_back();
          }
          break;
        default: break;
      }
    } else if (type == kMain && (tag == kInput || tag == kOutput)) {
      auto& bits = tag == kInput ? inputBits : outputBits;
      bits[global.reportId] += static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
    }
  }
  summary.capabilities.inputReportLength = LongestReport(inputBits);
  summary.capabilities.outputReportLength = LongestReport(outputBits);
  return summary;
}

}  // namespace platform
