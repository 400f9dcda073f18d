#include "support/reader_sim.h"

#include <algorithm>
#include <string>

#include "library/device/text_conversions.h"

namespace vantel_test {
namespace {

const Bytes kSamPreamble{0xAA, 0xAA, 0xAA, 0x96, 0x69};
const Bytes kBase64Preamble{0xA5, 0xA5, 0xA5, 0x96, 0x69};
constexpr std::size_t kSamHeaderSize = 7;
constexpr std::size_t kVendorHeaderSize = 3;
constexpr std::uint8_t kLongVendorLength = 0xFF;

std::uint16_t SamKey(std::uint8_t command, std::uint8_t parameter) {
  return static_cast<std::uint16_t>(command << 8 | parameter);
}

void AppendBigEndian16(Bytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

// LEN, then `body`, then the XOR of LEN and body.
Bytes SamFrame(const Bytes& body) {
  Bytes frame = kSamPreamble;
  AppendBigEndian16(frame, body.size() + 1);
  frame.insert(frame.end(), body.begin(), body.end());
  std::uint8_t check = 0;
  for (std::size_t i = kSamPreamble.size(); i < frame.size(); ++i) check ^= frame[i];
  frame.push_back(check);
  return frame;
}

bool StartsWith(const Bytes& data, std::size_t at, const Bytes& prefix) {
  return data.size() >= at + prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), data.begin() + static_cast<std::ptrdiff_t>(at));
}

bool IsVendorStart(const Bytes& data, std::size_t at) {
  return data.size() >= at + 2 && data[at] == 0x55 && data[at + 1] == 0xAA;
}

// The LED command C0 FF where LEN would stand: the HID and network readers take it so.
constexpr std::size_t kLedFrameSize = 9;
bool IsLedFrameWithoutLength(const Bytes& data, std::size_t at) {
  return data.size() >= at + kSamHeaderSize && data[at + 5] == 0xC0 && data[at + 6] == 0xFF;
}

// The LED frame's check byte leaves LEN out, also where WriteSamFrame puts LEN 00 04 in.
bool IsLedFrameWithLength(const Bytes& frame) {
  return frame.size() == kSamHeaderSize + 4 && frame[5] == 0x00 && frame[6] == 0x04 &&
         frame[7] == 0xC0 && frame[8] == 0xFF && frame[10] == (frame[9] ^ 0x6A);
}

// Whether a preamble may start at `at`, judging by the bytes there so far.
bool MayStartFrame(const Bytes& data, std::size_t at) {
  std::size_t left = data.size() - at;
  Bytes head(data.begin() + static_cast<std::ptrdiff_t>(at), data.end());
  bool sam = std::equal(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(
                                                         std::min(left, kSamPreamble.size())),
                        kSamPreamble.begin());
  bool vendor = head[0] == 0x55 && (left < 2 || head[1] == 0xAA);
  return sam || vendor;
}

std::vector<Piece> Split(const Bytes& bytes, std::size_t pieceSize, int delayMs) {
  std::vector<Piece> pieces;
  for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
    std::size_t end = std::min(bytes.size(), at + pieceSize);
    pieces.push_back({Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(end)),
                      pieces.empty() ? 0 : delayMs});
  }
  return pieces;
}

// The chunks of a base64-wrapped answer as separate pieces.
std::vector<Piece> Base64Pieces(const Bytes& frame, std::size_t chunkChars, int delayMs) {
  Bytes chunks = Base64Chunks(frame, chunkChars);
  std::vector<Piece> pieces;
  std::size_t at = 0;
  while (at + kSamHeaderSize <= chunks.size()) {
    std::size_t size = kSamHeaderSize + (static_cast<std::size_t>(chunks[at + 5]) << 8 | chunks[at + 6]);
    pieces.push_back({Bytes(chunks.begin() + static_cast<std::ptrdiff_t>(at),
                            chunks.begin() + static_cast<std::ptrdiff_t>(at + size)),
                      pieces.empty() ? 0 : delayMs});
    at += size;
  }
  return pieces;
}

