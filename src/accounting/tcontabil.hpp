// The accounting composer: TContabil gathers the ledger postings of one
// document (an invoice's amounts, a payment's or receipt's amounts) in two
// process-wide work datasets, lets the user confirm them, and writes them to
// CONTABIL with their cost-centre split in CENTRO_RATEIO.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/client_dataset.hpp"
#include "platform/db/database.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/datetime.hpp"

namespace zpk {

// The postings gathered for one document: Numero, Lancto, Docto, ContaC,
// ContaD, ContaRat (the result account split over cost centres), Observacao,
// Operacao, Tipo, Valor, Data, Confirma (set by the confirmation form),
// CodCli. Null while no composer is alive or accounting is switched off (FIN
// 30 and FIN 40 not "S"); the host's confirmation form edits it.
inline TClientDataSet* TbDadosContabeis = nullptr;

// The cost-centre split of the gathered postings: Ordem (record number of the
// posting in TbDadosContabeis), Conta, CentroCusto, Descricao, Perc_Rat,
// Valor_Rat. Null as TbDadosContabeis.
inline TClientDataSet* TbContCentroCusto = nullptr;

// The invoice total last given to ConfirmaDadosContabilidade, in cents, for
// the confirmation form.
inline Currency FValorNF;

// The form of the accounting package that shows the gathered postings for
// confirmation; answered through the dialog port (DialogKind::modal_form).
inline constexpr const char* kFormLancCont = "TfmLancCont";
inline constexpr const char* kPackageContabil = "ZpkContabil.bpl";

// Gathers and writes the postings of one document. Only one composer is in use
// at a time: a new one takes over the work datasets, and they go with it.
class TContabil {
 public:
  // Creates the two work datasets (empty) when FIN 40 or FIN 30 is "S". A
  // composer made before the session connects decides at its first use.
  TContabil();
  ~TContabil();
  TContabil(const TContabil&) = delete;
  TContabil& operator=(const TContabil&) = delete;

  // The connection the postings are written to (nullptr: Tabela.IBDatabase).
  TTIDatabase* Database = nullptr;
  std::string MensErro;
  // Running total of the amounts given to SetContabilidadeFiscal.
  double Valor = 0;

  // Gathers the posting(s) of one amount of invoice NotaFiscal (Tipo "E"
  // incoming, "S" outgoing) from the nature's accounts for TipoValor, the
  // entity's own account standing in for "0". Apportionment rules split it
  // over several accounts; otherwise one posting is appended. ItensRateio:
  // one "kind;code;value" line per invoice item (the value with the decimal
  // comma, as the screens write it), or nullptr. Nothing unless
  // FIN 40 is "S", for an amount not above 0 or an unknown nature.
  void SetContabilidadeFiscal(std::string_view NotaFiscal, std::string_view Tipo, std::string_view Natureza,
                              std::string_view Entidade, std::string_view Classe, std::string_view TipoValor,
                              double Valor, TDateTime Data, const std::vector<std::string>* ItensRateio);

  // Splits the amount over the accounts of the first apportionment rule that
  // has rows (per item of ItensRateio, or for the whole amount), each share in
  // cents, adding to the posting with the same accounts; True when a rule
  // applied. False at once for a return nature (TipoNatureza "D").
  bool ExisteRateioContabilidade(std::string_view Tipo, std::string_view TipoValor,
                                 std::string_view NotaFiscal, std::string_view NatCont,
                                 std::string_view Entidade, std::string_view Classe, std::string_view ContaD,
                                 std::string_view ContaC, std::string_view TipoNatureza, TDateTime Data,
                                 double Valor, const std::vector<std::string>* ItensRateio);

  // Fixes the rounding remainders, then opens the confirmation form when a
  // posting has a blank or unknown account, or always with FIN 70 "S"; False
  // when the user did not confirm. True at once when accounting is off.
  bool ConfirmaDadosContabilidade(Currency vValorNF);

  // Writes the gathered postings under key Lancamento (ORDEM 1, 2, ... after
  // the key's last) with their cost-centre rows: all of them or none (a
  // failing statement undoes the others and raises EDatabaseError). Nothing
  // unless FIN 40 is "S". Comita has no effect: the caller commits.
  void GravaContabilidadeFiscal(std::string_view Lancamento, bool Comita);

  // Gathers one amount of a financial movement (the accounts as
  // LancaContabilidade finds them), adding to the posting with the same
  // accounts and Numero, and its cost-centre split when an account is a
  // result account.
  void SetContabilidadeFinan(std::string_view Lancto, std::string_view Docto, std::string_view Numero,
                             std::string_view EntidadeC, std::string_view EntidadeD,
                             std::string_view Operacao, std::string_view Tipo, std::string_view Classe,
                             std::string_view Historico, double Valor, TDateTime Data,
                             std::string_view Carteira, std::string_view Observacao);

  // Writes every gathered posting that has a Lancto, with its cost-centre
  // rows, all or none (raises EDatabaseError, the work datasets kept); then
  // empties the work datasets and commits. Nothing unless FIN 30 is "S".
  void GravaContabilidadeFinan();

  // Adds the cost-centre split of an amount of account Conta to the current
  // posting: the CONT_RATEIO rows of (Material, Conta, Tipo[, TipoValor]),
  // else the whole amount on the material's own cost centre.
  void GravaRaterioCentroCusto(std::string_view Conta, std::string_view Material, std::string_view Tipo,
                               std::string_view TipoValor, double Valor);

  // Copies the split stored for document Numero, type TipoValor and ORDEM
  // Ordem onto posting Ordem, its percentages read as whole numbers and the
  // amounts taken from Valor in cents.
  void BuscaRaterioCentroCusto(std::string_view Numero, std::string_view TipoValor, int Ordem, double Valor);

  // Moves a remainder under 0.50 between the postings and Total onto the last
  // posting, and makes each posting's cost-centre rows add up to it (the
  // remainder on its last row).
  void AcertaValoresRateio(double Total);

 private:
  TTIDatabase& database() const;
  // Creates the work datasets when accounting is on (once, on a connected session).
  void open_work_area();
  // Whether the work datasets exist: accounting was on when the composer was
  // made (or, for one made before the session connected, at its first use).
  bool active() {
    if (!decided_) open_work_area();
    return postings_ != nullptr;
  }
  // Appends a posting row and leaves it current.
  void append_posting(std::string_view Numero, std::string_view Lancto, std::string_view Docto,
                      std::string_view ContaC, std::string_view ContaD, double Valor,
                      std::string_view Observacao, std::string_view Operacao, std::string_view Tipo,
                      TDateTime Data, std::string_view CodCli);
  // Writes the posting rows (those with a key, for the financial flow) and
  // their cost-centre rows under one savepoint.
  void write_postings(bool financial, std::string_view Lancamento);

  std::unique_ptr<TClientDataSet> postings_;
  std::unique_ptr<TClientDataSet> cost_centres_;
  bool decided_ = false;
};

}  // namespace zpk
