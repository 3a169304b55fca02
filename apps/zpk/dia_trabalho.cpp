#include "dia_trabalho.hpp"

#include <unistd.h>
#include <chrono>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "accounting/contabil.hpp"
#include "accounting/tcontabil.hpp"
#include "billing/cents.hpp"
#include "billing/empenho.hpp"
#include "billing/fat_cliente.hpp"
#include "billing/icms.hpp"
#include "billing/invoice_writer.hpp"
#include "billing/mensagens_nota.hpp"
#include "billing/nfe/gera_nfe.hpp"
#include "billing/nfe/invoice_nfe.hpp"
#include "billing/nfe/invoice_transmission.hpp"
#include "billing/nfe/nfe_webservices.hpp"
#include "billing/nota_fiscal.hpp"
#include "demo_authoriser.hpp"
#include "foundation/lookups.hpp"
#include "foundation/station_settings.hpp"
#include "inventory/estoque.hpp"
#include "inventory/reserva.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "receivables/comissao_item.hpp"
#include "receivables/movimento_receber.hpp"
#include "receivables/rec_comissoes.hpp"
#include "receivables/rec_duplicata.hpp"
#include "reporting/imprime_nota_fiscal.hpp"
#include "reporting/layout_datasets.hpp"
#include "reporting/report.hpp"
#include "session.hpp"

