#include "accounting/tcontabil.hpp"

#include <iterator>
#include <utility>

#include "accounting/contabil.hpp"
#include "accounting/detail/classe_conta.hpp"
#include "accounting/detail/composer_lookups.hpp"
#include "accounting/detail/host_form.hpp"
#include "billing/cents.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

using detail::conta_resultado;
using detail::first_text;
using detail::parametro;

namespace {

constexpr const char* kCaption = "ZELVO ERP";

// The customer's or supplier's name and its two ledger accounts.
struct DadosEntidade {
  std::string nome;
  std::string contac;  // as a customer
  std::string contad;  // as a supplier
};

DadosEntidade entidade(std::string_view codcli) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT NOME, CONTAC, CONTAD FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
  q.ParamByName("CODCLI").AsString = std::string(codcli);
  q.Open();
  if (q.IsEmpty()) return {};
  return {q.FieldByName("NOME").AsString(), q.FieldByName("CONTAC").AsString(),
          q.FieldByName("CONTAD").AsString()};
}

// One row of an apportionment rule: the account that receives PERC_CONTA % of the amount.
struct RegraConta {
  std::string conta;
  double perc = 0;
};

// The account rows of the rule (CODIGO, TIPO[, TIPO_VAL]); empty when the rule has none.
std::vector<RegraConta> regra(std::string_view codigo, std::string_view tipo, const std::string* tipo_val) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT DISTINCT CONTA, PERC_CONTA FROM " + DBLocal("CONT_RATEIO"));
  q.SQL.Add("WHERE CODIGO = :CODIGO AND TIPO = :TIPO");
  if (tipo_val) q.SQL.Add("AND TIPO_VAL = :TIPO_VAL");
  q.ParamByName("CODIGO").AsString = std::string(codigo);
  q.ParamByName("TIPO").AsString = std::string(tipo);
  if (tipo_val) q.ParamByName("TIPO_VAL").AsString = *tipo_val;
  q.Open();
  std::vector<RegraConta> rows;
  for (q.First(); !q.Eof(); q.Next()) {
    rows.push_back({q.FieldByName("CONTA").AsString(), q.FieldByName("PERC_CONTA").AsFloat()});
  }
  return rows;
}

// An item of the invoice's item list: "kind;code;value" (the value with the
// decimal comma, as the screens write it; unreadable counts as 0).
struct Item {
  std::string tipo;
  std::string codigo;
  double valor = 0;
};

Item item(const std::string& line) {
  Item it;
  const size_t a = line.find(';');
  it.tipo = line.substr(0, a);
  if (a == std::string::npos) return it;
  const size_t b = line.find(';', a + 1);
  it.codigo = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
  if (b != std::string::npos) it.valor = StrToFloatDef(Trim(line.substr(b + 1)), 0);
  return it;
}

// The list's text (lines joined by line breaks) up to its first ";".
std::string text_before_semicolon(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  const size_t semicolon = text.find(';');
  return semicolon == std::string::npos ? std::string() : text.substr(0, semicolon);
}

void define_postings(TClientDataSet& t) {
  t.FieldDefs.Add("Numero", ftString, 15);
  t.FieldDefs.Add("Lancto", ftString, 7);
  t.FieldDefs.Add("Docto", ftString, 15);
  t.FieldDefs.Add("ContaC", ftString, 12);
  t.FieldDefs.Add("ContaD", ftString, 12);
  t.FieldDefs.Add("ContaRat", ftString, 12);
  t.FieldDefs.Add("Observacao", ftString, 200);
  t.FieldDefs.Add("Operacao", ftString, 1);
  t.FieldDefs.Add("Tipo", ftString, 2);
  t.FieldDefs.Add("Valor", ftFloat);
  t.FieldDefs.Add("Data", ftDate);
  t.FieldDefs.Add("Confirma", ftBoolean);
  t.FieldDefs.Add("CodCli", ftString, 6);
  t.CreateDataSet();
}

