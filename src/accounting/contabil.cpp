#include "accounting/contabil.hpp"

#include <set>
#include <string>

#include "accounting/detail/classe_conta.hpp"
#include "documents/check_digits.hpp"
#include "foundation/audit_log.hpp"
#include "foundation/lookups.hpp"
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

constexpr const char* kCaption = "ZELVO ERP";
constexpr const char* kTelaLog = "FUNCAO CONTABIL";
constexpr int kSunday = 1;
constexpr int kSaturday = 7;

TTIDatabase& database_or_shared(TTIDatabase* Database) {
  return Database != nullptr ? *Database : Tabela.IBDatabase;
}

void inform(const std::string& text) {
  MessageBox(text, kCaption, MB_OK | MB_ICONINFORMATION);
}

// Prepares `q` for a new statement of one line.
void restart(TTIQuery& q, const std::string& sql) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add(sql);
}

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

// Runs a DELETE whose bound values are compared with columns; a value longer
// than its column matches no row, so nothing is deleted.
void delete_matching(TTIQuery& q) {
  try {
    q.ExecSQL();
  } catch (const EDatabaseError& e) {
    if (!e.is_truncation()) throw;
  }
}

// The column `retorno` of the first row of `tabela` where `campo` = `valor`
// (bound), on the shared connection; "" when there is none or it is NULL.
std::string lookup(const std::string& tabela, const std::string& campo, const std::string& retorno,
                   std::string_view valor) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 " + retorno + " FROM " + DBLocal(tabela) + " WHERE " + campo + " = :VALOR");
  q.ParamByName("VALOR").AsString = std::string(valor);
  if (!open_matching(q) || q.IsEmpty()) return "";
  return q.FieldByName(retorno).AsString();
}

// Whether `tabela` has a row where `campo` = `valor` (bound).
bool exists(const std::string& tabela, const std::string& campo, std::string_view valor) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 1 FROM " + DBLocal(tabela) + " WHERE " + campo + " = :VALOR");
  q.ParamByName("VALOR").AsString = std::string(valor);
  return open_matching(q) && !q.IsEmpty();
}

// The financial combination a receivable or payable posting is mapped by.
using Combination = detail::FinancialCombination;

// The wallet and occurrence of a "wallet-occurrence" text: the part before the
// first "-" and the two characters after it; without a "-", no wallet and the
// first two characters. Both cleaned as the screens store them (digits only).
void split_carteira(std::string_view Carteira, std::string& carteira, std::string& ocorrencia) {
  const int dash = Pos("-", Carteira);
  if (dash > 0) {
    carteira = Trim(LimpaCpfCnpj(Copy(Carteira, 1, dash - 1)));
    ocorrencia = Trim(LimpaCpfCnpj(Copy(Carteira, dash + 1, 2)));
  } else {
    carteira.clear();
    ocorrencia = Trim(LimpaCpfCnpj(Copy(Carteira, 1, 2)));
  }
}

// Where a side of a receivable or payable posting takes its account when the
// nature leaves it empty.
enum class Source { none, candidate, tagged, customer, supplier };

struct TypeSources {
  const char* tipo;
  Source credit;
  Source debit;
};

constexpr TypeSources kTypeSources[] = {
    {"RR", Source::customer, Source::candidate}, {"RJ", Source::tagged, Source::candidate},
    {"RD", Source::customer, Source::tagged},    {"RA", Source::tagged, Source::customer},
    {"RV", Source::customer, Source::tagged},    {"RT", Source::candidate, Source::tagged},
    {"RC", Source::candidate, Source::tagged},   {"PP", Source::candidate, Source::supplier},
    {"PJ", Source::candidate, Source::tagged},   {"PD", Source::tagged, Source::supplier},
    {"PV", Source::tagged, Source::supplier},
};

bool is_blank_account(const std::string& conta) {
  return conta.empty() || conta == "0";
}

