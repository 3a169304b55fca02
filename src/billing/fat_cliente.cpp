#include "billing/fat_cliente.hpp"

#include <algorithm>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/currency.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

constexpr const char* kCaption = "ZELVO Sistemas";

// The register's CNPJ field as the screens leave it when nothing was typed.
constexpr std::string_view kEmptyCnpjMask = "__.___.___/____-__";

// What a title still owes; a title is open while this is above zero.
constexpr const char* kOpenAmount =
    "(RECEBER.VALOR2 + RECEBER.JUROS - RECEBER.VALOR_PAGO - RECEBER.VAL_DEV - RECEBER.DESCONTO)";

// A title without a situation code is not a paid one: it stays in the sums.
constexpr const char* kNotPaid = "COALESCE(RECEBER.SITUACAO, '') <> 'P'";

std::string parametro(std::string_view tipo, int codigo) {
  return Trim(BuscaParametro(tipo, codigo));
}

// A whole-number parameter, 0 when it is empty or not a number.
int parametro_int(std::string_view tipo, int codigo) {
  return StrToIntDef(parametro(tipo, codigo), 0);
}

// True when the company adds up a table over every company (FIN 90 "S")
// and the table is not one kept locally (ARQLOCAL names no copy of it).
bool all_companies(const char* table) {
  if (parametro("FIN", 90) != "S") return false;
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT ARQUIVO FROM " + DBLocal("ARQLOCAL") + " WHERE ARQUIVO LIKE :PADRAO");
  q.ParamByName("PADRAO").AsString = std::string(table) + "_%";
  q.set_fetch_limit(1);
  q.Open();
  return q.IsEmpty();
}

// The statement for this company, or repeated over every company.
std::string expand(const std::string& sql, bool over_companies, const char* table, bool somente_acesso) {
  return over_companies ? UnionTodasEmpresas(sql, table, somente_acesso) : DBLocal_SQL(sql);
}

// The sum of a column over every row (one row per company in a union).
Currency sum_rows(TTIQuery& q, const char* column) {
  Currency total;
  for (q.First(); !q.Eof(); q.Next()) total += q.FieldByName(column).AsCurrency();
  return total;
}

// A CNPJ that identifies the customer: something besides mask characters.
bool cnpj_informado(const std::string& cnpj) {
  if (cnpj == kEmptyCnpjMask) return false;
  return std::any_of(cnpj.begin(), cnpj.end(),
                     [](char c) { return c != '.' && c != '/' && c != '-' && c != '_' && c != ' '; });
}

// Whose titles and orders count as the customer's.
struct Scope {
  std::string cnpj;
  std::string grupo;
  bool group = false;  // the customer's group is analysed as a whole
};

Scope customer_scope(const std::string& codcli) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CLIENTE.CNPJ, CLIENTE.GRUPO, GRUPO.ANALISE FROM {ENTIDADE} CLIENTE");
  q.SQL.Add("LEFT JOIN {GRUPO_CLI} GRUPO ON (GRUPO.CODIGO = CLIENTE.GRUPO)");
  q.SQL.Text = DBLocal_SQL(q.SQL.Text());
  q.SQL.Add("WHERE CLIENTE.CODCLI = :CODCLI");
  q.ParamByName("CODCLI").AsString = codcli;
  q.Open();
  Scope s;
  if (q.IsEmpty()) return s;
  s.cnpj = q.FieldByName("CNPJ").AsString();
  s.grupo = q.FieldByName("GRUPO").AsString();
  s.group = q.FieldByName("ANALISE").AsString() == "S";
  return s;
}

