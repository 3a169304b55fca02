// Number formatting and reading with the ERP runtime's rules (stored
// amounts and printed texts follow them). Digits come
// from std::to_chars (exact, locale-free) at 18 significant digits; all
// rounding is done on those decimal digits, never with float arithmetic.
#include "platform/rtl/numbers.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/rtl/detail/decimal.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk {
namespace detail {
namespace {

// Reads "d.ddddde[+-]xx" as written by to_chars in scientific form.
Decimal parse_scientific(const char* b, const char* e, bool negative) {
  Decimal d;
  d.negative = negative;
  const char* p = b;
  int n = 0;
  while (p < e && *p != 'e') {
    if (*p != '.' && n < static_cast<int>(sizeof d.digits)) d.digits[n++] = *p;
    ++p;
  }
  int exp10 = 0;
  if (p < e) {
    ++p;
    bool neg_exp = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    while (p < e) exp10 = exp10 * 10 + (*p++ - '0');
    if (neg_exp) exp10 = -exp10;
  }
  while (n > 0 && d.digits[n - 1] == '0') --n;
  d.count = n;
  d.exp = n == 0 ? 0 : exp10 + 1;
  return d;
}

}  // namespace

Decimal to_decimal(double value) {
  if (value == 0) return {};
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
  return parse_scientific(buf, r.ptr, value < 0);
}

Decimal to_decimal(long double value) {
  if (value == 0) return {};
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
  return parse_scientific(buf, r.ptr, value < 0);
}

void round_digits(Decimal& d, int keep) {
  if (d.count == 0 || keep >= d.count) return;
  if (keep < 0) {
    d.count = 0;
    d.exp = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  int n = keep;
  if (up) {
    int i = n - 1;
    while (i >= 0 && d.digits[i] == '9') --i;
    if (i < 0) {
      // All nines (or nothing kept): the next power of ten.
      d.digits[0] = '1';
      n = 1;
      ++d.exp;
    } else {
      ++d.digits[i];
      n = i + 1;
    }
  }
  while (n > 0 && d.digits[n - 1] == '0') --n;
  d.count = n;
  if (n == 0) d.exp = 0;
}

bool decimal_to_int64(const Decimal& d, int64_t& out) {
  if (d.count == 0) {
    out = 0;
    return true;
  }
  if (d.exp > 19) return false;
  uint64_t v = 0;
  for (int i = 0; i < d.exp; ++i) {
    const int digit = i < d.count ? d.digits[i] - '0' : 0;
    if (v > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    v = v * 10 + digit;
  }
  const uint64_t limit = d.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (v > limit) return false;
  out = d.negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace detail

namespace {

using detail::Decimal;

// Fixed-capacity text being built; spills to the heap only for long results.
class OutText {
 public:
  void put(char c) {
    if (n_ < sizeof buf_) {
      buf_[n_++] = c;
    } else {
      spill();
      heap_.push_back(c);
    }
  }
  void put(std::string_view s) {
    for (char c : s) put(c);
  }
  std::string str() {
    if (!heap_.empty()) return heap_;
    return std::string(buf_, n_);
  }

 private:
  void spill() {
    if (heap_.empty()) heap_.assign(buf_, n_);
  }
  char buf_[96];
  size_t n_ = 0;
  std::string heap_;
};

// Digit i (0-based) of the decimal's digit string; zeros past its end.
char digit_at(const Decimal& d, int i) {
  return i >= 0 && i < d.count ? d.digits[i] : '0';
}

void put_exponent(OutText& out, int e, bool always_sign, int min_digits) {
  if (e < 0) {
    out.put('-');
    e = -e;
  } else if (always_sign) {
    out.put('+');
  }
  char buf[12];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + e % 10);
    e /= 10;
  } while (e > 0);
  for (int k = n; k < min_digits; ++k) out.put('0');
  while (n > 0) out.put(buf[--n]);
}

// The general format: `precision` significant digits, trailing zeros removed,
// scientific when the value needs more than `precision` integer digits or is
// below 0.00001; `exp_digits` is the exponent's minimum width.
std::string general_text(double value, int precision, int exp_digits, const TFormatSettings& fs) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  precision = std::clamp(precision, 1, 18);
  Decimal d = detail::to_decimal(value);
  detail::round_digits(d, precision);
  if (d.count == 0) return "0";
  OutText out;
  if (d.negative) out.put('-');
  if (d.exp > precision || d.exp < -4) {
    out.put(d.digits[0]);
    if (d.count > 1) {
      out.put(fs.DecimalSeparator);
      for (int i = 1; i < d.count; ++i) out.put(d.digits[i]);
    }
    out.put('E');
    put_exponent(out, d.exp - 1, false, exp_digits);
  } else if (d.exp <= 0) {
    out.put('0');
    out.put(fs.DecimalSeparator);
    for (int i = d.exp; i < 0; ++i) out.put('0');
    for (int i = 0; i < d.count; ++i) out.put(d.digits[i]);
  } else {
    for (int i = 0; i < d.exp; ++i) out.put(digit_at(d, i));
    if (d.count > d.exp) {
      out.put(fs.DecimalSeparator);
      for (int i = d.exp; i < d.count; ++i) out.put(d.digits[i]);
    }
  }
  return out.str();
}

// Integer digits of a rounded decimal with optional thousands separators
// ("0" when the value is below one).
void put_integer_part(OutText& out, const Decimal& d, char thousands) {
  if (d.exp <= 0) {
    out.put('0');
    return;
  }
  for (int i = 0; i < d.exp; ++i) {
    out.put(digit_at(d, i));
    const int left = d.exp - 1 - i;
    if (thousands && left > 0 && left % 3 == 0) out.put(thousands);
  }
}

// One ";"-separated section of a FormatFloat pattern, as scanned.
struct Section {
  std::string_view text;
  int int_ph = 0;           // digit placeholders before the decimal point
  int frac_ph = 0;          // after it
  int first_zero_int = -1;  // index of the first "0" among the integer ones
  int last_zero_frac = 0;   // 1-based index of the last "0" among the fraction ones
  bool thousands = false;
  bool point = false;
  bool scientific = false;
};

// Length of a quoted literal starting at s[i] (quote included), or 0.
size_t quoted_len(std::string_view s, size_t i) {
  const char q = s[i];
  if (q != '\'' && q != '"') return 0;
  size_t j = i + 1;
  while (j < s.size() && s[j] != q) ++j;
  return j < s.size() ? j - i + 1 : s.size() - i;
}

// "E+00" / "e-0": scientific marker at s[i]; returns the count of "0" after the sign.
int exponent_marker(std::string_view s, size_t i) {
  if ((s[i] != 'E' && s[i] != 'e') || i + 1 >= s.size() || (s[i + 1] != '+' && s[i + 1] != '-')) return 0;
  int zeros = 0;
  for (size_t j = i + 2; j < s.size() && s[j] == '0'; ++j) ++zeros;
  return zeros;
}

Section scan_section(std::string_view text) {
  Section s;
  s.text = text;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (const size_t q = quoted_len(text, i)) {
      i += q - 1;
    } else if (c == '0' || c == '#') {
      if (s.point) {
        ++s.frac_ph;
        if (c == '0') s.last_zero_frac = s.frac_ph;
      } else {
        if (c == '0' && s.first_zero_int < 0) s.first_zero_int = s.int_ph;
        ++s.int_ph;
      }
    } else if (c == '.') {
      s.point = true;
    } else if (c == ',') {
      s.thousands = true;
    } else if (const int zeros = exponent_marker(text, i); zeros > 0 && !s.scientific) {
      s.scientific = true;
      i += 1 + zeros;
    }
  }
  if (s.first_zero_int < 0) s.first_zero_int = s.int_ph;
  return s;
}

// Splits the pattern on ";" outside quotes into at most three sections.
int split_sections(std::string_view pattern, std::string_view out[3]) {
  int n = 0;
  size_t start = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (const size_t q = quoted_len(pattern, i)) {
      i += q - 1;
    } else if (pattern[i] == ';') {
      out[n++] = pattern.substr(start, i - start);
      start = i + 1;
      if (n == 2) break;
    }
  }
  out[n++] = pattern.substr(start);
  if (n == 3) {
    // Anything after a third ";" is not part of the zero section.
    const std::string_view z = out[2];
    for (size_t i = 0; i < z.size(); ++i) {
      if (const size_t q = quoted_len(z, i)) {
        i += q - 1;
      } else if (z[i] == ';') {
        out[2] = z.substr(0, i);
        break;
      }
    }
  }
  return n;
}