// The ledger accounts of a receivable ("R...") or payable ("P...") posting,
// and its history text (the description of the credit account for
// receivables, of the debit account for payables).
void financial_accounts(std::string_view EntidadeC, std::string_view EntidadeD, const std::string& tipo,
                        const Combination& combination, std::string& credito, std::string& debito,
                        std::string& historico) {
  const std::string candidate = detail::nature_candidate(combination, false);

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 CONTA_C, CONTA_D FROM " + DBLocal("NAT_CONTA") +
            " WHERE CODIGO = :CODIGO AND TIPO = 'VF'");
  q.ParamByName("CODIGO").AsString = candidate;
  if (open_matching(q) && !q.IsEmpty()) {
    credito = q.FieldByName("CONTA_C").AsString();
    debito = q.FieldByName("CONTA_D").AsString();
  }

  const auto source_account = [&](Source source) -> std::string {
    switch (source) {
      case Source::candidate:
        return candidate;
      case Source::tagged:
        return lookup("CONTA_CONT", "TIPO", "CODIGO", tipo);
      case Source::customer:
        return lookup("ENTIDADE", "CODCLI", "CONTAC", EntidadeC);
      case Source::supplier:
        return lookup("ENTIDADE", "CODCLI", "CONTAD", EntidadeD);
      case Source::none:
        break;
    }
    return "";
  };
  for (const TypeSources& t : kTypeSources) {
    if (tipo != t.tipo) continue;
    if (is_blank_account(credito)) credito = source_account(t.credit);
    if (is_blank_account(debito)) debito = source_account(t.debit);
  }

  historico = lookup("CONTA_CONT", "CODIGO", "DESCRICAO", tipo[0] == 'R' ? credito : debito);
}

// Whether the ledger account is a result account.
bool is_result_account(const std::string& conta) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 1 FROM " + DBLocal("CONTA_CONT") + " WHERE CODIGO = :CODIGO AND CT_RESULT = 'S'");
  q.ParamByName("CODIGO").AsString = conta;
  return open_matching(q) && !q.IsEmpty();
}

// The name of the second ledger: CONTABIL followed by the company's second
// accounting suffix. A table name cannot be bound, so the suffix is refused
// unless it is a plain name part (letters, digits and "_").
std::string second_ledger(const std::string& suffix) {
  for (const char ch : suffix) {
    const bool plain =
        (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_';
    if (!plain) {
      throw EZpkError("DeletaContabilidadeFiscal: the accounting suffix '" + suffix +
                      "' is not a table-name part (letters, digits and \"_\" only)");
    }
  }
  return "CONTABIL" + suffix;
}

bool is_weekend(TDateTime day) {
  const int dow = DayOfWeek(day);
  return dow == kSunday || dow == kSaturday;
}

// The holidays of the company's calendar (rows with Dia_Util "N"), by day number.
std::set<int64_t> calendar_holidays() {
  Tabela.CalendarioDiaUtil.Open();
  std::set<int64_t> holidays;
  for (Tabela.CalendarioDiaUtil.First(); !Tabela.CalendarioDiaUtil.Eof(); Tabela.CalendarioDiaUtil.Next()) {
    if (Tabela.CalendarioDiaUtil.FieldByName("Dia_Util").AsString() != "N") continue;
    holidays.insert(
        static_cast<int64_t>(DateOf(Tabela.CalendarioDiaUtil.FieldByName("Data").AsDateTime()).Value));
  }
  return holidays;
}

// The booking date over a known calendar; see DataContabilizacaoBancaria.
TDateTime booking_date(TDateTime data, int dias, const std::set<int64_t>& holidays) {
  const auto non_business = [&holidays](TDateTime day) {
    return is_weekend(day) || holidays.count(static_cast<int64_t>(DateOf(day).Value)) > 0;
  };
  // The float counts business days: every non-business day it spans moves
  // the booking one day further, and so does a Sunday right after it.
  int extra = 0;
  if (dias > 1) {
    for (int i = 0; i <= dias; ++i) {
      if (non_business(IncDay(data, i))) ++extra;
    }
    if (DayOfWeek(IncDay(data, dias + 1)) == kSunday) ++extra;
  }
  while (non_business(data)) data = IncDay(data, 1);
  TDateTime result = IncDay(data, dias + extra);
  while (non_business(result)) result = IncDay(result, 1);
  return result;
}

}  // namespace

