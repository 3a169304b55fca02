// A mill's working day on one station, as a function: fabric received, an
// order reserved and credit-checked, invoiced, its NF-e signed and authorised
// by the authoriser, the invoice printed with its protocol, its titles,
// ledger postings and a receipt, the stock list exported; then the day's
// checks read back from the database.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "billing/nfe/assina_nfe.hpp"
#include "platform/rtl/errors.hpp"

namespace zpk::cli {

// One line of the day's order: the product, how much of it the day receives
// into stock first (and at what cost), how much is sold at what price, and
// the fiscal data the order screen gives the line.
struct ItemDia {
  std::string codigo;
  std::string cla_fis;   // TABFIS code: the NCM and the ICMS rate come from it
  std::string natureza;  // the line's nature (CFOP); a state rule may replace it
  std::string unidade;
  double entrada = 0;  // received into stock before the sale
  double custo = 0;    // cost per unit of what is received
  double quantidade = 0;
  double preco = 0;
};

// The authoriser a day's NF-e goes to: every service at `base`/<service>,
// its server certificate signed by `ca`, and the company's A1 certificate.
struct AutorizadorDia {
  std::string base;
  std::filesystem::path ca;
  nfe::A1Certificate certificado;
};

struct OpcoesDia {
  std::string pedido = "DY0001";  // the day's sales order
  std::string cliente = "000950";
  std::string representante = "R601";
  std::string serie = "1";
  std::string lote = "DY0001";  // stock lot the day receives into
  std::string deposito = "0001";
  std::string conta_bancaria = "0620";  // the account the receipt comes into
  double perc_pis = 1.65;               // non-cumulative PIS and COFINS rates
  double perc_cofins = 7.6;
  int parcelas = 2;  // instalments, every 30 days
  // The first line's nature is the invoice's: knitted fabric for the buyer's
  // own use (a final-consumer sale across the state line, so DIFAL), then
  // T-shirts for resale, whose ICMS-ST the state's rule charges.
  std::vector<ItemDia> itens = {
      {"MAL-900", "9002", "DY6101CF", "PC", 40, 41.50, 10, 80.00},
      {"CAM-900", "9001", "DY6401", "UN", 300, 11.20, 100, 25.00},
  };
  std::filesystem::path pasta;    // where the XML, PDF and XLSX go
  std::filesystem::path layouts;  // the shared-folder root holding layout/WNOTA.prt, layout/WESTOQUE.prt
  // Empty base: the day starts the local authoriser (tools/autorizador) with
  // a test PKI made for the company's CNPJ when it signs the NF-e, and stops
  // it once the NF-e is authorised.
  AutorizadorDia autorizador;
};

// What one step did: its key figures and the files it wrote.
struct PassoDia {
  std::string nome;
  std::string resumo;
  std::vector<std::filesystem::path> arquivos;
  double segundos = 0;  // how long the step took, commit included
};

// The day's checks, read back from the database.
struct ConferenciaDia {
  std::vector<std::string> falhas;  // one sentence per check that does not hold
  int saldos = 0;                   // balances compared with their journals
  int lancamentos = 0;              // postings whose amounts and split were compared
  bool ok() const { return falhas.empty(); }
};

struct ResultadoDia {
  std::string fatura;  // NOTA.FATURA of the invoice
  std::string chave;   // its NF-e access key
  int cstat = 0;       // the authoriser's answer: 100 authorised
  std::string protocolo;
  std::string dh_recbto;  // when the authoriser received it
  std::filesystem::path xml, proc_nfe, pdf, xlsx;
  std::vector<PassoDia> passos;
  ConferenciaDia conferencia;
};

// A step of the day that failed: its name, and why. What the step had written
// was rolled back.
class EPassoDia : public EZpkError {
 public:
  EPassoDia(std::string passo, const std::string& motivo);
  const std::string& passo() const { return passo_; }

 private:
  std::string passo_;
};

// Runs the day on the connected company (Tabela): each step in its own
// transaction, committed when the step ends and rolled back when it fails
// (raised as EPassoDia). `passo_feito` hears of each step as it ends;
// `progresso` gets a line before the long ones.
ResultadoDia executa_dia_trabalho(const OpcoesDia& opcoes,
                                  const std::function<void(const PassoDia&)>& passo_feito,
                                  const std::function<void(const std::string&)>& progresso);

// Keeps the company's ledger with the fiscal postings (parameters FIN 30 and
// 40 "S"), as the day's ledger step needs; writes only when they are not on.
// The caller commits.
void liga_contabilidade();

// The day's checks for invoice `fatura` of order opcoes.pedido: every balance
// of the day's products equals its journal, every posting of the invoice and
// of the receipt is complete and its cost-centre split adds up to it, the
// invoice's totals equal the sums of its items, and NOTA holds the NF-e's
// key, its authorisation (status 100) and the protocol.
ConferenciaDia confere_dia_trabalho(const OpcoesDia& opcoes, const std::string& fatura);

}  // namespace zpk::cli
