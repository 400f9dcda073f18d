// PC/SC through pcsc-lite. pcsc-lite names a reader by its friendly name and two numbers
// ("ACME Reader 00 00", "ACME Reader 00 01"); Windows numbers the readers of one friendly
// name from 0 ("ACME Reader 0", "ACME Reader 1"). The names are handed out in the Windows
// form, so that the same reader names match on both systems.
#include "platform/pcsc.h"

#include <winscard.h>

#include <cctype>
#include <map>

namespace platform {
namespace {

LONG gLastResult = SCARD_S_SUCCESS;

// Keeps the result for PcscServiceLost; true on success.
bool Succeeded(LONG result) {
  gLastResult = result;
  return result == SCARD_S_SUCCESS;
}

// Windows form -> pcsc-lite's own name, as last listed.
std::map<std::string, std::string>& NativeNames() {
  static std::map<std::string, std::string> names;
  return names;
}

bool IsHexPair(const std::string& text, std::size_t at) {
  return std::isxdigit(static_cast<unsigned char>(text[at])) &&
         std::isxdigit(static_cast<unsigned char>(text[at + 1]));
}

// "Name XX YY" -> "Name"; other names stay as they are.
std::string FriendlyName(const std::string& nativeName) {
  const std::size_t size = nativeName.size();
  constexpr std::size_t kSuffix = 6;  // " XX YY"
  if (size <= kSuffix || nativeName[size - 6] != ' ' || nativeName[size - 3] != ' ' ||
      !IsHexPair(nativeName, size - 5) || !IsHexPair(nativeName, size - 2))
    return nativeName;
  return nativeName.substr(0, size - kSuffix);
}

std::vector<std::string> WindowsNames(const std::vector<std::string>& nativeNames) {
  std::map<std::string, int> seen;
  std::vector<std::string> names;
  NativeNames().clear();
  for (const std::string& native : nativeNames) {
    const std::string friendly = FriendlyName(native);
    std::string name =
        friendly == native ? native : friendly + " " + std::to_string(seen[friendly]++);
    NativeNames()[name] = native;
    names.push_back(name);
  }
  return names;
}

bool ListNativeNames(PcscContext context, std::vector<std::string>* names) {
  DWORD length = 0;
  if (!Succeeded(SCardListReaders(static_cast<SCARDCONTEXT>(context), nullptr, nullptr, &length)) ||
      length == 0)
    return false;
  std::string list(length, '\0');
  if (!Succeeded(SCardListReaders(static_cast<SCARDCONTEXT>(context), nullptr, &list[0], &length)))
    return false;
  list.resize(length);
  names->clear();
  for (std::size_t at = 0; at < list.size() && list[at] != '\0';) {
    const std::size_t end = list.find('\0', at);
    names->push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return true;
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
  return gLastResult == SCARD_E_NO_SERVICE || gLastResult == SCARD_E_SERVICE_STOPPED ||
         gLastResult == SCARD_E_INVALID_HANDLE;
}

PcscCardChange PcscLastCardChange() {
  if (gLastResult == SCARD_W_RESET_CARD) return PcscCardChange::kReset;
  if (gLastResult == SCARD_W_REMOVED_CARD) return PcscCardChange::kRemoved;
  return PcscCardChange::kNone;
}

bool PcscListReaders(PcscContext context, std::vector<std::string>* names) {
  std::vector<std::string> native;
  if (!ListNativeNames(context, &native)) return false;
  *names = WindowsNames(native);
  return true;
}

bool PcscConnect(PcscContext context, const std::string& readerName, PcscCard* card,
                 std::uint32_t* activeProtocol) {
  auto known = NativeNames().find(readerName);
  if (known == NativeNames().end()) {
    // Readers attached since the last listing are learnt now.
    std::vector<std::string> native;
    if (ListNativeNames(context, &native)) WindowsNames(native);
    known = NativeNames().find(readerName);
  }
  const std::string& native = known == NativeNames().end() ? readerName : known->second;
  SCARDHANDLE raw = 0;
  DWORD protocol = 0;
  if (!Succeeded(SCardConnect(static_cast<SCARDCONTEXT>(context), native.c_str(), SCARD_SHARE_SHARED,
                              SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &raw, &protocol)))
    return false;
  *card = static_cast<PcscCard>(raw);
  *activeProtocol = static_cast<std::uint32_t>(protocol);
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
  BYTE atr[MAX_ATR_SIZE];
  DWORD atrLength = sizeof atr;
  if (!Succeeded(SCardStatus(static_cast<SCARDHANDLE>(card), nullptr, &readerLength, &state, &active,
                             atr, &atrLength)))
    return false;
  *protocol = static_cast<std::uint32_t>(active);
  return true;
}

bool PcscTransmit(PcscCard card, std::uint32_t protocol, const std::uint8_t* command,
                  std::size_t commandLength, std::vector<std::uint8_t>* answer) {
  const SCARD_IO_REQUEST header{protocol, sizeof(SCARD_IO_REQUEST)};
  answer->assign(MAX_BUFFER_SIZE_EXTENDED, 0);
  DWORD length = static_cast<DWORD>(answer->size());
  if (!Succeeded(SCardTransmit(static_cast<SCARDHANDLE>(card), &header, command,
                               static_cast<DWORD>(commandLength), nullptr, answer->data(), &length))) {
    answer->clear();
    return false;
  }
  answer->resize(length);
  return true;
}

}  // namespace platform
