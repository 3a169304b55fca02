#include "inventory/reserva.hpp"

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// Appends "AND COLUMN = :COLUMN" and binds the value, for the optional filters.
void and_equals(TTIQuery& q, const char* column, const std::string& value) {
  q.SQL.Add(std::string("AND ") + column + " = :" + column);
  q.ParamByName(column).AsString = value;
}

// A write-down is a relative update of a running quantity: when another
// station holds the row it waits and retries, so the amount is never lost.
void exec_update(TTIQuery& q) {
  retry_on_conflict([&] { q.ExecSQL(); });
}

}  // namespace

TReserva::TReserva() : EData(Date()), EDatabase(&Tabela.IBDatabase) {}

TTIDatabase& TReserva::database() const {
  return EDatabase != nullptr ? *EDatabase : Tabela.IBDatabase;
}

void TReserva::finish(bool Commit) {
  if (Commit) database().DefaultTransaction().CommitRetaining();
}

void TReserva::GravarReservaProduto(bool Commit) {
  TTIQuery q(database());
  q.SQL.Add("INSERT INTO " + DBLocal("PED_RESERVA"));
  q.SQL.Add("(DT_CAD, TIPO, NUMERO, RESERVA, CODIGO, COR, TAM, LOTE, DEPOSITO, QTDE, QTDE_EXP, QTDE_B)");
  q.SQL.Add(" VALUES ");
  q.SQL.Add("(:DT_CAD, :TIPO, :NUMERO, 0, :CODIGO, :COR, :TAM, :LOTE, :DEPOSITO, :QTDE, :QTDE_EXP, :QTDE_B)");
  q.ParamByName("DT_CAD").AsDate = EData;
  q.ParamByName("TIPO").AsString = ETipo;
  q.ParamByName("NUMERO").AsString = ENumero;
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("TAM").AsString = ETam;
  q.ParamByName("LOTE").AsString = ELote;
  q.ParamByName("DEPOSITO").AsString = EDeposito;
  q.ParamByName("QTDE").AsFloat = EQuantidade;
  q.ParamByName("QTDE_EXP").AsFloat = EQuantidade_E;
  q.ParamByName("QTDE_B").AsFloat = EQuantidade_B;
  q.ExecSQL();
  rows_affected_ = q.RowsAffected();
  finish(Commit);
}

void TReserva::GravarReservaMaterial(bool Commit) {
  TTIQuery q(database());
  q.SQL.Add("INSERT INTO " + DBLocal("MAT_RESERVA"));
  q.SQL.Add("(DT_CAD, TIPO, NUMERO, CODIGO, COR, DEPOSITO, LOTE, QTDE, QTDE_EXP, QTDE_B) VALUES");
  q.SQL.Add("(:DT_CAD, :TIPO, :NUMERO, :CODIGO, :COR, :DEPOSITO, :LOTE, :QTDE, :QTDE_EXP, :QTDE_B)");
  q.ParamByName("DT_CAD").AsDate = EData;
  q.ParamByName("TIPO").AsString = ETipo;
  q.ParamByName("NUMERO").AsString = ENumero;
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("DEPOSITO").AsString = EDeposito;
  q.ParamByName("LOTE").AsString = ELote;
  q.ParamByName("QTDE").AsFloat = EQuantidade;
  q.ParamByName("QTDE_EXP").AsFloat = EQuantidade_E;
  q.ParamByName("QTDE_B").AsFloat = EQuantidade_B;
  q.ExecSQL();
  rows_affected_ = q.RowsAffected();
  finish(Commit);
}

void TReserva::BaixarReservaProduto(bool Commit) {
  TTIQuery q(database());
  q.SQL.Add("UPDATE " + DBLocal("PED_RESERVA") + " SET ");
  q.SQL.Add("QTDE = QTDE - :QTDE");
  q.SQL.Add(",QTDE_B = QTDE_B + :QTDE_B");
  q.SQL.Add("WHERE NUMERO = :NUMERO");
  q.ParamByName("QTDE").AsFloat = EQuantidade;
  q.ParamByName("QTDE_B").AsFloat = EQuantidade_B;
  q.ParamByName("NUMERO").AsString = ENumero;
  and_equals(q, "CODIGO", ECodigo);
  and_equals(q, "COR", ECor);
  and_equals(q, "TAM", ETam);
  and_equals(q, "LOTE", ELote);
  and_equals(q, "DEPOSITO", EDeposito);
  exec_update(q);
  rows_affected_ = q.RowsAffected();
  finish(Commit);
}

void TReserva::BaixarReservaMaterial(bool Commit) {
  TTIQuery q(database());
  q.SQL.Add("UPDATE " + DBLocal("MAT_RESERVA") + " SET ");
  q.SQL.Add("QTDE = QTDE - :QTDE");
  q.SQL.Add(",QTDE_B = QTDE_B + :QTDE_B");
  q.SQL.Add("WHERE NUMERO = :NUMERO");
  q.ParamByName("QTDE").AsFloat = EQuantidade;
  q.ParamByName("QTDE_B").AsFloat = EQuantidade_B;
  q.ParamByName("NUMERO").AsString = ENumero;
  and_equals(q, "CODIGO", ECodigo);
  and_equals(q, "COR", ECor);
  and_equals(q, "LOTE", ELote);
  and_equals(q, "DEPOSITO", EDeposito);
  if (!Trim(ETipo).empty()) and_equals(q, "TIPO", ETipo);
  exec_update(q);
  rows_affected_ = q.RowsAffected();
  finish(Commit);
}

void TReserva::ExcluirReservaProduto(bool Commit) {
  TTIQuery q(database());
  q.SQL.Add("DELETE FROM " + DBLocal("PED_RESERVA"));
  q.SQL.Add("WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = ENumero;
  if (!ECodigo.empty()) and_equals(q, "CODIGO", ECodigo);
  if (!ECor.empty()) and_equals(q, "COR", ECor);
  if (!ETam.empty()) and_equals(q, "TAM", ETam);
  if (!EDeposito.empty()) and_equals(q, "DEPOSITO", EDeposito);
  if (!ELote.empty()) and_equals(q, "LOTE", ELote);
  q.ExecSQL();
  rows_affected_ = q.RowsAffected();
  finish(Commit);
}

void TReserva::ExcluirReservaMaterial(bool Commit) {
  TTIQuery q(database());
  q.SQL.Add("DELETE FROM " + DBLocal("MAT_RESERVA"));
  q.SQL.Add("WHERE NUMERO = :NUMERO");
  q.ParamByName("NUMERO").AsString = ENumero;
  if (!ECodigo.empty()) and_equals(q, "CODIGO", ECodigo);
  if (!ECor.empty()) and_equals(q, "COR", ECor);
  if (!EDeposito.empty()) and_equals(q, "DEPOSITO", EDeposito);
  if (!ELote.empty()) and_equals(q, "LOTE", ELote);
  if (!ETipo.empty()) and_equals(q, "TIPO", ETipo);
  q.ExecSQL();
  rows_affected_ = q.RowsAffected();
  finish(Commit);
}

}  // namespace zpk
