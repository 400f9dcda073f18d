#pragma once
// The reader simulator: one model of a card reader, its security module (SAM) and the
// cards in its field. It answers request frames with answer frames, independent of the
// transport; the attachments (reader_sim_serial, reader_sim_tcp, reader_sim_usb and the
// HID and PC/SC ones) carry the bytes. Faults are scripted per answer, every request is
// logged for wire checks, and commands and cards are added by registering handlers.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vantel_test {

using Bytes = std::vector<std::uint8_t>;

// SAM status words (SW3) the model answers with.
constexpr std::uint8_t kSwSuccess = 0x90;
constexpr std::uint8_t kSwCardFound = 0x9F;
constexpr std::uint8_t kSwNoContent = 0x91;      // e.g. a card without a new address
constexpr std::uint8_t kSwNoCard = 0x80;         // search found nothing
constexpr std::uint8_t kSwSelectFailed = 0x81;   // select without a found card
constexpr std::uint8_t kSwCardReadFailed = 0x41; // card command without a selected card
constexpr std::uint8_t kSwBadRequestCheck = 0x10;
constexpr std::uint8_t kSwUnknownCommand = 0x21;
// The reader's plain success answer to a vendor command.
constexpr std::uint8_t kVendorSuccess = 0x56;
// The status of a vendor answer when no contactless card is in the field.
constexpr std::uint8_t kVendorNoCard = 0x80;
// The answer to the vendor LED command C0 ("X").
constexpr std::uint8_t kVendorBeeped = 0x58;

// Frame building, as the library and the reader write them.
// Whether `frame` begins as an encryption-chip frame: eight 55 bytes and the marker A6.
bool IsEncChipFrame(const Bytes& frame);
Bytes SamRequestFrame(std::uint8_t command, std::uint8_t parameter, const Bytes& data = {});
Bytes SamAnswerFrame(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t sw3, const Bytes& data = {});
// 55 AA LEN payload XOR; a payload of 254 bytes or more gets the long-answer LEN 0xFF.
Bytes VendorFrame(const Bytes& payload);
// The size of the request frame that starts at `at` once its header is there, else 0. The
// LED frame AA AA AA 96 69 C0 FF ctl chk has no LEN: 9 bytes. An encryption-chip frame's LEN
// (two bytes little-endian after eight 55 and A6) counts its body: 12 bytes more.
std::size_t RequestFrameSize(const Bytes& data, std::size_t at);
// The data field of a case 3 or 4 APDU (CLA INS P1 P2 Lc data [Le]); none for case 1 or 2.
Bytes ApduCommandData(const Bytes& apdu);
// The base64-wrapped form of an answer frame: chunks of A5 A5 A5 96 69, a 2-byte length and
// that many base64 characters; `chunkChars` 0 puts the whole text in one chunk.
Bytes Base64Chunks(const Bytes& frame, std::size_t chunkChars);

// The fields of a SAM request frame.
struct SamRequest {
  std::uint8_t command = 0;
  std::uint8_t parameter = 0;
  Bytes data;
};

struct SamAnswer {
  std::uint8_t sw1 = 0;
  std::uint8_t sw2 = 0;
  std::uint8_t sw3 = kSwSuccess;
  Bytes data;
};

// The SAM id of a fingerprint reader: its second number is 3 ("05.03-...").
Bytes FingerprintSamId();

// The security module's own data.
struct SimSam {
  Bytes samId = Bytes{0x05, 0x00, 0x01, 0x00, 0x4E, 0x61, 0xBC, 0x00,
                      0x3A, 0x4B, 0x5C, 0x6D, 0x11, 0x22, 0x33, 0x44};
  Bytes managementInfo = Bytes(28, 0x00);
  int resets = 0;
  int rfFrameSize = 0;  // last value set by 61 FF
  // A reader without fingerprint answers the fingerprint read without that part.
  bool fingerprintReader = true;
};

// One of the reader's two PSAM slots (contact security modules).
struct SimPsamSlot {
  Bytes atr{0x3B, 0x6C, 0x00, 0x02, 0x86, 0x38, 0x10, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44};
  bool powered = false;
  std::uint8_t error = 0;  // non-zero: every command of the slot is refused with it
  Bytes response = Bytes{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90,
                         0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0x01, 0x02, 0x03, 0x90, 0x00};
  std::vector<Bytes> apdus;  // every APDU received
};

