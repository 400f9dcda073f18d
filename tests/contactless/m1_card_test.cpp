// The contactless search and the M1 block read and write on every transport.
#include "library/device/m1_card.h"

#include <gtest/gtest.h>

#include <cstring>

#include "card_fixture.h"
#include "library/cards/contactless_card.h"

namespace vantel {
namespace {

using vantel_test::SimContactlessCard;
using vantel_test::SimM1Card;

const unsigned char kKeyFF[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kKey(kKeyFF, kKeyFF + 6);

class M1Card : public CardCommands {
 protected:
  bool Reaches() const { return via() != Via::kNetwork; }
  bool OverPcsc() const { return via() == Via::kPcsc; }

  // The request a keyed read (03) or write (04) puts on the wire, by transport.
  Bytes KeyedRequest(std::uint8_t command, std::uint8_t sector, std::uint8_t block,
                     std::uint8_t keyType, const Bytes& data = {}) {
    Bytes fields{sector, block, keyType};
    fields.insert(fields.end(), kKey.begin(), kKey.end());
    fields.insert(fields.end(), data.begin(), data.end());
    Bytes request;
    if (OverPcsc()) {
      request = {0xFF, 0x97, 0x10, static_cast<std::uint8_t>(command == 0x03 ? 0x05 : 0x06),
                 static_cast<std::uint8_t>(fields.size())};
      request.insert(request.end(), fields.begin(), fields.end());
      request.push_back(0x00);
      return request;
    }
    request = {command, 0xFF};
    request.insert(request.end(), fields.begin(), fields.end());
    return VendorFrame(request);
  }

  int Find() {
    rig.sim().ClearRequests();
    return FindIcCard();
  }
};

TEST_P(M1Card, SearchMapsTheTypeByte) {
  if (!Reaches()) {
    // The network reader has no card commands: they fail and send nothing.
    unsigned char block[16];
    Device().gM1CardType = 1;
    EXPECT_EQ(FindIcCard(), 0);
    Device().gM1CardType = 1;
    EXPECT_EQ(ReadM1Block(1, 0, kM1KeyA, kKeyFF, block), 0);
    EXPECT_EQ(WriteM1Block(1, 0, kM1KeyA, kKeyFF, block), 0);
    EXPECT_TRUE(Requests().empty());
    return;
  }
  const std::pair<std::uint8_t, int> rows[] = {{0x08, 1}, {0xFF, 1}, {0x18, 3}, {0x00, 4},
                                               {0x28, 2}, {0x20, 2}, {0x04, 4}, {0x44, 0x44},
                                               {0x88, 1}};
  auto card = std::make_shared<SimContactlessCard>();
  rig.sim().PlaceCard(card);
  for (const auto& [type, kind] : rows) {
    card->typeByte = type;
    EXPECT_EQ(Find(), kind) << int{type};
    EXPECT_EQ(Device().gM1CardType, kind);
  }
  EXPECT_EQ(Requests().size(), 1u);
  rig.sim().RemoveCard();
  EXPECT_EQ(Find(), 0);
  EXPECT_EQ(Device().gM1CardType, 0);
}

TEST_P(M1Card, BlockReadAndWriteRoundTrip) {
  if (!Reaches()) GTEST_SKIP() << "the network reader has no card commands";
  SimM1Card* card = Place<SimM1Card>();
  ASSERT_EQ(FindIcCard(), 1);
  rig.sim().ClearRequests();
  unsigned char block[16] = {};
  ASSERT_EQ(ReadM1Block(1, 0, kM1KeyA, kKeyFF, block), 1);
  EXPECT_EQ(Bytes(block, block + 16), card->Block(1, 0));
  const Bytes data{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  EXPECT_EQ(WriteM1Block(2, 1, kM1KeyB, kKeyFF, data.data()), 1);
  EXPECT_EQ(card->Block(2, 1), data);
  EXPECT_EQ(Requests(), (std::vector<Bytes>{KeyedRequest(0x03, 1, 0, 0x60),
                                            KeyedRequest(0x04, 2, 1, 0x61, data)}));

  // A wrong key is the reader's refusal; the caller's block stays as it was.
  const unsigned char wrongKey[6] = {1, 2, 3, 4, 5, 6};
  std::memset(block, 0xEE, sizeof block);
  EXPECT_EQ(ReadM1Block(1, 0, kM1KeyA, wrongKey, block), via() == Via::kHid ? -3 : 0);
  EXPECT_EQ(block[0], 0xEE);
  EXPECT_EQ(WriteM1Block(2, 1, kM1KeyA, wrongKey, data.data()), 0);
}

TEST_P(M1Card, FortySectorCardSendsBigSectorsAsFourEach) {
  if (!Reaches()) GTEST_SKIP() << "the network reader has no card commands";
  Place<SimM1Card>(vantel_test::kM1FortySectorType);
  ASSERT_EQ(FindIcCard(), 3);
  rig.sim().ClearRequests();
  unsigned char block[16];
  const Bytes data(16, 0x5A);
  EXPECT_EQ(ReadM1Block(35, 9, kM1KeyA, kKeyFF, block), 1);
  EXPECT_EQ(ReadM1Block(32, 0, kM1KeyA, kKeyFF, block), 1);
  EXPECT_EQ(WriteM1Block(33, 6, kM1KeyA, kKeyFF, data.data()), 1);
  EXPECT_EQ(Requests(), (std::vector<Bytes>{KeyedRequest(0x03, 46, 1, 0x60),
                                            KeyedRequest(0x03, 32, 0, 0x60),
                                            KeyedRequest(0x04, 37, 2, 0x60, data)}));
}

TEST_P(M1Card, ShortStreamAnswerIsNoBlock) {
  if (via() != Via::kSerial && via() != Via::kUsbDriver) GTEST_SKIP() << "byte stream";
  Place<SimM1Card>();
  ASSERT_EQ(FindIcCard(), 1);
  rig.sim().OnVendorCommand(0x03, [](const Bytes&) -> std::optional<Bytes> {
    return Bytes{0x03, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  });
  unsigned char block[16] = {};
  EXPECT_EQ(ReadM1Block(1, 0, kM1KeyA, kKeyFF, block), 0);
}

TEST_P(M1Card, RefusedArgumentsSendNothing) {
  struct Row {
    int kind, sector, block, keyType;
    bool key, buffer;
  };
  const Row rows[] = {
      {3, 33, 16, 0x60, true, true}, {3, 31, 4, 0x60, true, true}, {3, 40, 0, 0x60, true, true},
      {1, 1, 0, 0x62, true, true},   {1, 16, 0, 0x60, true, true}, {1, 1, 0, 0x60, false, true},
      {1, 1, 0, 0x60, true, false},  {0, 0, 0, 0x60, true, true},  {5, 0, 0, 0x60, true, true},
      {4, 0, 256, 0x60, true, true},
      // Pages carry no key on HID alone: elsewhere a null key is refused.
      {4, 0, 4, 0x60, via() == Via::kHid, via() != Via::kHid},
  };
  unsigned char block[16];
  const Bytes data(16, 0);
  for (const Row& row : rows) {
    Device().gM1CardType = row.kind;
    const unsigned char* key = row.key ? kKeyFF : nullptr;
    EXPECT_EQ(ReadM1Block(row.sector, row.block, row.keyType, key, row.buffer ? block : nullptr), -1)
        << row.kind << " " << row.sector << "/" << row.block;
    EXPECT_EQ(WriteM1Block(row.sector, row.block, row.keyType, key,
                           row.buffer ? data.data() : nullptr), -1)
        << row.kind << " " << row.sector << "/" << row.block;
  }
  EXPECT_TRUE(Requests().empty());
}

TEST_P(M1Card, PagesGoOutAsPages) {
  if (!Reaches()) GTEST_SKIP() << "the network reader has no card commands";
  SimM1Card* card = Place<SimM1Card>(vantel_test::kM1PagesType);
  ASSERT_EQ(FindIcCard(), 4);
  for (int page = 4; page < 8; ++page) card->Block(0, page) = Bytes(4, static_cast<std::uint8_t>(page));
  rig.sim().ClearRequests();
  const unsigned char* key = via() == Via::kHid ? nullptr : kKeyFF;
  unsigned char block[16] = {};
  // The key type goes out as its low byte.
  ASSERT_EQ(ReadM1Block(7, 4, 0x133, key, block), 1);
  EXPECT_EQ(Bytes(block, block + 4), Bytes(4, 4));
  EXPECT_EQ(Bytes(block + 12, block + 16), Bytes(4, 7));
  const unsigned char data[16] = {9, 8, 7, 6};
  EXPECT_EQ(WriteM1Block(7, 5, 0x60, key, data), 1);
  EXPECT_EQ(card->Block(0, 5), (Bytes{9, 8, 7, 6}));
  if (via() == Via::kHid) {
    EXPECT_EQ(Requests(), (std::vector<Bytes>{{0x55, 0xAA, 0x04, 0x1B, 0xFF, 0x04, 0x1B},
                                              VendorFrame({0x1C, 0xFF, 0x05, 9, 8, 7, 6})}));
  } else {
    EXPECT_EQ(Requests().front(), KeyedRequest(0x03, 0, 4, 0x33));
  }
}

TEST_P(M1Card, ManagementNumberAsText) {
  for (int i = 0; i < 8; ++i) rig.sim().Sam().managementInfo[i] = static_cast<std::uint8_t>(i + 1);
  char text[17];
  std::memset(text, 'x', sizeof text);
  if (!Reaches()) {
    EXPECT_EQ(ReadIinsndn(text), 0);
    EXPECT_TRUE(Requests().empty());
    return;
  }
  EXPECT_EQ(ReadIinsndn(text), 1);
  EXPECT_STREQ(text, "0102030405060708");
  EXPECT_EQ(ReadIinsndn(nullptr), 0);
}

}  // namespace

// A request written short is no success, even when the count written is 1.
TEST(M1CardOverPipes, ShortWriteIsAFailure) {
  // A USB open looks for PC/SC readers first: not beside the PC/SC program's own reader.
  if (CardTransports().front() == Via::kPcsc) GTEST_SKIP() << "the byte-stream program's test";
  TransportRig rig(Via::kUsbPipes);
  ASSERT_EQ(OpenPort(rig.Port()), 144);
  rig.usb.Devices().front().pipeWriteLimit = 1;
  Device().gM1CardType = 1;
  unsigned char block[16] = {};
  EXPECT_EQ(ReadM1Block(1, 0, kM1KeyA, kKeyFF, block), 0);
  EXPECT_EQ(WriteM1Block(1, 0, kM1KeyA, kKeyFF, block), 0);
}

INSTANTIATE_TEST_SUITE_P(Transports, M1Card, ::testing::ValuesIn(CardTransports()),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
