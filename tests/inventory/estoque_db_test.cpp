// Stock movements of products and materials on a real database: balances,
// journals, unit conversion, average costs, the warnings and logs the user
// gets, and that a posting whose journal row fails leaves nothing behind.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "inventory/estoque.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using test::number;
using test::text;

class EstoqueBase : public test::DatabaseTest {
 protected:
  void SetUp() override { vUsuario = "ADMIN"; }
  void TearDown() override {
    vUsuario.clear();
    test::DatabaseTest::TearDown();
  }

  static void commit() { Tabela.IBTransaction.Commit(); }

  // A product kept in `unidade` at `custo`, with an optional balance row of
  // colour "01" holding `saldo` (all committed).
  static void produto(const std::string& codigo, const std::string& unidade, double custo, double saldo = -1,
                      const std::string& estoque = "S") {
    exec("INSERT INTO PRODUTO_001 (CODIGO, ESTOQUE, CUSTO, PRECO, UNIDADE) VALUES ('" + codigo + "', '" +
         estoque + "', " + std::to_string(custo) + ", 9.5, '" + unidade + "')");
    if (saldo >= 0) {
      exec(
          "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE, BARRA, ATIVO) VALUES "
          "('" +
          codigo + "', '01', '0', '1', '0001', '000000', " + std::to_string(saldo) +
          ", '7891234000011', 'S')");
    }
    commit();
  }
  static void material(const std::string& codigo, double preco_med, double saldo,
                       const std::string& lote = "L1", const std::string& estoque = "S") {
    exec("INSERT INTO MATERIAL_001 (CODIGO, ESTOQUE, PRECO) VALUES ('" + codigo + "', '" + estoque + "', 3)");
    if (saldo >= 0) {
      exec("INSERT INTO MAT_ITEN_001 (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED, LOCAL) VALUES ('" +
           codigo + "', '0', '0001', '" + lote + "', " + std::to_string(saldo) + ", " +
           std::to_string(preco_med) + ", 'A1')");
    }
    commit();
  }
  static double saldo(const std::string& codigo) {
    return number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001 WHERE CODIGO = '" + codigo + "'");
  }
  static double custo(const std::string& codigo) {
    return number("SELECT CUSTO FROM PRODUTO_001 WHERE CODIGO = '" + codigo + "'");
  }
  static int movimentos(const std::string& tabela, const std::string& codigo) {
    return static_cast<int>(number("SELECT COUNT(*) FROM " + tabela + " WHERE CODIGO = '" + codigo + "'"));
  }
  static int logs(const std::string& like) {
    return static_cast<int>(number("SELECT COUNT(*) FROM LOG WHERE DESCRICAO LIKE '" + like + "'"));
  }

