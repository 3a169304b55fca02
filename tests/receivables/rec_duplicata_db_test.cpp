// Receivable titles on a real database: what a new title and a rewrite store
// (amounts exact to the ten-thousandth, what a rewrite keeps), the table of
// another company, texts stored as typed or refused by column with nothing
// written, and the numbering of collection batches.
#include <string>
#include <vector>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/db/database_error.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "receivables/rec_duplicata.hpp"
#include "support/database_fixture.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

using test::exec;
using test::number;
using test::text;

class RecDuplicata : public test::DatabaseTest {
 protected:
  void SetUp() override {
    for (const char* table : {"RECEBER_001", "RECEBER_002", "BORDERO_001", "BORDERO_NUMERO_001", "PAGTO_001"})
      exec(std::string("DELETE FROM ") + table);
    Tabela.IBTransaction.CommitRetaining();
  }

  // A title with every written property set to a value of its own.
  static void fill(TRecDuplicata& d) {
    d.Numero = "001234/1";
    d.CodCli = "000501";
    d.CodRep = "R01";
    d.CodRep2 = "R02";
    d.Fatura = "001234";
    d.Valor = Currency::FromRaw(987654321098765432);  // 98765432109876.5432: beyond a double's digits
    d.ValorFatura = Currency::FromRaw(30000001);      // 3000.0001
    d.ValorPago = Currency::FromRaw(1000000);         // 100
    d.Juros = Currency::FromRaw(990000);              // never written
    d.Devolucao = Currency::FromRaw(50000);           // 5
    d.Desconto = Currency::FromRaw(12345);            // 1.2345
    d.DataVencimento = EncodeDate(2026, 3, 31);
    d.DataEmissao = EncodeDate(2026, 1, 30);
    d.DataPrevisao = EncodeDate(2026, 4, 2);
    d.DataOriginal = EncodeDate(2020, 1, 1);  // never written
    d.QtdePecas = 12.5;
    d.Historico = "VENDA";
    d.Classe = "1.01";
    d.Banco = "341";
    d.Situacao = "C";
    d.Comissao1 = Currency::FromRaw(25000);
    d.Comissao2 = Currency::FromRaw(12500);
    d.Comissao3 = Currency::FromRaw(10000);
    d.Comissao4 = Currency::FromRaw(5);
    d.ValorIPI = Currency::FromRaw(1500000);
    d.Despesas = Currency::FromRaw(33333);
    d.ValorSubst = Currency::FromRaw(777777);
    d.Pedido = "PED-9";
    d.NumeroCupom = 4321;
    d.Taxa = Currency::FromRaw(2);
    d.Observacao = "OBS";
    d.NrBanco = "NN123";
    d.TipoFat = "FT";
    d.CH_Numero = "CH1";
    d.CH_Banco = "001";
    d.CH_Conta = "C-1";
    d.CH_Agencia = "AG";
    d.CH_Emissor = "EMISSOR";
    d.NumeroCaixas = 3;
    d.PesoLiquido = 10.25;
    d.PesoBruto = 11.75;
    d.Aliquota = 18;
    d.Transporte = "T01";
    d.Lancamento = "L77";
    d.Frete = 45.5;
  }

  // The column of the title `numero` as the engine casts it to text (numbers with a
  // point and all their decimals, dates yyyy-mm-dd, NULL as "").
  // A column's value as text. Firebird writes a DOUBLE PRECISION with 16
  // significant digits ("12.50000000000000"); PostgreSQL writes it shortest,
  // so there it is written Firebird's way for the comparison.
  static std::string column(const std::string& table, const std::string& name, const std::string& numero) {
    std::string v =
        text("SELECT CAST(" + name + " AS VARCHAR(40)) FROM " + table + " WHERE NUMERO = :N", {numero});
    if (test::on_postgres() && !v.empty() &&
        number("SELECT COUNT(*) FROM information_schema.columns WHERE table_name = '" + LowerCase(table) +
               "' AND column_name = '" + LowerCase(name) + "' AND data_type = 'double precision'") > 0) {
      const double d = std::strtod(v.c_str(), nullptr);
      int integer_digits = 1;
      for (double m = std::fabs(d); m >= 10; m /= 10) ++integer_digits;
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*f", 16 - integer_digits, d);
      v = buf;
    }
    return v;
  }
};

struct Expected {
  const char* column;
  const char* value;
};