// Writes a value (already rounded for the section, sign handled by the caller)
// through the section's placeholders and literals.
void render_fixed(OutText& out, const Section& s, const Decimal& d, const TFormatSettings& fs) {
  // Integer digits: all of them, at least as many as the forced placeholders.
  const int have = d.exp > 0 ? d.exp : 0;
  const int forced = s.int_ph - s.first_zero_int;
  const int total = have > forced ? have : forced;
  const int lead_zeros = total - have;  // forced zeros written before the digits
  auto int_digit = [&](int j) { return j < lead_zeros ? '0' : digit_at(d, j - lead_zeros); };
  auto put_int = [&](int j) {
    out.put(int_digit(j));
    const int left = total - 1 - j;
    if (s.thousands && left > 0 && left % 3 == 0) out.put(fs.ThousandSeparator);
  };
  // Fraction digits shown: the forced ones, and the significant ones up to the
  // placeholders available.
  int significant = d.count - d.exp;
  if (significant < 0) significant = 0;
  if (significant > s.frac_ph) significant = s.frac_ph;
  const int frac_shown = s.last_zero_frac > significant ? s.last_zero_frac : significant;
  auto frac_digit = [&](int m) { return digit_at(d, d.exp + m - 1); };  // m is 1-based

  int k = 0;  // integer placeholders met
  int m = 0;  // fraction placeholders met
  bool in_frac = false;
  bool int_done = s.int_ph > 0;  // without integer placeholders the digits go before the point
  const std::string_view t = s.text;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (const size_t q = quoted_len(t, i)) {
      const size_t end = t[i + q - 1] == t[i] && q >= 2 ? i + q - 1 : i + q;
      out.put(t.substr(i + 1, end - i - 1));
      i += q - 1;
    } else if (c == '0' || c == '#') {
      if (!in_frac) {
        // Placeholder k takes digit j = total - int_ph + k; the first one also
        // takes every digit that has no placeholder of its own.
        const int j = total - s.int_ph + k;
        if (k == 0) {
          for (int x = 0; x <= j; ++x) put_int(x);
        } else if (j >= 0) {
          put_int(j);
        }
        ++k;
      } else {
        ++m;
        if (m <= frac_shown) out.put(frac_digit(m));
      }
    } else if (c == '.') {
      if (!in_frac) {
        in_frac = true;
        if (!int_done) {
          for (int x = 0; x < total; ++x) put_int(x);
          int_done = true;
        }
        if (frac_shown > 0) out.put(fs.DecimalSeparator);
      }
    } else if (c == ',') {
      // Only switches grouping on.
    } else {
      out.put(c);
    }
  }
}