void define_cost_centres(TClientDataSet& t) {
  t.FieldDefs.Add("Ordem", ftInteger);
  t.FieldDefs.Add("Conta", ftString, 12);
  t.FieldDefs.Add("CentroCusto", ftString, 4);
  t.FieldDefs.Add("Descricao", ftString, 50);
  t.FieldDefs.Add("Perc_Rat", ftFloat);
  t.FieldDefs.Add("Valor_Rat", ftFloat);
  t.CreateDataSet();
}

// Moves to the posting with these accounts and number; false (and the cursor
// anywhere) when there is none.
bool locate_posting(TClientDataSet& t, std::string_view conta_d, std::string_view conta_c,
                    std::string_view numero) {
  return t.Locate("ContaD;ContaC;Numero",
                  VarArrayOf({std::string(conta_d), std::string(conta_c), std::string(numero)}));
}

// Whether a posting's account is missing from the chart (blank or unknown).
bool conta_invalida(const std::string& conta) {
  return Trim(conta).empty() ||
         first_text("SELECT CODIGO FROM " + DBLocal("CONTA_CONT") + " WHERE CODIGO = :C", {{"C", conta}})
             .empty();
}

// The account of the chart tagged for posting type `tipo`.
std::string conta_tipo(std::string_view tipo) {
  return first_text("SELECT FIRST 1 CODIGO FROM " + DBLocal("CONTA_CONT") + " WHERE TIPO = :TIPO",
                    {{"TIPO", tipo}});
}

std::string descricao_conta(const std::string& conta) {
  return first_text("SELECT DESCRICAO FROM " + DBLocal("CONTA_CONT") + " WHERE CODIGO = :C", {{"C", conta}});
}

std::string descricao_classe(std::string_view classe) {
  return first_text("SELECT DESCRICAO FROM " + DBLocal("SUBGRUPO") + " WHERE CODIGO = :C", {{"C", classe}});
}

// Where each side of a financial posting takes its account, per type.
enum class Fonte { candidato, cliente, fornecedor, marcada };

struct FonteTipo {
  const char* tipo;
  Fonte credito;
  const char* marca_credito;  // the tag of a "marcada" credit
  Fonte debito;
  const char* marca_debito;
};

constexpr FonteTipo kFontesFinanceiras[] = {
    {"RR", Fonte::cliente, "", Fonte::candidato, ""},    {"RJ", Fonte::marcada, "RJ", Fonte::candidato, ""},
    {"RD", Fonte::cliente, "", Fonte::marcada, "RD"},    {"RC", Fonte::cliente, "", Fonte::marcada, "RC"},
    {"RP", Fonte::cliente, "", Fonte::marcada, "RP"},    {"RA", Fonte::marcada, "RA", Fonte::cliente, ""},
    {"RV", Fonte::cliente, "", Fonte::marcada, "RV"},    {"RT", Fonte::candidato, "", Fonte::marcada, "RT"},
    {"RB", Fonte::candidato, "", Fonte::cliente, ""},    {"RS", Fonte::marcada, "PA", Fonte::cliente, ""},
    {"RE", Fonte::cliente, "", Fonte::marcada, "PC"},    {"PP", Fonte::candidato, "", Fonte::fornecedor, ""},
    {"PJ", Fonte::candidato, "", Fonte::marcada, "PJ"},  {"PD", Fonte::marcada, "PD", Fonte::fornecedor, ""},
    {"PV", Fonte::marcada, "PV", Fonte::fornecedor, ""}, {"PA", Fonte::fornecedor, "", Fonte::marcada, "PA"},
    {"PC", Fonte::marcada, "PC", Fonte::fornecedor, ""}, {"PB", Fonte::fornecedor, "", Fonte::candidato, ""},
};

bool tipo_direto(std::string_view tipo) {
  for (const char* t : {"CP", "CR", "CC", "OP", "ES", "AP", "AR"}) {
    if (tipo == t) return true;
  }
  return false;
}

}  // namespace

TContabil::TContabil() {
  if (Tabela.IBDatabase.Connected()) open_work_area();
}

