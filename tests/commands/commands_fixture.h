#pragma once
// The reader command tests run against one transport at a time; each test program names
// the transports it attaches.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "library/device/port_api.h"
#include "support/transport_rig.h"

namespace vantel {

using vantel_test::Bytes;
using vantel_test::TransportRig;
using vantel_test::Via;

constexpr int kCommandsSerialPort = 13;  // this program's COM line

// The bytes of a pseudo-APDU text, as the library sends them.
inline Bytes ApduOf(const char* text) {
  Bytes bytes;
  for (std::size_t i = 0; text[i] && text[i + 1]; i += 2) {
    const char pair[3] = {text[i], text[i + 1], 0};
    bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16)));
  }
  return bytes;
}

class ReaderCommands : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override {
    if (!rig.failure().empty()) GTEST_SKIP() << rig.failure();
    ASSERT_EQ(OpenPort(rig.Port()), 144);
    rig.sim().PlaceCard(std::make_shared<vantel_test::SimContactlessCard>());
    rig.sim().ClearRequests();
  }

  // The requests so far, once `count` have arrived: commands that wait for no answer
  // return before the reader has read them.
  std::vector<Bytes> RequestsOnceThere(std::size_t count) {
    for (int i = 0; i < 200 && rig.sim().Requests().size() < count; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return rig.sim().Requests();
  }

  bool OnByteStream() const {
    return GetParam() == Via::kSerial || GetParam() == Via::kUsbDriver || GetParam() == Via::kUsbPipes;
  }

  TransportRig rig{GetParam(), kCommandsSerialPort};
};

}  // namespace vantel
