#pragma once
// PC/SC smart-card readers (WinSCard on Windows, pcsc-lite elsewhere). Reader names are
// given in the Windows form on every system: pcsc-lite's "Name 00 00" reads "Name 0".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using PcscContext = std::intptr_t;
using PcscCard = std::intptr_t;

// The transmission protocols, with the values WinSCard gives them.
enum PcscProtocol : std::uint32_t { kPcscProtocolT0 = 1, kPcscProtocolT1 = 2 };

enum class PcscDisposition { kLeaveCard, kEjectCard };

// Each reports false when the call fails.
bool PcscEstablishContext(PcscContext* context);
bool PcscReleaseContext(PcscContext context);
// Whether the last call that failed found the PC/SC service gone or restarted (no service,
// service stopped, or a context or handle it no longer knows): a new context may then help.
bool PcscServiceLost();
// What the last call that failed found happened to the card since the handle connected:
// reset by another program (the same card, started anew) or taken out (the card in the
// reader now, if any, may be another person's). Either way the handle refuses every command
// until PcscReconnect.
enum class PcscCardChange { kNone, kReset, kRemoved };
PcscCardChange PcscLastCardChange();
// False also when no reader is present.
bool PcscListReaders(PcscContext context, std::vector<std::string>* names);
// Shared access, T=0 or T=1.
bool PcscConnect(PcscContext context, const std::string& readerName, PcscCard* card,
                 std::uint32_t* activeProtocol);
// Takes up the card of a connected handle again (shared, T=0 or T=1), leaving it as it is.
bool PcscReconnect(PcscCard card, std::uint32_t* activeProtocol);
bool PcscDisconnect(PcscCard card, PcscDisposition disposition);
// The protocol the card reports.
bool PcscStatus(PcscCard card, std::uint32_t* protocol);
// The whole answer, whatever its length.
bool PcscTransmit(PcscCard card, std::uint32_t protocol, const std::uint8_t* command,
                  std::size_t commandLength, std::vector<std::uint8_t>* answer);

}  // namespace platform