void TContabil::open_work_area() {
  if (!Tabela.IBDatabase.Connected()) return;
  decided_ = true;
  if (parametro("FIN", 40) == "S" || parametro("FIN", 30) == "S") {
    postings_ = std::make_unique<TClientDataSet>("TbDadosContabeis");
    cost_centres_ = std::make_unique<TClientDataSet>("TbContCentroCusto");
    define_postings(*postings_);
    define_cost_centres(*cost_centres_);
    TbDadosContabeis = postings_.get();
    TbContCentroCusto = cost_centres_.get();
  }
}

TContabil::~TContabil() {
  // A later composer may have taken the work area over: leave its datasets.
  if (TbDadosContabeis == postings_.get()) TbDadosContabeis = nullptr;
  if (TbContCentroCusto == cost_centres_.get()) TbContCentroCusto = nullptr;
}

TTIDatabase& TContabil::database() const {
  return Database != nullptr ? *Database : Tabela.IBDatabase;
}

void TContabil::append_posting(std::string_view Numero, std::string_view Lancto, std::string_view Docto,
                               std::string_view ContaC, std::string_view ContaD, double Valor,
                               std::string_view Observacao, std::string_view Operacao, std::string_view Tipo,
                               TDateTime Data, std::string_view CodCli) {
  TClientDataSet& t = *postings_;
  t.Append();
  t.FieldByName("Numero").AsString = std::string(Numero);
  t.FieldByName("Lancto").AsString = std::string(Lancto);
  t.FieldByName("Docto").AsString = std::string(Docto);
  t.FieldByName("ContaC").AsString = std::string(ContaC);
  t.FieldByName("ContaD").AsString = std::string(ContaD);
  t.FieldByName("Valor").AsFloat = Valor;
  t.FieldByName("Observacao").AsString = std::string(Observacao);
  t.FieldByName("Operacao").AsString = std::string(Operacao);
  t.FieldByName("Tipo").AsString = std::string(Tipo);
  t.FieldByName("Data").AsDateTime = Data;
  t.FieldByName("Confirma").AsBoolean = false;
  t.FieldByName("CodCli").AsString = std::string(CodCli);
  t.Post();
}

void TContabil::SetContabilidadeFiscal(std::string_view NotaFiscal, std::string_view Tipo,
                                       std::string_view Natureza, std::string_view Entidade,
                                       std::string_view Classe, std::string_view TipoValor, double Valor,
                                       TDateTime Data, const std::vector<std::string>* ItensRateio) {
  if (!active() || parametro("FIN", 40) != "S") return;
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT NATUREZA.NAT_CONT, NATUREZA.TIPO, NAT_CONTA.CONTA_D, NAT_CONTA.CONTA_C");
  q.SQL.Add("FROM " + DBLocal("NATUREZA") + " NATUREZA INNER JOIN " + DBLocal("NAT_CONTA") + " NAT_CONTA");
  q.SQL.Add("ON (NAT_CONTA.CODIGO = NATUREZA.NAT_CONT AND NAT_CONTA.TIPO = :TIPO_VALOR)");
  q.SQL.Add("WHERE NATUREZA.NATUREZA = :NATUREZA");
  q.ParamByName("TIPO_VALOR").AsString = std::string(TipoValor);
  q.ParamByName("NATUREZA").AsString = std::string(Natureza);
  q.Open();
  if (Valor <= 0 || q.IsEmpty()) return;
  const std::string nat_cont = q.FieldByName("NAT_CONT").AsString();
  const std::string tipo_natureza = q.FieldByName("TIPO").AsString();
  const std::string nat_debito = q.FieldByName("CONTA_D").AsString();
  const std::string nat_credito = q.FieldByName("CONTA_C").AsString();
  const DadosEntidade entidade_ = entidade(Entidade);
  this->Valor += Valor;

  // "0" in a nature stands for the entity's own account: a return
  // (nature type "D") turns a customer into a supplier and back.
  const bool devolucao = tipo_natureza == "D";
  std::string credito;
  std::string debito;
  if (Tipo == "E") {
    debito = nat_debito;
    credito = nat_credito;
    if (credito == "0") credito = devolucao ? entidade_.contac : entidade_.contad;
  } else if (Tipo == "S") {
    if (TipoValor != "DB") {
      credito = nat_credito;
      debito = nat_debito;
      if (debito == "0") debito = devolucao ? entidade_.contad : entidade_.contac;
    } else {
      debito = nat_debito;
      credito = devolucao ? entidade_.contad : entidade_.contac;
    }
  } else {
    return;
  }

  if (ExisteRateioContabilidade(Tipo, TipoValor, NotaFiscal, nat_cont, Entidade, Classe, debito, credito,
                                tipo_natureza, Data, Valor, ItensRateio)) {
    return;
  }
  const bool entrada = Tipo == "E";
  const std::string observacao =
      "Nota Fiscal " + std::string(NotaFiscal) + (entrada ? " de " : " p\\ ") + entidade_.nome;
  append_posting(NotaFiscal, "", NotaFiscal, credito, debito, Valor, observacao, entrada ? "+" : "-",
                 entrada ? "EF" : "SF", Data, Entidade);
  if (entrada && ItensRateio != nullptr) {
    BuscaRaterioCentroCusto(text_before_semicolon(*ItensRateio), "EF", postings_->RecNo(), Valor);
  }
}

