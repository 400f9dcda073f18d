#pragma once
// The service's WebSocket endpoint: one accept thread, one thread that takes every completed
// receive and send from a completion port, upgrades answered, every text frame's command
// answered to all upgraded connections, each written as that connection takes it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/completion_port.h"
#include "platform/tcp_socket.h"
#include "service/api/api_handler.h"
#include "service/net/route_table.h"
#include "service/net/websocket_codec.h"
#include "service/net/ws_commands.h"
#include "service/net/ws_message_reader.h"
#include "service/shell/mutex.h"
#include "service/shell/pause.h"
#include "service/shell/task_thread.h"

namespace lumarin {

class WsServer;

// One accepted connection, from its accept until it is closed.
struct IoContext {
  IoContext(std::unique_ptr<platform::TcpSocket> accepted, std::uint32_t now);
  ~IoContext();
  IoContext(const IoContext&) = delete;
  IoContext& operator=(const IoContext&) = delete;

  bool operator<(const IoContext& other) const { return socket < other.socket; }

  std::unique_ptr<platform::TcpSocket> connection;
  platform::NativeSocket socket;
  WsMessageReader reader;  // the received bytes not yet handled
  const std::uint32_t accepted_at;

  // Under the server's mutex: what goes to the peer, in order (its upgrade answer, then each
  // broadcast frame), written as the peer takes it, one send posted at a time.
  std::deque<std::shared_ptr<const std::string>> outgoing;
  std::size_t front_sent = 0;  // bytes of the first one sent already
  bool send_posted = false;
  bool awaiting_upgrade = true;  // listed among the connections not yet upgraded

  // The completion thread's own.
  bool upgraded = false;
  std::uint32_t last_active;  // the last whole message from it, or whole frame it took
  bool has_turn = false;      // a whole message of its waits among the turns
  bool parked = false;        // its messages wait until its own sends drain
};

struct IoContextOrder {
  bool operator()(const IoContext* a, const IoContext* b) const { return *a < *b; }
};

// The upgraded connections, by socket; guarded by the server's mutex. A connection leaves it
// when it closes or when more answers wait for it than it may keep waiting.
extern std::set<IoContext*, IoContextOrder>& gWsConnections;

// What the command side gives the server: the answer to one command message (a NUL-terminated
// text into kNamedAnswerSize zeroed bytes), and the end of push mode. The server's own
// command table fills it; tests of the transport alone give their own.
struct WsCommands {
  std::function<void(const char* request, char* answer)> dispatch;
  std::function<void()> stop_push;
};

// The commands by exact name.
using CommandTable = std::map<std::string, ApiHandler>;

class CAcceptTaskThread : public CTaskThread {
 public:
  explicit CAcceptTaskThread(WsServer* server) : server_(server) {}

 protected:
  void Run() override;

 private:
  WsServer* server_;
};

class CReciveTaskThread : public CTaskThread {
 public:
  explicit CReciveTaskThread(WsServer* server) : server_(server) {}

 protected:
  void Run() override;

 private:
  WsServer* server_;
};

class CReadTaskThead : public CTaskThread {
 public:
  explicit CReadTaskThead(WsServer* server) : server_(server) {}

 protected:
  void Run() override;

 private:
  WsServer* server_;
};

class WsServer {
 public:
  // The 17 commands: the API operations under their short names, openPush and closePush. A
  // null handler leaves its name out of the table.
  explicit WsServer(const RouteHandlers& handlers);
  explicit WsServer(WsCommands commands);
  // Stops the server and waits for its threads, then closes what connections remain.
  ~WsServer();
  WsServer(const WsServer&) = delete;
  WsServer& operator=(const WsServer&) = delete;

  // Waits for the threads of an earlier run, then listens on all interfaces at `port` (the
  // address is kept, not used). Always true.
  bool Start(void* notify, const char* ip, int port);
  // Push mode off; the accept thread woken by a connection to itself, the completion thread
  // through the port. Connections stay open and are served again after the next Start.
  void Stop();
  // Stop, then waits (dispatching window messages) until its threads have ended.
  void StopAndWait();

  int AcceptLoop();
  int CompletionLoop();
  // Queues the answer as one text frame for every upgraded connection, each written as that
  // peer takes it: no peer waits for another. One for which more than kMostWaitingFrames
  // frames wait is closed.
  void Broadcast(const char* answer);

  // The answer to one command message, its name first, into `out` (kNamedAnswerSize bytes).
  void Dispatch(const char* request, char* out);
  // Push mode on with a push thread (after the previous one has ended). Serialised with
  // StopPush; does nothing while push mode is on.
  void StartPush();
  // Push mode off; returns once the push thread has ended: its wait ends at once, a card read
  // in progress is finished (and broadcast).
  void StopPush();
  // The push thread: while push mode is on, a card read, broadcast when it succeeded, then
  // the wait.
  int PushLoop();

