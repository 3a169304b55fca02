// Small pure helpers that clean and format texts and numbers: amounts written
// into SQL, identifiers without punctuation, padding, cascaded discounts, price
// rounding, and reading a tag out of an XML text. No database, no messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zpk {

// The value in the general float format with a decimal point instead of the
// locale's comma and no thousands separators ("1234.5"): how amounts go into SQL.
std::string PermanecePonto(double value);

// The text without ".", "-", "/" and ",".
std::string TiraPontos(std::string_view text);

// The text without ",".
std::string TiraVirgulas(std::string_view text);

// Only the characters "0" to "9" of the text.
std::string SomenteNumeros(std::string_view text);

// The text without the locale's thousands separators, cut at its first decimal separator.
std::string DeletaPonto(std::string_view text);

// The text with the accented letters of Portuguese replaced by their plain letters.
std::string RemoveAcento(std::string_view text);

// The text with the HTML entities of Portuguese and Spanish letters and of & " ' < >
// replaced by their characters (case-sensitive: "&amp;" stays, "&Amp;" becomes "&").
std::string ReplaceHTML(std::string_view text);

// The text preceded (LeftPad) or followed (RightPad) by `fill` up to `length`
// characters; a longer text is returned unchanged.
std::string LeftPad(std::string_view text, char32_t fill, int length);
std::string RightPad(std::string_view text, char32_t fill, int length);

// The text preceded by "0" up to the length written in `length`; raises
// EConvertError when `length` is not an integer.
std::string ZeroE(std::string_view text, std::string_view length);

// The pieces of `text` between the separators, in order, without a trailing empty piece.
std::vector<std::string> Explode(std::string_view text, std::string_view separator);

// `text` in small letters with its first character and every character after a
// blank in capitals; `unused` takes no part.
std::string AcertaCase(std::string_view unused, std::string_view text);

// `path` and `name` joined by one "\".
std::string SlashSep(std::string_view path, std::string_view name);

// True when the text holds at least one letter A-Z or a-z.
bool TemTexto(std::string_view text);

// 1 for True, 0 for False.
int BoolToInt(bool value);

// The total of percentages joined by "+" applied in cascade ("10+5" gives 14.5),
// to two decimals; a blank text is no discount; raises EConvertError on a piece
// that is not a number.
double DescontoUnificado(std::string_view text);

// The price moved to the nearest whole number ending in the tens digit of `step`
// followed by 0, or in 00 (upwards on a tie); `step` 0 drops the decimals, a
// negative step keeps the value, and 0 when no candidate within `step` qualifies.
// Exact for every whole number a Double holds exactly (up to 2^53); a value
// beyond that, or not a number, raises EConvertError.
double Arredondar(double value, int step);

// A 20-character field: each amount as "#0.00" cut or filled to five characters.
std::string CampoDesconto(double value1, double value2, double value3, double value4);

// The value rounded to two decimals and to seven significant digits.
double TiraPonto(double value);

// The value cut (not rounded) after `decimals` decimals, then formatted with `format`.
std::string TruncDecimal(std::string_view format, int decimals, double value);

// The text between `tag` (with its angle brackets) and its closing tag, shaped by
// `kind`: "I" integer (0 when not a number), "N" decimal comma, "D" yyyy-mm-dd to
// dd/mm/yyyy, "CNPJ" and "CPF" masked; any other kind leaves it as read. Empty
// when the tag or its closing tag is missing.
std::string LeTagXML(std::string_view xml, std::string_view tag, std::string_view kind);

// Reads a field position written as "start-end;value": `start`, `length`
// (end - start + 1) and `value`; False, with the variables untouched, when a
// separator is missing or a number does not convert or fit 16 bits. `text`
// takes no part.
bool PegaPosicao(int16_t& start, int16_t& length, int16_t& value, std::string_view layout,
                 std::string_view text);

}  // namespace zpk
