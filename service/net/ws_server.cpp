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
#include "service/net/service_text.h"
#include "service/net/ws_giving_way.h"
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

// The milliseconds from `now` until `deadline_ms` on the wrapping tick count; 0 once passed.
std::uint32_t MsUntil(std::uint32_t deadline_ms, std::uint32_t now) {
  const auto left = static_cast<std::int32_t>(deadline_ms - now);
  return left > 0 ? static_cast<std::uint32_t>(left) : 0;
}

}  // namespace

IoContext::IoContext(std::unique_ptr<platform::TcpSocket> accepted, std::uint32_t now)
    : connection(std::move(accepted)),
      socket(connection->NativeHandle()),
      reader(kAnswerBufferSize),
      accepted_at(now),
      last_active(now) {}

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
      answer_(static_cast<char*>(std::calloc(kNamedAnswerSize, 1))) {
  accept_thread_->SetAutoDelete(0);
  completion_thread_->SetAutoDelete(0);
  push_thread_->SetAutoDelete(0);
  push_control_.Create();
  mutex_.Create();
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
    // Each answer is written whole: its last bytes must not wait for the peer's acknowledgement.
    accepted->SendAtOnce();
    // The completion thread sees its upgrade deadline, and makes room when the places are full.
    if (Admit(std::move(accepted)) != nullptr) port_->Wake();
  }
  return 0;
}

IoContext* WsServer::Admit(std::unique_ptr<platform::TcpSocket> accepted) {
  MutexLock lock;
  lock.Acquire(mutex_);
  if (open_.size() >= kMostConnectionsHeld) {
    ServiceLogf("WebSocket connection refused: %u connections held already",
                static_cast<unsigned>(open_.size()));
    return nullptr;
  }
  try {
    auto context = std::make_unique<IoContext>(std::move(accepted), platform::TickCountMs());
    awaiting_upgrade_.push_back(context.get());
    open_.insert(context.get());
    newest_ = context.get();
    // Under the lock: the completion thread may close it as soon as it is listed.
    port_->Associate(context->socket, context.get());
    PostReceive(context.get());
    return context.release();
  } catch (const std::bad_alloc&) {
    ServiceLogf("WebSocket connection refused: out of memory");
    return nullptr;
  }
}

int WsServer::CompletionLoop() {
  while (!stop_) {
    // Connections with messages waiting are served between the completions already there.
    const std::uint32_t wait =
        turns_.empty() ? UntilNextUpgradeDeadline(platform::TickCountMs()) : 0;
    Trace("before GetQueuedCompletionStatus\n");
    const platform::CompletionPort::Completion done = port_->Wait(wait);
    Trace("after GetQueuedCompletionStatus\n");
    if (done.key != nullptr) {
      OnCompletion(done);
      continue;
    }
    // A wake, a wait run out, or no completion left for now.
    KeepPlaces();
    if (!turns_.empty()) ServeTurn();
  }
  SendWhatWaits();
  return 0;
}

void WsServer::SendWhatWaits() {
  const std::uint32_t start = platform::TickCountMs();
  for (;;) {
    const std::uint32_t spent = platform::TickCountMs() - start;
    if (spent >= kLastSendsWaitMs || !AnswersWait()) return;
    const platform::CompletionPort::Completion done = port_->Wait(kLastSendsWaitMs - spent);
    // A message received meanwhile is handled after the next start.
    if (done.key != nullptr) OnCompletion(done);
  }
}

bool WsServer::AnswersWait() {
  MutexLock lock;
  lock.Acquire(mutex_);
  for (IoContext* context : open_)
    if (!context->outgoing.empty() && dropped_.count(context) == 0) return true;
  return false;
}

void WsServer::OnCompletion(const platform::CompletionPort::Completion& done) {
  auto* context = static_cast<IoContext*>(done.key);
  if (done.bytes == 0) {
    if (!done.sent) Trace("achive zero，disconnect\n");
    CloseConnection(context);
  } else if (done.sent) {
    OnSent(context, done.bytes);
  } else {
    OnReceived(context, done.bytes);
  }
}

