// SAM and vendor frames on a COM port, against the reader simulator on a real serial line.
#include <gtest/gtest.h>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "library/device/serial_transport.h"
#include "support/reader_sim.h"
#include "support/reader_sim_serial.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::Fault;
using vantel_test::FaultPlan;

constexpr int kPort = 7;
// Short answer waits keep the timeout cases quick.
constexpr int kTestWaitMs = 600;

class SerialFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(attachment.IsAttached());
    port = OpenComPort(kPort, 115200);
    ASSERT_TRUE(port);
    Settings().gComTimeout = kTestWaitMs;
  }
  void TearDown() override {
    Settings().gComTimeout = -1;
    Device().gComBase64 = 0;
  }

  int SendSam(const Bytes& body) {
    return WriteSamFrame(port.get(), port.get(), kTransportSerial, body.data(),
                         static_cast<int>(body.size()));
  }
  int ReadSam(unsigned capacity = kSamFrameBodyCapacity) {
    answer.assign(capacity, 0);
    unsigned length = capacity;
    int result = ReadSamFrame(port.get(), port.get(), kTransportSerial, answer.data(), &length);
    answer.resize(result == 0 ? length : 0);
    return result;
  }
  int SamExchange(const Bytes& body, unsigned capacity = kSamFrameBodyCapacity) {
    EXPECT_EQ(SendSam(body), static_cast<int>(body.size()));
    return ReadSam(capacity);
  }
  int VendorExchange(const Bytes& payload, unsigned capacity = 512) {
    EXPECT_EQ(WriteVendorFrame(port.get(), port.get(), kTransportSerial, payload.data(),
                               static_cast<int>(payload.size())),
              static_cast<int>(payload.size()) + 4);
    answer.assign(capacity, 0);
    unsigned length = capacity;
    int result = ReadVendorFrame(port.get(), port.get(), kTransportSerial, answer.data(), &length);
    answer.resize(result == 0 ? length : 0);
    return result;
  }
  // The answer body the simulator sends for `frame`: everything after LEN, or after 55 AA LEN.
  static Bytes BodyOf(const Bytes& frame, std::size_t header) {
    return Bytes(frame.begin() + static_cast<std::ptrdiff_t>(header), frame.end());
  }

  vantel_test::ReaderSim sim;
  vantel_test::SerialAttachment attachment{sim, kPort};
  std::unique_ptr<platform::SerialPort> port;
  Bytes answer;
};

const Bytes kStatusBody{0x11, 0xFF, 0xED};
const Bytes kSamIdBody{0x12, 0xFF, 0xEE};

TEST_F(SerialFrames, StatusRequestGoesOutByteForByteAndItsAnswerIsRead) {
  EXPECT_EQ(SamExchange(kStatusBody), kSamFrameRead);
  ASSERT_EQ(sim.Requests().size(), 1u);
  EXPECT_EQ(sim.Requests()[0], (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED}));
  EXPECT_EQ(answer, (Bytes{0x00, 0x00, 0x90, 0x94}));
  EXPECT_EQ(Device().gComBase64, 0);
}

TEST_F(SerialFrames, AnswersArrivingSlowlyInPiecesAreJoined) {
  sim.QueueFault({Fault::kSlowPieces, 5, 30});
  EXPECT_EQ(SamExchange(kSamIdBody), kSamFrameRead);
  EXPECT_EQ(answer, BodyOf(vantel_test::SamAnswerFrame(0, 0, 0x90, sim.Sam().samId), 7));
}

TEST_F(SerialFrames, FaultsOfTheSamAnswerGiveTheirCodes) {
  sim.QueueFault({Fault::kWrongPreamble});
  EXPECT_EQ(SamExchange(kStatusBody), kSamFrameWrongPreamble);

  port->PurgeReceive();  // the rest of that answer
  sim.QueueFault({Fault::kSilence});
  EXPECT_EQ(SamExchange(kStatusBody), kSamFrameNoHeader);

  sim.QueueFault({Fault::kHeaderOnly});
  EXPECT_EQ(SamExchange(kStatusBody), kSamFrameNoBody);

  sim.QueueFault({Fault::kShortBody, 64, 0, 0, 3});
  EXPECT_EQ(SamExchange(kSamIdBody), kSamFrameNoBody);
}

