#include "inventory/estoque.hpp"

#include <cmath>

#include <fmt/format.h>

#include "documents/tempo.hpp"
#include "foundation/audit_log.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/db/retry_policy.hpp"
#include "platform/db/transaction.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk {

namespace {

const char* operation_letter(TOperacaoEstoque operacao) {
  return operacao == TOperacaoEstoque::opSaida ? "S" : "E";
}

// A posting moves a positive quantity of a named item: the direction is the
// operation, and the journals' QTDE is always positive, so a report that adds
// up movements by operation counts every one with its sign. Anything else is
// the caller's mistake, refused before anything is read or written.
void check_posting(const char* item, const std::string& codigo, double quantidade) {
  if (Trim(codigo).empty()) throw EZpkError(fmt::format("{} stock posting refused: ECodigo is empty", item));
  if (!(quantidade > 0) || !std::isfinite(quantidade)) {
    throw EZpkError(
        fmt::format("{} stock posting of {} refused: EQuantidade must be a positive number, not {}", item,
                    codigo, quantidade));
  }
}

// The quantity in the registered unit is what the journal stores; a unit
// registered with a negative factor would turn it round.
void check_converted(const TEstoque& e, double quantidade) {
  if (quantidade > 0 && std::isfinite(quantidade)) return;
  throw EZpkError(fmt::format("stock posting of {} refused: EQuantidade {} in unit {} converts to {}",
                              e.ECodigo, e.EQuantidade, e.EUnidade, quantidade));
}

// A quotient, or 0 where the divisor is 0.
double quotient(double dividend, double divisor) {
  return divisor == 0 ? 0 : dividend / divisor;
}

// An average price as stored: four decimals, rounded the way FormatFloat
// rounds them, so the cost read back equals the cost computed.
double four_decimals(double value) {
  return StrToFloat(FormatFloat("0.0000", value));
}

// Reads the register row of a product or material, locking it until the
// transaction ends: postings of one item then run one after the other, so
// averages are computed from the balance they are applied to, and the first
// entry of an item cannot be inserted twice. A code with no register row is
// refused (EZpkError naming it): stock of an item that is not registered is a
// mistyped code, and the balance and journal rows it would create belong to
// no product the ERP's screens can show or correct.
void lock_register(TTIDatabase& db, const char* item, const std::string& table, const std::string& codigo,
                   std::string& estoque) {
  const std::string registro = DBLocal(table);
  TTIQuery q(db);
  q.SQL.Add("SELECT ESTOQUE FROM " + registro);
  q.SQL.Add("WHERE CODIGO = :CODIGO");
  q.SQL.Add("WITH LOCK");
  q.ParamByName("CODIGO").AsString = codigo;
  retry_on_conflict([&] {
    q.Close();
    q.Open();
  });
  if (q.IsEmpty()) {
    throw EZpkError(fmt::format("{} stock posting refused: ECodigo '{}' is not registered in {}", item,
                                codigo, registro));
  }
  estoque = q.FieldByName("ESTOQUE").AsString();
}

// Runs a data-changing statement, again while it meets a concurrent change;
// returns the rows it changed.
int64_t exec_with_retry(TTIQuery& q) {
  retry_on_conflict([&] { q.ExecSQL(); });
  return q.RowsAffected();
}

// Rewrites the reset fields on every way out of a material posting.
class ResetOnExit {
 public:
  explicit ResetOnExit(TEstoque& e) : e_(e) {}
  ~ResetOnExit() {
    e_.EPreco = 0;
    e_.ECusto = 0;
    e_.EQtdeMin = 0;
    e_.EQtdeMax = 0;
  }
  ResetOnExit(const ResetOnExit&) = delete;
  ResetOnExit& operator=(const ResetOnExit&) = delete;

