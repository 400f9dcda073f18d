#pragma once
// One exchange of a reader (vendor) command on whichever path the current port takes. Each
// command picks its path with VendorPathNow(), in this order:
//
//   kPcsc    gPort 416 with a connected card: the command's "FF97" 10 cc ... text, sent as a
//            pseudo-APDU; the answer is the reader's data, then 90 00 (PcscVendorExchange).
//   kNetwork gPort 10000: raw frames over TCP, the answer in InputReport (NetFrameExchange).
//            Only the commands that have a network form use it; the others take kStream.
//   kHid     gPort 8159: OutputReport = 00 and the VendorFrame 55 AA LEN payload XOR; the
//            answer frame from InputReport[1]: [1] 55, [2] AA, [3] LEN, [4] status or echo,
//            [5] FF, [6].. data (HidVendorExchange).
//   kStream  anything else (COM port, USB driver, USB pipes): WriteVendorFrame, which must
//            report n + 4 bytes, then the answer by ReadSamFrame while gComBase64 is 1 (the
//            reader wraps its answers in base64), else by ReadVendorFrame
//            (StreamVendorExchange). The answer's body is out[0] status or echo, out[1] FF,
//            out[2].. data and the XOR byte; its length is LEN, so LEN - 3 data bytes.
#include <cstdint>

#include "library/device/frames.h"

namespace vantel {

// The reader's plain success answer to a vendor command ("V"); other commands echo their code.
constexpr std::uint8_t kVendorOk = 0x56;

enum class VendorPath { kPcsc, kNetwork, kHid, kStream };

// The path of the current port for a command with or without a PC/SC text and a network
// form: without them, those ports take the byte stream (where the command then fails).
VendorPath VendorPathNow(bool hasPcscText, bool hasNetworkForm);
bool PcscConnected();

// PC/SC: `text` as bytes, the receive length 256; `answer` (256 bytes) is zeroed first.
// Returns the answer's length.
constexpr unsigned kPcscAnswerSize = 256;
int PcscVendorExchange(const char* text, std::uint8_t* answer);
// True when the answer begins with the status word 90 00.
bool PcscAnswerOk(const char* text);

// HID: false, and nothing sent, when the VendorFrame of `payload` does not fit one output
// report.
bool HidVendorExchange(const std::uint8_t* payload, int length);
// HID: InputReport holds a vendor answer frame: [0] 00, [1] 55, [2] AA.
bool HidAnswerFramed();
// HID: `frame` as it stands after report id 0 (SAM frames and the LED frame); false, and
// nothing sent, when it does not fit one output report.
bool HidFrameExchange(const std::uint8_t* frame, int length);
// The room for one frame in an output report.
int HidFrameRoom();

// Network: sends `frame` and receives up to 256 bytes into InputReport, which is zeroed
// first. The bytes received, or kNetNotSent / kNetNothingReceived.
constexpr int kNetNotSent = -1;
constexpr int kNetNothingReceived = -2;
int NetFrameExchange(const std::uint8_t* frame, int length);

// Which reader takes a byte-stream answer.
enum class AnswerReader { kByBase64Flag, kVendorFrame };

// The most bytes a LEN byte counts; a long answer (LEN FF) may carry more, which no command
// that copies its data to a caller takes.
constexpr unsigned kMaxCountedLength = 254;

// One byte-stream answer: the answer reader's result (0 read) and the LEN bytes it gave.
struct StreamAnswer {
  int readResult = kVendorFrameBadAnswer;
  unsigned length = 0;
  std::uint8_t body[kSamFrameBodyCapacity] = {};

  bool Read() const { return readResult == 0; }
  // Bytes after status and FF, without the XOR byte; 0 for an answer too short to have any.
  unsigned DataLength() const { return length > 3 ? length - 3 : 0; }
  bool Is(std::uint8_t status) const { return Read() && length >= 3 && body[0] == status && body[1] == 0xFF; }
};

// True when WriteVendorFrame reported the whole frame (n + 4 bytes).
bool StreamWriteVendor(const std::uint8_t* payload, int length);
void StreamReadVendor(StreamAnswer* answer, AnswerReader reader = AnswerReader::kByBase64Flag);
// Both: false when the write fell short (then nothing is read).
bool StreamVendorExchange(const std::uint8_t* payload, int length, StreamAnswer* answer,
                          AnswerReader reader = AnswerReader::kByBase64Flag);

bool IsComOrUsbPort(int port);

}  // namespace vantel
