#include "service/net/connection_cap.h"

#include "service/shell/service_log.h"

namespace lumarin {

bool ConnectionCap::AdmitsOneMore() const {
  if (open_.load() < kMaxOpenConnections) return true;
  ServiceLogf("connection refused: %u connections open",
              static_cast<unsigned>(kMaxOpenConnections));
  return false;
}

ConnectionCap::Place::Place(std::shared_ptr<ConnectionCap> cap) : cap_(std::move(cap)) {
  ++cap_->open_;
}

ConnectionCap::Place::~Place() { --cap_->open_; }

}  // namespace lumarin
