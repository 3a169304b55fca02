// The customer's credit position and the financial block of an order on a
// real database: whose titles and orders count (group, CNPJ, code), the
// limit at exactly its value, an order already stored, the block reasons and
// their message code, every company under FIN 90, the customer blocked for
// inactivity, the records of largest and last invoice, and customer codes
// that hold quotes.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/fat_cliente.hpp"
#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

// SQL date literal of today plus `days`.
std::string dia(int days) {
  return "DATE '" + FormatDateTime("YYYY-MM-DD", Date() + days) + "'";
}

class Credito : public test::DatabaseTest {
 public:
  void TearDown() override {
    FatCliente.reset();
    test::DatabaseTest::TearDown();
  }

  static void parametro(const char* tipo, int codigo, const std::string& valor, const char* empresa = "001") {
    test::set_parameter(tipo, codigo, valor, empresa);
  }
  static void cliente(const std::string& codcli, const std::string& cnpj, const std::string& grupo = "",
                      const char* credito = "0", const char* sufixo = "_001") {
    test::exec(std::string("INSERT INTO ENTIDADE") + sufixo +
                   " (CODCLI, NOME, CNPJ, GRUPO, CREDITO, BLOQUEIO)" + " VALUES (?, 'CLIENTE', ?, ?, " +
                   credito + ", 'N')",
               {codcli, cnpj, grupo});
  }
  static void grupo(const std::string& codigo, const char* analise) {
    test::exec("INSERT INTO GRUPO_CLI_001 (CODIGO, ANALISE) VALUES (?, ?)", {codigo, analise});
  }
  // A title: amounts as SQL numbers ("VALOR2, JUROS, VALOR_PAGO, VAL_DEV, DESCONTO").
  struct Titulo {
    std::string numero;
    std::string codcli;
    const char* valores = "0, 0, 0, 0, 0";
    const char* status = "N";
    const char* situacao = "";
    int vence = 30;    // days from today
    int emitido = -1;  // days from today
    const char* sufixo = "_001";
  };
  static void titulo(const Titulo& t) {
    test::exec(std::string("INSERT INTO RECEBER") + t.sufixo +
                   " (NUMERO, CODCLI, VALOR2, JUROS, VALOR_PAGO, VAL_DEV, DESCONTO, STATUS, SITUACAO,"
                   " DT_VENCTO, DT_EMISSAO) VALUES (?, ?, " +
                   t.valores + ", ?, ?, " + dia(t.vence) + ", " + dia(t.emitido) + ")",
               {t.numero, t.codcli, t.status, t.situacao});
  }
  // An order with items "QTDE, PRECO, IPI".
  static void pedido(const std::string& numero, const std::string& codcli, const char* per_desc,
                     const std::vector<const char*>& itens, const char* sufixo = "_001") {
    test::exec(std::string("INSERT INTO PEDIDO") + sufixo + " (NUMERO, CODCLI, PER_DESC) VALUES (?, ?, " +
                   per_desc + ")",
               {numero, codcli});
    for (const char* item : itens) {
      test::exec(std::string("INSERT INTO PED_ITEN") + sufixo + " (NUMERO, QTDE, PRECO, IPI) VALUES (?, " +
                     item + ")",
                 {numero});
    }
  }
  static TFatCliente& posicao(const std::string& codcli, double valor = 0) {
    fat_ = std::make_unique<TFatCliente>();
    fat_->Codcli = codcli;
    fat_->ValorFaturamento = valor;
    return *fat_;
  }

