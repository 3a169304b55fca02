#include "inventory/codigo_barras.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "documents/check_digits.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";
constexpr const char* kDigitosIncorretos = "Número de dígitos do código de barras incorreto.";

// `digits` left-padded with "0" to `width` characters (never cut).
std::string zero_padded(const std::string& digits, int width) {
  const int length = Length(digits);
  return length >= width ? digits : std::string(static_cast<size_t>(width - length), '0') + digits;
}

// Whether `name` can stand as a column name in a statement: a letter, then
// letters, digits, "_" or "$". ExisteBarra writes its column into the
// statement, so anything else (a quote, a blank, an expression) is refused.
bool column_name(std::string_view name) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (name.empty() || name.size() > 63 || !letter(name.front())) return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '_' || c == '$'; });
}

// The text of the first column of the statement's only row ("" for NULL).
std::string single_text(TTIQuery& q) {
  q.Open();
  return q.IsEmpty() ? std::string() : q.Fields(0).AsString();
}

// The highest number handed out of a kind (BARRA_EMITIDA), among the product
// codes of the 8-character prefix when `prefix8` is given; 0 when none.
int64_t highest_issued(TTIQuery& q, const char* tipo, const std::string& prefix8) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT MAX(CAST(SUBSTRING(BARRA FROM 1 FOR 12) AS BIGINT)) AS NUMERO FROM " +
            DBLocal("BARRA_EMITIDA"));
  q.SQL.Add("WHERE TIPO = :TIPO");
  if (!prefix8.empty()) q.SQL.Add("AND SUBSTRING(BARRA FROM 1 FOR 8) = :PREFIXO");
  q.ParamByName("TIPO").AsString = tipo;
  if (!prefix8.empty()) q.ParamByName("PREFIXO").AsString = prefix8;
  q.Open();
  return q.FieldByName("NUMERO").AsLargeInt();
}

// Takes the code for the item in BARRA_EMITIDA. False when another station
// holds it (its claim committed, or still open past the lock timeout): the
// caller draws the next number. Runs inside the caller's savepoint.
bool claim(TTIQuery& q, const char* tipo, const std::string& code, const std::string& codigo,
           const std::string& cor, const std::optional<std::string>& tam) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("INSERT INTO " + DBLocal("BARRA_EMITIDA") + " (TIPO, BARRA, CODIGO, COR, TAM)");
  q.SQL.Add("VALUES (:TIPO, :BARRA, :CODIGO, :COR, :TAM)");
  q.ParamByName("TIPO").AsString = tipo;
  q.ParamByName("BARRA").AsString = code;
  q.ParamByName("CODIGO").AsString = codigo;
  q.ParamByName("COR").AsString = cor;
  if (tam)
    q.ParamByName("TAM").AsString = *tam;
  else
    q.ParamByName("TAM").Clear();
  try {
    q.ExecSQL();
  } catch (const EDatabaseError& e) {
    if (e.kind() == DatabaseErrorKind::unique_violation || e.is_conflict()) return false;
    throw;
  }
  return true;
}

// Whether `select` (one :BARRA parameter) finds a row.
bool code_found(TTIQuery& q, const std::string& select, const std::string& code) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add(select);
  q.ParamByName("BARRA").AsString = code;
  q.Open();
  return !q.IsEmpty();
}

// Writes `value` into `column` of every row of the product item (all
// deposits, lots and qualities). Another station writing those rows at the
// same moment makes it wait and run again, so the code is never lost.
void store_on_product(TTIQuery& q, const char* column, const std::string& value, const std::string& codigo,
                      const std::string& cor, const std::string& tam) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("UPDATE " + DBLocal("PA_ITEN"));
  q.SQL.Add(std::string("SET ") + column + " = :VALOR");
  q.SQL.Add("WHERE CODIGO = :CODIGO");
  q.SQL.Add("AND COR = :COR");
  q.SQL.Add("AND TAM = :TAM");
  q.ParamByName("VALOR").AsString = value;
  q.ParamByName("CODIGO").AsString = codigo;
  q.ParamByName("COR").AsString = cor;
  q.ParamByName("TAM").AsString = tam;
  retry_on_conflict([&] { q.ExecSQL(); });
}

