// Date, time and payment-term arithmetic that needs neither the database nor
// the dialog port: date checks, time texts, average terms and compound
// interest, as receivables, stock journals and report layouts use them.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/datetime.hpp"

namespace zpk {

// The "no date" value, 30/12/1899 00:00:00, is the runtime's constant
// zpk::DateNull (platform/rtl/datetime.hpp): DateNull is used as a value.

// True when characters 1-2, 4-5 and 7-10 of "dd/mm/yyyy" (each trimmed) are the
// day, month and year of a real calendar date; never raises.
bool ValidaData(std::string_view Data);

// "HORA[" + the moment as "MM/DD/YYYY hh:nn:ss" + "," + "True" or "False" + "]":
// the time placeholder of stock journals and report layouts.
std::string HoraSQL(TDateTime Data, bool Flag);

// Decimal hours as "hh:mm:ss" (each part at least two digits, "-" before a
// negative time); seconds are rounded to two decimals first, so 1.5 gives
// "01:30:00" and a value a hair under a whole minute gives that minute.
std::string TempoString(double Horas);

// The sum of two "h:m:s" texts as "hh:mm:ss", carrying 60 seconds into a
// minute and 60 minutes into an hour; a missing or blank part counts as 0.
// Raises EConvertError when a part is not a whole number.
std::string SomaTempoString(std::string_view Tempo1, std::string_view Tempo2);

// Average days of payment terms written as groups of three characters
// ("030060090" -> 60), rounded to the nearest integer by the runtime's Round,
// which sends a tie to the even number (banker's rounding: 2.5 -> 2, 37.5 ->
// 38). The ERP's screens average terms with that same Round, so the figures
// they showed and stored agree with these. A blank group counts 0, an empty
// text gives 0. Raises EConvertError for a group that is not a number.
int TotalDias(std::string_view Prazo);

// TotalDias over at most the first nine groups (27 characters) of the terms,
// rounded the same way (a tie to the even number).
int PrazoMedioNota(std::string_view Prazo);

// Valor x (1 + Taxa)^(Dias / 30): compound interest with a rate per 30 days,
// applied pro rata to the days. Raises EConvertError when the result is not a
// finite number (a rate of -100% or less over part of a period, or before it;
// an amount past the Double range).
double JurosCompostos(double Taxa, double Valor, int Dias);

}  // namespace zpk
