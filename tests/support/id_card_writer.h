#pragma once
// Identity cards for the reader simulator, written from field values the way a card holds
// them: UCS-2 little-endian text, each field padded with blanks to its width, the kind
// character at byte 248, and a real photo. The positions are written out here on their own,
// so the library's decoding tables are checked against them, not against themselves.
#include <memory>
#include <string>

#include "support/reader_sim.h"

namespace vantel_test {

struct ResidentFields {
  std::u16string name = u"张三";
  std::u16string gender = u"1";
  std::u16string nation = u"01";
  std::u16string birthDate = u"19900101";
  std::u16string address = u"北京市东城区 东华门大街1号";
  std::u16string idNumber = u"11010119900101123X";
  std::u16string authority = u"北京市公安局东城分局";
  std::u16string startDate = u"20200101";
  std::u16string endDate = u"20400101";
};

struct ForeignFields {
  std::u16string englishName = u"SMITH, JOHN";
  std::u16string gender = u"1";
  std::u16string cardNumber = u"USA110090010101";
  std::u16string nationalityCode = u"USA";
  std::u16string chineseName = u"约翰";
  std::u16string startDate = u"20230101";
  std::u16string endDate = u"20330101";
  std::u16string birthDate = u"19800101";
  std::u16string cardVersion = u"02";
  std::u16string authorityCode = u"1100";
  std::u16string reserved = u"";
};

struct PermitFields {
  std::u16string name = u"李四";
  std::u16string gender = u"2";
  std::u16string birthDate = u"19851231";
  std::u16string address = u"香港特别行政区";
  std::u16string idNumber = u"810000198512310026";
  std::u16string authority = u"公安部";
  std::u16string startDate = u"20210101";
  std::u16string endDate = u"20260101";
  std::u16string passNumber = u"H12345678";
  std::u16string issueCount = u"01";
};

Bytes ResidentText(const ResidentFields& fields);
Bytes ForeignText(const ForeignFields& fields);
Bytes PermitText(const PermitFields& fields);

// The simulated card with `text` and the synthetic portrait as its photo.
std::shared_ptr<SimIdentityCard> IdCardWith(const Bytes& text);

// The synthetic portrait coded as the card's 1024-byte photo.
const Bytes& PortraitPhoto();

}  // namespace vantel_test
