#include "support/reader_sim_cards.h"

#include <algorithm>
#include <memory>

namespace vantel_test {
namespace {

constexpr std::size_t kBlockSize = 16;
constexpr int kSectorsAddressed = 64;  // 16 sectors, or 32 + 8 x 4 of the 40-sector card
constexpr int kPages = 256;
const Bytes kSwDone{0x90, 0x00};
const Bytes kSwWrongOffset{0x6B, 0x00};
const Bytes kSwUnknown{0x6D, 0x00};
const Bytes kSwNotPowered{0x69, 0x85};
// The PC/SC reader codes' refusals: activation, power off, M1 read and write.
const Bytes kPcscNotActivated{0xFC};
const Bytes kPcscNotPoweredOff{0xFB};
const Bytes kPcscM1Refused{0xFA};

// The plain success answer: status 56, FF and one byte (LEN 4).
Bytes Done() { return {kVendorSuccess, 0xFF, 0x00}; }
// Every refusal of the model: the command's echo and 01 where FF would stand.
Bytes Refused(std::uint8_t command) { return {command, 0x01, 0x00}; }
Bytes Echo(std::uint8_t command, const Bytes& data) {
  Bytes answer{command, 0xFF};
  answer.insert(answer.end(), data.begin(), data.end());
  return answer;
}
Bytes Slice(const Bytes& bytes, std::size_t at, std::size_t count) {
  if (bytes.size() < at + count) return {};
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
}
Bytes WithStatus(Bytes data) {
  data.insert(data.end(), kSwDone.begin(), kSwDone.end());
  return data;
}

// Four pages from `first` on, as one read gives them.
Bytes FourPages(SimM1Card& card, int first) {
  Bytes data;
  for (int i = 0; i < 4; ++i) {
    const Bytes& page = card.Block(0, (first + i) % kPages);
    data.insert(data.end(), page.begin(), page.end());
  }
  return data;
}

// The PSAM answers 32, 33, 34 and 35: command, FF, then data or an error byte.
Bytes PsamError(std::uint8_t command, std::uint8_t error) { return {command, 0xFF, error}; }

}  // namespace

SimM1Card::SimM1Card(std::uint8_t type) {
  typeByte = type;
  const int count = IsPages() ? kPages : kSectorsAddressed * 4;
  blocks.assign(static_cast<std::size_t>(count), Bytes(IsPages() ? 4 : kBlockSize, 0x00));
  if (IsPages()) return;
  for (int sector = 0; sector < kSectorsAddressed; ++sector) {
    Bytes& trailer = Block(sector, 3);
    std::fill(trailer.begin(), trailer.begin() + 6, 0xFF);
    std::fill(trailer.begin() + 10, trailer.end(), 0xFF);
    trailer[6] = 0xFF;
    trailer[7] = 0x07;
    trailer[8] = 0x80;
    trailer[9] = 0x69;
  }
  for (std::size_t i = 0; i < kBlockSize; ++i) blocks[4][i] = static_cast<std::uint8_t>(0x40 + i);
}

Bytes& SimM1Card::Block(int sector, int block) {
  return blocks[static_cast<std::size_t>(IsPages() ? block : sector * 4 + block)];
}

bool SimM1Card::Authenticate(int sector, std::uint8_t keyType, const Bytes& key) {
  authenticatedSector = -1;
  if (sector < 0 || sector >= kSectorsAddressed || key.size() != 6) return false;
  const Bytes& trailer = Block(sector, 3);
  const std::size_t at = keyType == 0x60 ? 0 : keyType == 0x61 ? 10 : kBlockSize;
  if (at == kBlockSize || !std::equal(key.begin(), key.end(), trailer.begin() + static_cast<std::ptrdiff_t>(at)))
    return false;
  authenticatedSector = sector;
  return true;
}

SimCpuCard::SimCpuCard(std::uint8_t type) : file(512) {
  typeByte = type;
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7 + 1);
}

Bytes SimCpuCard::Apdu(const Bytes& command) {
  apdus.push_back(command);
  if (command.size() < 4) return kSwUnknown;
  const std::size_t offset = static_cast<std::size_t>(command[2] & 0x7F) << 8 | command[3];
  if (command[1] == 0xA4) return kSwDone;
  if (command[1] == 0xB0) {
    if (offset >= file.size()) return kSwWrongOffset;
    const std::size_t wanted = command.size() > 4 && command[4] != 0 ? command[4] : 256;
    Bytes answer = Slice(file, offset, std::min(wanted, file.size() - offset));
    answer.insert(answer.end(), kSwDone.begin(), kSwDone.end());
    return answer;
  }
  if (command[1] == 0xD6 && command.size() >= 5 && command.size() >= 5u + command[4]) {
    if (offset + command[4] > file.size()) return kSwWrongOffset;
    std::copy(command.begin() + 5, command.begin() + 5 + command[4],
              file.begin() + static_cast<std::ptrdiff_t>(offset));
    return kSwDone;
  }
  return kSwUnknown;
}

