// Statements that database tests run to arrange rows and to read back what a
// routine wrote: one helper each, on the shared connection unless the test
// passes another (a second station's view, a server database). Values given
// in `params` bind to the statement's parameters in order. Table names in
// braces are not expanded here: pass DBLocal_SQL(sql) for that.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/rtl/variant.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::test {

using SqlParams = std::vector<Variant>;

// Runs one statement (raises EDatabaseError as the query does).
void exec(const std::string& sql, const SqlParams& params = {}, TTIDatabase& db = Tabela.IBDatabase);

// The first column of the first row (unassigned when there is no row).
Variant value(const std::string& sql, const SqlParams& params = {}, TTIDatabase& db = Tabela.IBDatabase);
// The same read as a number (0 without a row) or as text ("" without a row).
double number(const std::string& sql, const SqlParams& params = {}, TTIDatabase& db = Tabela.IBDatabase);
std::string text(const std::string& sql, const SqlParams& params = {}, TTIDatabase& db = Tabela.IBDatabase);

// Every row as its columns' texts joined by `separator`, in the order fetched.
std::vector<std::string> rows(const std::string& sql, const SqlParams& params = {},
                              TTIDatabase& db = Tabela.IBDatabase, std::string_view separator = "|");

// Sets company parameter Codigo of group Tipo (EMP_PARAM) to Valor, inserting
// it when the company has none.
void set_parameter(const std::string& Tipo, int Codigo, const std::string& Valor,
                   const std::string& Empresa = "001");

// A second attachment to the shared connection's database: what another
// station sees (committed work only).
class OtherStation {
 public:
  OtherStation() { db_.GetDatabase(Tabela.IBDatabase); }
  TTIDatabase& db() { return db_; }

 private:
  TTIDatabase db_;
};

}  // namespace zpk::test
