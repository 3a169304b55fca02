#include "billing/icms.hpp"

#include <string>

#include "billing/cents.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

// The operation type of the rule: the invoicing screens pass a blank one for
// a plain sale, which the rules store as "V".
std::string operation_type(std::string_view TpOper) {
  return Trim(TpOper).empty() ? std::string("V") : std::string(TpOper);
}

// The caller's code compared through a cast, so that a code longer than its
// column simply matches nothing instead of failing as a truncation.
std::string caller_code(const char* name) {
  std::string sql = "CAST(:";
  sql += name;
  sql += " AS VARCHAR(1000))";
  return sql;
}

// Opens the customer's rule: the customer's postal code gives the city and
// its state, whose rates come along (TABUF); the rule matches the item's
// classification, that state and the customer's kind and tax regime. The
// caller's codes are bound, so a code holding a quote finds nothing.
void open_rule(TTIQuery& q, std::string_view columns, std::string_view filter, std::string_view TabFis,
               std::string_view Cliente, std::string_view TpOper) {
  q.SQL.Add("SELECT " + std::string(columns));
  q.SQL.Add("FROM " + DBLocal("ENTIDADE") + " ENTIDADE");
  q.SQL.Add("INNER JOIN " + DBLocal("CADCEP") + " CADCEP ON (ENTIDADE.CEP = CADCEP.CEP)");
  q.SQL.Add("INNER JOIN " + DBLocal("CIDADE") + " CIDADE ON (CADCEP.COD_CID = CIDADE.COD_CID)");
  q.SQL.Add("INNER JOIN " + DBLocal("TABUF") + " TABUF ON (CIDADE.COD_EST = TABUF.SIGLA_EST)");
  q.SQL.Add("INNER JOIN " + DBLocal("REDUCAO") + " REDUCAO ON (REDUCAO.TABFIS = " + caller_code("TABFIS") +
            " AND REDUCAO.ESTADO = CIDADE.COD_EST"
            " AND REDUCAO.TIPO = ENTIDADE.TIPO AND REDUCAO.TRIBUTACAO = ENTIDADE.SIMPLES)");
  q.SQL.Add("WHERE ENTIDADE.CODCLI = " + caller_code("CODCLI") +
            " AND REDUCAO.TP_OPER = " + caller_code("TP_OPER"));
  q.SQL.Add(filter);
  q.ParamByName("TABFIS").AsString = std::string(TabFis);
  q.ParamByName("CODCLI").AsString = std::string(Cliente);
  q.ParamByName("TP_OPER").AsString = std::string(TpOper);
  // Only the first rule counts.
  q.set_fetch_limit(1);
  q.Open();
}

// The rule's text for the item replaces the caller's only when there is one.
void take_if_set(TTIQuery& q, const char* column, std::string& target) {
  std::string value = q.FieldByName(column).AsString();
  if (!value.empty()) target = std::move(value);
}

double field(TTIQuery& q, const char* column) {
  return q.FieldByName(column).AsFloat();
}

}  // namespace

double CalculaDiferimentoICMS(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper,
                              double Base, double Aliquota, std::string& Natureza, std::string& TabTrib,
                              double& ValorDiferido, double& ValorICMSOperacao) {
  SqlBuscaScope busca;
  open_rule(
      *busca, "REDUCAO.REDUCAO, REDUCAO.MOD_CALC, REDUCAO.NATUREZA, REDUCAO.TABTRIB, REDUCAO.DESTACA_IMP",
      "AND (REDUCAO.MOD_CALC = '8' OR REDUCAO.MOD_CALC = '10')", TabFis, Cliente, operation_type(TpOper));
  ValorDiferido = 0;
  ValorICMSOperacao = 0;
  if (busca->IsEmpty()) return 0;
  take_if_set(*busca, "NATUREZA", Natureza);
  take_if_set(*busca, "TABTRIB", TabTrib);
  const double reducao = field(*busca, "REDUCAO");
  if (busca->FieldByName("DESTACA_IMP").AsString() == "S") {
    const std::string mode = Trim(busca->FieldByName("MOD_CALC").AsString());
    if (mode == "8") {
      ValorDiferido = to_cents(reducao * (Base / 100 * Aliquota / 100));
    } else if (mode == "10") {
      // The rate is inside the price ("por dentro"): gross the base up by it.
      // A rate of 100 leaves no base, so no ICMS and nothing deferred.
      const double grossed = divide_or_zero(Base, 1 - Aliquota / 100);
      ValorICMSOperacao = grossed / 100 * Aliquota;
      ValorDiferido = to_cents(reducao * ValorICMSOperacao / 100);
    }
  }
  return reducao;
}