void ReaderSim::RegisterCardCommands() {
  // M1 one-call read and write: 03/04 FF sector block keyType key [data]; on a page card
  // the block is the page and the key is not looked at.
  OnVendorCommand(0x03, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (card && card->IsPages() && p.size() >= 4) return Echo(0x03, FourPages(*card, p[3]));
    if (!card || p.size() < 11 || !card->Authenticate(p[2], p[4], Slice(p, 5, 6)))
      return Refused(0x03);
    return Echo(0x03, card->Block(p[2], p[3]));
  });
  OnVendorCommand(0x04, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (card && card->IsPages() && p.size() >= 15) {
      card->Block(0, p[3]) = Slice(p, 11, 4);
      return Echo(0x04, {});
    }
    if (!card || p.size() < 27 || !card->Authenticate(p[2], p[4], Slice(p, 5, 6)))
      return Refused(0x04);
    card->Block(p[2], p[3]) = Slice(p, 11, kBlockSize);
    return Echo(0x04, {});
  });
  // Pages: 1B FF page reads four pages, 1C FF page d0..d3 writes one.
  OnVendorCommand(0x1B, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card || !card->IsPages() || p.size() < 3) return Refused(0x1B);
    return Echo(kVendorSuccess, FourPages(*card, p[2]));
  });
  OnVendorCommand(0x1C, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card || !card->IsPages() || p.size() < 7) return Refused(0x1C);
    card->Block(0, p[2]) = Slice(p, 3, 4);
    return Done();
  });

  // The step-by-step commands: request (12 idle cards, 13 halted ones too), anticollision,
  // select, authentication, read, write, halt.
  // Without an M1 card the request gets the reader's plain answer 56, as any command that
  // does not apply.
  for (std::uint8_t command : {std::uint8_t{0x12}, std::uint8_t{0x13}}) {
    OnVendorCommand(command, [this, command](const Bytes&) -> std::optional<Bytes> {
      auto* card = CardAs<SimM1Card>();
      if (!card) return Bytes{kVendorSuccess};
      if (card->halted && command == 0x12) return Refused(command);
      card->halted = false;
      return Echo(command, card->atqa);
    });
  }
  OnVendorCommand(0x14, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card || card->halted) return Refused(0x13);
    return Echo(0x13, card->serial);
  });
  OnVendorCommand(0x15, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    // The serial goes out little-endian: the bytes in the order anticollision gave them.
    if (!card || card->halted || Slice(p, 2, 4) != card->serial) return Refused(0x15);
    card->selected = true;
    return Done();
  });
  OnVendorCommand(0x16, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card || !card->selected || p.size() < 15 ||
        !card->Authenticate(p[2], p[4], Slice(p, 5, 6)))
      return Refused(0x16);
    return Done();
  });
  OnVendorCommand(0x17, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card || p.size() < 4 || card->authenticatedSector != p[2]) return Refused(0x17);
    return Echo(0x17, card->Block(p[2], p[3]));
  });
  OnVendorCommand(0x18, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card || p.size() < 20 || card->authenticatedSector != p[2]) return Refused(0x18);
    card->Block(p[2], p[3]) = Slice(p, 4, kBlockSize);
    return Done();
  });
  OnVendorCommand(0x11, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimM1Card>();
    if (!card) return Refused(0x11);
    card->halted = true;
    card->selected = false;
    card->authenticatedSector = -1;
    return Done();
  });

  // The CPU card: activate, power off, ATS, PPS and APDUs; a request longer than one HID
  // report arrives as chunks 51 index 00 total count bytes, answered after the last.
  OnVendorCommand(0x53, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimCpuCard>();
    if (!card) return Refused(0x53);
    card->powered = true;
    return Done();
  });
  OnVendorCommand(0x52, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimCpuCard>();
    if (!card) return Refused(0x52);
    card->powered = false;
    return Done();
  });
  OnVendorCommand(0x54, [this](const Bytes&) -> std::optional<Bytes> {
    auto* card = CardAs<SimCpuCard>();
    if (!card || !card->powered) return Refused(0x54);
    return Echo(0x54, card->ats);
  });
  OnVendorCommand(0x55, [this](const Bytes& p) -> std::optional<Bytes> {
    auto* card = CardAs<SimCpuCard>();
    if (!card || !card->powered) return Refused(0x55);
    card->pps = Slice(p, 2, 2);
    return Done();
  });
  auto chunks = std::make_shared<Bytes>();
  OnVendorCommand(0x51, [this, chunks](const Bytes& p) -> std::optional<Bytes> {
    Bytes command;
    if (p.size() >= 2 && p[1] == 0xFF) {
      command = Slice(p, 2, p.size() - 2);
    } else if (p.size() >= 5) {
      if (p[1] == 1) chunks->clear();
      chunks->insert(chunks->end(), p.begin() + 5, p.end());
      if (p[1] < p[4]) return std::nullopt;
      command = *chunks;
      if (command.size() != p[3]) return Refused(0x51);
    }
    auto* card = CardAs<SimCpuCard>();
    if (!card || !card->powered) return Refused(0x51);
    return Echo(0x51, card->Apdu(command));
  });

  // The PSAM slots: ATR (32 FF slot rate mode), APDU (33 FF slot bytes), power off
  // (34 FF slot) and the test byte (35 FF FF).
  auto slotOf = [this](std::uint8_t slot) { return slot == 1 || slot == 2 ? &Psam(slot) : nullptr; };
  OnVendorCommand(0x32, [slotOf](const Bytes& p) -> std::optional<Bytes> {
    SimPsamSlot* slot = p.size() >= 5 ? slotOf(p[2]) : nullptr;
    if (!slot) return PsamError(0x32, 0x01);
    if (slot->error) return PsamError(0x32, slot->error);
    slot->powered = true;
    return Echo(0x32, slot->atr);
  });
  OnVendorCommand(0x33, [slotOf](const Bytes& p) -> std::optional<Bytes> {
    SimPsamSlot* slot = p.size() >= 3 ? slotOf(p[2]) : nullptr;
    if (!slot) return PsamError(0x33, 0x01);
    if (slot->error || !slot->powered) return PsamError(0x33, slot->error);
    slot->apdus.push_back(Slice(p, 3, p.size() - 3));
    return Echo(0x33, slot->response);
  });
  OnVendorCommand(0x34, [slotOf](const Bytes& p) -> std::optional<Bytes> {
    SimPsamSlot* slot = p.size() >= 3 ? slotOf(p[2]) : nullptr;
    if (!slot) return PsamError(0x34, 0x01);
    if (!slot->powered) return PsamError(0x34, 0x00);
    slot->powered = false;
    return PsamError(0x34, 0xFF);
  });
  OnVendorCommand(0x35, [this](const Bytes&) -> std::optional<Bytes> {
    return Bytes{0x35, 0xFF, psamTestByte};
  });

  // PC/SC reader codes: 03 activate, 04 power off the CPU card; 05 M1 read (sector block
  // keyType key), 06 M1 write (the same and 16 data bytes).
  OnReaderCode(0x03, [this](const Bytes&) {
    auto* card = CardAs<SimCpuCard>();
    if (!card) return kPcscNotActivated;
    card->powered = true;
    return kSwDone;
  });
  OnReaderCode(0x04, [this](const Bytes&) {
    auto* card = CardAs<SimCpuCard>();
    if (!card) return kPcscNotPoweredOff;
    card->powered = false;
    return kSwDone;
  });
  OnReaderCode(0x05, [this](const Bytes& data) {
    auto* card = CardAs<SimM1Card>();
    if (!card || data.size() < 9) return kPcscM1Refused;
    if (card->IsPages()) return WithStatus(FourPages(*card, data[1]));
    if (!card->Authenticate(data[0], data[2], Slice(data, 3, 6))) return kPcscM1Refused;
    return WithStatus(card->Block(data[0], data[1]));
  });
  OnReaderCode(0x06, [this](const Bytes& data) {
    auto* card = CardAs<SimM1Card>();
    if (!card || data.size() < 25) return kPcscM1Refused;
    if (card->IsPages()) {
      card->Block(0, data[1]) = Slice(data, 9, 4);
      return kSwDone;
    }
    if (!card->Authenticate(data[0], data[2], Slice(data, 3, 6))) return kPcscM1Refused;
    card->Block(data[0], data[1]) = Slice(data, 9, kBlockSize);
    return kSwDone;
  });
}

Bytes ReaderSim::AnswerCardApdu(const Bytes& apdu) {
  auto* card = CardAs<SimCpuCard>();
  return card && card->powered ? card->Apdu(apdu) : kSwNotPowered;
}

}  // namespace vantel_test
