#include "billing/frete.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

namespace {

std::string text(std::string_view s) {
  return std::string(s);
}

// A value brought to the decimals of a pattern the way the price tables are
// read everywhere else: formatted and read back (half away from zero).
double rounded(std::string_view pattern, double value) {
  return StrToFloat(FormatFloat(pattern, value));
}

// The larger of a percentage of a base and its minimum amount.
double charge(double percent, double base, double minimum) {
  return std::max(percent * base / 100, minimum);
}

// The destination's postal code: the one given, else the customer's delivery one.
std::string destination_postal_code(std::string_view Cliente, std::string_view Cep) {
  if (!Cep.empty()) return text(Cep);
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT CEP_ENT FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
  busca->ParamByName("CODCLI").AsString = text(Cliente);
  busca->Open();
  return busca->FieldByName("CEP_ENT").AsString();
}

// The ICMS rate of the state a postal code lies in (0 when the code, its city
// or its state is not registered).
double state_rate(const std::string& cep) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT TABUF.ALIQUOTA FROM " + DBLocal("CADCEP") + " CADCEP");
  busca->SQL.Add("INNER JOIN " + DBLocal("CIDADE") + " CIDADE ON (CADCEP.COD_CID = CIDADE.COD_CID)");
  busca->SQL.Add("INNER JOIN " + DBLocal("TABUF") + " TABUF ON (CIDADE.COD_EST = TABUF.SIGLA_EST)");
  busca->SQL.Add("WHERE CADCEP.CEP = :CEP");
  busca->ParamByName("CEP").AsString = cep;
  busca->Open();
  return busca->FieldByName("ALIQUOTA").AsFloat();
}

// The price table a carrier quotes with: its CODTRAN, or its own code.
std::string price_table(std::string_view Transportadora) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT CODTRAN FROM " + DBLocal("TABTRAN") + " WHERE CODIGO = :CODIGO");
  busca->ParamByName("CODIGO").AsString = text(Transportadora);
  busca->Open();
  std::string table = Trim(busca->FieldByName("CODTRAN").AsString());
  return table.empty() ? text(Transportadora) : table;
}

// The first band of price table `table` whose region serves `cep` and that
// covers the invoice value and the weight, value or third quantity by its kind.
bool find_band(TTIQuery& band, const std::string& table, const std::string& cep, double valor, double peso,
               double quantidade) {
  band.SQL.Add("SELECT TABPRE_TRAN.* FROM " + DBLocal("TABPRE_TRAN") + " TABPRE_TRAN");
  band.SQL.Add("INNER JOIN " + DBLocal("TRANS_REGIAO") +
               " TRANS_REGIAO ON (TABPRE_TRAN.CODTRAN = TRANS_REGIAO.CODTRAN");
  band.SQL.Add("AND TABPRE_TRAN.REGIAO = TRANS_REGIAO.TABELA AND TRANS_REGIAO.CEP <= :CEP_DE");
  band.SQL.Add("AND TRANS_REGIAO.CEP_FIM >= :CEP_ATE)");
  band.SQL.Add("WHERE TABPRE_TRAN.CODTRAN = :CODTRAN");
  band.SQL.Add("AND ((TABPRE_TRAN.VALOR_DE <= :VALOR1 AND TABPRE_TRAN.VALOR_ATE >= :VALOR2)");
  band.SQL.Add("OR (COALESCE(TABPRE_TRAN.VALOR_DE, 0) = 0 AND COALESCE(TABPRE_TRAN.VALOR_ATE, 0) = 0))");
  band.SQL.Add(
      "AND ((TABPRE_TRAN.PESO_INI <= :PESO1 AND TABPRE_TRAN.PESO_FIM >= :PESO2 AND TABPRE_TRAN.TP_FAIXA = "
      "'P')");
  band.SQL.Add(
      "OR (TABPRE_TRAN.PESO_INI <= :VALOR3 AND TABPRE_TRAN.PESO_FIM >= :VALOR4 AND TABPRE_TRAN.TP_FAIXA = "
      "'V')");
  band.SQL.Add(
      "OR (TABPRE_TRAN.PESO_INI <= :QTDE1 AND TABPRE_TRAN.PESO_FIM >= :QTDE2 AND TABPRE_TRAN.TP_FAIXA = "
      "'C'))");
  band.ParamByName("CEP_DE").AsString = cep;
  band.ParamByName("CEP_ATE").AsString = cep;
  band.ParamByName("CODTRAN").AsString = table;
  for (const char* name : {"VALOR1", "VALOR2", "VALOR3", "VALOR4"}) band.ParamByName(name).AsFloat = valor;
  for (const char* name : {"PESO1", "PESO2"}) band.ParamByName(name).AsFloat = peso;
  for (const char* name : {"QTDE1", "QTDE2"}) band.ParamByName(name).AsFloat = quantidade;
  band.Open();
  return !band.IsEmpty();
}

// Where the open last band of a region starts: the highest PESO_INI of its
// weight and third-quantity bands.
double last_band_start(const std::string& table, const std::string& regiao) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT MAX(PESO_INI) AS LIMITE FROM " + DBLocal("TABPRE_TRAN"));
  busca->SQL.Add("WHERE CODTRAN = :CODTRAN AND REGIAO = :REGIAO AND TP_FAIXA IN ('P','C')");
  busca->ParamByName("CODTRAN").AsString = table;
  busca->ParamByName("REGIAO").AsString = regiao;
  busca->Open();
  return busca->FieldByName("LIMITE").AsFloat();
}