int ProximoOrdemLancamento(std::string_view Lancto, TTIDatabase* Database) {
  TTIQuery q(database_or_shared(Database));
  q.SQL.Add("SELECT MAX(CONTABIL.ORDEM) AS ORDEM FROM " + DBLocal("CONTABIL") +
            " CONTABIL WHERE CONTABIL.LANCAMENTO = :LANCAMENTO");
  q.ParamByName("LANCAMENTO").AsString = std::string(Lancto);
  // A key longer than the column has no rows yet.
  if (!open_matching(q)) return 1;
  return q.FieldByName("ORDEM").AsInteger() + 1;
}

int post_with_next_ordem(std::string_view Lancto, const std::function<void(int ordem)>& insert,
                         TTIDatabase* Database) {
  return retry_on_conflict([&] {
    const int ordem = ProximoOrdemLancamento(Lancto, Database);
    try {
      insert(ordem);
    } catch (const EDatabaseError& e) {
      if (e.kind() != DatabaseErrorKind::unique_violation) throw;
      throw EDatabaseError(DatabaseErrorKind::conflict, e,
                           "ORDEM " + std::to_string(ordem) + " of posting " + std::string(Lancto) +
                               " was written by another station");
    }
    return ordem;
  });
}

void LancaContabilidade(std::string_view Lancto, std::string_view Docto, std::string_view Numero,
                        std::string_view EntidadeC, std::string_view EntidadeD, std::string_view Operacao,
                        std::string_view Tipo, std::string_view Classe, std::string_view Historico,
                        double Valor, TDateTime Data, std::string_view Carteira, std::string_view Observacao,
                        TTIDatabase* Database) {
  if (BuscaParametro("FIN", 30) == "N") return;
  if (EntidadeC == "000" || EntidadeD == "000") return;

  const std::string tipo(Tipo);
  std::string credito;
  std::string debito;
  std::string historico;
  if (tipo == "CP" || tipo == "CR" || tipo == "CC") {
    if (tipo != "CC" && BuscaParametro("FIN", 40) == "N") return;
    credito = std::string(EntidadeC);
    debito = std::string(EntidadeD);
    historico = lookup("SUBGRUPO", "CODIGO", "DESCRICAO", Classe);
  }

  Combination combination;
  combination.historico = std::string(Historico);
  combination.classe = std::string(Classe);
  split_carteira(Carteira, combination.carteira, combination.ocorrencia);
  if (!tipo.empty() && (tipo[0] == 'R' || tipo[0] == 'P')) {
    combination.conta = std::string(tipo[0] == 'R' ? EntidadeD : EntidadeC);
    financial_accounts(EntidadeC, EntidadeD, tipo, combination, credito, debito, historico);
  }

  // The posting is written without the account the user is told about: the
  // accountant completes it in the ledger screen.
  if (debito.empty()) inform("Conta Débito não encontrada para lançamento Contábil. " + Aspas(EntidadeD));
  if (credito.empty()) inform("Conta Crédito não encontrada para lançamento Contábil. " + Aspas(EntidadeD));

  if (!Trim(Observacao).empty()) historico = std::string(Observacao);

  std::string resultado;
  if (is_result_account(debito)) resultado = debito;
  if (is_result_account(credito)) resultado = credito;

  TTIDatabase& db = database_or_shared(Database);
  const Currency valor = Valor;  // NUMERIC(18,4): bound exactly
  post_with_next_ordem(
      Lancto,
      [&](int ordem) {
        TTIQuery q(db);
        q.SQL.Add("INSERT INTO " + DBLocal("CONTABIL"));
        q.SQL.Add(
            "(LANCAMENTO,ORDEM,DOCTO,NUMERO,DATA,DATA_LAN,VALOR,OPERACAO,CONTA_D,CONTA_C,CONTA_R,TIPO,");
        q.SQL.Add("OBSERVACAO) VALUES (:LANCAMENTO,:ORDEM,:DOCTO,:NUMERO,:DATA,:DATA_LAN,:VALOR,:OPERACAO,");
        q.SQL.Add(":CONTA_D,:CONTA_C,:CONTA_R,:TIPO,:OBSERVACAO)");
        q.ParamByName("LANCAMENTO").AsString = std::string(Lancto);
        q.ParamByName("ORDEM").AsInteger = ordem;
        q.ParamByName("DOCTO").AsString = std::string(Docto);
        q.ParamByName("NUMERO").AsString = std::string(Numero);
        q.ParamByName("DATA").AsDate = Data;
        q.ParamByName("DATA_LAN").AsDate = Date();
        q.ParamByName("VALOR").AsCurrency = valor;
        q.ParamByName("OPERACAO").AsString = std::string(Operacao);
        q.ParamByName("CONTA_D").AsString = debito;
        q.ParamByName("CONTA_C").AsString = credito;
        q.ParamByName("CONTA_R").AsString = resultado;
        q.ParamByName("TIPO").AsString = tipo;
        q.ParamByName("OBSERVACAO").AsString = historico;
        q.ExecSQL();
      },
      &db);
  db.DefaultTransaction().CommitRetaining();
}

