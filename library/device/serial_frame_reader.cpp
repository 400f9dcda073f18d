#include "library/device/serial_frame_reader.h"

#include <cstring>
#include <optional>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
#include "library/device/frames.h"
#include "library/device/serial_transport.h"
#include "library/device/text_conversions.h"
#include "platform/clock.h"

namespace vantel {
namespace {

// Answers above this size do not fit the driver queue at once and are read in a loop.
constexpr unsigned kLongestQueuedAnswer = 1287;
constexpr int kBase64ChunkBufferSize = 0x104;
constexpr std::size_t kAssemblyBufferSize = 4096;

// A read of exactly `length` bytes; false when it failed or came short.
bool ReadExactly(platform::SerialPort& port, std::uint8_t* buffer, std::size_t length) {
  std::size_t done = 0;
  return port.Read(buffer, length, &done) && done == length;
}

class AnswerClock {
 public:
  explicit AnswerClock(std::int32_t wait)
      : start_(platform::TickCountMs()), wait_(static_cast<std::uint32_t>(wait)) {}
  bool Elapsed() const { return platform::TickCountMs() - start_ > wait_; }

 private:
  std::uint32_t start_;
  std::uint32_t wait_;
};

// One ReadSamFrame on a COM port. Each step gives a result, or nothing to wait on.
class SerialSamReader {
 public:
  SerialSamReader(platform::SerialPort& port, std::uint8_t* out, unsigned* outLength)
      : port_(port), out_(out), outLength_(outLength), capacity_(*outLength), clock_(SamAnswerWait()) {}

  int Run() {
    port_.SetupQueues(kSerialQueueSize, kSerialQueueSize);
    for (;;) {
      std::uint32_t queued = 0;
      if (!port_.QueuedCount(&queued)) return CommunicationError();
      if (std::optional<int> result = Step(queued)) return *result;
      platform::SleepMs(kSerialPollMs);
      if (clock_.Elapsed()) return haveLength_ ? kSamFrameNoBody : kSamFrameNoHeader;
      port_.SetupQueues(kSerialQueueSize, kSerialQueueSize);
    }
  }

 private:
  int CommunicationError() {
    port_.PurgeReceive();
    return kSamFrameSerialError;
  }

  std::optional<int> Step(std::uint32_t queued) {
    if (!haveLength_ && !chunkPending_) {
      if (queued < kSamHeaderSize) return std::nullopt;
      if (std::optional<int> result = ReadHeader()) return result;
      if (!port_.QueuedCount(&queued)) return CommunicationError();
    }
    if (haveLength_) return ReadBody(queued);
    return ReadBase64(queued);
  }

  std::optional<int> ReadHeader() {
    std::uint8_t header[kSamHeaderSize];
    std::size_t done = 0;
    if (!port_.Read(header, sizeof header, &done) || done < sizeof header) return kSamFrameSerialError;
    if (HasSamPreamble(header)) {
      length_ = SamLength(header);
      haveLength_ = true;
      // An answer longer than the caller's buffer is a failed read, never an overflow.
      if (length_ > capacity_) return kSamFrameShortBody;
      return std::nullopt;
    }
    if (HasPrefix(header, kBase64Preamble, kPreambleSize)) {
      Device().gComBase64 = 1;
      chunkLength_ = SamLength(header);
      chunkPending_ = chunkLength_ != 0;
      return std::nullopt;
    }
    return kSamFrameWrongPreamble;
  }

  std::optional<int> ReadBody(std::uint32_t queued) {
    if (queued >= length_) {
      if (!ReadExactly(port_, out_, length_)) return kSamFrameShortBody;
      *outLength_ = length_;
      return kSamFrameRead;
    }
    if (length_ > kLongestQueuedAnswer) return ReadLongBody();
    return std::nullopt;
  }

  int ReadLongBody() {
    unsigned arrived = 0;
    while (arrived < length_) {
      if (clock_.Elapsed()) return kSamFrameWaitElapsed;
      std::size_t done = 0;
      if (!port_.Read(out_ + arrived, length_ - arrived, &done)) return kSamFrameShortBody;
      arrived += static_cast<unsigned>(done);
    }
    *outLength_ = length_;
    return kSamFrameRead;
  }

