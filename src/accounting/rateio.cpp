#include "accounting/rateio.hpp"

#include "accounting/detail/composer_lookups.hpp"
#include "accounting/detail/host_form.hpp"
#include "accounting/tcontabil.hpp"
#include "billing/cents.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

using detail::conta_resultado;
using detail::first_text;
using detail::parametro;

namespace {

// sTipoRateio belongs to the host's session: it goes when the package unloads.
const bool kUnloadClearsTipoRateio = [] {
  register_unit_lifecycle(600, {}, [] { sTipoRateio.clear(); });
  return true;
}();

bool contabilidade_ligada() {
  return parametro("FIN", 40) == "S" || parametro("FIN", 30) == "S";
}

std::string descricao_centro(std::string_view centro) {
  return first_text("SELECT DESCRICAO FROM " + DBLocal("CENTROCUSTO") + " WHERE CODIGO = :C",
                    {{"C", centro}});
}

void append_centro(TClientDataSet& cc, std::string_view conta, int ordem, std::string_view centro,
                   std::string_view descricao, double perc, double valor) {
  cc.Append();
  cc.FieldByName("Ordem").AsInteger = ordem;
  cc.FieldByName("Conta").AsString = std::string(conta);
  cc.FieldByName("CentroCusto").AsString = std::string(centro);
  cc.FieldByName("Descricao").AsString = std::string(descricao);
  cc.FieldByName("Perc_Rat").AsFloat = perc;
  cc.FieldByName("Valor_Rat").AsFloat = valor;
  cc.Post();
}

}  // namespace

void TContabil::GravaRaterioCentroCusto(std::string_view Conta, std::string_view Material,
                                        std::string_view Tipo, std::string_view TipoValor, double Valor) {
  if (!active() || !contabilidade_ligada()) return;
  TClientDataSet& cc = *cost_centres_;
  const int ordem = postings_->RecNo();
  // An account rule ("CT") splits every kind of amount alike.
  const bool por_tipo_valor = Tipo != "CT";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CONT_RATEIO.CCUSTO, CONT_RATEIO.PERC_CCUSTO, CENTROCUSTO.DESCRICAO");
  q.SQL.Add("FROM " + DBLocal("CONT_RATEIO") + " CONT_RATEIO LEFT OUTER JOIN " + DBLocal("CENTROCUSTO") +
            " CENTROCUSTO ON (CONT_RATEIO.CCUSTO = CENTROCUSTO.CODIGO)");
  q.SQL.Add(
      "WHERE CONT_RATEIO.CODIGO = :MATERIAL AND CONT_RATEIO.CONTA = :CONTA AND CONT_RATEIO.TIPO = :TIPO");
  if (por_tipo_valor) q.SQL.Add("AND CONT_RATEIO.TIPO_VAL = :TIPO_VAL");
  q.ParamByName("MATERIAL").AsString = std::string(Material);
  q.ParamByName("CONTA").AsString = std::string(Conta);
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  if (por_tipo_valor) q.ParamByName("TIPO_VAL").AsString = std::string(TipoValor);
  q.Open();

  if (q.IsEmpty()) {
    // No rule: the whole amount goes to the material's own cost centre.
    const std::string centro =
        first_text("SELECT CDCENTRO FROM " + DBLocal("MATERIAL") + " WHERE CODIGO = :C", {{"C", Material}});
    append_centro(cc, Conta, ordem, centro, descricao_centro(centro), 100, Valor);
    return;
  }
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string centro = q.FieldByName("CCUSTO").AsString();
    const double perc = q.FieldByName("PERC_CCUSTO").AsFloat();
    const double parte = Valor * perc / 100;
    if (cc.Locate("Conta;CentroCusto;Ordem", VarArrayOf({std::string(Conta), centro, ordem}))) {
      cc.Edit();
      cc.FieldByName("Valor_Rat").AsFloat = cc.FieldByName("Valor_Rat").AsFloat() + parte;
      cc.Post();
    } else {
      append_centro(cc, Conta, ordem, centro, q.FieldByName("DESCRICAO").AsString(), perc, parte);
    }
  }
}

