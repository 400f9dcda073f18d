// How the serial frame readers poll and read the driver queue, on an in-process port whose
// answer arrives in scripted pieces.
#include <gtest/gtest.h>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "support/reader_sim.h"
#include "support/stream_serial_port.h"

namespace vantel {
namespace {

using vantel_test::Bytes;

class SerialPolling : public ::testing::Test {
 protected:
  void SetUp() override { Settings().gComTimeout = 2000; }
  void TearDown() override { Settings().gComTimeout = -1; }

  // A SAM answer whose LEN is `length`, delivered in pieces of `pieceSize`.
  void QueueSamAnswer(unsigned length, std::size_t pieceSize) {
    frame = vantel_test::SamAnswerFrame(0, 0, 0x90, Bytes(length - 4, 0x3C));
    for (std::size_t at = 0; at < frame.size(); at += pieceSize)
      port.AddPiece(Bytes(frame.begin() + static_cast<std::ptrdiff_t>(at),
                          frame.begin() + static_cast<std::ptrdiff_t>(std::min(frame.size(), at + pieceSize))));
  }
  int ReadSam() {
    out.assign(kSamFrameBodyCapacity, 0);
    unsigned length = kSamFrameBodyCapacity;
    int result = ReadSamFrame(&port, &port, kTransportSerial, out.data(), &length);
    out.resize(result == 0 ? length : 0);
    return result;
  }
  int ReadVendor(unsigned capacity) {
    out.assign(capacity, 0);
    unsigned length = capacity;
    int result = ReadVendorFrame(&port, &port, kTransportSerial, out.data(), &length);
    out.resize(result == 0 ? length : 0);
    return result;
  }

  vantel_test::StreamSerialPort port;
  Bytes frame;
  Bytes out;
};

TEST_F(SerialPolling, AnswerOf1287BytesWaitsUntilFullyQueuedAndIsReadAtOnce) {
  QueueSamAnswer(1287, 500);
  ASSERT_EQ(ReadSam(), kSamFrameRead);
  EXPECT_EQ(out, Bytes(frame.begin() + 7, frame.end()));
  EXPECT_EQ(port.ReadSizes(), (std::vector<std::size_t>{7, 1287}));
}

TEST_F(SerialPolling, AnswerOf1288BytesIsReadInPieces) {
  QueueSamAnswer(1288, 500);
  ASSERT_EQ(ReadSam(), kSamFrameRead);
  EXPECT_EQ(out, Bytes(frame.begin() + 7, frame.end()));
  ASSERT_GT(port.ReadSizes().size(), 2u);
  EXPECT_EQ(port.ReadSizes()[1], 1288u);
  EXPECT_LT(port.ReadSizes()[2], 1288u);  // only the rest is asked for
}

TEST_F(SerialPolling, CommunicationErrorPurgesAndGivesMinusOne) {
  port.FailNextPoll();
  EXPECT_EQ(ReadSam(), kSamFrameSerialError);
  EXPECT_TRUE(port.Purged());
}

TEST_F(SerialPolling, Base64ChunkThatDoesNotFitItsBufferIsDropped) {
  Settings().gComTimeout = 300;
  // 400 characters decode to 300 bytes, more than a chunk may hold.
  Bytes big = vantel_test::SamAnswerFrame(0, 0, 0x90, Bytes(289, 0x01));
  port.AddPiece(vantel_test::Base64Chunks(big, 0));
  EXPECT_EQ(ReadSam(), kSamFrameNoHeader);
  EXPECT_EQ(Device().gComBase64, 1);
}

TEST_F(SerialPolling, LongVendorAnswerReturnsEverythingQueuedUnchecked) {
  Bytes longFrame = vantel_test::VendorFrame(Bytes(300, 0x21));
  ASSERT_EQ(longFrame[2], 0xFF);
  longFrame.back() ^= 0x77;  // not checked
  port.AddPiece(longFrame);
  ASSERT_EQ(ReadVendor(512), kVendorFrameRead);
  EXPECT_EQ(out, Bytes(longFrame.begin() + 3, longFrame.end()));
}

TEST_F(SerialPolling, LongVendorAnswerBeyondTheCallersBufferFails) {
  port.AddPiece(vantel_test::VendorFrame(Bytes(300, 0x21)));
  EXPECT_EQ(ReadVendor(64), kVendorFrameBadAnswer);
}

}  // namespace
}  // namespace vantel
