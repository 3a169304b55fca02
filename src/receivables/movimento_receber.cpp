#include "receivables/movimento_receber.hpp"

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// Opens a SELECT whose bound values are compared with columns; false when a
// value is longer than its column, which the engine refuses as a truncation
// although such a value simply matches no row.
bool open_matching(TTIQuery& q) {
  try {
    q.Open();
    return true;
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return false;
  }
}

// Prepares `q` for a new statement of one line.
void restart(TTIQuery& q, const std::string& sql) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add(sql);
}

}  // namespace

void GravaMovimentoReceber(const std::string& Numero, const std::string& Instrucao) {
  SqlBuscaScope busca;
  TTIQuery& q = busca.query();

  restart(q, "SELECT NRBANCO, BORDERO FROM " + DBLocal("RECEBER") + " WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = Numero;
  if (!open_matching(q) || q.IsEmpty() || Trim(q.FieldByName("NRBANCO").AsString()).empty()) return;
  const int bordero = q.FieldByName("BORDERO").AsInteger();

  std::string conta;
  std::string carteira;
  restart(q, "SELECT * FROM " + DBLocal("BORDERO"));
  q.SQL.Add("WHERE NUMERO = :BORDERO");
  q.SQL.Add("AND TIPO = 'R'");
  q.ParamByName("BORDERO").AsInteger = bordero;
  q.Open();
  if (!q.IsEmpty()) {
    conta = q.FieldByName("conta").AsString();
    carteira = q.FieldByName("carteira").AsString();
  }

  std::string banco;
  restart(q, "SELECT BANCO FROM " + DBLocal("CADCONTA") + " WHERE CONTA = :CONTA");
  q.ParamByName("CONTA").AsString = conta;
  if (open_matching(q) && !q.IsEmpty()) banco = q.FieldByName("BANCO").AsString();

  std::string codigo;
  restart(q, "SELECT CODIGO FROM " + DBLocal("OCORRENCIA"));
  q.SQL.Add("WHERE BANCO = :BANCO");
  q.SQL.Add("AND INSTRUCAO = :INSTRUCAO");
  q.ParamByName("BANCO").AsString = banco;
  q.ParamByName("INSTRUCAO").AsString = Instrucao;
  if (open_matching(q) && !q.IsEmpty()) codigo = q.FieldByName("codigo").AsString();

  // INSTRUCAO keeps the bank's occurrence code, which is what the bank's
  // remittance file sends; the batch of an instruction is always 0.
  restart(q, "INSERT INTO " + DBLocal("REC_MOV"));
  q.SQL.Add("(NUMERO, INSTRUCAO, BORDERO, CONTA, CARTEIRA, DATA)");
  q.SQL.Add("VALUES");
  q.SQL.Add("(:NUMERO, :INSTRUCAO, 0, :CONTA, :CARTEIRA, :DATA)");
  q.ParamByName("NUMERO").AsString = Numero;
  q.ParamByName("INSTRUCAO").AsString = codigo;
  q.ParamByName("CONTA").AsString = conta;
  q.ParamByName("CARTEIRA").AsString = carteira;
  q.ParamByName("DATA").AsDate = Date();
  q.ExecSQL();
  Tabela.IBTransaction.CommitRetaining();
}

std::string SepDupli() {
  return Tabela.SeparadorDuplicata.empty() ? std::string("/") : Tabela.SeparadorDuplicata;
}

}  // namespace zpk
