#pragma once
// The service's WebSocket endpoint: one accept thread, one thread that takes every completed
// receive from a completion port, upgrades answered, every text frame's command answered to
// all upgraded connections.
#include <atomic>
#include <cstddef>
#include <memory>
#include <set>

#include "platform/completion_port.h"
#include "platform/tcp_socket.h"
#include "service/api/api_handler.h"
#include "service/net/websocket_codec.h"
#include "service/net/ws_message_reader.h"
#include "service/shell/mutex.h"
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
  char* data;  // kAnswerBufferSize bytes: received bytes not yet handled, zeros behind them
  WsMessageReader reader;
};

struct IoContextOrder {
  bool operator()(const IoContext* a, const IoContext* b) const { return *a < *b; }
};

// The upgraded connections, by socket; guarded by the server's mutex.
extern std::set<IoContext*, IoContextOrder>& gWsConnections;

// What the command side gives the server: the answer to one command message (a NUL-terminated
// text into kAnswerBufferSize zeroed bytes), and the end of push mode.
struct WsCommands {
  void (*dispatch)(const char* request, char* answer);
  void (*stop_push)();
};

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

class WsServer {
 public:
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
  // Sends the answer as one text frame to every upgraded connection.
  void Broadcast(const char* answer);

  // A send that makes no progress for this long fails, so that a client which stops reading
  // cannot hold every other client up.
  static constexpr std::uint32_t kSendTimeoutMs = 5000;

 private:
  // Sends all of `length` bytes, or stops at the first failed send.
  static void SendAll(IoContext* context, const char* bytes, std::size_t length);
  void PostReceive(IoContext* context);
  // Takes the connection out of the set and the port, closes and frees it.
  void CloseConnection(IoContext* context);

  WsCommands commands_;
  std::unique_ptr<CAcceptTaskThread> accept_thread_;
  std::unique_ptr<CReciveTaskThread> completion_thread_;
  std::unique_ptr<platform::CompletionPort> port_;
  Mutex mutex_;
  void* notify_ = nullptr;
  int port_number_ = 0;
  char ip_[17] = {};
  char* answer_;  // the command's answer, zeroed again after each use
  char* frame_;   // the encoded answer frame, under mutex_
  std::atomic<bool> stop_{false};
  std::set<IoContext*> open_;  // every connection not yet closed, under mutex_
  WebSocketCodec codec_;
};

}  // namespace lumarin
