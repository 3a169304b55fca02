// Message-set lines of an invoice in preparation: the simple-regime credit
// sentences, the FCI sentence, item observations and the discount/surcharge sums.
#include "billing/mensagens_nota.hpp"

#include <algorithm>
#include <array>

#include "billing/cents.hpp"
#include "billing/nfe_text.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {
namespace {

// A text joined to the running one with "\" (alone when the running one is blank).
void join_text(std::string& text, std::string_view part) {
  text = Trim(text).empty() ? std::string(part) : text + "\\" + std::string(part);
}

// An FCI number as the authority issues it: 36 characters, 8-4-4-4-12 with dashes.
bool fci_shaped(std::string_view numero) {
  if (Length(numero) != 36) return false;
  for (int at : {9, 14, 19, 24}) {
    if (CharAt(numero, at) != U'-') return false;
  }
  return true;
}

}  // namespace

void create_message_set(TClientDataSet& TbMensagem, bool Gravar) {
  if (TbMensagem.Active()) TbMensagem.Close();
  TbMensagem.FieldDefs.Clear();
  TbMensagem.FieldDefs.Add("Ordem", ftInteger);
  TbMensagem.FieldDefs.Add("Codigo", ftString);
  TbMensagem.FieldDefs.Add("Descricao", ftString);
  TbMensagem.FieldDefs.Add("TipoVal", ftString);
  TbMensagem.FieldDefs.Add("Tipo", ftString);
  TbMensagem.FieldDefs.Add("Preco", ftFloat);
  TbMensagem.FieldDefs.Add("Valor", ftFloat);
  TbMensagem.FieldDefs.Add("Subtotal", ftString);
  if (Gravar) TbMensagem.FieldDefs.Add("Gravar", ftString);
  TbMensagem.CreateDataSet();
}

void append_message_line(TClientDataSet& TbMensagem, int Ordem, std::string_view Descricao,
                         std::string_view TipoVal, std::string_view Tipo, const char* Gravar) {
  TbMensagem.Append();
  TbMensagem.FieldByName("Ordem").AsInteger = Ordem;
  TbMensagem.FieldByName("Codigo").AsString = std::string(kCodigoMensagem);
  TbMensagem.FieldByName("Descricao").AsString = std::string(Descricao);
  TbMensagem.FieldByName("TipoVal").AsString = std::string(TipoVal);
  TbMensagem.FieldByName("Tipo").AsString = std::string(Tipo);
  TbMensagem.FieldByName("Preco").AsFloat = 0;
  TbMensagem.FieldByName("Valor").AsFloat = 0;
  TbMensagem.FieldByName("Subtotal").AsString = "N";
  if (Gravar != nullptr) TbMensagem.FieldByName("Gravar").AsString = Gravar;
  TbMensagem.Post();
}

void AddMenssagemSIMPLES(double Valor, double ValorIcms, std::string_view Natureza, std::string_view CodCli,
                         TDateTime Data, TClientDataSet& TbMensagem) {
  if (Trim(Tabela.company.crt) != "1" || !(Valor > 0)) return;
  // Codes are bound as quoted literals (inner quotes doubled), so any code
  // typed in a screen is compared as it stands.
  if (Busca_Valor("NATUREZA", "NATUREZA", "TIPO", QuotedStr(Natureza), false, true).AsString() != "V") return;
  if (Busca_Valor("ENTIDADE", "CODCLI", "SIMPLES", QuotedStr(CodCli), false, true).AsString() == "S") return;

  const double aliquota = Tabela.company.simples_credit_rate;
  append_message_line(TbMensagem, 30,
                      "PERMITE APROVEITAMENTO DO CREDITO DE ICMS NO VALOR DE R$ " +
                          FormatFloat("0.00", aliquota * Valor / 100),
                      "O", "S");
  append_message_line(
      TbMensagem, 31,
      "CORRESPONDENTE A ALIQUOTA DE " + FloatToStr(aliquota) + "%, NOS TERMOS DO ARTIGO 23 dA LC 123", "O",
      "S");
}

std::string BuscaNrFCI(std::string_view Tipo, std::string_view Codigo, std::string_view Origem,
                       std::string_view Cor, double& Percentual) {
  static constexpr std::array<char32_t, 4> kImportedOrigins{U'3', U'4', U'5', U'8'};
  if (BuscaParametro("FAT", 130) != "S") return {};
  const char32_t origem = CharAt(Origem, 1);
  if (std::find(kImportedOrigins.begin(), kImportedOrigins.end(), origem) == kImportedOrigins.end())
    return {};

  TTIQuery q(Tabela.IBDatabase);
  const std::string table = DBLocal("NOTA_FCI");
  q.SQL.Add("SELECT FCI.NRFCI, FCI.PCFCI FROM " + table + " FCI");
  q.SQL.Add("WHERE FCI.TIPO = :TIPO AND FCI.CODIGO = :CODIGO");
  q.SQL.Add("AND FCI.NRANO_MES = (SELECT MAX(FCI2.NRANO_MES) FROM " + table + " FCI2");
  q.SQL.Add("WHERE FCI2.TIPO = FCI.TIPO AND FCI2.CODIGO = FCI.CODIGO AND FCI2.NRFCI IS NOT NULL)");
  q.ParamByName("TIPO").AsString = std::string(Tipo);
  q.ParamByName("CODIGO").AsString = std::string(Codigo);
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // A kind or code longer than its column has no statement.
    if (!e.is_truncation()) throw;
    return {};
  }
  if (q.IsEmpty()) return {};
  Percentual = q.FieldByName("PCFCI").AsFloat();
  const std::string numero = Trim(q.FieldByName("NRFCI").AsString());
  return fci_shaped(numero) ? numero : std::string();
}

