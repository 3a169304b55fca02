#include "accounting/detail/composer_lookups.hpp"

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::detail {

std::string parametro(std::string_view Tipo, int Codigo) {
  return BuscaParametro(Tipo, Codigo);
}

std::string first_text(const std::string& sql,
                       std::initializer_list<std::pair<std::string_view, std::string_view>> params) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(sql);
  for (const auto& [name, value] : params) q.ParamByName(name).AsString = std::string(value);
  q.Open();
  if (q.IsEmpty()) return "";
  return q.Fields(0).AsString();
}

bool conta_resultado(std::string_view conta) {
  if (conta.empty()) return false;
  return !first_text("SELECT CODIGO FROM " + DBLocal("CONTA_CONT") + " WHERE CODIGO = :C AND CT_RESULT = 'S'",
                     {{"C", conta}})
              .empty();
}

}  // namespace zpk::detail