void TContabil::BuscaRaterioCentroCusto(std::string_view Numero, std::string_view TipoValor, int Ordem,
                                        double Valor) {
  if (!active() || !contabilidade_ligada() || Trim(Numero).empty()) return;
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT LANCAMENTO, ORDEM, CONTA, NUMERO, TIPO, CENTROCUSTO, PERC_RAT, VALOR_RAT");
  q.SQL.Add("FROM " + DBLocal("CENTRO_RATEIO") +
            " WHERE NUMERO = :NUMERO AND TIPO = :TIPO AND ORDEM = :ORDEM");
  q.ParamByName("NUMERO").AsString = std::string(Numero);
  q.ParamByName("TIPO").AsString = std::string(TipoValor);
  q.ParamByName("ORDEM").AsInteger = Ordem;
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string centro = q.FieldByName("CENTROCUSTO").AsString();
    // The split screens store whole percentages; a stored fraction is read as
    // the whole number it was meant to be.
    const int perc = q.FieldByName("PERC_RAT").AsInteger();
    append_centro(*cost_centres_, q.FieldByName("CONTA").AsString(), q.FieldByName("ORDEM").AsInteger(),
                  centro, descricao_centro(centro), perc, to_cents(Valor * perc / 100));
  }
}

void TContabil::AcertaValoresRateio(double Total) {
  if (!active()) return;
  TClientDataSet& t = *postings_;
  TClientDataSet& cc = *cost_centres_;
  if (t.IsEmpty()) return;

  // Sums are taken in the ledger's own precision (four decimals), so that a
  // remainder is exactly what the stored rows will show.
  Currency soma;
  for (t.First(); !t.Eof(); t.Next()) soma += Currency(t.FieldByName("Valor").AsFloat());
  const Currency sobra = soma - Currency(Total);
  if (sobra != Currency() && sobra > Currency(-0.5) && sobra < Currency(0.5)) {
    t.Last();
    t.Edit();
    t.FieldByName("Valor").AsFloat = (Currency(t.FieldByName("Valor").AsFloat()) - sobra).ToDouble();
    t.Post();
  }

  for (t.First(); !t.Eof(); t.Next()) {
    const std::string debito = t.FieldByName("ContaD").AsString();
    const std::string credito = t.FieldByName("ContaC").AsString();
    std::string conta;
    if (conta_resultado(debito)) conta = debito;
    if (conta_resultado(credito)) conta = credito;
    if (conta.empty()) continue;
    // Only this posting's rows: another posting may split the same account.
    const int ordem = t.RecNo();
    const Currency valor(t.FieldByName("Valor").AsFloat());
    Currency soma_rat;
    int ultima = 0;
    for (cc.First(); !cc.Eof(); cc.Next()) {
      if (cc.FieldByName("Conta").AsString() != conta || cc.FieldByName("Ordem").AsInteger() != ordem)
        continue;
      soma_rat += Currency(cc.FieldByName("Valor_Rat").AsFloat());
      ultima = cc.RecNo();
    }
    if (ultima == 0 || soma_rat == valor) continue;
    cc.RecNo = ultima;
    cc.Edit();
    cc.FieldByName("Valor_Rat").AsFloat =
        (Currency(cc.FieldByName("Valor_Rat").AsFloat()) - (soma_rat - valor)).ToDouble();
    cc.Post();
  }
}

bool SetRateioClasse(std::string_view Numero, std::string_view Classe, std::string_view Tipo, Currency Valor,
                     std::string_view NumeroAnt, bool BtnCancelar, TDateTime Data, bool ConfirmaRateio) {
  if (Data.Value == 0) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT DATA FROM " + DBLocal("CENTRO_RATEIO") + " WHERE NUMERO = :NUMERO AND TIPO = :TIPO");
    q.ParamByName("NUMERO").AsString = std::string(Numero);
    q.ParamByName("TIPO").AsString = std::string(Tipo);
    q.Open();
    if (!q.IsEmpty()) Data = q.FieldByName("DATA").AsDateTime();
  }
  if (Tipo == "DV") Valor = -Valor;
  if ((Tipo == "DV" || Tipo == "CR") && parametro("FIN", 100) != "S") return true;
  if ((Tipo == "CP" || Tipo == "CC" || Tipo == "AP" || Tipo == "OP") && parametro("FIN", 80) != "S")
    return true;

  oDadosRateioClasse.Numero = std::string(Numero);
  oDadosRateioClasse.Classe = std::string(Classe);
  oDadosRateioClasse.Tipo = std::string(Tipo);
  oDadosRateioClasse.Valor = Valor;
  oDadosRateioClasse.Data = Data;
  oDadosRateioClasse.NumeroAnt = std::string(NumeroAnt);
  oDadosRateioClasse.BtnCancelar = BtnCancelar;
  oDadosRateioClasse.ConfirmaRateio = ConfirmaRateio;
  // The form answers OK when the amount was apportioned.
  oDadosRateioClasse.RetornoOK = detail::show_host_form(kFormLancRateio, kPackageRateio);
  return oDadosRateioClasse.RetornoOK;
}

}  // namespace zpk
