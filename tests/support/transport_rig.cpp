#include "support/transport_rig.h"

#include <atomic>

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "support/pcsc_service.h"
#include "support/reader_sim_pcsc.h"

namespace vantel_test {
namespace {

// The PC/SC service's virtual card lives for the whole program (its reader needs a while
// to notice a card); it answers through the simulator of the rig that is current.
std::atomic<ReaderSim*> currentPcscSim{nullptr};
constexpr std::size_t kPcscPacketSize = 250;

VirtualCard* TheVirtualCard(int port) {
  static VirtualCard* card = new VirtualCard(
      port, PseudoApduAnswerer(
                [](const Bytes& frame) {
                  ReaderSim* sim = currentPcscSim.load();
                  return sim ? sim->AnswerFrame(frame) : Bytes{};
                },
                [](const Bytes& apdu) {
                  ReaderSim* sim = currentPcscSim.load();
                  return sim ? sim->AnswerReaderCode(apdu) : Bytes{};
                },
                [](const Bytes& frame) {
                  ReaderSim* sim = currentPcscSim.load();
                  return sim ? sim->AnswerPackets(frame, kPcscPacketSize) : std::vector<Bytes>{};
                }));
  return card;
}

std::string AttachVirtualCard(std::size_t* apdusBefore) {
  const PcscService& service = StartPcscService();
  if (!service.failure.empty()) return service.failure;
  VirtualCard* card = TheVirtualCard(service.knownReaderCardPort);
  *apdusBefore = card->Apdus().size();
  if (!card->IsConnected()) return "the virtual card did not connect";
  if (!WaitForCard(kKnownReaderName)) return "the PC/SC reader saw no card";
  return "";
}

}  // namespace

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
      currentPcscSim = &sim_;
      failure_ = AttachVirtualCard(&pcscApdusBefore_);
      break;
  }
}

TransportRig::~TransportRig() {
  vantel::ClosePort(vantel::Device().gPort);
  vantel::ClosePort(Port());
  currentPcscSim = nullptr;
  ResetLibraryState();
}

std::vector<Bytes> TransportRig::PcscApdus() const {
  if (via_ != Via::kPcsc || !failure_.empty()) return {};
  std::vector<Bytes> all = TheVirtualCard(0)->Apdus();
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