std::size_t HeaderSizeOf(const Bytes& frame) {
  return IsVendorStart(frame, 0) ? kVendorHeaderSize : kSamHeaderSize;
}

}  // namespace

std::size_t RequestFrameSize(const Bytes& data, std::size_t at) {
  constexpr std::size_t kEncChipHeaderSize = 11;  // eight 55, A6, LEN of two bytes
  if (data.size() >= at + kEncChipHeaderSize &&
      IsEncChipFrame(Bytes(data.begin() + static_cast<std::ptrdiff_t>(at), data.end())))
    return kEncChipHeaderSize + 1 + (data[at + 9] | std::size_t{data[at + 10]} << 8);
  if (StartsWith(data, at, kSamPreamble) && IsLedFrameWithoutLength(data, at)) return kLedFrameSize;
  if (StartsWith(data, at, kSamPreamble) && data.size() >= at + kSamHeaderSize)
    return kSamHeaderSize + (static_cast<std::size_t>(data[at + 5]) << 8 | data[at + 6]);
  if (IsVendorStart(data, at) && data.size() >= at + kVendorHeaderSize)
    return kVendorHeaderSize + data[at + 2];
  return 0;
}

Bytes ApduCommandData(const Bytes& apdu) {
  if (apdu.size() <= 5) return {};
  const std::size_t lc = apdu[4];
  if (apdu.size() < 5 + lc) return {};
  return Bytes(apdu.begin() + 5, apdu.begin() + 5 + static_cast<std::ptrdiff_t>(lc));
}

Bytes SamRequestFrame(std::uint8_t command, std::uint8_t parameter, const Bytes& data) {
  Bytes body{command, parameter};
  body.insert(body.end(), data.begin(), data.end());
  return SamFrame(body);
}

bool IsEncChipFrame(const Bytes& frame) {
  constexpr std::size_t kPreamble = 8;
  return frame.size() > kPreamble &&
         std::all_of(frame.begin(), frame.begin() + kPreamble, [](std::uint8_t byte) { return byte == 0x55; }) &&
         frame[kPreamble] == 0xA6;
}

Bytes SamAnswerFrame(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t sw3, const Bytes& data) {
  Bytes body{sw1, sw2, sw3};
  body.insert(body.end(), data.begin(), data.end());
  return SamFrame(body);
}

Bytes VendorFrame(const Bytes& payload) {
  std::size_t length = payload.size() + 1;
  Bytes frame{0x55, 0xAA,
              length >= kLongVendorLength ? kLongVendorLength : static_cast<std::uint8_t>(length)};
  frame.insert(frame.end(), payload.begin(), payload.end());
  std::uint8_t check = 0;
  for (std::uint8_t byte : frame) check ^= byte;
  frame.push_back(check);
  return frame;
}

Bytes Base64Chunks(const Bytes& frame, std::size_t chunkChars) {
  std::string text(4 * (frame.size() + 2) / 3 + 4, '\0');
  int written = vantel::Base64Encode(text.data(), frame.data(), static_cast<int>(frame.size()));
  text.resize(static_cast<std::size_t>(written));
  if (chunkChars == 0) chunkChars = text.size();
  Bytes chunks;
  for (std::size_t at = 0; at < text.size(); at += chunkChars) {
    std::size_t size = std::min(chunkChars, text.size() - at);
    chunks.insert(chunks.end(), kBase64Preamble.begin(), kBase64Preamble.end());
    AppendBigEndian16(chunks, size);
    chunks.insert(chunks.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                  text.begin() + static_cast<std::ptrdiff_t>(at + size));
  }
  return chunks;
}

Bytes Reply::Joined() const {
  Bytes all;
  for (const Piece& piece : pieces) all.insert(all.end(), piece.bytes.begin(), piece.bytes.end());
  return all;
}

