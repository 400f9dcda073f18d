#pragma once
// The USB attachment of the reader simulator: an in-process double of the reader's USB
// driver (its four control codes) and of the generic driver's bulk pipes, installed at the
// platform seam, so the same tests run on every system.
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/usb_devices.h"
#include "support/reader_sim.h"

namespace vantel_test {

// One control request the driver double received.
struct ControlCall {
  std::uint32_t code = 0;
  Bytes in;
  std::size_t outCapacity = 0;
};

// One present interface and what happened to it.
struct SimulatedUsbDevice {
  ReaderSim* sim = nullptr;
  std::string path;
  bool driver = true;  // the reader's own driver; false: the bulk pipes
  bool refusesOpen = false;
  // A pipe that takes at most this many bytes of a write (0: all of it).
  std::size_t pipeWriteLimit = 0;
  // A pipe read with nothing to give ends a little after its time limit, as the system's
  // pipes do; else it ends at once with no bytes.
  bool emptyReadsWait = false;
  // The time limit of each pipe read, in milliseconds.
  std::vector<std::uint32_t> readLimits;
  std::vector<ControlCall> controls;
  std::vector<std::string> openedPaths;
  int openHandles = 0;  // handles the library holds now
  // Answer bytes not yet taken by the library, one entry per delivery piece.
  std::list<Bytes> pendingPieces;
  Bytes request;  // driver: the frame being written in two control requests
};

class UsbAttachment : public platform::UsbDeviceProvider {
 public:
  UsbAttachment();
  ~UsbAttachment() override;
  UsbAttachment(const UsbAttachment&) = delete;
  UsbAttachment& operator=(const UsbAttachment&) = delete;

  // A reader behind the reader's driver, the next in the interface order.
  SimulatedUsbDevice& AddDriverReader(ReaderSim& sim);
  // A reader behind the bulk pipes "PIPE00" (answers) and "PIPE01" (requests).
  SimulatedUsbDevice& AddPipeReader(ReaderSim& sim);
  std::list<SimulatedUsbDevice>& Devices() { return devices_; }

  std::vector<std::string> InterfacePaths(const platform::DeviceInterfaceClass& interfaceClass) override;
  std::unique_ptr<platform::DeviceHandle> Open(const std::string& path, bool shared) override;

 private:
  std::list<SimulatedUsbDevice> devices_;
};

}  // namespace vantel_test