 private:
  TEstoque& e_;
};

double material_average(TTIDatabase& db, std::string_view Codigo, std::string_view Cor, double Valor,
                        double Qtde, std::string_view Operacao, bool SoAtual, bool SoPositivos) {
  TTIQuery q(db);
  q.SQL.Add("SELECT SUM(QTDE) AS QTDE, MAX(PRECO_MED) AS PRECO_MED FROM " + DBLocal("MAT_ITEN"));
  q.SQL.Add("WHERE CODIGO = :CODIGO");
  q.SQL.Add("AND COR = :COR");
  if (SoPositivos) q.SQL.Add("AND QTDE > 0 ");
  q.ParamByName("CODIGO").AsString = std::string(Codigo);
  q.ParamByName("COR").AsString = std::string(Cor);
  q.Open();
  const double PM = q.FieldByName("PRECO_MED").AsFloat();
  const double QE = q.FieldByName("QTDE").AsFloat();
  const double VE = QE * PM;
  if (SoAtual) return PM;
  if (QE > 0 && PM > 0) {
    if (Operacao == "E") return four_decimals(quotient(VE + Valor, QE + Qtde));
    if (VE - Valor < 0.01) return 0;
    if (QE - Qtde == 0) return 0;
    return four_decimals((VE - Valor) / (QE - Qtde));
  }
  if (Qtde > 0) return four_decimals(Valor / Qtde);
  return 0;
}

}  // namespace

TEstoque::TEstoque() : EDatabase(&Tabela.IBDatabase) {}

TTIDatabase& TEstoque::database() const {
  return EDatabase ? *EDatabase : Tabela.IBDatabase;
}

// ---------------------------------------------------------------------------
// Products

