// The look-up routines on the demo database (companies 001 and 002): what they
// return, when they do not query at all, what the user is shown, and that the
// values they bind are taken as typed.
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "not_literals.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/engine_sql.hpp"
#include "support/sql.hpp"

namespace zpk {
namespace {

class Lookups : public test::DatabaseTest {
 protected:
  void TearDown() override {
    vEmpresa_Atual.clear();
    vUsuario.clear();
    test::DatabaseTest::TearDown();
  }

  // Runs a statement in the shared transaction (rolled back after the test).
  HeadlessDialogs dialogs_;
  ScopedDialogService guard_{dialogs_};
};

std::vector<std::string> sorted_items(const std::string& text, const std::string& separator) {
  std::vector<std::string> items = SplitText(text, separator);
  std::sort(items.begin(), items.end());
  return items;
}

TEST_F(Lookups, ExisteFindsARowByKeyLists) {
  const struct {
    const char* tabela;
    const char* campos;
    const char* valores;
    bool found;
  } kCases[] = {
      {"ENTIDADE", "CODCLI", "'000001'", true},
      {"ENTIDADE", "CODCLI", "'999999'", false},
      {"entidade", "CODCLI;TIPO", "'000001';'2'", true},
      {"ENTIDADE", "CODCLI,TIPO", "'000001','1'", false},  // "," counts as ";"
      {"ENTIDADE", "NOME", "'MODAS%'", true},              // like
      {"EMPRESA", "EMP_PAT", "'_002'", true},              // a shared table
      {"PEDIDO", "NUMERO", "'000002'", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tabela) + " " + c.valores);
    EXPECT_EQ(Existe(c.tabela, c.campos, c.valores), c.found);
  }
}

TEST_F(Lookups, BlankValuesAnswerWithoutAQuery) {
  // The table does not exist: any query would raise.
  for (const char* blank : {"''", "", "  ' '  "}) {
    SCOPED_TRACE(blank);
    EXPECT_FALSE(Existe("NAO_EXISTE", "NUMERO", blank));
    EXPECT_EQ(Busca_Valor("NAO_EXISTE", "NUMERO", "LOCADO", blank), Variant(std::string()));
    EXPECT_EQ(BuscaDescricao("NAO_EXISTE", "NOME", "CODIGO", blank), "");
  }
  EXPECT_FALSE(Existe("PEDIDO", "NUMERO", "''", nullptr));
}

TEST_F(Lookups, ExisteCutsValuesAtCommasOutsideQuotedTexts) {
  // An unquoted "," separates values, as ";" does.
  EXPECT_TRUE(Existe("CODIGOS", "TABELA,TAMANHO", "'PEDIDO',6"));
  EXPECT_FALSE(Existe("CODIGOS", "TABELA,TAMANHO", "'PEDIDO',7"));
  // Inside a quoted text it belongs to the text.
  test::exec("INSERT INTO ENTIDADE_001 (CODCLI, NOME) VALUES ('000077', 'MODAS, PRIMAVERA')");
  EXPECT_TRUE(Existe("ENTIDADE", "NOME", "'MODAS, PRIMAVERA'"));
  EXPECT_TRUE(Existe("ENTIDADE", "NOME,CODCLI", "'MODAS, PRIMAVERA','000077'"));
}

// A value list with its quotes removed and trimmed is blank: the look-ups
// answer without a query, before reading it as literals.
bool blank_without_quotes(std::string value) {
  value.erase(std::remove(value.begin(), value.end(), '\''), value.end());
  return Trim(value).empty();
}

TEST_F(Lookups, ValuesThatAreNoLiteralsAreRefusedBeforeAnythingRuns) {
  for (const char* valor : test::kNotLiterals) {
    SCOPED_TRACE(valor);
    if (blank_without_quotes(valor)) {
      EXPECT_FALSE(Existe("ENTIDADE", "CODCLI", valor));
      EXPECT_EQ(Busca_Valor("ENTIDADE", "CODCLI", "NOME", valor, false, true), Variant(std::string()));
      continue;
    }
    const std::string second = std::string("'000001';") + valor;
    for (const auto& [name, call] : std::initializer_list<std::pair<const char*, std::function<void()>>>{
             {"Existe", [&] { Existe("ENTIDADE", "CODCLI", valor); }},
             {"Existe", [&] { Existe("ENTIDADE", "CODCLI;NOME", second); }},
             {"Busca_Valor", [&] { Busca_Valor("ENTIDADE", "CODCLI", "NOME", valor, false, true); }},
             {"Busca_Valor", [&] { Busca_Valor("ENTIDADE", "CODCLI;NOME", "NOME", second, false, true); }},
             {"Cria_Where", [&] { Cria_Where("CODCLI", valor); }},
             {"Cria_Where", [&] { Cria_Where("CODCLI;NOME", second); }},
         }) {
      test::expect_refused_as_not_literal(name, valor, call);
    }
    // A quoted list must hold literals only; a list without quotes is a list
    // of plain codes, each taken as a text, which no code here matches.
    if (std::string_view(valor).find('\'') != std::string_view::npos) {
      EXPECT_THROW(BuscaDescricao("ENTIDADE", "NOME", "CODCLI", valor), EZpkError);
      EXPECT_THROW(BuscaDescricao("ENTIDADE", "NOME", "CODCLI", second), EZpkError);
    } else {
      EXPECT_EQ(BuscaDescricao("ENTIDADE", "NOME", "CODCLI", valor), "");
    }
  }
}

TEST_F(Lookups, EveryValueAspasQuotesFindsItsRow) {
  // Texts with quotes go in doubled, as QuotedStr writes them.
  auto quoted = [](std::string text) {
    for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 2))
      text.insert(at, 1, '\'');
    return Aspas(text);
  };
  const struct {
    const char* codcli;
    const char* nome;
  } kRows[] = {
      {"D'AGUA", "CONFECÇÕES D'ÁGUA"}, {"A;B", "x;y -- z"}, {"A,B", "a,b /* c */"}, {"ÇÃ-Ñ", "AÇÃO É"},
      {"' OR 1", "' OR '1'='1"},       {"", "SEM CODIGO"},
  };
  for (const auto& r : kRows)
    test::exec("INSERT INTO ENTIDADE_001 (CODCLI, NOME) VALUES (?, ?)", {r.codcli, r.nome});
  for (const auto& r : kRows) {
    SCOPED_TRACE(r.codcli);
    const std::string codcli = quoted(r.codcli);
    EXPECT_EQ(test::text("SELECT NOME FROM ENTIDADE_001 WHERE" + Cria_Where("CODCLI", codcli)), r.nome);
    if (*r.codcli == '\0') continue;  // a blank value answers without a query
    EXPECT_TRUE(Existe("ENTIDADE", "CODCLI", codcli));
    EXPECT_TRUE(Existe("ENTIDADE", "CODCLI,NOME", codcli + "," + quoted(r.nome)));
    EXPECT_EQ(Busca_Valor("ENTIDADE", "CODCLI", "NOME", codcli, false, true), Variant(r.nome));
    EXPECT_EQ(Busca_Valor("ENTIDADE", "NOME;CODCLI", "CODCLI", quoted(r.nome) + ";" + codcli, false, true),
              Variant(r.codcli));
    EXPECT_EQ(BuscaDescricao("ENTIDADE", "NOME", "CODCLI", codcli), r.nome);
    EXPECT_EQ(BuscaDescricao("ENTIDADE", "NOME", "CODCLI", codcli + ", '999999'"), r.nome);
  }
}