double CalculaReducaoICMS(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper,
                          std::string& Natureza, std::string& TabTrib, std::string& DestacaImp) {
  SqlBuscaScope busca;
  open_rule(*busca, "REDUCAO.REDUCAO, REDUCAO.NATUREZA, REDUCAO.TABTRIB, REDUCAO.DESTACA_IMP",
            "AND REDUCAO.MOD_CALC = '9'", TabFis, Cliente, operation_type(TpOper));
  if (busca->IsEmpty()) return 0;
  take_if_set(*busca, "NATUREZA", Natureza);
  take_if_set(*busca, "TABTRIB", TabTrib);
  take_if_set(*busca, "DESTACA_IMP", DestacaImp);
  return field(*busca, "REDUCAO");
}

double CalculaDesoneracaoICMS(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper,
                              double Valor, std::string& Natureza, std::string& TabTrib) {
  SqlBuscaScope busca;
  open_rule(*busca, "REDUCAO.ALIQ_INT, REDUCAO.NATUREZA, REDUCAO.TABTRIB",
            "AND COALESCE(ENTIDADE.SUFRAMA,'') <> '' AND REDUCAO.MOD_CALC = '11'", TabFis, Cliente,
            operation_type(TpOper));
  if (busca->IsEmpty()) return 0;
  take_if_set(*busca, "NATUREZA", Natureza);
  take_if_set(*busca, "TABTRIB", TabTrib);
  return to_cents(field(*busca, "ALIQ_INT") / 100 * Valor);
}

double CalculaSubstituicaoTributariaICMS(std::string_view TabFis, std::string_view Cliente,
                                         std::string_view TpOper, double BaseICMS, double AliqICMS,
                                         double Quantidade, double& BaseST, double& MVA, double& ValorFCPST,
                                         std::string& Natureza, std::string& TabTrib,
                                         std::string& DestacaImp) {
  SqlBuscaScope busca;
  open_rule(*busca,
            "REDUCAO.MOD_CALC, REDUCAO.ALIQ_INT, REDUCAO.ALIQ_ST, REDUCAO.REDUCAO, REDUCAO.RED_ST,"
            " REDUCAO.PERC_FCP, REDUCAO.NATUREZA, REDUCAO.DESTACA_IMP, REDUCAO.TABTRIB,"
            " TABUF.PERC_FCP AS UF_PERC_FCP, TABUF.ALIQUOTA AS UF_ALIQUOTA, TABUF.ALIQ_INT AS UF_ALIQ_INT,"
            " ENTIDADE.ALIQ_ST AS CLI_ALIQ_ST",
            "AND (REDUCAO.MOD_CALC IN ('0','1','2','3','4','5') OR REDUCAO.MOD_CALC IS NULL)", TabFis,
            Cliente, operation_type(TpOper));
  ValorFCPST = 0;
  double result = 0;
  if (busca->IsEmpty()) return 0;
  take_if_set(*busca, "NATUREZA", Natureza);
  take_if_set(*busca, "TABTRIB", TabTrib);
  take_if_set(*busca, "DESTACA_IMP", DestacaImp);

  const double rule_fcp = field(*busca, "PERC_FCP");
  const double fcp = rule_fcp > 0 ? rule_fcp : field(*busca, "UF_PERC_FCP");
  // A rule without a mode is one of mode "0".
  const std::string mode = Trim(busca->FieldByName("MOD_CALC").AsString());
  const double reducao = field(*busca, "REDUCAO");
  const double rule_internal = field(*busca, "ALIQ_INT");
  const double internal = rule_internal > 0 ? rule_internal : field(*busca, "UF_ALIQ_INT");
  const double customer_factor = field(*busca, "CLI_ALIQ_ST");

  if (customer_factor > 0) {
    // The customer's own added-value factor (a special regime granted to that
    // customer) overrides whatever the rule computes. The ST base follows
    // back from the total tax at the state's internal rate; a state without
    // one leaves no base.
    const double own = to_cents(AliqICMS / 100 * BaseICMS);
    const double st = to_cents(customer_factor * BaseST);
    BaseST = divide_or_zero(st + own, field(*busca, "UF_ALIQ_INT") / 100);
    MVA = customer_factor * 100;
    result = st;
  } else if (mode.empty() || mode == "0" || mode == "4") {
    const double rule_st = field(*busca, "ALIQ_ST");
    if (rule_st > 0) AliqICMS = rule_st;
    BaseST = to_cents((reducao + 1) * BaseST);
    const double red_st = field(*busca, "RED_ST");
    if (red_st > 0) BaseST = BaseST - red_st * BaseST / 100;
    const double gross = to_cents(internal / 100 * BaseST);
    MVA = reducao * 100;
    const double own = to_cents(BaseICMS / 100 * AliqICMS);
    result = gross - own;
  } else if (mode == "5") {
    // The rule gives the ST base per unit (a price list of the state).
    if (AliqICMS == 0) AliqICMS = field(*busca, "UF_ALIQUOTA");
    const double value = reducao * Quantidade;
    const double gross = to_cents(value / 100 * internal);
    const double own = to_cents(BaseST / 100 * AliqICMS);
    // Without an item base there is no added value to state.
    MVA = BaseST == 0 ? 0 : (divide_or_zero(value, BaseST) - 1) * 100;
    BaseST = to_cents(value);
    result = gross - own;
  }
  // Modes "1" to "3" are selected but compute nothing.

  if (fcp > 0 && result > 0) ValorFCPST = to_cents(fcp / 100 * BaseST);
  return result;
}

