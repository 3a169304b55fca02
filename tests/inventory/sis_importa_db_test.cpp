// Importing files on a real database: movement files posted once each, with
// and without stock posting; table sections inserted and updated with values
// stored as typed; hostile lines reported by number and skipped with nothing
// of theirs left behind; the in-memory mode.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/session.hpp"
#include "inventory/sis_importa.hpp"
#include "inventory/trans_dataset.hpp"
#include "platform/dataset/client_dataset.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/multi_station.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

using test::exec;
using test::number;
using test::rows;
using test::text;

class SisImportaTest : public test::DatabaseTest {
 protected:
  static void SetUpTestSuite() {
    test::DatabaseTest::SetUpTestSuite();
    // A table of our own for the table sections: a text key, texts, a number,
    // a date and a blob.
    exec(
        "CREATE TABLE IMP_TESTE_001 (CODIGO VARCHAR(10) NOT NULL PRIMARY KEY, NOME VARCHAR(20), "
        "VALOR NUMERIC(18,4), DATA DATE, FOTO BLOB SUB_TYPE 0)");
    Tabela.IBTransaction.Commit();
  }
  void SetUp() override { vUsuario = "ADMIN"; }
  void TearDown() override {
    vUsuario.clear();
    test::DatabaseTest::TearDown();
  }

  // Writes the file (and its companion when `blob` is given) and imports it.
  TSisImporta& import(const std::string& content, bool estoque, std::optional<std::string> blob = {},
                      TImpModo modo = imSQL) {
    test::write_file(folder_ / "carga.txt", content);
    if (blob) test::write_file(folder_ / "carga.Blob", *blob);
    dialogs_.clear();
    imp_ = std::make_unique<TSisImporta>();
    imp_->Arquivo = (folder_ / "carga.txt").string();
    imp_->Estoque = estoque;
    imp_->Modo = modo;
    imp_->Importar();
    return *imp_;
  }
  // The line numbers of the error boxes shown, in order.
  std::vector<std::string> error_boxes() const {
    std::vector<std::string> out;
    for (const auto& r : dialogs_.records()) {
      if (r.caption == "Erro.") out.push_back(r.text.substr(r.text.rfind(' ') + 1));
    }
    return out;
  }

  test::TempFolder folder_{"import"};
  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
  std::unique_ptr<TSisImporta> imp_;
};

// A movement file of another installation: two product items (their exit is
// our entry, their entry our exit) and a material.
const std::string kMovimentos =
    ";PA_MOV-CODIGO,COR,TAMANHO\n"
    "CODIGO   COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO ORDEM OPERACAO QTDE   CUSTO PRECO BARRA\n"
    "IM-T01   01  M       L1   1    0001     000501    1     S        10.5   4.25  9.90  7890000000017\n"
    "IM-T02   02  G       L1   1    0001     000502    2     E        3      4     9     7890000000024\n"
    ";MAT_MOV-CODIGO,COR\n"
    "CODIGO   COR LOTE DEPOSITO TIPO NUM_DOCTO OPERACAO QTDE   CUSTO PRECO\n"
    "IM-M01   CRU L9   0001     MP   000777    S        120.5  2.5   2.75\n";

