// A test-only WinSCard.dll for running the PC/SC tests under wine, whose own winscard.dll
// is a stub. It plays vpcd: each reader of VANTEL_WINSCARD_READERS ("Name 0=port;Name 1=
// port") listens on 127.0.0.1:port for its virtual card and speaks vpcd's card protocol
// (a 2-byte big-endian length, then the payload; 1-byte payloads are controls). One
// caller at a time, as the library's callers are. VantelStubRestartService plays a restart
// of the smart-card service: every context and card handle given out before goes stale.
// VantelStubResetCard plays another program resetting the cards: their handles are refused
// with the reset warning until they reconnect. A virtual card whose connection ends has been
// taken out: the handles are refused with the removed-card warning until they reconnect.
// Both warnings are kept per reader, not per handle: one caller at a time.
#include <winsock2.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using ScardContext = ULONG_PTR;
using ScardHandle = ULONG_PTR;
struct ScardIoRequest {
  DWORD protocol;
  DWORD pciLength;
};

namespace {

constexpr LONG kSuccess = 0;
constexpr LONG kInvalidHandle = static_cast<LONG>(0x80100003);
constexpr LONG kInsufficientBuffer = static_cast<LONG>(0x80100008);
constexpr LONG kUnknownReader = static_cast<LONG>(0x80100009);
constexpr LONG kNoSmartcard = static_cast<LONG>(0x8010000C);
constexpr LONG kCommError = static_cast<LONG>(0x80100013);
constexpr LONG kNoReaders = static_cast<LONG>(0x8010002E);
constexpr LONG kServiceStopped = static_cast<LONG>(0x8010001E);
constexpr LONG kResetCard = static_cast<LONG>(0x80100068);
constexpr LONG kRemovedCard = static_cast<LONG>(0x80100069);
constexpr DWORD kAutoAllocate = 0xFFFFFFFF;
constexpr DWORD kProtocolT1 = 2;
constexpr DWORD kStateSpecific = 0x0020;
constexpr std::uint8_t kPowerOn = 1;
constexpr std::uint8_t kAtrRequest = 4;
// Card handles of one service generation: generation * kHandlesPerGeneration + reader + 1.
constexpr ScardHandle kHandlesPerGeneration = 64;

struct Reader {
  std::string name;
  SOCKET listener = INVALID_SOCKET;
  SOCKET card = INVALID_SOCKET;
  std::vector<std::uint8_t> atr;
  bool resetSinceConnect = false;
  bool removedSinceConnect = false;
};

std::vector<Reader> gReaders;
ScardContext gGeneration = 1;  // the context of the running service

SOCKET Listen(int port) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0) {
    closesocket(listener);
    return INVALID_SOCKET;
  }
  return listener;
}

void StartReaders() {
  if (!gReaders.empty()) return;
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const char* list = std::getenv("VANTEL_WINSCARD_READERS");
  std::string rest = list ? list : "";
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    const std::string item = rest.substr(0, end);
    rest = end == std::string::npos ? "" : rest.substr(end + 1);
    const std::size_t equals = item.rfind('=');
    if (equals == std::string::npos) continue;
    Reader reader;
    reader.name = item.substr(0, equals);
    reader.listener = Listen(std::atoi(item.c_str() + equals + 1));
    gReaders.push_back(reader);
  }
}

