#include "billing/cents.hpp"

#include <cmath>

#include "platform/rtl/format_settings.hpp"
#include "platform/rtl/numbers.hpp"

namespace zpk {

std::string FormatFloatC(std::string_view Formato, double Valor) {
  // Decimals kept: the characters of the pattern after its first ".".
  const size_t point = Formato.find('.');
  const size_t decimals = point == std::string_view::npos ? 0 : Formato.size() - point - 1;
  // The value as the runtime writes it (15 significant digits, decimal comma):
  // the digit after the last kept decimal decides.
  const std::string text = FloatToStr(Valor);
  const size_t comma = text.find(FormatSettings.DecimalSeparator);
  if (comma != std::string::npos && comma + decimals + 1 < text.size() && text[comma + decimals + 1] == '5') {
    Valor += 1e-07;
  }
  return FormatFloat(Formato, Valor);
}

double to_cents(double value) {
  if (!std::isfinite(value)) return 0;
  return StrToFloat(FormatFloat("0.00", value));
}

double divide_or_zero(double a, double b) {
  if (b == 0) return 0;
  const double q = a / b;
  return std::isfinite(q) ? q : 0;
}

}  // namespace zpk
