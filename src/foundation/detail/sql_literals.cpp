#include "foundation/detail/sql_literals.hpp"

#include <charconv>
#include <string>

#include "platform/rtl/errors.hpp"

namespace zpk::detail {

namespace {

// Blanks that may stand around a literal, as in "'A'; 'B'" or " 0001 , 0002".
bool blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool digit(char c) {
  return c >= '0' && c <= '9';
}

bool letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool same_word(std::string_view a, std::string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char c = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
    if (c != upper[i]) return false;
  }
  return true;
}

// Reads a quoted text that makes up the whole of `s`: a quote, then anything
// with each quote inside doubled, then the closing quote and nothing after it.
bool read_quoted(std::string_view s, std::string& value) {
  if (s.size() < 2 || s.front() != '\'') return false;
  value.clear();
  size_t i = 1;
  for (;;) {
    const size_t quote = s.find('\'', i);
    if (quote == std::string_view::npos) return false;  // never closed
    value.append(s.substr(i, quote - i));
    if (quote + 1 == s.size()) return true;
    if (s[quote + 1] != '\'') return false;  // closed before the end: more SQL follows
    value.push_back('\'');
    i = quote + 2;
  }
}

// Reads a number that makes up the whole of `s`: an optional sign, digits
// with an optional point, an optional exponent. Up to 18 significant digits,
// the most a BIGINT or NUMERIC(18) holds; the engine refuses longer literals.
bool read_number(std::string_view s, SqlLiteral& literal) {
  size_t i = 0;
  std::string value;
  if (s[i] == '+' || s[i] == '-') {
    if (s[i] == '-') value.push_back('-');
    ++i;
  }
  int significant = 0;
  int whole_digits = 0;
  int fraction_digits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (digit(c)) {
      if (c != '0' || significant > 0 || point) ++significant;
      (point ? fraction_digits : whole_digits)++;
      if (significant > 0 || point || c != '0') value.push_back(c);
    } else if (c == '.' && !point) {
      point = true;
      if (significant == 0) value.push_back('0');
      value.push_back('.');
    } else {
      break;
    }
  }
  if (whole_digits + fraction_digits == 0 || significant > 18) return false;
  if (value.empty() || value == "-") value.push_back('0');  // "000" reads as 0
  if (i < s.size()) {
    // An exponent makes the literal a DOUBLE PRECISION.
    if (s[i] != 'e' && s[i] != 'E') return false;
    value.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) value.push_back(s[i++]);
    const size_t exponent = i;
    while (i < s.size() && digit(s[i])) value.push_back(s[i++]);
    if (i == exponent || i - exponent > 3 || i != s.size()) return false;
    literal.kind = SqlLiteral::Kind::floating;
  } else if (point) {
    if (value.back() == '.') value.pop_back();  // "5." is 5 with no decimals
    literal.kind = SqlLiteral::Kind::decimal;
    literal.scale = fraction_digits;
  } else {
    literal.kind = SqlLiteral::Kind::integer;
  }
  literal.value = std::move(value);
  return true;
}

// The number of characters (not bytes) of a UTF-8 text.
size_t characters(std::string_view s) {
  size_t n = 0;
  for (const char c : s) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

bool read_sql_literal(std::string_view item, SqlLiteral& literal) {
  const std::string_view s = trim_blanks(item);
  literal = SqlLiteral{};
  literal.written = s;
  if (s.empty()) return false;
  const char first = s.front();
  if (first == '\'') {
    literal.kind = SqlLiteral::Kind::text;
    return read_quoted(s, literal.value);
  }
  if (digit(first) || first == '.' || first == '+' || first == '-') return read_number(s, literal);
  if (!letter(first)) return false;
  size_t end = 0;
  while (end < s.size() && letter(s[end])) ++end;
  const std::string_view word = s.substr(0, end);
  if (end == s.size()) {
    literal.kind = SqlLiteral::Kind::null;
    return same_word(word, "NULL");
  }
  if (same_word(word, "DATE")) {
    literal.kind = SqlLiteral::Kind::date;
  } else if (same_word(word, "TIME")) {
    literal.kind = SqlLiteral::Kind::time;
  } else if (same_word(word, "TIMESTAMP")) {
    literal.kind = SqlLiteral::Kind::timestamp;
  } else {
    return false;
  }
  return read_quoted(trim_blanks(s.substr(end)), literal.value);
}

std::vector<std::string_view> split_values(std::string_view list, std::string_view separators) {
  std::vector<std::string_view> items;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < list.size(); ++i) {
    const char c = list[i];
    if (c == '\'') {
      quoted = !quoted;  // a doubled quote closes and reopens: still inside
    } else if (!quoted && separators.find(c) != std::string_view::npos) {
      items.push_back(list.substr(start, i - start));
      start = i + 1;
    }
  }
  items.push_back(list.substr(start));
  return items;
}

