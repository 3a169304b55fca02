#include "arguments.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include <fmt/format.h>

#include "platform/rtl/currency.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/format_settings.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk::cli {

namespace {

[[noreturn]] void refuse(std::string_view name, const std::string& text, std::string_view what) {
  throw EConvertError(fmt::format("{}: '{}' is not {}", name, text, what));
}

}  // namespace

int read_int(std::string_view name, const std::string& text) {
  int value = 0;
  if (!TryStrToInt(text, value)) refuse(name, text, "an integer");
  return value;
}

int16_t read_int16(std::string_view name, const std::string& text) {
  const int value = read_int(name, text);
  // The variables are 16-bit: a number that does not fit is refused, not wrapped.
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) {
    refuse(name, text, "a 16-bit integer");
  }
  return static_cast<int16_t>(value);
}

double read_number(std::string_view name, const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
    refuse(name, text, "a number");
  return value;
}

namespace {

// A plain decimal ("-1234.5678", at most four decimals) read digit by digit,
// so that an amount keeps its last ten-thousandth however large it is; any
// other form (more decimals, an exponent) is left to the double reading.
std::optional<Currency> exact_amount(std::string_view text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
  int64_t whole = 0;
  int whole_digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++whole_digits) {
    if (whole > std::numeric_limits<int64_t>::max() / Currency::kScale / 10) return std::nullopt;
    whole = whole * 10 + (text[i] - '0');
  }
  int64_t fraction = 0;
  int decimals = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
      if (decimals == 4) return std::nullopt;
      fraction = fraction * 10 + (text[i] - '0');
    }
  }
  if (i != text.size() || whole_digits + decimals == 0) return std::nullopt;
  for (int d = decimals; d < 4; ++d) fraction *= 10;
  const int64_t raw = whole * Currency::kScale + fraction;
  return Currency::FromRaw(negative ? -raw : raw);
}

}  // namespace

Currency read_currency(std::string_view name, const std::string& text) {
  if (const auto exact = exact_amount(text)) return *exact;
  const double value = read_number(name, text);
  try {
    return Currency(value);
  } catch (const EZpkError&) {
    refuse(name, text, "an amount within the range of Currency");
  }
}

bool read_bool(std::string_view name, const std::string& text) {
  if (text == "True" || text == "true" || text == "1" || text == "S") return true;
  if (text == "False" || text == "false" || text == "0" || text == "N") return false;
  refuse(name, text, "True or False");
}

char32_t read_char(std::string_view name, const std::string& text) {
  if (Length(text) != 1) refuse(name, text, "one character");
  return CharAt(text, 1);
}

TDateTime read_date(std::string_view name, const std::string& text) {
  TDateTime value;
  try {
    value = StrToDateTime(text);
  } catch (const EConvertError&) {
    refuse(name, text, "a date (dd/mm/yyyy [hh:nn:ss])");
  }
  return value;
}

std::string amount_text(Currency value) {
  std::string text = CurrToStr(value);
  for (char& c : text) {
    if (c == FormatSettings.DecimalSeparator) c = '.';
  }
  return text;
}

std::string number_text(double value) {
  // 15 significant digits, the runtime's general float format, but with a
  // decimal point so scripts can read it.
  std::string text = FloatToStr(value);
  for (char& c : text) {
    if (c == FormatSettings.DecimalSeparator) c = '.';
  }
  return text;
}

std::string bool_text(bool value) {
  return value ? "True" : "False";
}

std::string date_text(TDateTime value) {
  return DateTimeToStr(value);
}

void print_bool(std::ostream& out, bool value) {
  out << bool_text(value) << '\n';
}

void print_integer(std::ostream& out, int64_t value) {
  out << value << '\n';
}

void print_number(std::ostream& out, double value) {
  out << number_text(value) << '\n';
}

void print_text(std::ostream& out, const std::string& value) {
  out << value << '\n';
}

void print_date(std::ostream& out, TDateTime value) {
  out << date_text(value) << '\n';
}

void print_var(std::ostream& out, const std::string& name, const std::string& value) {
  out << name << '=' << value << '\n';
}

void print_lines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) print_text(out, line);
}

void print_variant(std::ostream& out, const Variant& value) {
  if (value.IsArray()) {
    for (const Variant& item : value.Items()) print_variant(out, item);
  } else if (value.IsInteger()) {
    print_integer(out, value.AsInteger());
  } else if (value.IsFloat()) {
    print_number(out, value.AsFloat());
  } else {
    print_text(out, value.AsString());
  }
}

}  // namespace zpk::cli