bool TContabil::ExisteRateioContabilidade(std::string_view Tipo, std::string_view TipoValor,
                                          std::string_view NotaFiscal, std::string_view NatCont,
                                          std::string_view Entidade, std::string_view Classe,
                                          std::string_view ContaD, std::string_view ContaC,
                                          std::string_view TipoNatureza, TDateTime Data, double Valor,
                                          const std::vector<std::string>* ItensRateio) {
  if (TipoNatureza == "D" || !active()) return false;
  // Incoming invoices split their debit (what was bought), outgoing ones their credit.
  const bool entrada = Tipo == "E";
  const std::string rateada(entrada ? ContaD : ContaC);
  std::string nome;  // read once, when a posting is first appended
  bool nome_lido = false;
  bool aplicou = false;

  // Gathers the shares of `valor` by the rule's rows.
  const auto aplica = [&](const std::vector<RegraConta>& rows, double valor, std::string_view codigo,
                          std::string_view tipo_regra, std::string_view tipo_valor, bool centro_custo) {
    for (const RegraConta& row : rows) {
      const double parte = to_cents(valor * row.perc / 100);
      const std::string debito = entrada ? row.conta : std::string(ContaD);
      const std::string credito = entrada ? std::string(ContaC) : row.conta;
      TClientDataSet& t = *postings_;
      if (locate_posting(t, debito, credito, NotaFiscal)) {
        t.Edit();
        t.FieldByName("Valor").AsFloat = t.FieldByName("Valor").AsFloat() + parte;
        t.Post();
      } else {
        if (!nome_lido) {
          nome = entidade(Entidade).nome;
          nome_lido = true;
        }
        append_posting(NotaFiscal, "", NotaFiscal, credito, debito, parte,
                       "NF." + std::string(NotaFiscal) + " de " + nome, "+", Copy(Tipo, 1, 1) + "F", Data,
                       Entidade);
      }
      if (centro_custo) GravaRaterioCentroCusto(row.conta, codigo, tipo_regra, tipo_valor, parte);
      aplicou = true;
    }
  };

  const std::string tipo_valor(TipoValor);
  const bool por_item =
      ItensRateio != nullptr && !ItensRateio->empty() && item(ItensRateio->front()).valor > 0;
  if (por_item) {
    for (const std::string& line : *ItensRateio) {
      const Item it = item(line);
      if (it.valor <= 0) continue;
      const std::string grupo =
          first_text("SELECT GRUPO FROM " + DBLocal("MATERIAL") + " WHERE CODIGO = :C", {{"C", it.codigo}});
      const struct {
        std::string codigo;
        std::string tipo;
        const std::string* tipo_val;
      } kRegras[] = {
          {it.codigo, it.tipo, nullptr},
          {grupo, "GM", nullptr},
          {std::string(NatCont), "N", &tipo_valor},
          {std::string(Classe), "C", nullptr},
          {rateada, "CT", nullptr},
      };
      for (size_t i = 0; i < std::size(kRegras); ++i) {
        const auto rows = regra(kRegras[i].codigo, kRegras[i].tipo, kRegras[i].tipo_val);
        if (rows.empty()) continue;
        // The item's own rule splits over cost centres only for materials,
        // services and products (the kinds CONT_RATEIO keys cost centres by).
        const bool centro_custo = i != 0 || it.tipo == "M" || it.tipo == "S" || it.tipo == "P";
        aplica(rows, it.valor, kRegras[i].codigo, kRegras[i].tipo, tipo_valor, centro_custo);
        break;
      }
    }
    return aplicou;
  }

  // The whole amount: "DP" amounts follow the rules of the invoice value.
  const std::string tipo_val = tipo_valor == "DP" ? std::string("VF") : tipo_valor;
  if (Valor <= 0) return false;
  const std::string vf = "VF";
  const struct {
    std::string codigo;
    std::string tipo;
    const std::string* tipo_val;
  } kRegras[] = {
      {std::string(NatCont), "N", &tipo_val},
      {rateada, "CT", nullptr},
      {std::string(Classe), "C", &vf},
  };
  for (const auto& r : kRegras) {
    const auto rows = regra(r.codigo, r.tipo, r.tipo_val);
    if (rows.empty()) continue;
    aplica(rows, Valor, r.codigo, r.tipo, tipo_val, true);
    break;
  }
  return aplicou;
}

