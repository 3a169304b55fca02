// Text helpers: positions and lengths in characters on UTF-8 text, Latin-1
// casing, and the clamping rules callers rely on.
#include "platform/rtl/strings.hpp"

#include <gtest/gtest.h>

namespace zpk {
namespace {

TEST(Copy, CountsCharactersAndClampsOutOfRangePositions) {
  const struct {
    const char* s;
    int start, count;
    const char* want;
  } kCases[] = {
      {"ação", 2, 2, "çã"},   {"ação", 1, 4, "ação"},
      {"ação", 3, 100, "ão"}, {"ação", 0, 2, "aç"},  // start below 1 reads from the first character
      {"ação", -5, 1, "a"},   {"ação", 5, 1, ""},    // past the end
      {"ação", 2, 0, ""},     {"ação", 2, -1, ""},
      {"", 1, 3, ""},         {"€uro", 1, 1, "€"},  // three-byte character
      {"a😀b", 2, 1, "😀"},                           // four-byte character
      {"a😀b", 3, 1, "b"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.s) + " " + std::to_string(c.start) + "," + std::to_string(c.count));
    EXPECT_EQ(Copy(c.s, c.start, c.count), c.want);
  }
}

TEST(Length, CountsCodePointsNotBytes) {
  EXPECT_EQ(Length(""), 0);
  EXPECT_EQ(Length("ação"), 4);
  EXPECT_EQ(Length("€uro"), 4);
  EXPECT_EQ(Length("a😀b"), 3);
  // A stray byte that starts no character counts as one.
  EXPECT_EQ(Length("a\xC3"
                   "b"),
            3);
  EXPECT_EQ(Length("\xE7\xE3o"), 3);
}

TEST(Pos, ReturnsCharacterPositionOfWholeCharacters) {
  const struct {
    const char* sub;
    const char* s;
    int want;
  } kCases[] = {
      {"ção", "ação", 2},
      {"o", "ação", 4},
      {"b", "çççb", 4},
      {"x", "ação", 0},
      {"", "ação", 0},
      {"ação!", "ação", 0},
      // Only whole characters match: the lead byte of "ç" is not a character.
      {"\xC3", "aç", 0},
      {"\xA7", "aç", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.sub) + " in " + c.s);
    EXPECT_EQ(Pos(c.sub, c.s), c.want);
  }
}

TEST(CharAt, ReturnsCodePointOrZeroOutside) {
  EXPECT_EQ(CharAt("ação", 2), U'ç');
  EXPECT_EQ(CharAt("ação", 4), U'o');
  EXPECT_EQ(CharAt("ação", 5), 0u);
  EXPECT_EQ(CharAt("ação", 0), 0u);
}