  // The message with which the posting refused itself; a posting that went
  // through, or that the database refused instead, fails the test ("").
  static std::string refusal(TEstoque& e, bool material) {
    try {
      if (material) {
        e.MovimentaEstoqueMaterial(true, true);
      } else {
        e.MovimentaEstoqueProduto(true);
      }
      ADD_FAILURE() << "the posting went through";
    } catch (const EDatabaseError& err) {
      ADD_FAILURE() << "refused by the database, not by the posting: " << err.what();
    } catch (const EZpkError& err) {
      return err.what();
    }
    return "";
  }
  static TEstoque entrada(const std::string& codigo, double quantidade, double custo_mov = 0) {
    TEstoque e;
    e.ECodigo = codigo;
    e.ECor = "01";
    e.EQuantidade = quantidade;
    e.ECusto = custo_mov;
    e.EOperacao = TOperacaoEstoque::opEntrada;
    return e;
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

class Estoque : public EstoqueBase {};

TEST_F(Estoque, FirstEntryCreatesTheBalanceRowAndJournalsWithDefaults) {
  produto("P-NOVO", "M", 0);
  TEstoque e = entrada("P-NOVO", 10, 6);
  e.EPreco = 12;
  e.MovimentaEstoqueProduto(true);

  TTIQuery b(Tabela.IBDatabase);
  b.SQL.Add("SELECT * FROM PA_ITEN_001 WHERE CODIGO = 'P-NOVO'");
  b.Open();
  ASSERT_EQ(b.RecordCount(), 1);
  EXPECT_EQ(b.FieldByName("ATIVO").AsString(), "S");
  EXPECT_EQ(b.FieldByName("QUANTIDADE").AsFloat(), 10);
  EXPECT_EQ(b.FieldByName("COR").AsString(), "01");
  EXPECT_EQ(b.FieldByName("TAM").AsString(), "0");
  EXPECT_EQ(b.FieldByName("TIPO").AsString(), "1");
  EXPECT_EQ(b.FieldByName("DEPOSITO").AsString(), "0001");  // the deposit with priority 1
  EXPECT_EQ(b.FieldByName("LOTE").AsString(), "000000");

  TTIQuery j(Tabela.IBDatabase);
  j.SQL.Add("SELECT * FROM PA_MOV_001 WHERE CODIGO = 'P-NOVO'");
  j.Open();
  ASSERT_EQ(j.RecordCount(), 1);
  EXPECT_EQ(j.FieldByName("ORDEM").AsInteger(), 0);
  EXPECT_EQ(j.FieldByName("QTDE").AsFloat(), 10);
  EXPECT_EQ(j.FieldByName("OPERACAO").AsString(), "E");
  EXPECT_EQ(j.FieldByName("CUSTO").AsFloat(), 6);
  EXPECT_EQ(j.FieldByName("PRECO").AsFloat(), 12);
  EXPECT_EQ(j.FieldByName("TIP_BAI").AsString(), "0");
  EXPECT_EQ(j.FieldByName("TURNO").AsString(), "1");
  EXPECT_EQ(j.FieldByName("DESCRICAO").AsString(), "ADMIN");
  EXPECT_EQ(j.FieldByName("DT_MVTO").AsDateTime(), Date());
  EXPECT_EQ(j.FieldByName("HORA").AsString().rfind("HORA[", 0), 0u);
  EXPECT_EQ(custo("P-NOVO"), 6);

  // The object is ready for the next movement: per-movement amounts cleared,
  // the completed defaults kept.
  EXPECT_EQ(e.ECusto, 0);
  EXPECT_EQ(e.EPreco, 0);
  EXPECT_EQ(e.EDeposito, "0001");
}

TEST_F(Estoque, UnitFactorConvertsBalanceAndJournal) {
  const struct {
    const char* codigo;
    const char* unidade;
    double quantidade;
    double convertida;
  } kCases[] = {
      {"P-UN-DZ", "DZ", 2, 24},   // 12 per unit
      {"P-UN-CX", "CX", 2, 2},    // factor 0 counts as 1
      {"P-UN-UN", "UN", 2, 2},    // the product's own unit
      {"P-UN-XX", "XX", 2, 2},    // a unit that is not registered
      {"P-UN-VZ", "", 2.5, 2.5},  // no unit: the product's
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codigo);
    produto(c.codigo, "UN", 1, 100);
    TEstoque e = entrada(c.codigo, c.quantidade, 1);
    e.EUnidade = c.unidade;
    e.MovimentaEstoqueProduto(true);
    EXPECT_EQ(saldo(c.codigo), 100 + c.convertida);
    EXPECT_EQ(number(std::string("SELECT QTDE FROM PA_MOV_001 WHERE CODIGO = '") + c.codigo + "'"),
              c.convertida);
  }
  // The first entry of a colour/size converts too (the unit comes from the product).
  produto("P-UN-1ST", "UN", 1);
  TEstoque e = entrada("P-UN-1ST", 3, 1);
  e.EUnidade = "DZ";
  e.MovimentaEstoqueProduto(true);
  EXPECT_EQ(saldo("P-UN-1ST"), 36);
}

TEST_F(Estoque, AverageCostFollowsEntriesAndExits) {
  // 10 at 6 onto 30 at 4: (120 + 60) / 40.
  produto("P-MED", "M", 4, 30);
  entrada("P-MED", 10, 6).MovimentaEstoqueProduto(true);
  EXPECT_DOUBLE_EQ(custo("P-MED"), 4.5);
  EXPECT_EQ(saldo("P-MED"), 40);

  // Part of it goes out at the average: the cost stays.
  TEstoque s = entrada("P-MED", 8);
  s.EOperacao = TOperacaoEstoque::opSaida;
  s.MovimentaEstoqueProduto(true);
  EXPECT_DOUBLE_EQ(custo("P-MED"), 4.5);
  EXPECT_EQ(saldo("P-MED"), 32);
  EXPECT_DOUBLE_EQ(number("SELECT CUSTO FROM PA_MOV_001 WHERE CODIGO = 'P-MED' AND OPERACAO = 'S'"), 4.5);

  // An exit that empties the balance keeps the cost instead of dividing by nothing.
  s = entrada("P-MED", 32);
  s.EOperacao = TOperacaoEstoque::opSaida;
  s.MovimentaEstoqueProduto(true);
  EXPECT_EQ(saldo("P-MED"), 0);
  EXPECT_DOUBLE_EQ(custo("P-MED"), 4.5);

  // Exits are not checked for sufficiency: the balance goes negative.
  s = entrada("P-MED", 5);
  s.EOperacao = TOperacaoEstoque::opSaida;
  s.MovimentaEstoqueProduto(true);
  EXPECT_EQ(saldo("P-MED"), -5);
  EXPECT_EQ(movimentos("PA_MOV_001", "P-MED"), 4);

  // An exit valued at or above what the whole balance is worth (5 at 3.00,
  // 2 going out at 7.50) leaves no value to average: the cost stays.
  produto("P-CARO", "M", 3, 5);
  s = entrada("P-CARO", 2, 7.5);
  s.EOperacao = TOperacaoEstoque::opSaida;
  s.MovimentaEstoqueProduto(true);
  EXPECT_EQ(saldo("P-CARO"), 3);
  EXPECT_DOUBLE_EQ(custo("P-CARO"), 3);
  EXPECT_DOUBLE_EQ(number("SELECT CUSTO FROM PA_MOV_001 WHERE CODIGO = 'P-CARO'"), 7.5);

  // A new colour entered without a cost keeps the product's cost.
  produto("P-MED2", "M", 5, 20);
  TEstoque n = entrada("P-MED2", 10);
  n.ECor = "02";
  n.MovimentaEstoqueProduto(true);
  EXPECT_DOUBLE_EQ(custo("P-MED2"), 5);
  EXPECT_EQ(saldo("P-MED2"), 30);
}

TEST_F(Estoque, PostingsRefuseAnEmptyCodeOrAQuantityThatIsNotPositive) {
  exec("INSERT INTO UNIDADE_001 (UNIDADE, QTDE) VALUES ('NEG', -12)");
  produto("P-REC", "UN", 4, 30);
  produto("P-REC-NC", "UN", 4, 30, "N");
  material("M-REC", 2, 30, "000000");
  const struct {
    bool material;
    const char* codigo;
    double quantidade;
    bool saida;
    const char* unidade;
    const char* motivo;  // what the error names
  } kCases[] = {
      {false, "P-REC", -2, false, "", "EQuantidade"},
      {false, "P-REC", -2, true, "", "EQuantidade"},
      {false, "P-REC", 0, false, "", "EQuantidade"},
      {false, "P-REC", std::nan(""), false, "", "EQuantidade"},
      {false, "P-REC", HUGE_VAL, false, "", "EQuantidade"},
      {false, "P-REC", 2, false, "NEG", "converts to -24"},  // a unit that turns it round
      {false, "P-REC-NC", -2, false, "", "EQuantidade"},     // not even the audit log
      {false, "", 2, false, "", "ECodigo"},
      {false, "  ", 2, false, "", "ECodigo"},
      {true, "M-REC", -2, false, "", "EQuantidade"},
      {true, "M-REC", -2, true, "", "EQuantidade"},
      {true, "M-REC", 0, true, "", "EQuantidade"},
      {true, "", 2, false, "", "ECodigo"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codigo) + " " + std::to_string(c.quantidade) + (c.saida ? " S " : " E ") +
                 c.unidade);
    TEstoque e = entrada(c.codigo, c.quantidade, 5);
    e.ECor = c.material ? "0" : "01";
    e.EOperacao = c.saida ? TOperacaoEstoque::opSaida : TOperacaoEstoque::opEntrada;
    e.EUnidade = c.unidade;
    const std::string what = refusal(e, c.material);
    EXPECT_NE(what.find(c.motivo), std::string::npos) << what;
  }
  commit();
  EXPECT_EQ(saldo("P-REC"), 30);
  EXPECT_EQ(custo("P-REC"), 4);
  EXPECT_EQ(number("SELECT QTDE FROM MAT_ITEN_001 WHERE CODIGO = 'M-REC'"), 30);
  EXPECT_EQ(number("SELECT PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'M-REC'"), 2);
  const std::string codigos = " WHERE CODIGO IN ('P-REC', 'P-REC-NC', 'M-REC') OR TRIM(CODIGO) = ''";
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_MOV_001" + codigos), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM MAT_MOV_001" + codigos), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_ITEN_001 WHERE TRIM(CODIGO) = ''"), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM MAT_ITEN_001 WHERE TRIM(CODIGO) = ''"), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM LOG WHERE CHAVE IN ('P-REC', 'P-REC-NC', 'M-REC', '', '  ')"), 0);
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(Estoque, PostingsRefuseACodeThatIsNotRegistered) {
  produto("P-REG", "UN", 4, 30);
  material("M-REG", 2, 30, "000000");
  const struct {
    bool material;
    const char* codigo;
    bool saida;
  } kCases[] = {
      {false, "NOPE", false},  {false, "NOPE", true},   {true, "NOPE", false},
      {true, "NOPE", true},    {false, "p-reg", false},  // a typo of a registered product
      {false, "M-REG", false}, {true, "P-REG", false},   // registered, but as the other kind
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.material ? "material " : "product ") + c.codigo + (c.saida ? " S" : " E"));
    TEstoque e = entrada(c.codigo, 2, 5);
    e.ECor = c.material ? "0" : "01";
    e.EOperacao = c.saida ? TOperacaoEstoque::opSaida : TOperacaoEstoque::opEntrada;
    const std::string what = refusal(e, c.material);
    EXPECT_NE(what.find(std::string("'") + c.codigo + "'"), std::string::npos) << what;
    EXPECT_NE(what.find(c.material ? "MATERIAL_001" : "PRODUTO_001"), std::string::npos) << what;
  }
  commit();
  const std::string codigos = " WHERE CODIGO IN ('NOPE', 'p-reg', 'M-REG', 'P-REG')";
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_ITEN_001" + codigos), 1);  // P-REG's own row
  EXPECT_EQ(number("SELECT COUNT(*) FROM MAT_ITEN_001" + codigos), 1);
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_MOV_001" + codigos), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM MAT_MOV_001" + codigos), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM LOG WHERE CHAVE IN ('NOPE', 'p-reg', 'M-REG', 'P-REG')"), 0);
  EXPECT_EQ(custo("P-REG"), 4);
  EXPECT_TRUE(dialogs_.records().empty());

  // A registered product's first entry in a new colour and size is a posting like any other.
  TEstoque nova = entrada("P-REG", 3, 4);
  nova.ECor = "02";
  nova.ETamanho = "G";
  nova.MovimentaEstoqueProduto(true);
  EXPECT_EQ(number("SELECT QUANTIDADE FROM PA_ITEN_001 WHERE CODIGO = 'P-REG' AND COR = '02' AND TAM = 'G'"),
            3);
  EXPECT_EQ(movimentos("PA_MOV_001", "P-REG"), 1);
}

