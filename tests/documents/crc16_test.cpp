#include "documents/crc16.hpp"

#include <gtest/gtest.h>

namespace zpk {
namespace {

TEST(CRC16CCITT, MatchesTheCcittFalseCheckValues) {
  const struct {
    const char* text;
    uint16_t crc;
  } kCases[] = {
      {"123456789", 0x29B1},
      {"", 0xFFFF},
      {"A", 0xB915},
      // Accented letters count with their Latin-1 byte (E7 for ç).
      {"ç", 0x6C39},
      {"Ação", 0x61E1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CRC16CCITT(c.text), c.crc);
  }
}

TEST(CalculaCRC16, AppendsFourUpperCaseHexDigits) {
  EXPECT_EQ(CalculaCRC16("123456789"), "12345678929B1");
  EXPECT_EQ(CalculaCRC16("x342"), "x34200C3");  // leading zeros kept
  EXPECT_EQ(CalculaCRC16(""), "FFFF");
}

}  // namespace
}  // namespace zpk