Reply Deliver(const Bytes& frame, const std::optional<FaultPlan>& plan) {
  if (!plan) return Reply{{{frame, 0}}, false};
  Bytes bytes = frame;
  switch (plan->fault) {
    case Fault::kSilence:
      return Reply{};
    case Fault::kHeaderOnly:
      bytes.resize(std::min(bytes.size(), HeaderSizeOf(frame)));
      break;
    case Fault::kWrongPreamble:
      bytes[IsVendorStart(frame, 0) ? 1 : 4] ^= 0x01;
      break;
    case Fault::kWrongCheck:
      bytes.back() ^= 0xFF;
      break;
    case Fault::kShortBody:
      bytes.resize(bytes.size() - std::min(bytes.size(), plan->missingBytes));
      break;
    case Fault::kSlowPieces:
      return Reply{Split(bytes, plan->pieceSize, plan->pieceDelayMs), false};
    case Fault::kBase64:
      return Reply{Base64Pieces(frame, plan->base64ChunkChars, plan->pieceDelayMs), false};
    case Fault::kCloseMidAnswer:
      bytes.resize(std::min(bytes.size(), plan->bytesBeforeClose));
      return Reply{{{bytes, 0}}, true};
    case Fault::kNoiseFirst:
      bytes.insert(bytes.begin(), plan->noiseBytes, 0x5A);
      break;
    case Fault::kShortPacket:
      break;
    case Fault::kStatusCut:
      if (StartsWith(frame, 0, kSamPreamble) && frame.size() > kSamHeaderSize + plan->statusBytes)
        bytes = SamFrame(Bytes(frame.begin() + kSamHeaderSize,
                               frame.begin() + static_cast<std::ptrdiff_t>(kSamHeaderSize + plan->statusBytes)));
      break;
  }
  return Reply{{{bytes, 0}}, false};
}

Bytes FingerprintSamId() {
  Bytes id = SimSam{}.samId;
  id[2] = 0x03;
  return id;
}

SimIdentityCard::SimIdentityCard() : text(256), photo(1024), fingerprint(1024) {
  // Zero runs at 48 and 560 fill frame bytes 1344..1407 and 1856..1919: whole HID reports.
  for (std::size_t i = 0; i < fingerprint.size(); ++i) {
    const bool zeroRun = (i >= 48 && i < 112) || (i >= 560 && i < 624);
    fingerprint[i] = zeroRun ? 0 : static_cast<std::uint8_t>(i * 7 + 1);
  }
  // A name in UCS-2 ("测试"), the rest blanks, as the card holds its text.
  const Bytes name{0x4B, 0x6D, 0xD5, 0x8B};
  std::copy(name.begin(), name.end(), text.begin());
  for (std::size_t i = name.size(); i + 1 < text.size(); i += 2) {
    text[i] = 0x20;
    text[i + 1] = 0x00;
  }
}

ReaderSim::ReaderSim() {
  RegisterSamCommands();
  RegisterDeviceCommands();
  RegisterReaderCodes();
  RegisterCardCommands();
}