TEST_F(SisImportaTest, AMovementFilePostsEachMovementOnceHoweverOftenItIsImported) {
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    TSisImporta& imp = import(kMovimentos, true);
    EXPECT_TRUE(imp.errors().empty());
    // First run: 3 balance rows and 3 journal rows; second: nothing.
    EXPECT_EQ(imp.inserted(), run == 1 ? 6 : 0);
    EXPECT_EQ(imp.changed(), 0);
    EXPECT_EQ(dialogs_.last().caption, "Importação");
    EXPECT_EQ(dialogs_.last().text,
              run == 1 ? "Importação Concluída.\r6 registros importados.\n0 registros alterados."
                       : "Importação Concluída.\r0 registros importados.\n0 registros alterados.");
    EXPECT_EQ(rows("SELECT CODIGO, COR, TAM, LOTE, TIPO, DEPOSITO, QUANTIDADE, BARRA FROM PA_ITEN_001 "
                   "WHERE CODIGO LIKE 'IM-%' ORDER BY CODIGO"),
              (std::vector<std::string>{"IM-T01|01|M|L1|1|0001|10,5|7890000000017",
                                        "IM-T02|02|G|L1|1|0001|-3|7890000000024"}));
    EXPECT_EQ(rows("SELECT CODIGO, DESCRICAO, ORDEM, OPERACAO, QTDE, CUSTO, PRECO, TP_MOV, "
                   "IIF(DT_MVTO = CURRENT_DATE, 'today', 'other') FROM PA_MOV_001 WHERE CODIGO LIKE 'IM-%' "
                   "ORDER BY CODIGO"),
              (std::vector<std::string>{"IM-T01|000501|1|E|10,5|4,25|9,9|IT|today",
                                        "IM-T02|000502|2|S|3|4|9|IT|today"}));
    EXPECT_EQ(
        rows(
            "SELECT CODIGO, COR, LOTE, DEPOSITO, QTDE, PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO LIKE 'IM-%'"),
        (std::vector<std::string>{"IM-M01|CRU|L9|0001|120,5|2,75"}));
    EXPECT_EQ(
        rows("SELECT TIPO, DESCRICAO, OPERACAO, QTDE, TP_MOV FROM MAT_MOV_001 WHERE CODIGO LIKE 'IM-%'"),
        (std::vector<std::string>{"MP|000777|E|120,5|IT"}));
  }
  // The products share one new document number, the material another.
  EXPECT_EQ(number("SELECT COUNT(DISTINCT NUM_DOCTO) FROM PA_MOV_001 WHERE CODIGO LIKE 'IM-%'"), 1);
  EXPECT_NE(text("SELECT MAX(NUM_DOCTO) FROM PA_MOV_001 WHERE CODIGO LIKE 'IM-%'"), "000501");

  // A new movement of the same items in a later file moves the balances that exist.
  import(
      ";PA_MOV-CODIGO\n"
      "CODIGO COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO ORDEM OPERACAO QTDE\n"
      "IM-T01 01  M       L1   1    0001     000601    1     E        0.5\n"
      ";MAT_MOV-CODIGO\n"
      "CODIGO COR LOTE DEPOSITO NUM_DOCTO OPERACAO QTDE PRECO\n"
      "IM-M01 CRU L9   0001     000778    E        20.5\n",
      true);
  EXPECT_EQ(imp_->changed(), 2);
  EXPECT_EQ(number("SELECT QUANTIDADE FROM PA_ITEN_001 WHERE CODIGO = 'IM-T01'"), 10);
  // A movement without a price keeps the material's average price.
  EXPECT_EQ(text("SELECT QTDE || '/' || PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'IM-M01'"),
            "100.0000/2.7500");
}

TEST_F(SisImportaTest, WithoutStockPostingBalancesAreCreatedAtZeroAndNothingIsJournalled) {
  exec(
      "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE, BARRA) "
      "VALUES ('IM-T02', '02', 'G', '1', '0001', 'L1', 7, 'OLD')");
  Tabela.IBTransaction.Commit();
  TSisImporta& imp = import(kMovimentos, false);
  EXPECT_TRUE(imp.errors().empty());
  EXPECT_EQ(imp.inserted(), 2);  // IM-T01's balance and the material's
  EXPECT_EQ(imp.changed(), 0);
  EXPECT_EQ(
      rows("SELECT CODIGO, QUANTIDADE, BARRA FROM PA_ITEN_001 WHERE CODIGO LIKE 'IM-%' ORDER BY CODIGO"),
      (std::vector<std::string>{"IM-T01|0|7890000000017", "IM-T02|7|7890000000024"}));
  EXPECT_EQ(text("SELECT QTDE || '/' || PRECO_MED FROM MAT_ITEN_001 WHERE CODIGO = 'IM-M01'"),
            "0.0000/2.7500");
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_MOV_001 WHERE CODIGO LIKE 'IM-%'"), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM MAT_MOV_001 WHERE CODIGO LIKE 'IM-%'"), 0);
}

