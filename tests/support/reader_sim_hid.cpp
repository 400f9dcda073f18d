#include "support/reader_sim_hid.h"

#include <algorithm>

#include "support/reader_sim.h"

namespace vantel_test {
namespace {

class SimulatedHidHandle : public platform::HidDevice {
 public:
  explicit SimulatedHidHandle(SimulatedHidReader& reader) : reader_(reader) {}

  bool SetInputBufferCount(std::uint32_t) override { return true; }

  bool Attributes(platform::HidAttributes* attributes) override {
    *attributes = {reader_.vendorId, reader_.productId};
    return true;
  }

  bool Capabilities(platform::HidCapabilities* capabilities) override {
    *capabilities = {reader_.inputReportLength, kHidReportLength};
    return true;
  }

  bool SetOutputReport(const std::uint8_t* report, std::size_t length) override {
    if (reader_.refusesOutput) {
      ++reader_.refusedOutputTries;
      return false;
    }
    Receive(report, length);
    return true;
  }

  // Nothing due: the reader hands out an all-zero report.
  bool GetInputReport(std::uint8_t* report, std::size_t length) override {
    if (!reader_.answering || reader_.inputReportsServed == reader_.inputReportsBeforeFailure)
      return false;
    Bytes next = TakeInputReport();
    std::fill(report, report + length, std::uint8_t{0});
    std::copy_n(next.begin(), std::min(length, next.size()), report);
    return true;
  }

  platform::HidTransfer WriteReport(const std::uint8_t* report, std::size_t length,
                                    std::uint32_t) override {
    return SetOutputReport(report, length) ? platform::HidTransfer::kDone
                                           : platform::HidTransfer::kFailed;
  }

  // Nothing due: the wait runs out (at once, the double does not wait).
  platform::HidTransfer ReadReport(std::uint8_t* report, std::size_t length,
                                   std::uint32_t) override {
    if (!reader_.answering || reader_.pendingInputReports.empty())
      return platform::HidTransfer::kTimedOut;
    GetInputReport(report, length);
    return platform::HidTransfer::kDone;
  }

 private:
  void Receive(const std::uint8_t* report, std::size_t length) {
    reader_.outputReports.emplace_back(report, report + length);
    Bytes payload(kHidPayloadSize, 0);
    std::copy_n(report + 1, std::min(length - 1, kHidPayloadSize), payload.begin());
    Bytes answer = reader_.answerer ? reader_.answerer(payload) : Bytes{};
    if (answer.empty()) return;
    for (int i = 0; i < reader_.zeroReportsBeforeAnswer; ++i)
      reader_.pendingInputReports.emplace_back(reader_.inputReportLength, 0);
    for (Bytes& piece : InputReportsFor(answer, reader_.inputReportLength - 1u))
      reader_.pendingInputReports.push_back(std::move(piece));
  }

  Bytes TakeInputReport() {
    if (reader_.pendingInputReports.empty()) return Bytes(reader_.inputReportLength, 0);
    Bytes next = std::move(reader_.pendingInputReports.front());
    reader_.pendingInputReports.pop_front();
    ++reader_.inputReportsServed;
    return next;
  }

  SimulatedHidReader& reader_;
};

}  // namespace

ReportAnswerer AnswerThrough(ReaderSim& sim) {
  auto gathered = std::make_shared<Bytes>();
  return [&sim, gathered](const Bytes& payload) -> Bytes {
    gathered->insert(gathered->end(), payload.begin(), payload.end());
    const std::size_t length = RequestFrameSize(*gathered, 0);
    if (length == 0) {
      gathered->clear();
      return {};
    }
    if (gathered->size() < length) return {};
    Bytes frame(gathered->begin(), gathered->begin() + static_cast<std::ptrdiff_t>(length));
    gathered->clear();
    return sim.AnswerFrame(frame);
  };
}

std::vector<Bytes> InputReportsFor(const Bytes& answer, std::size_t payload) {
  std::vector<Bytes> reports;
  for (std::size_t at = 0; at < answer.size(); at += payload) {
    Bytes report(payload + 1, 0);
    const std::size_t piece = std::min(payload, answer.size() - at);
    std::copy_n(answer.begin() + static_cast<std::ptrdiff_t>(at), piece, report.begin() + 1);
    reports.push_back(std::move(report));
  }
  return reports;
}

HidAttachment::HidAttachment() { platform::SetHidProvider(this); }

HidAttachment::~HidAttachment() { platform::SetHidProvider(nullptr); }

SimulatedHidReader& HidAttachment::AddReader(ReportAnswerer answerer) {
  readers_.emplace_back();
  SimulatedHidReader& reader = readers_.back();
  reader.path = "sim-hid-" + std::to_string(readers_.size());
  reader.answerer = std::move(answerer);
  return reader;
}

SimulatedHidReader& HidAttachment::AddOtherDevice(std::uint16_t vendorId, std::uint16_t productId) {
  SimulatedHidReader& device = AddReader(nullptr);
  device.vendorId = vendorId;
  device.productId = productId;
  return device;
}

std::vector<std::string> HidAttachment::DevicePaths() {
  std::vector<std::string> paths;
  for (const SimulatedHidReader& reader : readers_) paths.push_back(reader.path);
  return paths;
}

std::unique_ptr<platform::HidDevice> HidAttachment::Open(const std::string& path,
                                                         platform::HidAccess) {
  for (SimulatedHidReader& reader : readers_)
    if (reader.path == path) return std::make_unique<SimulatedHidHandle>(reader);
  return nullptr;
}

}  // namespace vantel_test