TEST_F(Estoque, ExitWithoutBalanceRowWarnsAndWritesNothing) {
  produto("P-SEM", "M", 4, 30);
  TEstoque s = entrada("P-SEM", 5, 3);
  s.EOperacao = TOperacaoEstoque::opSaida;
  s.ELote = "999999";
  s.MovimentaEstoqueProduto(true);
  const DialogRecord& d = dialogs_.last();
  EXPECT_EQ(d.caption, "Movimentação de estoque");
  EXPECT_EQ(d.text,
            "Saída de Estoque não encontrada. Produto P-SEM, Cor 01, Tamanho 0, Qualidade 1, Deposito 0001, "
            "Lote 999999");
  EXPECT_EQ(d.type, TMsgDlgType::mtWarning);
  EXPECT_EQ(saldo("P-SEM"), 30);
  EXPECT_EQ(custo("P-SEM"), 4);
  EXPECT_EQ(movimentos("PA_MOV_001", "P-SEM"), 0);
  EXPECT_EQ(s.ECusto, 3);  // the properties are not reset

  material("M-SEM", 2, 10);
  TEstoque m;
  m.ECodigo = "M-SEM";
  m.ELote = "OUTRO";
  m.EQuantidade = 1;
  m.EOperacao = TOperacaoEstoque::opSaida;
  m.MovimentaEstoqueMaterial(true, true);
  EXPECT_EQ(dialogs_.last().text,
            "Saída de Estoque não encontrada. Material M-SEM, Cor 0, Deposito 0001, Lote OUTRO");
  EXPECT_EQ(movimentos("MAT_MOV_001", "M-SEM"), 0);
  EXPECT_EQ(number("SELECT QTDE FROM MAT_ITEN_001 WHERE CODIGO = 'M-SEM'"), 10);
}