TEST_F(SisImportaTest, QualityAndDepositGivenForTheRunReplaceTheFilesOwn) {
  test::write_file(folder_ / "q.txt", kMovimentos);
  TSisImporta imp;
  imp.Arquivo = (folder_ / "q.txt").string();
  imp.Estoque = true;
  imp.Qualidade = "2";
  imp.Deposito = "0009";
  imp.Importar();
  EXPECT_EQ(rows("SELECT CODIGO, TIPO, DEPOSITO FROM PA_ITEN_001 WHERE CODIGO LIKE 'IM-%' ORDER BY CODIGO"),
            (std::vector<std::string>{"IM-T01|2|0009", "IM-T02|2|0009"}));
  EXPECT_EQ(rows("SELECT TIPO, DEPOSITO FROM PA_MOV_001 WHERE CODIGO = 'IM-T01'"),
            (std::vector<std::string>{"2|0009"}));
  EXPECT_EQ(rows("SELECT TIPO, DEPOSITO FROM MAT_MOV_001 WHERE CODIGO = 'IM-M01'"),
            (std::vector<std::string>{"MP|0009"}));
}

TEST_F(SisImportaTest, TableSectionsInsertThenUpdateWithValuesStoredAsTyped) {
  // Empty values: a text '', a number 0, a date NULL. Quotes and SQL
  // punctuation are stored as they are written.
  TSisImporta& imp = import(
      ";IMP_TESTE-CODIGO\n"
      "CODIGO NOME                VALOR    DATA\n"
      "A1     O'Neil; -- x        12.5     2025-03-31\n"
      "A2\n",
      false);
  EXPECT_TRUE(imp.errors().empty());
  EXPECT_EQ(imp.inserted(), 2);
  EXPECT_EQ(rows("SELECT CODIGO, NOME, VALOR, COALESCE(CAST(DATA AS VARCHAR(10)), 'null') FROM IMP_TESTE_001 "
                 "ORDER BY CODIGO"),
            (std::vector<std::string>{"A1|O'Neil; -- x|12,5|2025-03-31", "A2||0|null"}));

  // The same keys again update the other columns.
  import(";IMP_TESTE-CODIGO\nCODIGO NOME\nA1     Ana\n", false);
  EXPECT_EQ(imp_->inserted(), 0);
  EXPECT_EQ(imp_->changed(), 1);
  EXPECT_EQ(text("SELECT NOME FROM IMP_TESTE_001 WHERE CODIGO = 'A1'"), "Ana");

  // A section of one column never updates: the row stays as it was.
  import(";IMP_TESTE-NOME\nNOME\nAna\n", false);
  EXPECT_EQ(imp_->inserted() + imp_->changed(), 0);
  EXPECT_TRUE(imp_->errors().empty());
  EXPECT_EQ(rows("SELECT CODIGO, NOME FROM IMP_TESTE_001 ORDER BY CODIGO"),
            (std::vector<std::string>{"A1|Ana", "A2|"}));
}

TEST_F(SisImportaTest, BlobsComeFromTheCompanionInOrder) {
  const std::string bytes("\x00\xFF\x01photo1\xC3", 10);
  TSisImporta& imp = import(
      ";IMP_TESTE-CODIGO\n"
      "CODIGO FOTO\n"
      "B1     \\Blob:4\n"
      "B2     \\Blob:6\n",
      false, bytes);
  EXPECT_TRUE(imp.errors().empty());
  // The bytes as they are: Firebird casts them to a binary text, PostgreSQL reads the BYTEA itself.
  EXPECT_EQ(text(test::on_postgres() ? "SELECT FOTO FROM IMP_TESTE_001 WHERE CODIGO = 'B1'"
                                     : "SELECT CAST(FOTO AS VARCHAR(10) CHARACTER SET OCTETS) FROM "
                                       "IMP_TESTE_001 WHERE CODIGO = 'B1'"),
            bytes.substr(0, 4));
  EXPECT_EQ(number("SELECT OCTET_LENGTH(FOTO) FROM IMP_TESTE_001 WHERE CODIGO = 'B2'"), 6);
}

