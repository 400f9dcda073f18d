#pragma once
// The service's WebSocket endpoint: one accept thread, one thread that takes every completed
// receive from a completion port, upgrades answered, every text frame's command answered to
// all upgraded connections.
#include <atomic>
#include <cstddef>
#include <functional>
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
  explicit IoContext(std::unique_ptr<platform::TcpSocket> accepted);
  ~IoContext();
  IoContext(const IoContext&) = delete;
  IoContext& operator=(const IoContext&) = delete;

  bool operator<(const IoContext& other) const { return socket < other.socket; }

  std::unique_ptr<platform::TcpSocket> connection;
  platform::NativeSocket socket;
  WsMessageReader reader;  // the received bytes not yet handled
};

struct IoContextOrder {
  bool operator()(const IoContext* a, const IoContext* b) const { return *a < *b; }
};

// The upgraded connections, by socket; guarded by the server's mutex. A connection leaves it
// when it closes or when an answer could not be sent to it whole.
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
  // Handles one completed receive; false when the connection was closed.
  bool OnMessage(IoContext* context, int bytes);
  // Sends the answer as one text frame to every upgraded connection, to all at once: each has
  // kSendTimeoutMs to take the whole frame; one that did not, or whose send failed, leaves
  // the set at once and is closed by the completion thread. One broadcast at a time.
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

  // How long a client has to take an answer whole (and how long the send of its upgrade
  // answer may make no progress), so that a client which stops reading cannot hold every
  // other client up.
  static constexpr std::uint32_t kSendTimeoutMs = 5000;
  // The connections served at once; more are closed as they come. Each may hold up to
  // kAnswerBufferSize while it joins an upgrade request: all of them together stay far within
  // the address space of the 32-bit program.
  static constexpr std::size_t kMaxConnections = 256;

 private:
  // Sends all of `length` bytes; false at the first failed send.
  static bool SendAll(IoContext* context, const char* bytes, std::size_t length);
  // A context for an accepted connection, counted among the open ones; null when the
  // connections served at once are too many already (the connection is closed).
  IoContext* Admit(std::unique_ptr<platform::TcpSocket> accepted);
  void PostReceive(IoContext* context);
  // Handles one completed receive; a connection that cannot get the memory it needs is closed.
  void OnCompletion(IoContext* context, int bytes);
  // The upgraded connections now.
  std::vector<IoContext*> Receivers();
  // Out of the set at once; closed by the completion thread, which the port's wake sends.
  void DropReceivers(const std::vector<IoContext*>& dropped);
  void CloseDroppedConnections();
  // Takes the connection out of the set and the port, closes and frees it (once no broadcast
  // sends to it).
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
  Mutex sending_;  // one broadcast at a time: the frame buffer and the sends of each
  char* frame_;    // the encoded answer frame, under sending_
  std::atomic<bool> stop_{false};
  std::set<IoContext*> open_;     // every connection not yet closed, under mutex_
  std::set<IoContext*> dropped_;  // dropped by a broadcast, not yet closed; under mutex_
  WebSocketCodec codec_;
};

}  // namespace lumarin
