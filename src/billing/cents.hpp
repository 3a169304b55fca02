// Fiscal amounts brought to cents the way the ERP's invoices and the stored
// fiscal data do it: formatted with a pattern and read back, so that every
// routine of billing rounds the same amount to the same cent.
#pragma once

#include <string>
#include <string_view>

namespace zpk {

// The value formatted by `Formato` ("0.00", "0.0000"...) with the locale's
// decimal comma, where a value whose text shows a 5 right after the last kept
// decimal always goes up: 1e-07 is added before formatting, so 2.675 (held as
// 2.67499999...) gives "2,68" where FormatFloat gives "2,67".
std::string FormatFloatC(std::string_view Formato, double Valor);

// The amount in cents: formatted with "0.00" and read back (half away from
// zero on the value's decimal digits, 39.996 -> 40.00). A value that is not
// finite gives 0, so no amount leaves a division by zero as inf or NaN.
double to_cents(double value);

// a / b, or 0 when b is 0 or the quotient is not finite: divisions that stored
// rates can leave without a divisor (a rate of 0 or of 100) give no amount.
double divide_or_zero(double a, double b);

}  // namespace zpk
