#include "support/passport_chip.h"

#include "support/openssl_ciphers.h"

namespace vantel_test {
namespace chip_crypto {
namespace {

// Triple DES with three 8-byte keys (single DES as one key three times: OpenSSL 3's default
// provider has no single DES).
Bytes Ede3(const Bytes& key24, const Bytes& data, bool encrypt, bool cbc) {
  return cbc ? RunCipher(EVP_des_ede3_cbc(), key24, Bytes(8, 0), data, encrypt)
             : RunCipher(EVP_des_ede3_ecb(), key24, {}, data, encrypt);
}

Bytes Repeat(const Bytes& first8, const Bytes& second8, const Bytes& third8) {
  Bytes key = first8;
  key.insert(key.end(), second8.begin(), second8.end());
  key.insert(key.end(), third8.begin(), third8.end());
  return key;
}

}  // namespace

Bytes Sha1(const Bytes& data) { return RunDigest(EVP_sha1(), data); }

Bytes Des3Cbc(const Bytes& key16, const Bytes& data, bool encrypt) {
  const Bytes k1(key16.begin(), key16.begin() + 8), k2(key16.begin() + 8, key16.end());
  return Ede3(Repeat(k1, k2, k1), data, encrypt, true);
}

Bytes Pad(const Bytes& data) {
  Bytes padded = data;
  padded.push_back(0x80);
  while (padded.size() % 8 != 0) padded.push_back(0x00);
  return padded;
}

Bytes RetailMac(const Bytes& key16, const Bytes& data) {
  const Bytes k1(key16.begin(), key16.begin() + 8), k2(key16.begin() + 8, key16.end());
  const Bytes chained = Ede3(Repeat(k1, k1, k1), Pad(data), true, true);
  const Bytes last(chained.end() - 8, chained.end());
  return Ede3(Repeat(k1, k1, k1), Ede3(Repeat(k2, k2, k2), last, false, false), true, false);
}

Bytes DeriveKey(const Bytes& seed16, std::uint8_t counter) {
  Bytes input = seed16;
  input.insert(input.end(), {0, 0, 0, counter});
  const Bytes digest = Sha1(input);
  return Bytes(digest.begin(), digest.begin() + 16);
}

Bytes ProtectedRead(const Bytes& ksMac, const Bytes& ssc, std::uint8_t p1, std::uint8_t p2, std::uint8_t le) {
  Bytes input = ssc;
  const Bytes header = Pad({0x0C, 0xB0, p1, p2});
  input.insert(input.end(), header.begin(), header.end());
  input.insert(input.end(), {0x97, 0x01, le});
  const Bytes mac = RetailMac(ksMac, input);
  Bytes command{0x0C, 0xB0, p1, p2, 0x0D, 0x97, 0x01, le, 0x8E, 0x08};
  command.insert(command.end(), mac.begin(), mac.end());
  command.push_back(0x00);
  return command;
}

}  // namespace chip_crypto

namespace {

using namespace chip_crypto;

const Bytes kOk{0x90, 0x00};
const Bytes kFaultStatus{0x6F, 0x00};
const Bytes kFileNotFound{0x6A, 0x82};
const Bytes kSecurityNotSatisfied{0x69, 0x82};
const Bytes kSmObjectsWrong{0x69, 0x88};
const Bytes kAuthenticationFailed{0x63, 0x00};
const Bytes kSelectApplication{0x00, 0xA4, 0x04, 0x0C, 0x07, 0xA0, 0x00, 0x00, 0x02, 0x47, 0x10, 0x01};

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

void Increment(Bytes* ssc) {
  for (auto byte = ssc->rbegin(); byte != ssc->rend(); ++byte) {
    if (++*byte != 0) break;
  }
}

// A data object with its length in the short or the long form.
Bytes Object(std::uint8_t tag, const Bytes& value) {
  Bytes object{tag};
  if (value.size() < 0x80) {
    object.push_back(static_cast<std::uint8_t>(value.size()));
  } else if (value.size() < 0x100) {
    object.insert(object.end(), {0x81, static_cast<std::uint8_t>(value.size())});
  } else {
    object.insert(object.end(), {0x82, static_cast<std::uint8_t>(value.size() >> 8),
                                 static_cast<std::uint8_t>(value.size())});
  }
  object.insert(object.end(), value.begin(), value.end());
  return object;
}

Bytes Filler(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 13);
  return bytes;
}

// The chip's files, each a TLV under its tag; DG2 and DG15 with long length forms.
std::map<std::uint8_t, Bytes> DefaultFiles(const std::string& mrz) {
  const std::string firstLine = "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<";
  return {
      {0x1E, Bytes{0x60, 0x14, 0x5F, 0x01, 0x04, 0x30, 0x31, 0x30, 0x36, 0x5F, 0x36, 0x06, 0x30,
                   0x34, 0x30, 0x30, 0x30, 0x30, 0x5C, 0x02, 0x61, 0x75}},
      {0x01, Object(0x61, Concat({{0x5F, 0x1F, 0x58}, FromText(firstLine + mrz)}))},
      {0x0B, Object(0x6B, Concat({{0x5C, 0x02, 0x5F, 0x0E}, {0x5F, 0x0E, 0x08}, FromText("ERIKSSON")}))},
      {0x02, Object(0x75, Filler(300, 0x31))},
      {0x0F, Object(0x6F, Filler(0xA2, 0x77))},
  };
}

}  // namespace