void AddMenssagemFCI(TClientDataSet& TbMensagem, std::string_view Codigo, std::string_view Origem,
                     std::string_view Tipo, std::string_view Cor, int Ordem, double Quantidade) {
  double percentual = 0;
  const std::string numero = BuscaNrFCI(Tipo, Codigo, Origem, Cor, percentual);
  if (!(percentual > 0)) return;
  append_message_line(TbMensagem, Ordem,
                      "Resolucao do Senado Federal Nr 13/2012. Nr FCI " + numero + ", C.I " +
                          FormatFloat("0.00", percentual) + " %",
                      "O", "O", TbMensagem.FindField("Gravar") != nullptr ? "N" : nullptr);
}

void AddObservacaoItem(TClientDataSet& TbMensagem, int Ordem, std::string_view Texto) {
  if (Trim(Texto).empty()) return;
  // Checked before appending, so a set without the field is left as it was.
  TbMensagem.FieldByName("Gravar");
  append_message_line(TbMensagem, Ordem, Texto, "O", "O", "N");
}

std::string ObsProdutoNFe(std::string_view Fatura, std::string_view Serie, std::string_view Descricao,
                          std::string_view Observacao, int OrdPed) {
  // The NF-e's product name takes 120 characters; the rest of a longer
  // description goes to the item's additional text.
  std::string text = Copy(Descricao, 121, 80);
  if (Trim(text).empty()) text.clear();
  if (!Trim(Observacao).empty()) join_text(text, Observacao);

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT DESCRICAO, QTDE FROM " + DBLocal("NOTAITEN"));
  q.SQL.Add("WHERE FATURA = :FATURA AND EMPENHO = 'O' AND ORD_PED = :ORD_PED");
  q.ParamByName("FATURA").AsString = std::string(Fatura);
  q.ParamByName("ORD_PED").AsInteger = OrdPed;
  bool found = true;
  try {
    q.Open();
  } catch (const EDatabaseError& e) {
    // An invoice number longer than its column has no stored rows.
    if (!e.is_truncation()) throw;
    found = false;
  }
  for (; found && !q.Eof(); q.Next()) {
    const std::string descricao = q.FieldByName("DESCRICAO").AsString();
    if (!Trim(descricao).empty()) join_text(text, descricao);
  }
  return Trim(LimpaCaracterNFe(text, false));
}

bool NaturezaExp(std::string_view CFOP) {
  static constexpr std::array<std::string_view, 10> kExportRelated{"1501", "2501", "5501", "5502", "5504",
                                                                   "5505", "6501", "6502", "6504", "6505"};
  if (Trim(CFOP).empty()) return false;
  const char first = CFOP.front();
  if (first == '3' || first == '7') return true;
  return std::find(kExportRelated.begin(), kExportRelated.end(), CFOP) != kExportRelated.end();
}

double DescontoAcrescimo(TClientDataSet& TbMensagem, double Valor, double& DescAcres) {
  double base = Valor;
  double acrescimos = 0;
  double descontos = 0;
  double outros = 0;
  for (TbMensagem.First(); !TbMensagem.Eof(); TbMensagem.Next()) {
    const std::string tipo_val = TbMensagem.FieldByName("TipoVal").AsString();
    double valor = 0;
    if (tipo_val == "V") {
      valor = TbMensagem.FieldByName("Valor").AsFloat();
    } else if (tipo_val == "P") {
      valor = to_cents(TbMensagem.FieldByName("Preco").AsFloat() / 100 * base);
    }
    const std::string tipo = TbMensagem.FieldByName("Tipo").AsString();
    const bool subtotal = TbMensagem.FieldByName("Subtotal").AsString() == "S";
    if (tipo == "A") {
      acrescimos += valor;
      if (subtotal) base += valor;
    } else if (tipo == "D") {
      descontos += valor;
      if (subtotal) base -= valor;
    } else if (tipo == "C") {
      outros += valor;
      // The whole third-kind sum so far leaves the base, not only this line's.
      if (subtotal) base -= outros;
    }
  }
  DescAcres = acrescimos - descontos;
  return acrescimos - descontos - outros;
}

}  // namespace zpk
