#include "service/net/connection_cap.h"

#include <algorithm>

#include "service/shell/service_log.h"

namespace lumarin {

bool ConnectionCap::MakeRoom(const std::atomic<bool>& stop) {
  std::unique_lock<std::mutex> lock(lock_);
  for (;;) {
    if (stop.load()) return false;
    if (places_.size() - leaving_ < kMaxOpenConnections) return true;
    const Place::Ms now = Place::Now();
    Place::Ms wakeAt = kNever;
    if (leaving_ < kMaxLeavingConnections) {
      if (CutOffOne(now, wakeAt)) {
        lock.unlock();
        ServiceLogf("connection cut off for a new one: %u connections open",
                    static_cast<unsigned>(kMaxOpenConnections));
        return true;
      }
    } else {
      wakeAt = now + kLookAgainMs;  // until one of those cut off has gone
    }
    if (wakeAt == kNever) break;
    changed_.wait_for(lock, std::chrono::milliseconds(std::max<Place::Ms>(wakeAt - now, 1)));
  }
  lock.unlock();
  ServiceLogf("connection refused: %u connections open",
              static_cast<unsigned>(kMaxOpenConnections));
  return false;
}

void ConnectionCap::Wake() {
  std::lock_guard<std::mutex> lock(lock_);
  changed_.notify_all();
}

void ConnectionCap::CloseAll(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::unique_lock<std::mutex> lock(lock_);
  while (!places_.empty() && std::chrono::steady_clock::now() < deadline) {
    for (Place* place : places_) CutOffIfWaiting(*place);
    // Those answering, or not yet started, are looked at again.
    changed_.wait_for(lock, std::chrono::milliseconds(kLookAgainMs));
  }
}

void ConnectionCap::CutOffIfWaiting(Place& place) {
  if (place.left_) return;  // its socket may be closing
  Place::Ms waiting = place.waitingSince_.load();
  while (waiting >= 0) {
    if (place.waitingSince_.compare_exchange_weak(waiting, Place::kCutOff)) {
      ++leaving_;
      place.cutOff_();
      return;
    }
  }
}

bool ConnectionCap::CutOffOne(Place::Ms now, Place::Ms& wakeAt) {
  for (;;) {
    Place* first = nullptr;
    Place::Ms rank = 0;
    for (Place* place : places_) {
      const Place::Ms waiting = place->waitingSince_.load();
      if (place->left_ || waiting == Place::kAnswering || waiting == Place::kCutOff) continue;
      const Place::Ms servedFor = now - place->accepted_;
      if (servedFor < kNewConnectionGraceMs) {
        wakeAt = std::min(wakeAt, place->accepted_ + kNewConnectionGraceMs);
      } else if (waiting == Place::kStarting) {
        wakeAt = std::min(wakeAt, now + kLookAgainMs);
      } else if (!first || waiting < rank) {
        first = place;
        rank = waiting;
      }
    }
    if (!first) return false;
    // Lost only to the place's own thread beginning an answer: look again.
    if (first->waitingSince_.compare_exchange_strong(rank, Place::kCutOff)) {
      ++leaving_;
      first->cutOff_();
      return true;
    }
  }
}

ConnectionCap::Place::Place(std::shared_ptr<ConnectionCap> cap, std::function<void()> cutOff)
    : cap_(std::move(cap)), cutOff_(std::move(cutOff)) {
  std::lock_guard<std::mutex> lock(cap_->lock_);
  cap_->places_.push_back(this);
}

ConnectionCap::Place::~Place() {
  std::lock_guard<std::mutex> lock(cap_->lock_);
  auto& places = cap_->places_;
  places.erase(std::find(places.begin(), places.end(), this));
  if (waitingSince_.load() == kCutOff) --cap_->leaving_;
  cap_->changed_.notify_all();
}

void ConnectionCap::Place::Started() { waitingSince_.store(accepted_); }

void ConnectionCap::Place::Heard() { Rank(kHeardRank + Now()); }

void ConnectionCap::Place::Rank(Ms rank) {
  Ms waiting = waitingSince_.load();
  while (waiting >= 0 && !waitingSince_.compare_exchange_weak(waiting, rank)) {
  }
}

bool ConnectionCap::Place::AnswerBegins() {
  Ms waiting = waitingSince_.load();
  while (waiting >= 0) {
    if (waitingSince_.compare_exchange_weak(waiting, kAnswering)) return true;
  }
  return false;
}

void ConnectionCap::Place::AnswerEnded(bool complete) {
  if (complete) {
    waitingSince_.store(Now());
  } else {
    // Bytes came that were no request: what remains of the read is still to come.
    waitingSince_.store(kHeardRank + Now());
  }
}

void ConnectionCap::Place::Leave() {
  std::lock_guard<std::mutex> lock(cap_->lock_);
  left_ = true;
}

ConnectionCap::Place::Ms ConnectionCap::Place::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace lumarin
