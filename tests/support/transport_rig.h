#pragma once
// One reader simulator attached over one of the library's transports, for the tests of
// reader commands: a pseudo-terminal COM port, the TCP network reader, the HID double,
// the USB driver and pipe doubles, or a virtual card in a real PC/SC service.
#include <memory>
#include <string>

#include "support/reader_sim.h"
#include "support/reader_sim_hid.h"
#include "support/reader_sim_serial.h"
#include "support/reader_sim_tcp.h"
#include "support/reader_sim_usb.h"
#include "support/temp_folder.h"

namespace vantel_test {

enum class Via { kSerial, kNetwork, kHid, kUsbDriver, kUsbPipes, kPcsc };

std::string ViaName(Via via);

// Sets the library's state back to what a process load leaves.
void ResetLibraryState();

class TransportRig {
 public:
  // Under wine every test program keeps to COM lines of its own (see serial_peer.h): a
  // program that attaches over the serial line names its line.
  static constexpr int kSerialPort = 8;

  explicit TransportRig(Via via, int serialPort = kSerialPort);
  ~TransportRig();

  // "" when the transport is attached; else why it could not be.
  const std::string& failure() const { return failure_; }
  // The port number a caller opens to reach the reader.
  int Port() const;
  ReaderSim& sim() { return sim_; }
  // PC/SC: the APDUs the virtual card received since this rig was made.
  std::vector<Bytes> PcscApdus() const;
  // Whether the library still holds the serial line open.
  bool SerialLineHeld() { return serial_ && serial_->IsHeldOpen(); }

  HidAttachment hid;
  UsbAttachment usb;

 private:
  Via via_;
  int serialPort_;
  std::size_t pcscApdusBefore_ = 0;
  ReaderSim sim_;
  TempFolder folder_;
  std::unique_ptr<SerialAttachment> serial_;
  std::unique_ptr<TcpAttachment> tcp_;
  std::string failure_;
};

}  // namespace vantel_test
