// The one set of format settings used wherever the ERP formats or reads numbers
// and dates. Brazilian defaults; the process locale is never consulted, so
// results never depend on the machine.
#pragma once

#include <string>

namespace zpk {

struct TFormatSettings {
  char DecimalSeparator = ',';
  char ThousandSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "dd/mm/yyyy";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongDateFormat = "dddd, d' de 'mmmm' de 'yyyy";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  // A two-digit year is read into the hundred years that start this many years
  // before the current one (the runtime's default, 50, which stored two-digit years assume).
  int TwoDigitYearCenturyWindow = 50;
  std::string CurrencyString = "R$";
  int CurrencyDecimals = 2;
};

// The library's format settings (the "locale" of the ERP).
extern TFormatSettings FormatSettings;

}  // namespace zpk