TEST_F(RecDuplicata, NewTitleStoresEveryPropertyExactlyWithInterestZeroAndItsCreationAmountAndDueDate) {
  TRecDuplicata d(TStatusDuplicata::tpCheque);
  fill(d);
  d.IncluiDuplicata();
  const Expected kCases[] = {
      {"CODCLI", "000501"},
      {"CODREP", "R01"},
      {"CODREP2", "R02"},
      {"FATURA", "001234"},
      {"VALOR2", "98765432109876.5432"},
      {"VAL_ORIGIN", "98765432109876.5432"},
      {"VALOR", "3000.0001"},
      {"VALOR_PAGO", "100.0000"},
      {"JUROS", "0.0000"},
      {"VAL_DEV", "5.0000"},
      {"DESCONTO", "1.2345"},
      {"DT_VENCTO", "2026-03-31"},
      {"ORIGINAL", "2026-03-31"},
      {"DT_EMISSAO", "2026-01-30"},
      {"DT_PREVISAO", "2026-04-02"},
      {"QUANT", "12.50000000000000"},
      {"HISTORICO", "VENDA"},
      {"CLASSE", "1.01"},
      {"BANCO", "341"},
      {"SITUACAO", "C"},
      {"COM1", "2.5000"},
      {"COM2", "1.2500"},
      {"COM3", "1.0000"},
      {"COM4", "0.0005"},
      {"VAL_IPI", "150.0000"},
      {"DESPESAS", "3.3333"},
      {"VAL_SUBST", "77.7777"},
      {"PEDIDO", "PED-9"},
      {"NRO_CUPOM", "4321"},
      {"TAXA", "0.0002"},
      {"OBS", "OBS"},
      {"NRBANCO", "NN123"},
      {"TIPFAT", "FT"},
      {"NUMERO_CH", "CH1"},
      {"BANCO_CH", "001"},
      {"CONTA_CH", "C-1"},
      {"AGENCIA_CH", "AG"},
      {"EMISSOR_CH", "EMISSOR"},
      {"STATUS", "CH"},
      {"NUM_CX", "3"},
      {"PESOL", "10.25000000000000"},
      {"PESOB", "11.75000000000000"},
      {"ALIQUOTA", "18.00000000000000"},
      {"TRANSPORT", "T01"},
      {"LANCAMENTO", "L77"},
      {"FRETE", "45.50000000000000"},
      {"DT_STATUS", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(column("RECEBER_001", c.column, "001234/1"), c.value);
  }
  // The object keeps its properties: the next instalment changes only what differs.
  d.Numero = "001234/2";
  d.Valor = Currency::FromRaw(10000);
  d.IncluiDuplicata();
  EXPECT_EQ(column("RECEBER_001", "VALOR2", "001234/2"), "1.0000");
  EXPECT_EQ(column("RECEBER_001", "CODCLI", "001234/2"), "000501");
}

TEST_F(RecDuplicata, StatusCodesFollowTheKindOfTitle) {
  const struct {
    TStatusDuplicata status;
    const char* code;
  } kCases[] = {
      {TStatusDuplicata::tpDuplicata, "N"},  {TStatusDuplicata::tpAntecipacao, "A"},
      {TStatusDuplicata::tpOrcamento, "O"},  {TStatusDuplicata::tpCheque, "CH"},
      {TStatusDuplicata::tpCancelada, "C"},  {TStatusDuplicata::tpDesdobrada, "D"},
      {TStatusDuplicata::tpAgrupada, "G"},   {TStatusDuplicata::tpDevolucao, "DV"},
      {TStatusDuplicata::tpChequeDev, "CD"},
  };
  TRecDuplicata d;
  EXPECT_EQ(d.StatusDuplicata(), "N");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    d.Status = c.status;
    d.Numero = std::string("S-") + c.code;
    EXPECT_EQ(d.StatusDuplicata(), c.code);
    d.IncluiDuplicata();
    EXPECT_EQ(column("RECEBER_001", "STATUS", d.Numero), c.code);
  }
}