// Each broken line is reported with its number and leaves nothing behind;
// the lines around it are imported.
TEST_F(SisImportaTest, HostileLinesAreReportedByNumberAndSkippedWholly) {
  const struct {
    const char* name;
    std::string file;
    std::optional<std::string> blob;
    std::vector<std::string> boxes;   // line numbers of the error boxes
    std::vector<std::string> stored;  // IMP_TESTE_001 codes afterwards
  } kCases[] = {
      {"blob without companion", ";IMP_TESTE-CODIGO\nCODIGO FOTO\nC1     \\Blob:3\nC2\n", {}, {"3"}, {"C2"}},
      {"short companion",
       ";IMP_TESTE-CODIGO\nCODIGO FOTO\nC1     \\Blob:3\nC2     \\Blob:9\n",
       "abcd",
       {"4"},
       {"C1"}},
      {"blob count not a number",
       ";IMP_TESTE-CODIGO\nCODIGO FOTO\nC1     \\Blob:x\nC2     \\Blob:1\nC3\n",
       "ab",
       {"3", "4"},
       {"C3"}},
      {"text too long for its column",
       ";IMP_TESTE-CODIGO\nCODIGO NOME\nC1     " + std::string(21, 'n') + "\nC2\n",
       {},
       {"3"},
       {"C2"}},
      {"number that is not one",
       ";IMP_TESTE-CODIGO\nCODIGO VALOR\nC1     1,5\nC2     2\n",
       {},
       {"3"},
       {"C2"}},
      {"broken UTF-8", ";IMP_TESTE-CODIGO\nCODIGO NOME\nC1     \xC3(\nC2\n", {}, {"3"}, {"C2"}},
      {"column the table lacks",
       ";IMP_TESTE-CODIGO\nCODIGO SENHA\nC1     x\n;IMP_TESTE-CODIGO\nCODIGO\nC2\n",
       {},
       {"1"},
       {"C2"}},
      {"table the database lacks", ";NAO_EXISTE-CODIGO\nCODIGO\nC1\n", {}, {"1"}, {}},
      {"statement in the table name",
       ";IMP_TESTE_001;DELETE FROM IMP_TESTE_001-CODIGO\nCODIGO\nC1\n",
       {},
       {"1"},
       {}},
      {"statement in a column name", ";IMP_TESTE-CODIGO\nCODIGO NOME)VALUES('X');--\nC1\n", {}, {"2"}, {}},
      {"section without columns", ";IMP_TESTE-CODIGO\n;IMP_TESTE-CODIGO\nCODIGO\nC1\n", {}, {"1"}, {"C1"}},
      {"key missing from the header", ";IMP_TESTE-CODIGO,NOME\nCODIGO\nC1\n", {}, {"1"}, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    exec("DELETE FROM IMP_TESTE_001");
    Tabela.IBTransaction.Commit();
    std::filesystem::remove(folder_ / "carga.Blob");
    TSisImporta& imp = import(c.file, false, c.blob);
    EXPECT_EQ(error_boxes(), c.boxes);
    ASSERT_EQ(imp.errors().size(), c.boxes.size());
    if (!c.boxes.empty()) {
      EXPECT_EQ(std::to_string(imp.errors().front().linha), c.boxes.front());
    }
    EXPECT_EQ(rows("SELECT CODIGO FROM IMP_TESTE_001 ORDER BY CODIGO"), c.stored);
  }
}

// A movement whose journal row cannot be written leaves its balance as it
// was; bad quantities and operations are refused before anything is written.
TEST_F(SisImportaTest, AMovementIsPostedWhollyOrNotAtAll) {
  const std::string head =
      ";PA_MOV-CODIGO\nCODIGO COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO OPERACAO QTDE TIP_BAI\n";
  const struct {
    const char* name;
    std::string record;
  } kCases[] = {
      {"journal column too long",
       "IM-B01 01  M       L1   1    0001     000900    S        2    TIPOLONGO123"},
      {"quantity not a number", "IM-B01 01  M       L1   1    0001     000901    S        2x"},
      {"quantity negative", "IM-B01 01  M       L1   1    0001     000902    S        -2"},
      {"quantity zero", "IM-B01 01  M       L1   1    0001     000903    S        0"},
      {"operation unknown", "IM-B01 01  M       L1   1    0001     000904    X        2"},
  };
  exec(
      "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) "
      "VALUES ('IM-B01', '01', 'M', '1', '0001', 'L1', 5)");
  Tabela.IBTransaction.Commit();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TSisImporta& imp = import(head + c.record + "\n", true);
    EXPECT_EQ(error_boxes(), std::vector<std::string>{"3"});
    EXPECT_EQ(imp.inserted() + imp.changed(), 0);
    EXPECT_EQ(number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001 WHERE CODIGO STARTING WITH 'IM-B01'"), 5);
    EXPECT_EQ(number("SELECT COUNT(*) FROM PA_MOV_001 WHERE CODIGO STARTING WITH 'IM-B01'"), 0);
  }
  // A movement section that lacks what posting needs is refused as a whole.
  import(";PA_MOV-CODIGO\nCODIGO QTDE\nIM-B01 1\n", true);
  EXPECT_EQ(error_boxes(), std::vector<std::string>{"1"});
  EXPECT_EQ(imp_->skipped(), 1);
}

TEST_F(SisImportaTest, SqlTextOfValuesAndDefaults) {
  TSisImporta imp;
  const TPosicoes cols{{1, 7, "CODIGO"}, {8, 6, "DT_MVTO"}, {14, 5, "QTDE"}, {19, 8, "FOTO"}};
  const std::string line = "O'X" + std::string(15, ' ') + "\\Blob:3";
  EXPECT_EQ(imp.ValorCampo(cols, "PA_MOV", "CODIGO,DT_MVTO,QTDE", line, false), "'O''X',null,0");
  EXPECT_EQ(imp.ValorCampo(cols, "PA_MOV", "FOTO", line, false), ":FOTO");
  EXPECT_EQ(imp.ValorCampo(cols, "PA_MOV", "FOTO", line, true), "\\Blob:3");
  const struct {
    const char* campo;
    const char* sql;
    const char* dataset;
  } kDefaults[] = {
      {"CODIGO", "''", "''"},   {"QTDE", "0", "0"},      {"ORDEM", "0", "0"},
      {"DT_MVTO", "null", "0"}, {"BARRA28", "''", "''"}, {"NAO_EXISTE", "''", "''"},
  };
  TSisImporta ds;
  ds.Modo = imDataSet;
  for (const auto& c : kDefaults) {
    SCOPED_TRACE(c.campo);
    EXPECT_EQ(imp.ValorPadrao("PA_MOV", c.campo), c.sql);
    EXPECT_EQ(ds.ValorPadrao("PA_MOV", c.campo), c.dataset);
  }
  TPosicoes header;
  imp.CriaCampos("CODIGO COR   QTDE", header);
  EXPECT_EQ(header, (TPosicoes{{1, 7, "CODIGO"}, {8, 6, "COR"}, {14, 4, "QTDE"}}));
}

TEST_F(SisImportaTest, DataSetModeFillsTheDataSetAndWritesNothing) {
  TSisImporta& imp = import(
      ";PA_MOV-CODIGO\n"
      "CODIGO NOME  QTDE  DT_MVTO\n"
      "IM-D01 O'X   12.5  03/31/2025\n"
      "IM-D02       1,25\n",
      true, {}, imDataSet);
  EXPECT_TRUE(imp.errors().empty());
  EXPECT_EQ(imp.inserted(), 2);
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_ITEN_001 WHERE CODIGO LIKE 'IM-%'"), 0);
  EXPECT_EQ(number("SELECT COUNT(*) FROM PA_MOV_001 WHERE CODIGO LIKE 'IM-%'"), 0);
  TClientDataSet& ds = imp.DataSet();
  ASSERT_EQ(ds.RecordCount(), 2);
  ds.First();
  EXPECT_EQ(ds.FieldByName("NOME").AsString(), "OX");  // quotes are removed
  EXPECT_EQ(ds.FieldByName("NOME").Size(), 6);
  EXPECT_EQ(imp.Valor("QTDE", ftFloat).AsFloat(), 12.5);
  EXPECT_EQ(imp.Valor("DT_MVTO", ftDate).AsDateTime(), EncodeDate(2025, 3, 31));
  ds.Next();
  EXPECT_EQ(imp.Valor("QTDE", ftFloat).AsFloat(), 1.25);
  EXPECT_EQ(ds.FieldByName("DT_MVTO").AsString(), "0");  // an empty date is "0" here

  // The rows copied into another dataset, with its structure.
  TClientDataSet copia;
  TTransDataSet t;
  t.TabelaOrigem = &ds;
  t.TabelaDestino = &copia;
  t.CriaCampos();
  copia.CreateDataSet();
  t.TransfereDados();
  ASSERT_EQ(copia.RecordCount(), 2);
  copia.Last();
  EXPECT_EQ(copia.FieldByName("CODIGO").AsString(), "IM-D02");
  EXPECT_EQ(copia.FieldByName("QTDE").Size(), 6);
  EXPECT_EQ(copia.FieldByName("DT_MVTO").AsString(), "0");
  copia.First();
  EXPECT_EQ(copia.FieldByName("DT_MVTO").AsString(), "03/31/2025");
}

TEST_F(SisImportaTest, AMissingFileIsShownAndNothingRuns) {
  TSisImporta imp;
  imp.Arquivo = (folder_ / "nao_existe.txt").string();
  imp.Importar();
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().caption, "Importação");
  EXPECT_EQ(dialogs_.last().text, "Arquivo não Existe");
}

