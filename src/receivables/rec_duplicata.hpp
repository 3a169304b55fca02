// Receivable titles (RECEBER, one row per title keyed by NUMERO): the object
// through which the other modules create and rewrite a title, and the
// numbering of collection batches that every station draws from.
#pragma once

#include <memory>
#include <string>

#include "platform/db/database.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/property.hpp"

namespace zpk {

class TTIQuery;

// The kind of a title, in the order the screens list them; the code each
// writes to RECEBER.STATUS is StatusDuplicata's.
enum class TStatusDuplicata {
  tpDuplicata,    // "N" ordinary receivable (trade bill)
  tpAntecipacao,  // "A" advance payment
  tpOrcamento,    // "O" raised from a quotation
  tpCheque,       // "CH" cheque
  tpCancelada,    // "C" cancelled
  tpDesdobrada,   // "D" split into other titles
  tpAgrupada,     // "G" grouped into another title
  tpDevolucao,    // "DV" return
  tpChequeDev,    // "CD" returned (bounced) cheque
};

// One receivable title to write: the caller fills the properties and calls
// IncluiDuplicata or AlteraDuplicata. Properties are kept between writes, so
// the instalments of one invoice differ only in what the caller changes.
// Neither writer commits: the caller does, with its other postings.
class TRecDuplicata {
 public:
  // Writes to the shared connection (Tabela.IBDatabase) and the current
  // company's RECEBER; every other property starts empty or zero.
  explicit TRecDuplicata(TStatusDuplicata Status = TStatusDuplicata::tpDuplicata);
  ~TRecDuplicata();
  TRecDuplicata(const TRecDuplicata&) = delete;
  TRecDuplicata& operator=(const TRecDuplicata&) = delete;

  // Table-name suffix of another company ("_002"): both writers then address
  // RECEBER followed directly by it; empty means the current company.
  std::string Empresa;
  std::string Numero;
  std::string CodCli;
  Currency ValorPago;
  Currency Valor;
  Currency Desconto;
  std::string CodRep;
  Currency Comissao1;
  Currency Comissao2;
  std::string CodRep2;
  Currency Comissao3;
  Currency Comissao4;
  Currency Devolucao;
  // Interest, the creation amount and the creation due date are kept by the
  // payment screens; the writers here never write them from these properties.
  Currency Juros;
  Currency ValorOriginal;
  Currency ValorFatura;
  Currency Taxa;
  Currency ValorSubst;
  Currency ValorIPI;
  Currency Despesas;
  double QtdePecas = 0;
  int NumeroCaixas = 0;
  std::string CH_Numero;
  std::string CH_Emissor;
  std::string CH_Agencia;
  std::string CH_Banco;
  std::string CH_Conta;
  std::string Classe;
  std::string Historico;
  std::string Situacao;
  std::string Banco;
  std::string Observacao;
  std::string NrBanco;
  std::string Fatura;
  std::string Pedido;
  TStatusDuplicata Status;
  std::string TipoFat;
  TDateTime DataPrevisao;
  TDateTime DataEmissao;
  TDateTime DataVencimento;
  TDateTime DataOriginal;
  double PesoLiquido = 0;
  double PesoBruto = 0;
  double Aliquota = 0;
  std::string Transporte;
  double Frete = 0;
  int NumeroCupom = 0;
  std::string Lancamento;

  // The STATUS code of Status ("N", "A", "O", "CH", "C", "D", "G", "DV", "CD").
  std::string StatusDuplicata() const;

  // Inserts the title: interest 0, and the amount and due date also as the
  // title's creation amount (VAL_ORIGIN) and creation due date (ORIGINAL).
  // Every value is bound as typed (texts with quotes, "--" or ";" are stored
  // as they are; amounts exactly, to the ten-thousandth). Raises
  // EDatabaseError for a NUMERO already used or a text longer than its column
  // (naming the column), EZpkError for an Empresa that is not a table-name
  // suffix; nothing is written then.
  void IncluiDuplicata();
  // Rewrites the title whose NUMERO is Numero and sets DT_STATUS to today.
  // What the payment and return screens keep (amount paid, interest, returns,
  // discount, creation amount and due date, kind of invoicing, status and
  // accounting reference) is left as stored. Raises EZpkError when no such
  // title exists, and as IncluiDuplicata; nothing is written then.
  void AlteraDuplicata();

 private:
  TTIDatabase* GetDatabase() const { return database_; }
  void SetDatabase(TTIDatabase* Value);
  // The physical table both writers address.
  std::string table() const;

  TTIDatabase* database_;
  std::unique_ptr<TTIQuery> query_;

 public:
  // The connection written to; assigning it re-targets the owned query
  // (nullptr stands for the shared connection).
  Property<TRecDuplicata, TTIDatabase*, &TRecDuplicata::GetDatabase, &TRecDuplicata::SetDatabase> Database{
      this};
};

// The next collection-batch number of the kind Tipo (upper-cased; "R"
// receivables, "P" payables) as six digits at least: one past the highest
// batch or number already handed out, skipping for "R" numbers that a title's
// BORDERO carries and for "P" numbers that a payable's LOTE carries. The
// number is taken for this caller at once (committed on a connection of its
// own, the caller's work untouched), so no two stations get the same one: a
// station that loses a number to another draws again. Raises EDatabaseError
// (a Tipo longer than one character included, naming TIPO).
std::string ProximoNumeroBordero(std::string Tipo);

}  // namespace zpk