Currency open_titles(const std::string& codcli) {
  const Scope scope = customer_scope(codcli);
  const bool cheques = parametro("FIN", 130) != "N";
  std::string sql = std::string("SELECT SUM") + kOpenAmount + " AS ABERTO FROM {RECEBER} RECEBER\n" +
                    "INNER JOIN {ENTIDADE} ENTIDADE ON (ENTIDADE.CODCLI = RECEBER.CODCLI)\n";
  if (scope.group) {
    sql += "WHERE ENTIDADE.GRUPO = :GRUPO\n";
  } else if (cnpj_informado(scope.cnpj)) {
    sql += "WHERE ENTIDADE.CNPJ = :CNPJ\n";
  } else {
    sql += "WHERE ENTIDADE.CODCLI = :CODCLI\n";
  }
  sql +=
      std::string("AND ") + kNotPaid +
      " AND ((RECEBER.VALOR2 + RECEBER.JUROS) > (RECEBER.VALOR_PAGO + RECEBER.DESCONTO + RECEBER.VAL_DEV))\n";
  sql += cheques ? "AND RECEBER.STATUS IN ('N','CH','CD')" : "AND RECEBER.STATUS = 'N'";

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = expand(sql, all_companies("RECEBER"), "RECEBER", false);
  if (scope.group) {
    q.ParamByName("GRUPO").AsString = scope.grupo;
  } else if (cnpj_informado(scope.cnpj)) {
    q.ParamByName("CNPJ").AsString = scope.cnpj;
  } else {
    q.ParamByName("CODCLI").AsString = codcli;
  }
  q.Open();
  return sum_rows(q, "ABERTO");
}

// Open amount of the customer's own unpaid titles of one status.
Currency open_of_status(const std::string& codcli, const char* status) {
  const std::string sql = std::string("SELECT SUM") + kOpenAmount + " AS ABERTO FROM {RECEBER} RECEBER\n" +
                          "WHERE RECEBER.CODCLI = :CODCLI AND " + kNotPaid + " AND RECEBER.STATUS = :STATUS";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = expand(sql, all_companies("RECEBER"), "RECEBER", false);
  q.ParamByName("CODCLI").AsString = codcli;
  q.ParamByName("STATUS").AsString = status;
  q.Open();
  return sum_rows(q, "ABERTO");
}

// T less PER_DESC percent of T, in fixed point: the product of two
// four-decimal values taken exactly and rounded back to four decimals (half
// away from zero), so an order's value never drifts below the cent.
Currency less_discount(Currency t, Currency per_desc) {
  const __int128 scaled = static_cast<__int128>(t.Raw()) * per_desc.Raw();  // 8 decimals, percent
  const __int128 divisor = static_cast<__int128>(Currency::kScale) * 100;
  __int128 discount = scaled / divisor;
  const __int128 rest = scaled % divisor;
  if (rest * 2 >= divisor) ++discount;
  if (rest * 2 <= -divisor) --discount;
  return t - Currency::FromRaw(static_cast<int64_t>(discount));
}

Currency open_orders(const std::string& codcli) {
  const Scope scope = customer_scope(codcli);
  std::string sql =
      "SELECT PEDIDO.NUMERO, PEDIDO.PER_DESC, SUM(PED_ITEN.QTDE * PED_ITEN.PRECO) AS VALOR,\n"
      "SUM(((PED_ITEN.QTDE * PED_ITEN.PRECO)/100)*PED_ITEN.IPI) AS VAL_IPI\n"
      "FROM {PEDIDO} PEDIDO INNER JOIN {PED_ITEN} PED_ITEN ON (PEDIDO.NUMERO = PED_ITEN.NUMERO)\n";
  if (scope.group) {
    sql +=
        "INNER JOIN {ENTIDADE} CLIENTE ON (PEDIDO.CODCLI = CLIENTE.CODCLI)\nWHERE CLIENTE.GRUPO = :GRUPO\n";
  } else {
    sql += "WHERE PEDIDO.CODCLI = :CODCLI\n";
  }
  sql += "GROUP BY PEDIDO.PER_DESC, PEDIDO.NUMERO HAVING SUM(PED_ITEN.QTDE) > 0";

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = expand(sql, all_companies("PEDIDO"), "PEDIDO", true);
  if (scope.group) {
    q.ParamByName("GRUPO").AsString = scope.grupo;
  } else {
    q.ParamByName("CODCLI").AsString = codcli;
  }
  q.Open();
  Currency total;
  for (; !q.Eof(); q.Next()) {
    const Currency t = q.FieldByName("VALOR").AsCurrency() + q.FieldByName("VAL_IPI").AsCurrency();
    total += less_discount(t, q.FieldByName("PER_DESC").AsCurrency());
  }
  return total;
}