namespace zpk::cli {

namespace fs = std::filesystem;

EPassoDia::EPassoDia(std::string passo, const std::string& motivo)
    : EZpkError(fmt::format("step \"{}\" failed: {} (its work was rolled back)", passo, motivo)),
      passo_(std::move(passo)) {}

namespace {

// Amounts as the command line prints them: a decimal point and two places.
std::string money(double value) {
  return demo_money(Currency(value));
}

// Quantities and rates with a decimal point and no trailing zeros.
std::string num(double value) {
  std::string text = FormatFloat("0.####", value);
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

// One column of the row of `tabela` (a logical name) whose `chave` is `valor`;
// raises EZpkError when there is none.
class Campo {
 public:
  Campo(const std::string& tabela, const std::string& coluna, const std::string& chave,
        const std::string& valor)
      : q_(Tabela.IBDatabase) {
    q_.SQL.Add("SELECT " + coluna + " FROM " + DBLocal(tabela) + " WHERE " + chave + " = :VALOR");
    q_.ParamByName("VALOR").AsString = valor;
    q_.Open();
    if (q_.IsEmpty()) throw EZpkError(fmt::format("{} {} is not registered in {}", chave, valor, tabela));
  }
  double AsFloat() { return q_.Fields(0).AsFloat(); }
  std::string AsString() { return q_.Fields(0).AsString(); }

 private:
  TTIQuery q_;
};

Campo campo(const std::string& tabela, const std::string& coluna, const std::string& chave,
            const std::string& valor) {
  return Campo(tabela, coluna, chave, valor);
}

// One line of the invoice as the billing screen computes it.
struct LinhaNota {
  const ItemDia* item = nullptr;
  std::string ncm;
  std::string natureza;
  std::string cla_trib = "00";
  double valor = 0;
  double perc_icms = 0, base_icms = 0, val_icms = 0;
  double mva = 0, base_st = 0, valor_st = 0, valor_st_fcp = 0;
  double perc_dif = 0, valor_dif = 0, val_fcp = 0;
  double pis = 0, cofins = 0;
};

// A station in a throw-away program folder whose INI points "Caminho" at the
// shared-folder root holding the layouts, put back when the step ends.
class EstacaoLayouts {
 public:
  EstacaoLayouts(const fs::path& base, const fs::path& raiz) : base_(base) {
    fs::create_directories(base_);
    set_program_folder(base_);
    GravaIni("Caminho", "path", raiz.string(), Tabela.ArquivoIni);
  }
  ~EstacaoLayouts() {
    set_program_folder({});
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  EstacaoLayouts(const EstacaoLayouts&) = delete;
  EstacaoLayouts& operator=(const EstacaoLayouts&) = delete;

 private:
  fs::path base_;
};

// The day's state carried from step to step.
class Dia {
 public:
  Dia(const OpcoesDia& o, const std::function<void(const PassoDia&)>& feito,
      const std::function<void(const std::string&)>& progresso)
      : o_(o), feito_(feito), progresso_(progresso) {}

  ResultadoDia run();

 private:
  // Runs one step in its own transaction: committed when it ends, rolled back
  // (and raised as EPassoDia naming it) when it fails.
  void passo(const std::string& nome, const std::function<void(PassoDia&)>& corpo);
  void avisa(const std::string& linha) {
    if (progresso_) progresso_(linha);
  }

  // The steps, one each, in the day's order; each fills its line's figures.
  void recebe_estoque(PassoDia& p);
  void grava_pedido(PassoDia& p);
  void confere_credito(PassoDia& p);
  void reserva_numero(PassoDia& p);
  void calcula_impostos(PassoDia& p);
  void monta_mensagens(PassoDia& p);
  void grava_nota(PassoDia& p);
  void baixa_estoque(PassoDia& p);
  void gera_nfe(PassoDia& p);
  void transmite_nfe(PassoDia& p);
  void imprime_nota(PassoDia& p);
  void grava_titulos(PassoDia& p);
  void contabiliza_nota(PassoDia& p);
  void recebe_titulo(PassoDia& p);
  void exporta_estoque(PassoDia& p);

  // The sum of the lines' amounts, in cents.
  double total_produtos() const;
  double total_nota() const;

  const OpcoesDia& o_;
  const std::function<void(const PassoDia&)>& feito_;
  const std::function<void(const std::string&)>& progresso_;
  HeadlessDialogs dialogs_;
  ResultadoDia r_;
  TDateTime hoje_ = Date();
  std::string natureza_nota_;
  std::vector<LinhaNota> linhas_;
  TClientDataSet mensagens_;
  std::string mensagem_nota_;
  std::vector<std::string> titulos_;
  // The authoriser the NF-e goes to; the local one when the day started it,
  // stopped (and its PKI removed) once the NF-e is authorised, or with the
  // day on any way out of it.
  AutorizadorDia autorizador_;
  std::optional<DemoAuthoriser> autorizador_local_;
};

void Dia::passo(const std::string& nome, const std::function<void(PassoDia&)>& corpo) {
  PassoDia p;
  p.nome = nome;
  const auto inicio = std::chrono::steady_clock::now();
  try {
    dialogs_.clear();
    corpo(p);
    Tabela.IBTransaction.Commit();
    p.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  } catch (const std::exception& e) {
    try {
      Tabela.IBTransaction.Rollback();
    } catch (...) {
      // The connection itself failed: the engine rolls the work back.
    }
    throw EPassoDia(nome, e.what());
  }
  r_.passos.push_back(p);
  if (feito_) feito_(r_.passos.back());
}

double Dia::total_produtos() const {
  double t = 0;
  for (const auto& l : linhas_) t += l.valor;
  return to_cents(t);
}

// The invoice's total: the products plus the ICMS-ST and its poverty-fund
// share, which the seller collects from the buyer.
double Dia::total_nota() const {
  double t = total_produtos();
  for (const auto& l : linhas_) t += l.valor_st + l.valor_st_fcp;
  return to_cents(t);
}

void Dia::recebe_estoque(PassoDia& p) {
  std::vector<std::string> partes;
  for (const ItemDia& item : o_.itens) {
    TEstoque e;
    e.ECodigo = item.codigo;
    e.ELote = o_.lote;
    e.EDeposito = o_.deposito;
    e.EOperacao = TOperacaoEstoque::opEntrada;
    e.EQuantidade = item.entrada;
    e.EUnidade = item.unidade;
    e.ECusto = item.custo;
    e.EDocumento = "ENT " + o_.lote;
    e.ETipo = e.CodigoTipoMovEstoque(TTipoMovimentoEstoque::tmeEFNF);
    e.MovimentaEstoqueProduto(false);
    const double custo = campo("PRODUTO", "CUSTO", "CODIGO", item.codigo).AsFloat();
    partes.push_back(fmt::format("{} +{} {} at {} (average cost {})", item.codigo, num(item.entrada),
                                 item.unidade, money(item.custo), num(custo)));
  }
  p.resumo = fmt::format("{}", fmt::join(partes, "; "));
}

void Dia::grava_pedido(PassoDia& p) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO " + DBLocal("PEDIDO") +
            " (NUMERO, LOCADO, CODCLI, CODREP, DT_EMISSAO, PGTO, COND_PAGTO) VALUES (:NUMERO, '0', :CODCLI, "
            ":CODREP, "
            ":DATA, :PGTO, :COND)");
  q.ParamByName("NUMERO").AsString = o_.pedido;
  q.ParamByName("CODCLI").AsString = o_.cliente;
  q.ParamByName("CODREP").AsString = o_.representante;
  q.ParamByName("DATA").AsDateTime = hoje_;
  q.ParamByName("PGTO").AsString = "030";
  std::vector<std::string> prazos;
  for (int i = 1; i <= o_.parcelas; ++i) prazos.push_back(std::to_string(30 * i));
  q.ParamByName("COND").AsString = fmt::format("{}", fmt::join(prazos, "/"));
  q.ExecSQL();
  double total = 0;
  int ordem = 0;
  for (const ItemDia& item : o_.itens) {
    TTIQuery i(Tabela.IBDatabase);
    i.SQL.Add(
        "INSERT INTO " + DBLocal("PED_ITEN") +
        " (NUMERO, CODIGO, COR, TAM, ORDEM, QTDE, PRECO, DESCONTO) VALUES (:NUMERO, :CODIGO, '', '', :ORDEM, "
        ":QTDE, :PRECO, '0')");
    i.ParamByName("NUMERO").AsString = o_.pedido;
    i.ParamByName("CODIGO").AsString = item.codigo;
    i.ParamByName("ORDEM").AsInteger = ++ordem;
    i.ParamByName("QTDE").AsFloat = item.quantidade;
    i.ParamByName("PRECO").AsFloat = item.preco;
    i.ExecSQL();
    TReserva r;
    r.ENumero = o_.pedido;
    r.ETipo = "PD";
    r.ECodigo = item.codigo;
    r.EDeposito = o_.deposito;
    r.EQuantidade = item.quantidade;
    r.GravarReservaProduto(false);
    total += to_cents(item.quantidade * item.preco);
  }
  // The order screen shows the customer's name as soon as its code is typed:
  // an order of a customer that is not registered goes no further.
  TTIQuery c(Tabela.IBDatabase);
  c.SQL.Add("SELECT NOME FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
  c.ParamByName("CODCLI").AsString = o_.cliente;
  c.Open();
  if (c.IsEmpty()) throw EZpkError(fmt::format("customer {} is not registered", o_.cliente));
  // The order's commission split starts as the customer's; the rules then
  // give each item its percentage and the order its average (committed).
  TRecComissoes vendas(ctVendas);
  vendas.Codigo = o_.pedido;
  vendas.CodCli = o_.cliente;
  vendas.CodRep = o_.representante;
  vendas.BuscaComissoes(true);
  vendas.GravarDados("");
  RecalcularComissaoPedido(o_.pedido);
  p.resumo =
      fmt::format("order {} of {} ({}), {} items worth {}, reserved in deposit {}, commission {} %",
                  o_.pedido, o_.cliente, c.FieldByName("NOME").AsString(), o_.itens.size(), money(total),
                  o_.deposito, num(campo("PEDIDO", "COM1", "NUMERO", o_.pedido).AsFloat()));
}

void Dia::confere_credito(PassoDia& p) {
  double total = 0;
  for (const ItemDia& item : o_.itens) total += to_cents(item.quantidade * item.preco);
  std::string codigo;
  if (BloqueioPedidoFinanceiro(o_.pedido, o_.cliente, total, codigo)) {
    const std::string texto = dialogs_.records().empty() ? "" : dialogs_.last().text;
    throw EZpkError(fmt::format("the order is blocked (message {}): {}", codigo,
                                StringReplace(texto, "\n", " ", rfReplaceAll)));
  }
  std::string limite;
  if (FatCliente) {
    limite = fmt::format(", open titles {}, limit {}", money(FatCliente->ValorEmAberto()),
                         money(FatCliente->VlrLimite()));
  }
  p.resumo = fmt::format("BloqueioPedidoFinanceiro: released{}", limite);
}

void Dia::reserva_numero(PassoDia& p) {
  vPedidoFat = o_.pedido;
  try {
    r_.fatura = ProximaNotaFiscal(o_.serie, true);
  } catch (...) {
    vPedidoFat.clear();
    throw;
  }
  vPedidoFat.clear();
  if (r_.fatura.empty()) throw EZpkError("no invoice number was given");
  p.resumo = fmt::format("ProximaNotaFiscal: invoice {} of series {}", r_.fatura, o_.serie);
}

void Dia::calcula_impostos(PassoDia& p) {
  natureza_nota_ = o_.itens.empty() ? "" : o_.itens.front().natureza;
  std::vector<std::string> partes;
  for (const ItemDia& item : o_.itens) {
    LinhaNota l;
    l.item = &item;
    l.natureza = item.natureza;
    TTIQuery t(Tabela.IBDatabase);
    t.SQL.Add("SELECT DESC_FIS, ICMS FROM " + DBLocal("TABFIS") + " WHERE CODIGO = :CODIGO");
    t.ParamByName("CODIGO").AsString = item.cla_fis;
    t.Open();
    if (t.IsEmpty())
      throw EZpkError(
          fmt::format("fiscal classification {} of {} is not registered", item.cla_fis, item.codigo));
    l.ncm = t.FieldByName("DESC_FIS").AsString();
    l.perc_icms = t.FieldByName("ICMS").AsFloat();
    l.valor = to_cents(item.quantidade * item.preco);
    l.base_icms = l.valor;
    l.val_icms = to_cents(l.base_icms * l.perc_icms / 100);

    std::string destaca;
    double base_st = l.base_icms;
    l.valor_st =
        CalculaSubstituicaoTributariaICMS(l.ncm, o_.cliente, "", l.base_icms, l.perc_icms, item.quantidade,
                                          base_st, l.mva, l.valor_st_fcp, l.natureza, l.cla_trib, destaca);
    if (l.valor_st > 0) {
      l.base_st = base_st;
    } else {
      l.valor_st_fcp = 0;
      l.mva = 0;
    }

    double base_dif = 0, aliq_interna = 0;
    CalculaDIFALICMS(l.natureza, o_.cliente, l.ncm, l.perc_icms, l.base_icms, 0, l.val_fcp, l.valor_dif,
                     base_dif, aliq_interna);
    if (l.valor_dif > 0) l.perc_dif = aliq_interna - l.perc_icms;
    l.pis = to_cents(l.valor * o_.perc_pis / 100);
    l.cofins = to_cents(l.valor * o_.perc_cofins / 100);
    partes.push_back(fmt::format("{} {} ICMS {} % of {} = {}, ST {} (MVA {} %, FCP-ST {}), DIFAL {} (FCP {})",
                                 item.codigo, l.natureza, num(l.perc_icms), money(l.base_icms),
                                 money(l.val_icms), money(l.valor_st), num(l.mva), money(l.valor_st_fcp),
                                 money(l.valor_dif), money(l.val_fcp)));
    linhas_.push_back(l);
  }
  p.resumo = fmt::format("{}", fmt::join(partes, "; "));
}

void Dia::monta_mensagens(PassoDia& p) {
  create_message_set(mensagens_);
  Transfere_Empenho(nullptr, mensagens_, o_.cliente, "");
  const int fixas = mensagens_.RecordCount();
  AddObservacaoItem(mensagens_, 1, "PEDIDO " + o_.pedido);
  AddEnderecoEntrega(nullptr, mensagens_, "", o_.cliente);
  AddEnderecoCobranca(nullptr, mensagens_, "", o_.cliente);
  double desc_acres = 0;
  DescontoAcrescimo(mensagens_, total_produtos(), desc_acres);
  if (std::fabs(desc_acres) >= 0.005) {
    // The day prices its items net: a standing discount or surcharge of the
    // customer would change the totals the invoice is stored with.
    throw EZpkError(
        fmt::format("customer {} has standing discounts or surcharges ({})", o_.cliente, money(desc_acres)));
  }
  std::vector<std::string> frases;
  double st = 0, difal = 0;
  for (const auto& l : linhas_) {
    st += l.valor_st;
    difal += l.valor_dif;
  }
  if (st > 0) frases.push_back("ICMS ST recolhido pelo remetente.");
  if (difal > 0) frases.push_back("Diferencial de aliquota e FCP recolhidos ao estado de destino.");
  frases.push_back("Pedido " + o_.pedido + ".");
  mensagem_nota_ = fmt::format("{}", fmt::join(frases, " "));
  p.resumo = fmt::format("{} message lines ({} standing), discounts/surcharges {}; \"{}\"",
                         mensagens_.RecordCount(), fixas, money(desc_acres), mensagem_nota_);
}

void Dia::grava_nota(PassoDia& p) {
  double base = 0, icms = 0, base_st = 0, st = 0, fcp = 0, dest = 0, pis = 0, cofins = 0;
  for (const auto& l : linhas_) {
    base += l.base_icms;
    icms += l.val_icms;
    base_st += l.base_st;
    st += l.valor_st;
    fcp += l.val_fcp;
    dest += l.valor_dif;
    pis += l.pis;
    cofins += l.cofins;
  }
  InvoiceHeader nota;
  nota.fatura = r_.fatura;
  nota.serie = o_.serie;
  nota.codcli = o_.cliente;
  nota.codrep = o_.representante;
  nota.natureza = natureza_nota_;
  nota.transport = "T001";
  nota.dt_emissao = hoje_;
  nota.dt_saida = hoje_;
  nota.tipfat = "1";
  nota.valor = total_nota();
  nota.base_calc = to_cents(base);
  nota.aliquota = linhas_.empty() ? 0 : linhas_.front().perc_icms;
  nota.val_icms = to_cents(icms);
  nota.base_subst = to_cents(base_st);
  nota.val_subst = to_cents(st);
  nota.val_fcp = to_cents(fcp);
  nota.val_icms_dest = to_cents(dest);
  nota.val_pis = to_cents(pis);
  nota.val_cofins = to_cents(cofins);
  nota.val_produtos = total_produtos();
  nota.volumes = static_cast<int>(linhas_.size());
  nota.especie = "CAIXA";
  nota.cif = "1";
  for (const auto& l : linhas_) nota.pecas += l.item->quantidade;
  nota.mensagem = mensagem_nota_;

  std::vector<InvoiceLine> itens;
  int ordem = 0;
  for (const auto& l : linhas_) {
    InvoiceLine i;
    i.codigo = l.item->codigo;
    i.descricao = campo("PRODUTO", "DESCRICAO", "CODIGO", l.item->codigo).AsString();
    i.valor = l.valor;
    i.preco = l.item->preco;
    i.ord_ped = i.ordem = ++ordem;
    i.qtde = i.qtde_trib = l.item->quantidade;
    i.natureza = l.natureza;
    i.cla_fis = l.item->cla_fis;
    i.cla_trib = l.cla_trib;
    i.pedido = o_.pedido;
    i.data_mvto = hoje_;
    i.unidade = l.item->unidade;
    i.lote = o_.lote;
    i.base_icms = l.base_icms;
    i.perc_icms = l.perc_icms;
    i.perc_st = l.mva;
    i.base_st = l.base_st;
    i.valor_st = l.valor_st;
    i.valor_st_fcp = l.valor_st_fcp;
    i.perc_dif = l.perc_dif;
    i.valor_dif = l.valor_dif;
    i.val_fcp = l.val_fcp;
    i.val_icms_dest = l.valor_dif;
    i.trib_ipi = "53";
    i.trib_pis = "01";
    i.base_pis = l.valor;
    i.perc_pis = o_.perc_pis;
    i.trib_cofins = "01";
    i.base_cofins = l.valor;
    i.perc_cofins = o_.perc_cofins;
    i.volumes = 1;
    itens.push_back(std::move(i));
  }
  write_invoice(nota, itens);
  GravaEmpenhoNota(mensagens_, total_produtos(), r_.fatura, "");
  p.resumo = fmt::format(
      "NOTA {} series {}: products {}, ICMS {} on {}, ST {} + FCP-ST {}, DIFAL {} + FCP {}, PIS {}, COFINS "
      "{}, "
      "total {}",
      r_.fatura, o_.serie, money(total_produtos()), money(icms), money(base), money(st),
      money(total_nota() - total_produtos() - st), money(dest), money(fcp), money(pis), money(cofins),
      money(total_nota()));
}

void Dia::baixa_estoque(PassoDia& p) {
  std::vector<std::string> partes;
  for (const auto& l : linhas_) {
    // What this exit wrote to the journal under its own document. Other
    // stations move the same balance meanwhile, so the balance itself cannot
    // tell whether this posting happened; the journal rows of this invoice can.
    const auto lancado = [&] {
      TTIQuery q(Tabela.IBDatabase);
      q.SQL.Add("SELECT COALESCE(SUM(QTDE), 0) FROM " + DBLocal("PA_MOV") +
                " WHERE NUM_DOCTO = :DOCTO AND CODIGO = :CODIGO AND LOTE = :LOTE AND DEPOSITO = :DEPOSITO");
      q.ParamByName("DOCTO").AsString = "NF " + r_.fatura;
      q.ParamByName("CODIGO").AsString = l.item->codigo;
      q.ParamByName("LOTE").AsString = o_.lote;
      q.ParamByName("DEPOSITO").AsString = o_.deposito;
      q.Open();
      return q.Fields(0).AsFloat();
    };
    const double antes = lancado();
    TEstoque e;
    e.ECodigo = l.item->codigo;
    e.ELote = o_.lote;
    e.EDeposito = o_.deposito;
    e.EOperacao = TOperacaoEstoque::opSaida;
    e.EQuantidade = l.item->quantidade;
    e.EUnidade = l.item->unidade;
    e.ECliente = o_.cliente;
    e.EDocumento = "NF " + r_.fatura;
    e.ETipo = e.CodigoTipoMovEstoque(TTipoMovimentoEstoque::tmeSFNF);
    e.MovimentaEstoqueProduto(false);
    // An exit the stock cannot cover is only warned about by the posting:
    // the invoice must not leave with its goods still in stock.
    if (std::fabs(std::fabs(lancado() - antes) - l.item->quantidade) > 0.00005) {
      throw EZpkError(fmt::format("{} lot {}: the exit of {} was not posted", l.item->codigo, o_.lote,
                                  num(l.item->quantidade)));
    }
    TReserva r;
    r.ENumero = o_.pedido;
    r.ETipo = "PD";
    r.ECodigo = l.item->codigo;
    r.EDeposito = o_.deposito;
    r.EQuantidade = l.item->quantidade;
    r.EQuantidade_B = l.item->quantidade;
    r.BaixarReservaProduto(false);
    partes.push_back(fmt::format("{} -{} {}", l.item->codigo, num(l.item->quantidade), l.item->unidade));
  }
  p.resumo = fmt::format("{}; reservations of {} written down", fmt::join(partes, "; "), o_.pedido);
}

void Dia::gera_nfe(PassoDia& p) {
  autorizador_ = o_.autorizador;
  if (autorizador_.base.empty()) {
    // A test PKI of the company's own CNPJ: the authoriser trusts its A1 as
    // the TLS client and as the NF-e's signer, and refuses any other.
    const nfe::Emitter emitente = nfe::company_emitter();
    avisa(
        fmt::format("  ... starting the local authoriser with test certificates for CNPJ {}", emitente.cnpj));
    autorizador_local_.emplace(emitente.cnpj, emitente.tpAmb);
    autorizador_ = {autorizador_local_->base_url(), autorizador_local_->ca(),
                    autorizador_local_->certificate()};
  }
  IFinNFe = 1;
  ITpTrasNFe = 1;
  ITpImpNFe = 1;
  ITpEntrega = 1;
  const nfe::InvoiceNFe g = nfe::nfe_of_invoice(Copy(r_.fatura, 1, 6), o_.serie, autorizador_.certificado);
  const fs::path xml = nfe::write_nfe_file(o_.pasta, g.key, g.xml,
                                           g.violations.empty() && (!g.is_signed || g.signature_verified));
  // The generator offers to rewrite the stored tax totals when the items do
  // not add up to them: the day stores them from its items, so such an offer
  // means the invoice was stored wrong.
  for (const DialogRecord& d : dialogs_.records()) {
    if (d.caption == "Transmissão de NFe") {
      throw EZpkError(fmt::format("the NF-e's item sums differ from the stored totals: {}", d.text));
    }
  }
  if (!g.violations.empty()) {
    const auto& v = g.violations.front();
    throw EZpkError(fmt::format("the NF-e {} does not validate: {} violation(s), the first {} (line {}): {}",
                                xml.string(), g.violations.size(), v.Campo, v.Linha, v.Mensagem));
  }
  if (!g.signature_verified)
    throw EZpkError(fmt::format("the signature of {} does not verify", xml.string()));
  r_.chave = g.key;
  r_.xml = xml;
  p.resumo = fmt::format("key {}, {} items, schema valid, signature verified", g.key, g.items);
  p.arquivos.push_back(xml);
}

// The service's status first (an authoriser out of service is told as such,
// before anything is sent), then the NF-e; NOTA keeps the key, the status
// and the protocol, and the authorised document is written beside the XML.
void Dia::transmite_nfe(PassoDia& p) {
  avisa(fmt::format("  ... transmitting the NF-e to {}", autorizador_.base));
  nfe::WebServiceConfig config = nfe::read_webservice_config();
  config.base = autorizador_.base;
  config.ca_file = autorizador_.ca;
  nfe::NFeWebServices ws(nfe::company_emitter(), autorizador_.certificado, config);
  const nfe::StatusAnswer status = ws.status();
  if (status.cStat != 107)
    throw EZpkError(fmt::format("the authoriser is not in operation: {} - {}", status.cStat, status.xMotivo));
  const nfe::TransmitResult t =
      nfe::transmit_invoice(ws, Copy(r_.fatura, 1, 6), o_.serie, {o_.pasta, false, true});
  if (!t.authorised) throw EZpkError(fmt::format("the NF-e was not authorised: {} - {}", t.cStat, t.xMotivo));
  r_.chave = t.key;
  r_.cstat = t.cStat;
  r_.protocolo = t.nProt;
  r_.dh_recbto = t.dhRecbto;
  r_.proc_nfe = t.proc_file;
  p.resumo = fmt::format("status {}; cStat {} {}, protocol {}, received {}", status.cStat, t.cStat, t.xMotivo,
                         t.nProt, t.dhRecbto);
  if (autorizador_local_) {
    autorizador_local_.reset();
    p.resumo += "; local authoriser stopped";
  }
  if (!t.proc_file.empty()) p.arquivos.push_back(t.proc_file);
}

void Dia::imprime_nota(PassoDia& p) {
  avisa("  ... printing the invoice through WNOTA");
  EstacaoLayouts estacao(fs::temp_directory_path() / fmt::format("zpk-day-print-{}", ::getpid()), o_.layouts);
  TTIQuery q(Tabela.IBDatabase), q2(Tabela.IBDatabase);
  TClientDataSet cds;
  TprReport report;
  if (!ImprimeNotaFiscal(q, q2, cds, report, r_.fatura, "WNOTA", "", "", 1, 0)) {
    throw EZpkError(dialogs_.records().empty() ? "the invoice printed nothing" : dialogs_.last().text);
  }
  // Printed after the authorisation: the invoice carries the NF-e's key and
  // protocol, which the printed copy that travels with the goods must show.
  cds.First();
  const std::string protocolo = Trim(cds.FieldByName("NOTA_PROTOCOLO_NFE").AsString());
  if (protocolo != r_.protocolo)
    throw EZpkError(fmt::format("the invoice's dataset has protocol \"{}\", not the authoriser's {}",
                                protocolo, r_.protocolo));
  r_.pdf = o_.pasta / fmt::format("nota-{}.pdf", r_.fatura);
  report.export_to_pdf(r_.pdf.string());
  p.resumo =
      fmt::format("ImprimeNotaFiscal: {} item lines, {} page(s), key {}, protocol {}", cds.RecordCount(),
                  report.GetEndPagesCount(), Trim(cds.FieldByName("NOTA_CHAVE_NFE").AsString()), protocolo);
  p.arquivos.push_back(r_.pdf);
}

void Dia::grava_titulos(PassoDia& p) {
  const Currency total(total_nota());
  const int64_t parcela = total.Raw() / o_.parcelas / 100 * 100;
  std::vector<std::string> partes;
  for (int i = 1; i <= o_.parcelas; ++i) {
    TRecDuplicata d(TStatusDuplicata::tpDuplicata);
    d.CodCli = o_.cliente;
    d.CodRep = o_.representante;
    d.Fatura = r_.fatura;
    d.Pedido = o_.pedido;
    d.ValorFatura = total;
    d.Valor = Currency::FromRaw(i < o_.parcelas ? parcela : total.Raw() - parcela * (o_.parcelas - 1));
    d.DataEmissao = hoje_;
    d.DataVencimento = IncDay(hoje_, 30 * i);
    d.Historico = "NF " + r_.fatura;
    d.Banco = "341";
    d.TipoFat = "1";
    d.Numero = r_.fatura + SepDupli() + std::to_string(i);
    d.IncluiDuplicata();
    titulos_.push_back(d.Numero);
    partes.push_back(fmt::format("{} {} due {}", d.Numero, demo_money(d.Valor), DateToStr(d.DataVencimento)));
  }
  TRecComissoes fat(ctFatPedido);
  fat.Codigo = o_.pedido;
  fat.CodRep = o_.representante;
  fat.BuscaComissoes(true);
  std::vector<std::string> divisao;
  TClientDataSet& rows = fat.Comissoes();
  for (rows.First(); !rows.Eof(); rows.Next()) {
    divisao.push_back(fmt::format("{} {} %", rows.FieldByName("CODREP").AsString(),
                                  num(rows.FieldByName("COM1").AsFloat())));
  }
  if (divisao.empty()) throw EZpkError(fmt::format("order {} has no commission split", o_.pedido));
  for (const std::string& t : titulos_) fat.GravarDados(t);
  p.resumo = fmt::format("{}; commission split {}", fmt::join(partes, "; "), fmt::join(divisao, ", "));
}

void Dia::contabiliza_nota(PassoDia& p) {
  liga_contabilidade();
  TContabil nota;
  nota.SetContabilidadeFiscal(r_.fatura, "S", natureza_nota_, o_.cliente, "101", "VF", total_produtos(),
                              hoje_, nullptr);
  if (!nota.ConfirmaDadosContabilidade(Currency(total_produtos()))) {
    throw EZpkError("the postings were not confirmed");
  }
  const int postings = TbDadosContabeis ? TbDadosContabeis->RecordCount() : 0;
  const int centros = TbContCentroCusto ? TbContCentroCusto->RecordCount() : 0;
  if (postings == 0) throw EZpkError(fmt::format("nature {} gave no posting", natureza_nota_));
  nota.GravaContabilidadeFiscal("F" + r_.fatura, false);
  p.resumo = fmt::format("posting F{}: {} posting(s) of {}, {} cost-centre rows", r_.fatura, postings,
                         money(total_produtos()), centros);
}

void Dia::recebe_titulo(PassoDia& p) {
  if (titulos_.empty()) throw EZpkError("there is no title to receive");
  const std::string titulo = titulos_.front();
  const double valor = campo("RECEBER", "VALOR2", "NUMERO", titulo).AsFloat();
  campo("CADCONTA", "CONTA", "CONTA", o_.conta_bancaria);  // an unknown account goes no further
  const std::string lancamento = "R" + r_.fatura;
  // The bank book first: it commits on its own and only tells the user when
  // it refuses a movement, so its row is looked for before the title is
  // marked paid and the posting written (which commit together).
  const TDateTime creditado = DataContabilizacaoBancaria(hoje_, "", false);
  LancaContaCorrente(lancamento, titulo, "", o_.conta_bancaria, "", "0001", "R",
                     LancamentoPendente(o_.conta_bancaria, "0001"), "E", "RECEBIMENTO " + titulo, valor,
                     hoje_, creditado, hoje_, "");
  TTIQuery b(Tabela.IBDatabase);
  b.SQL.Add("SELECT COUNT(*) FROM " + DBLocal("CONTACOR") + " WHERE LANCAMENTO = :L");
  b.ParamByName("L").AsString = lancamento;
  b.Open();
  if (b.Fields(0).AsInteger() == 0) {
    throw EZpkError(fmt::format("the bank book refused the receipt: {}",
                                dialogs_.records().empty() ? "no row written" : dialogs_.last().text));
  }
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("UPDATE " + DBLocal("RECEBER") +
            " SET VALOR_PAGO = :VALOR, SITUACAO = 'P' WHERE NUMERO = :NUMERO");
  q.ParamByName("VALOR").AsFloat = valor;
  q.ParamByName("NUMERO").AsString = titulo;
  q.ExecSQL();
  TContabil recebimento;
  recebimento.SetContabilidadeFinan(lancamento, "DUP", titulo, o_.cliente, o_.conta_bancaria, "+", "RR",
                                    "101", "0001", valor, hoje_, "", "");
  recebimento.GravaContabilidadeFinan();
  p.resumo = fmt::format("title {} paid {} into account {} (booked {}), posting {}", titulo, money(valor),
                         o_.conta_bancaria, DateToStr(creditado), lancamento);
}

void Dia::exporta_estoque(PassoDia& p) {
  avisa("  ... exporting the stock list");
  const fs::path layout = o_.layouts / "layout" / "WESTOQUE.prt";
  if (!fs::is_regular_file(layout)) throw EZpkError(fmt::format("{} is missing", layout.string()));
  TprReport report;
  report.LoadTemplateFromFile(layout.string());
  auto& empresa = report.Variables.AddVariable();
  empresa.Name = "vEmpresa";
  empresa.SetAsString(Copy(Tabela.SufixoEmpresa, 2, 3));
  LayoutDataSets datasets(report, Tabela.IBDatabase);
  if (!report.Prepare()) throw EZpkError("the stock list has no balance to print");
  r_.xlsx = o_.pasta / "estoque.xlsx";
  report.export_to_xlsx(r_.xlsx.string());
  p.resumo = fmt::format("WESTOQUE: {} page(s)", report.GetEndPagesCount());
  p.arquivos.push_back(r_.xlsx);
}

// Runs the steps, then the checks.
ResultadoDia Dia::run() {
  ScopedDialogService guard(dialogs_);
  fs::create_directories(o_.pasta);
  {
    // A day is one order: run again on the same company, it needs another
    // number, which is told before anything is written.
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add("SELECT COUNT(*) FROM " + DBLocal("PEDIDO") + " WHERE NUMERO = :NUMERO");
    q.ParamByName("NUMERO").AsString = o_.pedido;
    q.Open();
    if (q.Fields(0).AsInteger() > 0) {
      throw EZpkError(fmt::format("order {} already exists: give the day another order number", o_.pedido));
    }
  }
  passo("fabric received", [this](PassoDia& p) { recebe_estoque(p); });
  passo("order", [this](PassoDia& p) { grava_pedido(p); });
  passo("credit check", [this](PassoDia& p) { confere_credito(p); });
  passo("invoice number", [this](PassoDia& p) { reserva_numero(p); });
  passo("ICMS, ST and DIFAL", [this](PassoDia& p) { calcula_impostos(p); });
  passo("invoice messages", [this](PassoDia& p) { monta_mensagens(p); });
  passo("invoice stored", [this](PassoDia& p) { grava_nota(p); });
  passo("stock exit", [this](PassoDia& p) { baixa_estoque(p); });
  // The titles come with the stored invoice: the NF-e's payment group and
  // the printed invoice list its instalments.
  passo("receivable titles", [this](PassoDia& p) { grava_titulos(p); });
  passo("NF-e", [this](PassoDia& p) { gera_nfe(p); });
  passo("NF-e authorised", [this](PassoDia& p) { transmite_nfe(p); });
  passo("invoice printed", [this](PassoDia& p) { imprime_nota(p); });
  passo("ledger postings", [this](PassoDia& p) { contabiliza_nota(p); });
  passo("receipt", [this](PassoDia& p) { recebe_titulo(p); });
  passo("stock list", [this](PassoDia& p) { exporta_estoque(p); });
  r_.conferencia = confere_dia_trabalho(o_, r_.fatura);
  return r_;
}

// The first column of a one-row statement's result, 0 when it is NULL.
double soma(const std::string& sql, const std::function<void(TTIQuery&)>& bind) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = sql;
  bind(q);
  q.Open();
  return q.Fields(0).IsNull() ? 0 : q.Fields(0).AsFloat();
}

// Two amounts equal to the cent.
bool iguais(double a, double b) {
  return std::fabs(a - b) < 0.005;
}

}  // namespace

ResultadoDia executa_dia_trabalho(const OpcoesDia& opcoes,
                                  const std::function<void(const PassoDia&)>& passo_feito,
                                  const std::function<void(const std::string&)>& progresso) {
  Dia dia(opcoes, passo_feito, progresso);
  return dia.run();
}

ConferenciaDia confere_dia_trabalho(const OpcoesDia& opcoes, const std::string& fatura) {
  ConferenciaDia c;
  // Balances against journals, per product, lot and deposit the day moved.
  for (const ItemDia& item : opcoes.itens) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Text = DBLocal_SQL(
        "SELECT I.LOTE, I.DEPOSITO, I.QUANTIDADE, (SELECT COALESCE(SUM(IIF(M.OPERACAO = 'E', M.QTDE, "
        "-M.QTDE)), 0) "
        "FROM {PA_MOV} M WHERE M.CODIGO = I.CODIGO AND M.COR = I.COR AND M.TAMANHO = I.TAM AND M.LOTE = "
        "I.LOTE "
        "AND M.DEPOSITO = I.DEPOSITO) FROM {PA_ITEN} I WHERE I.CODIGO = :CODIGO");
    q.ParamByName("CODIGO").AsString = item.codigo;
    q.Open();
    for (; !q.Eof(); q.Next()) {
      ++c.saldos;
      const double saldo = q.Fields(2).AsFloat(), diario = q.Fields(3).AsFloat();
      if (std::fabs(saldo - diario) > 0.00005) {
        c.falhas.push_back(fmt::format("{} lot {} deposit {}: balance {} but journal {}", item.codigo,
                                       q.Fields(0).AsString(), q.Fields(1).AsString(), num(saldo),
                                       num(diario)));
      }
    }
  }