  // The connections served at once. When one more comes, another that has not upgraded, or
  // else the upgraded one idle longest, gives way to it (ChooseConnectionToGiveWay). Each may
  // hold up to kAnswerBufferSize while it joins an upgrade request: all of them together stay
  // far within the address space of the 32-bit program.
  static constexpr std::size_t kMaxConnections = 256;
  // Connections accepted before the completion thread had made room for them are closed
  // beyond this number as they come (it may be held up by a card read).
  static constexpr std::size_t kMostConnectionsHeld = 2 * kMaxConnections;
  // How long a connection has for its whole upgrade request; it is closed after that.
  static constexpr std::uint32_t kUpgradeWaitMs = 10000;
  // Frames that may wait for one peer: one that does not take them is closed beyond this.
  static constexpr std::size_t kMostWaitingFrames = 8;
  // A peer for which this many frames wait has its own messages wait until they drain: a
  // client that sends more than it reads slows itself down, not the others.
  static constexpr std::size_t kBusyFrames = 4;
  // The messages of one connection handled in a row before the others get their turn.
  static constexpr std::size_t kMessagesPerTurn = 4;
  // How long the completion thread goes on sending what was answered before a stop (the
  // program may end next) to peers that take it.
  static constexpr std::uint32_t kLastSendsWaitMs = 2000;

 private:
  using Frame = std::shared_ptr<const std::string>;

  // A context for an accepted connection, tied to the port with a receive posted; null when
  // kMostConnectionsHeld are open already or memory is short (the connection is closed).
  IoContext* Admit(std::unique_ptr<platform::TcpSocket> accepted);
  void PostReceive(IoContext* context);
  // At a stop: the answers queued already are written, for up to kLastSendsWaitMs.
  void SendWhatWaits();
  bool AnswersWait();
  void OnCompletion(const platform::CompletionPort::Completion& done);
  void OnReceived(IoContext* context, int bytes);
  void OnSent(IoContext* context, int bytes);
  // Puts the connection at the end of the turns.
  void GiveTurn(IoContext* context);
  // Handles up to kMessagesPerTurn whole messages of the first connection among the turns.
  void ServeTurn();
  // Handles one message; false when the connection was closed. One that cannot get the memory
  // it needs is closed.
  bool ActOrClose(IoContext* context, const WsAction& action);
  bool Act(IoContext* context, const WsAction& action);
  void Upgrade(IoContext* context, const std::string& answer);
  // Under mutex_: queues bytes for the peer; false when too many wait (the caller drops it).
  bool Enqueue(IoContext* context, const Frame& bytes);
  void PostNextSend(IoContext* context);
  // Under mutex_: out of the set at once; closed by the completion thread, which is woken.
  void Drop(IoContext* context);
  // What waiting and full places ask for: dropped connections closed, upgrades overdue
  // closed, connections beyond kMaxConnections given way.
  void KeepPlaces();
  void CloseDroppedConnections();
  void CloseOverdueUpgrades(std::uint32_t now);
  void GiveWayToNewConnections(std::uint32_t now);
  // How long the completion thread may wait before an upgrade is overdue.
  std::uint32_t UntilNextUpgradeDeadline(std::uint32_t now);
  // Takes the connection out of the set, the turns and the port, closes and frees it.
  void CloseConnection(IoContext* context);

  // The card reads of push mode.
  ApiHandler read_card_ = nullptr;
  ApiHandler read_cert_ = nullptr;
  CommandTable command_table_;
  WsCommands commands_;
  std::unique_ptr<CAcceptTaskThread> accept_thread_;
  std::unique_ptr<CReciveTaskThread> completion_thread_;
  std::unique_ptr<CReadTaskThead> push_thread_;
  Mutex push_control_;  // StartPush and StopPush one at a time
  Pause pause_;  // the push thread's wait and the accept retry, ended by StopPush and Stop
  std::unique_ptr<platform::CompletionPort> port_;
  Mutex mutex_;
  void* notify_ = nullptr;
  int port_number_ = 0;
  char ip_[17] = {};
  char* answer_;  // the command's answer, zeroed again after each use
  std::atomic<bool> stop_{false};
  std::set<IoContext*> open_;     // every connection not yet closed, under mutex_
  std::set<IoContext*> dropped_;  // dropped by a broadcast, not yet closed; under mutex_
  // The connections not yet upgraded, in the order of their accepts; under mutex_.
  std::list<IoContext*> awaiting_upgrade_;
  IoContext* newest_ = nullptr;  // the last one accepted, while open; under mutex_
  // The connections with whole messages to handle, in turn; the completion thread's own.
  std::deque<IoContext*> turns_;
  WebSocketCodec codec_;
};

}  // namespace lumarin
