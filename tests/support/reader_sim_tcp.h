#pragma once
// The network attachment of the reader simulator: a real TCP listener on 127.0.0.1 that
// serves one connection at a time, as a network reader does.
#include <atomic>
#include <cstdint>
#include <thread>

#include "support/reader_sim.h"

namespace vantel_test {

class TcpAttachment {
 public:
  // Listens on a free port of 127.0.0.1 until destroyed.
  explicit TcpAttachment(ReaderSim& sim);
  ~TcpAttachment();
  TcpAttachment(const TcpAttachment&) = delete;
  TcpAttachment& operator=(const TcpAttachment&) = delete;

  // 0 when no listener could be opened.
  int Port() const { return port_; }
  int Connections() const { return connections_; }
  // The "kestor.ini" text that points the library at this listener.
  std::string IniText() const;

 private:
  void Serve();
  void ServeConnection(std::intptr_t connection);
  bool Play(std::intptr_t connection, const Reply& reply);

  ReaderSim& sim_;
  int port_ = 0;  // before listener_, which fills it in
  std::intptr_t listener_ = -1;
  std::atomic<int> connections_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vantel_test
