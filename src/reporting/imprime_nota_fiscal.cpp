// Printing a stored invoice through its layout: the dataset, the report
// variables and the preparation of the pages.
#include "reporting/imprime_nota_fiscal.hpp"

#include <set>
#include <vector>

#include "foundation/lookups.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"
#include "reporting/layout_files.hpp"

namespace zpk {
namespace {

// Texts joined by `separator`, empty ones left out.
std::string join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string result;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!result.empty()) result += separator;
    result += part;
  }
  return result;
}

// Appends `value` unless it is empty or already there (first seen first).
void add_distinct(std::vector<std::string>& values, const std::string& value) {
  if (value.empty()) return;
  for (const std::string& v : values)
    if (v == value) return;
  values.push_back(value);
}

// The trimmed text of a column of the open query.
std::string field(TTIQuery& q, std::string_view name) {
  return Trim(std::string(q.FieldByName(name).AsString));
}

// Sets the report variable `name` (adding it the first time).
void set_variable(TprReport& report, const std::string& name, const std::string& value) {
  for (int i = 0; i < report.Variables.Count(); ++i) {
    if (SameText(report.Variables.Items(i).Name, name)) {
      report.Variables.Items(i).SetAsString(value);
      return;
    }
  }
  TprVariable& v = report.Variables.AddVariable();
  v.Name = name;
  v.SetAsString(value);
}

// Opens `sql` on `q` with the invoice number bound as :FATURA.
void open_bound(TTIQuery& q, const std::string& sql, const std::string& fatura) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add(sql);
  q.ParamByName("FATURA").AsString = fatura;
  q.Open();
}

// vFiscObs, vFiscTrib, vTribCod: per classification and tax situation of the
// invoiced lines (not those reserved for later).
void fiscal_variables(TTIQuery& q, TprReport& report, const std::string& fatura) {
  open_bound(
      q,
      "SELECT ITEM.CLA_FIS, TABFIS.DESC_FIS, TABFIS.OBSERVACAO, ITEM.CLA_TRIB, TABTRI.DESCRICAO AS DESC_TRIB,"
      " SUM(ITEM.VALOR) AS VALOR FROM " +
          DBLocal("NOTAITEN") + " ITEM LEFT OUTER JOIN " + DBLocal("TABFIS") +
          " TABFIS ON (ITEM.CLA_FIS = TABFIS.CODIGO) LEFT OUTER JOIN " + DBLocal("TABTRI") +
          " TABTRI ON (ITEM.CLA_TRIB = TABTRI.CODIGO AND TABTRI.TIPO = 'IC')"
          " WHERE ITEM.FATURA = :FATURA AND ITEM.EMPENHO = 'N'"
          " GROUP BY ITEM.CLA_FIS, TABFIS.DESC_FIS, TABFIS.OBSERVACAO, ITEM.CLA_TRIB, TABTRI.DESCRICAO"
          " ORDER BY ITEM.CLA_FIS, ITEM.CLA_TRIB",
      fatura);
  std::vector<std::string> obs, trib, codes;
  for (q.First(); !q.Eof(); q.Next()) {
    add_distinct(obs, field(q, "OBSERVACAO"));
    add_distinct(trib, join({field(q, "CLA_FIS"), field(q, "DESC_FIS")}, " - ") + " - R$ " +
                           FormatFloat("#,##0.00", q.FieldByName("VALOR").AsFloat));
    add_distinct(codes, join({field(q, "CLA_TRIB"), field(q, "DESC_TRIB")}, " - "));
  }
  set_variable(report, "vFiscObs", join(obs, "\n"));
  set_variable(report, "vFiscTrib", join(trib, "\n"));
  set_variable(report, "vTribCod", join(codes, "\n"));
}

