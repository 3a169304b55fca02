// Text helpers count characters through the rtl's code-point routines where a
// length or position matters; removals of ASCII punctuation work on bytes, which
// is the same thing in UTF-8 (no byte of a multi-byte character is ASCII).
#include "documents/text_helpers.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/format_settings.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {
namespace {

template <typename Drop>
std::string remove_if(std::string_view text, Drop drop) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (!drop(c)) result.push_back(c);
  }
  return result;
}

bool all_digits(std::string_view s) {
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Fourteen characters of a CNPJ: twelve from 0-9 and A-Z (the alphanumeric form
// the Revenue issues) followed by two digits.
bool is_cnpj_text(std::string_view s) {
  if (s.size() != 14) return false;
  for (size_t i = 0; i < 12; ++i) {
    const char c = s[i];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
  }
  return all_digits(s.substr(12));
}

// "yyyy-mm-dd" at the start of the text (an NF-e date-time carries more after it).
bool starts_with_iso_date(std::string_view s) {
  if (s.size() < 10 || s[4] != '-' || s[7] != '-') return false;
  return all_digits(s.substr(0, 4)) && all_digits(s.substr(5, 2)) && all_digits(s.substr(8, 2));
}

std::string pad(std::string_view text, char32_t fill, int length, bool before) {
  const int missing = length - Length(text);
  if (missing <= 0) return std::string(text);
  const std::string filler = StringOfChar(fill, missing);
  return before ? filler + std::string(text) : std::string(text) + filler;
}

}  // namespace

std::string PermanecePonto(double value) {
  std::string text = FloatToStr(value);
  const size_t comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  return text;
}

std::string TiraPontos(std::string_view text) {
  return remove_if(text, [](char c) { return c == '.' || c == '-' || c == '/' || c == ','; });
}

std::string TiraVirgulas(std::string_view text) {
  return remove_if(text, [](char c) { return c == ','; });
}

std::string SomenteNumeros(std::string_view text) {
  return remove_if(text, [](char c) { return c < '0' || c > '9'; });
}

std::string DeletaPonto(std::string_view text) {
  const char thousands = FormatSettings.ThousandSeparator;
  std::string result = remove_if(text, [thousands](char c) { return c == thousands; });
  const size_t decimal = result.find(FormatSettings.DecimalSeparator);
  if (decimal != std::string::npos) result.erase(decimal);
  return result;
}

std::string RemoveAcento(std::string_view text) {
  static constexpr std::u32string_view kAccented = U"àâãáçêéíôõóûúüÀÂÃÁÇÊÉÍÔÕÓÛÚÜ";
  static constexpr std::u32string_view kPlain = U"aaaaceeiooouuuAAAACEEIOOOUUU";
  static_assert(kAccented.size() == kPlain.size());
  std::u32string chars = ToCodePoints(text);
  for (char32_t& c : chars) {
    const size_t at = kAccented.find(c);
    if (at != std::u32string_view::npos) c = kPlain[at];
  }
  return FromCodePoints(chars);
}

std::string ReplaceHTML(std::string_view text) {
  // The order matters: "&Amp;" comes late, so "&Amp;aacute;" yields "&aacute;".
  static constexpr std::pair<std::string_view, std::string_view> kEntities[] = {
      {"&Aacute;", "Á"}, {"&Eacute;", "É"}, {"&Iacute;", "Í"}, {"&Oacute;", "Ó"}, {"&Uacute;", "Ú"},
      {"&aacute;", "á"}, {"&eacute;", "é"}, {"&iacute;", "í"}, {"&oacute;", "ó"}, {"&uacute;", "ú"},
      {"&Acirc;", "Â"},  {"&Ecirc;", "Ê"},  {"&Ocirc;", "Ô"},  {"&acirc;", "â"},  {"&ecirc;", "ê"},
      {"&ocirc;", "ô"},  {"&Agrave;", "À"}, {"&agrave;", "à"}, {"&Uuml;", "Ü"},   {"&uuml;", "ü"},
      {"&Ccedil;", "Ç"}, {"&ccedil;", "ç"}, {"&Atilde;", "Ã"}, {"&Otilde;", "Õ"}, {"&atilde;", "ã"},
      {"&otilde;", "õ"}, {"&Ntilde;", "Ñ"}, {"&ntilde;", "ñ"}, {"&Amp;", "&"},    {"&quot;", "\""},
      {"&#039;", "'"},   {"&lt;", "<"},     {"&gt;", ">"},
  };
  std::string result(text);
  if (result.find('&') == std::string::npos) return result;
  for (const auto& [entity, character] : kEntities) {
    if (result.find(entity) != std::string::npos) {
      result = StringReplace(result, entity, character, rfReplaceAll);
    }
  }
  return result;
}

std::string LeftPad(std::string_view text, char32_t fill, int length) {
  return pad(text, fill, length, true);
}

std::string RightPad(std::string_view text, char32_t fill, int length) {
  return pad(text, fill, length, false);
}

std::string ZeroE(std::string_view text, std::string_view length) {
  return LeftPad(text, U'0', StrToInt(length));
}

std::vector<std::string> Explode(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) {
    if (!text.empty()) pieces.emplace_back(text);
    return pieces;
  }
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(separator, from);
    if (at == std::string_view::npos) break;
    pieces.emplace_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  if (from < text.size()) pieces.emplace_back(text.substr(from));
  return pieces;
}

