#include "platform/tabela/tabela.hpp"

#include <cctype>

#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"

namespace zpk {

TTabela Tabela;

namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// CompanyDataSet

CompanyDataSet::CompanyDataSet(TTabela& owner) : owner_(owner) {}

void CompanyDataSet::load(TTIDatabase& database) {
  clear();
  TTIQuery q(database);
  q.SQL.Add("SELECT * FROM EMPRESA ORDER BY EMP_PAT");
  q.Open();
  for (int i = 0; i < q.FieldCount(); ++i) columns_.push_back(q.Fields(i).FieldName());
  while (!q.Eof()) {
    std::vector<Variant> row;
    row.reserve(columns_.size());
    for (int i = 0; i < q.FieldCount(); ++i) row.push_back(q.Fields(i).Value());
    rows_.push_back(std::move(row));
    q.Next();
  }
  rebuild();
}

void CompanyDataSet::clear() {
  columns_.clear();
  rows_.clear();
  visible_.clear();
  current_ = 0;
  eof_ = true;
  filter_.clear();
  filtered_ = false;
}

void CompanyDataSet::rebuild() {
  visible_.clear();
  int pat = -1;
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (same_name(columns_[c], "EMP_PAT")) pat = static_cast<int>(c);
  }
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (filtered_ && pat >= 0 && Trim(rows_[r][static_cast<size_t>(pat)].AsString()) != Trim(filter_))
      continue;
    visible_.push_back(r);
  }
  First();
}

void CompanyDataSet::moved() {
  eof_ = visible_.empty();
  if (!visible_.empty()) owner_.SufixoEmpresa = Trim(FieldByName("EMP_PAT").AsString());
}

void CompanyDataSet::First() {
  current_ = 0;
  moved();
}

void CompanyDataSet::Next() {
  if (current_ + 1 < visible_.size()) {
    ++current_;
    moved();
  } else {
    eof_ = true;
  }
}

bool CompanyDataSet::Locate(std::string_view emp_pat) {
  const std::string wanted = Trim(emp_pat);
  for (size_t v = 0; v < visible_.size(); ++v) {
    const size_t saved = current_;
    current_ = v;
    if (Trim(FieldByName("EMP_PAT").AsString()) == wanted) {
      moved();
      return true;
    }
    current_ = saved;
  }
  return false;
}

Variant CompanyDataSet::FieldByName(std::string_view column) const {
  for (size_t c = 0; c < columns_.size(); ++c) {
    if (same_name(columns_[c], column)) {
      if (visible_.empty()) return Variant::MakeNull();
      return rows_[visible_[current_]][c];
    }
  }
  throw EZpkError("EMPRESA has no column '" + std::string(column) + "'");
}

int CompanyDataSet::GetRecNo() const {
  return visible_.empty() ? 0 : static_cast<int>(current_) + 1;
}

void CompanyDataSet::SetRecNo(int value) {
  if (value < 1 || value > static_cast<int>(visible_.size())) return;
  current_ = static_cast<size_t>(value - 1);
  moved();
}

void CompanyDataSet::SetFilter(std::string value) {
  filter_ = std::move(value);
  if (filtered_) rebuild();
}

void CompanyDataSet::SetFiltered(bool value) {
  if (filtered_ == value) return;
  filtered_ = value;
  rebuild();
}

CompanyRegister CompanyDataSet::current_register() const {
  auto text = [&](std::string_view column) { return Trim(FieldByName(column).AsString()); };
  CompanyRegister r;
  r.name = text("EMP_NOME");
  r.trade_name = text("EMP_FANTASIA");
  r.cnpj = text("EMP_CNPJ");
  r.state_registration = text("EMP_INSCRICAO");
  r.street = text("EMP_ENDERECO");
  r.number = text("EMP_NUMERO");
  r.complement = text("EMP_COMPLEMENTO");
  r.district = text("EMP_BAIRRO");
  r.city = text("EMP_CIDADE");
  r.city_code = text("EMP_COD_CIDADE");
  r.state = text("EMP_UF");
  r.postal_code = text("EMP_CEP");
  r.phone = text("EMP_TELEFONE");
  r.email = text("EMP_EMAIL");
  r.crt = text("EMP_CRT");
  r.nfe_environment = text("EMP_AMBIENTE_NFE");
  r.simples_credit_rate = FieldByName("EMP_ALIQ_SIMPLES").AsFloat();
  return r;
}

// ---------------------------------------------------------------------------
// TTabela

TTabela::TTabela() {
  IBDatabase.SetTransaction(IBTransaction);
}

TTabela::~TTabela() {
  disconnect();
}

void TTabela::reset_settings() {
  TabelasMapeadas.clear();
  SufixoEmpresa.clear();
  SufixoContabil.clear();
  ContaReconciliacao = DateNull;
  SeparadorDuplicata = "/";
  PrefixoEAN.clear();
  NotaComSerie = "N";
  SeriePadrao.clear();
  company = {};
  companies.clear();
  CalendarioDiaUtil.Close();
}

void TTabela::connect_company(const std::string& location, const std::string& empresa,
                              const DatabaseCredentials& credentials) {
  disconnect();
  IBDatabase.SetDatabaseName(location);
  IBDatabase.SetCredentials(credentials);
  IBDatabase.Open();
  DriverBanco = IBDatabase.is_postgres() ? "POSTGRES" : "FIREBIRD";
  try {
    TTIQuery q(IBDatabase);
    q.SQL.Add("SELECT TABELA, FISICA FROM TABELAS_MAPEADAS");
    q.Open();
    while (!q.Eof()) {
      TabelasMapeadas[UpperCase(Trim(q.FieldByName("TABELA").AsString()))] =
          Trim(q.FieldByName("FISICA").AsString());
      q.Next();
    }
    companies.load(IBDatabase);
    select_company(empresa);
    // The look-ups above ran in the shared transaction: end it so that an
    // idle session holds none.
    IBTransaction.Commit();
  } catch (...) {
    disconnect();
    throw;
  }
}

void TTabela::select_company(const std::string& empresa) {
  const std::string suffix = "_" + Trim(empresa);
  if (!companies.Locate(suffix)) {
    throw EZpkError("company " + Trim(empresa) + " is not in EMPRESA of " + IBDatabase.DatabaseName());
  }
  load_settings();
}

void TTabela::load_settings() {
  auto text = [&](std::string_view column) { return Trim(companies.FieldByName(column).AsString()); };
  SufixoEmpresa = text("EMP_PAT");
  SufixoContabil = text("EMP_SUFIXO_CONTABIL");
  const std::string sep = text("EMP_SEP_DUPLICATA");
  SeparadorDuplicata = sep.empty() ? "/" : sep;
  PrefixoEAN = text("EMP_PREFIXO_EAN");
  const std::string serie = text("EMP_NOTA_SERIE");
  NotaComSerie = serie.empty() ? "N" : serie;
  SeriePadrao = text("EMP_SERIE_PADRAO");
  company = companies.current_register();
}

void TTabela::disconnect() noexcept {
  for (auto& hook : disconnect_hooks_) {
    try {
      hook();
    } catch (...) {
      // Dropping a private connection must not keep the shared one open.
    }
  }
  IBDatabase.Close();
  reset_settings();
}

void TTabela::on_disconnect(std::function<void()> hook) {
  disconnect_hooks_.push_back(std::move(hook));
}

}  // namespace zpk