// vNaturezas, vDescNat, vValNat: the invoice's value per item nature, one
// line each, so that the three columns line up.
void nature_variables(TTIQuery& q, TprReport& report, const std::string& fatura) {
  open_bound(q,
             "SELECT ITEM.NATUREZA, SUM(ITEM.VALOR) AS VALOR, NATUREZA.DESCRICAO FROM " +
                 DBLocal("NOTAITEN") + " ITEM LEFT OUTER JOIN " + DBLocal("NATUREZA") +
                 " NATUREZA ON (ITEM.NATUREZA = NATUREZA.NATUREZA) WHERE ITEM.FATURA = :FATURA"
                 " GROUP BY ITEM.NATUREZA, NATUREZA.DESCRICAO ORDER BY ITEM.NATUREZA",
             fatura);
  std::vector<std::string> naturezas, descricoes, valores;
  for (q.First(); !q.Eof(); q.Next()) {
    naturezas.push_back(field(q, "NATUREZA"));
    descricoes.push_back(field(q, "DESCRICAO"));
    valores.push_back(FormatFloat("#,##0.00", q.FieldByName("VALOR").AsFloat));
  }
  const auto lines = [](const std::vector<std::string>& v) {
    std::string s;
    for (size_t i = 0; i < v.size(); ++i) s += (i ? "\n" : "") + v[i];
    return s;
  };
  set_variable(report, "vNaturezas", lines(naturezas));
  set_variable(report, "vDescNat", lines(descricoes));
  set_variable(report, "vValNat", lines(valores));
}

// vPedidos, vPedidosCliente, vArtCliente, vRIS: the orders of the invoiced lines.
void order_variables(TTIQuery& q, TprReport& report, const std::string& fatura) {
  open_bound(q,
             "SELECT DISTINCT NOTAITEN.PEDIDO, PEDIDO.PED_CLI, PEDIDO.ART_CLI, PEDIDO.RIS FROM " +
                 DBLocal("NOTAITEN") + " NOTAITEN LEFT OUTER JOIN " + DBLocal("PEDIDO") +
                 " PEDIDO ON (NOTAITEN.PEDIDO = PEDIDO.NUMERO) WHERE NOTAITEN.FATURA = :FATURA"
                 " AND NOTAITEN.EMPENHO = 'N' ORDER BY NOTAITEN.PEDIDO",
             fatura);
  std::vector<std::string> pedidos, ped_cli, art_cli, ris;
  for (q.First(); !q.Eof(); q.Next()) {
    add_distinct(pedidos, field(q, "PEDIDO"));
    add_distinct(ped_cli, field(q, "PED_CLI"));
    add_distinct(art_cli, field(q, "ART_CLI"));
    add_distinct(ris, field(q, "RIS"));
  }
  set_variable(report, "vPedidos", join(pedidos, ", "));
  set_variable(report, "vPedidosCliente", join(ped_cli, ", "));
  set_variable(report, "vArtCliente", join(art_cli, ", "));
  set_variable(report, "vRIS", join(ris, ", "));
}

// vDuplicata ... vBanco: the instalments in the given situation, by original
// due date, one line each so that the columns line up.
void instalment_variables(TTIQuery& q, TprReport& report, const std::string& fatura,
                          const std::string& status) {
  q.Close();
  q.SQL.Clear();
  q.SQL.Add(
      "SELECT RECEBER.NUMERO, RECEBER.DT_VENCTO, RECEBER.ORIGINAL, RECEBER.VALOR2, RECEBER.SITUACAO,"
      " CADBAN.NOME AS NOME_BANCO FROM " +
      DBLocal("RECEBER") + " RECEBER LEFT OUTER JOIN " + DBLocal("CADBAN") +
      " CADBAN ON (RECEBER.BANCO = CADBAN.BANCO) WHERE RECEBER.FATURA = :FATURA AND RECEBER.STATUS = :STATUS"
      " ORDER BY RECEBER.ORIGINAL, RECEBER.NUMERO");
  q.ParamByName("FATURA").AsString = fatura;
  q.ParamByName("STATUS").AsString = status;
  q.Open();
  std::string numeros, venctos, originais, valores, situacoes, bancos;
  const auto date = [&q](const char* name) {
    return q.FieldByName(name).IsNull() ? std::string()
                                        : FormatDateTime("dd/mm/yyyy", q.FieldByName(name).AsDateTime);
  };
  for (q.First(); !q.Eof(); q.Next()) {
    const std::string nl = q.RecNo == 1 ? "" : "\n";
    numeros += nl + field(q, "NUMERO");
    venctos += nl + date("DT_VENCTO");
    originais += nl + date("ORIGINAL");
    valores += nl + FormatFloat("#,##0.00", q.FieldByName("VALOR2").AsFloat);
    situacoes += nl + field(q, "SITUACAO");
    bancos += nl + field(q, "NOME_BANCO");
  }
  set_variable(report, "vDuplicata", numeros);
  set_variable(report, "vDupVencto", venctos);
  set_variable(report, "vDupVenctoOrig", originais);
  set_variable(report, "vDupValor", valores);
  set_variable(report, "vDupSituacao", situacoes);
  set_variable(report, "vBanco", bancos);
}

