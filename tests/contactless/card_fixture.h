#pragma once
// The contactless card and PSAM tests run against one transport at a time, through the
// transport rig; each test program names the transports it attaches.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "platform/clock.h"
#include "support/environment.h"
#include "support/reader_sim_cards.h"
#include "support/transport_rig.h"

namespace vantel {

using vantel_test::Bytes;
using vantel_test::TransportRig;
using vantel_test::Via;
using vantel_test::VendorFrame;

constexpr int kCardsSerialLine = 12;

// The transports of this test program.
std::vector<Via> CardTransports();

class CardCommands : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override {
    VANTEL_SKIP_UNLESS_CI(rig.failure());
    ASSERT_EQ(OpenPort(rig.Port()), 144);
    rig.sim().ClearRequests();
  }

  Via via() const { return GetParam(); }
  bool Streams() const {
    return via() == Via::kSerial || via() == Via::kUsbDriver || via() == Via::kUsbPipes;
  }

  // The request frames the simulator received (vendor frames: 55 AA LEN payload XOR).
  std::vector<Bytes> Requests() { return rig.sim().Requests(); }
  // The requests once `count` have arrived (or after two seconds), for requests the library
  // sends without waiting for an answer.
  std::vector<Bytes> RequestsOnceThere(std::size_t count) {
    for (int i = 0; i < 200 && Requests().size() < count; ++i) platform::SleepMs(10);
    return Requests();
  }

  template <typename Card, typename... Args>
  Card* Place(Args... args) {
    auto card = std::make_shared<Card>(args...);
    rig.sim().PlaceCard(card);
    return card.get();
  }

  TransportRig rig{GetParam(), kCardsSerialLine};
};

}  // namespace vantel