bool TContabil::ConfirmaDadosContabilidade(Currency vValorNF) {
  FValorNF = Currency(to_cents(vValorNF.ToDouble()));
  if (!(parametro("FIN", 30) == "S" || parametro("FIN", 40) == "S") || !active()) {
    Valor = 0;
    return true;
  }
  if (Valor > 0) AcertaValoresRateio(Valor);

  TClientDataSet& t = *postings_;
  bool abre = false;
  for (t.First(); !t.Eof(); t.Next()) {
    if (conta_invalida(t.FieldByName("ContaC").AsString()) ||
        conta_invalida(t.FieldByName("ContaD").AsString())) {
      abre = true;
      break;
    }
  }
  if (!abre && parametro("FIN", 70) == "S") abre = true;
  if (!abre) {
    Valor = 0;
    return true;
  }
  // The form marks the posting it was closed on as confirmed, or not.
  const bool ok = detail::show_host_form(kFormLancCont, kPackageContabil);
  if (!t.IsEmpty()) {
    t.Edit();
    t.FieldByName("Confirma").AsBoolean = ok;
    t.Post();
  }
  return t.FieldByName("Confirma").AsBoolean();
}

void TContabil::GravaContabilidadeFiscal(std::string_view Lancamento, bool /*Comita*/) {
  if (!active() || parametro("FIN", 40) != "S") return;
  TClientDataSet& t = *postings_;
  bool incompleta = false;
  for (t.First(); !t.Eof(); t.Next()) {
    if (t.FieldByName("ContaC").AsString() == "0" || t.FieldByName("ContaD").AsString() == "0")
      incompleta = true;
  }
  if (incompleta) ConfirmaDadosContabilidade(FValorNF);
  write_postings(false, Lancamento);
}