// The customer's state through the main postal code ("" when not registered).
std::string customer_state(std::string_view Cliente) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT CIDADE.COD_EST FROM " + DBLocal("ENTIDADE") + " ENTIDADE");
  busca->SQL.Add("LEFT JOIN " + DBLocal("CADCEP") + " CADCEP ON (ENTIDADE.CEP = CADCEP.CEP)");
  busca->SQL.Add("LEFT JOIN " + DBLocal("CIDADE") + " CIDADE ON (CADCEP.COD_CID = CIDADE.COD_CID)");
  busca->SQL.Add("WHERE ENTIDADE.CODCLI = :CODCLI");
  busca->ParamByName("CODCLI").AsString = text(Cliente);
  busca->Open();
  return busca->FieldByName("COD_EST").AsString();
}

}  // namespace

double ValorFrete(std::string_view Cliente, std::string_view Transportadora, double ValorNota, double Peso,
                  double Quantidade, std::string_view Cep) {
  const std::string cep = destination_postal_code(Cliente, Cep);
  const double aliquota = state_rate(cep);
  const std::string table = price_table(Transportadora);

  SqlBuscaScope band;
  if (!find_band(*band, table, cep, ValorNota, Peso, Quantidade)) return 0;
  auto field = [&](const char* name) { return band->FieldByName(name).AsFloat(); };

  const double preco_exc = rounded("0.0000", field("PRECO_EXC"));
  const double ad_valor_nf = rounded("0.00", field("AD_VALOR_NF"));
  const std::string faixa = band->FieldByName("TP_FAIXA").AsString();
  const double limite = last_band_start(table, band->FieldByName("REGIAO").AsString());

  const double gris = charge(field("GRIS"), ValorNota, field("GRIS_MIN"));
  const double ad_valor = (ad_valor_nf == 0 || ValorNota >= ad_valor_nf)
                              ? charge(field("AD_VALOR"), ValorNota, field("AD_VALOR_MIN"))
                              : 0;
  const double trf = charge(field("TRF"), ValorNota, field("TRF_MIN"));
  const double tde = charge(field("TDE"), ValorNota, field("TDE_MIN"));
  const double tadm = field("TADM") * ValorNota / 100;

  // The toll is charged per started 100 kg, at least once.
  const double fracoes = std::ceil(Peso / 100);
  const double pedagio = std::max(field("PEDAGIO") * fracoes, field("PEDAGIO"));

  const double preco_ton = field("PRECO_TON");
  const double preco = field("PRECO");
  double frete_peso = 0;
  if ((faixa == "P" || faixa == "C") && field("PESO_INI") == limite && preco_exc > 0) {
    // The open last band: its start at the band's price, the excess per unit.
    const double excesso = (faixa == "C" ? Quantidade : Peso) - limite;
    if (preco_ton > 0) {
      frete_peso = preco_ton * limite / 1000 + excesso * preco_exc + preco;
    } else if (preco > 0) {
      frete_peso = preco + excesso * preco_exc;
    }
  } else if (preco_ton > 0) {
    frete_peso = preco_ton * Peso / 1000 + preco;
  } else if (preco > 0) {
    frete_peso = preco;
  }
  frete_peso = std::max(frete_peso, field("FRETE_MIN"));

  double total = frete_peso + pedagio + gris + ad_valor + field("TAXA") + field("SUFRAMA") + field("SEFAZ") +
                 trf + tde + tadm;
  if (band->FieldByName("TP_ICMS").AsString() != "N") {
    // ICMS included: the quote is the amount whose share net of the rate is
    // the total. A rate of 100 % or more leaves no such amount.
    if (aliquota >= 100) return 0;
    total = total / ((100 - aliquota) / 100);
  }
  return total + charge(field("TRT"), total, field("TRT_MIN"));
}

bool ValidaNatureza(std::string_view Cliente, std::string_view Natureza) {
  const std::string estado = customer_state(Cliente);
  std::string codigo;
  {
    SqlBuscaScope busca;
    busca->SQL.Add("SELECT CFOP FROM " + DBLocal("NATUREZA") + " WHERE NATUREZA = :NATUREZA");
    busca->ParamByName("NATUREZA").AsString = text(Natureza);
    busca->Open();
    codigo = Trim(busca->FieldByName("CFOP").AsString());
  }
  if (codigo.empty()) codigo = text(Natureza);
  const char first = codigo.empty() ? '\0' : codigo.front();
  if (Tabela.company.state != estado) return !(first == '1' || first == '5');
  return !(first == '2' || first == '3' || first == '6');
}

std::string TrocaCST(std::string_view Tipo, std::string_view Codigo) {
  if (Trim(Codigo).empty()) return text(Codigo);
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT COD_ENT FROM " + DBLocal("TABTRI") + " WHERE TIPO = :TIPO AND CODIGO = :CODIGO");
  busca->ParamByName("TIPO").AsString = text(Tipo);
  busca->ParamByName("CODIGO").AsString = text(Codigo);
  busca->Open();
  const std::string entrada = busca->FieldByName("COD_ENT").AsString();
  return Trim(entrada).empty() ? text(Codigo) : entrada;
}

bool ValidaTransportadora(std::string_view Transportadora) {
  SqlBuscaScope busca;
  busca->SQL.Add("SELECT CODIGO, ATIVO FROM " + DBLocal("TABTRAN"));
  busca->SQL.Add("WHERE CODIGO = :CODIGO AND COALESCE(ATIVO, 'S') <> 'N'");
  busca->ParamByName("CODIGO").AsString = text(Transportadora);
  busca->Open();
  return !busca->IsEmpty();
}

}  // namespace zpk
