#include "service/net/ws_server.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

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

}  // namespace

// calloc: the zero pages of an idle connection's area stay untouched.
IoContext::IoContext(std::unique_ptr<platform::TcpSocket> accepted)
    : connection(std::move(accepted)),
      socket(connection->NativeHandle()),
      data(static_cast<char*>(std::calloc(kAnswerBufferSize, 1))),
      reader(data, kAnswerBufferSize) {}

IoContext::~IoContext() { std::free(data); }

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
}

WsServer::~WsServer() {
  Stop();
  accept_thread_.reset();
  completion_thread_.reset();
  // An openPush handled before the completion thread ended may have started push again.
  commands_.stop_push();
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
  if (!listener) return -1;
  listener->Listen(static_cast<std::uint16_t>(port_number_), kListenBacklog);
  while (!stop_) {
    std::unique_ptr<platform::TcpSocket> accepted = listener->Accept();
    Trace("accept\n");
    if (!accepted) return -1;  // the listener closes with it
    accepted->SetSendTimeout(kSendTimeoutMs);
    auto* context = new IoContext(std::move(accepted));
    {
      MutexLock lock;
      lock.Acquire(mutex_);
      open_.insert(context);
    }
    port_->Associate(context->socket, context);
    PostReceive(context);
  }
  return 0;
}

int WsServer::CompletionLoop() {
  while (!stop_) {
    Trace("before GetQueuedCompletionStatus\n");
    const platform::CompletionPort::Completion done = port_->Wait();
    Trace("after GetQueuedCompletionStatus\n");
    if (done.key == nullptr) continue;  // a wake: stop is looked at again
    auto* context = static_cast<IoContext*>(done.key);
    if (done.bytes == 0) {
      Trace("achive zero，disconnect\n");
      CloseConnection(context);
      continue;
    }
    if (OnMessage(context, done.bytes)) PostReceive(context);
  }
  return 0;
}

bool WsServer::OnMessage(IoContext* context, int bytes) {
  const char* received = context->reader.ReceiveSpace();
  Trace(std::string(received, std::find(received, received + bytes, '\0')).append("\n").c_str());
  for (const WsAction& action : context->reader.Take(static_cast<std::size_t>(bytes))) {
    switch (action.kind) {
      case WsAction::kUpgrade: {
        SendAll(context, action.text.data(), action.text.size());
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
  MutexLock lock;
  lock.Acquire(mutex_);
  const auto length = static_cast<unsigned int>(strnlen(answer, kNamedAnswerSize - 1));
  const int size = codec_.EncodeFrame(answer, length, frame_, kFrameText);
  for (IoContext* connection : gWsConnections) SendAll(connection, frame_, static_cast<std::size_t>(size));
}

void WsServer::SendAll(IoContext* context, const char* bytes, std::size_t length) {
  for (std::size_t sent = 0; sent < length;) {
    const int done = context->connection->Send(reinterpret_cast<const std::uint8_t*>(bytes) + sent,
                                               length - sent);
    if (done <= 0) return;  // the connection stays; its next answer is tried again
    sent += static_cast<std::size_t>(done);
  }
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
  }
  port_->Forget(context);
  delete context;
}

}  // namespace lumarin
