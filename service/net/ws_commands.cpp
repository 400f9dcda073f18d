#include "service/net/ws_commands.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "service/net/service_text.h"
#include "service/net/ws_request.h"
#include "service/net/ws_server.h"

namespace lumarin {

std::atomic<bool> gPushOn{false};
std::atomic<bool> gPushWithImg{false};
std::atomic<int> gPushInterval{1000};

namespace {

constexpr char kUnknownCommand[] = "{\"resultFlag\":-2,\"errorMsg\":\"不支持的功能\"}";
constexpr char kReadWhilePushing[] =
    "{\"resultFlag\":-2,\"errorMsg\":\"读卡失败，已开启推送，请先停止推送\"}";
constexpr char kPushOpened[] = "{\"resultFlag\":0,\"errorMsg\":\"已开启推送\"}";
constexpr char kPushClosed[] = "{\"resultFlag\":0,\"errorMsg\":\"已关闭推送\"}";
// The push answers' buffer, as the service has always written them.
constexpr std::size_t kPushAnswerLimit = 128;

constexpr int kShortestInterval = 100;

// The server whose Dispatch runs on this thread: the push commands act on it.
thread_local WsServer* tDispatchingServer = nullptr;

struct FreeBuffer {
  void operator()(char* buffer) const { std::free(buffer); }
};
using Buffer = std::unique_ptr<char, FreeBuffer>;

// A result buffer with one zero byte behind it: an answer that fills it is still terminated.
Buffer NewResultBuffer() {
  return Buffer(static_cast<char*>(std::calloc(kAnswerBufferSize + 1, 1)));
}

// The name as a JSON string's content: a page's quote cannot add members to an answer that
// every client receives.
std::string EscapeName(const char* name) {
  std::string escaped;
  for (const char* c = name; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte == '"' || byte == '\\') {
      escaped += '\\';
      escaped += *c;
    } else if (byte < 0x20) {
      char code[7];
      std::snprintf(code, sizeof code, "\\u%04x", byte);
      escaped += code;
    } else {
      escaped += *c;
    }
  }
  return escaped;
}

}  // namespace

void AddNameToAnswer(const char* name, char* out, const char* answer, std::size_t out_size) {
  const char* brace = std::strchr(answer, '{');
  std::string named;
  if (brace == nullptr) {
    named = answer;
  } else {
    named.assign(answer, brace);
    named += "{\"name\":\"" + EscapeName(name) + "\",";
    named += brace + 1;
  }
  const std::size_t length = std::min(named.size(), out_size - 1);
  std::memcpy(out, named.data(), length);
  out[length] = '\0';
}

int ReadInterval(const std::string& text) {
  const char* c = text.c_str();
  while (std::isspace(static_cast<unsigned char>(*c))) ++c;
  const bool negative = *c == '-';
  if (*c == '-' || *c == '+') ++c;
  long long value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*c)); ++c) {
    value = value * 10 + (*c - '0');
    if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

void ApiOpenPush(ParamMap& params, char* result) {
  const std::string& with_images = params["withImg"];
  gPushWithImg = with_images == "true" || with_images == "TRUE";
  const int interval = ReadInterval(params["interval"]);
  if (interval >= kShortestInterval) gPushInterval = interval;
  if (!gPushOn && tDispatchingServer != nullptr) tDispatchingServer->StartPush();
  AnsiToUtf8Buffer(kPushOpened, result, kPushAnswerLimit);
}

void ApiClosePush(ParamMap&, char* result) {
  if (tDispatchingServer != nullptr) tDispatchingServer->StopPush();
  AnsiToUtf8Buffer(kPushClosed, result, kPushAnswerLimit);
}

void WsServer::Dispatch(const char* request, char* out) {
  WsRequest command = ReadWsRequest(request);
  const Buffer answer = NewResultBuffer();
  const auto found = command_table_.find(command.name);
  if (gPushOn && (command.name == "readCert" || command.name == "readCard")) {
    AnsiToUtf8Buffer(kReadWhilePushing, answer.get(), kAnswerBufferSize);
  } else if (found != command_table_.end()) {
    tDispatchingServer = this;
    found->second(command.params, answer.get());
    tDispatchingServer = nullptr;
  } else {
    AnsiToUtf8Buffer(kUnknownCommand, answer.get(), kAnswerBufferSize);
  }
  AddNameToAnswer(command.name.c_str(), out, answer.get(), kNamedAnswerSize);
}

void WsServer::StartPush() {
  MutexLock lock;
  lock.Acquire(push_control_);
  if (gPushOn) return;
  if (push_thread_->IsRunning()) push_thread_->WaitWithMessagePump();
  gPushOn = true;
  push_thread_->Start();
}

void WsServer::StopPush() {
  MutexLock lock;
  lock.Acquire(push_control_);
  gPushOn = false;
  pause_.Wake();
  if (push_thread_->IsRunning()) push_thread_->WaitWithMessagePump();
}

int WsServer::PushLoop() {
  const Buffer answer = NewResultBuffer();
  std::vector<char> named(kNamedAnswerSize);
  ParamMap none;
  while (gPushOn) {
    const bool with_images = gPushWithImg;
    const ApiHandler read = with_images ? read_cert_ : read_card_;
    if (read != nullptr) read(none, answer.get());
    AddNameToAnswer(with_images ? "PushWithImg" : "PushWithOutImg", named.data(), answer.get(),
                    named.size());
    if (ReadResultFlag(named.data()) == 0) Broadcast(named.data());
    // Only the bytes this cycle wrote are zeroed again.
    std::memset(answer.get(), 0, std::strlen(answer.get()));
    std::memset(named.data(), 0, std::strlen(named.data()));
    pause_.Wait(static_cast<std::uint32_t>(gPushInterval.load()), [] { return !gPushOn; });
  }
  return 0;
}

}  // namespace lumarin