void TEstoque::MovimentaEstoqueProduto(bool Commit) {
  check_posting("product", ECodigo, EQuantidade);
  TTIDatabase& db = database();
  TTITransaction& tx = db.DefaultTransaction();
  // Everything the posting writes is undone together when a statement fails,
  // so the journal never disagrees with the balance or the cost.
  Savepoint posting(tx);

  std::string estoque;
  lock_register(db, "product", "PRODUTO", ECodigo, estoque);
  if (estoque == "N") {
    posting.rollback();
    GeraLog("OBJETO ESTOQUE",
            "MOVIMENTO DE PRODUTO SEM CONTROLE DE ESTOQUE - " + ECodigo + " TIPO - " + ETipo + ".",
            TOperacaoLog::oplMovimentacao, ECodigo);
    return;
  }

  CriaValoresPadroes();
  const std::string operacao = operation_letter(EOperacao);
  const double media = PrecoMedioProduto(ECodigo, EQuantidade, ECusto, operacao);
  const double quantidade = QtdeConvertida();
  check_converted(*this, quantidade);

  TTIQuery q(db);
  q.SQL.Add("UPDATE " + DBLocal("PA_ITEN") + " SET ");
  if (EOperacao == TOperacaoEstoque::opSaida) {
    q.SQL.Add("QUANTIDADE = QUANTIDADE - :QTDE");
    q.SQL.Add(",QTDE_BRUTO = QTDE_BRUTO - :QTDE_BRUTO");
  } else {
    q.SQL.Add("QUANTIDADE = QUANTIDADE + :QTDE");
    q.SQL.Add(",QTDE_BRUTO = QTDE_BRUTO + :QTDE_BRUTO");
    q.SQL.Add(",BARRA = :BARRA");
  }
  q.SQL.Add("WHERE CODIGO   = :CODIGO");
  q.SQL.Add("AND TIPO     = :TIPO");
  q.SQL.Add("AND COR      = :COR");
  q.SQL.Add("AND TAM      = :TAM");
  q.SQL.Add("AND DEPOSITO = :DEPOSITO");
  q.SQL.Add("AND LOTE     = :LOTE");
  q.ParamByName("QTDE").AsFloat = quantidade;
  q.ParamByName("QTDE_BRUTO").AsFloat = EQuant_Bruto;
  if (EOperacao != TOperacaoEstoque::opSaida) q.ParamByName("BARRA").AsString = EBarra;
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("TIPO").AsString = EQualidade;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("TAM").AsString = ETamanho;
  q.ParamByName("DEPOSITO").AsString = EDeposito;
  q.ParamByName("LOTE").AsString = ELote;
  // The update is the existence test: under the register lock nobody else
  // can create or remove the row in between.
  if (exec_with_retry(q) == 0) {
    if (EOperacao == TOperacaoEstoque::opSaida) {
      posting.rollback();
      MessageBox("Saída de Estoque não encontrada. Produto " + ECodigo + ", Cor " + ECor + ", Tamanho " +
                     ETamanho + ", Qualidade " + EQualidade + ", Deposito " + EDeposito + ", Lote " + ELote,
                 "Movimentação de estoque", MB_OK | MB_ICONWARNING);
      return;
    }
    try {
      insert_product_balance();
    } catch (const EDatabaseError& e) {
      // Postings hold the register row, so none of them can have created the
      // balance row meanwhile; a host that inserts balance rows itself still
      // may. Add to that one.
      if (e.kind() != DatabaseErrorKind::unique_violation) throw;
      exec_with_retry(q);
    }
  }

  // An average that comes out 0 says nothing about what the product costs:
  // the movement brought no cost and none is registered, or an exit valued at
  // or above what the whole balance is worth leaves no value to spread. The
  // registered cost stays; a product is never valued at nothing by a posting.
  if (media != 0) {
    TTIQuery c(db);
    c.SQL.Add("UPDATE " + DBLocal("PRODUTO") + " SET ");
    c.SQL.Add("CUSTO = :CUSTO");
    c.SQL.Add("WHERE CODIGO = :CODIGO");
    c.ParamByName("CUSTO").AsFloat = media;
    c.ParamByName("CODIGO").AsString = ECodigo;
    exec_with_retry(c);
  }

  TTIQuery j(db);
  j.SQL.Add("INSERT INTO " + DBLocal("PA_MOV") + " ");
  j.SQL.Add(
      "(ORDEM, NUM_DOCTO, CODIGO, COR, TAMANHO, LOTE, DEPOSITO, TIPO, QTDE, TIP_BAI, OPERACAO, DT_MVTO, "
      "DESCRICAO, "
      "OBSERVACAO, TURNO, PRECO, CUSTO, CODCLI, CODFUN, TP_MOV, HORA)");
  j.SQL.Add("VALUES");
  j.SQL.Add(
      "(0, :NUM_DOCTO, :CODIGO, :COR, :TAMANHO, :LOTE, :DEPOSITO, :TIPO, :QTDE, :TIP_BAI, :OPERACAO, "
      ":DT_MVTO, "
      ":DESCRICAO, :OBSERVACAO, :TURNO, :PRECO, :CUSTO, :CODCLI, :CODFUN, :TP_MOV, :HORA)");
  j.ParamByName("NUM_DOCTO").AsString = EDocumento;
  j.ParamByName("CODIGO").AsString = ECodigo;
  j.ParamByName("COR").AsString = ECor;
  j.ParamByName("TAMANHO").AsString = ETamanho;
  j.ParamByName("LOTE").AsString = ELote;
  j.ParamByName("DEPOSITO").AsString = EDeposito;
  j.ParamByName("TIPO").AsString = EQualidade;
  j.ParamByName("QTDE").AsFloat = quantidade;
  j.ParamByName("TIP_BAI").AsString = ETipoBaixa;
  j.ParamByName("OPERACAO").AsString = operacao;
  j.ParamByName("DT_MVTO").AsDate = EData;
  j.ParamByName("DESCRICAO").AsString = EDescricao;
  j.ParamByName("OBSERVACAO").AsString = EObservacao;
  j.ParamByName("TURNO").AsString = ETurno;
  j.ParamByName("PRECO").AsFloat = EPreco;
  j.ParamByName("CUSTO").AsFloat = ECusto;
  j.ParamByName("CODCLI").AsString = ECliente;
  j.ParamByName("CODFUN").AsString = EFuncionario;
  j.ParamByName("TP_MOV").AsString = ETipo;
  j.ParamByName("HORA").AsString = HoraSQL(Now(), false);
  j.ExecSQL();

  if (Commit) tx.CommitRetaining();
  posting.release();

  EPreco = 0;
  EQtdeMin = 0;
  EQtdeMax = 0;
  ECusto = 0;
  EComposicao.clear();
}

void TEstoque::CadastraEstoque() {
  CriaValoresPadroes();
  insert_product_balance();
}

