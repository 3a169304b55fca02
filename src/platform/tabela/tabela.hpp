// The Tabela data module: the shared connection and transaction every routine
// uses, the mapped (shared) tables, and the current company's suffix and
// settings, loaded from EMPRESA when the host connects for a company.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/database.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/property.hpp"
#include "platform/rtl/variant.hpp"
#include "platform/tabela/calendar_dataset.hpp"

namespace zpk {

// The company's register data and fiscal settings (columns EMP_* of EMPRESA).
struct CompanyRegister {
  std::string name;                // EMP_NOME
  std::string trade_name;          // EMP_FANTASIA
  std::string cnpj;                // EMP_CNPJ
  std::string state_registration;  // EMP_INSCRICAO
  std::string street;              // EMP_ENDERECO
  std::string number;              // EMP_NUMERO
  std::string complement;          // EMP_COMPLEMENTO
  std::string district;            // EMP_BAIRRO
  std::string city;                // EMP_CIDADE
  std::string city_code;           // EMP_COD_CIDADE (IBGE)
  std::string state;               // EMP_UF
  std::string postal_code;         // EMP_CEP
  std::string phone;               // EMP_TELEFONE
  std::string email;               // EMP_EMAIL
  std::string crt;                 // EMP_CRT: tax-regime code (1 simple ... 3 normal)
  std::string nfe_environment;     // EMP_AMBIENTE_NFE: tpAmb, "1" production, "2" homologation
  double simples_credit_rate = 0;  // EMP_ALIQ_SIMPLES: ICMS credit rate of the simple regime, percent
};

class TTabela;

// The company list (rows of EMPRESA) with a current position. Moving it makes
// the row's company current for table names: Tabela.SufixoEmpresa follows.
class CompanyDataSet {
 public:
  explicit CompanyDataSet(TTabela& owner);
  CompanyDataSet(const CompanyDataSet&) = delete;
  CompanyDataSet& operator=(const CompanyDataSet&) = delete;

  // Reads every company (SELECT * FROM EMPRESA ORDER BY EMP_PAT), unfiltered, on the first.
  void load(TTIDatabase& database);
  void clear();

  bool Active() const { return !columns_.empty(); }
  // Visible rows (all, or only the Filter company while Filtered).
  int RecordCount() const { return static_cast<int>(visible_.size()); }
  bool IsEmpty() const { return visible_.empty(); }
  void First();
  void Next();
  bool Eof() const { return eof_; }
  // Moves to the visible row whose EMP_PAT is `emp_pat` ("_002"); false and
  // no move when there is none.
  bool Locate(std::string_view emp_pat);
  // The current row's column (any case), NULL when the list is empty; raises
  // EZpkError for a column EMPRESA does not have.
  Variant FieldByName(std::string_view column) const;
  // The register data of the current row.
  CompanyRegister current_register() const;

 private:
  int GetRecNo() const;
  void SetRecNo(int value);
  std::string GetFilter() const { return filter_; }
  void SetFilter(std::string value);
  bool GetFiltered() const { return filtered_; }
  void SetFiltered(bool value);
  void rebuild();
  void moved();

  TTabela& owner_;
  std::vector<std::string> columns_;
  std::vector<std::vector<Variant>> rows_;
  std::vector<size_t> visible_;
  size_t current_ = 0;  // position in visible_
  bool eof_ = true;
  std::string filter_;
  bool filtered_ = false;

 public:
  // 1-based position among the visible rows (0 when empty); setting it moves there.
  Property<CompanyDataSet, int, &CompanyDataSet::GetRecNo, &CompanyDataSet::SetRecNo> RecNo{this};
  // The EMP_PAT the rows are restricted to while Filtered ("_001").
  Property<CompanyDataSet, std::string, &CompanyDataSet::GetFilter, &CompanyDataSet::SetFilter> Filter{this};
  Property<CompanyDataSet, bool, &CompanyDataSet::GetFiltered, &CompanyDataSet::SetFiltered> Filtered{this};
};

class TTabela {
 public:
  TTabela();
  ~TTabela();
  TTabela(const TTabela&) = delete;
  TTabela& operator=(const TTabela&) = delete;

  // The shared connection and its transaction (the database's default one).
  TTIDatabase IBDatabase;
  TTITransaction IBTransaction;

  // Upper-case logical table name -> physical name, for tables that do not
  // take the company suffix.
  std::map<std::string, std::string> TabelasMapeadas;
  // The current company's table-name suffix ("_001"); characters 2 to 4 are its code.
  std::string SufixoEmpresa;
  // Second suffix of the accounting tables (empty: none).
  std::string SufixoContabil;
  // Reconciliation date of the bank account the host has selected.
  TDateTime ContaReconciliacao;
  // Separator between a title's number and its instalment.
  std::string SeparadorDuplicata = "/";
  // The company's EAN prefix (its first 8 characters start every product barcode).
  std::string PrefixoEAN;
  // "S": the series follows the invoice's six digits; SeriePadrao is the default series.
  std::string NotaComSerie = "N";
  std::string SeriePadrao;
  // "POSTGRES" when the database is PostgreSQL, else "FIREBIRD"; set on connecting.
  std::string DriverBanco = "FIREBIRD";
  // The station's INI file, relative to the program's folder.
  std::string ArquivoIni = "zelvo.ini";

  // The current company's register data and fiscal settings.
  CompanyRegister company;
  // Every company, positioned on the current one.
  CompanyDataSet companies{*this};
  // The current company's business-day calendar (ANO); closed until opened.
  CalendarDataSet CalendarioDiaUtil{*this};

  // Connects the shared connection to `location` (a file path, or host:path)
  // for company `empresa` ("001"), loading the mapped tables, the company list
  // and the company's settings. Raises EDatabaseError when the database cannot
  // be opened, EZpkError when the company is not in EMPRESA.
  void connect_company(const std::string& location, const std::string& empresa = "001",
                       const DatabaseCredentials& credentials = {});
  // Makes another company of the connected database current (settings reloaded).
  void select_company(const std::string& empresa);
  // Rolls back what is not committed, closes the connection and clears the settings.
  void disconnect() noexcept;
  // Runs `hook` at the start of every disconnect (connect_company makes one
  // first), so that code keeping connections of its own to the database can
  // drop them before the shared one goes; a hook that throws is ignored.
  void on_disconnect(std::function<void()> hook);

 private:
  friend class CompanyDataSet;
  std::vector<std::function<void()>> disconnect_hooks_;
  void load_settings();
  void reset_settings();
};

// The data module of the library.
extern TTabela Tabela;

}  // namespace zpk