PassportChip::PassportChip(const std::string& mrz) : files_(DefaultFiles(mrz)) {
  const Bytes seedText = FromText(mrz.substr(0, 10) + mrz.substr(13, 7) + mrz.substr(21, 7));
  const Bytes digest = Sha1(seedText);
  const Bytes seed(digest.begin(), digest.begin() + 16);
  kEnc_ = DeriveKey(seed, 1);
  kMac_ = DeriveKey(seed, 2);
  SetRandom({0x46, 0x08, 0xF9, 0x19, 0x88, 0x70, 0x22, 0x12},
            {0x0B, 0x4F, 0x80, 0x32, 0x3E, 0xB3, 0x19, 0x1C, 0xB0, 0x49, 0x70, 0xCB, 0x40, 0x52, 0x79, 0x0B});
}

void PassportChip::SetRandom(const Bytes& rndIc, const Bytes& kIc) {
  rndIc_ = rndIc;
  kIc_ = kIc;
}

void PassportChip::RemoveFile(std::uint8_t shortId) { files_.erase(shortId); }

Bytes PassportChip::Answer(const Bytes& apdu) {
  const auto fault = faults_.find(apduCount_++);
  const ChipFault* scripted = fault == faults_.end() ? nullptr : &fault->second;
  if (scripted && *scripted == ChipFault::kStatus) return kFaultStatus;
  return AnswerCommand(apdu, scripted);
}

Bytes PassportChip::AnswerCommand(const Bytes& apdu, const ChipFault* fault) {
  if (apdu == kSelectApplication) return kOk;
  if (apdu.size() < 4) return kSmObjectsWrong;
  if (apdu[0] == 0x00 && apdu[1] == 0xB0) return kSecurityNotSatisfied;
  if (apdu == Bytes{0x00, 0x84, 0x00, 0x00, 0x08}) return Concat({rndIc_, kOk});
  if (apdu[0] == 0x00 && apdu[1] == 0x82) return MutualAuthenticate(apdu, fault);
  if (apdu[0] == 0x0C && apdu[1] == 0xB0) return SecureRead(apdu, fault);
  return kFileNotFound;
}

