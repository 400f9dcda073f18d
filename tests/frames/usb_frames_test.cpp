// Opening the reader's USB driver and the bulk pipes, and the frames on both, against the
// in-process doubles of the simulator's USB attachment.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "library/device/usb_transport.h"
#include "support/reader_sim.h"
#include "support/reader_sim_usb.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::Fault;

const Bytes kStatusBody{0x11, 0xFF, 0xED};

int ReadSam(platform::DeviceHandle* read, int kind, Bytes* out, unsigned capacity = kSamFrameBodyCapacity) {
  out->assign(capacity, 0);
  unsigned length = capacity;
  int result = ReadSamFrame(read, read, kind, out->data(), &length);
  out->resize(result == 0 ? length : 0);
  return result;
}

int ReadVendor(platform::DeviceHandle* read, int kind, Bytes* out) {
  out->assign(256, 0);
  unsigned length = 256;
  int result = ReadVendorFrame(read, read, kind, out->data(), &length);
  out->resize(result == 0 ? length : 0);
  return result;
}

TEST(UsbOpen, WithoutAnyDeviceNeitherTheDriverNorThePipesOpen) {
  EXPECT_EQ(OpenUsbInterface(kUsbDriverInterface, 0), nullptr);
  platform::DeviceHandle* read = nullptr;
  platform::DeviceHandle* write = nullptr;
  EXPECT_EQ(OpenUsbPipes(&read, &write), kNoUsbPipeInterface);
}

TEST(UsbOpen, TheIndexChoosesAmongDriverReaders) {
  vantel_test::ReaderSim first, second;
  vantel_test::UsbAttachment usb;
  vantel_test::SimulatedUsbDevice& one = usb.AddDriverReader(first);
  vantel_test::SimulatedUsbDevice& two = usb.AddDriverReader(second);
  std::unique_ptr<platform::DeviceHandle> handle(OpenUsbInterface(kUsbDriverInterface, 1));
  ASSERT_TRUE(handle);
  EXPECT_TRUE(one.openedPaths.empty());
  EXPECT_EQ(two.openedPaths, std::vector<std::string>{two.path});
  EXPECT_EQ(OpenUsbInterface(kUsbDriverInterface, 2), nullptr);
  EXPECT_EQ(OpenUsbInterface(kUsbDriverInterface, -1), nullptr);
}

TEST(UsbOpen, PipesOpenByTheirNamesAfterTheInterfacePath) {
  vantel_test::ReaderSim sim;
  vantel_test::UsbAttachment usb;
  vantel_test::SimulatedUsbDevice& pipes = usb.AddPipeReader(sim);
  EXPECT_EQ(OpenUsbInterface(kUsbDriverInterface, 0), nullptr);  // pipes are no driver reader
  platform::DeviceHandle* read = nullptr;
  platform::DeviceHandle* write = nullptr;
  ASSERT_EQ(OpenUsbPipes(&read, &write), kUsbPipesOpened);
  std::unique_ptr<platform::DeviceHandle> readOwner(read), writeOwner(write);
  EXPECT_EQ(pipes.openedPaths,
            (std::vector<std::string>{pipes.path + "\\PIPE00", pipes.path + "\\PIPE01"}));

  pipes.refusesOpen = true;
  EXPECT_EQ(OpenUsbPipes(&read, &write), kUsbPipeNotOpened);
}

class DriverFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    device = &usb.AddDriverReader(sim);
    handle.reset(OpenUsbInterface(kUsbDriverInterface, 0));
    ASSERT_TRUE(handle);
  }
  vantel_test::ReaderSim sim;
  vantel_test::UsbAttachment usb;
  vantel_test::SimulatedUsbDevice* device = nullptr;
  std::unique_ptr<platform::DeviceHandle> handle;
  Bytes out;
};