void refuse_value(std::string_view routine, std::string_view argument, std::string_view value,
                  std::string_view item) {
  std::string message =
      std::string(routine) + ": " + std::string(argument) + " \"" + std::string(value) + "\"";
  if (!item.empty() && item != trim_blanks(value)) message += " holds \"" + std::string(item) + "\", which";
  message +=
      " is not an SQL literal; write a quoted text with its quotes doubled ('D''AGUA'), a number, NULL or a "
      "date literal (DATE '2025-01-31')";
  throw EZpkError(message);
}

std::vector<SqlLiteral> read_sql_literals(std::string_view routine, std::string_view argument,
                                          std::string_view list, std::string_view separators, size_t count) {
  std::vector<SqlLiteral> literals;
  literals.reserve(count == std::string_view::npos ? 4 : count);
  SqlLiteral extra;
  size_t read = 0;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size()) {
      const char c = list[i];
      if (c == '\'') quoted = !quoted;  // a doubled quote closes and reopens: still inside
      if (quoted || separators.find(c) == std::string_view::npos) continue;
    }
    const std::string_view item = list.substr(start, i - start);
    start = i + 1;
    if (read < count) {
      if (!read_sql_literal(item, literals.emplace_back()))
        refuse_value(routine, argument, list, trim_blanks(item));
    } else if (!trim_blanks(item).empty() && !read_sql_literal(item, extra)) {
      // Items beyond those used reach no statement, but they too are literals
      // or blank (a list written with a ";" at its end).
      refuse_value(routine, argument, list, trim_blanks(item));
    }
    ++read;
  }
  if (count != std::string_view::npos && read < count) {
    throw EZpkError(std::string(routine) + ": " + std::string(argument) + " \"" + std::string(list) +
                    "\" gives " + std::to_string(read) + " of the " + std::to_string(count) +
                    " values its fields need");
  }
  return literals;
}

void append_marker(std::string& sql, const SqlLiteral& literal, std::string_view marker) {
  using Kind = SqlLiteral::Kind;
  if (literal.kind == Kind::null) {
    sql += marker;
    return;
  }
  sql += "CAST(";
  sql += marker;
  switch (literal.kind) {
    case Kind::text: {
      // A quoted text is a CHAR of its own length: a VARCHAR that holds it
      // compares alike (blanks at the end do not count in either), and a few
      // lengths keep the number of prepared statements small.
      const size_t length = characters(literal.value);
      size_t holds = 16;
      while (holds < length && holds < 8191) holds = holds * 2 > 8191 ? 8191 : holds * 2;
      sql += " AS VARCHAR(";
      sql += std::to_string(holds);
      sql += ") CHARACTER SET UTF8)";
      return;
    }
    case Kind::integer:
      sql += " AS BIGINT)";
      return;
    case Kind::decimal:
      sql += " AS NUMERIC(18,";
      sql += std::to_string(literal.scale);
      sql += "))";
      return;
    case Kind::floating:
      sql += " AS DOUBLE PRECISION)";
      return;
    case Kind::date:
      sql += " AS DATE)";
      return;
    case Kind::time:
      sql += " AS TIME)";
      return;
    case Kind::timestamp:
      sql += " AS TIMESTAMP)";
      return;
    case Kind::null:
      break;
  }
}

void bind_literal(TParam& param, const SqlLiteral& literal) {
  using Kind = SqlLiteral::Kind;
  switch (literal.kind) {
    case Kind::null:
      param.Clear();
      return;
    case Kind::integer: {
      int64_t v = 0;
      std::from_chars(literal.value.data(), literal.value.data() + literal.value.size(), v);
      param.AsLargeInt = v;
      return;
    }
    case Kind::floating: {
      double v = 0;
      std::from_chars(literal.value.data(), literal.value.data() + literal.value.size(), v);
      param.AsFloat = v;
      return;
    }
    default:
      // Texts, decimals (the engine reads "12.50" exactly) and date texts.
      param.AsString = literal.value;
      return;
  }
}

}  // namespace zpk::detail
