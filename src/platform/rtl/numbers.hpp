// Number formatting and reading with the ERP runtime's rules: the decimal
// comma of FormatSettings, its patterns ("#,##0.00", "0.0000"...), and its
// rounding (18 significant digits, half away from zero).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/format_settings.hpp"

namespace zpk {

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The value formatted by a pattern such as "#,##0.00", "0.0000" or "R$ #,##0.00"
// (sections separated by ";" for negative and zero values are honoured).
std::string FormatFloat(std::string_view pattern, double value, const TFormatSettings& fs = FormatSettings);

// The general form with 15 significant digits ("1234,5", "0,1", "1E20").
std::string FloatToStr(double value, const TFormatSettings& fs = FormatSettings);

// The value in the given format with `precision` significant digits and `digits`
// decimals (ffNumber adds thousands separators, ffCurrency the currency symbol).
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs = FormatSettings);

// Reads a number written with the decimal separator of fs (surrounding blanks
// allowed); raises EConvertError when the text is not a number.
double StrToFloat(std::string_view text, const TFormatSettings& fs = FormatSettings);
double StrToFloatDef(std::string_view text, double def, const TFormatSettings& fs = FormatSettings);
bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& fs = FormatSettings);

// Reads a 32-bit integer (optional sign, decimal digits, or "$" hexadecimal);
// raises EConvertError otherwise.
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int def);
bool TryStrToInt(std::string_view text, int& value);
int64_t StrToInt64(std::string_view text);
int64_t StrToInt64Def(std::string_view text, int64_t def);
bool TryStrToInt64(std::string_view text, int64_t& value);

std::string IntToStr(int64_t value);

// Rounds half away from zero to `decimals` places, on the decimal digits of the
// value taken at 18 significant digits (so 2.675 stays 2.67, 39.996 -> 40.00).
double RoundTo(double value, int decimals);

// Truncates towards zero (Delphi Trunc) and rounds half to even (Delphi Round).
int64_t Trunc(double value);
int64_t Round(double value);
double Frac(double value);
double Int(double value);

}  // namespace zpk
