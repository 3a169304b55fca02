// The company's business-day calendar (table ANO: a row with DIA_UTIL "N" is a
// holiday, weekends are never business days) and the date and time routines
// that read the database or talk to the user through the dialog port.
#pragma once

#include <string>
#include <string_view>

#include "platform/rtl/datetime.hpp"

namespace zpk {

// The date itself when it is a business day (Monday to Friday, not a holiday),
// else the next one; the time of day is kept. Flag has no effect. Raises
// EConvertError past 31/12/9999, EDatabaseError.
TDateTime VerificaDiaUtil(TDateTime Data, bool Flag = false);

// True when the date is not a holiday and its weekday is among the first
// DiasSemana days of the week counted from Monday (5: Monday to Friday, 6: up
// to Saturday, 7: every day); False for DiasSemana outside 1..7.
bool DiaUtil(TDateTime Data, int DiasSemana);

// "S" when a holiday falling on Monday to Friday lies between Data1 and the
// day before Data2 (calendar days, both ends included), else "N".
std::string AtrasoDiaUtil(TDateTime Data1, TDateTime Data2);

// Decimal hours (or, with EmMinutos, decimal minutes) of an "hh:mm:ss" text,
// to four decimals. A part that is not a number counts 0 and is reported in an
// information box ("Hora cadastrada de forma incorreta." ...).
double TempoNumerico(std::string_view Hora, bool EmMinutos = false);

// TotalDias of the payment terms (PGTO) of order Numero; 0 when the order has
// none or does not exist. Raises EDatabaseError, EConvertError for terms that
// are not groups of digits.
int PrazoMedio(std::string_view Numero);

// The date Dias working days after Data (Direcao "I") or before it ("F"),
// a working day being one where DiaUtil(day, DiasSemana) holds; any other
// direction returns Data. Dias < 1 takes Duracao rounded up instead; with
// nothing to count, or DiasSemana outside 1..7 (no day would count), Data is
// returned. Raises EConvertError when the walk would leave years 1..9999.
TDateTime CalculaDataSetor(TDateTime Data, int DiasSemana, int Dias, double Duracao,
                           std::string_view Direcao);

}  // namespace zpk
