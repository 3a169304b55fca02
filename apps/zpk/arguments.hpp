// Texts of the command line turned into the routines' value types, and the
// routines' results turned back into text. Every reader names the argument or
// property it reads in its error, so a user sees which value was refused.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/variant.hpp"

namespace zpk::cli {

// Readers: each raises zpk::EConvertError "NAME: 'TEXT' is not ..." when the
// text does not read. Numbers are written with a decimal point, so that a
// script's figures read the same on every machine; dates as dd/mm/yyyy,
// optionally followed by hh:nn[:ss].
int read_int(std::string_view name, const std::string& text);
int16_t read_int16(std::string_view name, const std::string& text);
double read_number(std::string_view name, const std::string& text);
Currency read_currency(std::string_view name, const std::string& text);

// An amount with every one of its decimals (up to four) and a decimal point.
std::string amount_text(Currency value);
// True, true, 1 or S; False, false, 0 or N (the ERP stores flags as S/N).
bool read_bool(std::string_view name, const std::string& text);
// Exactly one character (a code point, so "ç" is one).
char32_t read_char(std::string_view name, const std::string& text);
TDateTime read_date(std::string_view name, const std::string& text);

// Output rules: Booleans as True/False, numbers with a decimal point and no
// thousands separator, dates as dd/mm/yyyy (with the time when it is not
// midnight), var outputs as name=value lines. Each prints one line.
void print_bool(std::ostream& out, bool value);
void print_integer(std::ostream& out, int64_t value);
void print_number(std::ostream& out, double value);
void print_text(std::ostream& out, const std::string& value);
void print_date(std::ostream& out, TDateTime value);
void print_var(std::ostream& out, const std::string& name, const std::string& value);
// The texts of a number, a Boolean and a date as printed above, without the line end.
std::string number_text(double value);
std::string bool_text(bool value);
std::string date_text(TDateTime value);

// A list, one line per item.
void print_lines(std::ostream& out, const std::vector<std::string>& lines);
// One value per line: unassigned and null as an empty line, numbers with a
// decimal point, an array item by item.
void print_variant(std::ostream& out, const Variant& value);

}  // namespace zpk::cli