TEST_F(Lookups, AValueComparesAsItsLiteralWould) {
  const std::string longer = "'" + std::string(40, '0') + "1'";
  const struct {
    const char* tabela;
    const char* campos;
    std::string valores;
    bool found;
  } kCases[] = {
      // Numbers against a NUMERIC(18,4) column, in every form a literal takes.
      {"ENTIDADE", "CODCLI;CREDITO", "'000001';50000", true},
      {"ENTIDADE", "CODCLI;CREDITO", "'000001';50000.00", true},
      {"ENTIDADE", "CODCLI;CREDITO", "'000001';5e4", true},
      {"ENTIDADE", "CODCLI;CREDITO", "'000001';'50000'", true},
      {"ENTIDADE", "CODCLI;CREDITO", "'000001';49999.9999", false},
      // Dates: the date literal, and the month-first text the statements write.
      {"PEDIDO", "NUMERO;DT_EMISSAO", "'000001';DATE '2025-01-10'", true},
      {"PEDIDO", "NUMERO;DT_EMISSAO", "'000001';'01/10/2025'", true},
      {"PEDIDO", "NUMERO;DT_EMISSAO", "'000001';DATE '2025-01-11'", false},
      // "= NULL" holds for no row.
      {"PEDIDO", "NUMERO;DT_FATURA", "'000001';NULL", false},
      // Blanks at the end do not count; a text longer than the column matches
      // nothing (and is no error), but as a pattern it may still match.
      {"PEDIDO", "NUMERO", "'000001   '", true},
      {"PEDIDO", "NUMERO", longer, false},
      {"PEDIDO", "NUMERO", "'%" + std::string(30, '_') + "%' ", false},
      {"PEDIDO", "NUMERO", "'" + std::string(30, '%') + "000001'", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.campos) + " " + c.valores);
    EXPECT_EQ(Existe(c.tabela, c.campos, c.valores), c.found);
    EXPECT_EQ(Busca_Valor(c.tabela, c.campos, "CODCLI", c.valores, false, true),
              Variant(std::string(c.found ? "000001" : "")));
  }
}