void LancaContaCorrente(std::string_view Lancto, std::string_view Docto, std::string_view Complemento,
                        std::string_view Conta, std::string_view Grupo, std::string_view Historico,
                        std::string_view Tipo, std::string_view Pendente, std::string_view Operacao,
                        std::string_view Observacao, double Valor, TDateTime DataLancamento,
                        TDateTime DataContabil, TDateTime DataVencimento, std::string_view TipoDoc,
                        TTIDatabase* Database) {
  (void)Complemento;
  if (Trim(Conta).empty() || !exists("CADCONTA", "CONTA", Conta)) {
    inform("Conta inválida.");
    return;
  }
  if (Trim(Docto).empty()) inform("Documento inválido.");

  const auto or_default = [](std::string_view value, const char* fallback) {
    return Trim(value).empty() ? std::string(fallback) : std::string(value);
  };
  const Currency valor = Valor;  // NUMERIC(18,4): bound exactly
  TTIDatabase& db = database_or_shared(Database);
  TTIQuery q(db);
  q.SQL.Add("INSERT INTO " + DBLocal("CONTACOR"));
  q.SQL.Add("(BANCO, CONTA, DOCTO, DT_LAN, DT_CONT, DT_VENCTO, GRUPO, OBSERVACAO, HISTORICO, LANCAMENTO,");
  q.SQL.Add("VALOR, TIPO, PENDENTE, TIPO_DOC, OPERACAO) VALUES (:BANCO, :CONTA, :DOCTO, :DT_LAN, :DT_CONT,");
  q.SQL.Add(":DT_VENCTO, :GRUPO, :OBSERVACAO, :HISTORICO, :LANCAMENTO, :VALOR, :TIPO, :PENDENTE, :TIPO_DOC,");
  q.SQL.Add(":OPERACAO)");
  q.ParamByName("BANCO").AsString = lookup("CADCONTA", "CONTA", "BANCO", Conta);
  q.ParamByName("CONTA").AsString = std::string(Conta);
  q.ParamByName("DOCTO").AsString = std::string(Docto);
  q.ParamByName("DT_LAN").AsDate = DataLancamento;
  q.ParamByName("DT_CONT").AsDate = DataContabil;
  q.ParamByName("DT_VENCTO").AsDate = DataVencimento;
  q.ParamByName("GRUPO").AsString = or_default(Grupo, "1000");
  q.ParamByName("OBSERVACAO").AsString = Copy(Observacao, 1, 100);
  q.ParamByName("HISTORICO").AsString = or_default(Historico, "0001");
  q.ParamByName("LANCAMENTO").AsString = std::string(Lancto);
  q.ParamByName("VALOR").AsCurrency = valor;
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  q.ParamByName("PENDENTE").AsString = std::string(Pendente);
  q.ParamByName("TIPO_DOC").AsString = or_default(TipoDoc, "DP");
  q.ParamByName("OPERACAO").AsString = std::string(Operacao);
  q.ExecSQL();
  db.DefaultTransaction().CommitRetaining();
}