void TEstoque::insert_product_balance() {
  if (!Trim(EBarraMat).empty()) EBarra = EBarraMat;
  TTIQuery q(database());
  q.SQL.Add("INSERT INTO " + DBLocal("PA_ITEN") + "(");
  q.SQL.Add(
      "CODIGO, COR, TAM, TIPO, LOTE, DEPOSITO, BARRA, BARRA28, BARRACLI, QUANTIDADE, ORDEM, COMPOSICAO, "
      "QTDE_MIN, "
      "QTDE_MAX, QTDE_BRUTO, ATIVO) VALUES (");
  q.SQL.Add(
      ":CODIGO, :COR, :TAM, :TIPO, :LOTE, :DEPOSITO, :BARRA, :BARRA28, :BARRACLI, :QUANTIDADE, :ORDEM, "
      ":COMPOSICAO, "
      ":QTDE_MIN, :QTDE_MAX, :QTDE_BRUTO, 'S')");
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("TAM").AsString = ETamanho;
  q.ParamByName("TIPO").AsString = EQualidade;
  q.ParamByName("LOTE").AsString = ELote;
  q.ParamByName("DEPOSITO").AsString = EDeposito;
  q.ParamByName("BARRA").AsString = EBarra;
  q.ParamByName("BARRA28").AsString = EBarra28;
  q.ParamByName("BARRACLI").AsString = EBarraCli;
  q.ParamByName("QUANTIDADE").AsFloat = QtdeConvertida();
  q.ParamByName("ORDEM").AsInteger = EOrdem;
  q.ParamByName("COMPOSICAO").AsString = EComposicao;
  q.ParamByName("QTDE_MIN").AsFloat = EQtdeMin;
  q.ParamByName("QTDE_MAX").AsFloat = EQtdeMax;
  q.ParamByName("QTDE_BRUTO").AsFloat = EQuant_Bruto;
  q.ExecSQL();
}

void TEstoque::CriaValoresPadroes() {
  TTIDatabase& db = database();
  if (ECor.empty()) ECor = "0";
  if (ETamanho.empty()) ETamanho = "0";

  TTIQuery q(db);
  q.SQL.Add("SELECT PR.CUSTO, PR.PRECO, MAX(PA.COMPOSICAO) AS COMPOSICAO, MAX(PA.BARRA) AS BARRA, ");
  q.SQL.Add("MAX(PA.BARRA28) AS BARRA28, MAX(PA.BARRACLI) AS BARRACLI, MAX(PA.ORDEM) AS ORDEM, ");
  q.SQL.Add("PR.UNIDADE, UN.QTDE AS UN_QTDE, MAX(PA.QTDE_MIN) AS QTDE_MIN, MAX(PA.QTDE_MAX) AS QTDE_MAX ");
  q.SQL.Add("FROM " + DBLocal("PRODUTO") + " PR ");
  q.SQL.Add("INNER JOIN " + DBLocal("PA_ITEN") + " PA ON (PR.CODIGO = PA.CODIGO)");
  q.SQL.Add("LEFT JOIN " + DBLocal("UNIDADE") + " UN ON (UN.UNIDADE = :UNIDADE)");
  q.SQL.Add("WHERE PR.CODIGO = :CODIGO");
  q.SQL.Add("AND PA.COR = :COR");
  q.SQL.Add("AND PA.TAM = :TAM");
  q.SQL.Add("GROUP BY PR.CUSTO, PR.PRECO, PR.UNIDADE, UN.QTDE ");
  q.ParamByName("UNIDADE").AsString = EUnidade;
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("TAM").AsString = ETamanho;
  q.Open();
  if (!q.IsEmpty()) {
    EBarra = q.FieldByName("BARRA").AsString();
    EBarra28 = q.FieldByName("BARRA28").AsString();
    EBarraCli = q.FieldByName("BARRACLI").AsString();
    EUnCad = q.FieldByName("UNIDADE").AsString();
    EUnQtde = q.FieldByName("UN_QTDE").AsFloat();
    if (q.FieldByName("ORDEM").AsInteger() > 0) EOrdem = q.FieldByName("ORDEM").AsInteger();
    if (EPreco == 0) EPreco = q.FieldByName("PRECO").AsFloat();
    if (ECusto == 0) ECusto = q.FieldByName("CUSTO").AsFloat();
    if (EQtdeMin == 0) EQtdeMin = q.FieldByName("QTDE_MIN").AsFloat();
    if (EQtdeMax == 0) EQtdeMax = q.FieldByName("QTDE_MAX").AsFloat();
    if (EComposicao.empty()) EComposicao = q.FieldByName("COMPOSICAO").AsString();
  } else {
    // The colour/size has no balance row yet: its first entry still takes the
    // product's own unit, cost and price, so that it is converted and costed
    // like every later one.
    TTIQuery p(db);
    p.SQL.Add("SELECT PR.CUSTO, PR.PRECO, PR.UNIDADE, UN.QTDE AS UN_QTDE ");
    p.SQL.Add("FROM " + DBLocal("PRODUTO") + " PR ");
    p.SQL.Add("LEFT JOIN " + DBLocal("UNIDADE") + " UN ON (UN.UNIDADE = :UNIDADE)");
    p.SQL.Add("WHERE PR.CODIGO = :CODIGO");
    p.ParamByName("UNIDADE").AsString = EUnidade;
    p.ParamByName("CODIGO").AsString = ECodigo;
    p.Open();
    if (!p.IsEmpty()) {
      EUnCad = p.FieldByName("UNIDADE").AsString();
      EUnQtde = p.FieldByName("UN_QTDE").AsFloat();
      if (EPreco == 0) EPreco = p.FieldByName("PRECO").AsFloat();
      if (ECusto == 0) ECusto = p.FieldByName("CUSTO").AsFloat();
    }
  }

  if (ELote.empty()) ELote = "000000";
  default_deposit_and_employee(db);
  if (ETurno.empty()) ETurno = "1";
}