void TContabil::SetContabilidadeFinan(std::string_view Lancto, std::string_view Docto,
                                      std::string_view Numero, std::string_view EntidadeC,
                                      std::string_view EntidadeD, std::string_view Operacao,
                                      std::string_view Tipo, std::string_view Classe,
                                      std::string_view Historico, double Valor, TDateTime Data,
                                      std::string_view Carteira, std::string_view Observacao) {
  if (!active()) return;
  const std::string fin40 = parametro("FIN", 40);
  if (fin40 == "N" && parametro("FIN", 30) == "N") return;
  const std::string tipo(Tipo);
  if ((tipo == "OP" || tipo == "ES") && parametro("PRO", 230) == "N") return;
  if (EntidadeC == "000" || EntidadeD == "000" || Valor <= 0) return;

  std::string credito;
  std::string debito;
  std::string historico;
  if (tipo_direto(tipo)) {
    if (fin40 == "N" && tipo != "CC" && tipo != "AP" && tipo != "AR") return;
    credito = std::string(EntidadeC);
    debito = std::string(EntidadeD);
    historico = descricao_classe(Classe);
  } else {
    const std::string carteira = Copy(Carteira, 1, 3);
    const std::string ocorrencia = Copy(Carteira, 5, 2);
    const bool recebimento = Copy(tipo, 1, 1) == "R";
    const std::string conta_financeira(recebimento ? EntidadeD : EntidadeC);
    const std::string candidato = detail::nature_candidate(
        {conta_financeira, std::string(Historico), std::string(Classe), carteira, ocorrencia}, true);
    const auto fonte = [&](Fonte f, const char* marca) -> std::string {
      switch (f) {
        case Fonte::candidato:
          return candidato;
        case Fonte::cliente:
          return entidade(EntidadeC).contac;
        case Fonte::fornecedor:
          return entidade(EntidadeD).contad;
        case Fonte::marcada:
          return conta_tipo(marca);
      }
      return {};
    };
    for (const FonteTipo& f : kFontesFinanceiras) {
      if (tipo != f.tipo) continue;
      credito = fonte(f.credito, f.marca_credito);
      debito = fonte(f.debito, f.marca_debito);
    }
    historico = descricao_conta(recebimento ? credito : debito);
  }
  if (!Trim(Observacao).empty()) historico = std::string(Observacao);

  TClientDataSet& t = *postings_;
  if (!credito.empty() && !debito.empty() && locate_posting(t, debito, credito, Numero)) {
    t.Edit();
    t.FieldByName("Valor").AsFloat = t.FieldByName("Valor").AsFloat() + Valor;
    t.Post();
  } else {
    append_posting(Numero, Lancto, Docto, credito, debito, Valor, historico, Operacao, Tipo, Data, "");
  }

  if (conta_resultado(debito)) {
    GravaRaterioCentroCusto(debito, debito, "CT", Tipo, Valor);
  } else if (conta_resultado(credito)) {
    GravaRaterioCentroCusto(credito, credito, "CT", Tipo, Valor);
  }
}

void TContabil::GravaContabilidadeFinan() {
  if (!active() || parametro("FIN", 30) != "S") return;
  write_postings(true, "");
  postings_->EmptyDataSet();
  cost_centres_->EmptyDataSet();
  database().DefaultTransaction().CommitRetaining();
}