void render_scientific(OutText& out, const Section& s, double abs_value, const TFormatSettings& fs) {
  const int int_digits = s.int_ph > 0 ? s.int_ph : 1;
  Decimal d = detail::to_decimal(abs_value);
  detail::round_digits(d, int_digits + s.frac_ph);
  const int e = d.count == 0 ? 0 : d.exp - int_digits;
  int significant = d.count - int_digits;
  if (significant < 0) significant = 0;
  const int frac_shown = s.last_zero_frac > significant ? s.last_zero_frac : significant;
  int k = 0, m = 0;
  bool in_frac = false, exp_done = false;
  const std::string_view t = s.text;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (const size_t q = quoted_len(t, i)) {
      const size_t end = t[i + q - 1] == t[i] && q >= 2 ? i + q - 1 : i + q;
      out.put(t.substr(i + 1, end - i - 1));
      i += q - 1;
    } else if (c == '0' || c == '#') {
      if (!in_frac) {
        if (s.int_ph == 0) continue;
        out.put(digit_at(d, k++));
      } else {
        ++m;
        if (m <= frac_shown) out.put(digit_at(d, int_digits + m - 1));
      }
    } else if (c == '.') {
      if (!in_frac) {
        in_frac = true;
        if (s.int_ph == 0) out.put(digit_at(d, 0));
        if (frac_shown > 0) out.put(fs.DecimalSeparator);
      }
    } else if (c == ',') {
      // No grouping in scientific form.
    } else if (const int zeros = exponent_marker(t, i); zeros > 0 && !exp_done) {
      exp_done = true;
      out.put(c);
      put_exponent(out, e, t[i + 1] == '+', zeros);
      i += 1 + zeros;
    } else {
      out.put(c);
    }
  }
}