// The highest product code under the prefix (first 12 digits, "" when none);
// nullopt when the look-up failed, after telling the user.
std::optional<std::string> highest_product_code(TTIQuery& q, const std::string& prefix8) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT MAX(SUBSTRING(BARRA FROM 1 FOR 12)) AS BARRA");
  q.SQL.Add("FROM " + DBLocal("PA_ITEN"));
  if (!Trim(prefix8).empty()) {
    q.SQL.Add("WHERE SUBSTRING(BARRA FROM 1 FOR 8) = :PREFIXO");
    q.ParamByName("PREFIXO").AsString = prefix8;
  }
  try {
    return single_text(q);
  } catch (const EDatabaseError& e) {
    if (e.is_cancelled()) throw;
    MessageBox(e.message(), "Atenção!", MB_OK | MB_ICONERROR);
    return std::nullopt;
  }
}

// The product item's new EAN-13 under the company prefix (Gera_EAN13, "P").
std::string product_ean13(const std::string& Codigo, const std::string& Cor, const std::string& Tam) {
  TTITransaction& tx = Tabela.IBDatabase.DefaultTransaction();
  TTIQuery q(Tabela.IBDatabase);
  const std::string prefix8 = Copy(Tabela.PrefixoEAN, 1, 8);
  const std::string issued_prefix = Trim(prefix8).empty() ? std::string() : prefix8;
  // Numbers below this were found taken during this call: stepping past them
  // ends every retry, also when the stored maximum does not move.
  int64_t at_least = 0;
  for (;;) {
    const auto highest = highest_product_code(q, prefix8);
    if (!highest) return "";
    const std::string base = highest->empty() ? prefix8 + "0000" : *highest;
    // The base keeps its width, so a prefix starting with "0" keeps its zeros.
    const int64_t next =
        std::max({StrToInt64(base) + 1, highest_issued(q, "P", issued_prefix) + 1, at_least});
    const std::string digits = zero_padded(IntToStr(next), Length(base));
    // A number that is not exactly 12 digits would not give an EAN-13.
    if (Length(digits) != 12) {
      MessageBox(kDigitosIncorretos, kCaption, MB_OK | MB_ICONINFORMATION);
      return "";
    }
    const std::string code = Calcula_digito_EAN13(digits);
    at_least = next + 1;
    if (code_found(q, "SELECT BARRA FROM " + DBLocal("PA_ITEN") + " WHERE BARRA = :BARRA", code)) continue;

    {
      // The claim and the item's rows are written together or not at all.
      Savepoint writing(tx);
      if (!claim(q, "P", code, Codigo, Cor, Tam)) continue;
      store_on_product(q, "BARRA", code, Codigo, Cor, Tam);
      writing.release();
    }
    tx.CommitRetaining();

    // A code written onto another item by other means (an import) is given
    // back and this item draws again.
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("SELECT DISTINCT CODIGO, COR, TAM FROM " + DBLocal("PA_ITEN"));
    q.SQL.Add("WHERE BARRA = :BARRA");
    q.ParamByName("BARRA").AsString = code;
    q.Open();
    if (q.RecordCount() > 1) {
      store_on_product(q, "BARRA", "", Codigo, Cor, Tam);
      tx.CommitRetaining();
      continue;
    }
    return code;
  }
}

// The material item's new EAN-13 (Gera_EAN13, "M").
std::string material_ean13(const std::string& Codigo, const std::string& Cor) {
  TTITransaction& tx = Tabela.IBDatabase.DefaultTransaction();
  TTIQuery q(Tabela.IBDatabase);
  int64_t at_least = 0;
  for (;;) {
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("SELECT MAX(SUBSTRING(BARRA FROM 1 FOR 12)) AS BARRA");
    q.SQL.Add("FROM " + DBLocal("MAT_ITEN"));
    const std::string highest = Trim(single_text(q));
    const int64_t next =
        std::max({(highest.empty() ? 0 : StrToInt64(highest)) + 1, highest_issued(q, "M", "") + 1, at_least});
    const std::string digits = zero_padded(IntToStr(next), 12);
    if (Length(digits) != 12) {
      MessageBox(kDigitosIncorretos, kCaption, MB_OK | MB_ICONINFORMATION);
      return "";
    }
    const std::string code = Calcula_digito_EAN13(digits);
    // A code in use or reserved is stepped past, so a reservation above the
    // stored maximum cannot hold the numbering in place.
    at_least = next + 1;
    if (code_found(q, "SELECT BARRA FROM " + DBLocal("MAT_ITEN") + " WHERE BARRA = :BARRA", code) ||
        code_found(q, "SELECT VALOR FROM " + DBLocal("CODIGOSVALOR") + " WHERE VALOR = :BARRA", code))
      continue;

    {
      Savepoint writing(tx);
      if (!claim(q, "M", code, Codigo, Cor, std::nullopt)) continue;
      q.Close();
      q.SQL.Clear();
      q.SQL.Add(" UPDATE " + DBLocal("MAT_ITEN") +
                " SET BARRA = :BARRA WHERE CODIGO = :CODIGO AND COR = :COR");
      q.ParamByName("BARRA").AsString = code;
      q.ParamByName("CODIGO").AsString = Codigo;
      q.ParamByName("COR").AsString = Cor;
      retry_on_conflict([&] { q.ExecSQL(); });
      writing.release();
    }
    tx.CommitRetaining();
    return code;
  }
}

}  // namespace

