// `zpk day` run in-process on a fresh demo database: the day exits 0, the
// files it names exist, its NF-e validates and is authorised by the local
// authoriser the day starts (and stops, leaving no key behind), the printed
// invoice carries the protocol, and what it stored holds when read back
// (invoice totals to the cent from its items, balances equal to their
// journals, titles and postings adding up); a step that fails is named,
// exits 1 and leaves none of its rows, while the steps before it stay; a day
// stopped while the authoriser runs ends it and removes its keys.
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "billing/nfe/valida_nfe.hpp"
#include "dia_trabalho.hpp"
#include "platform/db/cancellation.hpp"
#include "platform/db/database.hpp"
#include "platform/db/query.hpp"
#include "run_zpk.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/shell.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk::test {
namespace {

namespace fs = std::filesystem;

// Runs zpk and keeps stdout (the command writes to std::cout) with the run.
ZpkRun zpk(const std::vector<std::string>& args) {
  testing::internal::CaptureStdout();
  ZpkRun run = run_zpk(args);
  run.out = testing::internal::GetCapturedStdout() + run.out;
  return run;
}

// The files the output names on its "wrote" lines.
std::vector<fs::path> written(const std::string& out) {
  std::vector<fs::path> files;
  std::istringstream in(out);
  const std::string mark = "    wrote ";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(mark, 0) == 0) files.emplace_back(line.substr(mark.size()));
  }
  return files;
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What is left in `folder` (the temporary folder the day was given), and the
// processes still running whose command line names it: the local
// authoriser's private folder and the authoriser itself must be gone.
std::vector<std::string> leftovers(const fs::path& folder) {
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder)) left.push_back(entry.path().string());
  std::error_code ec;  // processes come and go while /proc is read
  for (const auto& proc : fs::directory_iterator("/proc", ec)) {
    std::string cmdline = read_file(proc.path() / "cmdline");
    std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
    if (cmdline.find(folder.string()) != std::string::npos)
      left.push_back("process " + proc.path().filename().string() + ": " + cmdline);
  }
  return left;
}

