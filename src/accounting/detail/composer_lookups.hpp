// The small look-ups the accounting composer repeats for every amount it
// gathers: a company parameter, one value by key, whether an account is a
// result account. Bound and prepared once per connection.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace zpk::detail {

// The company parameter's stored value (BuscaParametro: a single space, with
// a warning to the user, when it does not exist).
std::string parametro(std::string_view Tipo, int Codigo);

// The first column of the first row of `sql` read as text on the shared
// connection, each ":NAME" bound to its value; "" when there is no row.
std::string first_text(const std::string& sql,
                       std::initializer_list<std::pair<std::string_view, std::string_view>> params);

// Whether the chart marks `conta` as a result account (CT_RESULT "S").
bool conta_resultado(std::string_view conta);

}  // namespace zpk::detail