TEST_F(Lookups, ExisteRunsOnTheConnectionPassed) {
  TTIDatabase other;
  other.GetDatabase(Tabela.IBDatabase);
  test::exec("INSERT INTO DEPOSITO_001 (CODIGO, DESCRICAO) VALUES ('0009', 'NOVO')");
  EXPECT_TRUE(Existe("DEPOSITO", "CODIGO", "'0009'"));
  // Not committed: the other connection does not see it yet.
  EXPECT_FALSE(Existe("DEPOSITO", "CODIGO", "'0009'", &other));
  EXPECT_TRUE(Existe("DEPOSITO", "CODIGO", "'0001'", &other));
  other.Close();
}

TEST_F(Lookups, BuscaValorReturnsTheColumnWithItsType) {
  const struct {
    const char* tabela;
    const char* campos;
    const char* retorno;
    const char* valores;
    bool local;
    Variant expected;
  } kCases[] = {
      {"ENTIDADE", "CODCLI", "NOME", "'000002'", true, Variant("CONFECCOES D'AGUA ME")},
      {"ENTIDADE_001", "CODCLI", "NOME", "'000002'", false, Variant("CONFECCOES D'AGUA ME")},
      {"ENTIDADE", "CODCLI", "CREDITO", "'000001'", true, Variant(50000.0)},
      {"CODIGOS", "TABELA;CAMPO", "TAMANHO", "'PEDIDO';'NUMERO'", true, Variant(6)},
      {"PEDIDO", "NUMERO", "DT_EMISSAO", "'000001'", true, Variant(EncodeDate(2025, 1, 10))},
      {"ENTIDADE", "CODCLI", "OBS", "'000001'", true, Variant("Entregar somente em horario comercial.")},
      {"PEDIDO", "NUMERO", "DT_FATURA", "'000001'", true, Variant()},  // NULL: unassigned
      {"ENTIDADE", "CODCLI", "NOME", "'999999'", true, Variant(std::string())},
      {"ENTIDADE", "NOME", "CODCLI", "'%SILVA'", true, Variant("000003")},
      {"ENTIDADE", "CODCLI", "FANTASIA;CREDITO", "'000001'", true, VarArrayOf({"PRIMAVERA", 50000.0})},
      {"ENTIDADE", "CODCLI", "FANTASIA, DT_ANALISE", "'000001'", true,
       VarArrayOf({"PRIMAVERA", Variant::MakeNull()})},
      {"ENTIDADE", "CODCLI", "FANTASIA;CREDITO", "'999999'", true, VarArrayOf({Variant(), Variant()})},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.tabela) + " " + c.retorno + " " + c.valores);
    EXPECT_EQ(Busca_Valor(c.tabela, c.campos, c.retorno, c.valores, false, c.local), c.expected);
  }
  // Reservado changes nothing.
  EXPECT_EQ(Busca_Valor("ENTIDADE", "CODCLI", "NOME", "'000001'", true, true),
            Variant("MODAS PRIMAVERA LTDA"));
}

