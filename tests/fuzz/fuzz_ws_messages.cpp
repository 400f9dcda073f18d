// Arbitrary bytes in arbitrary receives through one WebSocket connection's message reading
// (join, classify, decode, handshake) and the dispatcher's reading of each command message
// with the name it puts into the answer. Each receive is two size bytes (little-endian, taken
// modulo the room the reader offers, plus one) followed by that many received bytes.
#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "service/net/ws_commands.h"
#include "service/net/ws_message_reader.h"
#include "service/net/ws_request.h"

namespace {

constexpr std::size_t kAreaSize = 524288;

// The command's name must come back out of the named answer as it went in: escaped, it can
// neither break the answer nor add members to it.
void CheckRequest(const std::string& text) {
  static std::vector<char> named(lumarin::kNamedAnswerSize);
  const lumarin::WsRequest request = lumarin::ReadWsRequest(text.c_str());
  const std::string name = request.name.c_str();  // as far as the answer takes it
  lumarin::AddNameToAnswer(name.c_str(), named.data(), "{\"resultFlag\":-2}", named.size());
  Json::Value root;
  const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  const char* end = named.data() + std::strlen(named.data());
  if (!reader->parse(named.data(), end, &root, nullptr) || root.size() != 2 ||
      root["name"].asString() != name)
    std::abort();
}

void Check(const lumarin::WsAction& action, bool* ended) {
  if (*ended) std::abort();  // nothing may follow the end of a connection
  switch (action.kind) {
    case lumarin::WsAction::kDispatch:
      if (action.text.size() >= lumarin::WsMessageReader::kLargestFrame) std::abort();
      CheckRequest(action.text);
      break;
    case lumarin::WsAction::kUpgrade:
      if (action.text.rfind("HTTP/1.1 101 ", 0) != 0) std::abort();
      break;
    default:
      *ended = true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumarin::WsMessageReader reader(kAreaSize);
  bool ended = false;
  while (size >= 2 && reader.ReceiveRoom() > 0) {
    const std::size_t asked = (data[0] | (data[1] << 8)) % reader.ReceiveRoom() + 1;
    data += 2;
    size -= 2;
    const std::size_t received = asked < size ? asked : size;
    if (received == 0) break;
    std::memcpy(reader.ReceiveSpace(), data, received);
    data += received;
    size -= received;
    for (const lumarin::WsAction& action : reader.Take(received)) Check(action, &ended);
  }
  return 0;
}
