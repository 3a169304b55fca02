#include "accounting/detail/classe_conta.hpp"

#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::detail {

std::string nature_candidate(const FinancialCombination& c, bool entity_row) {
  const std::string any = "0";
  const struct {
    const std::string& conta;
    const std::string& historico;
    const std::string& classe;
    const std::string& carteira;
    const std::string& ocorrencia;
    const std::string& codcli;
  } kLookups[] = {
      {any, c.historico, c.classe, any, any, any},
      {c.conta, any, any, any, any, any},
      {c.conta, c.historico, any, any, any, any},
      {c.conta, c.historico, c.classe, any, any, any},
      {c.conta, c.historico, c.classe, c.carteira, any, any},
      {c.conta, c.historico, c.classe, c.carteira, c.ocorrencia, any},
      {any, c.historico, any, any, any, c.conta},
  };
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 CONTA_CONT FROM " + DBLocal("CLASSE_CONTA"));
  q.SQL.Add("WHERE CONTA = :CONTA AND HISTORICO = :HISTORICO AND CLASSE = :CLASSE");
  q.SQL.Add("AND CARTEIRA = :CARTEIRA AND OCORRENCIA = :OCORRENCIA AND CODCLI = :CODCLI");
  std::string candidate;
  const std::size_t count = entity_row ? std::size(kLookups) : std::size(kLookups) - 1;
  for (std::size_t i = 0; i < count; ++i) {
    const auto& l = kLookups[i];
    q.Close();
    q.ParamByName("CONTA").AsString = l.conta;
    q.ParamByName("HISTORICO").AsString = l.historico;
    q.ParamByName("CLASSE").AsString = l.classe;
    q.ParamByName("CARTEIRA").AsString = l.carteira;
    q.ParamByName("OCORRENCIA").AsString = l.ocorrencia;
    q.ParamByName("CODCLI").AsString = l.codcli;
    try {
      q.Open();
    } catch (const EDatabaseError& e) {
      if (!e.is_truncation()) throw;
      continue;  // a value longer than its column matches no row
    }
    if (!q.IsEmpty()) candidate = q.FieldByName("CONTA_CONT").AsString();
  }
  return candidate;
}

}  // namespace zpk::detail
