// Invoice lines on a real database: the message set stored in NOTAITEN with
// its percentage amounts and subtotal rows (all lines or none), a customer's
// standing lines saved and restored, and the delivery and billing notes.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/empenho.hpp"
#include "billing/mensagens_nota.hpp"
#include "foundation/lookups.hpp"
#include "message_lines.hpp"
#include "platform/db/database_error.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using Lines = std::vector<std::string>;
using test::MessageLine;

const std::string kHostile = "Ref. pedido 'A1' -- urgente; '); DELETE FROM NOTAITEN_001; --";

class InvoiceLines : public test::DatabaseTest {
 protected:
  // "CODIGO|COR|TAMANHO|DESCRICAO|VALOR|PRECO|EMPENHO|ORD_PED|ORDEM|TIPO" of the invoice's rows, in the order
  // written.
  static Lines stored(const std::string& fatura, TTIDatabase& db = Tabela.IBDatabase) {
    return test::rows(
        "SELECT CODIGO, COR, TAMANHO, DESCRICAO, VALOR, PRECO, EMPENHO, ORD_PED, ORDEM, TIPO FROM " +
            DBLocal("NOTAITEN") + " WHERE FATURA = ? ORDER BY RDB$DB_KEY",
        {fatura}, db);
  }
  // "ORDEM|MENSAGEM|TIPO|TIPO_V|SUBTOTAL|VALOR" of the customer's standing lines.
  static Lines standing(const std::string& codcli) {
    return test::rows("SELECT ORDEM, MENSAGEM, TIPO, TIPO_V, SUBTOTAL, VALOR FROM " + DBLocal("EMPENHO_CLI") +
                          " WHERE CODCLI = ? ORDER BY ORDEM",
                      {codcli});
  }
};

TEST_F(InvoiceLines, PercentageDiscountStoredWithItsAmountAndTheSubtotal) {
  TClientDataSet set;
  test::fill_message_set(set, {{1, "D", "P", 10, 0, "S", "DESCONTO 10%"}});
  GravaEmpenhoNota(set, 1000.00, "000501", "");
  EXPECT_EQ(stored("000501"), (Lines{"9999900|P|S|DESCONTO 10%|100|10|S|1|1|D",
                                     "9999900|T| |SUB TOTAL...............:|900|0|S|0||T"}));
}

TEST_F(InvoiceLines, InvoiceWithEveryKindOfLine) {
  // Base 1000.00: +50.00 aside; -10% of 1000.00 moves the base to 900.00
  // (subtotal 900 + 50 = 950.00); -20.00 aside; -30.00 moves it to 870.00
  // (subtotal 870 - 20 + 50 = 900.00); a 2.5% surcharge typed with its
  // amount keeps that amount, 7.77, aside; -12.5% of 870.00 = 108.75 moves
  // it to 761.25 (subtotal 761.25 - 20 + 50 + 7.77 = 799.02).
  TClientDataSet set;
  test::fill_message_set(set, {{1, "A", "V", 0, 50, "N", "FRETE"},
                               {2, "D", "P", 10, 0, "S", "DESCONTO"},
                               {3, "C", "V", 0, 20, "N", "ABATIMENTO"},
                               {4, "D", "V", 0, 30, "S", "BONIFICACAO"},
                               {5, "A", "P", 2.5, 7.77, "N", "SEGURO"},
                               {6, "D", "P", 12.5, 0, "S", "PROMOCAO"},
                               {7, "O", "O", 0, 0, "N", kHostile, "N"},
                               {10, "S", "E", 0, 0, "N", " *** END. ENTREGA - RUA X Nr 1. *** "},
                               {30, "S", "O", 0, 0, "N", "PERMITE APROVEITAMENTO"}});
  GravaEmpenhoNota(set, 1000.00, "000502", "_001");
  EXPECT_EQ(stored("000502"), (Lines{
                                  "9999900|V|N|FRETE|50|0|S|1|1|A",
                                  "9999900|P|S|DESCONTO|100|10|S|2|2|D",
                                  "9999900|T| |SUB TOTAL...............:|950|0|S|0||T",
                                  "9999900|V|N|ABATIMENTO|20|0|S|3|3|C",
                                  "9999900|V|S|BONIFICACAO|30|0|S|4|4|D",
                                  "9999900|T| |SUB TOTAL...............:|900|0|S|0||T",
                                  "9999900|P|N|SEGURO|7,77|2,5|S|5|5|A",
                                  "9999900|P|S|PROMOCAO|108,75|12,5|S|6|6|D",
                                  "9999900|T| |SUB TOTAL...............:|799,02|0|S|0||T",
                                  "9999900|O|N|" + kHostile + "|0|0|O|7|7|O",
                                  "9999900|E|N| *** END. ENTREGA - RUA X Nr 1. *** |0|0|S|10|10|S",
                                  "9999900|O|N|PERMITE APROVEITAMENTO|0|0|S|30|30|S",
                              }));
}