TEST_F(SerialFrames, AnAnswerLongerThanTheCallersBufferFailsWithoutOverflow) {
  // The SAM id answer has LEN 20: a buffer of exactly 20 holds it, one of 8 cannot.
  EXPECT_EQ(SamExchange(kSamIdBody, 20), kSamFrameRead);
  EXPECT_EQ(answer, BodyOf(vantel_test::SamAnswerFrame(0, 0, 0x90, sim.Sam().samId), 7));
  EXPECT_EQ(SamExchange(kSamIdBody, 8), kSamFrameShortBody);
}

TEST_F(SerialFrames, Base64WrappedAnswersInOneOrSeveralChunks) {
  const Bytes expected = BodyOf(vantel_test::SamAnswerFrame(0, 0, 0x90, sim.Sam().samId), 7);
  sim.QueueFault({Fault::kBase64, 64, 0, 0});
  EXPECT_EQ(SamExchange(kSamIdBody), kSamFrameRead);
  EXPECT_EQ(answer, expected);
  EXPECT_EQ(Device().gComBase64, 1);

  // 27 frame bytes are 36 characters: three chunks of 12, each decoding to 9 bytes.
  sim.QueueFault({Fault::kBase64, 64, 40, 12});
  EXPECT_EQ(SamExchange(kSamIdBody), kSamFrameRead);
  EXPECT_EQ(answer, expected);

  // The next plain answer clears the flag again.
  EXPECT_EQ(SamExchange(kStatusBody), kSamFrameRead);
  EXPECT_EQ(Device().gComBase64, 0);
}

// A last chunk shorter than the others is taken by its own length, not by the first one's.
TEST_F(SerialFrames, AShorterLastBase64ChunkLeavesTheNextAnswerAlone) {
  const Bytes samId = vantel_test::SamAnswerFrame(0, 0, 0x90, sim.Sam().samId);
  const Bytes status = vantel_test::SamAnswerFrame(0, 0, 0x90);
  Bytes both = vantel_test::Base64Chunks(samId, 16);  // 36 characters: 16, 16 and 4
  both.insert(both.end(), status.begin(), status.end());
  ASSERT_TRUE(attachment.SendRaw(both));
  EXPECT_EQ(ReadSam(), kSamFrameRead);
  EXPECT_EQ(answer, BodyOf(samId, 7));
  EXPECT_EQ(ReadSam(), kSamFrameRead);
  EXPECT_EQ(answer, BodyOf(status, 7));
}

TEST_F(SerialFrames, Base64WrappedVendorAnswerGivesPayloadAndCheckByteUnchecked) {
  Bytes vendor = vantel_test::VendorFrame({0x56, 0x01, 0x02});
  vendor.back() ^= 0x5A;  // a check byte that does not hold
  ASSERT_TRUE(attachment.SendRaw(vantel_test::Base64Chunks(vendor, 0)));
  EXPECT_EQ(ReadSam(), kSamFrameRead);
  EXPECT_EQ(answer, BodyOf(vendor, 3));
  EXPECT_EQ(Device().gComBase64, 1);
}

TEST_F(SerialFrames, VendorRequestGoesOutByteForByteAndItsAnswerIsChecked) {
  EXPECT_EQ(VendorExchange({0x13, 0xFF}), kVendorFrameRead);
  ASSERT_EQ(sim.Requests().size(), 1u);
  EXPECT_EQ(sim.Requests()[0], (Bytes{0x55, 0xAA, 0x03, 0x13, 0xFF, 0x55 ^ 0xAA ^ 0x03 ^ 0x13 ^ 0xFF}));
  EXPECT_EQ(answer, (Bytes{0x56, 0x55 ^ 0xAA ^ 0x02 ^ 0x56}));

  sim.QueueFault({Fault::kWrongCheck});
  EXPECT_EQ(VendorExchange({0x13, 0xFF}), kVendorFrameBadAnswer);
  sim.QueueFault({Fault::kWrongPreamble});
  EXPECT_EQ(VendorExchange({0x13, 0xFF}), kVendorFrameBadAnswer);
  port->PurgeReceive();  // the rest of that answer
  sim.QueueFault({Fault::kSilence});
  EXPECT_EQ(VendorExchange({0x13, 0xFF}), kVendorFrameWaitElapsed);
  EXPECT_EQ(Settings().gAnswerWait, kTestWaitMs);
}

TEST_F(SerialFrames, VendorAnswerLongerThanTheCallersBufferFails) {
  sim.OnVendorCommand(0x40, [](const Bytes&) { return Bytes(40, 0x11); });
  EXPECT_EQ(VendorExchange({0x40}, 16), kVendorFrameBadAnswer);
}

}  // namespace
}  // namespace vantel
