// Values that callers write as SQL literals ("'000123'", "12.5", "NULL",
// "DATE '2025-01-10'"), read strictly so that the routines taking them bind
// them as parameters: nothing else a caller writes ever reaches a statement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/query.hpp"

namespace zpk::detail {

// One literal as read.
struct SqlLiteral {
  enum class Kind : uint8_t { text, integer, decimal, floating, null, date, time, timestamp };
  Kind kind = Kind::null;
  // A text or date kind: the quoted text with its doubled quotes undone; a
  // number: its digits as written (sign, point and exponent included).
  std::string value;
  int scale = 0;             // a decimal: the digits after its point
  std::string_view written;  // the literal as the caller wrote it, without the blanks around it
};

// Reads `item` (blanks around it allowed) as exactly one literal: a quoted
// text with its inner quotes doubled, a number of up to 18 digits, NULL, or
// DATE/TIME/TIMESTAMP followed by a quoted text. False for anything else.
bool read_sql_literal(std::string_view item, SqlLiteral& literal);

// The items of `list`, cut at every character of `separators` that stands
// outside a quoted text ("'A;B';'C'" holds two items).
std::vector<std::string_view> split_values(std::string_view list, std::string_view separators);

// Raises EZpkError saying that `value`, given as `argument` of `routine`, is
// not an SQL literal (or that the list `value` holds `item`, which is not),
// and what is.
[[noreturn]] void refuse_value(std::string_view routine, std::string_view argument, std::string_view value,
                               std::string_view item = {});

// The first `count` items of the `separators`-list `list` read as literals
// (every item when count is npos); items after them must be literals or
// blank. Raises EZpkError naming the routine, the argument and the first
// item that is not a literal (refuse_value), or when fewer than `count` came.
std::vector<SqlLiteral> read_sql_literals(std::string_view routine, std::string_view argument,
                                          std::string_view list, std::string_view separators, size_t count);

// Appends `marker` ("?" or ":NAME") for `literal`, typed as the database
// types the literal itself: a text as a VARCHAR that holds it, an integer as
// BIGINT, a decimal as NUMERIC(18, its scale), an exponent form as DOUBLE
// PRECISION, a date kind as that type; NULL bare. Bound through it, a value
// compares, converts and truncates exactly as the literal written in would.
void append_marker(std::string& sql, const SqlLiteral& literal, std::string_view marker = "?");

// Sets the parameter of a marker from append_marker to the literal's value.
void bind_literal(TParam& param, const SqlLiteral& literal);

}  // namespace zpk::detail
