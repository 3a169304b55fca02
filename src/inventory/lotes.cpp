#include "inventory/lotes.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/access_rights.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "platform/ui/dialog_service.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

// `digits` left-padded with "0" to `width` characters (never cut).
std::string zero_padded(const std::string& digits, int width) {
  const int length = Length(digits);
  return length >= width ? digits : std::string(static_cast<size_t>(width - length), '0') + digits;
}

// The highest lot of the table under the prefix, as stored: read as a number
// and padded back to the longest lot's width, or, when a lot of the prefix is
// not a number, the highest as text. "" when there is none.
std::string highest_roll(TTIQuery& q, const std::string& table, const std::string& Prefixo) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT MAX(CAST(COALESCE(LOTE,'0') AS NUMERIC(15,0))) LOTE, MAX(UDF_LEN(LOTE)) AS LOTE_LEN ");
  q.SQL.Add("FROM " + DBLocal(table));
  q.SQL.Add("WHERE LOTE LIKE :PREFIXO");
  q.SQL.Add("AND UDF_LEN(LOTE) >= 9");
  q.ParamByName("PREFIXO").AsString = Prefixo + "%";
  try {
    q.Open();
    if (q.FieldByName("LOTE").IsNull()) return "";
    return zero_padded(IntToStr(q.FieldByName("LOTE").AsLargeInt()), q.FieldByName("LOTE_LEN").AsInteger());
  } catch (const EDatabaseError& e) {
    if (e.is_cancelled() || e.kind() == DatabaseErrorKind::connection) throw;
  }
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT MAX(LOTE) LOTE ");
  q.SQL.Add("FROM " + DBLocal(table));
  q.SQL.Add("WHERE LOTE LIKE :PREFIXO");
  q.SQL.Add("AND UDF_LEN(LOTE) >= 9");
  q.ParamByName("PREFIXO").AsString = Prefixo + "%";
  q.Open();
  return q.FieldByName("LOTE").AsString();
}

// Takes the first number of the prefix at or above `stored() + 1` that no
// station has taken (LOTE_EMITIDO), and commits it. `stored` reads the
// highest number the table holds; it is read again on every draw. The key of
// LOTE_EMITIDO decides between stations drawing at once: the loser draws the
// next number.
int64_t reserve_lot(TTIQuery& q, const std::string& tabela, const std::string& Prefixo,
                    const std::function<int64_t()>& stored) {
  int64_t at_least = 0;
  for (;;) {
    const int64_t highest_stored = stored();
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("SELECT MAX(NUMERO) AS NUMERO FROM " + DBLocal("LOTE_EMITIDO"));
    q.SQL.Add("WHERE TABELA = :TABELA AND PREFIXO = :PREFIXO");
    q.ParamByName("TABELA").AsString = tabela;
    q.ParamByName("PREFIXO").AsString = Prefixo;
    q.Open();
    const int64_t next = std::max({highest_stored + 1, q.FieldByName("NUMERO").AsLargeInt() + 1, at_least});
    at_least = next + 1;

    q.Close();
    q.SQL.Clear();
    q.SQL.Add("INSERT INTO " + DBLocal("LOTE_EMITIDO") + " (TABELA, PREFIXO, NUMERO)");
    q.SQL.Add("VALUES (:TABELA, :PREFIXO, :NUMERO)");
    q.ParamByName("TABELA").AsString = tabela;
    q.ParamByName("PREFIXO").AsString = Prefixo;
    q.ParamByName("NUMERO").AsLargeInt = next;
    try {
      q.ExecSQL();
    } catch (const EDatabaseError& e) {
      // Another station took the number (committed, or held past the lock timeout).
      if (e.kind() == DatabaseErrorKind::unique_violation || e.is_conflict()) continue;
      throw;
    }
    Tabela.IBDatabase.DefaultTransaction().CommitRetaining();
    return next;
  }
}

}  // namespace

std::string ProximoRolo(const std::string& Prefixo, const std::string& Tipo) {
  const std::string table = Tipo == "M" ? "MAT_ITEN" : "PA_ITEN";
  TTIQuery q(Tabela.IBDatabase);
  const int64_t next = reserve_lot(q, table, Prefixo, [&]() -> int64_t {
    const std::string last = highest_roll(q, table, Prefixo);
    if (Length(last) <= Length(Prefixo)) return 0;
    return StrToInt64(Trim(Copy(last, Length(Prefixo) + 1, Length(last))));
  });
  return zero_padded(IntToStr(next), 3);
}

std::string ProximaOrdemTecelB(const std::string& Prefixo) {
  TTIQuery q(Tabela.IBDatabase);
  const int64_t next = reserve_lot(q, "TECELB", Prefixo, [&]() -> int64_t {
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("SELECT MAX( CAST( SUBSTRING(LOTE FROM 7 FOR 3) AS INTEGER) ) AS LOTE ");
    q.SQL.Add("FROM " + DBLocal("TECELB"));
    q.SQL.Add("WHERE LOTE LIKE :PREFIXO");
    q.SQL.Add("AND UDF_LEN(LOTE) > 6 ");
    q.ParamByName("PREFIXO").AsString = Prefixo + "%";
    q.Open();
    return q.FieldByName("LOTE").AsLargeInt();
  });
  return zero_padded(IntToStr(next), 3);
}

bool BuscarDtValidadeLote(const std::string& Codigo, const std::string& Lote) {
  if (Lote.empty()) return true;
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT MAX(OF2.DATA2) AS DTVALLOTE");
  q.SQL.Add("FROM " + DBLocal("OF2") + " OF2 ");
  q.SQL.Add("WHERE OF2.CODIGO = :CODIGO");
  q.SQL.Add("AND OF2.NUMERO   = :NUMERO");
  q.SQL.Add("AND OF2.DATA2 < :HOJE");
  q.ParamByName("CODIGO").AsString = Codigo;
  q.ParamByName("NUMERO").AsString = Lote;
  q.ParamByName("HOJE").AsDate = Date();
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A code or lot longer than its column is no lot on record.
    if (!e.is_truncation()) throw;
    return true;
  }
  if (q.FieldByName("DTVALLOTE").IsNull()) return true;
  const std::string text =
      "Lote Vencido:  " + Lote + "\r" + "Data Validade: " + q.FieldByName("DTVALLOTE").AsString();
  while (MessageBox(text, kCaption, MB_OKCANCEL | MB_DEFBUTTON2) != IDOK) {
    if (dialog_service().last_answer_unattended()) break;
  }
  return false;
}

bool VerificaStatusLaudo(const std::string& Codigo, const std::string& Lote, const std::string& Tela) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT OF2.STATUS, OF2.OBS FROM " + DBLocal("OF2") + " OF2 ");
  q.SQL.Add("WHERE OF2.CODIGO = :CODIGO");
  q.SQL.Add("AND OF2.NUMERO = :NUMERO");
  q.ParamByName("CODIGO").AsString = Codigo;
  q.ParamByName("NUMERO").AsString = Lote;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
    return true;
  }
  if (q.IsEmpty()) return true;
  const std::string status = Trim(q.FieldByName("STATUS").AsString());
  const std::string obs = q.FieldByName("OBS").AsString();
  if (status == "1") {
    const int answer = MessageBox("Lote Aprovado com Restrições " + obs + ". Deseja continuar?", kCaption,
                                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != IDYES) return false;
    return Acessa(Tela, "A", "1", "");
  }
  if (status == "2") {
    MessageBox("Lote Reprovado " + obs + ".", kCaption, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  if (status == "3") {
    MessageBox("Lote Em Análise.", kCaption, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  return true;
}

}  // namespace zpk
