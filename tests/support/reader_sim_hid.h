#pragma once
// The HID attachment of the reader simulator: an in-process double of HID devices at the
// platform seam, so the same HID tests run on every system. Reports are 64 bytes after
// report id 0, as the readers send them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/hid.h"

namespace vantel_test {

using Bytes = std::vector<std::uint8_t>;
class ReaderSim;

constexpr std::size_t kHidPayloadSize = 64;
constexpr std::uint16_t kHidReportLength = kHidPayloadSize + 1;

// The reader side: takes the 64 payload bytes of one output report and returns the answer
// bytes due (none while a request spread over several reports is incomplete).
using ReportAnswerer = std::function<Bytes(const Bytes& payload)>;

struct SimulatedHidReader {
  std::string path;
  std::uint16_t vendorId = 0x0425;
  std::uint16_t productId = 0x8159;
  ReportAnswerer answerer;
  // The input report length the reader declares, report id included; its answers come cut
  // into reports of that length.
  std::uint16_t inputReportLength = kHidReportLength;
  // All-zero input reports the reader sends before each answer.
  int zeroReportsBeforeAnswer = 0;
  // A reader that stops answering fails every input report request.
  bool answering = true;
  // A reader that fails every input report request once it has served this many (-1: never).
  int inputReportsBeforeFailure = -1;
  // A reader whose output reports all fail.
  bool refusesOutput = false;

  // What happened, for the tests to look at.
  std::vector<Bytes> outputReports;  // whole reports, report id included
  int refusedOutputTries = 0;
  int inputReportsServed = 0;

  std::list<Bytes> pendingInputReports;
};

// Installs itself as the library's HID devices for its lifetime.
class HidAttachment : public platform::HidProvider {
 public:
  HidAttachment();
  ~HidAttachment() override;
  HidAttachment(const HidAttachment&) = delete;
  HidAttachment& operator=(const HidAttachment&) = delete;

  // A matching reader with the given answerer; the reference stays valid.
  SimulatedHidReader& AddReader(ReportAnswerer answerer);
  // A HID device of another kind (a keyboard, say).
  SimulatedHidReader& AddOtherDevice(std::uint16_t vendorId, std::uint16_t productId);

  std::list<SimulatedHidReader>& Readers() { return readers_; }

  std::vector<std::string> DevicePaths() override;
  std::unique_ptr<platform::HidDevice> Open(const std::string& path,
                                            platform::HidAccess access) override;

 private:
  std::list<SimulatedHidReader> readers_;
};

// The simulator's answers to the request frames that the output reports carry; a request
// longer than one report is gathered until it is complete.
ReportAnswerer AnswerThrough(ReaderSim& sim);

// The answer bytes cut into input reports: report id 0, `payload` bytes each, the last
// zero-padded.
std::vector<Bytes> InputReportsFor(const Bytes& answer, std::size_t payload = kHidPayloadSize);

}  // namespace vantel_test