// The step lines of the output ("NN. name: ..."), by name, in order.
std::vector<std::string> steps(const std::string& out) {
  std::vector<std::string> names;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const size_t dot = line.find(". ");
    const size_t colon = line.find(": ");
    if (line.size() > 4 && line[2] == '.' && dot == 2 && colon != std::string::npos)
      names.push_back(line.substr(4, colon - 4));
  }
  return names;
}
TEST(ZpkDay, RunsTheWholeDayAndWhatItStoredAddsUp) {
  TempFolder tmp{"day-command"};
  fs::create_directory(tmp / "tmp");
  const std::string db = fresh_database("day-command").string();
  ZpkRun run;
  {
    const ScopedEnv private_tmp("TMPDIR", (tmp / "tmp").c_str());
    run = zpk({"day", "--db", db, "--out", (tmp / "out").string()});
  }
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  // The NF-e is authorised before the invoice is printed, so the print carries the protocol.
  const std::vector<std::string> kSteps{
      "fabric received",  "order",           "credit check",    "invoice number",    "ICMS, ST and DIFAL",
      "invoice messages", "invoice stored",  "stock exit",      "receivable titles", "NF-e",
      "NF-e authorised",  "invoice printed", "ledger postings", "receipt",           "stock list"};
  EXPECT_EQ(steps(run.out), kSteps) << run.out;
  EXPECT_EQ(leftovers(tmp / "tmp"), std::vector<std::string>{});

  const std::vector<fs::path> files = written(run.out);
  ASSERT_EQ(files.size(), 4u) << run.out;
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.string());
    EXPECT_TRUE(fs::is_regular_file(f));
    EXPECT_GT(fs::file_size(f), 0u);
  }
  EXPECT_EQ(files[0].extension(), ".xml");
  EXPECT_EQ(files[2].extension(), ".pdf");
  EXPECT_EQ(files[3].extension(), ".xlsx");
  const auto violacoes = nfe::ValidaXmlNFe(read_file(files[0]));
  EXPECT_TRUE(violacoes.empty()) << violacoes.front().Campo << ": " << violacoes.front().Mensagem;
  EXPECT_NE(read_file(files[0]).find("<Signature"), std::string::npos);
  const std::string proc = read_file(files[1]);
  const auto proc_violations = nfe::ValidaXmlEsquema(proc, "procNFe_v4.00.xsd");
  EXPECT_TRUE(proc_violations.empty())
      << proc_violations.front().Campo << ": " << proc_violations.front().Mensagem;

  TTIDatabase check;
  check.SetDatabaseName(db);
  check.Open();
  const std::string fatura = text("SELECT FATURA FROM NOTA_001 WHERE CODCLI = '000950'", {}, check);
  ASSERT_FALSE(fatura.empty());
  const SqlParams nota{Variant(fatura)};
  const std::string chave = text("SELECT CHAVE_NFE FROM NOTA_001 WHERE FATURA = ?", nota, check);
  const std::string protocolo = text("SELECT PROTOCOLO_NFE FROM NOTA_001 WHERE FATURA = ?", nota, check);
  EXPECT_EQ(files[0].stem().string(), chave + "-nfe");
  EXPECT_EQ(files[1].stem().string(), chave + "-procNFe");
  EXPECT_EQ(text("SELECT STATUS_NFE FROM NOTA_001 WHERE FATURA = ?", nota, check), "100");
  ASSERT_EQ(protocolo.size(), 15u);
  // The protocol the day printed is the one stored, the one in the authorised
  // document, and the one on the printed invoice.
  EXPECT_NE(run.out.find("cStat 100 Autorizado o uso da NF-e, protocol " + protocolo), std::string::npos)
      << run.out;
  EXPECT_NE(proc.find("<nProt>" + protocolo + "</nProt>"), std::string::npos);
  EXPECT_NE(shell_output("pdftotext -layout '" + files[2].string() + "' -").find(protocolo),
            std::string::npos);

  // The invoice to the cent: 10 PC x 80.00 of fabric for the buyer's own use
  // (ICMS 12 % = 96.00, DIFAL 20 - 12 = 8 % = 64.00, FCP 2 % = 16.00) and
  // 100 UN x 25.00 of T-shirts under ST (ICMS 300.00; base 2,500.00 + 40 % =
  // 3,500.00 at 20 % = 700.00 - 300.00 = 400.00; FCP-ST 2 % = 70.00).
  const struct {
    const char* column;
    double expected;
    const char* items;  // the same sum over the item lines, or nullptr
  } kTotals[] = {
      {"VAL_PRODUTOS", 3300.00, "SUM(VALOR)"},
      {"BASE_CALC", 3300.00, "SUM(BASE_ICMS)"},
      {"VAL_ICMS", 396.00, "SUM(CAST(BASE_ICMS * PERC_ICMS / 100 AS NUMERIC(18,2)))"},
      {"BASE_SUBST", 3500.00, "SUM(BASE_ST)"},
      {"VAL_SUBST", 400.00, "SUM(VALOR_ST)"},
      {"VAL_ICMS_DEST", 64.00, "SUM(VAL_ICMS_DEST)"},
      {"VAL_FCP", 16.00, "SUM(VAL_FCP)"},
      {"VAL_PIS", 54.45, nullptr},
      {"VAL_COFINS", 250.80, nullptr},
      {"VALOR", 3770.00, "SUM(VALOR + VALOR_ST + VALOR_ST_FCP)"},
  };
  for (const auto& t : kTotals) {
    SCOPED_TRACE(t.column);
    EXPECT_DOUBLE_EQ(
        number(std::string("SELECT ") + t.column + " FROM NOTA_001 WHERE FATURA = ?", nota, check),
        t.expected);
    if (t.items != nullptr) {
      EXPECT_DOUBLE_EQ(
          number(std::string("SELECT ") + t.items + " FROM NOTAITEN_001 WHERE FATURA = ? AND EMPENHO = 'N'",
                 nota, check),
          t.expected);
    }
  }
  EXPECT_GT(number("SELECT COUNT(*) FROM NOTAITEN_001 WHERE FATURA = ? AND EMPENHO <> 'N'", nota, check), 0);

  // Stock: received, then the invoice's exit; each balance equals its journal.
  const struct {
    const char* codigo;
    double saldo;
  } kStock[] = {{"MAL-900", 30}, {"CAM-900", 200}};
  for (const auto& s : kStock) {
    SCOPED_TRACE(s.codigo);
    const SqlParams p{Variant(std::string(s.codigo))};
    EXPECT_DOUBLE_EQ(
        number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001 WHERE CODIGO = ? AND LOTE = 'DY0001'", p, check),
        s.saldo);
    EXPECT_DOUBLE_EQ(number("SELECT SUM(IIF(OPERACAO = 'E', QTDE, -QTDE)) FROM PA_MOV_001 WHERE CODIGO = ? "
                            "AND LOTE = 'DY0001'",
                            p, check),
                     s.saldo);
  }
  // The order's reservations are written down by what the invoice shipped.
  EXPECT_EQ(rows("SELECT CODIGO, QTDE, QTDE_B FROM PED_RESERVA_001 WHERE NUMERO = 'DY0001' ORDER BY CODIGO",
                 {}, check),
            (std::vector<std::string>{"CAM-900|0|100", "MAL-900|0|10"}));

  // Titles: the invoice's total in two instalments, the first received, each
  // with the order's commission split.
  EXPECT_DOUBLE_EQ(number("SELECT SUM(VALOR2) FROM RECEBER_001 WHERE FATURA = ?", nota, check), 3770.00);
  EXPECT_DOUBLE_EQ(number("SELECT SUM(VALOR_PAGO) FROM RECEBER_001 WHERE FATURA = ?", nota, check), 1885.00);
  EXPECT_EQ(
      number("SELECT COUNT(DISTINCT NUMERO) FROM REC_COM_001 WHERE NUMERO STARTING WITH ?", nota, check), 2);

  // Ledger: the products credited to revenue, 60 % weaving and 40 % dyeing;
  // the receipt posted and in the bank book.
  const SqlParams fiscal{Variant("F" + fatura)};
  EXPECT_DOUBLE_EQ(number("SELECT SUM(VALOR) FROM CONTABIL_001 WHERE LANCAMENTO = ?", fiscal, check),
                   3300.00);
  EXPECT_EQ(
      rows("SELECT CENTROCUSTO, VALOR_RAT FROM CENTRO_RATEIO_001 WHERE LANCAMENTO = ? ORDER BY CENTROCUSTO",
           fiscal, check),
      (std::vector<std::string>{"0102|1980", "0103|1320"}));
  const SqlParams receipt{Variant("R" + fatura)};
  EXPECT_DOUBLE_EQ(number("SELECT SUM(VALOR) FROM CONTABIL_001 WHERE LANCAMENTO = ?", receipt, check),
                   1885.00);
  EXPECT_DOUBLE_EQ(number("SELECT SUM(VALOR) FROM CONTACOR_001 WHERE LANCAMENTO = ?", receipt, check),
                   1885.00);
  EXPECT_NE(run.out.find("invoice " + fatura + " totals equal its items, its NF-e authorised with protocol " +
                         protocolo + ": ok"),
            std::string::npos)
      << run.out;
  check.Close();

  // The same day again needs another order: refused before anything is written.
  const ZpkRun again = zpk({"day", "--db", db, "--out", (tmp / "again").string()});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("order DY0001 already exists"), std::string::npos) << again.err;
  check.Open();
  EXPECT_DOUBLE_EQ(number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001 WHERE CODIGO = 'CAM-900'", {}, check),
                   200);
}