TEST_F(RecDuplicata, RewriteKeepsPaymentsCreationValuesAndStatusAndStampsToday) {
  TRecDuplicata d(TStatusDuplicata::tpDuplicata);
  fill(d);
  d.IncluiDuplicata();
  // What the payment and return screens wrote since.
  exec(
      "UPDATE RECEBER_001 SET VALOR_PAGO = 10.5, JUROS = 2.25, VAL_DEV = 1.5, DESCONTO = 0.75, "
      "VAL_ORIGIN = 500, ORIGINAL = '2026-02-28', TIPFAT = 'XX', STATUS = 'A', LANCAMENTO = 'L1' "
      "WHERE NUMERO = '001234/1'");
  // Every property changed, those the rewrite must not write included.
  d.CodCli = "000502";
  d.Valor = Currency::FromRaw(12345678);
  d.ValorPago = Currency::FromRaw(1);
  d.Juros = Currency::FromRaw(1);
  d.Devolucao = Currency::FromRaw(1);
  d.Desconto = Currency::FromRaw(1);
  d.DataVencimento = EncodeDate(2026, 6, 30);
  d.TipoFat = "ZZ";
  d.Status = TStatusDuplicata::tpCancelada;
  d.Lancamento = "L2";
  d.Historico = "RENEGOCIADO";
  d.ValorIPI = Currency::FromRaw(20000);
  d.Frete = 1.25;
  d.AlteraDuplicata();

  const std::string today = FormatDateTime("YYYY-MM-DD", Date());
  const Expected kCases[] = {
      // kept
      {"VALOR_PAGO", "10.5000"},
      {"JUROS", "2.2500"},
      {"VAL_DEV", "1.5000"},
      {"DESCONTO", "0.7500"},
      {"VAL_ORIGIN", "500.0000"},
      {"ORIGINAL", "2026-02-28"},
      {"TIPFAT", "XX"},
      {"STATUS", "A"},
      {"LANCAMENTO", "L1"},
      // rewritten
      {"CODCLI", "000502"},
      {"VALOR2", "1234.5678"},
      {"DT_VENCTO", "2026-06-30"},
      {"HISTORICO", "RENEGOCIADO"},
      {"VAL_IPI", "2.0000"},
      {"FRETE", "1.250000000000000"},
      {"DT_STATUS", today.c_str()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(column("RECEBER_001", c.column, "001234/1"), c.value);
  }
}

TEST_F(RecDuplicata, EmpresaAddressesThatCompanysTableDirectly) {
  // The session's company is 001: its table is bypassed.
  TRecDuplicata d;
  d.Empresa = "_002";
  d.Numero = "E-1";
  d.Valor = Currency::FromRaw(100000);
  d.IncluiDuplicata();
  d.Valor = Currency::FromRaw(200000);
  d.AlteraDuplicata();
  EXPECT_EQ(column("RECEBER_002", "VALOR2", "E-1"), "20.0000");
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001"), 0);

  // A suffix that is not one could change the statement: refused, nothing written.
  for (const char* empresa : {"_002 (NUMERO) VALUES ('X'); --", "_002'", "_00 2"}) {
    SCOPED_TRACE(empresa);
    d.Empresa = empresa;
    d.Numero = "E-2";
    try {
      d.IncluiDuplicata();
      ADD_FAILURE() << "accepted";
    } catch (const EDatabaseError&) {
      ADD_FAILURE() << "reached the database";
    } catch (const EZpkError& e) {
      EXPECT_NE(std::string(e.what()).find("Empresa"), std::string::npos) << e.what();
    }
    EXPECT_THROW(d.AlteraDuplicata(), EZpkError);
  }
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_002"), 1);
}

TEST_F(RecDuplicata, HostileTextsAreStoredAsTypedOrRefusedByColumnWithNothingWritten) {
  const struct {
    std::string historico;
    std::string codcli;
    const char* refused_column;  // nullptr: stored as typed
  } kCases[] = {
      {"O'NEIL; DROP TABLE RECEBER_001 --", "000503", nullptr},
      {"--", "0'5", nullptr},
      {"';", "000503", nullptr},
      {std::string(61, 'H'), "000503", "HISTORICO"},
      {"OK", "00050300000", "CODCLI"},
  };
  for (const bool rewrite : {false, true}) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.historico + (rewrite ? " (rewrite)" : " (new)"));
      exec("DELETE FROM RECEBER_001");
      TRecDuplicata d;
      d.Numero = "H-1";
      if (rewrite) {
        d.Historico = "BEFORE";
        d.IncluiDuplicata();
      }
      d.Historico = c.historico;
      d.CodCli = c.codcli;
      d.Valor = Currency::FromRaw(70000);
      if (c.refused_column) {
        try {
          rewrite ? d.AlteraDuplicata() : d.IncluiDuplicata();
          ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
          EXPECT_TRUE(e.is_truncation()) << e.what();
          EXPECT_EQ(std::string(e.message()).rfind(c.refused_column, 0), 0u) << e.message();
        }
        EXPECT_EQ(test::rows("SELECT HISTORICO, VALOR2 FROM RECEBER_001"),
                  rewrite ? std::vector<std::string>{"BEFORE|0"} : std::vector<std::string>{});
      } else {
        rewrite ? d.AlteraDuplicata() : d.IncluiDuplicata();
        EXPECT_EQ(column("RECEBER_001", "HISTORICO", "H-1"), c.historico);
        EXPECT_EQ(column("RECEBER_001", "CODCLI", "H-1"), c.codcli);
        EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001"), 1);
      }
    }
  }
}