bool is_blank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view strip_blanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && is_blank(s[b])) ++b;
  while (e > b && is_blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

[[noreturn]] void raise_not_float(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

[[noreturn]] void raise_not_integer(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

// Reads an integer as the runtime's Val does: leading blanks, optional sign, then
// decimal digits or "$"/"0x" hexadecimal (hexadecimal wraps to the width asked for:
// "$FFFFFFFF" is -1 as a 32-bit value). No trailing characters allowed.
bool parse_integer(std::string_view text, int bits, int64_t& out) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  }
  if (i >= text.size()) return false;
  uint64_t v = 0;
  if (hex) {
    int nd = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      int dv;
      if (c >= '0' && c <= '9')
        dv = c - '0';
      else if (c >= 'a' && c <= 'f')
        dv = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        dv = c - 'A' + 10;
      else
        return false;
      if (v == 0 && dv == 0) continue;  // leading zeros
      if (++nd > bits / 4) return false;
      v = (v << 4) | static_cast<uint64_t>(dv);
    }
    int64_t r = bits == 32 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v)))
                           : static_cast<int64_t>(v);
    out = neg ? static_cast<int64_t>(0 - static_cast<uint64_t>(r)) : r;
    if (bits == 32) out = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(out)));
    return true;
  }
  const uint64_t limit = bits == 32 ? (neg ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1)
                                    : (neg ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1);
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > limit) return false;
  }
  out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& fs) {
  if (pattern.empty() || std::isnan(value) || std::isinf(value) || std::fabs(value) >= 1e18) {
    return general_text(value, 15, 0, fs);
  }
  std::string_view texts[3];
  const int n = split_sections(pattern, texts);
  // Section by sign: negative values use the second section when there is a
  // non-empty one (then without "-"), zero uses the third.
  int which = 0;
  if (value < 0 && n >= 2 && !texts[1].empty()) which = 1;
  if (value == 0 && n >= 3 && !texts[2].empty()) which = 2;
  Section s = scan_section(texts[which]);
  OutText out;
  if (s.scientific) {
    if (value < 0 && which == 0) out.put('-');
    render_scientific(out, s, std::fabs(value), fs);
    return out.str();
  }
  Decimal d = detail::to_decimal(value);
  detail::round_decimals(d, s.point ? s.frac_ph : 0);
  if (d.count == 0 && value != 0) {
    // Rounded to zero: it prints as zero does, without a sign.
    const int zero = n >= 3 && !texts[2].empty() ? 2 : 0;
    if (zero != which) {
      which = zero;
      s = scan_section(texts[which]);
    }
  } else if (d.negative && which == 0) {
    out.put('-');
  }
  render_fixed(out, s, d, fs);
  return out.str();
}

std::string FloatToStr(double value, const TFormatSettings& fs) {
  return general_text(value, 15, 0, fs);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  if (std::isnan(value) || std::isinf(value)) return general_text(value, 15, 0, fs);
  precision = std::clamp(precision, 1, 18);
  switch (format) {
    case TFloatFormat::ffGeneral:
      return general_text(value, precision, std::clamp(digits, 0, 4), fs);
    case TFloatFormat::ffExponent: {
      Decimal d = detail::to_decimal(value);
      detail::round_digits(d, precision);
      OutText out;
      if (d.negative && d.count > 0) out.put('-');
      out.put(digit_at(d, 0));
      if (precision > 1) out.put(fs.DecimalSeparator);
      for (int i = 1; i < precision; ++i) out.put(digit_at(d, i));
      out.put('E');
      put_exponent(out, d.count == 0 ? 0 : d.exp - 1, true, std::clamp(digits, 0, 4));
      return out.str();
    }
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      Decimal d = detail::to_decimal(value);
      // At most `precision` significant digits and `digits` decimals.
      detail::round_digits(d, std::min(precision, d.exp + digits));
      if (d.exp > precision) return general_text(value, precision, 0, fs);
      OutText out;
      if (d.negative && d.count > 0) out.put('-');
      if (format == TFloatFormat::ffCurrency) {
        out.put(fs.CurrencyString);
        out.put(' ');
      }
      put_integer_part(out, d, format == TFloatFormat::ffFixed ? '\0' : fs.ThousandSeparator);
      if (digits > 0) {
        out.put(fs.DecimalSeparator);
        for (int i = 0; i < digits; ++i) out.put(digit_at(d, d.exp + i));
      }
      return out.str();
    }
  }
  return general_text(value, precision, 0, fs);
}

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& fs) {
  const std::string_view s = strip_blanks(text);
  // Rewritten into the C form ("-123.45e-6") for from_chars.
  std::string c_form;
  c_form.reserve(s.size());
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') c_form.push_back('-');
    ++i;
  }
  int mantissa_digits = 0, int_digits = 0;
  bool leading = true;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    c_form.push_back(s[i]);
    ++mantissa_digits;
    if (leading && s[i] == '0') continue;
    leading = false;
    ++int_digits;
  }
  if (i < s.size() && s[i] == fs.DecimalSeparator) {
    c_form.push_back('.');
    ++i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      c_form.push_back(s[i]);
      ++mantissa_digits;
    }
  }
  if (mantissa_digits == 0) return false;
  long exp10 = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    c_form.push_back('e');
    ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      neg = s[i] == '-';
      c_form.push_back(s[i]);
      ++i;
    }
    int exp_digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++exp_digits) {
      c_form.push_back(s[i]);
      if (exp10 < 100000) exp10 = exp10 * 10 + (s[i] - '0');
    }
    if (exp_digits == 0) return false;
    if (neg) exp10 = -exp10;
  }
  if (i != s.size()) return false;
  double v = 0;
  const auto r = std::from_chars(c_form.data(), c_form.data() + c_form.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large is an error; too small is zero.
    if (int_digits + exp10 > 0) return false;
    v = c_form[0] == '-' ? -0.0 : 0.0;
  } else if (r.ec != std::errc() || r.ptr != c_form.data() + c_form.size()) {
    return false;
  }
  value = v;
  return true;
}

