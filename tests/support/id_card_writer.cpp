#include "support/id_card_writer.h"

#include "support/photo_encoder.h"

namespace vantel_test {
namespace {

// A text of blanks, the fields written over it.
class CardText {
 public:
  CardText() : bytes_(256) {
    for (std::size_t i = 0; i < bytes_.size(); i += 2) bytes_[i] = ' ';
  }
  CardText& Put(std::size_t offset, std::size_t width, const std::u16string& value) {
    for (std::size_t i = 0; i < width && i < value.size(); ++i) {
      bytes_[offset + 2 * i] = static_cast<std::uint8_t>(value[i]);
      bytes_[offset + 2 * i + 1] = static_cast<std::uint8_t>(value[i] >> 8);
    }
    return *this;
  }
  Bytes bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

}  // namespace

Bytes ResidentText(const ResidentFields& f) {
  return CardText()
      .Put(0, 15, f.name).Put(30, 1, f.gender).Put(32, 2, f.nation).Put(36, 8, f.birthDate)
      .Put(52, 35, f.address).Put(122, 18, f.idNumber).Put(158, 15, f.authority)
      .Put(188, 8, f.startDate).Put(204, 8, f.endDate)
      .bytes();
}

Bytes ForeignText(const ForeignFields& f) {
  return CardText()
      .Put(0, 60, f.englishName).Put(120, 1, f.gender).Put(122, 15, f.cardNumber)
      .Put(152, 3, f.nationalityCode).Put(158, 15, f.chineseName).Put(188, 8, f.startDate)
      .Put(204, 8, f.endDate).Put(220, 8, f.birthDate).Put(236, 2, f.cardVersion)
      .Put(240, 4, f.authorityCode).Put(248, 1, u"I").Put(250, 3, f.reserved)
      .bytes();
}

Bytes PermitText(const PermitFields& f) {
  return CardText()
      .Put(0, 15, f.name).Put(30, 1, f.gender).Put(36, 8, f.birthDate).Put(52, 35, f.address)
      .Put(122, 18, f.idNumber).Put(158, 15, f.authority).Put(188, 8, f.startDate)
      .Put(204, 8, f.endDate).Put(220, 9, f.passNumber).Put(238, 2, f.issueCount)
      .Put(248, 1, u"J")
      .bytes();
}

std::shared_ptr<SimIdentityCard> IdCardWith(const Bytes& text) {
  auto card = std::make_shared<SimIdentityCard>();
  card->text = text;
  card->photo = PortraitPhoto();
  return card;
}

const Bytes& PortraitPhoto() {
  static const Bytes photo = [] {
    const auto rgb = photo::SyntheticPortrait();
    const auto region = photo::SyntheticPortraitRegion();
    const std::uint8_t white[3] = {255, 255, 255};
    const auto built = photo::EncodeRgbPhoto(rgb, &region, 5, white).bytes;
    return Bytes(built.begin(), built.end());
  }();
  return photo;
}

}  // namespace vantel_test