TEST_F(Estoque, ItemsWithoutStockControlAreOnlyLogged) {
  produto("P-NC", "UN", 1, 5, "N");
  material("M-NC", 1, 5, "L1", "N");
  TEstoque p = entrada("P-NC", 1, 1);
  p.ETipo = "EM";
  p.MovimentaEstoqueProduto(true);
  TEstoque m;
  m.ECodigo = "M-NC";
  m.ETipo = "EM";
  m.EQuantidade = 1;
  m.MovimentaEstoqueMaterial(true, false);
  EXPECT_EQ(logs("MOVIMENTO DE PRODUTO SEM CONTROLE DE ESTOQUE - P-NC TIPO - EM."), 1);
  EXPECT_EQ(logs("MOVIMENTO DE MATERIAL SEM CONTROLE DE ESTOQUE - M-NC TIPO - EM."), 1);
  EXPECT_EQ(text("SELECT OPERACAO FROM LOG WHERE CHAVE = 'P-NC'"), "Movimentação");
  EXPECT_EQ(saldo("P-NC"), 5);
  EXPECT_EQ(movimentos("PA_MOV_001", "P-NC") + movimentos("MAT_MOV_001", "M-NC"), 0);
}

TEST_F(Estoque, FreeTextsAreStoredAsTyped) {
  produto("P-TXT", "M", 1, 0);
  material("M-TXT", 1, 0);
  const std::string descricao = "O'Brien's \"rolo\" -- 50% ; DROP TABLE PA_MOV_001";
  TEstoque p = entrada("P-TXT", 1, 1);
  p.EDescricao = descricao;
  p.EObservacao = "obs d'água";
  p.EDocumento = "NF'123";
  p.ECliente = "C'01";
  p.MovimentaEstoqueProduto(true);
  EXPECT_EQ(text("SELECT DESCRICAO FROM PA_MOV_001 WHERE CODIGO = 'P-TXT'"), descricao);
  EXPECT_EQ(text("SELECT OBSERVACAO FROM PA_MOV_001 WHERE CODIGO = 'P-TXT'"), "obs d'água");
  EXPECT_EQ(text("SELECT NUM_DOCTO FROM PA_MOV_001 WHERE CODIGO = 'P-TXT'"), "NF'123");
  EXPECT_EQ(text("SELECT CODCLI FROM PA_MOV_001 WHERE CODIGO = 'P-TXT'"), "C'01");

  TEstoque m;
  m.ECodigo = "M-TXT";
  m.ELote = "L1";
  m.EQuantidade = 1;
  m.EDescricao = descricao;
  m.ECliente = "F'9";
  m.ETipoBaixa = "B'";
  m.MovimentaEstoqueMaterial(true, false);
  EXPECT_EQ(text("SELECT DESCRICAO FROM MAT_MOV_001 WHERE CODIGO = 'M-TXT'"), descricao);
  EXPECT_EQ(text("SELECT CODCRE FROM MAT_MOV_001 WHERE CODIGO = 'M-TXT'"), "F'9");
  EXPECT_EQ(text("SELECT TIPO FROM MAT_MOV_001 WHERE CODIGO = 'M-TXT'"), "B'");  // the write-off kind
}