TEST_F(Lookups, StatementErrorsCarryTheSqlStateAndTheStatement) {
  try {
    Busca_Valor("ENTIDADE", "CODCLI", "NAO_HA", "'000001'", false, true);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.sqlstate(), test::unknown_column_sqlstate());
    EXPECT_EQ(
        Trim(e.statement()),
        "select NAO_HA from ENTIDADE_001 where  1=1  and CODCLI = CAST(? AS VARCHAR(16) CHARACTER SET UTF8)");
  }
  try {
    Existe("TABELA_NAO_HA", "X", "'1'");
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.sqlstate(), test::unknown_table_sqlstate());
    EXPECT_NE(e.statement().find("FROM TABELA_NAO_HA_001"), std::string::npos);
  }
  EXPECT_EQ(vSqlBusca, nullptr);
}

TEST_F(Lookups, BuscaDescricaoListsTheMatchingRows) {
  const std::vector<std::string> both = {"DEPOSITO CENTRAL", "EXPEDICAO"};
  EXPECT_EQ(sorted_items(BuscaDescricao("DEPOSITO", "DESCRICAO", "CODIGO", " 0001 , 0002"), ", "), both);
  EXPECT_EQ(sorted_items(BuscaDescricao("DEPOSITO", "DESCRICAO", "CODIGO", "'0001','0002'"), ", "), both);
  EXPECT_EQ(BuscaDescricao("DEPOSITO", "DESCRICAO", "CODIGO", "0002"), "EXPEDICAO");
  EXPECT_EQ(BuscaDescricao("DEPOSITO", "DESCRICAO", "CODIGO", "0099"), "");
}

TEST_F(Lookups, BuscaParametroReadsTheCurrentCompanysParameter) {
  EXPECT_EQ(BuscaParametro("FIN", 10), "1");
  EXPECT_EQ(BuscaParametro("SIS", 10), "P");
  Tabela.select_company("002");
  EXPECT_EQ(BuscaParametro("FIN", 10), "2");
  // Without a current company, company 001's.
  Tabela.SufixoEmpresa.clear();
  EXPECT_EQ(BuscaParametro("FIN", 10), "1");
  EXPECT_TRUE(dialogs_.records().empty());
}

TEST_F(Lookups, AMissingParameterIsShownAndGivesASpace) {
  EXPECT_EQ(BuscaParametro("FIN", 999), " ");
  ASSERT_EQ(dialogs_.records().size(), 1u);
  const DialogRecord& box = dialogs_.last();
  EXPECT_EQ(box.kind, DialogKind::message_box);
  EXPECT_EQ(box.type, mtWarning);
  EXPECT_EQ(box.caption, "ZELVO Sistemas");
  EXPECT_EQ(box.text, "Parametro não encontrado!\nTipo: FIN Número: 999.");
  // Company 002 lacks parameters that 001 has.
  Tabela.select_company("002");
  EXPECT_EQ(BuscaParametro("COM", 30), " ");
  EXPECT_EQ(dialogs_.last().text, "Parametro não encontrado!\nTipo: COM Número: 30.");
}