TEST_F(DriverFrames, SamFrameGoesOutAsHeaderAndBodyAndComesBackTheSameWay) {
  EXPECT_EQ(WriteSamFrame(handle.get(), handle.get(), kTransportUsbDriver, kStatusBody.data(), 3), 3);
  EXPECT_EQ(ReadSam(handle.get(), kTransportUsbDriver, &out), kSamFrameRead);
  EXPECT_EQ(out, (Bytes{0x00, 0x00, 0x90, 0x94}));
  ASSERT_EQ(device->controls.size(), 4u);
  EXPECT_EQ(device->controls[0].code, 0x222020u);
  EXPECT_EQ(device->controls[0].in, (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03}));
  EXPECT_EQ(device->controls[1].code, 0x222024u);
  EXPECT_EQ(device->controls[1].in, kStatusBody);
  EXPECT_EQ(device->controls[2].code, 0x222028u);
  EXPECT_EQ(device->controls[2].outCapacity, 7u);
  EXPECT_EQ(device->controls[3].code, 0x22202Cu);
  EXPECT_EQ(device->controls[3].outCapacity, 4u);
}

TEST_F(DriverFrames, VendorFrameGoesOutAsThreeHeaderBytesAndTheRest) {
  const Bytes payload{0x13, 0xFF};
  EXPECT_EQ(WriteVendorFrame(handle.get(), handle.get(), kTransportUsbDriver, payload.data(), 2), 6);
  EXPECT_EQ(ReadVendor(handle.get(), kTransportUsbDriver, &out), kVendorFrameRead);
  EXPECT_EQ(out, (Bytes{0x56, 0x55 ^ 0xAA ^ 0x02 ^ 0x56}));
  EXPECT_EQ(device->controls[0].in, (Bytes{0x55, 0xAA, 0x03}));
  EXPECT_EQ(device->controls[2].outCapacity, 3u);
}

TEST_F(DriverFrames, MissingWrongOrTooLongAnswersGiveThree) {
  sim.QueueFault({Fault::kSilence});
  WriteSamFrame(handle.get(), handle.get(), kTransportUsbDriver, kStatusBody.data(), 3);
  EXPECT_EQ(ReadSam(handle.get(), kTransportUsbDriver, &out), kSamFrameBadUsbAnswer);

  sim.QueueFault({Fault::kWrongPreamble});
  WriteSamFrame(handle.get(), handle.get(), kTransportUsbDriver, kStatusBody.data(), 3);
  EXPECT_EQ(ReadSam(handle.get(), kTransportUsbDriver, &out), kSamFrameBadUsbAnswer);
  device->pendingPieces.clear();

  WriteSamFrame(handle.get(), handle.get(), kTransportUsbDriver, kStatusBody.data(), 3);
  EXPECT_EQ(ReadSam(handle.get(), kTransportUsbDriver, &out, 2), kSamFrameBadUsbAnswer);
}

class PipeFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    device = &usb.AddPipeReader(sim);
    platform::DeviceHandle* r = nullptr;
    platform::DeviceHandle* w = nullptr;
    ASSERT_EQ(OpenUsbPipes(&r, &w), kUsbPipesOpened);
    read.reset(r);
    write.reset(w);
  }
  int WriteSam(const Bytes& body) {
    return WriteSamFrame(read.get(), write.get(), kTransportUsbPipes, body.data(),
                         static_cast<int>(body.size()));
  }
  vantel_test::ReaderSim sim;
  vantel_test::UsbAttachment usb;
  vantel_test::SimulatedUsbDevice* device = nullptr;
  std::unique_ptr<platform::DeviceHandle> read, write;
  Bytes out;
};