TEST_F(Estoque, MaterialAverageAndPriceRewrite) {
  // 100 at 2.00 onto 300 at 1.00: (300 + 200) / 400 on every positive row.
  material("M-MED", 1, 300, "L1");
  exec(
      "INSERT INTO MAT_ITEN_001 (CODIGO, COR, DEPOSITO, LOTE, QTDE, PRECO_MED) VALUES ('M-MED', '0', '0001', "
      "'L0', 0, 0.5)");
  commit();
  TEstoque m;
  m.ECodigo = "M-MED";
  m.ELote = "L2";  // a new lot: its row is created at the new average
  m.EQuantidade = 100;
  m.ECusto = 2;
  m.MovimentaEstoqueMaterial(true, true);
  EXPECT_DOUBLE_EQ(number("SELECT PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L1'"), 1.25);
  EXPECT_DOUBLE_EQ(number("SELECT PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L2'"), 1.25);
  EXPECT_DOUBLE_EQ(number("SELECT PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L0'"), 0.5);
  EXPECT_EQ(text("SELECT ATIVO FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L2'"), "S");
  EXPECT_EQ(number("SELECT QTDE FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L2'"), 100);
  EXPECT_EQ(m.ECusto, 0);  // reset after the posting

  // Exit of lot L1 valued beyond what the stock is worth: the average becomes 0.
  TEstoque s;
  s.ECodigo = "M-MED";
  s.ELote = "L1";
  s.EQuantidade = 50;
  s.ECusto = 20;
  s.EOperacao = TOperacaoEstoque::opSaida;
  s.MovimentaEstoqueMaterial(true, true);
  EXPECT_EQ(number("SELECT QTDE FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L1'"), 250);
  EXPECT_EQ(number("SELECT PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED' AND LOTE = 'L1'"), 0);

  // Without the price flag the averages stay.
  exec("UPDATE MAT_ITEN_001 SET PRECO_MED = 1 WHERE CODIGO = 'M-MED'");
  commit();
  TEstoque k;
  k.ECodigo = "M-MED";
  k.ELote = "L1";
  k.EQuantidade = 10;
  k.ECusto = 3;
  k.MovimentaEstoqueMaterial(true, false);
  EXPECT_EQ(number("SELECT MAX(PRECO_MED) FROM MAT_ITEN_001 WHERE CODIGO = 'M-MED'"), 1);
  EXPECT_EQ(movimentos("MAT_MOV_001", "M-MED"), 3);
}