void WsServer::OnReceived(IoContext* context, int bytes) {
  const char* received = context->reader.ReceiveSpace();
  const std::string text(received, std::find(received, received + bytes, '\0'));
  Trace(EscapeControlBytes(text).append("\n").c_str());
  context->reader.Take(static_cast<std::size_t>(bytes), 0);
  GiveTurn(context);
}

void WsServer::OnSent(IoContext* context, int bytes) {
  bool drained;
  {
    MutexLock lock;
    lock.Acquire(mutex_);
    context->send_posted = false;
    context->front_sent += static_cast<std::size_t>(bytes);
    if (context->front_sent == context->outgoing.front()->size()) {
      context->outgoing.pop_front();
      context->front_sent = 0;
      context->last_active = platform::TickCountMs();
    }
    if (!context->outgoing.empty()) PostNextSend(context);
    drained = context->outgoing.size() < kBusyFrames;
  }
  if (context->parked && drained) {
    context->parked = false;
    GiveTurn(context);
  }
}

void WsServer::GiveTurn(IoContext* context) {
  context->has_turn = true;
  turns_.push_back(context);
}

void WsServer::ServeTurn() {
  IoContext* context = turns_.front();
  turns_.pop_front();
  context->has_turn = false;
  for (std::size_t handled = 0; handled < kMessagesPerTurn; ++handled) {
    {
      MutexLock lock;
      lock.Acquire(mutex_);
      if (dropped_.count(context) != 0) return;  // closed with the next wake
      if (context->outgoing.size() >= kBusyFrames) {
        context->parked = true;
        return;
      }
    }
    const std::vector<WsAction> next = context->reader.Take(0, 1);
    if (next.empty()) {
      PostReceive(context);
      return;
    }
    if (!ActOrClose(context, next.front())) return;
  }
  GiveTurn(context);
}

bool WsServer::ActOrClose(IoContext* context, const WsAction& action) {
  try {
    return Act(context, action);
  } catch (const std::bad_alloc&) {
    ServiceLogf("WebSocket connection closed: out of memory");
    CloseConnection(context);
    return false;
  }
}

