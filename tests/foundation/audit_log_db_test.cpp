// The audit log: what GeraLog stores (texts as typed, the description's quote
// rule, upper case, the operation's text, the form name), and what the audit
// viewer lists for screens, a record and the companies.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/audit_log.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/datetime.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"

namespace zpk {
namespace {

class AuditLog : public test::DatabaseTest {
 protected:
  void SetUp() override { vUsuario = "JOAO"; }
  void TearDown() override {
    vUsuario.clear();
    active_form_name = nullptr;
    show_consulta_log = nullptr;
    test::DatabaseTest::TearDown();
  }

  struct Row {
    std::string data_is_today, usuario, tela, descricao, empresa, operacao, formulario;
  };

  // The rows of a key as another station sees them (so committed ones only).
  static std::vector<Row> rows(const std::string& chave) {
    TTIDatabase other;
    other.GetDatabase(Tabela.IBDatabase);
    TTIQuery q(other);
    q.SQL.Add(
        "SELECT IIF(DATA = CURRENT_DATE AND HORA IS NOT NULL, 'S', 'N') AS HOJE, USUARIO, TELA, DESCRICAO, "
        "EMPRESA, OPERACAO, FORMULARIO FROM LOG WHERE CHAVE = :CHAVE ORDER BY HORA");
    q.ParamByName("CHAVE").AsString = chave;
    q.Open();
    std::vector<Row> out;
    for (; !q.Eof(); q.Next()) {
      out.push_back({q.FieldByName("HOJE").AsString(), q.FieldByName("USUARIO").AsString(),
                     q.FieldByName("TELA").AsString(), q.FieldByName("DESCRICAO").AsString(),
                     q.FieldByName("EMPRESA").AsString(), q.FieldByName("OPERACAO").AsString(),
                     q.FieldByName("FORMULARIO").AsString()});
    }
    return out;
  }

  static void log_row(const std::string& tela, const std::string& chave, const std::string& empresa,
                      const std::string& hora, const std::string& descricao) {
    TTIQuery q(Tabela.IBDatabase);
    q.SQL.Add(
        "INSERT INTO LOG (DATA, HORA, USUARIO, TELA, DESCRICAO, EMPRESA, CHAVE, OPERACAO) VALUES "
        "('2025-03-10', "
        ":HORA, 'ANA', :TELA, :DESCRICAO, :EMPRESA, :CHAVE, 'Alteração')");
    q.ParamByName("HORA").AsString = "2025-03-10 " + hora;
    q.ParamByName("TELA").AsString = tela;
    q.ParamByName("DESCRICAO").AsString = descricao;
    q.ParamByName("EMPRESA").AsString = empresa;
    q.ParamByName("CHAVE").AsString = chave;
    q.ExecSQL();
  }
};

TEST_F(AuditLog, GeraLogWritesOneCommittedRowPerCall) {
  const struct {
    TOperacaoLog operacao;
    const char* texto;
  } kCases[] = {
      {oplInclusao, "Inclusão"},
      {oplAlteracao, "Alteração"},
      {oplExclusao, "Exclusão"},
      {oplMovimentacao, "Movimentação"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.texto);
    const std::string chave = std::string("OP-") + c.texto;
    GeraLog("Pedido", "alteração do pedido", c.operacao, chave, "FmPedido");
    const std::vector<Row> got = rows(chave);
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(got[0].data_is_today, "S");
    EXPECT_EQ(got[0].usuario, "JOAO");
    EXPECT_EQ(got[0].tela, "PEDIDO");
    EXPECT_EQ(got[0].descricao, "ALTERAÇÃO DO PEDIDO");
    EXPECT_EQ(got[0].empresa, "_001");
    EXPECT_EQ(got[0].operacao, c.texto);
    EXPECT_EQ(got[0].formulario, "FmPedido");
  }
}

TEST_F(AuditLog, DescriptionsAreStoredAsTypedWithTheQuoteRule) {
  const struct {
    const char* descricao;
    const char* stored;
  } kCases[] = {
      {"pedido d'água", "PEDIDO D´ÁGUA"},
      {"'); DELETE FROM LOG; --", "´); DELETE FROM LOG; --"},
      {"ção ñ é ü", "ÇÃO Ñ É Ü"},
      {"", ""},
  };
  int n = 0;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.descricao);
    const std::string chave = "DESC-" + std::to_string(++n);
    GeraLog("tela d'ela", c.descricao, oplAlteracao, chave, "");
    const std::vector<Row> got = rows(chave);
    ASSERT_EQ(got.size(), 1U);
    EXPECT_EQ(got[0].descricao, c.stored);
    EXPECT_EQ(got[0].tela, "TELA D'ELA");  // only the description takes the rule
  }
  EXPECT_EQ(rows("DESC-1").size(), 1U);  // nothing was deleted
}