TEST_F(Estoque, MaterialCostOutsideTheUsualRangeIsLoggedWhenCommitting) {
  const struct {
    const char* codigo;
    double custo;
    bool commit;
    bool logged;
  } kCases[] = {
      {"M-C16", 16, true, true},
      {"M-C15", 15, true, false},
      {"M-C16N", 16, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codigo);
    material(c.codigo, 10, 100);
    TEstoque m;
    m.ECodigo = c.codigo;
    m.ELote = "L1";
    m.EDocumento = "123";
    m.EQuantidade = 5;
    m.ECusto = c.custo;
    m.MovimentaEstoqueMaterial(c.commit, false);
    if (!c.commit) commit();
    EXPECT_EQ(movimentos("MAT_MOV_001", c.codigo), 1);
    EXPECT_EQ(logs("CUSTO FORA DOS PADROES DOCTO:123 LOTE:L1 MATERIAL:" + std::string(c.codigo) + " %"),
              c.logged ? 1 : 0);
  }
  EXPECT_EQ(
      text("SELECT DESCRICAO FROM LOG WHERE CHAVE = 'M-C16'"),
      "CUSTO FORA DOS PADROES DOCTO:123 LOTE:L1 MATERIAL:M-C16 COR:0 CUSTO ATUAL:10 CUSTO NOVO:16 QTDE:5 "
      "OPERACAO:E");

  // A material without any balance has no current average: any cost is unusual.
  material("M-C0", 0, -1);
  TEstoque m;
  m.ECodigo = "M-C0";
  m.EQuantidade = 1;
  m.ECusto = 0.01;
  m.ECustoAtual = 50;  // left over from another material
  m.MovimentaEstoqueMaterial(true, false);
  EXPECT_EQ(logs("CUSTO FORA DOS PADROES %MATERIAL:M-C0 %"), 1);
}

TEST_F(Estoque, MovementTypeCodesAndJournalOrder) {
  TEstoque e;
  const struct {
    TTipoMovimentoEstoque tipo;
    const char* codigo;
  } kCases[] = {
      {TTipoMovimentoEstoque::tmeEMAN, "EM"}, {TTipoMovimentoEstoque::tmeEFNF, "EN"},
      {TTipoMovimentoEstoque::tmeETEC, "ET"}, {TTipoMovimentoEstoque::tmeEREC, ""},
      {TTipoMovimentoEstoque::tmeSMAN, "SM"}, {TTipoMovimentoEstoque::tmeSCNF, "SN"},
      {TTipoMovimentoEstoque::tmeSEXP, "SE"}, {TTipoMovimentoEstoque::tmeSTEC, "ST"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codigo);
    EXPECT_EQ(e.CodigoTipoMovEstoque(c.tipo), c.codigo);
  }

  const int proximo = e.SequenciaMovimento();
  exec("INSERT INTO PA_MOV_001 (ORDEM, CODIGO, DT_MVTO) VALUES (" + std::to_string(proximo + 40) +
       ", 'X', CURRENT_DATE)");
  exec("INSERT INTO PA_MOV_001 (ORDEM, CODIGO, DT_MVTO) VALUES (" + std::to_string(proximo + 900) +
       ", 'X', CURRENT_DATE - 31)");  // older than 30 days: not looked at
  EXPECT_EQ(e.SequenciaMovimento(), proximo + 41);
}