TEST_F(InvoiceLines, AllLinesOrNone) {
  // Work of the same transaction done before the call is not undone with it.
  test::exec("INSERT INTO " + DBLocal("NOTAITEN") +
             " (FATURA, CODIGO, EMPENHO) VALUES ('000503', 'CAM-001', 'N')");
  const struct {
    const char* name;
    std::vector<MessageLine> lines;
    std::string fatura;
    std::string sufixo;
    std::string error;  // part of the message
  } kCases[] = {
      {"a description too long for its column, after two good lines",
       {{1, "D", "P", 10, 0, "S", "DESCONTO"},
        {2, "O", "O", 0, 0, "N", "OK"},
        {3, "O", "O", 0, 0, "N", std::string(2000, 'x')}},
       "000503",
       "",
       "DESCRICAO: 2000 characters, at most 200"},
      {"a value kind too long for its column",
       {{1, "D", "P", 10, 0, "S", "DESCONTO"}, {2, "O", std::string(11, 'O'), 0, 0, "N", "OK"}},
       "000503",
       "",
       "COR: 11 characters, at most 10"},
      {"an invoice number too long",
       {{1, "O", "O", 0, 0, "N", "OK"}},
       "0005030000000",
       "",
       "FATURA: 13 characters"},
      {"a suffix that is no plain name",
       {{1, "O", "O", 0, 0, "N", "OK"}},
       "000503",
       "_001 --",
       "not a plain name"},
      {"a table that does not exist", {{1, "O", "O", 0, 0, "N", "OK"}}, "000503", "_999", "NOTAITEN_999"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TClientDataSet set;
    test::fill_message_set(set, c.lines);
    try {
      GravaEmpenhoNota(set, 1000, c.fatura, c.sufixo);
      ADD_FAILURE() << "no error";
    } catch (const EZpkError& e) {
      EXPECT_TRUE(test::names(e.what(), c.error)) << e.what();
    }
    EXPECT_EQ(
        test::number("SELECT COUNT(*) FROM " + DBLocal("NOTAITEN") + " WHERE FATURA STARTING WITH '000503'"),
        1);
  }
  // The transaction goes on: the same set with a fitting text is stored whole.
  TClientDataSet set;
  test::fill_message_set(
      set, {{1, "D", "P", 10, 0, "S", "DESCONTO"}, {2, "O", "O", 0, 0, "N", std::string(200, 'x')}});
  GravaEmpenhoNota(set, 1000, "000503", "");
  EXPECT_EQ(stored("000503").size(), 4u);
}

TEST_F(InvoiceLines, WritesThroughTheConnectionGiven) {
  test::OtherStation other;
  TClientDataSet set;
  test::fill_message_set(set, {{1, "A", "V", 0, 12.34, "N", "FRETE"}});
  GravaEmpenhoNota(set, 100, "000504", "", &other.db());
  EXPECT_EQ(stored("000504", other.db()), (Lines{"9999900|V|N|FRETE|12,34|0|S|1|1|A"}));
  EXPECT_TRUE(stored("000504").empty());  // not committed there yet
  other.db().DefaultTransaction().Rollback();
}

TEST_F(InvoiceLines, StandingLinesSavedAndRestored) {
  TClientDataSet set;
  test::fill_message_set(set, {{3, "A", "V", 7, 12.5, "S", "FRETE"},
                               {1, "D", "P", 5, 99, "N", "DESCONTO"},
                               {2, "O", "O", 0, 0, "N", kHostile},
                               {10, "S", "E", 0, 0, "N", " *** END. ENTREGA *** "},
                               {4, "O", "O", 0, 0, "N", "FCI", "N"}});
  Grava_Empenho(nullptr, set, "000201", "");
  EXPECT_EQ(standing("000201"),
            (Lines{"1|DESCONTO|D|P|N|5", "2|" + kHostile + "|O|O|N|0", "3|FRETE|A|V|S|12,5"}));
  EXPECT_FALSE(set.Filtered());
  EXPECT_EQ(set.RecordCount(), 5);

  // Saving again replaces the lines; another customer's stay.
  const Lines other_customer = standing("000204");
  ASSERT_EQ(other_customer.size(), 2u);
  TClientDataSet fewer;
  test::fill_message_set(fewer, {{1, "D", "P", 7.5, 0, "S", "DESCONTO"}});
  Grava_Empenho(nullptr, fewer, "000201", "");
  EXPECT_EQ(standing("000201"), (Lines{"1|DESCONTO|D|P|S|7,5"}));
  EXPECT_EQ(standing("000204"), other_customer);

  // Restoring empties the set first, in position order, a percentage in Preco.
  TClientDataSet restored;
  test::fill_message_set(restored, {{9, "A", "V", 0, 1, "N", "OLD"}});
  Grava_Empenho(nullptr, set, "000201", "");
  Transfere_Empenho(nullptr, restored, "000201", "");
  EXPECT_EQ(test::message_lines(restored),
            (Lines{"1|9999900|D|P|5,00|0,00|N|DESCONTO|S", "2|9999900|O|O|0,00|0,00|N|" + kHostile + "|S",
                   "3|9999900|A|V|0,00|12,50|S|FRETE|S"}));
  Transfere_Empenho(nullptr, restored, "000299", "");
  EXPECT_TRUE(restored.IsEmpty());
}

TEST_F(InvoiceLines, StandingLinesAllOrNone) {
  const Lines before = standing("000204");
  ASSERT_EQ(before.size(), 2u);
  const struct {
    const char* name;
    std::vector<MessageLine> lines;
    std::string codcli;
    std::string error;
  } kCases[] = {
      {"a message too long for its column",
       {{1, "A", "V", 0, 1, "N", "OK"}, {2, "O", "O", 0, 0, "N", std::string(2000, 'm')}},
       "000204",
       "MENSAGEM: 2000 characters, at most 200"},
      {"two lines at one position",
       {{1, "A", "V", 0, 1, "N", "A"}, {1, "D", "V", 0, 1, "N", "B"}},
       "000204",
       "PK_EMPENHO_CLI"},
      {"a customer code too long",
       {{1, "A", "V", 0, 1, "N", "A"}},
       std::string(11, '9'),
       "CODCLI: 11 characters"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TClientDataSet set;
    test::fill_message_set(set, c.lines);
    try {
      Grava_Empenho(nullptr, set, c.codcli, "");
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_TRUE(test::names(e.what(), c.error)) << e.what();
    }
    EXPECT_EQ(standing("000204"), before);
    EXPECT_FALSE(set.Filtered());
  }
}

TEST_F(InvoiceLines, AddressNotes) {
  test::exec("INSERT INTO " + DBLocal("ENTIDADE") +
             " (CODCLI, ENDERECO, NUM_END, END_ENT, NUM_ENT, COMP_ENT)"
             " VALUES ('000206', 'AVENIDA BEIRA MAR', '300', 'AVENIDA BEIRA MAR', '300', 'FUNDOS')");
  const struct {
    const char* name;
    const char* codcli;
    bool entrega;
    Lines expected;
  } kCases[] = {
      {"delivery at the main address", "000201", true, {}},
      {"billing at the main address", "000201", false, {}},
      {"unknown customer", "000299", true, {}},
      {"customer code too long", "0002010000000", true, {}},
      {"no delivery street",
       "000203",
       true,
       {"10|9999900|S|E|0,00|0,00|N| *** END. ENTREGA -  Nr , , , , , , . *** |"}},
      {"no billing street",
       "000203",
       false,
       {"20|9999900|S|E|0,00|0,00|N| *** END. COBRANCA -  Nr , , , , . *** |"}},
      {"long delivery note in two lines",
       "000204",
       true,
       {"10|9999900|S|E|0,00|0,00|N| *** END. ENTREGA - RODOVIA ANHANGUERA KM 128 Nr S/N, DISTRITO "
        "INDUSTRIAL. *** |",
        "11|9999900|S|E|0,00|0,00|N| *** 13474-000, AMERICANA, SP, 45.678.901/0002-09, GALPAO 3; DOCA -- B. "
        "*** |"}},
      {"billing note in one line",
       "000204",
       false,
       {"20|9999900|S|E|0,00|0,00|N| *** END. COBRANCA - CAIXA POSTAL 55 Nr 55, CENTRO, 20040-000, RIO DE "
        "JANEIRO, RJ. *** |"}},
      {"long billing note in two lines",
       "000205",
       false,
       {"20|9999900|S|E|0,00|0,00|N| *** END. COBRANCA - AVENIDA PRESIDENTE JUSCELINO KUBITSCHEK DE OLIVEIRA "
        "Nr 2500, "
        "JARDIM DAS PALMEIRAS DO NORTE. *** |",
        "21|9999900|S|E|0,00|0,00|N| *** 40010-000, SALVADOR, BA. *** |"}},
      {"delivery at the main address, neither with a complement", "000205", true, {}},
      {"delivery differing only by the complement",
       "000206",
       true,
       {"10|9999900|S|E|0,00|0,00|N| *** END. ENTREGA - AVENIDA BEIRA MAR Nr 300, , , , , , FUNDOS. *** |"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TClientDataSet set;
    create_message_set(set);
    if (c.entrega) {
      AddEnderecoEntrega(nullptr, set, "", c.codcli);
    } else {
      AddEnderecoCobranca(nullptr, set, "", c.codcli);
    }
    EXPECT_EQ(test::message_lines(set), c.expected);
  }
}

}  // namespace
}  // namespace zpk
