// The split of a commission between sales representatives, for a customer
// (its default), a sales order or a receivable title: loaded into an
// in-memory table the split screen edits, and written back.
#pragma once

#include <string>
#include <string_view>

#include "platform/dataset/client_dataset.hpp"
#include "platform/db/database.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/property.hpp"

namespace zpk {

// Which split: a customer's, an order's, an order being invoiced (read as the
// order's, written as its titles'), a title's.
enum class TComissoesTipo { ctCliente, ctVendas, ctFatPedido, ctDuplicata };
using enum TComissoesTipo;

// One document's split in Comissoes (CODREP, NOME, COM1, COM2, DT_COMISSAO,
// PRIMEIRO), the main representative's row first. A lone row is always the
// main representative's. Neither copied nor moved (its properties and the
// dataset's handler point at it).
class TRecComissoes {
 public:
  // Builds Comissoes, ordered by "tbPedRepresenIndex1" (PRIMEIRO descending,
  // CODREP), on Tabela.IBDatabase.
  explicit TRecComissoes(TComissoesTipo Tipo = ctCliente);
  ~TRecComissoes() = default;
  TRecComissoes(const TRecComissoes&) = delete;
  TRecComissoes& operator=(const TRecComissoes&) = delete;

  TComissoesTipo FTipo;
  std::string FEmpresa;  // table-name suffix of another company ("_002"); empty: this company
  std::string FCodigo;   // customer code (ctCliente) or order / title number
  std::string FCodRep;   // the document's main representative
  std::string FCodRep2;  // second representative (kept for the screens)
  std::string FCodCli;   // the document's customer
  double FCom1 = 0;      // above 0: COM1 of every row the next load brings
  double FCom2 = 0;      // above 0: COM2 of every row the next load brings
  double FCom3 = 0;
  double FCom4 = 0;
  TTIDatabase* FDatabase = nullptr;

  // Loads the split when Comissoes is empty: the document's rows (for an
  // order without its own, its customer's, only the main representative's
  // unless Todos), else one row for CodRep with the customer's default
  // percentages when both exist. Com1 and Com2 go back to 0. Raises EDatabaseError.
  void BuscaComissoes(bool Todos);
  // Replaces the document's stored split (Codigo, or NovoCodigo when given,
  // which becomes Codigo) by the rows of Comissoes, all or nothing, without
  // committing. Raises EDatabaseError (a text too long names its column), and
  // EZpkError for an Empresa that is not a table-name suffix.
  void GravarDados(std::string_view NovoCodigo);
  // Loads the whole split and shows the split editing screen modally; returns
  // its modal result (1 OK, 2 Cancel). While the screen is up, the split is
  // the one ComissoesEmEdicao() gives it to edit.
  int ShowModal();
  // COM1 + COM2 over every row, each taken to four decimals and added in
  // fixed point; the current row stays current.
  Currency ValorTotalComissoes();

  // The split being edited.
  TClientDataSet& Comissoes() { return comissoes_; }
  const TClientDataSet& Comissoes() const { return comissoes_; }

  // Changing the code to another one empties Comissoes.
  void SetCodigo(std::string Value);
  void SetCodRep(std::string Value) { FCodRep = std::move(Value); }
  void SetCodRep2(std::string Value) { FCodRep2 = std::move(Value); }
  void SetCodCli(std::string Value) { FCodCli = std::move(Value); }
  void SetCom1(double Value) { FCom1 = Value; }
  void SetCom2(double Value) { FCom2 = Value; }
  void SetCom3(double Value) { FCom3 = Value; }
  void SetCom4(double Value) { FCom4 = Value; }
  void SetEmpresa(std::string Value) { FEmpresa = std::move(Value); }
  void SetDatabase(TTIDatabase* Value) { FDatabase = Value; }

 private:
  std::string GetEmpresa() const { return FEmpresa; }
  std::string GetCodigo() const { return FCodigo; }
  std::string GetCodRep() const { return FCodRep; }
  std::string GetCodRep2() const { return FCodRep2; }
  std::string GetCodCli() const { return FCodCli; }
  double GetCom1() const { return FCom1; }
  double GetCom2() const { return FCom2; }
  double GetCom3() const { return FCom3; }
  double GetCom4() const { return FCom4; }
  TTIDatabase* GetDatabase() const { return FDatabase; }
  TTIDatabase& database() const;
  // Marks a lone row as the main representative's (the dataset's after-post handler).
  void lone_row_is_main(TClientDataSet& dataset);

  TClientDataSet comissoes_{"Comissoes"};

 public:
  Property<TRecComissoes, std::string, &TRecComissoes::GetEmpresa, &TRecComissoes::SetEmpresa> Empresa{this};
  Property<TRecComissoes, std::string, &TRecComissoes::GetCodigo, &TRecComissoes::SetCodigo> Codigo{this};
  Property<TRecComissoes, std::string, &TRecComissoes::GetCodRep, &TRecComissoes::SetCodRep> CodRep{this};
  Property<TRecComissoes, std::string, &TRecComissoes::GetCodRep2, &TRecComissoes::SetCodRep2> CodRep2{this};
  Property<TRecComissoes, std::string, &TRecComissoes::GetCodCli, &TRecComissoes::SetCodCli> CodCli{this};
  Property<TRecComissoes, double, &TRecComissoes::GetCom1, &TRecComissoes::SetCom1> Com1{this};
  Property<TRecComissoes, double, &TRecComissoes::GetCom2, &TRecComissoes::SetCom2> Com2{this};
  Property<TRecComissoes, double, &TRecComissoes::GetCom3, &TRecComissoes::SetCom3> Com3{this};
  Property<TRecComissoes, double, &TRecComissoes::GetCom4, &TRecComissoes::SetCom4> Com4{this};
  Property<TRecComissoes, TTIDatabase*, &TRecComissoes::GetDatabase, &TRecComissoes::SetDatabase> Database{
      this};
};

// The split whose editing screen is up (the innermost ShowModal running),
// which that screen reads and edits; nullptr when none is. The screen lives
// in the host's sales package and learns of the split only through this.
TRecComissoes* ComissoesEmEdicao();

}  // namespace zpk