// Four stations importing the same movement file at the same moment, through
// the server: every movement is posted exactly once, and every balance equals
// what its journal adds up to.
class SisImportaStations : public test::ServerTest {};

TEST_F(SisImportaStations, TheSameFileImportedByFourStationsAtOncePostsEachMovementOnce) {
  constexpr int kLines = 200;
  test::TempFolder folder("import-stations");
  std::string file =
      ";PA_MOV-CODIGO\n"
      "CODIGO COR TAMANHO LOTE TIPO DEPOSITO NUM_DOCTO OPERACAO QTDE\n";
  for (int i = 0; i < kLines; ++i) {
    // Five items, two of which have no balance row yet: the stations race to create them.
    file += fmt::format("IM-S0{} 01  M       L1   1    0001     {:06}    {}        {}\n", i % 5, i,
                        i % 3 ? "S" : "E", 1 + i % 4);
  }
  test::write_file(folder / "m.txt", file);
  {
    TTIDatabase db;
    database().open(db);
    TTIQuery q(db);
    q.SQL.Add(
        "INSERT INTO PA_ITEN_001 (CODIGO, COR, TAM, TIPO, DEPOSITO, LOTE, QUANTIDADE) "
        "SELECT 'IM-S0' || N, '01', 'M', '1', '0001', 'L1', 0 FROM (SELECT 0 N FROM RDB$DATABASE UNION ALL "
        "SELECT 1 FROM RDB$DATABASE UNION ALL SELECT 2 FROM RDB$DATABASE) X");
    q.ExecSQL();
    db.DefaultTransaction().Commit();
  }
  const std::vector<test::StationResult> results = test::run_stations(
      4, {.workload = "importa", .db = database().location(), .args = {(folder / "m.txt").string()}});
  int posted = 0;
  for (const test::StationResult& r : results) {
    ASSERT_TRUE(r.ok()) << test::describe(results);
    ASSERT_FALSE(r.lines.empty()) << test::describe(results);
    int inserted = 0, changed = 0, errors = -1;
    ASSERT_EQ(std::sscanf(r.lines.front().c_str(), "inserted %d changed %d errors %d", &inserted, &changed,
                          &errors),
              3);
    EXPECT_EQ(errors, 0) << test::describe(results);
    posted += inserted + changed;
  }
  TTIDatabase db;
  database().open(db);
  // Each movement: one journal row and one balance change or creation.
  EXPECT_EQ(posted, 2 * kLines);
  EXPECT_EQ(
      test::number("SELECT COUNT(*) FROM PA_MOV_001 WHERE TP_MOV = 'IT' AND CODIGO STARTING WITH 'IM-S'", {},
                   db),
      kLines);
  EXPECT_EQ(test::number("SELECT COUNT(DISTINCT DESCRICAO) FROM PA_MOV_001 WHERE CODIGO STARTING WITH 'IM-S'",
                         {}, db),
            kLines);
  EXPECT_EQ(
      test::rows("SELECT I.CODIGO FROM PA_ITEN_001 I WHERE I.CODIGO STARTING WITH 'IM-S' AND I.QUANTIDADE <> "
                 "(SELECT COALESCE(SUM(IIF(M.OPERACAO = 'E', M.QTDE, -M.QTDE)), 0) FROM PA_MOV_001 M "
                 "WHERE M.CODIGO = I.CODIGO)",
                 {}, db),
      std::vector<std::string>{});
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM PA_ITEN_001 WHERE CODIGO STARTING WITH 'IM-S'", {}, db), 5);
}

}  // namespace
}  // namespace zpk