std::string AcertaCase(std::string_view, std::string_view text) {
  std::u32string chars = ToCodePoints(LowerCase(text));
  for (size_t i = 0; i < chars.size(); ++i) {
    if (i == 0 || chars[i - 1] == U' ') chars[i] = UpCase(chars[i]);
  }
  return FromCodePoints(chars);
}

std::string SlashSep(std::string_view path, std::string_view name) {
  std::string result(path);
  if (result.empty() || result.back() != '\\') result.push_back('\\');
  result.append(name);
  return result;
}

bool TemTexto(std::string_view text) {
  for (const char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

int BoolToInt(bool value) {
  return value ? 1 : 0;
}

double DescontoUnificado(std::string_view text) {
  // A discount field left blank means no discount; a blank piece between "+"
  // is a typing error and raises like any other piece that is not a number.
  if (Trim(text).empty()) return 0.0;
  double base = 100.0;
  size_t from = 0;
  for (;;) {
    const size_t plus = text.find('+', from);
    const std::string_view piece = text.substr(from, plus == std::string_view::npos ? plus : plus - from);
    const double percent = StrToFloat(piece);
    base = base - base / 100.0 * percent;
    if (plus == std::string_view::npos) break;
    from = plus + 1;
  }
  return RoundTo(100.0 - base, 2);
}

double Arredondar(double value, int step) {
  if (step < 0) return value;
  const double whole = Int(value);
  if (step == 0) return whole;
  // The candidates are whole numbers read by their decimal digits. A Double
  // holds every whole number up to 2^53 (far beyond the 14 whole digits of
  // the amounts the ERP stores) and only some beyond it, so the candidates
  // are counted and written as 64-bit integers and anything they cannot all
  // reach exactly is refused: a price is never rounded by its float text.
  constexpr double kExact = 9007199254740992.0;  // 2^53
  if (!(std::fabs(whole) + step <= kExact)) {
    throw EConvertError("Arredondar: " + FloatToStr(value) +
                        " is beyond the whole numbers it rounds exactly");
  }
  const auto base = static_cast<int64_t>(whole);
  const std::string tens_ending = IntToStr(step / 10) + "0";
  auto qualifies = [&tens_ending](int64_t candidate) {
    const std::string digits = IntToStr(candidate);
    return digits.ends_with(tens_ending) || digits.ends_with("00");
  };
  for (int64_t k = 0; k <= step; ++k) {
    if (qualifies(base + k)) return static_cast<double>(base + k);
    if (qualifies(base - k)) return static_cast<double>(base - k);
  }
  return 0.0;
}

std::string CampoDesconto(double value1, double value2, double value3, double value4) {
  std::string field;
  for (const double value : {value1, value2, value3, value4}) {
    field += Copy(FormatFloat("#0.00", value) + "     ", 1, 5);
  }
  return field;
}

double TiraPonto(double value) {
  std::string text = FloatToStrF(value, TFloatFormat::ffNumber, 7, 2);
  text = StringReplace(text, std::string(1, FormatSettings.ThousandSeparator), "", rfReplaceAll);
  text = StringReplace(text, FormatSettings.CurrencyString, "", rfReplaceAll);
  return StrToFloat(Trim(text));
}

std::string TruncDecimal(std::string_view format, int decimals, double value) {
  // Cut the decimal text of the value, not value * 10^n: 1.15 * 100 is
  // 114.99999999999999 in binary and would lose a cent.
  if (decimals < 0) decimals = 0;
  char buffer[400];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) return FormatFloat(format, value);
  std::string_view digits(buffer, static_cast<size_t>(end - buffer));
  const size_t point = digits.find('.');
  if (point != std::string_view::npos) {
    const size_t keep = decimals == 0 ? point : point + 1 + static_cast<size_t>(decimals);
    if (keep < digits.size()) digits = digits.substr(0, keep);
  }
  double cut = 0.0;
  std::from_chars(digits.data(), digits.data() + digits.size(), cut);
  return FormatFloat(format, cut);
}

std::string LeTagXML(std::string_view xml, std::string_view tag, std::string_view kind) {
  std::string value;
  if (!tag.empty()) {
    const size_t open = xml.find(tag);
    if (open != std::string_view::npos) {
      const std::string closing = Copy(tag, 1, 1) + "/" + Copy(tag, 2, Length(tag));
      const size_t from = open + tag.size();
      const size_t close = xml.find(closing, from);
      if (close != std::string_view::npos) value = std::string(xml.substr(from, close - from));
    }
  }
  if (kind == "I") return IntToStr(StrToIntDef(value, 0));
  if (kind == "N") {
    for (char& c : value) {
      if (c == '.') c = ',';
    }
    return value;
  }
  if (kind == "D") {
    if (!starts_with_iso_date(value)) return value;
    return value.substr(8, 2) + "/" + value.substr(5, 2) + "/" + value.substr(0, 4);
  }
  if (kind == "CNPJ") {
    if (!is_cnpj_text(value)) return value;
    return value.substr(0, 2) + "." + value.substr(2, 3) + "." + value.substr(5, 3) + "/" +
           value.substr(8, 4) + "-" + value.substr(12, 2);
  }
  if (kind == "CPF") {
    if (value.size() != 11 || !all_digits(value)) return value;
    return value.substr(0, 3) + "." + value.substr(3, 3) + "." + value.substr(6, 3) + "-" +
           value.substr(9, 2);
  }
  return value;
}

bool PegaPosicao(int16_t& start, int16_t& length, int16_t& value, std::string_view layout, std::string_view) {
  const size_t dash = layout.find('-');
  const size_t semicolon = layout.find(';');
  if (dash == std::string_view::npos || semicolon == std::string_view::npos || semicolon < dash) {
    return false;
  }
  int first = 0;
  int last = 0;
  int third = 0;
  if (!TryStrToInt(layout.substr(0, dash), first) ||
      !TryStrToInt(layout.substr(dash + 1, semicolon - dash - 1), last) ||
      !TryStrToInt(layout.substr(semicolon + 1), third)) {
    return false;
  }
  // The variables are 16-bit: a number that does not fit is refused, not wrapped.
  constexpr int64_t lo = std::numeric_limits<int16_t>::min();
  constexpr int64_t hi = std::numeric_limits<int16_t>::max();
  const int64_t span = int64_t{last} - first + 1;
  for (const int64_t n : {int64_t{first}, span, int64_t{third}}) {
    if (n < lo || n > hi) return false;
  }
  start = static_cast<int16_t>(first);
  length = static_cast<int16_t>(span);
  value = static_cast<int16_t>(third);
  return true;
}

}  // namespace zpk
