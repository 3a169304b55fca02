#include "receivables/rec_duplicata.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "foundation/lookups.hpp"
#include "platform/db/database_error.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// The codes RECEBER.STATUS stores, in the order of TStatusDuplicata.
constexpr std::array<std::string_view, 9> kStatusCodes{"N", "A", "O", "CH", "C", "D", "G", "DV", "CD"};

// Whether `suffix` can follow a table name in a statement: letters, digits and
// "_" only. Empresa is written into the statement as part of a table name, so
// anything else (a quote, a blank, a ";") would change the statement.
bool table_suffix(std::string_view suffix) {
  for (const char c : suffix) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

// A batch number as stored and shown: at least six digits, left-padded with "0".
std::string padded(int64_t number) {
  const std::string digits = IntToStr(number);
  return digits.size() >= 6 ? digits : std::string(6 - digits.size(), '0') + digits;
}

// The highest NUMERO of `table` for the kind (0 when there is none).
int64_t highest(TTIQuery& q, const std::string& table, const std::string& tipo) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT MAX(NUMERO) AS BORDERO FROM " + table);
  q.SQL.Add("WHERE TIPO = :TIPO");
  q.ParamByName("TIPO").AsString = tipo;
  q.Open();
  return q.FieldByName("BORDERO").AsLargeInt();
}

// The first number from `numero` up that no payable's LOTE carries. LOTE is
// text: a value that is not a number makes the cast fail, and the search then
// stops quietly at the number reached, as the payables screen expects.
int64_t skip_payables(TTIQuery& q, int64_t numero) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("SELECT DISTINCT 1 FROM " + DBLocal("PAGTO"));
  q.SQL.Add("WHERE LOTE > '0'");
  q.SQL.Add("AND CAST(COALESCE(LOTE,'0') AS INTEGER) = :NUMERO");
  try {
    for (;;) {
      q.Close();
      q.ParamByName("NUMERO").AsLargeInt = numero;
      q.Open();
      if (q.IsEmpty()) break;
      ++numero;
    }
  } catch (const EDatabaseError& e) {
    if (e.is_cancelled()) throw;
  }
  return numero;
}

// Takes the number for the kind; another station that took it first turns
// the key's refusal into a conflict, so that the caller draws again.
void reserve(TTIQuery& q, int64_t numero, const std::string& tipo) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("INSERT INTO " + DBLocal("BORDERO_NUMERO") + " (NUMERO,TIPO) VALUES (:NUMERO,:TIPO)");
  q.ParamByName("NUMERO").AsLargeInt = numero;
  q.ParamByName("TIPO").AsString = tipo;
  try {
    q.ExecSQL();
  } catch (const EDatabaseError& e) {
    if (e.kind() != DatabaseErrorKind::unique_violation) throw;
    throw EDatabaseError(DatabaseErrorKind::conflict, e,
                         "collection batch " + padded(numero) + " was taken by another station");
  }
}

}  // namespace

TRecDuplicata::TRecDuplicata(TStatusDuplicata Status)
    : Status(Status), database_(&Tabela.IBDatabase), query_(std::make_unique<TTIQuery>(Tabela.IBDatabase)) {}

TRecDuplicata::~TRecDuplicata() = default;

void TRecDuplicata::SetDatabase(TTIDatabase* Value) {
  database_ = Value ? Value : &Tabela.IBDatabase;
  if (query_) query_->SetDatabase(*database_);
}

std::string TRecDuplicata::StatusDuplicata() const {
  return std::string(kStatusCodes.at(static_cast<size_t>(Status)));
}

std::string TRecDuplicata::table() const {
  if (Empresa.empty()) return DBLocal("RECEBER");
  if (!table_suffix(Empresa)) {
    throw EZpkError("TRecDuplicata: Empresa '" + Empresa +
                    "' is not a table-name suffix (letters, digits, _)");
  }
  return "RECEBER" + Empresa;
}