  static inline std::unique_ptr<TFatCliente> fat_;
  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

// Group G301 analysed as a whole; G302 not (its customers fall back to
// their CNPJ); empty masks and empty CNPJs count the customer alone.
void scope_rows() {
  const char* mask = "__.___.___/____-__";
  Credito::grupo("G301", "S");
  Credito::grupo("G302", "N");
  Credito::cliente("000301", "11.111.111/0001-11", "G301", "100");
  Credito::cliente("000302", "22.222.222/0001-22", "G301", "5000");
  Credito::cliente("000303", "33.333.333/0001-33", "G302");
  Credito::cliente("000304", "33.333.333/0001-33");
  Credito::cliente("000305", mask);
  Credito::cliente("000306", mask);
  Credito::cliente("000307", "");
  using T = Credito::Titulo;
  for (const T& t : {
           T{"T301-1", "000301", "100.10, 0, 0, 0, 0"}, T{"T301-2", "000301", "0.20, 0, 0, 0, 0", "CH"},
           T{"T301-3", "000301", "50, 0, 0, 0, 0", "A"},        // an advance: a credit, not a debt
           T{"T301-4", "000301", "999, 0, 0, 0, 0", "N", "P"},  // paid
           T{"T302-1", "000302", "200.05, 1.00, 50.00, 0.02, 0.03"},
           T{"T303-1", "000303", "10.01, 0, 0, 0, 0"}, T{"T304-1", "000304", "20.02, 0, 0, 0, 0"},
           T{"T304-2", "000304", "5, 0, 0, 0, 0", "CD"}, T{"T305-1", "000305", "7.77, 0, 0, 0, 0"},
           T{"T306-1", "000306", "8.88, 0, 0, 0, 0"}, T{"T307-1", "000307", "3.33, 0, 0, 0, 0"},
           T{"T307-2", "000307", "100, 0, 60, 30, 10"},  // settled by its amounts
       }) {
    Credito::titulo(t);
  }
}

TEST_F(Credito, OpenAmountCountsTheGroupTheCnpjOrTheCustomer) {
  scope_rows();
  const struct {
    const char* codcli;
    double only_bills;    // FIN 130 "N"
    double with_cheques;  // FIN 130 "S": CH and CD too
  } kCases[] = {
      {"000301", 251.10, 251.30},  // 100.10 + (200.05 + 1.00 - 50.00 - 0.02 - 0.03) of the group
      {"000302", 251.10, 251.30}, {"000303", 30.03, 35.03},  // group not analysed: both customers of the CNPJ
      {"000304", 30.03, 35.03},   {"000305", 7.77, 7.77},    // the empty mask is no shared CNPJ
      {"000306", 8.88, 8.88},     {"000307", 3.33, 3.33},
      {"X'; --", 0, 0},  // a code holding quotes finds nothing and breaks nothing
  };
  for (const char* fin130 : {"N", "S"}) {
    parametro("FIN", 130, fin130);
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(c.codcli) + " FIN 130 " + fin130);
      EXPECT_EQ(posicao(c.codcli).ValorEmAberto(), *fin130 == 'N' ? c.only_bills : c.with_cheques);
      EXPECT_EQ(posicao(c.codcli).VlrEmAberto(), *fin130 == 'N' ? c.only_bills : c.with_cheques);
    }
  }
  EXPECT_EQ(posicao("000301").ValorAntecipa(), 50);
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(Credito, OrdersAddItemsAndIpiLessTheDiscount) {
  grupo("G310", "S");
  cliente("000310", "", "G310");
  cliente("000311", "", "G310");
  cliente("000312", "");
  pedido("P310-1", "000310", "5", {"3, 12.34, 10", "1, 0.10, 0"});  // (37.12 + 3.702) less 5 % = 38.7809
  pedido("P310-2", "000310", "0", {"2, 5, 0", "-2, 5, 0"});         // nothing left: not open
  pedido("P311-1", "000311", "NULL", {"2, 100, 0"});
  pedido("P312-1", "000312", "10", {"1, 0.10, 0", "2, 0.10, 0"});  // 0.30 less 10 % = 0.27
  EXPECT_EQ(posicao("000310").ValorPedidos(), 238.7809);           // the whole group
  EXPECT_EQ(posicao("000311").VlrPedidos(), 238.7809);
  EXPECT_EQ(posicao("000312").ValorPedidos(), 0.27);
}

TEST_F(Credito, LimitIsTheCustomersOwnCreditPlusItsCreditsAndEqualityIsWithin) {
  scope_rows();
  cliente("000320", "", "", "0.30");
  titulo({"T320-1", "000320", "0.10, 0, 0, 0, 0"});
  titulo({"T320-2", "000320", "0.20, 0, 0, 0, 0"});
  cliente("000321", "", "", "100.00");
  titulo({"T321-1", "000321", "30, 0, 0, 0, 0", "A"});
  titulo({"T321-2", "000321", "25, 0, 0, 0, 5", "DV"});
  pedido("P321-1", "000321", "0", {"1, 40.00, 0"});
  const struct {
    const char* codcli;
    double valor;
    const char* tipo;
    bool within;
    double limite;
  } kCases[] = {
      {"000320", 0, "F", true, 0.30},  // 0.10 + 0.20 against 0.30: at the limit
      {"000320", 0.01, "F", false, 0.30},
      {"000321", 150.00, "F", true, 150.00},  // 100 + advance 30 + return credit 20
      {"000321", 150.01, "F", false, 150.00},
      {"000321", 110.00, "P", true, 150.00},  // orders 40 + 110
      {"000321", 110.01, "P", false, 150.00},
      {"000321", 1e6, "X", true, 150.00},  // neither order nor invoice: open titles only
      // The group's titles (251.10) against this customer's own 100 + advance 50.
      {"000301", 0, "F", false, 150.00},
      {"000302", 0, "F", true, 5000.00},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.codcli) + " " + c.tipo + " " + std::to_string(c.valor));
    TFatCliente& f = posicao(c.codcli, c.valor);
    EXPECT_EQ(f.LimiteCredito(c.tipo), c.within);
    EXPECT_EQ(f.VlrLimite(), c.limite);
  }
}