TEST(ZpkDay, AFailingStepIsNamedAndLeavesNoneOfItsRows) {
  TempFolder tmp{"day-fails"};
  const std::string db = fresh_database("day-fails").string();
  const ZpkRun run = zpk({"day", "--db", db, "--out", (tmp / "out").string(), "--cliente", "000999"});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.err.find("step \"order\" failed: customer 000999 is not registered"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.out.find("2. order"), std::string::npos) << run.out;

  TTIDatabase check;
  check.SetDatabaseName(db);
  check.Open();
  for (const char* table : {"PEDIDO_001", "PED_ITEN_001", "PED_RESERVA_001", "PED_COM_001"}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(number(std::string("SELECT COUNT(*) FROM ") + table + " WHERE NUMERO = 'DY0001'", {}, check),
              0);
  }
  // The step before it was committed: the fabric is in stock.
  EXPECT_DOUBLE_EQ(
      number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001 WHERE CODIGO = 'MAL-900' AND LOTE = 'DY0001'", {},
             check),
      40);
}

// The day as a function on a connection that stays open: the failed step's
// rows are rolled back by the day itself, so that committing afterwards (as
// the next run on the same connection would) brings none of them back.
class DiaTrabalhoTest : public DatabaseTest {
 protected:
  // Runs the day, which must stop at step `passo`; the steps done before it,
  // and in `motivo` the failure's text.
  static std::vector<std::string> para_em(cli::OpcoesDia o, const std::string& passo, const fs::path& pasta,
                                          std::string* motivo = nullptr) {
    o.pasta = pasta / "out";
    o.layouts = fs::path(ZPK_SOURCE_DIR) / "reports";
    std::vector<std::string> feitos;
    try {
      cli::executa_dia_trabalho(
          o, [&](const cli::PassoDia& p) { feitos.push_back(p.nome); }, nullptr);
      ADD_FAILURE() << "the day ran past step " << passo;
    } catch (const cli::EPassoDia& e) {
      EXPECT_EQ(e.passo(), passo);
      if (motivo != nullptr) *motivo = e.what();
    }
    return feitos;
  }
};