double StrToFloat(std::string_view text, const TFormatSettings& fs) {
  double v;
  if (!TryStrToFloat(text, v, fs)) raise_not_float(text);
  return v;
}

double StrToFloatDef(std::string_view text, double def, const TFormatSettings& fs) {
  double v;
  return TryStrToFloat(text, v, fs) ? v : def;
}

bool TryStrToInt(std::string_view text, int& value) {
  int64_t v;
  if (!parse_integer(text, 32, v)) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(std::string_view text) {
  int v;
  if (!TryStrToInt(text, v)) raise_not_integer(text);
  return v;
}

int StrToIntDef(std::string_view text, int def) {
  int v;
  return TryStrToInt(text, v) ? v : def;
}

int64_t StrToInt64(std::string_view text) {
  int64_t v;
  if (!parse_integer(text, 64, v)) raise_not_integer(text);
  return v;
}

int64_t StrToInt64Def(std::string_view text, int64_t def) {
  int64_t v;
  return parse_integer(text, 64, v) ? v : def;
}

bool TryStrToInt64(std::string_view text, int64_t& value) {
  return parse_integer(text, 64, value);
}

std::string IntToStr(int64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

double RoundTo(double value, int decimals) {
  if (std::isnan(value) || std::isinf(value) || value == 0) return value;
  Decimal d = detail::to_decimal(value);
  detail::round_decimals(d, decimals);
  if (d.count == 0) return 0.0;
  // Back to binary through the decimal text: the nearest double to the result.
  char buf[48];
  int n = 0;
  if (d.negative) buf[n++] = '-';
  buf[n++] = '0';
  buf[n++] = '.';
  for (int i = 0; i < d.count; ++i) buf[n++] = d.digits[i];
  buf[n++] = 'e';
  const auto r = std::to_chars(buf + n, buf + sizeof buf, d.exp);
  double out = 0;
  std::from_chars(buf, r.ptr, out);
  return out;
}

namespace {

[[noreturn]] void raise_invalid_op() {
  throw EZpkError("Invalid floating point operation");
}

bool fits_int64(double v) {
  return v >= -9223372036854775808.0 && v < 9223372036854775808.0;
}

}  // namespace

int64_t Trunc(double value) {
  const double t = std::trunc(value);
  if (!fits_int64(t)) raise_invalid_op();
  return static_cast<int64_t>(t);
}

int64_t Round(double value) {
  // nearbyint rounds half to even under the default rounding mode.
  const double r = std::nearbyint(value);
  if (!fits_int64(r)) raise_invalid_op();
  return static_cast<int64_t>(r);
}

double Frac(double value) {
  return value - std::trunc(value);
}

double Int(double value) {
  return std::trunc(value);
}

}  // namespace zpk
