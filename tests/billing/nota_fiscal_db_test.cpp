// Invoice numbers and NF-e lots on a real database: which number a series
// hands out (used numbers skipped, the order's own number kept), what the
// user is asked and told, who may change the sequence and what is logged,
// what a cancelled box leaves behind, and the reservations left in NOTA_NUMERO.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/nota_fiscal.hpp"
#include "foundation/access_rights.hpp"
#include "foundation/session.hpp"
#include "platform/db/database_error.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using test::rows;
using test::text;
using Rows = std::vector<std::string>;

class NotaFiscal : public test::DatabaseTest {
 protected:
  void SetUp() override {
    previous_screen_ = set_refusal_screen(nullptr);
    reset();
  }
  // Empty number tables, the rights of the two billing users, the question on.
  void reset() {
    for (const char* table : {"NOTA_NUMERO_001", "NOTA_001", "PEDIDO3_001"})
      exec(std::string("DELETE FROM ") + table);
    exec("DELETE FROM LOG");
    // FATURISTA may not change the invoice sequence, GERENTE may.
    exec(
        "UPDATE OR INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, DESCRICAO) VALUES ('4.01', 'TfmFatImpressao', "
        "'Faturamento') MATCHING (NIVEL)");
    exec(
        "UPDATE OR INSERT INTO ACESSO_USUARIOS (CODIGO, NOME, TIPO, ATIVO) VALUES ('941', 'FATURISTA', '1', "
        "'S') MATCHING (CODIGO)");
    exec(
        "UPDATE OR INSERT INTO ACESSO_USUARIOS (CODIGO, NOME, TIPO, ATIVO) VALUES ('942', 'GERENTE', '1', "
        "'S') "
        "MATCHING (CODIGO)");
    exec(
        "UPDATE OR INSERT INTO ACESSO (USUARIO, LOCAL, ALTERA, CONSULTA, EXCLUI) VALUES ('941', '4.01', "
        "'Não', "
        "'Sim', 'Não') MATCHING (USUARIO, LOCAL)");
    exec(
        "UPDATE OR INSERT INTO ACESSO (USUARIO, LOCAL, ALTERA, CONSULTA, EXCLUI) VALUES ('942', '4.01', "
        "'Sim', "
        "'Sim', 'Não') MATCHING (USUARIO, LOCAL)");
    set_fat330("S");
    Tabela.IBTransaction.CommitRetaining();
    Tabela.NotaComSerie = "N";
    Tabela.SeriePadrao = "1";
    vUsuario = "FATURISTA";
    vSupervisor.clear();
    vPedidoFat.clear();
  }
  void TearDown() override {
    set_refusal_screen(previous_screen_);
    Tabela.NotaComSerie = "N";
    Tabela.SeriePadrao.clear();
    vUsuario.clear();
    vSupervisor.clear();
    vPedidoFat.clear();
    test::DatabaseTest::TearDown();
  }

  static void set_fat330(const std::string& valor) { test::set_parameter("FAT", 330, valor); }
  static void reserve(int numero, const std::string& serie) {
    exec("INSERT INTO NOTA_NUMERO_001 (NUMERO, SERIE) VALUES (:N, :S)", {numero, serie});
  }
  static void invoice(const std::string& fatura, const std::string& serie, Variant lote = Variant()) {
    exec("INSERT INTO NOTA_001 (FATURA, SERIE, LOTE_NFE) VALUES (:F, :S, :L)", {fatura, serie, lote});
  }
  static void order_row(const std::string& numero, const std::string& nota, double qtde) {
    exec("INSERT INTO PEDIDO3_001 (NUMERO, NOTAFISCAL, QTDE) VALUES (:N, :F, :Q)", {numero, nota, qtde});
  }
  // "SERIE:NUMERO" of every reservation, as another station sees them (committed only).
  Rows reservations() {
    return rows("SELECT SERIE, NUMERO FROM NOTA_NUMERO_001 ORDER BY SERIE, NUMERO", {}, other_.db(), ":");
  }
  Rows log_rows() {
    return rows("SELECT TELA, CHAVE, OPERACAO, DESCRICAO FROM LOG ORDER BY HORA", {}, other_.db());
  }
  // Every dialog shown: "box CAPTION/PROMPT [initial]" or "msg CAPTION/TEXT".
  Rows shown() const {
    Rows out;
    for (const DialogRecord& r : dialogs_.records()) {
      if (r.kind == DialogKind::input_number) {
        out.push_back("box " + r.caption + "/" + r.text + " [" + r.value + "]");
      } else {
        out.push_back("msg " + r.caption + "/" + r.text);
      }
    }
    return out;
  }

  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
  test::OtherStation other_;
  RefusalScreen previous_screen_;
};

