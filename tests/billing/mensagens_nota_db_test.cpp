// Message-set lines that read the database: the simple-regime credit
// sentences (company regime, nature, customer), the FCI number of the latest
// month and its sentence, item observations, and the item's additional NF-e
// text gathered from the stored invoice lines.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/mensagens_nota.hpp"
#include "foundation/lookups.hpp"
#include "message_lines.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kFci = "12345678-ABCD-4EF0-9A1B-0123456789AB";

class MensagensNota : public test::DatabaseTest {
 protected:
  static void fci_row(const std::string& codigo, int ano_mes, const Variant& numero, double percentual) {
    test::exec("INSERT INTO " + DBLocal("NOTA_FCI") +
                   " (TIPO, CODIGO, NRANO_MES, NRFCI, PCFCI) VALUES (?, ?, ?, ?, ?)",
               {"P", codigo, ano_mes, numero, percentual});
  }
  static void fci_enabled(bool on) { test::set_parameter("FAT", 130, on ? "S" : "N"); }
  static void stored_line(const std::string& fatura, const std::string& empenho, int ord_ped,
                          const std::string& descricao) {
    test::exec("INSERT INTO " + DBLocal("NOTAITEN") +
                   " (FATURA, CODIGO, EMPENHO, ORD_PED, ORDEM, TIPO, DESCRICAO) VALUES (?, '9999900', ?, ?, "
                   "?, ?, ?)",
               {fatura, empenho, ord_ped, ord_ped, empenho, descricao});
  }
};