namespace {

// Binds the columns that a new title and a rewrite both take from the
// title's properties (each parameter named after its column).
void bind_shared_columns(TTIQuery& q, const TRecDuplicata& d) {
  q.ParamByName("NUMERO").AsString = d.Numero;
  q.ParamByName("CODCLI").AsString = d.CodCli;
  q.ParamByName("CODREP").AsString = d.CodRep;
  q.ParamByName("CODREP2").AsString = d.CodRep2;
  q.ParamByName("FATURA").AsString = d.Fatura;
  q.ParamByName("VALOR2").AsCurrency = d.Valor;
  q.ParamByName("VALOR").AsCurrency = d.ValorFatura;
  q.ParamByName("DT_VENCTO").AsDate = d.DataVencimento;
  q.ParamByName("DT_EMISSAO").AsDate = d.DataEmissao;
  q.ParamByName("QUANT").AsFloat = d.QtdePecas;
  q.ParamByName("HISTORICO").AsString = d.Historico;
  q.ParamByName("CLASSE").AsString = d.Classe;
  q.ParamByName("BANCO").AsString = d.Banco;
  q.ParamByName("SITUACAO").AsString = d.Situacao;
  q.ParamByName("COM1").AsCurrency = d.Comissao1;
  q.ParamByName("COM2").AsCurrency = d.Comissao2;
  q.ParamByName("COM3").AsCurrency = d.Comissao3;
  q.ParamByName("COM4").AsCurrency = d.Comissao4;
  q.ParamByName("VAL_IPI").AsCurrency = d.ValorIPI;
  q.ParamByName("DESPESAS").AsCurrency = d.Despesas;
  q.ParamByName("VAL_SUBST").AsCurrency = d.ValorSubst;
  q.ParamByName("PEDIDO").AsString = d.Pedido;
  q.ParamByName("NRO_CUPOM").AsInteger = d.NumeroCupom;
  q.ParamByName("TAXA").AsCurrency = d.Taxa;
  q.ParamByName("DT_PREVISAO").AsDate = d.DataPrevisao;
  q.ParamByName("OBS").AsString = d.Observacao;
  q.ParamByName("NRBANCO").AsString = d.NrBanco;
  q.ParamByName("NUMERO_CH").AsString = d.CH_Numero;
  q.ParamByName("BANCO_CH").AsString = d.CH_Banco;
  q.ParamByName("CONTA_CH").AsString = d.CH_Conta;
  q.ParamByName("AGENCIA_CH").AsString = d.CH_Agencia;
  q.ParamByName("EMISSOR_CH").AsString = d.CH_Emissor;
  q.ParamByName("NUM_CX").AsInteger = d.NumeroCaixas;
  q.ParamByName("PESOL").AsFloat = d.PesoLiquido;
  q.ParamByName("PESOB").AsFloat = d.PesoBruto;
  q.ParamByName("ALIQUOTA").AsFloat = d.Aliquota;
  q.ParamByName("TRANSPORT").AsString = d.Transporte;
  q.ParamByName("FRETE").AsFloat = d.Frete;
}

}  // namespace

void TRecDuplicata::IncluiDuplicata() {
  const std::string target = table();
  TTIQuery& q = *query_;
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("INSERT INTO " + target);
  q.SQL.Add("(NUMERO,CODCLI,CODREP,CODREP2,FATURA,VALOR2,VALOR,VALOR_PAGO,JUROS,VAL_DEV,DESCONTO, ");
  q.SQL.Add("DT_VENCTO,DT_EMISSAO,QUANT,HISTORICO,CLASSE,BANCO,SITUACAO,COM1,COM2,COM3,COM4, ");
  q.SQL.Add("VAL_IPI,DESPESAS,VAL_SUBST,PEDIDO,NRO_CUPOM,TAXA,VAL_ORIGIN,ORIGINAL,DT_PREVISAO,OBS,");
  q.SQL.Add("NRBANCO,TIPFAT, NUMERO_CH,BANCO_CH,CONTA_CH,AGENCIA_CH,EMISSOR_CH,STATUS,NUM_CX, ");
  q.SQL.Add("PESOL, PESOB, ALIQUOTA, TRANSPORT, LANCAMENTO, FRETE )");
  q.SQL.Add("VALUES ");
  // Each value is bound to a parameter named after its column, so that a text
  // too long for its column is refused by that name.
  q.SQL.Add("(:NUMERO,:CODCLI,:CODREP,:CODREP2,:FATURA,:VALOR2,:VALOR,:VALOR_PAGO,0,:VAL_DEV,:DESCONTO,");
  q.SQL.Add(":DT_VENCTO,:DT_EMISSAO,:QUANT,:HISTORICO,:CLASSE,:BANCO,:SITUACAO,:COM1,:COM2,:COM3,:COM4,");
  q.SQL.Add(
      ":VAL_IPI,:DESPESAS,:VAL_SUBST,:PEDIDO,:NRO_CUPOM,:TAXA,:VAL_ORIGIN,:ORIGINAL,:DT_PREVISAO,:OBS,");
  q.SQL.Add(":NRBANCO,:TIPFAT,:NUMERO_CH,:BANCO_CH,:CONTA_CH,:AGENCIA_CH,:EMISSOR_CH,:STATUS,:NUM_CX,");
  q.SQL.Add(":PESOL,:PESOB,:ALIQUOTA,:TRANSPORT,:LANCAMENTO,:FRETE)");
  bind_shared_columns(q, *this);
  q.ParamByName("VALOR_PAGO").AsCurrency = ValorPago;
  q.ParamByName("VAL_DEV").AsCurrency = Devolucao;
  q.ParamByName("DESCONTO").AsCurrency = Desconto;
  q.ParamByName("VAL_ORIGIN").AsCurrency = Valor;
  q.ParamByName("ORIGINAL").AsDate = DataVencimento;
  q.ParamByName("TIPFAT").AsString = TipoFat;
  q.ParamByName("STATUS").AsString = StatusDuplicata();
  q.ParamByName("LANCAMENTO").AsString = Lancamento;
  q.ExecSQL();
}