bool SendAll(SOCKET socket, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const int sent = send(socket, reinterpret_cast<const char*>(data), static_cast<int>(length), 0);
    if (sent <= 0) return false;
    data += sent;
    length -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveAll(SOCKET socket, std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const int got = recv(socket, reinterpret_cast<char*>(data), static_cast<int>(length), 0);
    if (got <= 0) return false;
    data += got;
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

bool SendMessage(Reader& reader, const std::uint8_t* payload, std::size_t length) {
  const std::uint8_t header[2] = {static_cast<std::uint8_t>(length >> 8),
                                  static_cast<std::uint8_t>(length)};
  return SendAll(reader.card, header, 2) && SendAll(reader.card, payload, length);
}

bool ReceiveMessage(Reader& reader, std::vector<std::uint8_t>* payload) {
  std::uint8_t header[2];
  if (!ReceiveAll(reader.card, header, 2)) return false;
  payload->resize(static_cast<std::size_t>(header[0] << 8 | header[1]));
  return ReceiveAll(reader.card, payload->data(), payload->size());
}

// A virtual card never speaks first: a connection with something to read has ended.
void NoticeRemoval(Reader& reader) {
  if (reader.card == INVALID_SOCKET) return;
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(reader.card, &ready);
  timeval wait{0, 0};
  char byte = 0;
  if (select(0, &ready, nullptr, nullptr, &wait) != 1 || recv(reader.card, &byte, 1, MSG_PEEK) > 0)
    return;
  closesocket(reader.card);
  reader.card = INVALID_SOCKET;
  reader.removedSinceConnect = true;
}

// Takes the waiting virtual card, powers it and asks for its ATR. A card has connected once
// its constructor returned, so a reader without one answers "no card" at once.
bool HaveCard(Reader& reader) {
  NoticeRemoval(reader);
  if (reader.card != INVALID_SOCKET) return true;
  if (reader.listener == INVALID_SOCKET) return false;
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(reader.listener, &ready);
  timeval wait{0, 0};
  if (select(0, &ready, nullptr, nullptr, &wait) != 1) return false;
  reader.card = accept(reader.listener, nullptr, nullptr);
  if (reader.card == INVALID_SOCKET) return false;
  if (!SendMessage(reader, &kPowerOn, 1) || !SendMessage(reader, &kAtrRequest, 1) ||
      !ReceiveMessage(reader, &reader.atr)) {
    closesocket(reader.card);
    reader.card = INVALID_SOCKET;
    return false;
  }
  return true;
}

Reader* ReaderOf(ScardHandle card) {
  const ScardHandle index = card - gGeneration * kHandlesPerGeneration;
  return index >= 1 && index <= gReaders.size() ? &gReaders[index - 1] : nullptr;
}

}  // namespace

extern "C" {

extern const ScardIoRequest g_rgSCardT0Pci{1, sizeof(ScardIoRequest)};
extern const ScardIoRequest g_rgSCardT1Pci{2, sizeof(ScardIoRequest)};
extern const ScardIoRequest g_rgSCardRawPci{0x10000, sizeof(ScardIoRequest)};

LONG WINAPI SCardEstablishContext(DWORD, const void*, const void*, ScardContext* context) {
  StartReaders();
  *context = gGeneration;
  return kSuccess;
}

LONG WINAPI SCardReleaseContext(ScardContext context) {
  return context == gGeneration ? kSuccess : kInvalidHandle;
}

LONG WINAPI SCardListReadersA(ScardContext context, const char*, char* readers, DWORD* length) {
  if (context != gGeneration) return kServiceStopped;
  if (gReaders.empty()) return kNoReaders;
  std::string list;
  for (const Reader& reader : gReaders) list += reader.name + '\0';
  list += '\0';
  const DWORD needed = static_cast<DWORD>(list.size());
  if (*length == kAutoAllocate && readers) {
    char* copy = static_cast<char*>(std::malloc(needed));
    std::memcpy(copy, list.data(), needed);
    *reinterpret_cast<char**>(readers) = copy;
  } else if (readers) {
    if (*length < needed) return kInsufficientBuffer;
    std::memcpy(readers, list.data(), needed);
  }
  *length = needed;
  return kSuccess;
}

LONG WINAPI SCardFreeMemory(ScardContext, const void* memory) {
  std::free(const_cast<void*>(memory));
  return kSuccess;
}

LONG WINAPI SCardConnectA(ScardContext context, const char* name, DWORD, DWORD,
                          ScardHandle* card, DWORD* protocol) {
  if (context != gGeneration) return kServiceStopped;
  for (std::size_t i = 0; i < gReaders.size(); ++i) {
    if (gReaders[i].name != name) continue;
    if (!HaveCard(gReaders[i])) return kNoSmartcard;
    *card = gGeneration * kHandlesPerGeneration + i + 1;
    *protocol = kProtocolT1;
    return kSuccess;
  }
  return kUnknownReader;
}

LONG WINAPI SCardReconnect(ScardHandle card, DWORD, DWORD, DWORD, DWORD* protocol) {
  Reader* reader = ReaderOf(card);
  if (!reader) return kInvalidHandle;
  if (!HaveCard(*reader)) return kNoSmartcard;
  reader->resetSinceConnect = false;
  reader->removedSinceConnect = false;
  *protocol = kProtocolT1;
  return kSuccess;
}

LONG WINAPI SCardDisconnect(ScardHandle card, DWORD) {
  return ReaderOf(card) ? kSuccess : kInvalidHandle;
}

LONG WINAPI SCardStatusA(ScardHandle card, char* name, DWORD* nameLength, DWORD* state,
                         DWORD* protocol, BYTE* atr, DWORD* atrLength) {
  Reader* reader = ReaderOf(card);
  if (!reader) return kInvalidHandle;
  const DWORD needed = static_cast<DWORD>(reader->name.size() + 2);
  if (name && nameLength && *nameLength >= needed) {
    std::memcpy(name, reader->name.c_str(), needed - 1);
    name[needed - 1] = '\0';
  }
  if (nameLength) *nameLength = needed;
  if (state) *state = kStateSpecific;
  if (protocol) *protocol = kProtocolT1;
  if (atr && atrLength && *atrLength >= reader->atr.size())
    std::memcpy(atr, reader->atr.data(), reader->atr.size());
  if (atrLength) *atrLength = static_cast<DWORD>(reader->atr.size());
  return kSuccess;
}

LONG WINAPI SCardTransmit(ScardHandle card, const ScardIoRequest*, const BYTE* command,
                          DWORD commandLength, ScardIoRequest*, BYTE* answer,
                          DWORD* answerLength) {
  Reader* reader = ReaderOf(card);
  if (!reader) return kInvalidHandle;
  NoticeRemoval(*reader);
  if (reader->removedSinceConnect) return kRemovedCard;
  if (reader->card == INVALID_SOCKET) return kInvalidHandle;
  if (reader->resetSinceConnect) return kResetCard;
  std::vector<std::uint8_t> response;
  if (!SendMessage(*reader, command, commandLength) || !ReceiveMessage(*reader, &response))
    return kCommError;
  if (*answerLength < response.size()) return kInsufficientBuffer;
  std::memcpy(answer, response.data(), response.size());
  *answerLength = static_cast<DWORD>(response.size());
  return kSuccess;
}

void WINAPI VantelStubRestartService() { ++gGeneration; }

void WINAPI VantelStubResetCard() {
  for (Reader& reader : gReaders) reader.resetSinceConnect = reader.card != INVALID_SOCKET;
}

}  // extern "C"
