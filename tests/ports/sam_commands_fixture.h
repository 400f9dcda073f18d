#pragma once
// The SAM command tests run against one transport at a time; each test program names the
// transports it attaches.
#include <gtest/gtest.h>

#include "support/environment.h"

#include <vector>

#include "library/device/port_api.h"
#include "support/transport_rig.h"

namespace vantel {

using vantel_test::Bytes;
using vantel_test::TransportRig;
using vantel_test::Via;

class SamCommands : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override {
    VANTEL_SKIP_UNLESS_CI(rig.failure());
    ASSERT_EQ(OpenPort(rig.Port()), 144);
    rig.sim().ClearRequests();
  }

  // The one request the command sent, as a frame.
  Bytes OnlyRequest() {
    std::vector<Bytes> requests = rig.sim().Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? Bytes{} : requests.front();
  }

  TransportRig rig{GetParam()};
};

}  // namespace vantel