TEST_F(AuditLog, TheFormNameIsCutAt45CharactersOrTakenFromTheActiveForm) {
  const std::string long_name(50, 'F');
  GeraLog("X", "Y", oplInclusao, "FORM-1", long_name);
  EXPECT_EQ(rows("FORM-1").at(0).formulario, std::string(45, 'F'));

  GeraLog("X", "Y", oplInclusao, "FORM-2");  // no form and no screen: empty
  EXPECT_EQ(rows("FORM-2").at(0).formulario, "");

  active_form_name = [] { return std::string("FmConsultaPedidos"); };
  GeraLog("X", "Y", oplInclusao, "FORM-3");
  EXPECT_EQ(rows("FORM-3").at(0).formulario, "FmConsultaPedidos");

  active_form_name = []() -> std::string { throw std::runtime_error("not a form"); };
  GeraLog("X", "Y", oplInclusao, "FORM-4");
  EXPECT_EQ(rows("FORM-4").at(0).formulario, "");
}

TEST_F(AuditLog, TheViewerListsTheRecordOnTheScreensInOrder) {
  log_row("PEDIDO", "000777", "_001", "10:00:00", "SEGUNDA");
  log_row("PEDIDO", "000777", "_001", "09:00:00", "PRIMEIRA");
  log_row("ORCAMENTO", "000777", "_001", "11:00:00", "TERCEIRA");
  log_row("PEDIDO", "000777", "_002", "12:00:00", "OUTRA EMPRESA");
  log_row("PEDIDO", "000778", "_001", "09:30:00", "OUTRO REGISTRO");
  log_row("CLIENTE", "000777", "_001", "09:45:00", "OUTRA TELA");

  const struct {
    const char* tela;
    bool todas;
    std::vector<std::string> descricoes;
  } kCases[] = {
      {"PEDIDO", false, {"PRIMEIRA", "SEGUNDA"}},
      {"PEDIDO;ORCAMENTO", false, {"PRIMEIRA", "SEGUNDA", "TERCEIRA"}},
      {"PEDIDO", true, {"PRIMEIRA", "SEGUNDA", "OUTRA EMPRESA"}},
      {"NADA", false, {}},
      {"PED'IDO", false, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.tela);
    TFmConsultaLog form;
    EXPECT_EQ(FmConsultaLog, &form);
    form.Tela = c.tela;
    form.Chave = "000777";
    form.TodasEmpresas = c.todas;
    form.FormShow();
    form.FormShow();  // shown again: emptied first
    std::vector<std::string> got;
    for (form.tbLog.First(); !form.tbLog.Eof(); form.tbLog.Next()) {
      got.push_back(form.tbLog.FieldByName("Descricao").AsString());
    }
    EXPECT_EQ(got, c.descricoes);
  }
  EXPECT_EQ(FmConsultaLog, nullptr);
}

TEST_F(AuditLog, AcessaLogFillsTheViewerItShows) {
  log_row("PEDIDO", "000779", "_001", "08:15:30", "UMA LINHA");
  int shown = 0;
  show_consulta_log = [&shown](TFmConsultaLog& form) {
    ++shown;
    EXPECT_EQ(form.Caption, "Consulta Alterações");
    ASSERT_EQ(form.tbLog.RecordCount(), 1);
    EXPECT_EQ(form.tbLog.FieldByName("Usuario").AsString(), "ANA");
    EXPECT_EQ(form.tbLog.FieldByName("Data").AsString(), "10/03/2025");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", form.tbLog.FieldByName("Hora").AsDateTime()), "08:15:30");
    EXPECT_EQ(form.tbLog.FieldByName("Tela").AsString(), "PEDIDO");
    EXPECT_EQ(form.tbLog.FieldByName("Operacao").AsString(), "Alteração");
    EXPECT_EQ(form.tbLog.FieldByName("Empresa").AsString(), "_001");
  };
  AcessaLog("PEDIDO", "000779", false);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(FmConsultaLog, nullptr);
}

}  // namespace
}  // namespace zpk