// A card in the reader's field; the M1 and CPU cards of reader_sim_cards.h derive from it too.
struct SimCard {
  virtual ~SimCard() = default;
};

struct SimIdentityCard : SimCard {
  SimIdentityCard();
  Bytes text;   // 256 bytes, UCS-2
  Bytes photo;  // 1024 bytes
  Bytes newAddress;  // empty: the card carries none
  // 1024 bytes with runs of 64 zero bytes that fill whole HID reports of the answer.
  Bytes fingerprint;
  // Lengths the base-message answer states in place of the true ones.
  std::optional<unsigned> statedTextLength;
  std::optional<unsigned> statedPhotoLength;
  Bytes findData{0x00, 0x00, 0x00, 0x00};
  Bytes selectData = Bytes(8, 0x00);
};

// A contactless card in the field (later kinds: M1, CPU card): the search reports its type
// byte, the serial read its serial.
struct SimContactlessCard : SimCard {
  std::uint8_t typeByte = 0x08;
  Bytes serial{0x12, 0x34, 0x56, 0x78};
};

// The reader's own state, as its vendor commands report and set it.
struct SimDevice {
  Bytes version{24, 25, 1};  // major, minor, build: a reader of type 2
  Bytes managementNumber{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  std::vector<std::uint8_t> ledControls;  // every LED and beeper control byte, in order
  std::uint8_t standbyUnits = 0;          // standby time in 30-second units
  std::uint8_t longPressSeconds = 3;
  std::deque<std::uint16_t> batteryReadings{38000};  // handed out in turn, the last one kept
  bool poweredOff = false;
  bool antennaOff = false;
  int updates = 0;
  std::uint8_t powerLedColour = 0;
  std::map<std::uint16_t, Bytes> twoUsbParameters;
  std::map<std::string, Bytes> sdCardFiles;
  // A "new version" reader does not answer the version-mode command C1 nor the LED C0.
  bool newVersion = false;
  // Unknown (pass-through) commands are refused with this status (71, 72 or 81) when set.
  std::optional<std::uint8_t> passThroughRefusal;
};

// How one answer goes wrong on the way.
enum class Fault {
  kSilence,         // no answer at all
  kHeaderOnly,      // the header (7 or 3 bytes) and nothing more
  kWrongPreamble,   // AA AA AA 96 68 ... or 55 AB ...
  kWrongCheck,      // last byte flipped
  kShortBody,       // the last `missingBytes` bytes left out
  kSlowPieces,      // `pieceSize` bytes at a time, `pieceDelayMs` apart
  kBase64,          // base64-wrapped, `base64ChunkChars` per chunk, chunks `pieceDelayMs` apart
  kCloseMidAnswer,  // `bytesBeforeClose` bytes, then the connection ends
  kNoiseFirst,      // `noiseBytes` bytes of line noise before the answer
  kShortPacket,     // PC/SC: packet `packet` of a sliced answer one byte short
  kStatusCut,       // a SAM answer sent anew with only `statusBytes` of its status bytes
};

struct FaultPlan {
  Fault fault = Fault::kSilence;
  std::size_t pieceSize = 64;
  int pieceDelayMs = 20;
  std::size_t base64ChunkChars = 0;
  std::size_t missingBytes = 1;
  std::size_t bytesBeforeClose = 16;
  std::size_t noiseBytes = 64;
  std::size_t packet = 0;
  std::size_t statusBytes = 2;
};

// One delivery step of an answer: wait `delayMs`, then send `bytes`.
struct Piece {
  Bytes bytes;
  int delayMs = 0;
};

struct Reply {
  std::vector<Piece> pieces;
  bool closeAfter = false;
  Bytes Joined() const;
};

class ReaderSim {
 public:
  using SamHandler = std::function<SamAnswer(const SamRequest&)>;
  // Takes the request payload (CMD, then command bytes) and gives the answer payload
  // (status, then data); nullopt for no answer.
  using VendorHandler = std::function<std::optional<Bytes>(const Bytes& payload)>;
  // Takes a whole encryption-chip frame (eight 55, A6, ...) and gives the chip's answer frame;
  // nullopt for no answer.
  using EncChipHandler = std::function<std::optional<Bytes>(const Bytes& frame)>;
  // Takes the data field of a PC/SC "FF97" 10 cc pseudo-APDU (empty for "FF97" 10 cc arg)
  // and gives the whole response: data, then 90 00.
  using ReaderCodeHandler = std::function<Bytes(const Bytes& data)>;