TEST_F(DiaTrabalhoTest, AFailedStepIsRolledBackOnTheOpenConnection) {
  TempFolder tmp{"day-function"};
  cli::OpcoesDia o;
  o.cliente = "000999";
  o.lote = "DY0999";
  EXPECT_EQ(para_em(o, "order", tmp.path()), std::vector<std::string>{"fabric received"});
  Tabela.IBTransaction.Commit();
  for (const char* table : {"PEDIDO_001", "PED_ITEN_001", "PED_RESERVA_001"}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(number(std::string("SELECT COUNT(*) FROM ") + table + " WHERE NUMERO = 'DY0001'"), 0);
  }
  EXPECT_DOUBLE_EQ(
      number("SELECT SUM(QUANTIDADE) FROM PA_ITEN_001 WHERE CODIGO = 'CAM-900' AND LOTE = 'DY0999'"), 300);
}

// An order above the customer's credit limit stops the day at the credit
// check, named with the box's text; the order itself stays, as the order
// screen saved it.
TEST_F(DiaTrabalhoTest, AnOrderAboveTheCreditLimitStopsAtTheCreditCheck) {
  TempFolder tmp{"day-credit"};
  exec(
      "UPDATE OR INSERT INTO ENTIDADE_001 (CODCLI, NOME, TIPO, CEP, CREDITO, BLOQUEIO) "
      "VALUES ('000951', 'LOJA SEM LIMITE LTDA', '2', '20040-000', 100, 'N') MATCHING (CODCLI)");
  const std::string ven50 =
      text("SELECT VALOR FROM EMP_PARAM WHERE TIPO = 'VEN' AND CODIGO = 50 AND EMPRESA = '001'");
  set_parameter("VEN", 50, "S");
  Tabela.IBTransaction.Commit();
  cli::OpcoesDia o;
  o.pedido = "DY0951";
  o.cliente = "000951";
  o.lote = "DY0951";
  std::string motivo;
  EXPECT_EQ(para_em(o, "credit check", tmp.path(), &motivo),
            (std::vector<std::string>{"fabric received", "order"}));
  EXPECT_NE(motivo.find("the order is blocked"), std::string::npos) << motivo;
  EXPECT_EQ(number("SELECT COUNT(*) FROM PEDIDO_001 WHERE NUMERO = 'DY0951'"), 1);
  EXPECT_EQ(number("SELECT COUNT(*) FROM NOTA_001 WHERE CODCLI = '000951'"), 0);
  set_parameter("VEN", 50, ven50);
  Tabela.IBTransaction.Commit();
}