void TEstoque::default_deposit_and_employee(TTIDatabase& db) {
  if (Trim(EDeposito).empty()) {
    TTIQuery q(db);
    q.SQL.Add("SELECT CODIGO FROM " + DBLocal("DEPOSITO"));
    q.SQL.Add("WHERE PRIORIDADE = :PRIORIDADE");
    q.ParamByName("PRIORIDADE").AsString = "1";
    q.Open();
    EDeposito = q.FieldByName("CODIGO").AsString();
    if (EDeposito.empty()) EDeposito = "0000";
  }
  if (EQualidade.empty()) EQualidade = "1";
  if (ETipoBaixa.empty()) ETipoBaixa = "0";
  if (EData.Value == 0) EData = Date();
  if (EDescricao.empty()) EDescricao = vUsuario;
  if (Trim(EFuncionario).empty()) {
    TTIQuery q(db);
    q.SQL.Add("SELECT CODFUN FROM " + DBLocal("ACESSO_USUARIOS"));
    q.SQL.Add("WHERE NOME = :NOME");
    q.ParamByName("NOME").AsString = vUsuario;
    q.Open();
    EFuncionario = q.FieldByName("CODFUN").AsString();
  }
}

double TEstoque::QtdeConvertida() const {
  double factor = (!EUnidade.empty() && EUnidade != EUnCad) ? EUnQtde : 0;
  if (factor == 0) factor = 1;
  return EQuantidade * factor;
}

double TEstoque::PrecoMedioProduto(std::string_view Codigo, double Qtde, double Custo,
                                   std::string_view Operacao) {
  if (!(ECusto > 0)) return 0;
  TTIQuery q(database());
  q.SQL.Add(
      "SELECT SUM(PA_ITEN.QUANTIDADE) AS QTDE, MAX(PRODUTO.CUSTO) AS CUSTO, PRODUTO.UNIDADE AS UNIDADE, "
      "UNIDADE.QTDE AS QTDE_UNI ");
  q.SQL.Add("FROM " + DBLocal("PRODUTO") + " PRODUTO ");
  q.SQL.Add("INNER JOIN " + DBLocal("PA_ITEN") + " PA_ITEN ON (PA_ITEN.CODIGO = PRODUTO.CODIGO)");
  q.SQL.Add("LEFT OUTER JOIN " + DBLocal("UNIDADE") + " UNIDADE ON (UNIDADE.UNIDADE = :UNIDADE)");
  q.SQL.Add("WHERE PRODUTO.CODIGO = :CODIGO");
  q.SQL.Add("GROUP BY PRODUTO.UNIDADE, UNIDADE.QTDE ");
  q.ParamByName("UNIDADE").AsString = EUnidade;
  q.ParamByName("CODIGO").AsString = std::string(Codigo);
  q.Open();
  const double QE = q.FieldByName("QTDE").AsFloat();
  const double CE = q.FieldByName("CUSTO").AsFloat();
  double F = 1;
  if (!Trim(EUnidade).empty() && EUnidade != q.FieldByName("UNIDADE").AsString()) {
    F = q.FieldByName("QTDE_UNI").AsFloat();
    // As in the quantity conversion: a unit without a factor counts as 1, so
    // the average weighs the quantity the balance actually receives.
    if (F == 0) F = 1;
  }
  const double QM = Qtde * F;
  const double VM = QM * Custo;
  const double VE = QE * CE;
  if (QE > 0 && CE > 0) {
    if (Operacao == "E") return quotient(VE + VM, QE + QM);
    if (QE - QM <= 0.01) return CE;
    if (VE - VM < 0.01) return 0;
    if (QE - QM == 0) return 0;
    return (VE - VM) / (QE - QM);
  }
  return QM > 0 ? VM / QM : 0;
}

