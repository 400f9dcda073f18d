#pragma once
// One SAM request and its answer on each transport, as every SAM command shares them: the
// transport choice, the request frame, the exchanges and the optional open and close.
#include <cstddef>
#include <cstdint>

#include "library/device/frames.h"

namespace vantel {

// One SAM command: the body after LEN (CMD, PARA, data, check byte) and its PC/SC form.
struct SamRequest {
  std::uint8_t body[4];
  int length;
  const char* pcscText;
};

constexpr int kSamAnswerWaitMs = 5000;

// The transport choice, from the argument and the current port.
bool UsesPcsc(int port);
bool UsesHid(int port);
bool UsesNet(int port);
bool IsStreamPort(int port);

// The frame of `request` as the SAM reads it: preamble, LEN, body; returns its length.
int BuildFrame(const SamRequest& request, std::uint8_t* frame);

// A SAM answer frame as the HID or network exchange left it in InputReport: SW1 SW2 SW3 at
// frame bytes 7..9, the data from 10. Only the data bytes this answer carried belong to it.
struct SamAnswerView {
  const std::uint8_t* frame = nullptr;
  unsigned dataLength = 0;  // the data bytes carried, the check byte not counted
  std::size_t frameCarried = 0;  // the frame bytes that came, header and check byte counted

  std::uint8_t Sw1() const { return frame[7]; }
  std::uint8_t Sw2() const { return frame[8]; }
  std::uint8_t Sw3() const { return frame[9]; }
  const std::uint8_t* Data() const { return frame + kSamAnswerDataAt; }
  // Copies `size` data bytes to `out` (null: nowhere); false, copying nothing, when the answer
  // did not carry that many.
  bool CopyData(void* out, std::size_t size) const;

  static constexpr std::size_t kSamAnswerDataAt = 10;
};

// The data bytes an answer frame of LEN `length` states: LEN less SW1 SW2 SW3 and the check.
unsigned StatedDataLength(unsigned length);

// HID: the frame after report id 0; the answer frame follows the report id of InputReport,
// joined there from as many input reports as its LEN states, its data counted as far as they
// came.
SamAnswerView HidExchange(const SamRequest& request);
// Network: the receive buffer InputReport is cleared and the answer frame lands at its start.
// 0 with `answer`, or the send (4) or receive (5) failure code, or 3 for an answer too short
// to carry its status bytes and its check byte.
int NetExchange(const SamRequest& request, SamAnswerView* answer);
// PC/SC: the answer's length; `answer` holds 256 bytes.
int PcscExchange(const char* text, std::uint8_t* answer);

// What the byte stream answered: the bytes after LEN (SW1 SW2 SW3 data CHK).
struct StreamAnswer {
  int readResult = 0;
  unsigned length = 0;
  std::uint8_t body[kSamFrameBodyCapacity] = {};
};

// Serial port or USB: true when the whole request was written.
bool StreamWrite(const SamRequest& request);
// Reads the answer, waiting up to `waitMs`.
void StreamRead(StreamAnswer* answer, int waitMs = kSamAnswerWaitMs);
// Both: 0 with the read's result in `answer`, or 3 when the request was not written whole.
int StreamExchange(const SamRequest& request, StreamAnswer* answer);

// The optional open of a command and the close that goes with it on the byte stream.
class PortUse {
 public:
  PortUse(int port, int openFirst) : port_(port), openFirst_(openFirst != 0) {}
  bool Open() const;
  int Close(int result) const;

 private:
  int port_;
  bool openFirst_;
};

}  // namespace vantel