TEST_F(RecDuplicata, DuplicateNumberAndMissingTitleAreRaised) {
  TRecDuplicata d;
  d.Numero = "D-1";
  d.Valor = Currency::FromRaw(10000);
  d.IncluiDuplicata();
  d.Valor = Currency::FromRaw(90000);
  try {
    d.IncluiDuplicata();
    ADD_FAILURE() << "a second title D-1 was accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.kind(), DatabaseErrorKind::unique_violation);
  }
  EXPECT_EQ(column("RECEBER_001", "VALOR2", "D-1"), "1.0000");

  d.Numero = "NOT-THERE";
  EXPECT_THROW(d.AlteraDuplicata(), EZpkError);
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001"), 1);
}

TEST_F(RecDuplicata, DatabaseRetargetsTheWritesAndNothingIsCommitted) {
  test::OtherStation other;
  TRecDuplicata d;
  EXPECT_EQ(d.Database(), &Tabela.IBDatabase);
  d.Database = &other.db();
  d.Numero = "DB-1";
  d.IncluiDuplicata();
  // Written on the other connection and not committed: the shared one does not see it.
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001"), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001", {}, other.db()), 1);
  other.db().DefaultTransaction().Rollback();
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001", {}, other.db()), 0);

  d.Database = nullptr;  // back to the shared connection
  d.IncluiDuplicata();
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001"), 1);
  EXPECT_EQ(number("SELECT COUNT(*) FROM RECEBER_001", {}, other.db()), 0);
}

class ProximoBordero : public RecDuplicata {};

TEST_F(ProximoBordero, StartsAtOneForEveryKind) {
  for (const char* tipo : {"R", "P", "X", ""}) {
    SCOPED_TRACE(tipo);
    EXPECT_EQ(ProximoNumeroBordero(tipo), "000001");
  }
}

TEST_F(ProximoBordero, LowerCaseIsUpperCaseAndNumbersCarriedByTitlesAreSkipped) {
  exec("INSERT INTO BORDERO_001 (NUMERO, TIPO) VALUES (41, 'R')");
  exec("INSERT INTO BORDERO_001 (NUMERO, TIPO) VALUES (99, 'P')");
  for (const char* numero : {"T-1", "T-2", "T-3"}) {
    exec("INSERT INTO RECEBER_001 (NUMERO, BORDERO) VALUES (:N, :B)",
         {numero, numero[2] == '3' ? 45 : 41 + (numero[2] - '0')});
  }  // titles carry batches 42, 43 and 45
  EXPECT_EQ(ProximoNumeroBordero("r"), "000044");
  EXPECT_EQ(ProximoNumeroBordero("R"), "000046");  // 44 is taken, 45 carried by a title
  EXPECT_EQ(ProximoNumeroBordero("p"), "000100");
  // Taken and committed at once: another station sees the numbers.
  test::OtherStation other;
  EXPECT_EQ(test::rows("SELECT TIPO || NUMERO FROM BORDERO_NUMERO_001 ORDER BY TIPO, NUMERO", {}, other.db()),
            (std::vector<std::string>{"P100", "R44", "R46"}));
}

TEST_F(ProximoBordero, PayablesSkipTheirBatchesUntilALotIsNoNumber) {
  const struct {
    std::vector<const char*> lotes;
    const char* expected;
  } kCases[] = {
      {{"5", "6", "9"}, "000007"},
      {{"5", "6", "X9"}, "000005"},  // the check fails on X9 and stops quietly at 5
      {{"0", "00"}, "000005"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.expected);
    exec("DELETE FROM PAGTO_001");
    exec("DELETE FROM BORDERO_NUMERO_001");
    exec("UPDATE OR INSERT INTO BORDERO_001 (NUMERO, TIPO) VALUES (4, 'P') MATCHING (NUMERO, TIPO)");
    int i = 0;
    for (const char* lote : c.lotes)
      exec("INSERT INTO PAGTO_001 (NUM_AP, LOTE) VALUES (:N, :L)", {++i, lote});
    Tabela.IBTransaction.CommitRetaining();
    EXPECT_EQ(ProximoNumeroBordero("P"), c.expected);
  }
}

TEST_F(ProximoBordero, LeavesTheCallersWorkUncommittedAndRefusesALongKind) {
  exec("INSERT INTO BORDERO_001 (NUMERO, TIPO) VALUES (7, 'R')");  // not committed
  EXPECT_EQ(ProximoNumeroBordero("R"), "000008");
  test::OtherStation other;
  EXPECT_EQ(number("SELECT COUNT(*) FROM BORDERO_001", {}, other.db()), 0);

  try {
    ProximoNumeroBordero("RR");
    ADD_FAILURE() << "accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_TRUE(e.is_truncation()) << e.what();
    EXPECT_EQ(e.message().rfind("TIPO", 0), 0u) << e.message();
  }
  EXPECT_EQ(number("SELECT COUNT(*) FROM BORDERO_NUMERO_001", {}, other.db()), 1);
}

}  // namespace
}  // namespace zpk