TEST_F(Lookups, BoundValuesAreTakenAsTyped) {
  const std::string tipo = "X'--;";
  const std::string valor = "a'b -- c; DROP TABLE EMP_PARAM";
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO EMP_PARAM (CODIGO, TIPO, EMPRESA, VALOR) VALUES (5, :TIPO, '001', :VALOR)");
  q.ParamByName("TIPO").AsString = tipo;
  q.ParamByName("VALOR").AsString = valor;
  q.ExecSQL();
  EXPECT_EQ(BuscaParametro(tipo, 5), valor);
  // Longer than the column: no parameter can match it.
  EXPECT_EQ(BuscaParametro("X'--; OR 1=1", 5), " ");
  EXPECT_EQ(dialogs_.last().text, "Parametro não encontrado!\nTipo: X'--; OR 1=1 Número: 5.");

  q.SQL.Clear();
  q.SQL.Add("INSERT INTO ENTIDADE_001 (CODCLI, NOME, OBS) VALUES (:CODCLI, 'X', :OBS)");
  q.ParamByName("CODCLI").AsString = "9'--;";
  q.ParamByName("OBS").AsString = "Só à vista; nada de 'fiado' -- nunca";
  q.ExecSQL();
  dialogs_.clear();
  ObsCliente("9'--;");
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().text, "Só à vista; nada de 'fiado' -- nunca");
  for (const char* other : {"9'", "9' OR '1'='1"}) {
    ObsCliente(other);
    EXPECT_EQ(dialogs_.records().size(), 1u);
  }
}

TEST_F(Lookups, ObsClienteShowsObservationsOnlyWhenThereAreAny) {
  ObsCliente("000001");
  ASSERT_EQ(dialogs_.records().size(), 1u);
  EXPECT_EQ(dialogs_.last().kind, DialogKind::message_box);
  EXPECT_EQ(dialogs_.last().type, mtWarning);
  EXPECT_EQ(dialogs_.last().caption, "ZELVO Sistemas");
  EXPECT_EQ(dialogs_.last().text, "Entregar somente em horario comercial.");

  test::exec("UPDATE ENTIDADE_001 SET OBS = '  ' WHERE CODCLI = '000002'");
  for (const char* codcli : {"000002", "000003", "999999"}) {  // blank, NULL, no customer
    SCOPED_TRACE(codcli);
    ObsCliente(codcli);
    EXPECT_EQ(dialogs_.records().size(), 1u);
  }
}

// The company list as the host left it, for the union tests.
struct CompanyListState {
  int recno;
  bool filtered;
  std::string filter;
  std::string suffix;
  static CompanyListState now() {
    return {Tabela.companies.RecNo, Tabela.companies.Filtered, Tabela.companies.Filter, Tabela.SufixoEmpresa};
  }
  bool operator==(const CompanyListState&) const = default;
};

std::vector<std::string> union_rows(const std::string& sql) {
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add(sql);
  q.Open();
  std::vector<std::string> rows;
  for (; !q.Eof(); q.Next()) rows.push_back(q.Fields(0).AsString() + " " + q.Fields(1).AsString());
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST_F(Lookups, UnionTodasEmpresasRunsTheStatementForEveryCompany) {
  // The customers of the base demo data (later demo data seeds codes from 000101 on).
  const std::string sql = "SELECT '{}' AS EMPRESA, CODCLI FROM {ENTIDADE} WHERE CODCLI < '000100'";
  const std::vector<std::string> both = {"_001 000001", "_001 000002", "_001 000003", "_002 000001"};
  const std::vector<std::string> only_001 = {"_001 000001", "_001 000002", "_001 000003"};

  const std::string text = UnionTodasEmpresas(sql, "", false);
  EXPECT_EQ(text,
            "SELECT '_001' AS EMPRESA, CODCLI FROM ENTIDADE_001 WHERE CODCLI < '000100'\nUNION ALL\n"
            "SELECT '_002' AS EMPRESA, CODCLI FROM ENTIDADE_002 WHERE CODCLI < '000100'");
  EXPECT_EQ(union_rows(text), both);

  const struct {
    const char* usuario;
    const char* setup;
    std::vector<std::string> rows;
  } kCases[] = {
      {"ADMIN", "", both},         // ATIVO 'S' and NULL both grant
      {"VENDEDOR", "", only_001},  // 002 switched off
      // Every access switched off: the companies listed for the user all the same.
      {"VENDEDOR", "UPDATE ACESSO_EMPRESA SET ATIVO = 'N' WHERE USUARIO = '002'", both},
      {"VENDEDOR", "DELETE FROM ACESSO_EMPRESA WHERE USUARIO = '002' AND EMPRESA = '002'", only_001},
      // A user without access rows, or unknown (a quote in the name is bound), gets every company.
      {"VENDEDOR", "DELETE FROM ACESSO_EMPRESA WHERE USUARIO = '002'", both},
      {"O'BRIEN -- ;", "", both},
      {"A NAME LONGER THAN THE COLUMN OF NAMES", "", both},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.usuario) + " " + c.setup);
    if (*c.setup) test::exec(c.setup);
    vUsuario = c.usuario;
    EXPECT_EQ(union_rows(UnionTodasEmpresas(sql, "", true)), c.rows);
  }
}