  ReaderSim();
  ReaderSim(const ReaderSim&) = delete;
  ReaderSim& operator=(const ReaderSim&) = delete;

  // Commands: the SAM commands of a reader are there from the start; later cards and
  // vendor commands register theirs. A new handler replaces an old one.
  void OnSamCommand(std::uint8_t command, std::uint8_t parameter, SamHandler handler);
  void OnVendorCommand(std::uint8_t command, VendorHandler handler);
  // A reader with an encryption chip: its frames go to `handler`.
  void OnEncChipFrame(EncChipHandler handler);
  // PC/SC reader codes cc have a table of their own: they are not vendor command bytes.
  void OnReaderCode(std::uint8_t code, ReaderCodeHandler handler);

  // The field: one card at a time; placing or removing a card ends the SAM's card session.
  void PlaceCard(std::shared_ptr<SimCard> card);
  void RemoveCard();
  template <typename Kind>
  Kind* CardAs() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return dynamic_cast<Kind*>(card_.get());
  }
  SimSam& Sam() { return sam_; }
  // Slot 1 or 2.
  SimPsamSlot& Psam(int slot) { return psam_[slot - 1]; }
  std::uint8_t psamTestByte = 0x5A;
  SimDevice& Device() { return device_; }

  // Faults: queued ones apply to the next answers, one each; a standing one to every
  // answer while no queued one is left.
  void QueueFault(const FaultPlan& plan);
  void SetStandingFault(std::optional<FaultPlan> plan);

  // The answer to one request frame as the PC/SC and HID attachments deliver it whole
  // (empty for none), faults applied. Logs the request.
  Bytes AnswerFrame(const Bytes& requestFrame);
  // The same answer cut into packets of `packetSize` bytes, as a PC/SC reader hands out a
  // long answer one packet per command.
  std::vector<Bytes> AnswerPackets(const Bytes& requestFrame, std::size_t packetSize);
  // The response to a PC/SC "FF97" pseudo-APDU by the reader-code table, or to an APDU of
  // another class by the card in the field. Logs the APDU as the request.
  Bytes AnswerReaderCode(const Bytes& apdu);
  // Byte-stream delivery: takes what the library wrote, finds the complete request frames
  // in it (bytes before a preamble are dropped) and gives the reply to each, faults applied.
  std::vector<Reply> Feed(const std::uint8_t* data, std::size_t length);

  // Every request frame received, in order.
  std::vector<Bytes> Requests() const;
  void ClearRequests();

 private:
  void RegisterSamCommands();
  // The M1 card, CPU card and PSAM commands and the CPU card's PC/SC APDUs
  // (reader_sim_cards.cpp).
  void RegisterCardCommands();
  Bytes AnswerCardApdu(const Bytes& apdu);
  void RegisterDeviceCommands();
  void RegisterReaderCodes();
  std::optional<Bytes> Answer(const Bytes& requestFrame);
  SamAnswer AnswerSam(const SamRequest& request);
  std::optional<FaultPlan> NextFault();
  // Whether the search and the select of the SAM's card session have run.
  bool HasIdentityCard();

  mutable std::recursive_mutex mutex_;
  std::map<std::uint16_t, SamHandler> samHandlers_;
  std::map<std::uint8_t, VendorHandler> vendorHandlers_;
  EncChipHandler encChipHandler_;
  std::map<std::uint8_t, ReaderCodeHandler> readerCodeHandlers_;
  std::shared_ptr<SimCard> card_;
  SimSam sam_;
  SimPsamSlot psam_[2];
  SimDevice device_;
  bool cardFound_ = false;
  bool cardSelected_ = false;
  std::deque<FaultPlan> queuedFaults_;
  std::optional<FaultPlan> standingFault_;
  std::vector<Bytes> requests_;
  Bytes pending_;
};

// The transport-independent delivery of `frame` with `plan` applied.
Reply Deliver(const Bytes& frame, const std::optional<FaultPlan>& plan);

}  // namespace vantel_test
