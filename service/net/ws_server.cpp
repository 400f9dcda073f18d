#include "service/net/ws_server.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "platform/clock.h"
#include "service/net/connection_cap.h"
#include "service/shell/service_log.h"

namespace lumarin {

// Never destroyed: a static server of another file, destroyed later at exit, still closes
// its connections through it.
std::set<IoContext*, IoContextOrder>& gWsConnections = *new std::set<IoContext*, IoContextOrder>;

namespace {

// The wake-up connection goes to our own listener: it is there at once or not at all.
constexpr std::uint32_t kWakeUpWaitMs = 1000;

constexpr int kListenBacklog = 10;

// The trace lines of the server go to standard output.
void Trace(const char* line) {
  std::fputs(line, stdout);
  std::fflush(stdout);
}

// One broadcast's frame on its way to one connection.
struct Delivery {
  IoContext* context;
  std::size_t sent;
  bool failed;
};

// Sends the frame to every delivery at once, each as far as its peer takes it, until each has
// it whole or failed, or `limitMs` have passed.
void SendToAll(std::vector<Delivery>& deliveries, const char* frame, std::size_t size,
               std::uint32_t limitMs) {
  const std::uint32_t start = platform::TickCountMs();
  for (;;) {
    std::vector<platform::TcpSocket*> waiting;
    for (Delivery& delivery : deliveries) {
      if (delivery.failed || delivery.sent == size) continue;
      const int done = delivery.context->connection->SendWithoutWaiting(
          reinterpret_cast<const std::uint8_t*>(frame) + delivery.sent, size - delivery.sent);
      delivery.failed = done < 0;
      if (done > 0) delivery.sent += static_cast<std::size_t>(done);
      if (!delivery.failed && delivery.sent < size) waiting.push_back(delivery.context->connection.get());
    }
    if (waiting.empty()) return;
    const std::uint32_t spent = platform::TickCountMs() - start;
    if (spent >= limitMs || !platform::WaitUntilAnyCanSend(waiting, limitMs - spent)) return;
  }
}

}  // namespace

IoContext::IoContext(std::unique_ptr<platform::TcpSocket> accepted)
    : connection(std::move(accepted)),
      socket(connection->NativeHandle()),
      reader(kAnswerBufferSize) {}

IoContext::~IoContext() = default;

void CAcceptTaskThread::Run() {
  if (server_ != nullptr) server_->AcceptLoop();
}

void CReciveTaskThread::Run() {
  if (server_ != nullptr) server_->CompletionLoop();
}

void CReadTaskThead::Run() {
  if (server_ != nullptr) server_->PushLoop();
}

WsServer::WsServer(const RouteHandlers& handlers)
    : WsServer(WsCommands{[this](const char* request, char* out) { Dispatch(request, out); },
                          [this] { StopPush(); }}) {
  read_card_ = handlers.readCard;
  read_cert_ = handlers.readCert;
  const std::pair<const char*, ApiHandler> commands[] = {
      {"readCert", handlers.readCert},
      {"readCard", handlers.readCard},
      {"connect", handlers.connect},
      {"disconnect", handlers.disconnect},
      {"getVersion", handlers.getVersion},
      {"getStatus", handlers.getStatus},
      {"readICCardSN", handlers.readICCardSN},
      {"readIDCardSN", handlers.readIDCardSN},
      {"getSAMID", handlers.getSAMID},
      {"readM1Card", handlers.readM1Card},
      {"writeM1Card", handlers.writeM1Card},
      {"handleAPDUCMD", handlers.handleAPDUCMD},
      {"mute", handlers.mute},
      {"getSAMIDStr", handlers.getSAMIDStr},
      {"repeatRead", handlers.repeatRead},
      {"openPush", ApiOpenPush},
      {"closePush", ApiClosePush},
  };
  for (const auto& [name, handler] : commands)
    if (handler != nullptr) command_table_.emplace(name, handler);
}

WsServer::WsServer(WsCommands commands)
    : commands_(std::move(commands)),
      accept_thread_(std::make_unique<CAcceptTaskThread>(this)),
      completion_thread_(std::make_unique<CReciveTaskThread>(this)),
      push_thread_(std::make_unique<CReadTaskThead>(this)),
      port_(platform::CompletionPort::Create()),
      answer_(static_cast<char*>(std::calloc(kNamedAnswerSize, 1))),
      frame_(static_cast<char*>(
          std::calloc(kNamedAnswerSize + WebSocketCodec::kMaxFrameOverhead, 1))) {
  accept_thread_->SetAutoDelete(0);
  completion_thread_->SetAutoDelete(0);
  push_thread_->SetAutoDelete(0);
  push_control_.Create();
  mutex_.Create();
  sending_.Create();
}

WsServer::~WsServer() {
  // The threads end before their objects go: a thread object destroyed while its thread still
  // runs would have its own Run called half-destroyed.
  StopAndWait();
  accept_thread_.reset();
  completion_thread_.reset();
  push_thread_.reset();
  // No thread of ours runs now: what is still open is closed here.
  while (!open_.empty()) CloseConnection(*open_.begin());
  std::free(answer_);
  std::free(frame_);
}

bool WsServer::Start(void* notify, const char* ip, int port) {
  if (accept_thread_->IsRunning()) accept_thread_->WaitWithMessagePump();
  if (completion_thread_->IsRunning()) completion_thread_->WaitWithMessagePump();
  notify_ = notify;
  std::memset(ip_, 0, sizeof ip_);
  std::strncpy(ip_, ip, sizeof ip_ - 1);
  port_number_ = port;
  stop_ = false;
  accept_thread_->Start();
  completion_thread_->Start();
  return true;
}

void WsServer::Stop() {
  commands_.stop_push();
  stop_ = true;
  pause_.Wake();
  if (accept_thread_->IsRunning()) {
    std::unique_ptr<platform::TcpSocket> wake = platform::TcpSocket::Create();
    if (wake) wake->Connect("127.0.0.1", static_cast<std::uint16_t>(port_number_), kWakeUpWaitMs);
  }
  port_->Wake();
}

void WsServer::StopAndWait() {
  Stop();
  accept_thread_->WaitWithMessagePump();
  completion_thread_->WaitWithMessagePump();
  // An openPush handled before the completion thread ended may have started push again.
  commands_.stop_push();
}

int WsServer::AcceptLoop() {
  std::unique_ptr<platform::TcpListener> listener = platform::TcpListener::Create();
  // A port held elsewhere: nothing to accept on (the listener closes with the loop).
  if (!listener || !listener->Listen(static_cast<std::uint16_t>(port_number_), kListenBacklog))
    return -1;
  while (!stop_) {
    std::unique_ptr<platform::TcpSocket> accepted = listener->Accept();
    Trace("accept\n");
    if (!accepted) {
      // Out of descriptors, or a queued peer gone: the next accept may well succeed.
      pause_.Wait(kFailedAcceptPauseMs, [this] { return stop_.load(); });
      continue;
    }
    accepted->SetSendTimeout(kSendTimeoutMs);
    IoContext* context = Admit(std::move(accepted));
    if (context == nullptr) continue;
    port_->Associate(context->socket, context);
    PostReceive(context);
  }
  return 0;
}

IoContext* WsServer::Admit(std::unique_ptr<platform::TcpSocket> accepted) {
  MutexLock lock;
  lock.Acquire(mutex_);
  if (open_.size() >= kMaxConnections) {
    ServiceLogf("WebSocket connection refused: %u connections served already",
                static_cast<unsigned>(open_.size()));
    return nullptr;
  }
  try {
    auto context = std::make_unique<IoContext>(std::move(accepted));
    open_.insert(context.get());
    return context.release();
  } catch (const std::bad_alloc&) {
    ServiceLogf("WebSocket connection refused: out of memory");
    return nullptr;
  }
}

int WsServer::CompletionLoop() {
  while (!stop_) {
    Trace("before GetQueuedCompletionStatus\n");
    const platform::CompletionPort::Completion done = port_->Wait();
    Trace("after GetQueuedCompletionStatus\n");
    if (done.key == nullptr) {  // a wake: stop is looked at again, dropped receivers closed
      CloseDroppedConnections();
      continue;
    }
    auto* context = static_cast<IoContext*>(done.key);
    if (done.bytes == 0) {
      Trace("achive zero，disconnect\n");
      CloseConnection(context);
      continue;
    }
    OnCompletion(context, done.bytes);
  }
  return 0;
}

void WsServer::OnCompletion(IoContext* context, int bytes) {
  bool open;
  try {
    open = OnMessage(context, bytes);
  } catch (const std::bad_alloc&) {
    ServiceLogf("WebSocket connection closed: out of memory");
    CloseConnection(context);
    return;
  }
  if (open) PostReceive(context);
}

bool WsServer::OnMessage(IoContext* context, int bytes) {
  const char* received = context->reader.ReceiveSpace();
  Trace(std::string(received, std::find(received, received + bytes, '\0')).append("\n").c_str());
  for (const WsAction& action : context->reader.Take(static_cast<std::size_t>(bytes))) {
    switch (action.kind) {
      case WsAction::kUpgrade: {
        if (!SendAll(context, action.text.data(), action.text.size())) {
          CloseConnection(context);  // frames after a cut answer would make no sense
          return false;
        }
        MutexLock lock;
        lock.Acquire(mutex_);
        gWsConnections.insert(context);
        break;
      }
      case WsAction::kDispatch:
        commands_.dispatch(action.text.c_str(), answer_);
        Broadcast(answer_);
        std::memset(answer_, 0, std::strlen(answer_));
        break;
      case WsAction::kRefuse:
        SendAll(context, action.text.data(), action.text.size());
        CloseConnection(context);
        return false;
      case WsAction::kClose:
        commands_.stop_push();
        CloseConnection(context);
        return false;
      case WsAction::kDrop:
        CloseConnection(context);
        return false;
    }
  }
  return true;
}

void WsServer::Broadcast(const char* answer) {
  MutexLock sending;
  sending.Acquire(sending_);
  const auto length = static_cast<unsigned int>(strnlen(answer, kNamedAnswerSize - 1));
  const auto size = static_cast<std::size_t>(codec_.EncodeFrame(answer, length, frame_, kFrameText));
  std::vector<Delivery> deliveries;
  for (IoContext* receiver : Receivers()) deliveries.push_back({receiver, 0, false});
  SendToAll(deliveries, frame_, size, kSendTimeoutMs);
  // A frame cut short leaves the connection's stream unusable: nothing more goes after it.
  std::vector<IoContext*> undelivered;
  for (const Delivery& delivery : deliveries)
    if (delivery.sent < size) undelivered.push_back(delivery.context);
  if (!undelivered.empty()) DropReceivers(undelivered);
}

std::vector<IoContext*> WsServer::Receivers() {
  MutexLock lock;
  lock.Acquire(mutex_);
  return std::vector<IoContext*>(gWsConnections.begin(), gWsConnections.end());
}

void WsServer::DropReceivers(const std::vector<IoContext*>& dropped) {
  {
    MutexLock lock;
    lock.Acquire(mutex_);
    for (IoContext* context : dropped) {
      gWsConnections.erase(context);
      // One closed meanwhile waits for this broadcast to end before it is freed.
      if (open_.count(context) != 0) dropped_.insert(context);
    }
  }
  port_->Wake();
}

void WsServer::CloseDroppedConnections() {
  std::set<IoContext*> dropped;
  {
    MutexLock lock;
    lock.Acquire(mutex_);
    dropped.swap(dropped_);
  }
  for (IoContext* context : dropped) CloseConnection(context);
}

bool WsServer::SendAll(IoContext* context, const char* bytes, std::size_t length) {
  for (std::size_t sent = 0; sent < length;) {
    const int done = context->connection->Send(reinterpret_cast<const std::uint8_t*>(bytes) + sent,
                                               length - sent);
    if (done <= 0) return false;
    sent += static_cast<std::size_t>(done);
  }
  return true;
}

void WsServer::PostReceive(IoContext* context) {
  port_->PostReceive(context, context->reader.ReceiveSpace(), context->reader.ReceiveRoom());
}

void WsServer::CloseConnection(IoContext* context) {
  {
    MutexLock lock;
    lock.Acquire(mutex_);
    gWsConnections.erase(context);
    open_.erase(context);
    dropped_.erase(context);
  }
  port_->Forget(context);
  // A broadcast of the push thread may still be sending to it.
  MutexLock sending;
  sending.Acquire(sending_);
  delete context;
}

}  // namespace lumarin