// A journal row made to fail by a constraint this suite adds to its own copy:
// the posting must leave balances, costs and averages as they were, with or
// without the commit flag, and raise the error.
class EstoqueAtomicity : public EstoqueBase {
 public:
  static void SetUpTestSuite() {
    EstoqueBase::SetUpTestSuite();
    Tabela.IBDatabase.execute_direct(
        "ALTER TABLE PA_MOV_001 ADD CONSTRAINT CK_PA_MOV_TESTE CHECK (DESCRICAO IS DISTINCT FROM 'FALHA')");
    Tabela.IBDatabase.execute_direct(
        "ALTER TABLE MAT_MOV_001 ADD CONSTRAINT CK_MAT_MOV_TESTE CHECK (DESCRICAO IS DISTINCT FROM 'FALHA')");
    Tabela.IBTransaction.Commit();
  }
};

TEST_F(EstoqueAtomicity, AFailedJournalInsertUndoesTheWholeProductPosting) {
  const struct {
    const char* codigo;
    bool commit;
    bool saida;
    bool linha_existe;
  } kCases[] = {
      {"PA-E-C", true, false, true}, {"PA-E-N", false, false, true}, {"PA-S-C", true, true, true},
      {"PA-S-N", false, true, true}, {"PA-1-C", true, false, false}, {"PA-1-N", false, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codigo);
    produto(c.codigo, "M", 4, c.linha_existe ? 30 : -1);
    // Work of the caller's own, made before the posting in the same transaction.
    exec(std::string("UPDATE PRODUTO_001 SET PRECO = 77 WHERE CODIGO = '") + c.codigo + "'");
    TEstoque e = entrada(c.codigo, 10, 6);
    e.EOperacao = c.saida ? TOperacaoEstoque::opSaida : TOperacaoEstoque::opEntrada;
    e.EDescricao = "FALHA";
    EXPECT_THROW(e.MovimentaEstoqueProduto(c.commit), EDatabaseError);
    EXPECT_EQ(e.ECusto, 6);  // a failed posting keeps its properties
    // The caller's work is still there; the posting's is not.
    EXPECT_EQ(number(std::string("SELECT PRECO FROM PRODUTO_001 WHERE CODIGO = '") + c.codigo + "'"), 77);
    commit();
    EXPECT_EQ(saldo(c.codigo), c.linha_existe ? 30 : 0);
    EXPECT_EQ(number(std::string("SELECT COUNT(*) FROM PA_ITEN_001 WHERE CODIGO = '") + c.codigo + "'"),
              c.linha_existe ? 1 : 0);
    EXPECT_EQ(custo(c.codigo), 4);
    EXPECT_EQ(movimentos("PA_MOV_001", c.codigo), 0);

    // The same posting without the fault goes through.
    e.EDescricao = "OK";
    e.MovimentaEstoqueProduto(true);
    EXPECT_EQ(saldo(c.codigo), (c.linha_existe ? 30 : 0) + (c.saida ? -10 : 10));
  }
}

TEST_F(EstoqueAtomicity, AFailedJournalInsertUndoesTheWholeMaterialPosting) {
  for (const bool commit_flag : {true, false}) {
    SCOPED_TRACE(commit_flag);
    const std::string codigo = commit_flag ? "MA-C" : "MA-N";
    material(codigo, 1, 300);
    TEstoque m;
    m.ECodigo = codigo;
    m.ELote = "L1";
    m.EQuantidade = 100;
    m.ECusto = 2;
    m.EDescricao = "FALHA";
    EXPECT_THROW(m.MovimentaEstoqueMaterial(commit_flag, true), EDatabaseError);
    commit();
    EXPECT_EQ(number("SELECT QTDE FROM MAT_ITEN_001 WHERE CODIGO = '" + codigo + "'"), 300);
    EXPECT_EQ(number("SELECT PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = '" + codigo + "'"), 1);
    EXPECT_EQ(movimentos("MAT_MOV_001", codigo), 0);
    EXPECT_EQ(logs("CUSTO FORA DOS PADROES %MATERIAL:" + codigo + " %"), 0);
  }
}

}  // namespace
}  // namespace zpk