TEST_F(PipeFrames, FramesAreWrittenToPipe01AndReadFromPipe00) {
  EXPECT_EQ(WriteSam(kStatusBody), 3);
  EXPECT_EQ(ReadSam(read.get(), kTransportUsbPipes, &out), kSamFrameRead);
  EXPECT_EQ(out, (Bytes{0x00, 0x00, 0x90, 0x94}));

  // A pipe answer needs at least 8 bytes.
  sim.OnVendorCommand(0x13, [](const Bytes&) { return Bytes{0x56, 1, 2, 3}; });
  const Bytes payload{0x13, 0xFF};
  EXPECT_EQ(WriteVendorFrame(read.get(), write.get(), kTransportUsbPipes, payload.data(), 2), 6);
  EXPECT_EQ(ReadVendor(read.get(), kTransportUsbPipes, &out), kVendorFrameRead);
  EXPECT_EQ(out, (Bytes{0x56, 1, 2, 3, 0x55 ^ 0xAA ^ 0x05 ^ 0x56 ^ 1 ^ 2 ^ 3}));

  sim.OnVendorCommand(0x13, [](const Bytes&) { return Bytes{0x56}; });
  WriteVendorFrame(read.get(), write.get(), kTransportUsbPipes, payload.data(), 2);
  EXPECT_EQ(ReadVendor(read.get(), kTransportUsbPipes, &out), kVendorFrameBadAnswer);
}

TEST_F(PipeFrames, AnAnswerInPiecesIsGatheredAndACutOneFails) {
  sim.QueueFault({Fault::kSlowPieces, 9, 0});
  WriteSam({0x12, 0xFF, 0xEE});
  EXPECT_EQ(ReadSam(read.get(), kTransportUsbPipes, &out), kSamFrameRead);
  EXPECT_EQ(out.size(), 20u);

  // Its LEN promises more than arrives: a failed read, not stale bytes.
  sim.QueueFault({Fault::kShortBody, 64, 0, 0, 5});
  WriteSam({0x12, 0xFF, 0xEE});
  EXPECT_EQ(ReadSam(read.get(), kTransportUsbPipes, &out), kSamFrameBadUsbAnswer);

  // Longer than the caller's buffer of 8: refused, with nothing written past the 8 bytes.
  WriteSam({0x12, 0xFF, 0xEE});
  Bytes guarded(20, 0xEE);
  unsigned capacity = 8;
  EXPECT_EQ(ReadSamFrame(read.get(), read.get(), kTransportUsbPipes, guarded.data(), &capacity),
            kSamFrameBadUsbAnswer);
  EXPECT_EQ(Bytes(guarded.begin() + 8, guarded.end()), Bytes(12, 0xEE));
}

// A silent pipe: however many reads it takes, they wait one answer wait together, the
// caller's own time-out where it set one.
TEST_F(PipeFrames, ASilentPipeHoldsASamReadForOneAnswerWait) {
  struct Waits {
    std::int32_t callerTimeout, answerWait;
    std::uint32_t expected;
  };
  const ReaderSettings saved = Settings();
  device->emptyReadsWait = true;
  for (const Waits& waits : {Waits{-1, 400, 400}, Waits{300, 5000, 300}}) {
    Settings().gComTimeout = waits.callerTimeout;
    Settings().gAnswerWait = waits.answerWait;
    device->readLimits.clear();
    sim.QueueFault({Fault::kSilence});
    WriteSam(kStatusBody);
    EXPECT_EQ(ReadSam(read.get(), kTransportUsbPipes, &out), kSamFrameBadUsbAnswer);
    ASSERT_FALSE(device->readLimits.empty());
    EXPECT_LE(std::accumulate(device->readLimits.begin(), device->readLimits.end(), 0u),
              waits.expected);
  }
  Settings() = saved;
}

TEST_F(PipeFrames, VendorAnswerWithBadCheckGivesThree) {
  sim.OnVendorCommand(0x13, [](const Bytes&) { return Bytes{0x56, 1, 2, 3, 4}; });
  sim.QueueFault({Fault::kWrongCheck});
  const Bytes payload{0x13, 0xFF, 0x00, 0x00};
  WriteVendorFrame(read.get(), write.get(), kTransportUsbPipes, payload.data(), 4);
  EXPECT_EQ(ReadVendor(read.get(), kTransportUsbPipes, &out), kVendorFrameBadAnswer);
}

}  // namespace
}  // namespace vantel
