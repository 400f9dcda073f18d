#include "platform/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

ReportDescriptorSummary Summarize(const Bytes& descriptor) {
  return SummarizeReportDescriptor(descriptor.data(), descriptor.size());
}

// The reader's vendor-defined layout: 64 bytes in, 64 bytes out, no report ids.
const Bytes kReaderDescriptor{
    0x06, 0x00, 0xFF,  // usage page (vendor)
    0x09, 0x01,        // usage
    0xA1, 0x01,        // collection (application)
    0x15, 0x00, 0x26, 0xFF, 0x00,  // logical 0..255
    0x75, 0x08, 0x95, 0x40,        // 8 bits x 64
    0x09, 0x01, 0x81, 0x02,        // input
    0x09, 0x01, 0x91, 0x02,        // output
    0xC0};

TEST(HidReportDescriptor, UnnumberedReportsCountTheirIdByteAsWindowsDoes) {
  ReportDescriptorSummary summary = Summarize(kReaderDescriptor);
  EXPECT_EQ(summary.capabilities.inputReportLength, 65);
  EXPECT_EQ(summary.capabilities.outputReportLength, 65);
  EXPECT_FALSE(summary.numberedReports);
}

TEST(HidReportDescriptor, NumberedReportsGiveTheLongestOfEachKind) {
  const Bytes descriptor{
      0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02,  // id 1: 8 bytes in
      0x95, 0x04, 0x91, 0x02,                          // id 1: 4 bytes out
      0x85, 0x02, 0xA4,                                // id 2, push
      0x75, 0x01, 0x95, 0x05, 0x81, 0x02,              // 5 bits in
      0xB4,                                            // pop: 8 bits again
      0x95, 0x20, 0x81, 0x02,                          // 32 bytes in
      0xFE, 0x02, 0x10, 0xAA, 0xBB,                    // a long item, skipped
  };
  ReportDescriptorSummary summary = Summarize(descriptor);
  EXPECT_TRUE(summary.numberedReports);
  EXPECT_EQ(summary.capabilities.inputReportLength, 1 + 1 + 32);  // 5 bits round up to a byte
  EXPECT_EQ(summary.capabilities.outputReportLength, 5);
}

TEST(HidReportDescriptor, ACutDescriptorIsReadAsFarAsItGoes) {
  Bytes cut(kReaderDescriptor.begin(), kReaderDescriptor.begin() + 21);  // the input only
  cut.push_back(0x26);  // an item whose data is missing
  ReportDescriptorSummary summary = Summarize(cut);
  EXPECT_EQ(summary.capabilities.inputReportLength, 65);
  EXPECT_EQ(summary.capabilities.outputReportLength, 0);
  EXPECT_EQ(Summarize({0xFE}).capabilities.inputReportLength, 0);
}

}  // namespace
}  // namespace platform