std::string Gera_EAN13(const std::string& Codigo, const std::string& Cor, const std::string& Tam,
                       const std::string& Tipo) {
  if (Tipo == "P") return product_ean13(Codigo, Cor, Tam);
  if (Tipo == "M") return material_ean13(Codigo, Cor);
  return "";
}

std::string Gera_EAN28(const std::string& Codigo, const std::string& Cor, const std::string& Tam) {
  TTITransaction& tx = Tabela.IBDatabase.DefaultTransaction();
  TTIQuery q(Tabela.IBDatabase);
  int64_t at_least = 0;
  for (;;) {
    q.Close();
    q.SQL.Clear();
    q.SQL.Add("SELECT MAX(BARRA28) AS BARRA FROM " + DBLocal("PA_ITEN"));
    const int64_t stored = StrToInt64Def(Trim(single_text(q)), 0);
    const int64_t next = std::max({stored + 1, highest_issued(q, "I", "") + 1, at_least});
    const std::string code = zero_padded(IntToStr(next), 6);
    at_least = next + 1;
    // A stored maximum that is not a number starts over at 1: codes below it
    // may be in use.
    if (code_found(q, "SELECT FIRST 1 BARRA28 FROM " + DBLocal("PA_ITEN") + " WHERE BARRA28 = :BARRA", code))
      continue;

    {
      Savepoint writing(tx);
      if (!claim(q, "I", code, Codigo, Cor, Tam)) continue;
      store_on_product(q, "BARRA28", code, Codigo, Cor, Tam);
      writing.release();
    }
    tx.CommitRetaining();
    return code;
  }
}

bool ExisteBarra(const std::string& Campo, const std::string& Codigo, const std::string& Cor,
                 const std::string& Tam, const std::string& Tipo) {
  if (Tipo != "P" && Tipo != "M") return false;
  if (!column_name(Campo)) throw EZpkError("ExisteBarra: '" + Campo + "' is not a column name");
  SqlBuscaScope busca;
  if (Tipo == "P") {
    busca->SQL.Add("SELECT " + Campo + " FROM " + DBLocal("PA_ITEN"));
    busca->SQL.Add("WHERE CODIGO = :CODIGO");
    busca->SQL.Add("AND COR = :COR");
    busca->SQL.Add("AND TAM = :TAM");
    busca->SQL.Add("AND TIPO = '1'");
    busca->ParamByName("TAM").AsString = Tam;
  } else {
    busca->SQL.Add("SELECT " + Campo + " FROM " + DBLocal("MAT_ITEN"));
    busca->SQL.Add("WHERE CODIGO = :CODIGO");
    busca->SQL.Add("AND COR = :COR");
  }
  busca->ParamByName("CODIGO").AsString = Codigo;
  busca->ParamByName("COR").AsString = Cor;
  try {
    busca->Open();
  } catch (const EDatabaseError& e) {
    // A code longer than its column is no item.
    if (!e.is_truncation()) throw;
    return false;
  }
  for (; !busca->Eof(); busca->Next()) {
    if (!Trim(busca->Fields(0).AsString()).empty()) return true;
  }
  return false;
}

bool VerificaLimiteBarraEAN13(const std::string& Barra) {
  if (Barra.empty()) return true;
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT BARRA  FROM " + DBLocal("PA_ITEN"));
  busca->SQL.Add("WHERE SUBSTRING(BARRA FROM 1 FOR 12) >= :BARRA12");
  busca->SQL.Add("AND  SUBSTRING(BARRA FROM 1 FOR 8) = :BARRA8");
  busca->ParamByName("BARRA12").AsString = Copy(Barra, 1, 12);
  busca->ParamByName("BARRA8").AsString = Copy(Barra, 1, 8);
  busca->Open();
  for (; !busca->Eof(); busca->Next()) {
    if (!Trim(busca->FieldByName("BARRA").AsString()).empty()) {
      MessageBox("Número do código de barras ultrapassou o limite.", kCaption, MB_OK | MB_ICONINFORMATION);
      return false;
    }
  }
  return true;
}

}  // namespace zpk
