// PC/SC through WinSCard, with the A-suffixed names.
#include "platform/pcsc.h"

#include <windows.h>
#include <winscard.h>

#include <cstring>

namespace platform {

namespace {

// Large enough for any extended-length answer.
constexpr DWORD kLongestAnswer = 65538;

LONG gLastResult = SCARD_S_SUCCESS;

// Keeps the result for PcscServiceLost; true on success.
bool Succeeded(LONG result) {
  gLastResult = result;
  return result == SCARD_S_SUCCESS;
}

}  // namespace

bool PcscEstablishContext(PcscContext* context) {
  SCARDCONTEXT raw = 0;
  if (!Succeeded(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &raw))) return false;
  *context = static_cast<PcscContext>(raw);
  return true;
}

bool PcscReleaseContext(PcscContext context) {
  return Succeeded(SCardReleaseContext(static_cast<SCARDCONTEXT>(context)));
}

bool PcscServiceLost() {
  return gLastResult == static_cast<LONG>(SCARD_E_NO_SERVICE) ||
         gLastResult == static_cast<LONG>(SCARD_E_SERVICE_STOPPED) ||
         gLastResult == static_cast<LONG>(SCARD_E_INVALID_HANDLE);
}

PcscCardChange PcscLastCardChange() {
  if (gLastResult == static_cast<LONG>(SCARD_W_RESET_CARD)) return PcscCardChange::kReset;
  if (gLastResult == static_cast<LONG>(SCARD_W_REMOVED_CARD)) return PcscCardChange::kRemoved;
  return PcscCardChange::kNone;
}

bool PcscListReaders(PcscContext context, std::vector<std::string>* names) {
  char* list = nullptr;
  DWORD length = SCARD_AUTOALLOCATE;
  if (!Succeeded(SCardListReadersA(static_cast<SCARDCONTEXT>(context), nullptr,
                                   reinterpret_cast<char*>(&list), &length)))
    return false;
  names->clear();
  for (const char* name = list; name < list + length && *name; name += strlen(name) + 1)
    names->emplace_back(name);
  return Succeeded(SCardFreeMemory(static_cast<SCARDCONTEXT>(context), list));
}

bool PcscConnect(PcscContext context, const std::string& readerName, PcscCard* card,
                 std::uint32_t* activeProtocol) {
  SCARDHANDLE raw = 0;
  DWORD protocol = 0;
  if (!Succeeded(SCardConnectA(static_cast<SCARDCONTEXT>(context), readerName.c_str(),
                               SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &raw,
                               &protocol)))
    return false;
  *card = static_cast<PcscCard>(raw);
  *activeProtocol = protocol;
  return true;
}

bool PcscReconnect(PcscCard card, std::uint32_t* activeProtocol) {
  DWORD protocol = 0;
  if (!Succeeded(SCardReconnect(static_cast<SCARDHANDLE>(card), SCARD_SHARE_SHARED,
                                SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, SCARD_LEAVE_CARD, &protocol)))
    return false;
  *activeProtocol = static_cast<std::uint32_t>(protocol);
  return true;
}

bool PcscDisconnect(PcscCard card, PcscDisposition disposition) {
  const DWORD how = disposition == PcscDisposition::kEjectCard ? SCARD_EJECT_CARD : SCARD_LEAVE_CARD;
  return Succeeded(SCardDisconnect(static_cast<SCARDHANDLE>(card), how));
}

bool PcscStatus(PcscCard card, std::uint32_t* protocol) {
  DWORD readerLength = 0;
  DWORD state = 0, active = 0;
  BYTE atr[36];
  DWORD atrLength = sizeof atr;
  if (!Succeeded(SCardStatusA(static_cast<SCARDHANDLE>(card), nullptr, &readerLength, &state,
                              &active, atr, &atrLength)))
    return false;
  *protocol = active;
  return true;
}

bool PcscTransmit(PcscCard card, std::uint32_t protocol, const std::uint8_t* command,
                  std::size_t commandLength, std::vector<std::uint8_t>* answer) {
  const SCARD_IO_REQUEST header{protocol, sizeof(SCARD_IO_REQUEST)};
  answer->assign(kLongestAnswer, 0);
  DWORD length = kLongestAnswer;
  if (!Succeeded(SCardTransmit(static_cast<SCARDHANDLE>(card), &header, command,
                               static_cast<DWORD>(commandLength), nullptr, answer->data(), &length))) {
    answer->clear();
    return false;
  }
  answer->resize(length);
  return true;
}

}  // namespace platform