bool WsServer::Act(IoContext* context, const WsAction& action) {
  context->last_active = platform::TickCountMs();
  switch (action.kind) {
    case WsAction::kUpgrade:
      Upgrade(context, action.text);
      return true;
    case WsAction::kDispatch:
      commands_.dispatch(action.text.c_str(), answer_);
      Broadcast(answer_);
      std::memset(answer_, 0, std::strlen(answer_));
      return true;
    case WsAction::kRefuse:
      // Short, and the first bytes sent on the connection: the socket takes it whole.
      context->connection->SendWithoutWaiting(
          reinterpret_cast<const std::uint8_t*>(action.text.data()), action.text.size());
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
  return true;
}

void WsServer::Upgrade(IoContext* context, const std::string& answer) {
  context->upgraded = true;
  const Frame bytes = std::make_shared<const std::string>(answer);
  MutexLock lock;
  lock.Acquire(mutex_);
  if (context->awaiting_upgrade) {
    awaiting_upgrade_.remove(context);
    context->awaiting_upgrade = false;
  }
  if (dropped_.count(context) != 0) return;
  if (Enqueue(context, bytes)) {
    gWsConnections.insert(context);
  } else {
    Drop(context);
  }
}

void WsServer::Broadcast(const char* answer) {
  const auto length = static_cast<unsigned int>(strnlen(answer, kNamedAnswerSize - 1));
  Frame frame;
  try {
    auto encoded = std::make_shared<std::string>(length + WebSocketCodec::kMaxFrameOverhead, '\0');
    encoded->resize(static_cast<std::size_t>(
        codec_.EncodeFrame(answer, length, &(*encoded)[0], kFrameText)));
    frame = std::move(encoded);
  } catch (const std::bad_alloc&) {
    ServiceLogf("WebSocket answer not sent: out of memory");
    return;
  }
  MutexLock lock;
  lock.Acquire(mutex_);
  std::vector<IoContext*> overflowing;
  for (IoContext* receiver : gWsConnections)
    if (!Enqueue(receiver, frame)) overflowing.push_back(receiver);
  for (IoContext* receiver : overflowing) Drop(receiver);
}

bool WsServer::Enqueue(IoContext* context, const Frame& bytes) {
  try {
    context->outgoing.push_back(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (context->outgoing.size() > kMostWaitingFrames) return false;
  if (!context->send_posted) PostNextSend(context);
  return true;
}

void WsServer::PostNextSend(IoContext* context) {
  const std::string& front = *context->outgoing.front();
  port_->PostSend(context, front.data() + context->front_sent, front.size() - context->front_sent);
  context->send_posted = true;
}

void WsServer::Drop(IoContext* context) {
  gWsConnections.erase(context);
  dropped_.insert(context);
  port_->Wake();
}

void WsServer::KeepPlaces() {
  CloseDroppedConnections();
  const std::uint32_t now = platform::TickCountMs();
  CloseOverdueUpgrades(now);
  GiveWayToNewConnections(now);
}

void WsServer::CloseDroppedConnections() {
  std::set<IoContext*> dropped;
  {
    MutexLock lock;
    lock.Acquire(mutex_);
    dropped.swap(dropped_);
  }
  for (IoContext* context : dropped) {
    ServiceLogf("WebSocket connection closed: %u answers waited for it",
                static_cast<unsigned>(kMostWaitingFrames));
    CloseConnection(context);
  }
}

void WsServer::CloseOverdueUpgrades(std::uint32_t now) {
  std::vector<IoContext*> overdue;
  {
    MutexLock lock;
    lock.Acquire(mutex_);
    for (IoContext* context : awaiting_upgrade_) {
      if (now - context->accepted_at < kUpgradeWaitMs) break;
      if (!context->has_turn) overdue.push_back(context);  // its request waits to be answered
    }
  }
  for (IoContext* context : overdue) {
    ServiceLogf("WebSocket connection closed: no upgrade request within %u s",
                static_cast<unsigned>(kUpgradeWaitMs / 1000));
    CloseConnection(context);
  }
}

void WsServer::GiveWayToNewConnections(std::uint32_t now) {
  for (;;) {
    std::vector<IoContext*> holders;
    std::vector<WsPlace> places;
    {
      MutexLock lock;
      lock.Acquire(mutex_);
      if (open_.size() <= kMaxConnections) return;
      for (IoContext* context : open_) {
        if (context == newest_) continue;  // the one the others give way to
        holders.push_back(context);
        places.push_back({context->upgraded,
                          context->has_turn || context->parked || !context->outgoing.empty(),
                          now - (context->upgraded ? context->last_active : context->accepted_at)});
      }
    }
    const std::size_t chosen = ChooseConnectionToGiveWay(places);
    if (chosen == places.size()) return;  // the new ones are closed when they are overdue
    ServiceLogf("WebSocket connection closed for a new one: %u connections served at once",
                static_cast<unsigned>(kMaxConnections));
    CloseConnection(holders[chosen]);
  }
}

std::uint32_t WsServer::UntilNextUpgradeDeadline(std::uint32_t now) {
  MutexLock lock;
  lock.Acquire(mutex_);
  if (awaiting_upgrade_.empty()) return platform::CompletionPort::kNoTimeLimit;
  return MsUntil(awaiting_upgrade_.front()->accepted_at + kUpgradeWaitMs, now);
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
    if (context->awaiting_upgrade) awaiting_upgrade_.remove(context);
    if (newest_ == context) newest_ = nullptr;
  }
  if (context->has_turn) turns_.erase(std::find(turns_.begin(), turns_.end(), context));
  // The system no longer touches its buffers once it is forgotten.
  port_->Forget(context);
  delete context;
}

}  // namespace lumarin