void ReaderSim::RegisterSamCommands() {
  OnSamCommand(0x11, 0xFF, [](const SamRequest&) { return SamAnswer{}; });
  OnSamCommand(0x10, 0xFF, [this](const SamRequest&) {
    ++sam_.resets;
    cardFound_ = cardSelected_ = false;
    return SamAnswer{};
  });
  OnSamCommand(0x12, 0xFF, [this](const SamRequest&) { return SamAnswer{0, 0, kSwSuccess, sam_.samId}; });
  OnSamCommand(0x30, 0x05, [this](const SamRequest&) {
    return SamAnswer{0, 0, kSwSuccess, sam_.managementInfo};
  });
  OnSamCommand(0x61, 0xFF, [this](const SamRequest& request) {
    if (!request.data.empty()) sam_.rfFrameSize = request.data[0];
    return SamAnswer{};
  });
  OnSamCommand(0x20, 0x01, [this](const SamRequest&) {
    auto* card = CardAs<SimIdentityCard>();
    cardFound_ = card != nullptr;
    cardSelected_ = false;
    return card ? SamAnswer{0, 0, kSwCardFound, card->findData} : SamAnswer{0, 0, kSwNoCard, {}};
  });
  OnSamCommand(0x20, 0x02, [this](const SamRequest&) {
    auto* card = CardAs<SimIdentityCard>();
    cardSelected_ = card && cardFound_;
    return cardSelected_ ? SamAnswer{0, 0, kSwSuccess, card->selectData}
                         : SamAnswer{0, 0, kSwSelectFailed, {}};
  });
  OnSamCommand(0x30, 0x01, [this](const SamRequest&) {
    if (!HasIdentityCard()) return SamAnswer{0, 0, kSwCardReadFailed, {}};
    auto* card = CardAs<SimIdentityCard>();
    Bytes data;
    AppendBigEndian16(data, card->statedTextLength.value_or(static_cast<unsigned>(card->text.size())));
    AppendBigEndian16(data, card->statedPhotoLength.value_or(static_cast<unsigned>(card->photo.size())));
    data.insert(data.end(), card->text.begin(), card->text.end());
    data.insert(data.end(), card->photo.begin(), card->photo.end());
    return SamAnswer{0, 0, kSwSuccess, data};
  });
  OnSamCommand(0x30, 0x10, [this](const SamRequest&) {
    if (!HasIdentityCard()) return SamAnswer{0, 0, kSwCardReadFailed, {}};
    auto* card = CardAs<SimIdentityCard>();
    const Bytes& fingerprint = sam_.fingerprintReader ? card->fingerprint : Bytes{};
    Bytes data;
    AppendBigEndian16(data, card->text.size());
    AppendBigEndian16(data, card->photo.size());
    AppendBigEndian16(data, fingerprint.size());
    data.insert(data.end(), card->text.begin(), card->text.end());
    data.insert(data.end(), card->photo.begin(), card->photo.end());
    data.insert(data.end(), fingerprint.begin(), fingerprint.end());
    return SamAnswer{0, 0, kSwSuccess, data};
  });
  OnSamCommand(0x30, 0x03, [this](const SamRequest&) {
    if (!HasIdentityCard()) return SamAnswer{0, 0, kSwCardReadFailed, {}};
    auto* card = CardAs<SimIdentityCard>();
    if (card->newAddress.empty()) return SamAnswer{0, 0, kSwNoContent, {}};
    return SamAnswer{0, 0, kSwSuccess, card->newAddress};
  });
}

bool ReaderSim::HasIdentityCard() { return cardSelected_ && CardAs<SimIdentityCard>() != nullptr; }

void ReaderSim::OnSamCommand(std::uint8_t command, std::uint8_t parameter, SamHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  samHandlers_[SamKey(command, parameter)] = std::move(handler);
}

void ReaderSim::OnVendorCommand(std::uint8_t command, VendorHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  vendorHandlers_[command] = std::move(handler);
}

void ReaderSim::OnEncChipFrame(EncChipHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  encChipHandler_ = std::move(handler);
}

void ReaderSim::OnReaderCode(std::uint8_t code, ReaderCodeHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  readerCodeHandlers_[code] = std::move(handler);
}

Bytes ReaderSim::AnswerReaderCode(const Bytes& apdu) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  requests_.push_back(apdu);
  if (!apdu.empty() && apdu[0] != 0xFF) return AnswerCardApdu(apdu);
  auto handler = apdu.size() >= 5 ? readerCodeHandlers_.find(apdu[3]) : readerCodeHandlers_.end();
  if (handler == readerCodeHandlers_.end()) return Bytes{0x6D, 0x00};
  return handler->second(ApduCommandData(apdu));
}

void ReaderSim::PlaceCard(std::shared_ptr<SimCard> card) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  card_ = std::move(card);
  cardFound_ = cardSelected_ = false;
}

void ReaderSim::RemoveCard() { PlaceCard(nullptr); }

void ReaderSim::QueueFault(const FaultPlan& plan) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  queuedFaults_.push_back(plan);
}

void ReaderSim::SetStandingFault(std::optional<FaultPlan> plan) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  standingFault_ = plan;
}

std::optional<FaultPlan> ReaderSim::NextFault() {
  if (queuedFaults_.empty()) return standingFault_;
  FaultPlan plan = queuedFaults_.front();
  queuedFaults_.pop_front();
  return plan;
}

SamAnswer ReaderSim::AnswerSam(const SamRequest& request) {
  auto handler = samHandlers_.find(SamKey(request.command, request.parameter));
  if (handler == samHandlers_.end()) return SamAnswer{0, 0, kSwUnknownCommand, {}};
  return handler->second(request);
}