TEST_F(Lookups, UnionTodasEmpresasLeavesTheCompanyListWhereItWas) {
  const std::string sql = "SELECT CODCLI FROM {ENTIDADE}";
  CompanyDataSet& list = Tabela.companies;

  ASSERT_TRUE(list.Locate("_002"));
  const CompanyListState on_002 = CompanyListState::now();
  EXPECT_EQ(on_002.suffix, "_002");
  UnionTodasEmpresas(sql, "", false);
  EXPECT_EQ(CompanyListState::now(), on_002);

  list.Filter = "_002";
  list.Filtered = true;
  const CompanyListState filtered = CompanyListState::now();
  const std::string text = UnionTodasEmpresas(sql, "", false);
  EXPECT_NE(text.find("ENTIDADE_001"), std::string::npos);  // the filter does not hide a company
  EXPECT_EQ(CompanyListState::now(), filtered);
  EXPECT_EQ(list.RecordCount(), 1);

  // An override set by the host survives too.
  list.Filtered = false;
  list.First();
  Tabela.SufixoEmpresa = "_009";
  UnionTodasEmpresas(sql, "", false);
  EXPECT_EQ(Tabela.SufixoEmpresa, "_009");
  EXPECT_EQ(list.RecNo, 1);
}

TEST_F(Lookups, UnionTodasEmpresasRunsASharedTableOnce) {
  Tabela.TabelasMapeadas["RECEBER"] = "RECEBER_001";
  EXPECT_EQ(UnionTodasEmpresas("SELECT '{}' AS EMPRESA FROM {RECEBER}", "receber", true),
            "SELECT '_001' AS EMPRESA FROM RECEBER_001");
  EXPECT_EQ(UnionTodasEmpresas("SELECT * FROM {EMPRESA}", "EMPRESA", false), "SELECT * FROM EMPRESA");
  Tabela.TabelasMapeadas.erase("RECEBER");
}

TEST_F(Lookups, DBLocalFollowsTheCompanyOverride) {
  EXPECT_EQ(DBLocal("pedido"), "pedido_001");
  vEmpresa_Atual = "_002";
  EXPECT_EQ(DBLocal("pedido"), "pedido_002");
  EXPECT_EQ(DBLocal("EMPRESA"), "EMPRESA_002");  // even for a mapped table
  // The look-ups follow it: company 002 has one customer.
  EXPECT_FALSE(Existe("ENTIDADE", "CODCLI", "'000002'"));
  EXPECT_EQ(Busca_Valor("ENTIDADE", "CODCLI", "NOME", "'000001'", false, true),
            Variant("LOJA DO CENTRO EIRELI"));
}

TEST_F(Lookups, ExecutaRefreshComesBackToTheSameRecordNumber) {
  TTITable table(Tabela.IBDatabase);
  table.SetTableName(DBLocal("DEPOSITO"));
  table.Open();
  ASSERT_EQ(table.RecordCount(), 2);
  table.RecNo = 2;
  test::exec("INSERT INTO DEPOSITO_001 (CODIGO, DESCRICAO) VALUES ('0003', 'NOVO')");
  ExecutaRefresh(table);
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.RecNo, 2);

  table.RecNo = 3;
  test::exec("DELETE FROM DEPOSITO_001 WHERE CODIGO <> '0001'");
  ExecutaRefresh(table);
  EXPECT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(table.RecNo, 1);  // fewer rows: the last one
}

}  // namespace
}  // namespace zpk
