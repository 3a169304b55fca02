#include "documents/tempo.hpp"

#include <cmath>
#include <cstdint>
#include <vector>

#include <fmt/format.h>

#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {

namespace {

// A part of a date text read as a number, or -1 when it is not one.
int date_part(std::string_view text, int start, int count) {
  int value = 0;
  const std::string part = Trim(Copy(text, start, count));
  if (part.empty() || !TryStrToInt(part, value)) return -1;
  return value;
}

// A part of an "h:m:s" text: blank or missing is 0, anything else must be a number.
int64_t time_part(const std::vector<std::string>& parts, size_t index) {
  if (index >= parts.size()) return 0;
  const std::string part = Trim(parts[index]);
  return part.empty() ? 0 : StrToInt(part);
}

}  // namespace

bool ValidaData(std::string_view Data) {
  const int day = date_part(Data, 1, 2);
  const int month = date_part(Data, 4, 2);
  const int year = date_part(Data, 7, 4);
  if (day < 1 || month < 1 || month > 12 || year < 1 || year > 9999) return false;
  TDateTime ignored;
  return TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day), ignored);
}

std::string HoraSQL(TDateTime Data, bool Flag) {
  return "HORA[" + FormatDateTime("MM/DD/YYYY tt", Data) + "," + (Flag ? "True" : "False") + "]";
}

std::string TempoString(double Horas) {
  if (!std::isfinite(Horas)) return "00:00:00";
  const bool negative = Horas < 0;
  const double hours = std::fabs(Horas);
  // Beyond 10^14 hours a double no longer holds whole seconds (nor does int64).
  if (hours >= 1e14) return (negative ? "-" : "") + FormatFloat("0", Int(hours)) + ":00:00";
  // Seconds are taken at two decimals before their whole part is kept, so
  // that 1.1 h is 01:06:00 and not 01:05:59, and a remainder that rounds up to
  // 60 seconds moves into the minute instead of printing ":60".
  const auto seconds = static_cast<int64_t>(std::floor(RoundTo(hours * 3600.0, 2)));
  if (seconds == 0) return "00:00:00";
  return fmt::format("{}{:02}:{:02}:{:02}", negative ? "-" : "", seconds / 3600, seconds % 3600 / 60,
                     seconds % 60);
}

std::string SomaTempoString(std::string_view Tempo1, std::string_view Tempo2) {
  const auto a = SplitText(Tempo1, ":");
  const auto b = SplitText(Tempo2, ":");
  int64_t seconds = time_part(a, 2) + time_part(b, 2);
  int64_t minutes = time_part(a, 1) + time_part(b, 1) + seconds / 60;
  seconds %= 60;
  const int64_t hours = time_part(a, 0) + time_part(b, 0) + minutes / 60;
  minutes %= 60;
  return fmt::format("{:02}:{:02}:{:02}", hours, minutes, seconds);
}

int TotalDias(std::string_view Prazo) {
  const std::string terms = Trim(Prazo);
  const int length = Length(terms);
  if (length == 0) return 0;  // no group: nothing to average
  int64_t sum = 0;
  int groups = 0;
  for (int start = 1; start <= length; start += 3, ++groups) {
    const std::string group = Trim(Copy(terms, start, 3));
    if (!group.empty()) sum += StrToInt(group);
  }
  return static_cast<int>(Round(static_cast<double>(sum) / groups));
}

int PrazoMedioNota(std::string_view Prazo) {
  return TotalDias(Copy(Trim(Prazo), 1, 27));
}

double JurosCompostos(double Taxa, double Valor, int Dias) {
  const double result = Valor * std::pow(1.0 + Taxa, Dias / 30.0);
  // A rate of -100% or less has no real value over part of a period (nor
  // before it), and a result past the Double range is no amount: either is
  // refused, never handed on as 0 to a title or a report.
  if (!std::isfinite(result)) {
    throw EConvertError(
        fmt::format("JurosCompostos: {} at a rate of {} over {} days is not an amount", Valor, Taxa, Dias));
  }
  return result;
}

}  // namespace zpk