Bytes PassportChip::MutualAuthenticate(const Bytes& apdu, const ChipFault* fault) {
  if (apdu.size() != 46 || apdu[4] != 0x28 || apdu[45] != 0x28) return kSmObjectsWrong;
  const Bytes eIfd(apdu.begin() + 5, apdu.begin() + 37), mIfd(apdu.begin() + 37, apdu.begin() + 45);
  if (RetailMac(kMac_, eIfd) != mIfd) return kAuthenticationFailed;
  const Bytes s = Des3Cbc(kEnc_, eIfd, false);
  if (Bytes(s.begin() + 8, s.begin() + 16) != rndIc_) return kAuthenticationFailed;
  const Bytes rndIfd(s.begin(), s.begin() + 8), kIfd(s.begin() + 16, s.end());

  Bytes answered = Concat({rndIc_, rndIfd, kIc_});
  if (fault && *fault == ChipFault::kOtherRndIc) answered[0] ^= 0x01;
  if (fault && *fault == ChipFault::kOtherRndIfd) answered[8] ^= 0x01;
  const Bytes eIc = Des3Cbc(kEnc_, answered, true);
  Bytes mIc = RetailMac(kMac_, eIc);
  if (fault && *fault == ChipFault::kAnswerMac) mIc[7] ^= 0x01;

  Bytes seed(16);
  for (std::size_t i = 0; i < 16; ++i) seed[i] = kIfd[i] ^ kIc_[i];
  ksEnc_ = DeriveKey(seed, 1);
  ksMac_ = DeriveKey(seed, 2);
  ssc_ = Concat({Bytes(rndIc_.begin() + 4, rndIc_.end()), Bytes(rndIfd.begin() + 4, rndIfd.end())});
  startSsc_ = ssc_;
  authenticated_ = true;
  return Concat({eIc, mIc, kOk});
}

namespace {

// The status a secure read's DO99 carries.
Bytes InnerStatus(const ChipFault* fault) {
  if (!fault) return {0x90, 0x00};
  switch (*fault) {
    case ChipFault::kInnerStatus: return {0x6A, 0x82};
    case ChipFault::kInnerStatusFirstByte: return {0x6B, 0x00};
    case ChipFault::kInnerStatusSecondByte: return {0x90, 0x01};
    default: return {0x90, 0x00};
  }
}

}  // namespace

Bytes PassportChip::SecureRead(const Bytes& apdu, const ChipFault* fault) {
  if (!authenticated_ || apdu.size() != 19 || apdu[4] != 0x0D || apdu[5] != 0x97 || apdu[6] != 0x01 ||
      apdu[8] != 0x8E || apdu[9] != 0x08) {
    return kSmObjectsWrong;
  }
  Increment(&ssc_);
  const std::uint8_t p1 = apdu[2], p2 = apdu[3], le = apdu[7];
  if (ProtectedRead(ksMac_, ssc_, p1, p2, le) != apdu) return kSmObjectsWrong;
  std::size_t offset = p2;
  if (p1 & 0x80) {
    if (!files_.count(p1 & 0x1F)) return kFileNotFound;
    currentFile_ = p1 & 0x1F;
  } else {
    offset = static_cast<std::size_t>(p1) << 8 | p2;
  }
  if (currentFile_ < 0 || !files_.count(static_cast<std::uint8_t>(currentFile_))) return kFileNotFound;
  const Bytes& file = files_.at(static_cast<std::uint8_t>(currentFile_));
  const std::size_t wanted = le == 0 ? 256 : le;
  const std::size_t start = std::min(offset, file.size());
  Bytes data(file.begin() + static_cast<std::ptrdiff_t>(start),
             file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), start + wanted)));
  if (fault && *fault == ChipFault::kFirstTag && !data.empty()) data[0] ^= 0xFF;

  Increment(&ssc_);
  const Bytes do87 = Object(0x87, Concat({{0x01}, Des3Cbc(ksEnc_, Pad(data), true)}));
  const Bytes do99 = Concat({{0x99, 0x02}, InnerStatus(fault)});
  Bytes mac = RetailMac(ksMac_, Concat({ssc_, do87, do99}));
  if (fault && *fault == ChipFault::kAnswerMac) mac[0] ^= 0x01;
  return Concat({do87, do99, {0x8E, 0x08}, mac, kOk});
}

}  // namespace vantel_test