int TEstoque::SequenciaMovimento() {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT MAX(ORDEM) AS ORDEM FROM " + DBLocal("PA_MOV"));
  q.SQL.Add("WHERE DT_MVTO > CURRENT_DATE-30");
  q.Open();
  return q.FieldByName("ORDEM").AsInteger() + 1;
}

std::string TEstoque::CodigoTipoMovEstoque(TTipoMovimentoEstoque Tipo) {
  const int index = static_cast<int>(Tipo);
  // Entries take positions 1-9, exits 11-19.
  const int position = index < 9 ? index + 1 : index + 2;
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT CODIGO FROM " + DBLocal("TABBAI"));
  q.SQL.Add("WHERE SUBSTRING(TIPO FROM " + std::to_string(position) + " FOR 1) = 'S'");
  q.Open();
  return q.FieldByName("CODIGO").AsString();
}

// ---------------------------------------------------------------------------
// Materials

void TEstoque::MovimentaEstoqueMaterial(bool Commit, bool AtualizaPreco) {
  check_posting("material", ECodigo, EQuantidade);
  ResetOnExit reset(*this);
  std::string cost_log;
  post_material(Commit, AtualizaPreco, cost_log);
  // Logged once the posting is settled: the log commits the shared
  // transaction, which must not happen in the middle of a posting.
  if (!cost_log.empty()) GeraLog("OBJETO ESTOQUE", cost_log, TOperacaoLog::oplMovimentacao, ECodigo);
}