// One column of the customer's register row (NULL or no row: an empty field).
Currency entidade_amount(const std::string& codcli, const char* column) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(std::string("SELECT ") + column + " FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
  q.ParamByName("CODCLI").AsString = codcli;
  q.Open();
  return q.FieldByName(column).AsCurrency();
}

std::string cnpj_of(std::string_view cliente) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CNPJ FROM " + DBLocal("ENTIDADE") + " WHERE CODCLI = :CODCLI");
  q.ParamByName("CODCLI").AsString = std::string(cliente);
  q.Open();
  return q.FieldByName("CNPJ").AsString();
}

// The titles of every company whose customer has the same CNPJ, or, for a
// customer without one, of the same code: an empty CNPJ (or the empty mask)
// shared by many customers must not make their titles one customer's.
class SameCustomer {
 public:
  explicit SameCustomer(std::string_view cliente) : codcli_(cliente), cnpj_(cnpj_of(cliente)) {}
  const char* clause() const {
    return cnpj_informado(cnpj_) ? "AND ENTIDADE.CNPJ = :CNPJ\n" : "AND RECEBER.CODCLI = :CODCLI\n";
  }
  void bind(TTIQuery& q) const {
    if (cnpj_informado(cnpj_)) {
      q.ParamByName("CNPJ").AsString = cnpj_;
    } else {
      q.ParamByName("CODCLI").AsString = codcli_;
    }
  }

 private:
  std::string codcli_;
  std::string cnpj_;
};

bool overdue_titles(std::string_view cliente, const char* statuses) {
  const SameCustomer same(cliente);
  const std::string sql = std::string("SELECT RECEBER.NUMERO FROM {RECEBER} RECEBER\n") +
                          "INNER JOIN {ENTIDADE} ENTIDADE ON (RECEBER.CODCLI = ENTIDADE.CODCLI)\n" +
                          "WHERE (RECEBER.VALOR2 - RECEBER.DESCONTO + RECEBER.JUROS - RECEBER.VAL_DEV - "
                          "RECEBER.VALOR_PAGO) > 0\n" +
                          same.clause() + "AND RECEBER.STATUS " + statuses + " AND RECEBER.DT_VENCTO < :HOJE";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = UnionTodasEmpresas(sql, "RECEBER", true);
  same.bind(q);
  q.ParamByName("HOJE").AsDate = Date();
  q.set_fetch_limit(1);
  q.Open();
  return !q.IsEmpty();
}

// The latest issue date of a trade bill of the customer in any company;
// 01/01/1980 when there is none.
TDateTime last_invoice(std::string_view cliente) {
  const SameCustomer same(cliente);
  const std::string sql =
      std::string("SELECT CAST(COALESCE(MAX(RECEBER.DT_EMISSAO), DATE '1980-01-01') AS DATE) DT_EMISSAO\n") +
      "FROM {RECEBER} RECEBER INNER JOIN {ENTIDADE} ENTIDADE ON (RECEBER.CODCLI = ENTIDADE.CODCLI)\n" +
      "WHERE RECEBER.STATUS = 'N'\n" + same.clause();
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = UnionTodasEmpresas(sql, "RECEBER", true);
  same.bind(q);
  q.Open();
  TDateTime latest = EncodeDate(1980, 1, 1);
  for (; !q.Eof(); q.Next())
    latest.Value = std::max(latest.Value, q.FieldByName("DT_EMISSAO").AsDateTime().Value);
  return latest;
}

// The code of the standard message of a block reason ("" when none).
std::string codigo_mensagem(const char* padrao) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CODMEN FROM " + DBLocal("MENSAGEM") + " WHERE PADRAO = :PADRAO ORDER BY CODMEN");
  q.ParamByName("PADRAO").AsString = padrao;
  q.set_fetch_limit(1);
  q.Open();
  return q.FieldByName("CODMEN").AsString();
}

bool has_row(const std::string& table, const char* column, std::string_view value) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT 1 FROM " + DBLocal(table) + " WHERE " + column + " = :VALOR");
  q.ParamByName("VALOR").AsString = std::string(value);
  q.set_fetch_limit(1);
  q.Open();
  return !q.IsEmpty();
}

}  // namespace

