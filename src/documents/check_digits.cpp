// Check digits work on the bytes of the UTF-8 text: every character they accept
// is ASCII, and any byte of a multi-byte character is a non-digit, so counting
// bytes up to the first rejected one gives the same answer as counting
// characters. The hot validators build no strings.
#include "documents/check_digits.hpp"

#include <array>
#include <cstdint>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

constexpr std::string_view kEmptyCnpjMask = "  .   .   /    -";

constexpr int kCnpjWeights1[12] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
constexpr int kCnpjWeights2[13] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The characters LimpaCpfCnpj keeps: the digits and the capitals of "ISENTO".
bool is_kept(char c) {
  switch (c) {
    case 'I':
    case 'S':
    case 'E':
    case 'N':
    case 'T':
    case 'O':
      return true;
    default:
      return is_digit(c);
  }
}

// What the cleaning of LimpaCpfCnpj does with a byte: drop it, keep a digit,
// or keep one of the capitals of "ISENTO", which then fails as a number.
enum CharClass : uint8_t { kDropped, kDigit, kIsentoLetter };
constexpr std::array<uint8_t, 256> kCharClass = [] {
  std::array<uint8_t, 256> table{};
  for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = kDigit;
  for (const char c : std::string_view("ISENTO")) table[static_cast<unsigned char>(c)] = kIsentoLetter;
  return table;
}();

// The usual modulo-11 rule of CPF and CNPJ: 11 - remainder, 0 for 10 and 11.
int mod11_digit(int sum) {
  const int d = 11 - sum % 11;
  return d >= 10 ? 0 : d;
}

// The whole character of `text` that contains the byte at `index`, for messages.
std::string char_at_byte(std::string_view text, size_t index) {
  size_t start = index;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  size_t end = start + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return std::string(text.substr(start, end - start));
}

[[noreturn]] void raise_not_digit(std::string_view text, size_t index) {
  throw EConvertError(fmt::format("'{}' is not a valid integer value", char_at_byte(text, index)));
}

int digit_at(std::string_view text, size_t index) {
  const char c = text[index];
  if (!is_digit(c)) raise_not_digit(text, index);
  return c - '0';
}

// CNPJ check over fourteen characters; each counts as its code minus 48, which
// is the digit for "0".."9" and 17..42 for the letters of the alphanumeric form.
bool cnpj_digits_match(const char* v) {
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (v[i] - '0') * kCnpjWeights1[i];
  const int d1 = mod11_digit(sum);
  if (v[12] - '0' != d1) return false;
  sum = 0;
  for (int i = 0; i < 12; ++i) sum += (v[i] - '0') * kCnpjWeights2[i];
  sum += d1 * kCnpjWeights2[12];
  return v[13] - '0' == mod11_digit(sum);
}

// The numeric CNPJ as it always was judged: the first fourteen characters kept
// by LimpaCpfCnpj, all of which must be digits.
bool numeric_cnpj_valid(std::string_view cnpj) {
  char v[14];
  int n = 0;
  for (const char c : cnpj) {
    if (!is_kept(c)) continue;
    if (!is_digit(c)) return false;  // a letter of ISENTO fails the conversion
    v[n++] = c;
    if (n == 14) break;
  }
  return n == 14 && cnpj_digits_match(v);
}

// The alphanumeric CNPJ: twelve characters from 0-9 and A-Z, then two digits,
// with the mask's points, slash, hyphen and blanks allowed around them. Small
// letters are refused: the Revenue issues capitals, and a CNPJ stored in small
// letters would not match the registry nor the NF-e schema later.
bool alphanumeric_cnpj_valid(std::string_view cnpj) {
  char v[14];
  int n = 0;
  for (const char c : cnpj) {
    if (c == '.' || c == '/' || c == '-' || c == ' ') continue;
    if (n == 14) return false;
    const bool allowed = n < 12 ? (is_digit(c) || (c >= 'A' && c <= 'Z')) : is_digit(c);
    if (!allowed) return false;
    v[n++] = c;
  }
  return n == 14 && cnpj_digits_match(v);
}