void TEstoque::post_material(bool Commit, bool AtualizaPreco, std::string& cost_log) {
  TTIDatabase& db = database();
  TTITransaction& tx = db.DefaultTransaction();
  Savepoint posting(tx);

  std::string estoque;
  lock_register(db, "material", "MATERIAL", ECodigo, estoque);
  if (estoque == "N") {
    posting.rollback();
    GeraLog("OBJETO ESTOQUE",
            "MOVIMENTO DE MATERIAL SEM CONTROLE DE ESTOQUE - " + ECodigo + " TIPO - " + ETipo + ".",
            TOperacaoLog::oplMovimentacao, ECodigo);
    return;
  }

  CriaValoresPadroesMaterial();
  const std::string operacao = operation_letter(EOperacao);
  if (Commit && ECusto > 1.5 * ECustoAtual) {
    cost_log = Copy("CUSTO FORA DOS PADROES DOCTO:" + EDocumento + " LOTE:" + ELote + " MATERIAL:" + ECodigo +
                        " COR:" + ECor + " CUSTO ATUAL:" + FloatToStr(ECustoAtual) + " CUSTO NOVO:" +
                        FloatToStr(ECusto) + " QTDE:" + FloatToStr(EQuantidade) + " OPERACAO:" + operacao,
                    1, 150);
  }
  const double P =
      material_average(db, ECodigo, ECor, ECusto * EQuantidade, EQuantidade, operacao, false, true);
  const double quantidade = QtdeConvertida();
  check_converted(*this, quantidade);

  TTIQuery q(db);
  q.SQL.Add("UPDATE " + DBLocal("MAT_ITEN") + " SET ");
  if (EOperacao == TOperacaoEstoque::opSaida) {
    q.SQL.Add("QTDE = QTDE - :QTDE");
  } else {
    q.SQL.Add("QTDE = QTDE + :QTDE");
    q.SQL.Add(",LOCAL = :LOCAL");
  }
  q.SQL.Add("WHERE CODIGO = :CODIGO");
  q.SQL.Add("AND COR      = :COR");
  q.SQL.Add("AND DEPOSITO = :DEPOSITO");
  q.SQL.Add("AND LOTE     = :LOTE");
  q.ParamByName("QTDE").AsFloat = quantidade;
  if (EOperacao != TOperacaoEstoque::opSaida) q.ParamByName("LOCAL").AsString = ELocal;
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("DEPOSITO").AsString = EDeposito;
  q.ParamByName("LOTE").AsString = ELote;
  if (exec_with_retry(q) == 0) {
    if (EOperacao == TOperacaoEstoque::opSaida) {
      posting.rollback();
      MessageBox("Saída de Estoque não encontrada. Material " + ECodigo + ", Cor " + ECor + ", Deposito " +
                     EDeposito + ", Lote " + ELote,
                 "Movimentação de estoque", MB_OK | MB_ICONWARNING);
      return;
    }
    try {
      CadastraEstoqueMaterial(P);
    } catch (const EDatabaseError& e) {
      if (e.kind() != DatabaseErrorKind::unique_violation) throw;
      exec_with_retry(q);
    }
  }

  if (AtualizaPreco) {
    TTIQuery p(db);
    p.SQL.Add("UPDATE " + DBLocal("MAT_ITEN") + " SET ");
    p.SQL.Add("PRECO_MED = :PRECO_MED");
    p.SQL.Add("WHERE CODIGO = :CODIGO");
    p.SQL.Add("AND COR      = :COR");
    p.SQL.Add("AND QTDE > 0 ");
    p.ParamByName("PRECO_MED").AsFloat = P;
    p.ParamByName("CODIGO").AsString = ECodigo;
    p.ParamByName("COR").AsString = ECor;
    exec_with_retry(p);
  }

  TTIQuery j(db);
  j.SQL.Add("INSERT INTO " + DBLocal("MAT_MOV") + " ");
  j.SQL.Add("(ORDEM, NUM_DOCTO, CODIGO, COR, LOTE, DEPOSITO, TIPO, QTDE, OPERACAO, DT_MOVTO, DESCRICAO,");
  j.SQL.Add("CODCRE, PRECO, CUSTO, C_CUSTO, MAQUINA, FUNCIONARIO, TP_MOV, GRUPO, HORA)");
  j.SQL.Add("VALUES");
  j.SQL.Add(
      "(:ORDEM, :NUM_DOCTO, :CODIGO, :COR, :LOTE, :DEPOSITO, :TIPO, :QTDE, :OPERACAO, :DT_MOVTO, :DESCRICAO, "
      ":CODCRE, :PRECO, :CUSTO, :C_CUSTO, :MAQUINA, :FUNCIONARIO, :TP_MOV, :GRUPO, :HORA)");
  j.ParamByName("ORDEM").AsInteger = EOrdem;
  j.ParamByName("NUM_DOCTO").AsString = EDocumento;
  j.ParamByName("CODIGO").AsString = ECodigo;
  j.ParamByName("COR").AsString = ECor;
  j.ParamByName("LOTE").AsString = ELote;
  j.ParamByName("DEPOSITO").AsString = EDeposito;
  j.ParamByName("TIPO").AsString = ETipoBaixa;
  j.ParamByName("QTDE").AsFloat = quantidade;
  j.ParamByName("OPERACAO").AsString = operacao;
  j.ParamByName("DT_MOVTO").AsDate = EData;
  j.ParamByName("DESCRICAO").AsString = EDescricao;
  j.ParamByName("CODCRE").AsString = ECliente;
  j.ParamByName("PRECO").AsFloat = EPreco;
  j.ParamByName("CUSTO").AsFloat = ECusto;
  j.ParamByName("C_CUSTO").AsString = ECentroCusto;
  j.ParamByName("MAQUINA").AsString = EMaquina;
  j.ParamByName("FUNCIONARIO").AsString = EFuncionario;
  j.ParamByName("TP_MOV").AsString = ETipo;
  j.ParamByName("GRUPO").AsString = EParte;
  j.ParamByName("HORA").AsString = HoraSQL(Now(), false);
  j.ExecSQL();

  if (Commit) tx.CommitRetaining();
  posting.release();
}