void TContabil::write_postings(bool financial, std::string_view Lancamento) {
  TTIDatabase& db = database();
  TClientDataSet& t = *postings_;
  TClientDataSet& cc = *cost_centres_;

  TTIQuery posting(db);
  posting.SQL.Add("INSERT INTO " + DBLocal("CONTABIL"));
  posting.SQL.Add("(LANCAMENTO, ORDEM, DOCTO, NUMERO, DATA, DATA_LAN, VALOR, OPERACAO, CONTA_D, CONTA_C,");
  posting.SQL.Add("CONTA_R, TIPO, OBSERVACAO, CODCLI) VALUES (:LANCAMENTO, :ORDEM, :DOCTO, :NUMERO, :DATA,");
  posting.SQL.Add(":DATA_LAN, :VALOR, :OPERACAO, :CONTA_D, :CONTA_C, :CONTA_R, :TIPO, :OBSERVACAO, :CODCLI)");
  TTIQuery rateio(db);
  rateio.SQL.Add("INSERT INTO " + DBLocal("CENTRO_RATEIO"));
  rateio.SQL.Add("(LANCAMENTO, ORDEM, CONTA, NUMERO, TIPO, CENTROCUSTO, PERC_RAT, VALOR_RAT)");
  rateio.SQL.Add("VALUES (:LANCAMENTO, :ORDEM, :CONTA, :NUMERO, :TIPO, :CENTROCUSTO, :PERC_RAT, :VALOR_RAT)");

  // A document's postings are in the ledger with their whole split or not at
  // all: a failing statement undoes the rows written before it.
  Savepoint all_or_nothing(db.DefaultTransaction());
  const TDateTime hoje = Date();
  for (t.First(); !t.Eof(); t.Next()) {
    const std::string lancto = financial ? t.FieldByName("Lancto").AsString() : std::string(Lancamento);
    if (financial && lancto.empty()) continue;
    const std::string debito = t.FieldByName("ContaD").AsString();
    const std::string credito = t.FieldByName("ContaC").AsString();
    std::string conta_rat = t.FieldByName("ContaRat").AsString();
    if (conta_rat.empty()) {
      // The result account carries the cost-centre split: the debit first.
      if (conta_resultado(debito)) {
        conta_rat = debito;
      } else if (conta_resultado(credito)) {
        conta_rat = credito;
      }
      if (!conta_rat.empty()) {
        t.Edit();
        t.FieldByName("ContaRat").AsString = conta_rat;
        t.Post();
      }
    }
    if (!financial) {
      if (Trim(debito).empty())
        MessageBox("Atenção. Conta de débito não cadastrada.", kCaption, MB_ICONINFORMATION);
      if (Trim(credito).empty()) {
        MessageBox("Atenção. Conta de crédito não cadastrada.", kCaption, MB_ICONINFORMATION);
      }
    }
    const std::string numero = t.FieldByName("Numero").AsString();
    const std::string tipo = t.FieldByName("Tipo").AsString();
    const int ordem = post_with_next_ordem(
        lancto,
        [&](int next) {
          posting.ParamByName("LANCAMENTO").AsString = lancto;
          posting.ParamByName("ORDEM").AsInteger = next;
          posting.ParamByName("DOCTO").AsString = t.FieldByName("Docto").AsString();
          posting.ParamByName("NUMERO").AsString = numero;
          posting.ParamByName("DATA").AsDate = t.FieldByName("Data").AsDateTime();
          posting.ParamByName("DATA_LAN").AsDate = hoje;
          posting.ParamByName("VALOR").AsCurrency = Currency(t.FieldByName("Valor").AsFloat());
          posting.ParamByName("OPERACAO").AsString = t.FieldByName("Operacao").AsString();
          posting.ParamByName("CONTA_D").AsString = debito;
          posting.ParamByName("CONTA_C").AsString = credito;
          posting.ParamByName("CONTA_R").AsString = conta_rat;
          posting.ParamByName("TIPO").AsString = tipo;
          posting.ParamByName("OBSERVACAO").AsString = t.FieldByName("Observacao").AsString();
          // The financial postings leave the entity to their movement.
          if (financial) {
            posting.ParamByName("CODCLI").Clear();
          } else {
            posting.ParamByName("CODCLI").AsString = t.FieldByName("CodCli").AsString();
          }
          posting.ExecSQL();
        },
        &db);

    const int recno = t.RecNo();
    for (cc.First(); !cc.Eof(); cc.Next()) {
      const std::string conta = cc.FieldByName("Conta").AsString();
      const std::string centro = cc.FieldByName("CentroCusto").AsString();
      if (conta != conta_rat || cc.FieldByName("Ordem").AsInteger() != recno || conta.empty() ||
          centro.empty()) {
        continue;
      }
      rateio.ParamByName("LANCAMENTO").AsString = lancto;
      rateio.ParamByName("ORDEM").AsInteger = ordem;
      rateio.ParamByName("CONTA").AsString = conta;
      rateio.ParamByName("NUMERO").AsString = numero;
      rateio.ParamByName("TIPO").AsString = tipo;
      rateio.ParamByName("CENTROCUSTO").AsString = centro;
      rateio.ParamByName("PERC_RAT").AsFloat = cc.FieldByName("Perc_Rat").AsFloat();
      rateio.ParamByName("VALOR_RAT").AsCurrency = Currency(cc.FieldByName("Valor_Rat").AsFloat());
      rateio.ExecSQL();
    }
  }
  all_or_nothing.release();
}

}  // namespace zpk
