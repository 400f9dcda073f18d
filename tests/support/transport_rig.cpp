#include "support/transport_rig.h"

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "support/pcsc_attachment.h"

namespace vantel_test {

std::string ViaName(Via via) {
  switch (via) {
    case Via::kSerial: return "Serial";
    case Via::kNetwork: return "Network";
    case Via::kHid: return "Hid";
    case Via::kUsbDriver: return "UsbDriver";
    case Via::kUsbPipes: return "UsbPipes";
    case Via::kPcsc: return "Pcsc";
  }
  return "";
}

void ResetLibraryState() {
  vantel::DeviceState& device = vantel::Device();
  device.gPort = 0;
  device.gComBaud = 0;
  device.gComBase64 = 0;
  device.pcsc.gPcscCard = 0;
  device.hid.gHidOpen = 0;
  device.gMute = 0;
  device.gRepeat = 0;
  device.gCachedBaseMsg = vantel::CachedBaseMsg{};
  vantel::Settings() = vantel::ReaderSettings{};
}

TransportRig::TransportRig(Via via, int serialPort) : via_(via), serialPort_(serialPort) {
  ResetLibraryState();
  switch (via) {
    case Via::kSerial:
      serial_ = std::make_unique<SerialAttachment>(sim_, serialPort_);
      if (!serial_->IsAttached()) failure_ = "no serial line";
      break;
    case Via::kNetwork:
      tcp_ = std::make_unique<TcpAttachment>(sim_);
      if (tcp_->Port() == 0) failure_ = "no TCP listener";
      folder_.Write("kestor.ini", tcp_->IniText());
      vantel::SetUpLibraryIn(folder_.path().string());
      break;
    case Via::kHid:
      hid.AddReader(AnswerThrough(sim_));
      break;
    case Via::kUsbDriver:
      usb.AddDriverReader(sim_);
      break;
    case Via::kUsbPipes:
      usb.AddPipeReader(sim_);
      break;
    case Via::kPcsc:
      failure_ = AttachPcscSim(&sim_, &pcscApdusBefore_);
      break;
  }
}

TransportRig::~TransportRig() {
  vantel::ClosePort(vantel::Device().gPort);
  vantel::ClosePort(Port());
  if (via_ == Via::kPcsc) AttachPcscSim(nullptr, nullptr);
  ResetLibraryState();
}

std::vector<Bytes> TransportRig::PcscApdus() const {
  if (via_ != Via::kPcsc || !failure_.empty()) return {};
  std::vector<Bytes> all = PcscCardApdus();
  return std::vector<Bytes>(all.begin() + static_cast<std::ptrdiff_t>(pcscApdusBefore_), all.end());
}

int TransportRig::Port() const {
  switch (via_) {
    case Via::kSerial: return serialPort_;
    case Via::kNetwork: return vantel::kNetPort;
    case Via::kHid: return vantel::kHidPort;
    default: return vantel::kUsbPortFirst;
  }
}

}  // namespace vantel_test
