#include "library/device/pcsc_transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "library/device/device_state.h"

namespace vantel {
namespace {

constexpr std::intptr_t kNoCard = -1;
constexpr int kTransmitFailed = 0xFFFF;

bool IsT0OrT1(std::uint32_t protocol) {
  return protocol == platform::kPcscProtocolT0 || protocol == platform::kPcscProtocolT1;
}

// The first listing fills the name table; every reader that holds a card is connected once
// and ejected, as the maker's readers expect.
bool ListReadersOnce(PcscState& pcsc) {
  if (!platform::PcscEstablishContext(&pcsc.context)) return false;
  pcsc.haveContext = true;
  std::vector<std::string> names;
  if (!platform::PcscListReaders(pcsc.context, &names)) return false;
  for (const std::string& name : names) {
    pcsc.readerNames.push_back(name.substr(0, kPcscReaderNameLength));
    platform::PcscCard card = 0;
    std::uint32_t protocol = 0;
    if (platform::PcscConnect(pcsc.context, name, &card, &protocol))
      platform::PcscDisconnect(card, platform::PcscDisposition::kEjectCard);
  }
  return true;
}

// Connects to the named reader. The context is kept for the life of the process: when the
// PC/SC service has restarted since, it is made anew once and the connection tried again, or
// every later open would fail until the process ends.
bool ConnectReader(PcscState& pcsc, const char* name, platform::PcscCard* card) {
  if (platform::PcscConnect(pcsc.context, name, card, &pcsc.activeProtocol)) return true;
  if (!platform::PcscServiceLost()) return false;
  platform::PcscReleaseContext(pcsc.context);
  if (!platform::PcscEstablishContext(&pcsc.context)) return false;
  return platform::PcscConnect(pcsc.context, name, card, &pcsc.activeProtocol);
}

// Takes the card up again after another program reset it, or takes up the card put in after
// one was taken out; the protocol may have changed with the card's new start.
bool Reconnect(PcscState& pcsc) {
  if (!platform::PcscReconnect(pcsc.gPcscCard, &pcsc.activeProtocol)) return false;
  if (IsT0OrT1(pcsc.activeProtocol)) pcsc.sendHeader.protocol = pcsc.activeProtocol;
  return true;
}

// The smart-card service refuses every command on a handle whose card was reset by another
// program, or taken out, until the handle is reconnected; without a reconnect each later
// command would fail until the port is opened again. A reset card is the same card: the
// command is sent once more. A card taken out may have been swapped for another person's,
// and a read of several commands must not join two cards' data: the command fails as one
// without an answer, and only the next one goes to the card now in the reader.
bool Transmit(PcscState& pcsc, const std::uint8_t* send, unsigned sendLength,
              std::vector<std::uint8_t>* answer) {
  if (platform::PcscTransmit(pcsc.gPcscCard, pcsc.sendHeader.protocol, send, sendLength, answer))
    return true;
  switch (platform::PcscLastCardChange()) {
    case platform::PcscCardChange::kReset:
      return Reconnect(pcsc) && platform::PcscTransmit(pcsc.gPcscCard, pcsc.sendHeader.protocol,
                                                       send, sendLength, answer);
    case platform::PcscCardChange::kRemoved:
      Reconnect(pcsc);
      return false;
    default:
      return false;
  }
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

// The characters of the text before its first NUL, at most textLength.
std::size_t TextSize(const char* text, int textLength) {
  std::size_t size = 0;
  while (size < static_cast<std::size_t>(textLength) && text[size] != '\0') ++size;
  return size;
}

bool IsAllowedCharacter(char c) { return IsHexDigit(c) || c == ' ' || c == ',' || c == '\n'; }

}  // namespace

std::intptr_t OpenPcscReader(const char* name) {
  PcscState& pcsc = Device().pcsc;
  if (!pcsc.haveContext) {
    if (!ListReadersOnce(pcsc)) return kNoCard;
    auto found = std::find(pcsc.readerNames.begin(), pcsc.readerNames.end(), name);
    if (found == pcsc.readerNames.end()) return kNoCard;
    pcsc.chosenReader = static_cast<int>(found - pcsc.readerNames.begin());
  }
  platform::PcscCard card = 0;
  if (!ConnectReader(pcsc, name, &card)) return kNoCard;
  if (IsT0OrT1(pcsc.activeProtocol)) {
    std::uint32_t protocol = 0;
    if (platform::PcscStatus(card, &protocol)) pcsc.sendHeader = PcscSendHeader{protocol, 8};
  }
  return card;
}

int PcscDisconnect(std::intptr_t card) {
  platform::PcscDisconnect(card, platform::PcscDisposition::kLeaveCard);
  return 0;
}

int PCSCTransmit(std::intptr_t, unsigned sendLength, const std::uint8_t* send,
                 unsigned* receiveLength, std::uint8_t* receive) {
  PcscState& pcsc = Device().pcsc;
  std::vector<std::uint8_t> answer;
  if (!Transmit(pcsc, send, sendLength, &answer)) {
    *receiveLength = 0;
    return kTransmitFailed;
  }
  const std::size_t kept = std::min<std::size_t>(answer.size(), *receiveLength);
  std::memcpy(receive, answer.data(), kept);
  *receiveLength = static_cast<unsigned>(kept);
  if (answer.size() < 2) return 0;
  return answer[answer.size() - 2] * 256 + answer[answer.size() - 1];
}

void ParseHexText(const char* text, std::uint8_t* out, int textLength) {
  if (textLength <= 2) {
    std::puts("Input not complete!");
    return;
  }
  const std::size_t size = TextSize(text, textLength);
  if (!std::all_of(text, text + size, IsAllowedCharacter)) {
    std::puts("Only hex. input allowed!");
    return;
  }
  const std::size_t capacity = static_cast<std::size_t>(textLength) / 2;
  std::memset(out, 0, capacity);
  // A newline ends the text; the caller's text itself is left as it is. An odd last digit
  // would start a byte beyond the buffer: it is dropped.
  for (std::size_t i = 0; i < size && IsHexDigit(text[i]) && i / 2 < capacity; ++i)
    out[i / 2] = static_cast<std::uint8_t>((out[i / 2] << 4) + HexValue(text[i]));
}

}  // namespace vantel