TEST(Trim, RemovesBlanksAndControlsButKeepsNonAsciiAtTheEnds) {
  const struct {
    const char* s;
    const char* both;
    const char* left;
    const char* right;
  } kCases[] = {
      {"  a b \t\r\n", "a b", "a b \t\r\n", "  a b"},
      {"\x01x\x1F", "x", "x\x1F", "\x01x"},
      {"   ", "", "", ""},
      // Bytes above 127 are never blanks, even where a signed char is negative.
      {"ção", "ção", "ção", "ção"},
      {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(Trim(c.s), c.both);
    EXPECT_EQ(TrimLeft(c.s), c.left);
    EXPECT_EQ(TrimRight(c.s), c.right);
  }
}

TEST(Casing, CoversAsciiAndLatin1Letters) {
  const struct {
    const char* lower;
    const char* upper;
  } kCases[] = {
      {"ação é você", "AÇÃO É VOCÊ"},
      {"àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ", "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ"},
      {"abc xyz 123", "ABC XYZ 123"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.lower);
    EXPECT_EQ(UpperCase(c.lower), c.upper);
    EXPECT_EQ(LowerCase(c.upper), c.lower);
  }
  // No single-letter counterpart in Latin-1: ß, ÿ, and the signs ÷ ×.
  EXPECT_EQ(UpperCase("ß ÿ ÷ ×"), "ß ÿ ÷ ×");
  EXPECT_EQ(LowerCase("ß ÿ ÷ ×"), "ß ÿ ÷ ×");
  // Letters outside Latin-1 and stray bytes are left as they are.
  EXPECT_EQ(UpperCase("ŀ€a\xE7"), "ŀ€A\xE7");
  EXPECT_EQ(UpCase(U'ç'), U'Ç');
  EXPECT_EQ(LoCase(U'Ã'), U'ã');
  EXPECT_EQ(UpCase(U'÷'), U'÷');
  EXPECT_EQ(LoCase(U'×'), U'×');
}

TEST(CompareText, FoldsCaseIncludingAccents) {
  EXPECT_EQ(CompareText("AÇÃO", "ação"), 0);
  EXPECT_TRUE(SameText("São Paulo", "SÃO PAULO"));
  EXPECT_FALSE(SameText("sao paulo", "SÃO PAULO"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_LT(CompareText("", "a"), 0);
}

TEST(StringReplace, ReplacesFirstOrAllWithOptionalCaseFolding) {
  const struct {
    const char* s;
    const char* from;
    const char* to;
    TReplaceFlags flags;
    const char* want;
  } kCases[] = {
      {"a;b;c", ";", ",", {}, "a,b;c"},
      {"a;b;c", ";", ",", rfReplaceAll, "a,b,c"},
      {"Ação ação AÇÃO", "ação", "x", rfReplaceAll, "Ação x AÇÃO"},
      {"Ação ação AÇÃO", "AÇÃO", "x", rfReplaceAllIgnoreCase, "x x x"},
      {"Ação ação", "ÇÃ", "ca", rfIgnoreCase, "Acao ação"},
      {"aaa", "a", "aa", rfReplaceAll, "aaaaaa"},  // the replacement is not searched again
      {"abc", "", "x", rfReplaceAll, "abc"},
      {"çç", "ç", "", rfReplaceAll, ""},
      {"1.234,56", ".", "", rfReplaceAll, "1234,56"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.s) + " / " + c.from);
    EXPECT_EQ(StringReplace(c.s, c.from, c.to, c.flags), c.want);
  }
}

TEST(DeleteInsert, WorkOnCharacterPositions) {
  const struct {
    const char* s;
    int index, count;
    const char* want;
  } kDeletes[] = {
      {"ação", 2, 2, "ao"},   {"ação", 4, 9, "açã"},  {"ação", 0, 2, "ação"},
      {"ação", 5, 1, "ação"}, {"ação", 1, 0, "ação"},
  };
  for (const auto& c : kDeletes) {
    SCOPED_TRACE(std::string(c.s) + " delete " + std::to_string(c.index));
    std::string s = c.s;
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.want);
  }
  const struct {
    const char* sub;
    const char* s;
    int index;
    const char* want;
  } kInserts[] = {
      {"ç", "aão", 2, "ação"},   {"X", "ação", 1, "Xação"},  {"X", "ação", 0, "Xação"},
      {"X", "ação", 5, "açãoX"}, {"X", "ação", 99, "açãoX"},
  };
  for (const auto& c : kInserts) {
    SCOPED_TRACE(std::string(c.s) + " insert at " + std::to_string(c.index));
    std::string s = c.s;
    Insert(c.sub, s, c.index);
    EXPECT_EQ(s, c.want);
  }
}

TEST(Builders, RepeatQuoteAndSplit) {
  EXPECT_EQ(DupeString("ab", 3), "ababab");
  EXPECT_EQ(DupeString("ab", 0), "");
  EXPECT_EQ(StringOfChar(U'ç', 3), "ççç");
  EXPECT_EQ(StringOfChar(U'0', 4), "0000");
  EXPECT_EQ(StringOfChar(U'x', -1), "");
  EXPECT_EQ(QuotedStr("d'Ávila"), "'d''Ávila'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(SplitText("a;;b", ";"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitText(";", ";"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(SplitText("ação", ";"), (std::vector<std::string>{"ação"}));
  EXPECT_EQ(SplitText("a<>b<>", "<>"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_TRUE(SplitText("", ";").empty());
}

TEST(CodePoints, RoundTripAndReadStrayBytesAsLatin1) {
  const std::string text = "Ação €1 😀";
  EXPECT_EQ(FromCodePoints(ToCodePoints(text)), text);
  EXPECT_EQ(ToCodePoints("ç€😀"), (std::u32string{U'ç', U'€', U'😀'}));
  // A Latin-1 byte on its own, a truncated sequence, an overlong form.
  EXPECT_EQ(ToCodePoints("\xE7"
                         "a"),
            (std::u32string{0xE7, U'a'}));
  EXPECT_EQ(ToCodePoints("\xE2\x82"), (std::u32string{0xE2, 0x82}));
  EXPECT_EQ(ToCodePoints("\xC0\xAF"), (std::u32string{0xC0, 0xAF}));
  EXPECT_EQ(CharToStr(U'ã'), "ã");
  EXPECT_EQ(CharToStr(U'😀'), "😀");
}

}  // namespace
}  // namespace zpk