// vEmpNome ... vEmpTelefone: the issuing company, from the company settings.
void company_variables(TprReport& report) {
  const CompanyRegister& e = Tabela.company;
  set_variable(report, "vEmpNome", e.name);
  set_variable(report, "vEmpEndereco",
               join({join({e.street, e.number}, ", "), e.complement, e.district}, " - "));
  set_variable(report, "vEmpCidade",
               join({e.city, e.state, e.postal_code.empty() ? "" : "CEP " + e.postal_code}, " - "));
  set_variable(report, "vEmpCnpj", e.cnpj);
  set_variable(report, "vEmpInscricao", e.state_registration);
  set_variable(report, "vEmpTelefone", e.phone);
}

}  // namespace

void preenche_variaveis_nota(TTIQuery& Query, TClientDataSet& cdsNota, TprReport& Report,
                             const std::string& Fatura, const std::string& DadosAdicionais,
                             const std::string& StatusDuplicata) {
  // A number longer than NOTA.FATURA (10) names no invoice: nothing to list.
  if (Length(Fatura) > 10) {
    for (const char* name : {"vFiscObs", "vFiscTrib", "vTribCod", "vNaturezas", "vDescNat", "vValNat",
                             "vPedidos", "vPedidosCliente", "vArtCliente", "vRIS", "vDuplicata", "vDupVencto",
                             "vDupVenctoOrig", "vDupValor", "vDupSituacao", "vBanco"}) {
      set_variable(Report, name, "");
    }
  } else {
    fiscal_variables(Query, Report, Fatura);
    nature_variables(Query, Report, Fatura);
    order_variables(Query, Report, Fatura);
    instalment_variables(Query, Report, Fatura, StatusDuplicata.empty() ? "N" : StatusDuplicata);
  }
  TClientDataSet& cds = cdsNota;
  std::string mensagem, obs;
  if (!cds.IsEmpty()) {
    cds.First();
    mensagem = Trim(std::string(cds.FieldByName("NOTA_MENSAGEM").AsString));
    obs = Trim(std::string(cds.FieldByName("NOTA_OBS").AsString));
  }
  set_variable(Report, "vDadosAdicionais", join({mensagem, obs, Trim(DadosAdicionais)}, "\n"));
  company_variables(Report);
}

bool ImprimeNotaFiscal(TTIQuery& Query, TTIQuery& Query2, TClientDataSet& cdsNota, TprReport& Report,
                       const std::string& Fatura, const std::string& Layout,
                       const std::string& DadosAdicionais, const std::string& StatusDuplicata, int Ordem,
                       int MaxPaginas) {
  const std::string nome = Trim(Layout).empty() ? std::string("WNOTA") : Trim(Layout);
  const std::string arquivo = ArquivoLayout(nome);
  if (arquivo.empty()) {
    ShowMessageDialog("Layout não encontrado: " + arquivo_layout_relatorio(nome));
    return false;
  }
  if (MontaDataSetNota(Query, cdsNota, Fatura, Ordem == 1 ? NotaOrdem::by_order : NotaOrdem::by_code) == 0) {
    ShowMessageDialog("Nota fiscal não encontrada: " + Fatura);
    return false;
  }
  Report.LoadTemplateFromFile(program_file(arquivo).string());
  Report.AddDataSet(kNotaDataSetName, cdsNota);
  if (MaxPaginas > 0) Report.MaxPages = MaxPaginas;
  // A number longer than NOTA.FATURA found no rows above, so it binds here.
  preenche_variaveis_nota(Query2, cdsNota, Report, Fatura, DadosAdicionais, StatusDuplicata);
  return Report.Prepare();
}

}  // namespace zpk