TEST_F(Credito, EveryCompanyCountsUnderFin90UnlessReceivablesAreKeptLocally) {
  cliente("000330", "44.444.444/0001-44");
  cliente("000330", "44.444.444/0001-44", "", "0", "_002");
  titulo({"T330-1", "000330", "10.10, 0, 0, 0, 0"});
  titulo({"T330-2", "000330", "0.05, 0, 0, 0, 0", "N", "", 30, -1, "_002"});
  titulo({"T330-3", "000330", "4, 0, 0, 0, 0", "A", "", 30, -1, "_002"});
  pedido("P330-1", "000330", "0", {"1, 1.11, 0"});
  pedido("P330-2", "000330", "0", {"1, 2.22, 0"}, "_002");
  const struct {
    const char* fin90;
    const char* arqlocal;
    double aberto, antecipa, pedidos;
  } kCases[] = {
      {"N", "", 10.10, 0, 1.11},
      {"S", "", 10.15, 4, 3.33},
      {"S", "RECEBER_001", 10.10, 0, 3.33},  // receivables local, orders still summed
      {"S", "PEDIDO_001", 10.15, 4, 1.11},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.fin90) + " " + c.arqlocal);
    parametro("FIN", 90, c.fin90);
    test::exec("DELETE FROM ARQLOCAL");
    if (*c.arqlocal) test::exec("INSERT INTO ARQLOCAL (ARQUIVO) VALUES (?)", {c.arqlocal});
    TFatCliente& f = posicao("000330");
    EXPECT_EQ(f.ValorEmAberto(), c.aberto);
    EXPECT_EQ(f.ValorAntecipa(), c.antecipa);
    EXPECT_EQ(f.ValorPedidos(), c.pedidos);
  }
}

TEST_F(Credito, OverdueTitlesOfTheCnpjInAnyCompany) {
  cliente("000340", "55.555.555/0001-55");
  cliente("000341", "55.555.555/0001-55");
  cliente("000342", "__.___.___/____-__");
  cliente("000343", "__.___.___/____-__");
  cliente("000344", "");
  cliente("000345", "66.666.666/0001-66");
  cliente("000345", "66.666.666/0001-66", "", "0", "_002");
  const struct {
    const char* setup_codcli;
    Titulo titulo;
    const char* asked;
    bool vencidas, atraso;
  } kCases[] = {
      {"000340", {"T340-1", "000340", "10, 0, 0, 0, 0", "N", "", -1}, "000340", true, true},
      {"000340", {"T340-1", "000340", "10, 0, 0, 0, 0", "N", "", 0}, "000340", false, false},    // due today
      {"000340", {"T340-1", "000340", "10, 0, 10, 0, 0", "N", "", -5}, "000340", false, false},  // paid up
      {"000340", {"T340-1", "000340", "10, 0, 0, 0, 0", "DV", "", -5}, "000340", false, true},
      {"000341", {"T341-1", "000341", "10, 0, 0, 0, 0", "N", "", -5}, "000340", true, true},    // same CNPJ
      {"000343", {"T343-1", "000343", "10, 0, 0, 0, 0", "N", "", -5}, "000342", false, false},  // masks
      {"000344", {"T344-1", "000344", "10, 0, 0, 0, 0", "N", "", -5}, "000344", true, true},
      {"000345", {"T345-1", "000345", "10, 0, 0, 0, 0", "N", "", -5, -6, "_002"}, "000345", true, true},
      {"000340", {"T340-1", "000340", "10, 0, 0, 0, 0", "N", "", -5}, "X'; --", false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.titulo.numero) + " asked for " + c.asked);
    test::exec("DELETE FROM RECEBER_001");
    test::exec("DELETE FROM RECEBER_002");
    titulo(c.titulo);
    EXPECT_EQ(DuplicatasVencidas(c.asked), c.vencidas);
    EXPECT_EQ(DuplicatasAtraso(c.asked), c.atraso);
  }
}

