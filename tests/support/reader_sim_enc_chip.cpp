#include "support/reader_sim_enc_chip.h"

#include <algorithm>

#include "support/openssl_ciphers.h"
#include "support/photo_encoder.h"

namespace vantel_test {
namespace {

constexpr std::uint8_t kMarker = 0xA6;

std::uint16_t BitwiseCrc16(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < length; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ data[i] << 8);
    for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
  }
  return crc;
}

Bytes Le32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::uint32_t ReadLe32(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t length) {
  from = std::min(from, bytes.size());
  length = std::min(length, bytes.size() - from);
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

Bytes OpenSslSm4(const Bytes& key16, const Bytes& data, bool encrypt, const Bytes& cbcIv) {
  return RunCipher(cbcIv.empty() ? EVP_sm4_ecb() : EVP_sm4_cbc(), key16, cbcIv, data, encrypt);
}

Bytes OpenSslSm3(const Bytes& data) { return RunDigest(EVP_sm3(), data); }

Bytes EncChipFrame(std::uint8_t marker, const Bytes& bodyAfterLength) {
  const std::size_t bodyLength = bodyAfterLength.size() + 2;
  Bytes frame(8, 0x55);
  frame.push_back(marker);
  const std::size_t bodyAt = frame.size();
  frame.push_back(static_cast<std::uint8_t>(bodyLength));
  frame.push_back(static_cast<std::uint8_t>(bodyLength >> 8));
  frame.insert(frame.end(), bodyAfterLength.begin(), bodyAfterLength.end());
  const std::uint16_t crc = BitwiseCrc16(frame.data() + bodyAt, bodyLength);
  frame.insert(frame.end(), {static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8), 0x06});
  return frame;
}

Bytes FingerprintBaseMsgFrame(const Bytes& text, const Bytes& photo, const Bytes& fingerprint) {
  Bytes data;
  for (const Bytes* part : {&text, &photo, &fingerprint}) {
    data.push_back(static_cast<std::uint8_t>(part->size() >> 8));
    data.push_back(static_cast<std::uint8_t>(part->size()));
  }
  return SamAnswerFrame(0x00, 0x00, kSwSuccess, Join({data, text, photo, fingerprint}));
}

SimEncChip::SimEncChip(ReaderSim& sim) : sim_(sim) {
  const std::uint8_t background[3] = {255, 255, 255};
  const std::vector<std::uint8_t> region = photo::SyntheticPortraitRegion();
  const auto portrait = photo::EncodeRgbPhoto(photo::SyntheticPortrait(), &region, 3, background).bytes;
  Bytes fingerprint(1024);
  for (std::size_t i = 0; i < fingerprint.size(); ++i) fingerprint[i] = static_cast<std::uint8_t>(i * 7 + 1);
  baseMsgFrame = FingerprintBaseMsgFrame(SimIdentityCard().text, Bytes(portrait.begin(), portrait.end()), fingerprint);
  for (std::uint8_t i = 0; i < 19; ++i) id.push_back(static_cast<std::uint8_t>(0xC0 + i));
  keys[1] = Bytes(16, 0x5A);
  sim_.OnEncChipFrame([this](const Bytes& frame) { return Answer(frame); });
}

SimEncChip::~SimEncChip() { sim_.OnEncChipFrame(nullptr); }

Bytes SimEncChip::NextRandom(std::size_t count) {
  Bytes random;
  if (!randoms.empty()) {
    random = randoms.front();
    randoms.pop_front();
  }
  while (random.size() < count) random.push_back(randomCounter_++);
  random.resize(count);
  lastRandom_ = random;
  return random;
}

Bytes SimEncChip::Derive(const Bytes& a, const Bytes& x, const Bytes& b, const Bytes& key) const {
  Bytes acc(16, 0);
  for (const Bytes* part : {&a, &x, &b})
    for (std::size_t i = 0; i < part->size(); ++i) acc[i % 16] ^= (*part)[i];
  return OpenSslSm4(key, acc, true);
}

