// Bank instructions recorded for receivable titles on a real database (which
// row REC_MOV gets, from the title's batch, its account's bank and the bank's
// occurrence code; which titles get none) and the title-number separator.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "receivables/movimento_receber.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using Rows = std::vector<std::string>;

class MovimentoReceber : public test::DatabaseTest {
 protected:
  void SetUp() override {
    for (const char* table : {"RECEBER_001", "BORDERO_001", "CADCONTA_001", "OCORRENCIA_001", "REC_MOV_001"})
      exec(std::string("DELETE FROM ") + table);
    // Batch 7 goes through account 0001 of bank 341, batch 8 through an account not registered.
    exec("INSERT INTO BORDERO_001 (NUMERO, TIPO, CONTA, CARTEIRA) VALUES (7, 'R', '0001', '109')");
    exec("INSERT INTO BORDERO_001 (NUMERO, TIPO, CONTA, CARTEIRA) VALUES (8, 'R', '0009', '112')");
    exec("INSERT INTO BORDERO_001 (NUMERO, TIPO, CONTA, CARTEIRA) VALUES (9, 'P', '0001', '999')");
    exec("INSERT INTO CADCONTA_001 (CONTA, BANCO) VALUES ('0001', '341')");
    exec("INSERT INTO OCORRENCIA_001 (BANCO, INSTRUCAO, CODIGO) VALUES ('341', 'PROTESTAR', '09')");
    exec("INSERT INTO OCORRENCIA_001 (BANCO, INSTRUCAO, CODIGO) VALUES ('341', 'O''BAIXA;--', '02')");
    const struct {
      const char* numero;
      const char* nrbanco;
      int bordero;
    } kTitles[] = {
        {"000510/1", "NN1", 7}, {"O'X;--/2", "NN2", 7}, {"000510/3", " ", 7},
        {"000510/4", "NN4", 8}, {"000510/5", "NN5", 9},
    };
    for (const auto& t : kTitles) {
      exec("INSERT INTO RECEBER_001 (NUMERO, NRBANCO, BORDERO) VALUES (:N, :B, :D)",
           {t.numero, t.nrbanco, t.bordero});
    }
    Tabela.IBTransaction.CommitRetaining();
  }
};

TEST_F(MovimentoReceber, RecordsTheBanksOccurrenceCodeWithTheBatchAccountAndCommits) {
  const std::string today = FormatDateTime("dd/mm/yyyy", Date());
  const struct {
    const char* numero;
    const char* instrucao;
    const char* row;  // nullptr: nothing recorded
  } kCases[] = {
      {"000510/1", "PROTESTAR", "000510/1|09|0|0001|109"},
      {"O'X;--/2", "O'BAIXA;--", "O'X;--/2|02|0|0001|109"},  // texts as typed
      {"000510/1", "SEM CODIGO", "000510/1||0|0001|109"},    // the bank has no code for it
      {"000510/4", "PROTESTAR", "000510/4||0|0009|112"},     // account not registered: no bank
      {"000510/5", "PROTESTAR", "000510/5||0||"},            // a payables batch is no receivables batch
      {"000510/3", "PROTESTAR", nullptr},                    // not registered with the bank
      {"000599/9", "PROTESTAR", nullptr},                    // no such title
      {"000510/1-TOO-LONG-FOR-ITS-COLUMN", "PROTESTAR", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.numero) + " " + c.instrucao);
    exec("DELETE FROM REC_MOV_001");
    Tabela.IBTransaction.CommitRetaining();
    GravaMovimentoReceber(c.numero, c.instrucao);
    test::OtherStation other;  // sees committed rows only
    const Rows rows = test::rows("SELECT NUMERO, INSTRUCAO, BORDERO, CONTA, CARTEIRA, DATA FROM REC_MOV_001",
                                 {}, other.db());
    if (c.row) {
      EXPECT_EQ(rows, Rows{std::string(c.row) + "|" + today});
    } else {
      EXPECT_EQ(rows, Rows{});
    }
  }
}

TEST(SepDupli, IsTheCompanysSeparatorOrSlash) {
  const struct {
    const char* configured;
    const char* expected;
  } kCases[] = {{"", "/"}, {"-", "-"}, {"/", "/"}, {".", "."}};
  test::ScopedValue keep(Tabela.SeparadorDuplicata, std::string("/"));
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.configured);
    Tabela.SeparadorDuplicata = c.configured;
    EXPECT_EQ(SepDupli(), c.expected);
  }
}

}  // namespace
}  // namespace zpk
