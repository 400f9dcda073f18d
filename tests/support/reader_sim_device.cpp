// The reader's own commands in the simulator: the vendor commands of the byte stream, HID and
// the network, and the PC/SC reader codes.
#include <algorithm>
#include <string>

#include "support/reader_sim.h"

namespace vantel_test {
namespace {

const Bytes kVendorDone{kVendorSuccess, 0xFF};
// A set command's answer: "V", FF and a third byte FF.
const Bytes kVendorSetDone{kVendorSuccess, 0xFF, 0xFF};
const Bytes kPcscDone{0x90, 0x00};
constexpr std::uint8_t kParameterRefused = 0x71;
constexpr std::uint8_t kPcscNoCard = 0xFE;
constexpr std::uint8_t kPcscNoSerial = 0xFD;

Bytes With(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// The NUL-terminated name of an SD card command from byte 3 on, and where it ends.
std::string SdName(const Bytes& payload, std::size_t* end) {
  auto nul = std::find(payload.begin() + 3, payload.end(), std::uint8_t{0});
  *end = static_cast<std::size_t>(nul - payload.begin()) + 1;
  return std::string(payload.begin() + 3, nul);
}

}  // namespace

void ReaderSim::RegisterDeviceCommands() {
  OnVendorCommand(0x01, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimContactlessCard>();
    return card ? Bytes{kVendorSuccess, 0xFF, card->typeByte} : Bytes{kVendorNoCard, 0xFF};
  });
  OnVendorCommand(0x02, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimContactlessCard>();
    return card ? With({0x02, 0xFF}, card->serial) : Bytes{kVendorNoCard, 0xFF};
  });
  OnVendorCommand(0x30, [this](const Bytes&) -> std::optional<Bytes> {
    return With({0x30, 0xFF}, device_.version);
  });
  OnVendorCommand(0x31, [this](const Bytes&) -> std::optional<Bytes> {
    ++device_.updates;
    return Bytes{0x31, 0xFF};
  });
  OnVendorCommand(0x36, [this](const Bytes&) -> std::optional<Bytes> {
    return With({0x36}, device_.managementNumber);
  });
  OnVendorCommand(0x38, [this](const Bytes&) -> std::optional<Bytes> {
    device_.antennaOff = true;
    return kVendorDone;
  });
  OnVendorCommand(0x75, [this](const Bytes&) -> std::optional<Bytes> {
    const std::uint16_t reading = device_.batteryReadings.front();
    if (device_.batteryReadings.size() > 1) device_.batteryReadings.pop_front();
    return Bytes{kVendorSuccess, 0xFF, static_cast<std::uint8_t>(reading >> 8),
                 static_cast<std::uint8_t>(reading)};
  });
  OnVendorCommand(0x8C, [this](const Bytes&) -> std::optional<Bytes> {
    device_.poweredOff = true;
    return kVendorSetDone;
  });
  OnVendorCommand(0x8D, [this](const Bytes& payload) -> std::optional<Bytes> {
    device_.powerLedColour = payload.size() > 2 ? payload[2] : 0;
    return kVendorDone;
  });
  OnVendorCommand(0x8E, [this](const Bytes& payload) -> std::optional<Bytes> {
    std::size_t end = 0;
    if (payload.size() < 4) return Bytes{kParameterRefused, 0xFF};
    const std::string name = SdName(payload, &end);
    if (end >= payload.size()) return Bytes{kParameterRefused, 0xFF};
    const std::size_t count = payload[end];
    if (payload[2] == 0x01) {
      const std::size_t available = std::min(count, payload.size() - end - 1);
      device_.sdCardFiles[name] = Bytes(payload.begin() + static_cast<std::ptrdiff_t>(end + 1),
                                        payload.begin() + static_cast<std::ptrdiff_t>(end + 1 + available));
      return kVendorDone;
    }
    auto file = device_.sdCardFiles.find(name);
    if (file == device_.sdCardFiles.end()) return Bytes{kParameterRefused, 0xFF};
    const Bytes& data = file->second;
    return With(kVendorDone, Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(
                                                                   std::min(count, data.size()))));
  });
  OnVendorCommand(0x8F, [this](const Bytes& payload) -> std::optional<Bytes> {
    if (payload.size() < 6) return Bytes{kParameterRefused, 0xFF};
    if (payload[2] == 0x01)
      device_.standbyUnits = payload[3];
    else
      device_.longPressSeconds = payload[5];
    return kVendorDone;
  });
  OnVendorCommand(0x90, [this](const Bytes& payload) -> std::optional<Bytes> {
    const bool standby = payload.size() > 2 && payload[2] == 0x01;
    return Bytes{kVendorSuccess, 0xFF, standby ? device_.standbyUnits : device_.longPressSeconds};
  });
  OnVendorCommand(0x66, [this](const Bytes& payload) -> std::optional<Bytes> {
    if (payload.size() < 4) return Bytes{kParameterRefused, 0xFF};
    auto parameter = device_.twoUsbParameters.find(static_cast<std::uint16_t>(payload[2] | payload[3] << 8));
    if (parameter == device_.twoUsbParameters.end()) return Bytes{kParameterRefused, 0xFF};
    return With(kVendorDone, parameter->second);
  });
  OnVendorCommand(0x67, [this](const Bytes& payload) -> std::optional<Bytes> {
    if (payload.size() < 5) return Bytes{kParameterRefused, 0xFF};
    device_.twoUsbParameters[static_cast<std::uint16_t>(payload[2] | payload[3] << 8)] =
        Bytes(payload.begin() + 4, payload.end());
    return kVendorSetDone;
  });
  OnVendorCommand(0xC0, [this](const Bytes& payload) -> std::optional<Bytes> {
    if (device_.newVersion) return std::nullopt;
    device_.ledControls.push_back(payload.size() > 2 ? payload[2] : 0);
    return Bytes{kVendorBeeped};
  });
  OnVendorCommand(0xC1, [this](const Bytes&) -> std::optional<Bytes> {
    if (device_.newVersion) return std::nullopt;
    return kVendorDone;
  });
  // The LED through the SAM frame: SW3 90.
  OnSamCommand(0xC0, 0xFF, [this](const SamRequest& request) {
    device_.ledControls.push_back(request.data.empty() ? 0 : request.data[0]);
    return SamAnswer{};
  });
}

void ReaderSim::RegisterReaderCodes() {
  OnReaderCode(0x01, [this](const Bytes&) {
    auto* card = CardAs<SimContactlessCard>();
    return With({card ? card->typeByte : kPcscNoCard}, kPcscDone);
  });
  OnReaderCode(0x02, [this](const Bytes&) {
    auto* card = CardAs<SimContactlessCard>();
    return card ? With(card->serial, kPcscDone) : With({kPcscNoSerial, kVendorNoCard}, kPcscDone);
  });
  OnReaderCode(0x10, [this](const Bytes&) { return With(device_.version, kPcscDone); });
  OnReaderCode(0x0F, [this](const Bytes&) {
    ++device_.updates;
    return kPcscDone;
  });
  OnReaderCode(0x11, [this](const Bytes& data) {
    device_.ledControls.push_back(data.empty() ? 0 : data[0]);
    return kPcscDone;
  });
}

}  // namespace vantel_test