std::optional<Bytes> SimEncChip::Answer(const Bytes& frame) {
  requests.push_back(frame);
  const std::size_t bodyLength = frame[9] | std::size_t{frame[10]} << 8;
  const bool crcGood = frame.size() == bodyLength + 12 &&
                       BitwiseCrc16(frame.data() + 9, bodyLength) == (frame[9 + bodyLength] | frame[10 + bodyLength] << 8);
  const std::uint8_t command = frame[13];
  const Bytes args = Slice(frame, 14, bodyLength - 5);
  const auto scripted = faults_.find(answers_++);
  auto is = [&](EncChipFault fault) { return scripted != faults_.end() && scripted->second == fault; };
  const bool wrongDigest = is(EncChipFault::kWrongDigest);
  Bytes body = crcGood ? AnswerCommand(command, args, wrongDigest) : Bytes{kBadCheckStatus};
  if (is(EncChipFault::kSilence)) return std::nullopt;
  if (is(EncChipFault::kStatus)) body = {0x33};
  Bytes answer = EncChipFrame(kMarker, Join({{0x00, 0x00, command}, body}));
  if (is(EncChipFault::kWrongCrc)) answer[answer.size() - 3] ^= 0x01;
  if (is(EncChipFault::kWrongMarker)) answer[8] = 0xA5;
  if (is(EncChipFault::kWrongCommand)) answer[13] ^= 0xFF;
  return answer;
}

// The status, then the answer data.
Bytes SimEncChip::AnswerCommand(std::uint8_t command, const Bytes& args, bool wrongDigest) {
  const Bytes ok{0x00};
  const Bytes bad{kBadCheckStatus};
  const Bytes samId = sim_.Sam().samId;
  switch (command) {
    case 0x01: return Join({ok, id});
    case 0x02: return Join({ok, NextRandom(args.at(0))});
    case 0x03: {
      const std::uint32_t mode = ReadLe32(args, 0);
      const Bytes key = Slice(args, 4, 16);
      const std::size_t length = args.size() - 20 - (mode >= 2 ? 16 : 0);
      const Bytes data = Slice(args, 20, length);
      const Bytes result = OpenSslSm4(key, data, mode % 2 == 0, mode >= 2 ? Slice(args, 20 + length, 16) : Bytes{});
      return Join({ok, Le32(static_cast<std::uint32_t>(result.size())), result});
    }
    case 0x04: return ReadLe32(args, 0) >= 2 ? Join({ok, OpenSslSm3(Slice(args, 4, args.size() - 4))}) : ok;
    case 0x05: {
      const Bytes value = Slice(args, 0, 8);
      const bool good = Slice(args, 8, 16) == samId &&
                        Derive(Join({value, samId}), lastRandom_, {'T', 'p', 'r', 'k', '5', '8', '2', '0'}, samId) ==
                            Slice(args, 24, 16);
      return good ? ok : bad;
    }
    case 0x06: {
      const std::uint32_t index = ReadLe32(args, 0);
      const Bytes block = Join({{static_cast<std::uint8_t>(index), 0, 0, 0}, Slice(args, 4, 48)});
      if (Derive(block, lastRandom_, w, samId) != Slice(args, 52, 16)) return bad;
      updatedKeys[index] = Slice(args, 4, 48);
      return ok;
    }
    case 0x07: {
      const std::uint32_t index = ReadLe32(args, 0);
      if (Derive(Slice(args, 0, 4), lastRandom_, w, samId) != Slice(args, 4, 16) || !keys.count(index)) return bad;
      Bytes digest = OpenSslSm3(Join({keys[index], w}));
      if (wrongDigest) digest[31] ^= 0x01;
      return Join({ok, OpenSslSm4(samId, keys[index], true, Bytes(16, 0)), digest});
    }
    case 0x08: {
      const Bytes upgradeKey{'0', '5', '3', '1', '6', '2', '4', '8', '7', '9', '0', '-', '6', '6', '4', '2'};
      if (Derive({}, lastRandom_, id, upgradeKey) != Slice(args, 512, 16)) return bad;
      upgradeBlock = Slice(args, 0, 512);
      return ok;
    }
    case 0x09: return Join({ok, lead3, value32, baseMsgFrame, value16});
  }
  return bad;
}

}  // namespace vantel_test