std::string_view trim_view(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string LimpaCpfCnpj(std::string_view text) {
  std::string result;
  result.reserve(text.size() < 18 ? text.size() : 18);
  for (const char c : text) {
    if (is_kept(c)) result.push_back(c);
  }
  return result;
}

bool VerCpf(std::string_view cpf) {
  // The empty text and the screens' empty mask "   .   .   -  " hold no digit
  // and fail in the walk below. Eleven zeros would pass the check digits: they
  // are refused as typed (the unchanged input), so a masked 000.000.000-00 is
  // judged by its digits like any other.
  if (cpf == "00000000000") return false;
  // One walk over the text, cleaning it as LimpaCpfCnpj does: the first eleven
  // kept characters count, a letter of ISENTO among them fails, the rest of
  // the text is not looked at. The weighted sums grow as the digits arrive:
  // with s the sum of the base digits so far and t the sum of those running
  // sums, t = sum of d[i] * (9 - i), so the first check digit's weights 10..2
  // give t + s and the second's 11..3 give t + 2s, plus 2 x the first digit.
  int n = 0;
  int s = 0;
  int t = 0;
  int first = 0;
  for (const char c : cpf) {
    const uint8_t kind = kCharClass[static_cast<unsigned char>(c)];
    if (kind == kDropped) continue;
    if (kind == kIsentoLetter) return false;
    const int d = c - '0';
    if (n < 9) {
      s += d;
      t += s;
    } else if (n == 9) {
      first = d;
    } else {
      const int d1 = mod11_digit(t + s);
      return first == d1 && d == mod11_digit(t + 2 * s + 2 * d1);
    }
    ++n;
  }
  return false;  // fewer than eleven digits
}

bool VerCgc(std::string_view cnpj) {
  if (cnpj.empty() || cnpj == kEmptyCnpjMask || cnpj == "00000000000000") return false;
  return numeric_cnpj_valid(cnpj) || alphanumeric_cnpj_valid(cnpj);
}

bool Digito(std::string_view number) {
  const int length = Length(number);
  const std::string body = Copy(number, 1, length - 1);
  int sum = 0;
  int weight = 2;
  for (size_t i = body.size(); i-- > 0;) {
    sum += digit_at(body, i) * weight;
    weight = weight == 7 ? 2 : weight + 1;
  }
  // A sum that is a multiple of 11 gives 11, which is no digit: such numbers
  // carry 0, the usual modulo-11 convention (like 10).
  int d = 11 - sum % 11;
  if (d >= 10) d = 0;
  const std::string_view last = std::string_view(number).substr(body.size());
  return last.size() == 1 && last[0] == static_cast<char>('0' + d);
}

std::string DigitoVerificadorModulo11(std::string_view number, int greatest_weight,
                                      std::string_view ten_substitute) {
  int64_t sum = 0;
  int64_t weight = 2;
  for (size_t i = number.size(); i-- > 0;) {
    sum += digit_at(number, i) * weight;
    weight = weight == greatest_weight ? 2 : weight + 1;
  }
  const int64_t r = 11 - sum % 11;
  if (r == 10) return ten_substitute.empty() ? "0" : std::string(ten_substitute);
  if (r == 11) return ten_substitute.empty() ? "1" : "0";
  return std::string(1, static_cast<char>('0' + r));
}

std::string DigitoEAN14(std::string_view code) {
  const std::string_view trimmed = trim_view(code);
  // Any byte of a multi-byte character is rejected below, so the first 13
  // bytes stand for the first 13 characters.
  const std::string_view body = trimmed.substr(0, 13);
  int sum = 0;
  int weight = 3;
  for (size_t i = body.size(); i-- > 0;) {
    sum += digit_at(body, i) * weight;
    weight = weight == 3 ? 1 : 3;
  }
  const int d = 10 - sum % 10;
  return std::string(1, static_cast<char>('0' + (d == 10 ? 0 : d)));
}

std::string Calcula_digito_EAN13(std::string_view code, std::string_view, std::string_view,
                                 std::string_view) {
  if (code.size() < 12) {
    throw EConvertError(fmt::format("'{}' is not a valid EAN-13 code: 12 digits expected", code));
  }
  int sum = 0;
  for (size_t i = 0; i < 12; ++i) sum += digit_at(code, i) * (i % 2 == 0 ? 1 : 3);
  std::string result;
  result.reserve(code.size() + 1);
  result.append(code);
  result.push_back(static_cast<char>('0' + (10 - sum % 10) % 10));
  return result;
}

std::string DVEan13(std::string_view code) {
  if (trim_view(code).empty()) return {};
  for (const char c : code) {
    if (!is_digit(c)) return {};
  }
  // A code of fewer than 12 digits has no EAN-13: empty, like any other code
  // that is not one, rather than the conversion error of Calcula_digito_EAN13.
  if (code.size() < 12) return {};
  return Calcula_digito_EAN13(code, "0", "0", "0");
}

}  // namespace zpk