TEST_F(Credito, BlockListsEveryReasonInOrderWithTheFirstReasonsCode) {
  const std::vector<std::string> codes =
      test::rows("SELECT PADRAO || '=' || CODMEN FROM MENSAGEM_001 WHERE PADRAO IS NOT NULL ORDER BY PADRAO");
  ASSERT_EQ(codes.size(), 5u);  // the standard messages of the five reasons
  parametro("VEN", 30, "S");
  parametro("VEN", 40, "S");
  parametro("VEN", 50, "S");
  parametro("VEN", 60, "10");
  parametro("VEN", 240, "60");
  cliente("000350", "", "", "100");
  test::exec("UPDATE ENTIDADE_001 SET DT_ANALISE = " + dia(-11) + ", DT_PREV_ANALISE = " + dia(-1) +
             " WHERE CODCLI = '000350'");
  titulo({"T350-1", "000350", "90, 0, 0, 0, 0", "N", "", -3, -61});
  cliente("000351", "", "", "100");
  test::exec("UPDATE ENTIDADE_001 SET DT_ANALISE = " + dia(-10) + ", DT_PREV_ANALISE = " + dia(0) +
             " WHERE CODCLI = '000351'");
  titulo({"T351-1", "000351", "50, 0, 0, 0, 0", "N", "", 0, -60});

  const struct {
    const char* codcli;
    double valor;
    std::string message;
    const char* padrao;  // of the code reported, "" when not blocked
  } kCases[] = {
      {"000350", 20,
       "Data de Analise financeira excedida. Pedido Bloqueado.\n"
       "Data da Prox. Analise financeira excedida. Pedido Bloqueado.\n"
       "Cliente com Titulos em Atraso. Pedido Bloqueado.\n"
       "O limite de crédito do cliente foi excedido! Pedido Bloqueado.\n"
       "Data do Ultimo Faturamento maior que limite de dias para analise! Pedido Bloqueado.",
       "1"},
      // On the last day of every rule, at the limit: nothing blocks.
      {"000351", 50, "", ""},
      {"000352", 0,
       "Cliente sem faturamentos anteriores. Pedido Bloqueado.\n"
       "Data do Ultimo Faturamento maior que limite de dias para analise! Pedido Bloqueado.",
       "3"},
      {"X'; --", 0,
       "Cliente sem faturamentos anteriores. Pedido Bloqueado.\n"
       "Data do Ultimo Faturamento maior que limite de dias para analise! Pedido Bloqueado.",
       "3"},
  };
  cliente("000352", "", "", "0");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codcli);
    dialogs_.clear();
    std::string cod = "previous";
    const bool blocked = BloqueioPedidoFinanceiro("NOVO-350", c.codcli, c.valor, cod);
    EXPECT_EQ(blocked, !c.message.empty());
    EXPECT_EQ(cod,
              *c.padrao ? test::text("SELECT CODMEN FROM MENSAGEM_001 WHERE PADRAO = ?", {c.padrao}) : "");
    if (c.message.empty()) {
      EXPECT_TRUE(dialogs_.records().empty());
    } else {
      ASSERT_EQ(dialogs_.records().size(), 1u);
      EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
      EXPECT_EQ(dialogs_.last().text, c.message);
    }
    ASSERT_TRUE(FatCliente);
    EXPECT_EQ(FatCliente->Codcli(), c.codcli);
  }
}

TEST_F(Credito, AnOrderAlreadyStoredIsNotCountedTwice) {
  parametro("VEN", 50, "S");
  cliente("000360", "", "", "150");
  pedido("P360-1", "000360", "0", {"1, 100, 0"});
  const struct {
    const char* numero;
    bool blocked;
    double valor_fat;
  } kCases[] = {
      {"P360-1", false, 0},   // 100 of orders, the order itself among them
      {"P360-2", true, 100},  // a new order: 100 + 100 above 150
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.numero);
    std::string cod;
    EXPECT_EQ(BloqueioPedidoFinanceiro(c.numero, "000360", 100, cod), c.blocked);
    EXPECT_EQ(FatCliente->ValorFaturamento(), c.valor_fat);
    EXPECT_EQ(FatCliente->VlrLimite(), 150);
  }
}