void DadosSTItem(std::string_view TabFis, std::string_view Cliente, std::string_view TpOper, double& RedST,
                 double& AliqInterna, std::string_view /*Reservado*/) {
  SqlBuscaScope busca;
  // MOD_CALC is text, so "10" and "11" sort below "5" and their rules count too.
  open_rule(*busca, "REDUCAO.MOD_CALC, REDUCAO.ALIQ_INT, TABUF.ALIQ_INT AS ALIQ_UF, REDUCAO.RED_ST",
            "AND (REDUCAO.MOD_CALC <= '5' OR REDUCAO.MOD_CALC IS NULL)", TabFis, Cliente, TpOper);
  RedST = field(*busca, "RED_ST");
  const double rule_internal = field(*busca, "ALIQ_INT");
  AliqInterna = rule_internal > 0 ? rule_internal : field(*busca, "ALIQ_UF");
}

double CalculaDIFALICMS(std::string_view Natureza, std::string_view Cliente, std::string_view TabFis,
                        double AliqICMS, double BaseICMS, double PercReducao, double& ValorFCP,
                        double& ValorDIFAL, double& BaseDIFAL, double& AliqInterna, TDateTime /*Data*/,
                        bool /*Flag*/) {
  ValorFCP = 0;
  ValorDIFAL = 0;
  BaseDIFAL = 0;
  AliqInterna = 0;

  SqlBuscaScope busca;
  busca->SQL.Add("SELECT CONS_FINAL, TIPO, CFOP FROM " + DBLocal("NATUREZA") +
                 " WHERE NATUREZA = " + caller_code("NATUREZA"));
  busca->ParamByName("NATUREZA").AsString = std::string(Natureza);
  busca->set_fetch_limit(1);
  busca->Open();
  const std::string cons_final = busca->FieldByName("CONS_FINAL").AsString();
  const std::string tipo = busca->FieldByName("TIPO").AsString();
  const std::string cfop = Trim(busca->FieldByName("CFOP").AsString());
  // The CFOP, when the nature has one, tells an interstate operation (first
  // digit 2 or 6); DIFAL is owed only on those, to final consumers, and never
  // on natures of type "R".
  const std::string code = cfop.empty() ? std::string(Natureza) : cfop;
  const bool interstate = !code.empty() && (code[0] == '2' || code[0] == '6');
  if (!interstate || cons_final != "S" || tipo == "R") return 0;

  busca->SQL.Clear();
  busca->SQL.Add(
      "SELECT ENTIDADE.INSCRICAO, CIDADE.COD_EST, TABUF.ALIQUOTA, TABUF.ALIQ_INT, TABUF.PERC_FCP,");
  busca->SQL.Add(" ENTIDADE.TIPO, ENTIDADE.SIMPLES");
  busca->SQL.Add("FROM " + DBLocal("ENTIDADE") + " ENTIDADE");
  busca->SQL.Add("INNER JOIN " + DBLocal("CADCEP") + " CADCEP ON (ENTIDADE.CEP = CADCEP.CEP)");
  busca->SQL.Add("INNER JOIN " + DBLocal("CIDADE") + " CIDADE ON (CADCEP.COD_CID = CIDADE.COD_CID)");
  busca->SQL.Add("INNER JOIN " + DBLocal("TABUF") + " TABUF ON (CIDADE.COD_EST = TABUF.SIGLA_EST)");
  busca->SQL.Add("WHERE ENTIDADE.CODCLI = " + caller_code("CODCLI"));
  busca->ParamByName("CODCLI").AsString = std::string(Cliente);
  busca->set_fetch_limit(1);
  busca->Open();
  const std::string estado = busca->FieldByName("COD_EST").AsString();

  TTIQuery rule(Tabela.IBDatabase);
  rule.SQL.Add("SELECT ALIQ_ST, ALIQ_INT, PERC_FCP, REDUCAO, MOD_CALC FROM " + DBLocal("REDUCAO"));
  rule.SQL.Add("WHERE TABFIS = " + caller_code("TABFIS") +
               " AND ESTADO = :ESTADO AND TIPO = :TIPO AND TRIBUTACAO = :TRIBUTACAO");
  rule.SQL.Add("AND TP_OPER = :TP_OPER AND MOD_CALC IN ('6','7')");
  rule.ParamByName("TABFIS").AsString = std::string(TabFis);
  rule.ParamByName("ESTADO").AsString = estado;
  rule.ParamByName("TIPO").AsString = busca->FieldByName("TIPO").AsString();
  rule.ParamByName("TRIBUTACAO").AsString = busca->FieldByName("SIMPLES").AsString();
  rule.ParamByName("TP_OPER").AsString = tipo;
  rule.set_fetch_limit(1);
  rule.Open();

  // Each rate of the rule, where it has one, else the destination state's.
  auto rate = [&](const char* rule_column, const char* state_column) {
    const double v = field(rule, rule_column);
    return v > 0 ? v : field(*busca, state_column);
  };
  const double interstate_rate = rate("ALIQ_ST", "ALIQUOTA");
  const double internal = rate("ALIQ_INT", "ALIQ_INT");
  const double fcp = rate("PERC_FCP", "PERC_FCP");

  // The origin's ICMS as the invoice shows it: a trailing 5 goes up.
  const double origin = StrToFloat(FormatFloatC("0.00", BaseICMS / 100 * AliqICMS));

  BaseDIFAL = BaseICMS;
  if (Trim(rule.FieldByName("MOD_CALC").AsString()) == "7") {
    // Double base: the interstate ICMS leaves the base, which is grossed up
    // by the destination's internal rate (no base when that rate is 100).
    BaseDIFAL = divide_or_zero(BaseICMS - BaseICMS / 100 * interstate_rate, (100 - internal) / 100);
    AliqInterna = field(rule, "REDUCAO");
  }

  double difal = 0;
  if (Trim(Tabela.company.crt) != "1") {
    AliqInterna = internal;
    difal = BaseDIFAL / 100 * internal - origin;
    // A reduction of the base in the company's own state (its sale rule of
    // mode "9" for a taxpayer of the normal regime) carries over: the base is
    // reduced by it, after removing the reduction the item already had.
    busca->SQL.Clear();
    busca->SQL.Add("SELECT REDUCAO FROM " + DBLocal("REDUCAO"));
    busca->SQL.Add("WHERE TABFIS = " + caller_code("TABFIS") +
                   " AND ESTADO = :ESTADO AND TIPO = '2' AND TRIBUTACAO = 'N'");
    busca->SQL.Add("AND TP_OPER = 'V' AND MOD_CALC = '9'");
    busca->ParamByName("TABFIS").AsString = std::string(TabFis);
    busca->ParamByName("ESTADO").AsString = Tabela.company.state;
    busca->set_fetch_limit(1);
    busca->Open();
    const double own_reduction = field(*busca, "REDUCAO");
    if (own_reduction > 0) {
      const double base = divide_or_zero((100 - own_reduction) * BaseDIFAL, 100 - PercReducao);
      busca->SQL.Clear();
      busca->SQL.Add("SELECT ALIQUOTA FROM " + DBLocal("TABUF") + " WHERE SIGLA_EST = :SIGLA_EST");
      busca->ParamByName("SIGLA_EST").AsString = Tabela.company.state;
      busca->set_fetch_limit(1);
      busca->Open();
      // A state that is not registered, or has no rate, counts as rate 1.
      const double own_state_rate =
          busca->IsEmpty() || busca->FieldByName("ALIQUOTA").IsNull() ? 1 : field(*busca, "ALIQUOTA");
      difal = own_state_rate * base / 100 - origin;
    }
  }
  if (difal <= 0) difal = 0;

  ValorFCP = to_cents(BaseDIFAL / 100 * fcp);
  ValorDIFAL = to_cents(difal);
  return 0;
}

}  // namespace zpk