void TRecDuplicata::AlteraDuplicata() {
  const std::string target = table();
  TTIQuery& q = *query_;
  q.Close();
  q.SQL.Clear();
  q.SQL.Add("UPDATE " + target + " SET ");
  q.SQL.Add("CODCLI = :CODCLI");
  q.SQL.Add(",CODREP = :CODREP");
  q.SQL.Add(",CODREP2 = :CODREP2");
  q.SQL.Add(",FATURA = :FATURA");
  q.SQL.Add(",VALOR2 = :VALOR2");
  q.SQL.Add(",VALOR = :VALOR");
  q.SQL.Add(",DT_VENCTO = :DT_VENCTO");
  q.SQL.Add(",DT_EMISSAO = :DT_EMISSAO");
  q.SQL.Add(",DT_PREVISAO = :DT_PREVISAO");
  q.SQL.Add(",QUANT = :QUANT");
  q.SQL.Add(",CLASSE = :CLASSE");
  q.SQL.Add(",HISTORICO = :HISTORICO");
  q.SQL.Add(",BANCO = :BANCO");
  q.SQL.Add(",SITUACAO = :SITUACAO");
  q.SQL.Add(",COM1 = :COM1");
  q.SQL.Add(",COM2 = :COM2");
  q.SQL.Add(",COM3 = :COM3");
  q.SQL.Add(",COM4 = :COM4");
  q.SQL.Add(",DESPESAS = :DESPESAS");
  q.SQL.Add(",VAL_SUBST = :VAL_SUBST");
  q.SQL.Add(",PEDIDO = :PEDIDO");
  q.SQL.Add(",NRO_CUPOM = :NRO_CUPOM");
  q.SQL.Add(",TAXA = :TAXA");
  q.SQL.Add(",OBS = :OBS");
  q.SQL.Add(",NRBANCO = :NRBANCO");
  q.SQL.Add(",NUM_CX = :NUM_CX");
  q.SQL.Add(",DT_STATUS = :DT_STATUS");
  q.SQL.Add(",NUMERO_CH = :NUMERO_CH");
  q.SQL.Add(",BANCO_CH = :BANCO_CH");
  q.SQL.Add(",CONTA_CH = :CONTA_CH");
  q.SQL.Add(",AGENCIA_CH = :AGENCIA_CH");
  q.SQL.Add(",EMISSOR_CH = :EMISSOR_CH");
  q.SQL.Add(",PESOL = :PESOL");
  q.SQL.Add(",PESOB = :PESOB");
  q.SQL.Add(",ALIQUOTA = :ALIQUOTA");
  q.SQL.Add(",TRANSPORT = :TRANSPORT");
  q.SQL.Add(",FRETE = :FRETE");
  q.SQL.Add(",VAL_IPI = :VAL_IPI");
  q.SQL.Add("WHERE NUMERO = :NUMERO");
  bind_shared_columns(q, *this);
  q.ParamByName("DT_STATUS").AsDate = Date();
  q.ExecSQL();
  // A rewrite that reaches no title would leave the caller believing the
  // title changed; the screens post follow-up rows on that belief.
  if (q.RowsAffected() == 0) {
    throw EZpkError("TRecDuplicata: there is no title '" + Numero + "' in " + target + " to rewrite");
  }
}

std::string ProximoNumeroBordero(std::string Tipo) {
  Tipo = UpperCase(Tipo);
  TTIQuery q(Tabela.IBDatabase);
  // The number is taken on a connection of its own whose statements commit at
  // once: every station sees it taken, and the caller's work stays its own.
  TTIDatabase own;
  own.GetDatabase(Tabela.IBDatabase);
  own.TxOptions().AutoCommit = true;
  TTIQuery taken(own);
  const int64_t numero = retry_on_conflict([&] {
    int64_t n =
        std::max(highest(q, DBLocal("BORDERO"), Tipo), highest(q, DBLocal("BORDERO_NUMERO"), Tipo)) + 1;
    if (Tipo == "R") {
      while (Existe("RECEBER", "BORDERO", IntToStr(n))) ++n;
    } else if (Tipo == "P") {
      n = skip_payables(q, n);
    }
    reserve(taken, n, Tipo);
    return n;
  });
  return padded(numero);
}

}  // namespace zpk
