#include "library/cards/idcard/nation_table.h"

#include <cstring>

namespace vantel {
namespace {

constexpr std::size_t kNationBufferSize = 10;

// Entries 1..56 follow GB 3304 without the word "族"; 57..93 are "其他".
constexpr const char* kNations[kNationCount] = {
    nullptr, "汉", "蒙古", "回", "藏", "维吾尔", "苗", "彝", "壮", "布依",
    "朝鲜", "满", "侗", "瑶", "白", "土家", "哈尼", "哈萨克", "傣", "黎",
    "傈僳", "佤", "畲", "高山", "拉祜", "水", "东乡", "纳西", "景颇", "柯尔克孜",
    "土", "达斡尔", "仫佬", "羌", "布朗", "撒拉", "毛南", "仡佬", "锡伯", "阿昌",
    "普米", "塔吉克", "怒", "乌孜别克", "俄罗斯", "鄂温克", "德昂", "保安", "裕固", "京",
    "塔塔尔", "独龙", "鄂伦春", "赫哲", "门巴", "珞巴", "基诺", "其他", "其他", "其他",
    "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他",
    "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他",
    "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他", "其他",
    "其他", "其他", "其他", "其他", "芒人", "摩梭人", "革家人", "穿青人", "入籍", "其他族"};

int DigitValue(const std::uint8_t* ucs2) {
  return ucs2[1] == 0 && ucs2[0] >= '0' && ucs2[0] <= '9' ? ucs2[0] - '0' : -1;
}

}  // namespace

const char* NationName(int code) {
  return code > 0 && code < static_cast<int>(kNationCount) ? kNations[code] : nullptr;
}

int NationCode(const std::uint8_t* ucs2) {
  const int tens = DigitValue(ucs2);
  const int ones = DigitValue(ucs2 + 2);
  return tens < 0 || ones < 0 ? -1 : tens * 10 + ones;
}

void NationText(const std::uint8_t* ucs2, char* out) {
  std::memset(out, 0, kNationBufferSize);
  if (const char* name = NationName(NationCode(ucs2)))
    std::strncpy(out, name, kNationBufferSize - 1);
}

}  // namespace vantel