TFatCliente::TFatCliente()
    : FDatabase(&Tabela.IBDatabase), QryUpdate(std::make_unique<TTIQuery>(Tabela.IBDatabase)) {}

TTIDatabase& TFatCliente::database() const {
  return FDatabase != nullptr ? *FDatabase : Tabela.IBDatabase;
}

void TFatCliente::SetDatabase(TTIDatabase* Value) {
  FDatabase = Value;
  if (QryUpdate) QryUpdate->SetDatabase(database());
}

double TFatCliente::ValorEmAberto() const {
  return open_titles(FCodCli).ToDouble();
}

double TFatCliente::ValorPedidos() const {
  return open_orders(FCodCli).ToDouble();
}

double TFatCliente::ValorAntecipa() const {
  return open_of_status(FCodCli, "A").ToDouble();
}

double TFatCliente::ValorDevol() const {
  return open_of_status(FCodCli, "DV").ToDouble();
}

bool TFatCliente::LimiteCredito(std::string_view Tipo) {
  Currency exposure;
  if (Tipo == "P") {
    exposure = open_orders(FCodCli) + Currency(FValorFat);
  } else if (Tipo == "F") {
    exposure = Currency(FValorFat);
  }
  const Currency limite =
      entidade_amount(FCodCli, "CREDITO") + open_of_status(FCodCli, "A") + open_of_status(FCodCli, "DV");
  FVlrLimite = limite.ToDouble();
  return open_titles(FCodCli) + exposure <= limite;
}

void TFatCliente::MaiorFaturamento() {
  const Currency valor(FValorFat);
  if (entidade_amount(FCodCli, "MAIOR_FAT") >= valor) return;
  TTIQuery& q = *QryUpdate;
  q.SQL.Clear();
  q.SQL.Add("UPDATE " + DBLocal("ENTIDADE") + " SET MAIOR_FAT = :MAIOR_FAT, DT_MAIOR_FAT = :DATA_FAT");
  q.SQL.Add("WHERE CODCLI = :CODCLI");
  q.ParamByName("MAIOR_FAT").AsCurrency = valor;
  q.ParamByName("DATA_FAT").AsDate = Date();
  q.ParamByName("CODCLI").AsString = FCodCli;
  q.ExecSQL();
}

void TFatCliente::MaiorAcumulo() {
  const Currency acumulo = Currency(FValorFat) + open_titles(FCodCli);
  if (entidade_amount(FCodCli, "MAIOR_ACUMULO") >= acumulo) return;
  TTIQuery& q = *QryUpdate;
  q.SQL.Clear();
  q.SQL.Add("UPDATE " + DBLocal("ENTIDADE") + " SET MAIOR_ACUMULO = :MAIOR_ACU, DATA_ACUMULO = :DATA_ACU");
  q.SQL.Add("WHERE CODCLI = :CODCLI");
  q.ParamByName("MAIOR_ACU").AsCurrency = acumulo;
  q.ParamByName("DATA_ACU").AsDate = Date();
  q.ParamByName("CODCLI").AsString = FCodCli;
  q.ExecSQL();
}

void TFatCliente::UltimoFaturamento() {
  TTIQuery& q = *QryUpdate;
  q.SQL.Clear();
  q.SQL.Add("UPDATE " + DBLocal("ENTIDADE") + " SET DT_ULTIMO_FAT = :DT_ULT, ULTIMO_FAT = :VALOR_FAT");
  q.SQL.Add("WHERE CODCLI = :CODCLI");
  q.ParamByName("DT_ULT").AsDate = Date();
  q.ParamByName("VALOR_FAT").AsCurrency = Currency(FValorFat);
  q.ParamByName("CODCLI").AsString = FCodCli;
  q.ExecSQL();
}

bool DuplicatasVencidas(std::string_view Cliente) {
  return overdue_titles(Cliente, "= 'N'");
}

bool DuplicatasAtraso(std::string_view Cliente) {
  return overdue_titles(Cliente, "IN ('N','DV')");
}