TEST_F(NotaFiscal, ReservaHandsOutTheNextFreeNumberOfTheSeries) {
  const struct {
    const char* name;
    std::vector<std::pair<int, std::string>> reserved;
    std::vector<std::pair<std::string, std::string>> invoices;  // FATURA, SERIE
    const char* nota_com_serie;
    const char* serie;
    const char* expected;
    Rows after;  // the series' reservations afterwards
  } kCases[] = {
      {"empty series", {}, {}, "N", "1", "000001", {"1:1"}},
      {"empty series with its series", {}, {}, "S", "1", "0000011", {"1:1"}},
      {"after the highest", {{122, "1"}, {7, "1"}}, {}, "S", "1", "0001231", {"1:7", "1:122", "1:123"}},
      {"other series do not count", {{50, "2"}}, {}, "N", "1", "000001", {"1:1", "2:50"}},
      {"used numbers skipped one by one",
       {{4, "1"}},
       {{"000005", "1"}, {"000006", "1"}, {"000008", "1"}, {"000007", "2"}},
       "N",
       "1",
       "000007",
       {"1:4", "1:7"}},
      {"used numbers stored with their series",
       {{4, "1"}},
       {{"0000051", "1"}},
       "S",
       "1",
       "0000061",
       {"1:4", "1:6"}},
      {"a quote in the series is a plain value", {}, {}, "S", "1'", "0000011'", {"1':1"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    reset();
    for (const auto& [numero, serie] : c.reserved) reserve(numero, serie);
    for (const auto& [fatura, serie] : c.invoices) invoice(fatura, serie);
    Tabela.IBTransaction.CommitRetaining();
    Tabela.NotaComSerie = c.nota_com_serie;

    EXPECT_EQ(ReservaNotaFiscal(c.serie), c.expected);
    EXPECT_EQ(reservations(), c.after);
    EXPECT_TRUE(dialogs_.records().empty());
  }
}

TEST_F(NotaFiscal, ReservaRefusesASeriesLongerThanItsColumnWritingNothing) {
  try {
    ReservaNotaFiscal("12345");
    FAIL() << "a five-character series was accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.message().find("SERIE"), std::string::npos) << e.message();
  }
  EXPECT_TRUE(reservations().empty());
}

TEST_F(NotaFiscal, ProximaSuggestsTheNextNumberOrTheOrdersOwn) {
  const struct {
    const char* name;
    const char* pedido;
    std::vector<std::pair<std::string, double>> order_rows;  // NOTAFISCAL, QTDE of order NF0001
    std::vector<std::string> used;                           // FATURA of series 1 in NOTA
    const char* nota_com_serie;
    const char* expected;
    Rows after;
  } kCases[] = {
      {"no order", "", {}, {}, "N", "000101", {"1:40", "1:100", "1:101"}},
      {"order without an invoice", "NF0001", {{"", 2}}, {}, "N", "000101", {"1:40", "1:100", "1:101"}},
      {"order keeps its number", "NF0001", {{"000040", 2}}, {}, "N", "000040", {"1:40", "1:100"}},
      {"with its series", "NF0001", {{"0000401", 2}}, {}, "S", "0000401", {"1:40", "1:100"}},
      {"rows without quantity do not count",
       "NF0001",
       {{"000070", 0}},
       {},
       "N",
       "000101",
       {"1:40", "1:100", "1:101"}},
      {"the order's number used meanwhile",
       "NF0001",
       {{"000040", 2}},
       {"000040", "000041"},
       "N",
       "000042",
       {"1:40", "1:42", "1:100"}},
      {"the order's number never reserved",
       "NF0001",
       {{"000060", 1}},
       {},
       "N",
       "000060",
       {"1:40", "1:60", "1:100"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    reset();
    reserve(40, "1");
    reserve(100, "1");
    for (const auto& [nota, qtde] : c.order_rows) order_row("NF0001", nota, qtde);
    for (const std::string& fatura : c.used) invoice(fatura, "1");
    Tabela.IBTransaction.CommitRetaining();
    Tabela.NotaComSerie = c.nota_com_serie;
    vPedidoFat = c.pedido;

    EXPECT_EQ(ProximaNotaFiscal(" 1 ", true), c.expected);
    EXPECT_EQ(reservations(), c.after);
    EXPECT_TRUE(dialogs_.records().empty());
  }
}

TEST_F(NotaFiscal, TheBoxAppearsUnlessTheParameterOrTheCallerSaysNo) {
  const struct {
    const char* fat330;
    bool sem_pergunta;
    bool asked;
  } kCases[] = {{"S", false, true}, {"S", true, false}, {"N", false, false}, {" ", false, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.fat330) + (c.sem_pergunta ? " sem pergunta" : ""));
    reset();
    set_fat330(c.fat330);
    Tabela.IBTransaction.CommitRetaining();
    dialogs_.clear();
    EXPECT_EQ(ProximaNotaFiscal("1", c.sem_pergunta), "000001");
    EXPECT_EQ(shown(), c.asked ? Rows{"box Faturamento/Número da Nota Fiscal [000001]"} : Rows{});
  }
}

TEST_F(NotaFiscal, TypedNumbersAreCheckedAgainstInvoicesRightsAndTheSuggestion) {
  const std::string kBox = "box Faturamento/Número da Nota Fiscal [000005]";
  const std::string kAgain = "box Faturamento/Numero da Nota Fiscal ";
  const struct {
    const char* name;
    const char* usuario;
    const char* supervisor;
    std::vector<std::string> replies;
    const char* expected;
    Rows dialogs;
    Rows after;
    Rows log;
  } kCases[] = {
      {"suggestion confirmed", "FATURISTA", "", {":default"}, "000005", {kBox}, {"1:4", "1:5"}, {}},
      {"a short number is padded", "FATURISTA", "", {"5"}, "000005", {kBox}, {"1:4", "1:5"}, {}},
      {"no right: the suggestion comes back and nothing is logged",
       "FATURISTA",
       "",
       {"000130", ":default", ":default"},
       "000005",
       {kBox, "msg Controle de Acesso/Acesso Negado", kAgain + "[000005]"},
       {"1:4", "1:5"},
       {}},
      {"the right: accepted and logged",
       "GERENTE",
       "",
       {"000130"},
       "000130",
       {kBox},
       {"1:4", "1:130"},
       {"DIGITAÇÃO DA NOTA|000130|Alteração|ALTERAÇÃO DA SEQUÊNCIA DA NOTA. DIGITADA : 000130, SUGERIDA: 5"}},
      {"released by a supervisor",
       "GERENTE",
       "CHEFE",
       {"000130"},
       "000130",
       {kBox},
       {"1:4", "1:130"},
       {"DIGITAÇÃO DA NOTA|000130|Alteração|ALTERAÇÃO DA SEQUÊNCIA DA NOTA. DIGITADA : 000130, SUGERIDA: 5 "
        "LIBERADO POR: CHEFE"}},
      {"a used number is refused",
       "GERENTE",
       "",
       {"000003", ":default", "000006"},
       "000006",
       {kBox, "msg ZELVO ERP/Número da Nota Fiscal já Existente.", kAgain + "[000003]"},
       {"1:4", "1:6"},
       {"DIGITAÇÃO DA NOTA|000006|Alteração|ALTERAÇÃO DA SEQUÊNCIA DA NOTA. DIGITADA : 000006, SUGERIDA: 5"}},
      {"a text that is no number shows the suggestion again",
       "GERENTE",
       "",
       {"12A", ":default"},
       "000005",
       {kBox, kAgain + "[000005]"},
       {"1:4", "1:5"},
       {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    reset();
    reserve(4, "1");
    invoice("000003", "1");
    Tabela.IBTransaction.CommitRetaining();
    vUsuario = c.usuario;
    vSupervisor = c.supervisor;
    dialogs_.clear();
    dialogs_.reply_all(c.replies);

    EXPECT_EQ(ProximaNotaFiscal("1"), c.expected);
    EXPECT_EQ(shown(), c.dialogs);
    EXPECT_EQ(reservations(), c.after);
    EXPECT_EQ(log_rows(), c.log);
    EXPECT_EQ(dialogs_.pending_replies(), 0u);
  }
}

TEST_F(NotaFiscal, ANumberAnotherOrderCarriesIsRefusedAndTheOneTypedInsteadIsReserved) {
  reserve(4, "1");
  order_row("NF0002", "000005", 3);  // another order already carries the next number
  order_row("NF0001", "", 2);
  Tabela.IBTransaction.CommitRetaining();
  vPedidoFat = "NF0001";
  vUsuario = "GERENTE";
  dialogs_.reply_all({":default", ":default", "000009"});

  EXPECT_EQ(ProximaNotaFiscal("1"), "000009");
  EXPECT_EQ(shown(), (Rows{"box Faturamento/Número da Nota Fiscal [000005]",
                           "msg ZELVO ERP/Número da Nota Fiscal já reservado.",
                           "box Faturamento/Numero da Nota Fiscal [000005]"}));
  // The refused number's reservation made by this call is given back.
  EXPECT_EQ(reservations(), (Rows{"1:4", "1:9"}));
  EXPECT_EQ(log_rows().size(), 1u);
}

TEST_F(NotaFiscal, CancellingTheBoxReturnsNothingAndReleasesWhatTheCallReserved) {
  const struct {
    const char* name;
    std::vector<int> reserved;
    const char* pedido;
    std::vector<std::string> replies;
    Rows after;
  } kCases[] = {
      {"closed at once", {4}, "", {":cancel"}, {"1:4"}},
      {"confirmed empty", {4}, "", {"  "}, {"1:4"}},
      {"closed after a refusal", {4}, "", {"000130", ":default", ":cancel"}, {"1:4"}},
      // Reserved before the call, the order's number stays with the order.
      {"the order's own number stays reserved", {4, 40}, "NF0001", {":cancel"}, {"1:4", "1:40"}},
      {"closed after another order's number", {4}, "", {":default", ":default", ":cancel"}, {"1:4"}},
      // A batch out of replies would only confirm the refused number again, for ever.
      {"nobody answers after a used number", {4}, "", {"000003"}, {"1:4"}},
      {"nobody answers after another order's number", {4}, "", {":default"}, {"1:4"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    reset();
    for (const int numero : c.reserved) reserve(numero, "1");
    order_row("NF0001", "000040", 1);
    order_row("NF0002", "000005", 1);
    invoice("000003", "1");
    Tabela.IBTransaction.CommitRetaining();
    vPedidoFat = c.pedido;
    dialogs_.clear();
    dialogs_.reply_all(c.replies);

    EXPECT_EQ(ProximaNotaFiscal("1"), "");
    EXPECT_EQ(reservations(), c.after);
    EXPECT_TRUE(log_rows().empty());
    EXPECT_EQ(dialogs_.pending_replies(), 0u);
  }
}

TEST_F(NotaFiscal, DeletaFreesTheReservationOfTheIdentifier) {
  const struct {
    const char* nota_com_serie;
    const char* nota;
    Rows after;
  } kCases[] = {
      {"S", "0001232", {"1:123", "2:7"}},  // number and series from the identifier
      {"S", "000007 2", {"1:123", "2:123"}},
      {"N", "000123", {"2:7", "2:123"}},  // the default series
      {"N", "000999", {"1:123", "2:7", "2:123"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.nota);
    reset();
    reserve(123, "1");
    reserve(123, "2");
    reserve(7, "2");
    Tabela.IBTransaction.CommitRetaining();
    Tabela.NotaComSerie = c.nota_com_serie;
    DeletaNumeroNotaFiscal(c.nota);
    EXPECT_EQ(reservations(), c.after);
  }
  Tabela.NotaComSerie = "N";
  EXPECT_THROW(DeletaNumeroNotaFiscal("12'3"), EConvertError);
  EXPECT_EQ(reservations().size(), 3u);
}

TEST_F(NotaFiscal, ProximoLoteFollowsTheHighestLotOfEverySeries) {
  EXPECT_EQ(ProximoLoteNFe(), "000001");
  invoice("000001", "1");  // an invoice not yet sent has no lot
  EXPECT_EQ(ProximoLoteNFe(), "000001");
  invoice("000002", "1", 41);
  invoice("000001", "2", 7);
  EXPECT_EQ(ProximoLoteNFe(), "000042");
  invoice("000003", "1", 1234567);
  EXPECT_EQ(ProximoLoteNFe(), "1234568");
  EXPECT_EQ(VersaoNFe(), "4.00");
}

}  // namespace
}  // namespace zpk