TEST_F(MensagensNota, SimplesCreditSentencesOnlyForASaleToACustomerOutsideTheRegime) {
  const Lines kSentences = {
      "30|9999900|S|O|0,00|0,00|N|PERMITE APROVEITAMENTO DO CREDITO DE ICMS NO VALOR DE R$ 31,60|",
      "31|9999900|S|O|0,00|0,00|N|CORRESPONDENTE A ALIQUOTA DE 2,56%, NOS TERMOS DO ARTIGO 23 dA LC 123|"};
  const struct {
    const char* name;
    const char* crt;
    double valor;
    const char* natureza;
    const char* cliente;
    Lines expected;
  } kCases[] = {
      {"simple-regime issuer, sale, customer outside the regime", "1", 1234.56, "5101", "000201", kSentences},
      {"company in the normal regime", "3", 1234.56, "5101", "000201", {}},
      {"zero base", "1", 0, "5101", "000201", {}},
      {"nature that is no sale", "1", 1234.56, "5949", "000201", {}},
      {"customer in the simple regime", "1", 1234.56, "5101", "000202", {}},
      {"unknown nature", "1", 1234.56, "X'1", "000201", {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    test::ScopedValue<std::string> crt(Tabela.company.crt, c.crt);
    test::ScopedValue<double> rate(Tabela.company.simples_credit_rate, 2.56);
    TClientDataSet set;
    create_message_set(set);
    AddMenssagemSIMPLES(c.valor, 0, c.natureza, c.cliente, Date(), set);
    EXPECT_EQ(test::message_lines(set), c.expected);
  }
}

TEST_F(MensagensNota, FciNumberOfTheLatestMonthThatHasOne) {
  fci_row("FCI-1", 202401, kFci, 40);
  fci_row("FCI-1", 202403, "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", 55.5);
  fci_row("FCI-1", 202405, Variant::MakeNull(), 60);  // registered, number not issued yet
  fci_row("SHAPE-1", 202401, "12345678-ABCD-4EF0-9A1B0123456789ABC", 12);  // a dash misplaced
  fci_row("SHAPE-2", 202401, "12345678-ABCD-4EF0-9A1B-0123456789A", 12);   // 35 characters
  fci_row("SHAPE-3", 202401, std::string("  ") + kFci + "  ", 12);         // padded
  fci_enabled(true);
  const struct {
    const char* name;
    const char* codigo;
    const char* origem;
    const char* numero;
    double percentual;  // -1: left as it was
  } kCases[] = {
      {"latest month with a number", "FCI-1", "3", "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", 55.5},
      {"origin 5", "FCI-1", "5", "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", 55.5},
      {"origin 8", "FCI-1", "8", "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", 55.5},
      {"national goods have none", "FCI-1", "0", "", -1},
      {"origin 1 has none", "FCI-1", "1", "", -1},
      {"dash out of place: no number, share kept", "SHAPE-1", "4", "", 12},
      {"35 characters: no number", "SHAPE-2", "4", "", 12},
      {"blanks around are trimmed", "SHAPE-3", "4", kFci, 12},
      {"item without statements", "NONE", "3", "", -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    double percentual = -1;
    EXPECT_EQ(BuscaNrFCI("P", c.codigo, c.origem, "", percentual), c.numero);
    EXPECT_DOUBLE_EQ(percentual, c.percentual);
  }
  fci_enabled(false);
  double percentual = -1;
  EXPECT_EQ(BuscaNrFCI("P", "FCI-1", "3", "", percentual), "");
  EXPECT_DOUBLE_EQ(percentual, -1);
}

TEST_F(MensagensNota, FciSentenceWheneverTheShareIsPositive) {
  fci_row("FCI-1", 202401, kFci, 40);
  fci_row("SHAPE-1", 202401, "not-a-number", 12.346);
  fci_row("ZERO", 202401, kFci, 0);
  fci_enabled(true);

  TClientDataSet set;
  create_message_set(set);
  AddMenssagemFCI(set, "FCI-1", "3", "P", "", 5, 10);
  AddMenssagemFCI(set, "SHAPE-1", "3", "P", "", 6, 10);
  AddMenssagemFCI(set, "ZERO", "3", "P", "", 7, 10);
  AddMenssagemFCI(set, "FCI-1", "0", "P", "", 8, 10);
  EXPECT_EQ(
      test::message_lines(set),
      (Lines{std::string("5|9999900|O|O|0,00|0,00|N|Resolucao do Senado Federal Nr 13/2012. Nr FCI ") + kFci +
                 ", C.I 40,00 %|N",
             "6|9999900|O|O|0,00|0,00|N|Resolucao do Senado Federal Nr 13/2012. Nr FCI , C.I 12,35 %|N"}));

  // A set without the Gravar field still gets the line.
  TClientDataSet bare;
  create_message_set(bare, false);
  AddMenssagemFCI(bare, "FCI-1", "3", "P", "", 5, 10);
  ASSERT_EQ(test::message_lines(bare).size(), 1u);
  EXPECT_EQ(test::message_lines(bare)[0].substr(0, 8), "5|999990");
  EXPECT_EQ(test::message_lines(bare)[0].back(), '-');
}

TEST_F(MensagensNota, ObservationLinesAreKeptAsTypedAndNeverAsStandingLines) {
  const std::string hostile = "Entregar ao Sr. O'Brien -- portao 2; 'x'); DELETE FROM NOTAITEN_001; --";
  TClientDataSet set;
  create_message_set(set);
  AddObservacaoItem(set, 3, "   ");
  AddObservacaoItem(set, 3, hostile);
  AddObservacaoItem(set, 4, std::string(2000, 'x'));
  const Lines lines = test::message_lines(set);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "3|9999900|O|O|0,00|0,00|N|" + hostile + "|N");
  EXPECT_EQ(lines[1], "4|9999900|O|O|0,00|0,00|N|" + std::string(2000, 'x') + "|N");

  // The routine needs the Gravar field: without it, a clear error and the set untouched.
  TClientDataSet bare;
  create_message_set(bare, false);
  EXPECT_THROW(AddObservacaoItem(bare, 1, "texto"), EDataSetError);
  EXPECT_TRUE(bare.IsEmpty());
  EXPECT_EQ(bare.State(), dsBrowse);
}

TEST_F(MensagensNota, ItemAdditionalTextJoinsDescriptionObservationAndStoredObservations) {
  const std::string name120(120, 'N');
  stored_line("000777", "O", 2, "LOTE 'A' -- 12;");
  stored_line("000777", "O", 2, "COR FIRME");
  stored_line("000777", "O", 3, "OUTRO ITEM");
  stored_line("000777", "S", 2, "DESCONTO");
  stored_line("000778", "O", 2, "OUTRA NOTA");
  const struct {
    const char* name;
    std::string fatura;
    std::string descricao;
    std::string observacao;
    int ord_ped;
    std::string expected;
  } kCases[] = {
      {"100-character description, nothing else", "000999", std::string(100, 'D'), "", 2, ""},
      {"rest of a long description", "000999", name120 + "COMPOSICAO 100% ALGODAO", "", 2,
       "COMPOSICAO 100% ALGODAO"},
      {"observation alone", "000999", "CAMISETA", "lavar a frio", 2, "lavar a frio"},
      {"description and observation", "000999", name120 + "  RESTO  ", "OBS", 2, "RESTO  \\OBS"},
      {"blank rest of the description is dropped", "000999", name120 + "     ", "OBS", 2, "OBS"},
      {"stored observations of the item, cleaned", "000777", "CAMISETA", "OBS <1>", 2,
       "OBS 1\\LOTE A -- 12\\COR FIRME"},
      {"stored observations alone", "000777", "CAMISETA", "", 3, "OUTRO ITEM"},
      {"an invoice number too long for its column has none", std::string(300, '7'), "CAMISETA", "", 2, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ObsProdutoNFe(c.fatura, "1", c.descricao, c.observacao, c.ord_ped), c.expected);
  }
}

}  // namespace
}  // namespace zpk