  // Postings: both accounts present, and the cost-centre rows of each add up to it.
  for (const std::string& lancamento : {"F" + fatura, "R" + fatura}) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Text = DBLocal_SQL(
        "SELECT C.ORDEM, C.CONTA_D, C.CONTA_C, C.VALOR, (SELECT COUNT(*) FROM {CENTRO_RATEIO} R WHERE "
        "R.LANCAMENTO = "
        "C.LANCAMENTO AND R.ORDEM = C.ORDEM), (SELECT SUM(R.VALOR_RAT) FROM {CENTRO_RATEIO} R WHERE "
        "R.LANCAMENTO = "
        "C.LANCAMENTO AND R.ORDEM = C.ORDEM) FROM {CONTABIL} C WHERE C.LANCAMENTO = :L ORDER BY C.ORDEM");
    q.ParamByName("L").AsString = lancamento;
    q.Open();
    if (q.IsEmpty()) c.falhas.push_back(fmt::format("posting {} is missing", lancamento));
    for (; !q.Eof(); q.Next()) {
      ++c.lancamentos;
      const std::string ordem = q.Fields(0).AsString();
      if (Trim(q.Fields(1).AsString()).empty() || Trim(q.Fields(2).AsString()).empty()) {
        c.falhas.push_back(fmt::format("posting {} row {} lacks an account", lancamento, ordem));
      }
      if (q.Fields(4).AsInteger() > 0 && !iguais(q.Fields(5).AsFloat(), q.Fields(3).AsFloat())) {
        c.falhas.push_back(fmt::format("posting {} row {}: cost centres {} but posting {}", lancamento, ordem,
                                       money(q.Fields(5).AsFloat()), money(q.Fields(3).AsFloat())));
      }
    }
  }

  // The invoice's totals against its items (message lines aside).
  TTIQuery n(Tabela.IBDatabase);
  n.SQL.Text = DBLocal_SQL(
      "SELECT N.VAL_PRODUTOS, N.BASE_CALC, N.BASE_SUBST, N.VAL_SUBST, N.VAL_FCP, N.VAL_ICMS_DEST, N.VALOR, "
      "SUM(I.VALOR), SUM(I.BASE_ICMS), SUM(I.BASE_ST), SUM(I.VALOR_ST), SUM(I.VAL_FCP), "
      "SUM(I.VAL_ICMS_DEST), "
      "SUM(I.VALOR + I.VALOR_ST + I.VALOR_ST_FCP), SUM(I.QTDE * I.PRECO) "
      "FROM {NOTA} N JOIN {NOTAITEN} I ON I.FATURA = N.FATURA AND I.EMPENHO = 'N' "
      "WHERE N.FATURA = :FATURA AND N.SERIE = :SERIE "
      "GROUP BY N.VAL_PRODUTOS, N.BASE_CALC, N.BASE_SUBST, N.VAL_SUBST, N.VAL_FCP, N.VAL_ICMS_DEST, N.VALOR");
  n.ParamByName("FATURA").AsString = fatura;
  n.ParamByName("SERIE").AsString = opcoes.serie;
  n.Open();
  if (n.IsEmpty()) {
    c.falhas.push_back(fmt::format("invoice {} has no items", fatura));
  } else {
    const char* nomes[] = {"products", "ICMS base", "ST base", "ST", "FCP", "DIFAL", "total"};
    for (int i = 0; i < 7; ++i) {
      if (!iguais(n.Fields(i).AsFloat(), n.Fields(7 + i).AsFloat())) {
        c.falhas.push_back(fmt::format("invoice {}: {} {} but items {}", fatura, nomes[i],
                                       money(n.Fields(i).AsFloat()), money(n.Fields(7 + i).AsFloat())));
      }
    }
    if (!iguais(n.Fields(0).AsFloat(), n.Fields(14).AsFloat())) {
      c.falhas.push_back(fmt::format("invoice {}: products {} but quantities x prices {}", fatura,
                                     money(n.Fields(0).AsFloat()), money(n.Fields(14).AsFloat())));
    }
    const double titulos = soma(DBLocal_SQL("SELECT SUM(VALOR2) FROM {RECEBER} WHERE FATURA = :FATURA"),
                                [&](TTIQuery& q) { q.ParamByName("FATURA").AsString = fatura; });
    if (!iguais(titulos, n.Fields(6).AsFloat())) {
      c.falhas.push_back(fmt::format("invoice {}: titles {} but total {}", fatura, money(titulos),
                                     money(n.Fields(6).AsFloat())));
    }
  }

  // The NF-e as NOTA keeps it: the access key, the authorisation (100) and
  // the protocol that proves it, which the printed invoice shows.
  TTIQuery e(Tabela.IBDatabase);
  e.SQL.Text = DBLocal_SQL(
      "SELECT CHAVE_NFE, STATUS_NFE, PROTOCOLO_NFE FROM {NOTA} WHERE FATURA = :FATURA AND SERIE = :SERIE");
  e.ParamByName("FATURA").AsString = fatura;
  e.ParamByName("SERIE").AsString = opcoes.serie;
  e.Open();
  if (e.IsEmpty()) {
    c.falhas.push_back(fmt::format("invoice {} series {} is not stored", fatura, opcoes.serie));
  } else {
    const std::string chave = Trim(e.Fields(0).AsString());
    const std::string protocolo = Trim(e.Fields(2).AsString());
    if (Length(chave) != 44)
      c.falhas.push_back(fmt::format("invoice {}: NF-e key \"{}\" is not 44 characters", fatura, chave));
    if (e.Fields(1).IsNull() || e.Fields(1).AsInteger() != 100) {
      c.falhas.push_back(fmt::format("invoice {}: NF-e status {}, not 100 (authorised)", fatura,
                                     e.Fields(1).IsNull() ? std::string("none") : e.Fields(1).AsString()));
    }
    if (protocolo.size() != 15 || protocolo.find_first_not_of("0123456789") != std::string::npos)
      c.falhas.push_back(fmt::format("invoice {}: NF-e protocol \"{}\" is not 15 digits", fatura, protocolo));
  }
  return c;
}

void liga_contabilidade() {
  // Written only when not yet on: stations that run the day together would
  // otherwise all update the same two parameter rows and conflict.
  const std::string empresa = Copy(Tabela.SufixoEmpresa, 2, 3);
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text =
      "SELECT COUNT(*) FROM EMP_PARAM WHERE TIPO = 'FIN' AND CODIGO IN (30, 40) AND EMPRESA = :E AND VALOR = "
      "'S'";
  q.ParamByName("E").AsString = empresa;
  q.Open();
  if (q.Fields(0).AsInteger() == 2) return;
  q.Close();
  q.SQL.Text = "UPDATE EMP_PARAM SET VALOR = 'S' WHERE TIPO = 'FIN' AND CODIGO IN (30, 40) AND EMPRESA = :E";
  q.ParamByName("E").AsString = empresa;
  q.ExecSQL();
}

}  // namespace zpk::cli
