// Reading the SQL literals that callers write as values: what a correct caller
// passes (Aspas of any text, numbers, NULL, date literals) reads back as the
// value meant, and nothing else reads as a literal.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/detail/sql_literals.hpp"
#include "foundation/lookups.hpp"
#include "not_literals.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk::detail {
namespace {

using Kind = SqlLiteral::Kind;

// What a careful caller does before Aspas with a text that may hold quotes.
std::string doubled_quotes(const std::string& text) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

TEST(SqlLiterals, EveryTextAspasQuotesReadsBackAsItself) {
  const char* const kTexts[] = {
      "",
      "000123",
      "AÇÃO ÉÍÓÚ ñ ü",
      "CAIXA D'AGUA",
      "'",
      "''",
      "it's 'quoted'",
      "a;b",
      "a,b",
      "50%",
      "x -- y",
      "/* não */",
      "  blanks around  ",
      "tab\there\nand a line",
      "(SELECT 1 FROM RDB$DATABASE)",
      "' OR '1'='1",
      "NULL",
  };
  for (const std::string text : kTexts) {
    SCOPED_TRACE(text);
    SqlLiteral literal;
    ASSERT_TRUE(read_sql_literal(Aspas(doubled_quotes(text)), literal));
    EXPECT_EQ(literal.kind, Kind::text);
    EXPECT_EQ(literal.value, text);
    // Blanks around the literal do not count.
    ASSERT_TRUE(read_sql_literal(" \t" + Aspas(doubled_quotes(text)) + "\n ", literal));
    EXPECT_EQ(literal.value, text);
  }
}

TEST(SqlLiterals, NumbersNullAndDatesReadWithTheirKind) {
  const struct {
    const char* item;
    Kind kind;
    const char* value;
    int scale;
  } kCases[] = {
      {"5", Kind::integer, "5", 0},
      {"-5", Kind::integer, "-5", 0},
      {"+7", Kind::integer, "7", 0},
      {"000123", Kind::integer, "123", 0},
      {"0", Kind::integer, "0", 0},
      {"123456789012345678", Kind::integer, "123456789012345678", 0},
      {"-12.50", Kind::decimal, "-12.50", 2},
      {".5", Kind::decimal, "0.5", 1},
      {"5.", Kind::decimal, "5", 0},
      {"0.000000000000000001", Kind::decimal, "0.000000000000000001", 18},
      {"1.5e3", Kind::floating, "1.5e3", 0},
      {"2E-4", Kind::floating, "2e-4", 0},
      {"NULL", Kind::null, "", 0},
      {" null ", Kind::null, "", 0},
      {"DATE '2025-01-31'", Kind::date, "2025-01-31", 0},
      {"date'01/31/2025'", Kind::date, "01/31/2025", 0},
      {"TIME '10:30:00'", Kind::time, "10:30:00", 0},
      {"TIMESTAMP  '2025-01-31 10:30'", Kind::timestamp, "2025-01-31 10:30", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.item);
    SqlLiteral literal;
    ASSERT_TRUE(read_sql_literal(c.item, literal));
    EXPECT_EQ(literal.kind, c.kind);
    EXPECT_EQ(literal.value, c.value);
    EXPECT_EQ(literal.scale, c.scale);
  }
}

TEST(SqlLiterals, AnythingElseIsNoLiteral) {
  for (const char* item : test::kNotLiterals) {
    SCOPED_TRACE(item);
    SqlLiteral literal;
    EXPECT_FALSE(read_sql_literal(item, literal));
  }
  for (const char* item : {"", "   ", "+", ".", "1.2.3", "1e", "1e1234", "DATE", "DATE 5", "NULLS"}) {
    SCOPED_TRACE(item);
    SqlLiteral literal;
    EXPECT_FALSE(read_sql_literal(item, literal));
  }
}

TEST(SqlLiterals, ListsAreCutOutsideQuotedTexts) {
  const struct {
    const char* list;
    const char* separators;
    std::vector<std::string> items;
  } kCases[] = {
      {"'A';'B'", ";", {"'A'", "'B'"}},
      {"'A;B';'C'", ";", {"'A;B'", "'C'"}},
      {"'D''AGUA;X';5", ";", {"'D''AGUA;X'", "5"}},
      {"'A,B', 'C'", ",", {"'A,B'", " 'C'"}},
      // Existe takes both separators; a number with a decimal comma is two values.
      {"'A,B';1,5", ";,", {"'A,B'", "1", "5"}},
      {"'x';", ";", {"'x'", ""}},
      {"", ";", {""}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.list);
    const std::vector<std::string_view> items = split_values(c.list, c.separators);
    EXPECT_EQ(std::vector<std::string>(items.begin(), items.end()), c.items);
  }
}

TEST(SqlLiterals, ARefusalNamesTheRoutineTheArgumentAndTheValue) {
  try {
    read_sql_literals("Existe", "Valores", "'A';'x' OR 1=1", ";", 2);
    FAIL() << "not refused";
  } catch (const EZpkError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("Existe"), std::string::npos) << message;
    EXPECT_NE(message.find("Valores"), std::string::npos) << message;
    EXPECT_NE(message.find("'x' OR 1=1"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
  EXPECT_THROW(read_sql_literals("Existe", "Valores", "'A'", ";", 2), EZpkError);
  EXPECT_EQ(read_sql_literals("Existe", "Valores", "'A';5", ";", 2).size(), 2u);
  // Values beyond those used are not used, but must be literals too (or blank).
  EXPECT_EQ(read_sql_literals("Existe", "Valores", "'A';'B'", ";", 1).size(), 1u);
  EXPECT_EQ(read_sql_literals("Existe", "Valores", "'A';", ";", 1).size(), 1u);
  EXPECT_THROW(read_sql_literals("Existe", "Valores", "'A'; DELETE FROM PEDIDO_001", ";", 1), EZpkError);
}

}  // namespace
}  // namespace zpk::detail