void DeletaCentroRateio(std::string_view Numero, std::string_view Tipo, bool GravaLog) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("DELETE FROM " + DBLocal("CENTRO_RATEIO") + " WHERE NUMERO = :NUMERO AND TIPO = :TIPO");
  q.ParamByName("NUMERO").AsString = std::string(Numero);
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  delete_matching(q);
  if (GravaLog) {
    GeraLog(kTelaLog, "EXCLUSAO DO CENTRO RATEIO: " + std::string(Numero) + " TIPO: " + std::string(Tipo),
            oplExclusao, Numero);
  }
}

void DeletaContabilidadeFiscal(std::string_view Numero, std::string_view Tipo, std::string_view CodCli,
                               std::string_view Lancto, TTIDatabase* Database) {
  const std::string sufixo = Trim(Tabela.SufixoContabil);
  const std::string second = sufixo.empty() ? std::string() : second_ledger(sufixo);
  const std::string tipo(Tipo);
  std::string lancamento(Lancto);

  TTIDatabase& db = database_or_shared(Database);
  {
    // The document's postings go as a whole, from both ledgers and the bank book.
    Savepoint deletion(db.DefaultTransaction());
    TTIQuery q(db);
    if (tipo == "AR" || tipo == "AP") {
      if (Trim(lancamento).empty()) {
        TTIQuery k(Tabela.IBDatabase);
        k.SQL.Add("SELECT FIRST 1 LANCAMENTO FROM " + DBLocal("CONTABIL") +
                  " WHERE NUMERO = :NUMERO AND TIPO = :TIPO");
        k.ParamByName("NUMERO").AsString = std::string(Numero);
        k.ParamByName("TIPO").AsString = tipo;
        if (open_matching(k) && !k.IsEmpty()) lancamento = k.FieldByName("LANCAMENTO").AsString();
      }
      // Without a posting key there are no movements of this document: a
      // blank key would take every movement written without one. Cheques stay
      // in the bank book: they are handed back or deposited on their own.
      if (!Trim(lancamento).empty()) {
        restart(q, "DELETE FROM " + DBLocal("CONTACOR") +
                       " WHERE LANCAMENTO = :LANCAMENTO AND (TIPO_DOC <> 'CH' OR TIPO_DOC IS NULL)");
        q.ParamByName("LANCAMENTO").AsString = lancamento;
        delete_matching(q);
      }
    }
    const auto delete_postings = [&](const std::string& table) {
      std::string sql = "DELETE FROM " + table + " WHERE NUMERO = :NUMERO AND TIPO = :TIPO";
      if (!CodCli.empty()) sql += " AND CODCLI = :CODCLI";
      restart(q, sql);
      q.ParamByName("NUMERO").AsString = std::string(Numero);
      q.ParamByName("TIPO").AsString = tipo;
      if (!CodCli.empty()) q.ParamByName("CODCLI").AsString = std::string(CodCli);
      delete_matching(q);
    };
    delete_postings(DBLocal("CONTABIL"));
    if (!second.empty()) delete_postings(second);
    deletion.release();
  }
  GeraLog(kTelaLog, "EXCLUSAO DO LANCAMENTO " + lancamento, oplExclusao, lancamento);
  db.DefaultTransaction().CommitRetaining();
}

void DeletaContabilidadeFinan(std::string_view Lancto, TTIDatabase* Database) {
  TTIDatabase& db = database_or_shared(Database);
  TTIQuery q(db);
  q.SQL.Add("DELETE FROM " + DBLocal("CONTABIL") + " WHERE LANCAMENTO = :LANCAMENTO");
  q.ParamByName("LANCAMENTO").AsString = std::string(Lancto);
  delete_matching(q);
  db.DefaultTransaction().CommitRetaining();
}