void TEstoque::CriaValoresPadroesMaterial() {
  TTIDatabase& db = database();
  if (ECor.empty()) ECor = "0";
  if (ELote.empty()) ELote = "000000";

  TTIQuery q(db);
  const auto compose = [&](bool positive_only) {
    q.SQL.Clear();
    q.SQL.Add("SELECT MAT_ITEN.CODIGO, MAX(MATERIAL.PRECO) AS PRECO, MAX(MAT_ITEN.PRECO_MED) AS PRECO_MED, ");
    q.SQL.Add("MAX(MAT_ITEN.LOCAL) AS LOCAL, MAX(MAT_ITEN.QTD_MINIMA) AS QTD_MINIMA, ");
    q.SQL.Add("MAX(MAT_ITEN.QTD_MAXIMA) AS QTD_MAXIMA ");
    q.SQL.Add("FROM " + DBLocal("MAT_ITEN") + " MAT_ITEN ");
    q.SQL.Add("INNER JOIN " + DBLocal("MATERIAL") + " MATERIAL ON (MATERIAL.CODIGO = MAT_ITEN.CODIGO) ");
    q.SQL.Add("WHERE MAT_ITEN.CODIGO = :CODIGO");
    q.SQL.Add("AND MAT_ITEN.COR = :COR");
    if (positive_only) q.SQL.Add("AND MAT_ITEN.QTDE > 0");
    q.SQL.Add("GROUP BY MAT_ITEN.CODIGO");
    q.ParamByName("CODIGO").AsString = ECodigo;
    q.ParamByName("COR").AsString = ECor;
    q.Open();
  };
  compose(true);
  if (q.IsEmpty()) compose(false);
  if (!q.IsEmpty()) {
    if (EPreco == 0) EPreco = q.FieldByName("PRECO").AsFloat();
    if (ECusto == 0) ECusto = q.FieldByName("PRECO_MED").AsFloat();
    if (ELocal.empty()) ELocal = q.FieldByName("LOCAL").AsString();
    if (EQtdeMin == 0) EQtdeMin = q.FieldByName("QTD_MINIMA").AsFloat();
    if (EQtdeMax == 0) EQtdeMax = q.FieldByName("QTD_MAXIMA").AsFloat();
    ECustoAtual = q.FieldByName("PRECO_MED").AsFloat();
  } else {
    // No balance yet: the current average is none, not the one a reused
    // object kept from its previous material.
    ECustoAtual = 0;
  }
  default_deposit_and_employee(db);
}

void TEstoque::CadastraEstoqueMaterial(double PrecoMedio) {
  TTIQuery q(database());
  q.SQL.Add("INSERT INTO " + DBLocal("MAT_ITEN"));
  q.SQL.Add("(CODIGO, COR, DEPOSITO, LOTE, LOCAL, QTD_MINIMA, PRECO_MED, QTDE,");
  q.SQL.Add("QTDE_R, BARRA, QTD_MAXIMA, LARGURA, ATIVO, QUALIDADE)");
  q.SQL.Add("VALUES (");
  q.SQL.Add(
      ":CODIGO, :COR, :DEPOSITO, :LOTE, :LOCAL, :QTD_MINIMA, :PRECO_MED, :QTDE, 0, :BARRA, :QTD_MAXIMA, "
      ":LARGURA, "
      "'S', :QUALIDADE)");
  q.ParamByName("CODIGO").AsString = ECodigo;
  q.ParamByName("COR").AsString = ECor;
  q.ParamByName("DEPOSITO").AsString = EDeposito;
  q.ParamByName("LOTE").AsString = ELote;
  q.ParamByName("LOCAL").AsString = ELocal;
  q.ParamByName("QTD_MINIMA").AsFloat = EQtdeMin;
  q.ParamByName("PRECO_MED").AsFloat = PrecoMedio;
  q.ParamByName("QTDE").AsFloat = QtdeConvertida();
  q.ParamByName("BARRA").AsString = EBarra;
  q.ParamByName("QTD_MAXIMA").AsFloat = EQtdeMax;
  q.ParamByName("LARGURA").AsFloat = ELargura;
  q.ParamByName("QUALIDADE").AsString = EQualidade;
  q.ExecSQL();
}

double PrecoMedioMaterial(std::string_view Codigo, std::string_view Cor, double Valor, double Qtde,
                          std::string_view Operacao, bool SoAtual, bool SoPositivos) {
  return material_average(Tabela.IBDatabase, Codigo, Cor, Valor, Qtde, Operacao, SoAtual, SoPositivos);
}

}  // namespace zpk
