#pragma once
// The PC/SC attachment of the reader simulator: the simulator as the virtual card of a
// vpcd reader (natively inside pcscd, under wine inside the test-only WinSCard.dll). vpcd's
// card protocol runs over TCP: each message is a 2-byte big-endian length and a payload; a
// 1-byte payload is a control (0 power off, 1 power on, 2 reset, 4 ATR), a longer one an
// APDU, answered with the response.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vantel_test {

using Bytes = std::vector<std::uint8_t>;

// Answers one APDU with its response.
using ApduAnswerer = std::function<Bytes(const Bytes& apdu)>;
// Answers one request frame (a SAM frame or a vendor frame) with the reader's answer frame.
using FrameAnswerer = std::function<Bytes(const Bytes& requestFrame)>;

// Answers one request frame with the reader's answer frame cut into packets.
using PacketAnswerer = std::function<std::vector<Bytes>(const Bytes& requestFrame)>;

// The pseudo-APDUs: "FF98" CMD PARA [Lc data] Le passes a SAM frame through and is answered
// with the SAM's answer frame alone (the new-address read "FF983003" 01 pp 00 with packet pp
// of 250 bytes of that frame, its record two bytes later; the base-message read "FF983001"
// 01 pp 00 with packet pp of one answer frame that packet 0 asks `packets` for); "FF97" 10 cc
// (ARG | Lc data) is a reader command by its reader code cc (not a vendor command byte),
// answered by `readerCodes` with data and 90 00. An APDU of another class goes to the card in
// the field, also through `readerCodes`. Anything else gets 6D 00.
ApduAnswerer PseudoApduAnswerer(FrameAnswerer frames, ApduAnswerer readerCodes,
                                PacketAnswerer packets = nullptr);

class VirtualCard {
 public:
  // Connects to the vpcd reader's card port on this machine and serves it until destroyed;
  // when the PC/SC service restarts, it connects again.
  VirtualCard(int port, ApduAnswerer answerer);
  ~VirtualCard();
  VirtualCard(const VirtualCard&) = delete;
  VirtualCard& operator=(const VirtualCard&) = delete;

  bool IsConnected() const { return connected_; }
  // Takes the card out of its reader (its connection ends) and keeps it out until PutIn,
  // when it connects again: the reader sees another card come in.
  void TakeOut();
  void PutIn();
  // The APDUs received so far.
  std::vector<Bytes> Apdus() const;

 private:
  void Serve();
  void ServeConnection();
  bool Reconnect();
  Bytes Answer(const Bytes& message);

  int port_;
  ApduAnswerer answerer_;
  std::intptr_t socket_ = -1;
  bool stopping_ = false;  // under mutex_
  bool out_ = false;       // under mutex_
  std::atomic<bool> connected_{false};
  mutable std::mutex mutex_;
  std::vector<Bytes> apdus_;
  std::thread thread_;
};

// A virtual card that serves the rest of the test program: it is stopped, its thread joined,
// when the program's tests have ended, before any static object it reads is destroyed.
VirtualCard* ProgramLongVirtualCard(int port, ApduAnswerer answerer);

}  // namespace vantel_test
