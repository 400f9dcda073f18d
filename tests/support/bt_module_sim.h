#pragma once
// The library's Bluetooth sockets for tests: each is one end of a real connected stream over
// 127.0.0.1, whose other end a module thread serves as a reader's Bluetooth module does. It
// answers the handshake (an encryption-chip frame with marker 04) as told and echoes any
// other bytes; it records what the library asked for.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/bluetooth.h"
#include "support/local_socket.h"

namespace vantel_test {

using Bytes = std::vector<std::uint8_t>;

class BtModuleSim : public platform::BluetoothProvider {
 public:
  enum class Handshake { kStatusZero, kStatusNonZero, kShortAnswer, kSilence };

  // Installs itself as the library's Bluetooth sockets for its lifetime; the library's link
  // must be closed before it goes.
  BtModuleSim();
  ~BtModuleSim() override;
  BtModuleSim(const BtModuleSim&) = delete;
  BtModuleSim& operator=(const BtModuleSim&) = delete;

  // How the module and the next calls behave.
  std::atomic<Handshake> handshake{Handshake::kStatusZero};
  bool startFails = false;
  bool createFails = false;
  bool connectFails = false;

  // What happened.
  struct Record {
    int starts = 0;  // socket-library starts and stops
    int stops = 0;
    int openSockets = 0;
    std::vector<platform::RfcommPeer> peers;
    std::vector<std::uint32_t> receiveTimeouts;
    Bytes received;  // every byte the module read, in order
  };
  Record Recorded() const;

  bool Start() override;
  void Stop() override;
  std::unique_ptr<platform::BluetoothSocket> Create() override;

 private:
  class StreamSocket;
  void Serve(LocalSocket end);
  void Answer(LocalSocket end, Bytes* pending);

  mutable std::mutex mutex_;
  Record record_;
  std::vector<std::thread> modules_;
};

}  // namespace vantel_test