std::optional<Bytes> ReaderSim::Answer(const Bytes& frame) {
  requests_.push_back(frame);
  if (IsEncChipFrame(frame)) return encChipHandler_ ? encChipHandler_(frame) : std::nullopt;
  std::uint8_t check = 0;
  if (StartsWith(frame, 0, kSamPreamble) && frame.size() == kLedFrameSize &&
      IsLedFrameWithoutLength(frame, 0)) {
    if (frame[8] != (frame[7] ^ 0x6A)) return SamAnswerFrame(0, 0, kSwBadRequestCheck);
    SamAnswer answer = AnswerSam(SamRequest{0xC0, 0xFF, Bytes{frame[7]}});
    return SamAnswerFrame(answer.sw1, answer.sw2, answer.sw3, answer.data);
  }
  if (StartsWith(frame, 0, kSamPreamble) && frame.size() >= kSamHeaderSize + 3) {
    for (std::size_t i = kSamPreamble.size(); i < frame.size(); ++i) check ^= frame[i];
    if (check != 0 && !IsLedFrameWithLength(frame)) return SamAnswerFrame(0, 0, kSwBadRequestCheck);
    SamRequest request{frame[7], frame[8], Bytes(frame.begin() + 9, frame.end() - 1)};
    SamAnswer answer = AnswerSam(request);
    return SamAnswerFrame(answer.sw1, answer.sw2, answer.sw3, answer.data);
  }
  if (IsVendorStart(frame, 0) && frame.size() >= kVendorHeaderSize + 2) {
    for (std::uint8_t byte : frame) check ^= byte;
    if (check != 0) return std::nullopt;
    Bytes payload(frame.begin() + 3, frame.end() - 1);
    auto handler = vendorHandlers_.find(payload[0]);
    if (handler == vendorHandlers_.end() && device_.passThroughRefusal)
      return VendorFrame({*device_.passThroughRefusal, 0xFF});
    if (handler == vendorHandlers_.end()) return VendorFrame({kVendorSuccess});
    std::optional<Bytes> answer = handler->second(payload);
    if (!answer) return std::nullopt;
    return VendorFrame(*answer);
  }
  return std::nullopt;
}

Bytes ReaderSim::AnswerFrame(const Bytes& requestFrame) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::optional<Bytes> answer = Answer(requestFrame);
  std::optional<FaultPlan> plan = NextFault();
  return answer ? Deliver(*answer, plan).Joined() : Bytes{};
}

std::vector<Bytes> ReaderSim::AnswerPackets(const Bytes& requestFrame, std::size_t packetSize) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::optional<Bytes> answer = Answer(requestFrame);
  std::optional<FaultPlan> plan = NextFault();
  if (!answer) return {};
  std::vector<Bytes> packets;
  for (const Piece& piece : Split(Deliver(*answer, plan).Joined(), packetSize, 0))
    packets.push_back(piece.bytes);
  if (plan && plan->fault == Fault::kShortPacket && plan->packet < packets.size())
    packets[plan->packet].pop_back();
  return packets;
}

std::vector<Reply> ReaderSim::Feed(const std::uint8_t* data, std::size_t length) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  pending_.insert(pending_.end(), data, data + length);
  std::vector<Reply> replies;
  std::size_t at = 0;
  while (at < pending_.size()) {
    if (!MayStartFrame(pending_, at)) {
      ++at;
      continue;
    }
    std::size_t size = RequestFrameSize(pending_, at);
    if (size == 0 || pending_.size() < at + size) break;
    Bytes frame(pending_.begin() + static_cast<std::ptrdiff_t>(at),
                pending_.begin() + static_cast<std::ptrdiff_t>(at + size));
    at += size;
    std::optional<Bytes> answer = Answer(frame);
    std::optional<FaultPlan> plan = NextFault();
    if (answer) replies.push_back(Deliver(*answer, plan));
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
  return replies;
}

std::vector<Bytes> ReaderSim::Requests() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return requests_;
}

void ReaderSim::ClearRequests() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  requests_.clear();
}

}  // namespace vantel_test
