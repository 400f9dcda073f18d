// The card text's fields: conversion, trimming, gender, nation and the kind, straight from
// text bytes.
#include "library/cards/idcard/record_layouts.h"

#include <gtest/gtest.h>

#include <string>

#include "id_card_fixture.h"

namespace vantel {
namespace {

// `value` as UCS-2 little-endian characters at `offset` of a blank text.
Bytes TextWith(std::size_t offset, const std::u16string& value) {
  Bytes text(256, 0);
  for (std::size_t i = 0; i < text.size(); i += 2) text[i] = ' ';
  for (std::size_t i = 0; i < value.size(); ++i) {
    text[offset + 2 * i] = static_cast<std::uint8_t>(value[i]);
    text[offset + 2 * i + 1] = static_cast<std::uint8_t>(value[i] >> 8);
  }
  return text;
}

std::string DecodeOne(const Bytes& text, const FieldLayout& field) {
  std::string out(field.bytes, '\x7E');
  char* fields[] = {&out[0]};
  DecodeRecord(text.data(), &field, 1, fields);
  return out;
}

struct FieldCase {
  const char* name;
  const FieldLayout& field;
  std::u16string value;
  std::string expected;  // then NULs to the field's size
};

TEST(RecordLayouts, FieldsConvertTrimAndLookUp) {
  const FieldLayout& name = kResidentLayout[0];
  const FieldLayout& gender = kResidentLayout[1];
  const FieldLayout& nation = kResidentLayout[2];
  const FieldLayout& address = kResidentLayout[5];
  const FieldLayout& englishName = kForeignLayout[0];
  const FieldLayout& cardNumber = kForeignLayout[2];
  const FieldCase cases[] = {
      {"two characters and 13 blanks", name, u"张三", "\xD5\xC5\xC8\xFD"},
      {"blanks only keep one", name, u"", " "},
      {"inner blanks stay", address, u"北京 东城", "北京 东城"},
      {"a character outside GBK is dropped", name, u"A\u0E01B", "AB"},
      {"a lone surrogate is dropped", name, u"A\xD800" u"B", "AB"},
      {"60 double-byte characters fill 120 bytes", englishName, std::u16string(60, u'张'),
       [] { std::string s; for (int i = 0; i < 60; ++i) s += "张"; return s; }()},
      {"the last character that does not fit whole is left out", cardNumber,
       std::u16string(15, u'张'), [] { std::string s; for (int i = 0; i < 14; ++i) s += "张"; return s; }()},
      {"gender 1", gender, u"1", "男"},
      {"gender 2", gender, u"2", "女"},
      {"gender of a non-ASCII 1", gender, u"\u0131", "女"},
      {"nation 01", nation, u"01", "汉"},
      {"nation 56", nation, u"56", "基诺"},
      {"nation 57", nation, u"57", "其他"},
      {"nation 93", nation, u"93", "其他"},
      {"nation 97", nation, u"97", "穿青人"},
      {"nation 99", nation, u"99", "其他族"},
      {"nation 00", nation, u"00", ""},
      {"nation AB", nation, u"AB", ""},
      {"nation of one digit", nation, u"7 ", ""},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(DecodeOne(TextWith(c.field.offset, c.value), c.field), Field(c.expected, c.field.bytes))
        << c.name;
  }
}

TEST(RecordLayouts, KindComesFromByte248WithByte249Zero) {
  struct KindCase {
    std::uint8_t low;
    std::uint8_t high;
    CardKind kind;
  };
  const KindCase cases[] = {{'I', 0, kForeignCard}, {'J', 0, kPermitCard}, {'I', 1, kResidentCard},
                            {'J', 0x4E, kResidentCard}, {' ', 0, kResidentCard}};
  for (const KindCase& c : cases) {
    Bytes text(256, 0);
    text[248] = c.low;
    text[249] = c.high;
    EXPECT_EQ(DecideCardKind(text.data()), c.kind) << c.low << "/" << int{c.high};
  }
}

}  // namespace
}  // namespace vantel