TEST_F(Credito, InactiveCustomerIsBlockedAndCommitted) {
  const struct {
    const char* codcli;
    const char* ven240;
    int emitido;  // days from today of its only title; 1 for none
    bool result;
  } kCases[] = {
      {"000370", "30", 1, false},                              // no title at all: blocked at once
      {"000371", "30", -30, false},                            // the last day counts as reached
      {"000372", "30", -29, true},  {"000373", " ", 1, true},  // rule off
      {"000374", "0", 1, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.codcli);
    parametro("VEN", 240, c.ven240);
    cliente(c.codcli, "");
    if (c.emitido <= 0)
      titulo({std::string("T") + c.codcli, c.codcli, "1, 0, 0, 0, 0", "N", "", 30, c.emitido});
    EXPECT_EQ(PeriodoLimiteAnalise(c.codcli), c.result);
    // A block is committed with the new customer row; otherwise another
    // station does not see the customer at all yet.
    test::OtherStation other;
    EXPECT_EQ(test::text("SELECT BLOQUEIO FROM ENTIDADE_001 WHERE CODCLI = ?", {c.codcli}, other.db()),
              c.result ? "" : "S");
  }
  parametro("VEN", 240, "0");  // the blocks committed the parameter too: leave the rule off
  Tabela.IBTransaction.CommitRetaining();
}

TEST_F(Credito, InactivityDaysThatAreNoNumberRaiseAndBlockNothing) {
  cliente("000375", "");
  parametro("VEN", 240, "30 dias");
  EXPECT_THROW(PeriodoLimiteAnalise("000375"), EConvertError);
  EXPECT_EQ(test::text("SELECT BLOQUEIO FROM ENTIDADE_001 WHERE CODCLI = '000375'"), "N");
  // The order block reads the same parameter as 0: the rule is off there.
  std::string cod;
  EXPECT_FALSE(BloqueioPedidoFinanceiro("P375", "000375", 0, cod));
}

TEST_F(Credito, LargestAndLastInvoiceRecordsAreKeptUncommitted) {
  cliente("000380", "");
  Tabela.IBTransaction.CommitRetaining();  // the customer as other stations see it
  test::exec("UPDATE ENTIDADE_001 SET MAIOR_FAT = 500, MAIOR_ACUMULO = 600 WHERE CODCLI = '000380'");
  titulo({"T380-1", "000380", "100.10, 0, 0, 0, 0"});
  const std::string hoje = FormatDateTime("dd/mm/yyyy", Date());
  const auto record = [] {
    return test::rows(
        "SELECT MAIOR_FAT, DT_MAIOR_FAT, MAIOR_ACUMULO, DATA_ACUMULO, ULTIMO_FAT, DT_ULTIMO_FAT"
        " FROM ENTIDADE_001 WHERE CODCLI = '000380'")[0];
  };
  const struct {
    double valor;
    std::string after;
  } kCases[] = {
      {400, "500||600||400|" + hoje},       // below both records: only the last invoice
      {499.90, "500||600||499,9|" + hoje},  // 499.90 + 100.10 = 600: not above
      {500.01, "500,01|" + hoje + "|600,11|" + hoje + "|500,01|" + hoje},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.valor);
    TFatCliente& f = posicao("000380", c.valor);
    f.MaiorFaturamento();
    f.MaiorAcumulo();
    f.UltimoFaturamento();
    EXPECT_EQ(record(), c.after);
  }
  test::OtherStation other;  // nothing committed
  EXPECT_EQ(
      test::rows("SELECT MAIOR_FAT, MAIOR_ACUMULO, ULTIMO_FAT FROM ENTIDADE_001 WHERE CODCLI = '000380'", {},
                 other.db()),
      std::vector<std::string>{"||"});
}

TEST_F(Credito, DatabasePropertyMovesTheUpdateQuery) {
  cliente("000381", "");
  Tabela.IBTransaction.CommitRetaining();
  test::OtherStation other;
  TFatCliente& f = posicao("000381", 1);
  f.Database = &other.db();
  EXPECT_EQ(f.QryUpdate->Database(), &other.db());
  EXPECT_EQ(f.FDatabase, &other.db());
  f.UltimoFaturamento();  // written in the other attachment's transaction, not the shared one
  EXPECT_EQ(test::text("SELECT ULTIMO_FAT FROM ENTIDADE_001 WHERE CODCLI = '000381'", {}, other.db()), "1");
  EXPECT_EQ(test::text("SELECT ULTIMO_FAT FROM ENTIDADE_001 WHERE CODCLI = '000381'"), "");
  other.db().DefaultTransaction().Rollback();
}

}  // namespace
}  // namespace zpk
