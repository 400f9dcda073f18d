#include "service/net/ws_request.h"

#include <json/json.h>

#include <cstring>
#include <exception>
#include <memory>

namespace lumarin {
namespace {

// jsoncpp's asString throws for arrays and objects; those have no text here.
std::string MemberText(const Json::Value& value) {
  switch (value.type()) {
    case Json::stringValue:
    case Json::booleanValue:
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
      return value.asString();
    default:
      return std::string();
  }
}

// A top-level setting under the name its handler reads; present even when the member is not.
void TakeSetting(const Json::Value& root, const char* member, const char* param, ParamMap& params) {
  params.emplace(param, MemberText(root[member]));
}

// False when the text is not a JSON object. Comments are allowed, as the service always
// allowed them; the reader bounds the nesting (and throws past it), so no message can
// exhaust the stack.
bool ParseObject(const char* text, Json::Value* root) {
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  try {
    return reader->parse(text, text + std::strlen(text), root, nullptr) && root->isObject();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

WsRequest ReadWsRequest(const char* text) {
  WsRequest request;
  Json::Value root;
  if (!ParseObject(text, &root)) return request;
  request.name = MemberText(root["name"]);
  if (request.name == "openPush") {
    TakeSetting(root, "withImg", "withImg", request.params);
    TakeSetting(root, "interval", "interval", request.params);
  } else if (request.name == "mute") {
    TakeSetting(root, "isMute", "ISMUTE", request.params);
  } else if (request.name == "repeatRead") {
    TakeSetting(root, "isRepeatRead", "ISREPEAT", request.params);
  }
  const Json::Value& params = root["params"];
  if (!params.isObject()) return request;
  for (const std::string& member : params.getMemberNames())
    request.params.emplace(member, MemberText(params[member]));
  return request;
}

int ReadResultFlag(const char* answer) {
  Json::Value root;
  if (!ParseObject(answer, &root)) return -1;
  const Json::Value& flag = root["resultFlag"];
  return flag.isInt() ? flag.asInt() : -1;
}

}  // namespace lumarin