// The day's checks catch what they are there for: each change below, made
// after a day that checked clean, is reported, and undone it is not.
TEST_F(DiaTrabalhoTest, TheChecksReportABalanceAPostingOrATotalThatDoesNotAddUp) {
  TempFolder tmp{"day-checks"};
  cli::OpcoesDia o;
  o.pedido = "DY0901";
  o.lote = "DY0901";
  o.pasta = tmp / "out";
  o.layouts = fs::path(ZPK_SOURCE_DIR) / "reports";
  const cli::ResultadoDia r = cli::executa_dia_trabalho(o, nullptr, nullptr);
  ASSERT_TRUE(r.conferencia.ok()) << r.conferencia.falhas.front();
  EXPECT_GE(r.conferencia.saldos, 2);
  const struct {
    const char* change;
    const char* reported;
  } kCases[] = {
      {"UPDATE PA_ITEN_001 SET QUANTIDADE = QUANTIDADE - 1 WHERE CODIGO = 'CAM-900' AND LOTE = 'DY0901'",
       "CAM-900 lot DY0901"},
      {"UPDATE NOTA_001 SET VAL_SUBST = VAL_SUBST + 0.01", ": ST 400.01 but items 400.00"},
      {"UPDATE NOTAITEN_001 SET VALOR = VALOR - 1 WHERE CODIGO = 'MAL-900'",
       ": products 3300.00 but items 3299.00"},
      {"UPDATE RECEBER_001 SET VALOR2 = VALOR2 - 0.01 WHERE NUMERO LIKE '%/2'",
       ": titles 3769.99 but total 3770.00"},
      {"UPDATE CENTRO_RATEIO_001 SET VALOR_RAT = VALOR_RAT + 1 WHERE CENTROCUSTO = '0103'",
       ": cost centres 3301.00 but posting 3300.00"},
      {"UPDATE CONTABIL_001 SET CONTA_C = '' WHERE LANCAMENTO STARTING WITH 'F'", "lacks an account"},
      {"UPDATE NOTA_001 SET STATUS_NFE = 778", ": NF-e status 778, not 100 (authorised)"},
      {"UPDATE NOTA_001 SET STATUS_NFE = NULL", ": NF-e status none, not 100 (authorised)"},
      {"UPDATE NOTA_001 SET PROTOCOLO_NFE = NULL", ": NF-e protocol \"\" is not 15 digits"},
      {"UPDATE NOTA_001 SET CHAVE_NFE = NULL", ": NF-e key \"\" is not 44 characters"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.change);
    exec(c.change);
    const cli::ConferenciaDia conferencia = cli::confere_dia_trabalho(o, r.fatura);
    std::string falhas;
    for (const std::string& f : conferencia.falhas) falhas += f + "\n";
    EXPECT_NE(falhas.find(c.reported), std::string::npos) << falhas;
    Tabela.IBTransaction.Rollback();
    EXPECT_TRUE(cli::confere_dia_trabalho(o, r.fatura).ok());
  }
}

// Stopped (SIGINT, SIGTERM) while the local authoriser serves it, the day
// rolls the step back, stops the authoriser and removes its private folder,
// keys included. Meanwhile the folder is the user's alone and so are the
// files holding a key or the password.
TEST_F(DiaTrabalhoTest, AStopWhileTheAuthoriserRunsLeavesNeitherItNorItsKeys) {
  TempFolder tmp{"day-stop"};
  fs::create_directory(tmp / "tmp");
  const ScopedEnv private_tmp("TMPDIR", (tmp / "tmp").c_str());
  cli::OpcoesDia o;
  o.pedido = "DY0902";
  o.lote = "DY0902";
  o.pasta = tmp / "out";
  o.layouts = fs::path(ZPK_SOURCE_DIR) / "reports";
  std::vector<std::string> modes;
  const auto progress = [&](const std::string& line) {
    if (line.find("transmitting the NF-e") == std::string::npos) return;
    for (const auto& folder : fs::directory_iterator(tmp / "tmp")) {
      if (folder.path().filename().string().rfind("zpk-autorizador-", 0) != 0) continue;
      modes.push_back(fmt::format("folder {:o}",
                                  static_cast<unsigned>(fs::status(folder).permissions() & fs::perms::all)));
      for (const auto& f : fs::directory_iterator(folder)) {
        const std::string name = f.path().filename().string();
        if (name.ends_with(".key") || name.ends_with(".pfx") || name == "senha")
          modes.push_back(fmt::format("{} {:o}", name,
                                      static_cast<unsigned>(fs::status(f).permissions() & fs::perms::all)));
      }
    }
    request_stop(SIGTERM);
  };
  std::string failure;
  try {
    cli::executa_dia_trabalho(o, nullptr, progress);
  } catch (const cli::EPassoDia& e) {
    failure = e.passo();
  }
  clear_stop_request();
  EXPECT_EQ(failure, "NF-e authorised");
  ASSERT_FALSE(modes.empty()) << "the day never said it was transmitting";
  for (const std::string& m : modes) {
    SCOPED_TRACE(m);
    EXPECT_TRUE(m.ends_with(m.starts_with("folder") ? " 700" : " 600"));
  }
  EXPECT_EQ(leftovers(tmp / "tmp"), std::vector<std::string>{});
  // The invoice was stored by an earlier step; nothing of an authorisation is.
  EXPECT_EQ(number("SELECT COUNT(DISTINCT FATURA) FROM NOTAITEN_001 WHERE PEDIDO = 'DY0902'"), 1);
  EXPECT_EQ(number("SELECT COUNT(*) FROM NOTA_001 WHERE FATURA IN (SELECT FATURA FROM NOTAITEN_001 WHERE "
                   "PEDIDO = 'DY0902') AND (STATUS_NFE IS NOT NULL OR PROTOCOLO_NFE IS NOT NULL)"),
            0);
}

}  // namespace
}  // namespace zpk::test
