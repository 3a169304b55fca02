// The invoice rules that need no database: the net effect of discount and
// surcharge lines to the cent, the export CFOPs and the NF-e character filter.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/mensagens_nota.hpp"
#include "billing/nfe_text.hpp"
#include "message_lines.hpp"

namespace zpk {
namespace {

using test::MessageLine;

TEST(DescontoAcrescimo, SumsAdjustmentsOnTheRunningBaseToTheCent) {
  const struct {
    const char* name;
    double base;
    std::vector<MessageLine> lines;
    double result;
    double desc_acres;
  } kCases[] = {
      {"10% surcharge moving the base, then 10% discount: 10.00 and 11.00",
       100,
       {{1, "A", "P", 10, 0, "S", "ACRESCIMO"}, {2, "D", "P", 10, 0, "N", "DESCONTO"}},
       -1.00,
       -1.00},
      // The base falls by 5.00 and then by the whole third-kind sum, 10.00: the
      // 10% discount after them is taken on 85.00.
      {"two third-kind lines of 5.00 leave the base at 85.00",
       100,
       {{1, "C", "V", 0, 5, "S", "C1"},
        {2, "C", "V", 0, 5, "S", "C2"},
        {3, "D", "P", 10, 0, "N", "DESCONTO"}},
       -18.50,
       -8.50},
      {"amounts as typed, lines not moving the base",
       50,
       {{1, "A", "V", 0, 7.5, "N", "FRETE"},
        {2, "D", "V", 0, 2.25, "N", "ABATIMENTO"},
        {3, "C", "V", 0, 1, "N", "X"}},
       4.25,
       5.25},
      {"half a cent goes up: 10% of 0.05 is 0.01", 0.05, {{1, "D", "P", 10, 0, "N", "D"}}, -0.01, -0.01},
      {"below half a cent goes down: 1.5% of 100.30 is 1.50",
       100.30,
       {{1, "A", "P", 1.5, 0, "N", "A"}},
       1.50,
       1.50},
      {"a third of 100.00 is 33.33", 100, {{1, "D", "P", 33.3333, 0, "N", "D"}}, -33.33, -33.33},
      {"text lines and unknown kinds count nothing",
       100,
       {{10, "S", "E", 0, 0, "N", "ENDERECO"},
        {11, "O", "O", 0, 99, "N", "OBS"},
        {12, "A", "X", 10, 10, "S", "?"}},
       0,
       0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TClientDataSet set;
    test::fill_message_set(set, c.lines);
    double desc_acres = 123;
    EXPECT_DOUBLE_EQ(DescontoAcrescimo(set, c.base, desc_acres), c.result);
    EXPECT_DOUBLE_EQ(desc_acres, c.desc_acres);
  }
}

TEST(NaturezaExp, TellsExportRelatedCfops) {
  const struct {
    const char* cfop;
    bool expected;
  } kCases[] = {{"3101", true},  {"7101", true},  {"7949", true}, {"1501", true},  {"2501", true},
                {"5501", true},  {"5502", true},  {"5504", true}, {"5505", true},  {"6501", true},
                {"6502", true},  {"6504", true},  {"6505", true}, {"5503", false}, {"6503", false},
                {"5101", false}, {"6101", false}, {"550", false}, {"", false},     {"   ", false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.cfop);
    EXPECT_EQ(NaturezaExp(c.cfop), c.expected);
  }
}

TEST(LimpaCaracterNFe, KeepsOnlyTheNfeCharacters) {
  const struct {
    const char* text;
    bool digits_only;
    const char* expected;
  } kCases[] = {
      {"11.222.333/0001-81", true, "11222333000181"},
      {"(11) 3200-0000", true, "1132000000"},
      {"ISENTO", true, "ISENTO"},
      {" ISENTO ", false, " ISENTO "},
      {"isento", true, ""},
      {"O'Brien \"Ltda\"; <b>x_y~z</b>", false, "OBrien Ltda bxyz/b"},
      {"Açúcar & Cia. {1}[2](3) 50% #7 $8 @9 a+b=c * | \\", false,
       "Açúcar & Cia. {1}[2](3) 50% #7 $8 @9 a+bc * | \\"},
      {"ÏïÑñÝýÜü", false, "ÏÑñÝýÜü"},
      {"tab\there\nline", false, "tabhereline"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LimpaCaracterNFe(c.text, c.digits_only), c.expected);
  }
}

}  // namespace
}  // namespace zpk