bool BloqueioPedidoFinanceiro(std::string_view Pedido, std::string_view Cliente, double Valor,
                              std::string& CodMensagem) {
  CodMensagem.clear();
  std::string mensagem;
  bool bloqueado = false;
  auto motivo = [&](const char* padrao, const char* texto) {
    bloqueado = true;
    if (!mensagem.empty()) mensagem += '\n';
    mensagem += texto;
    if (CodMensagem.empty()) CodMensagem = codigo_mensagem(padrao);
  };
  const std::string codcli(Cliente);
  const TDateTime hoje = Date();

  TTIQuery cliente(Tabela.IBDatabase);
  cliente.SQL.Add("SELECT DT_ANALISE, DT_PREV_ANALISE FROM " + DBLocal("ENTIDADE") +
                  " WHERE CODCLI = :CODCLI");
  cliente.ParamByName("CODCLI").AsString = codcli;
  cliente.Open();
  TTIField& analise = cliente.FieldByName("DT_ANALISE");
  TTIField& prox_analise = cliente.FieldByName("DT_PREV_ANALISE");
  if (!analise.IsNull() && hoje.Value > analise.AsDateTime().Value + parametro_int("VEN", 60)) {
    motivo("1", "Data de Analise financeira excedida. Pedido Bloqueado.");
  }
  if (!prox_analise.IsNull() && hoje.Value > prox_analise.AsDateTime().Value) {
    motivo("1", "Data da Prox. Analise financeira excedida. Pedido Bloqueado.");
  }
  if (parametro("VEN", 30) == "S" && DuplicatasVencidas(Cliente)) {
    motivo("2", "Cliente com Titulos em Atraso. Pedido Bloqueado.");
  }
  if (parametro("VEN", 40) == "S" && !has_row("RECEBER", "CODCLI", Cliente)) {
    motivo("3", "Cliente sem faturamentos anteriores. Pedido Bloqueado.");
  }
  // The screen reads the customer's position from FatCliente afterwards, so
  // it is measured whether or not the limit blocks. An order already stored
  // is part of ValorPedidos: its value is not added a second time.
  FatCliente = std::make_unique<TFatCliente>();
  FatCliente->FCodCli = codcli;
  if (!has_row("PEDIDO", "NUMERO", Pedido)) FatCliente->FValorFat = Valor;
  if (!FatCliente->LimiteCredito("P") && parametro("VEN", 50) == "S") {
    motivo("4", "O limite de crédito do cliente foi excedido! Pedido Bloqueado.");
  }
  const int dias = parametro_int("VEN", 240);
  if (dias > 0 && hoje.Value - last_invoice(Cliente).Value > dias) {
    motivo("5", "Data do Ultimo Faturamento maior que limite de dias para analise! Pedido Bloqueado.");
  }
  if (bloqueado) MessageBox(mensagem, kCaption, MB_OK | MB_ICONWARNING);
  return bloqueado;
}

bool PeriodoLimiteAnalise(std::string_view Cliente) {
  SqlBuscaScope busca;
  const std::string texto = parametro("VEN", 240);
  if (texto.empty()) return true;
  int dias = 0;
  if (!TryStrToInt(texto, dias)) {
    throw EConvertError("PeriodoLimiteAnalise: parameter VEN 240 ('" + texto +
                        "') is not a whole number of days; the customer was not blocked");
  }
  if (dias <= 0) return true;
  busca->SQL.Add("SELECT MAX(DT_EMISSAO) AS ULT_COMPRA FROM " + DBLocal("RECEBER") +
                 " WHERE CODCLI = :CODCLI");
  busca->ParamByName("CODCLI").AsString = std::string(Cliente);
  busca->Open();
  // Without any title MAX is empty and reads as day zero: blocked at once.
  const TDateTime ultima = busca->FieldByName("ULT_COMPRA").AsDateTime();
  if (ultima.Value + dias > Date().Value) return true;
  busca->Close();
  busca->SQL.Clear();
  busca->SQL.Add("UPDATE " + DBLocal("ENTIDADE") + " SET BLOQUEIO = 'S' WHERE CODCLI = :CODCLI");
  busca->ParamByName("CODCLI").AsString = std::string(Cliente);
  busca->ExecSQL();
  Tabela.IBTransaction.CommitRetaining();
  return false;
}

}  // namespace zpk