  // The base64 form: the first chunk's text, then chunks of the same size with their
  // headers, until the decoded bytes make the whole frame.
  std::optional<int> ReadBase64(std::uint32_t queued) {
    if (!chunkPending_ || queued < chunkLength_) return std::nullopt;
    chunkPending_ = false;
    std::vector<std::uint8_t> chunk(chunkLength_);
    if (!ReadExactly(port_, chunk.data(), chunk.size())) return kSamFrameShortBody;
    std::vector<std::uint8_t> decoded = Decode(chunk.data(), chunk.size());
    StartAssembly(decoded);
    if (!Append(decoded)) return kSamFrameShortBody;
    while (assembly_.size() < total_) {
      if (clock_.Elapsed()) return kSamFrameWaitElapsed;
      if (std::optional<int> failed = ReadNextChunk()) return failed;
    }
    if (total_ == 0 || assembly_.size() != total_) return std::nullopt;
    const unsigned length = static_cast<unsigned>(total_ - headerSize_);
    if (length > capacity_) return kSamFrameShortBody;
    std::memcpy(out_, assembly_.data() + headerSize_, length);
    *outLength_ = length;
    return kSamFrameRead;
  }

  // A following chunk: its header, then as many characters as its own length says. A last
  // chunk is shorter than the first; asking for a full one would wait out the read interval
  // and take bytes of whatever follows.
  std::optional<int> ReadNextChunk() {
    std::uint8_t header[kSamHeaderSize];
    std::size_t done = 0;
    if (!port_.Read(header, sizeof header, &done)) return kSamFrameShortBody;
    if (done < sizeof header) return std::nullopt;
    std::vector<std::uint8_t> text(SamLength(header));
    if (!port_.Read(text.data(), text.size(), &done)) return kSamFrameShortBody;
    if (done > 0 && !Append(Decode(text.data(), done))) return kSamFrameShortBody;
    return std::nullopt;
  }

  // The decoded bytes of a chunk; none when they do not fit the chunk buffer.
  static std::vector<std::uint8_t> Decode(const std::uint8_t* text, std::size_t length) {
    std::vector<std::uint8_t> decoded(kBase64ChunkBufferSize);
    int size = kBase64ChunkBufferSize;
    if (!Base64Decode(reinterpret_cast<const char*>(text), static_cast<int>(length), decoded.data(), &size))
      return {};
    decoded.resize(static_cast<std::size_t>(size));
    return decoded;
  }

  // A first chunk that begins a SAM or a vendor answer fixes the size of the whole frame.
  void StartAssembly(const std::vector<std::uint8_t>& decoded) {
    if (decoded.size() >= kSamHeaderSize && HasSamPreamble(decoded.data())) {
      headerSize_ = kSamHeaderSize;
      total_ = kSamHeaderSize + SamLength(decoded.data());
    } else if (decoded.size() >= kVendorHeaderSize && HasVendorMarker(decoded.data())) {
      headerSize_ = kVendorHeaderSize;
      total_ = kVendorHeaderSize + decoded[2];
    } else {
      return;
    }
    assembly_.clear();
  }

  // False when the bytes would pass the assembly buffer.
  bool Append(const std::vector<std::uint8_t>& decoded) {
    if (assembly_.size() + decoded.size() > kAssemblyBufferSize) return false;
    assembly_.insert(assembly_.end(), decoded.begin(), decoded.end());
    return true;
  }

  platform::SerialPort& port_;
  std::uint8_t* out_;
  unsigned* outLength_;
  const unsigned capacity_;
  AnswerClock clock_;
  bool haveLength_ = false;
  unsigned length_ = 0;
  bool chunkPending_ = false;
  unsigned chunkLength_ = 0;
  std::size_t headerSize_ = 0;
  std::size_t total_ = 0;
  std::vector<std::uint8_t> assembly_;
};

}  // namespace

int ReadSerialSamFrame(platform::SerialPort& port, std::uint8_t* out, unsigned* outLength) {
  return SerialSamReader(port, out, outLength).Run();
}

int ReadSerialVendorFrame(platform::SerialPort& port, std::uint8_t* header, std::uint8_t* out,
                          unsigned* outLength) {
  AnswerClock clock(Settings().gAnswerWait);
  bool haveLength = false;
  unsigned length = 0;
  for (;;) {
    std::uint32_t queued = 0;
    if (!port.QueuedCount(&queued)) return port.PurgeReceive(), kVendorFrameBadAnswer;
    if (!haveLength && queued > 2) {
      if (!ReadExactly(port, header, kVendorHeaderSize) || !HasVendorMarker(header))
        return kVendorFrameBadAnswer;
      length = header[2] == kLongVendorLength ? queued - kVendorHeaderSize : header[2];
      haveLength = true;
      if (length > *outLength) return kVendorFrameBadAnswer;
      if (!port.QueuedCount(&queued)) return port.PurgeReceive(), kVendorFrameBadAnswer;
    }
    if (haveLength && queued >= length) break;
    platform::SleepMs(kSerialPollMs);
    if (clock.Elapsed()) return kVendorFrameWaitElapsed;
  }
  if (!ReadExactly(port, out, length)) return kVendorFrameBadAnswer;
  *outLength = length;
  return kVendorFrameRead;
}

}  // namespace vantel