void DeletaContaCorrente(std::string_view Lancto, TTIDatabase* Database) {
  TTIDatabase& db = database_or_shared(Database);
  {
    // A movement goes with its ledger rows and their cost-centre split, or none of them does.
    Savepoint deletion(db.DefaultTransaction());
    TTIQuery q(db);
    for (const char* table : {"CONTACOR", "CONTABIL", "CENTRO_RATEIO"}) {
      restart(q, "DELETE FROM " + DBLocal(table) + " WHERE LANCAMENTO = :LANCAMENTO");
      q.ParamByName("LANCAMENTO").AsString = std::string(Lancto);
      delete_matching(q);
    }
    deletion.release();
  }
  db.DefaultTransaction().CommitRetaining();
}

bool PeriodoConciliado(TDateTime Data, std::string_view Tipo) {
  if (Data.Value <= 0) {
    inform("Data inválida.");
    return true;
  }
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT EMP_DTCONT, EMP_DTINV, EMP_DTFISCAL FROM " + DBLocal("EMPRESA") +
            " WHERE EMP_PAT = :EMP_PAT");
  q.ParamByName("EMP_PAT").AsString = Tabela.SufixoEmpresa;
  const bool found = open_matching(q) && !q.IsEmpty();
  const auto closing = [&](const char* column) {
    return found ? q.FieldByName(column).AsDateTime() : DateNull;
  };

  // A closing date closes its whole day, whatever the time of the movement.
  const TDateTime day = DateOf(Data);
  const auto blocked = [&](TDateTime fechamento, const std::string& before, const std::string& after) {
    if (fechamento.Value <= 0 || day > DateOf(fechamento)) return false;
    inform(before + FormatDateTime("dd/mm/yyyy", fechamento) + after);
    return true;
  };
  const std::string tipo(Tipo);
  if (tipo == "CX" || tipo == "CT") {
    if (blocked(closing("EMP_DTCONT"), "Período já conciliado em ", " na Empresa. Impossível movimentar."))
      return true;
    if (tipo == "CT" && blocked(Tabela.ContaReconciliacao, "Período já conciliado em ",
                                " na Conta Corrente. Impossível movimentar."))
      return true;
  } else if (tipo == "IV") {
    return blocked(closing("EMP_DTINV"), "Inventário já fechado em ", " na Empresa. Impossível movimentar.");
  } else if (tipo == "FI") {
    return blocked(closing("EMP_DTFISCAL"), "Período Fiscal já conciliado em ",
                   " na Empresa. Impossível movimentar.");
  }
  return false;
}

TDateTime DataContabilizacaoBancaria(TDateTime Data, std::string_view Situacao, bool UsaSituacao) {
  int dias = 0;
  if (UsaSituacao) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT DIAS FROM " + DBLocal("TABSIT") + " WHERE CODIGO = :CODIGO");
    q.ParamByName("CODIGO").AsString = std::string(Situacao);
    // An unknown situation floats one day; a float that is no number, none.
    dias = open_matching(q) && !q.IsEmpty() ? StrToIntDef(Trim(q.FieldByName("DIAS").AsString()), 0) : 1;
  }
  return booking_date(Data, dias, calendar_holidays());
}

std::string LancamentoPendente(std::string_view Conta, std::string_view Historico) {
  if (lookup("CADCONTA", "CONTA", "PENDENTE", Conta) == "S") return "S";
  if (lookup("HISTCP", "HISTORICO", "SITUACAO", Historico) == "P") return "S";
  return "N";
}

std::string ExisteAP(std::string_view CodCre, double Valor, TDateTime Vencimento) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT FIRST 1 NUM_AP FROM " + DBLocal("PAGTO") + " PAGTO");
  q.SQL.Add("WHERE PAGTO.CODCRE = :CODCRE AND PAGTO.VALOR = :VALOR AND PAGTO.DT_VEN = :DT_VEN");
  q.SQL.Add("ORDER BY PAGTO.NUM_AP");
  q.ParamByName("CODCRE").AsString = std::string(CodCre);
  q.ParamByName("VALOR").AsCurrency = Currency(Valor);
  q.ParamByName("DT_VEN").AsDate = Vencimento;
  if (!open_matching(q) || q.IsEmpty()) return "";
  return q.FieldByName("NUM_AP").AsString();
}

}  // namespace zpk
