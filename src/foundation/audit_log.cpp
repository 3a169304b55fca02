#include "foundation/audit_log.hpp"

#include <vector>

#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk {

std::string operacao_log_text(TOperacaoLog Operacao) {
  switch (Operacao) {
    case oplInclusao:
      return "Inclusão";
    case oplAlteracao:
      return "Alteração";
    case oplExclusao:
      return "Exclusão";
    case oplMovimentacao:
      return "Movimentação";
  }
  return {};
}

void GeraLog(std::string_view Tela, std::string_view Descricao, TOperacaoLog Operacao, std::string_view Chave,
             std::optional<std::string_view> Form) {
  std::string formulario;
  if (Form) {
    formulario = Copy(*Form, 1, 45);
  } else if (active_form_name) {
    // No form on the screen is no reason to lose the audit row.
    try {
      formulario = Copy(active_form_name(), 1, 45);
    } catch (...) {
      formulario.clear();
    }
  }

  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("INSERT INTO LOG (DATA, HORA, USUARIO, TELA, DESCRICAO, EMPRESA, CHAVE, OPERACAO, FORMULARIO)");
  q.SQL.Add("VALUES");
  q.SQL.Add(
      "(CURRENT_DATE, CURRENT_TIMESTAMP, :USUARIO, :TELA, :DESCRICAO, :EMPRESA, :CHAVE, :OPERACAO, "
      ":FORMULARIO)");
  q.ParamByName("USUARIO").AsString = vUsuario;
  q.ParamByName("TELA").AsString = UpperCase(Tela);
  q.ParamByName("DESCRICAO").AsString = UpperCase(StringReplace(Descricao, "'", "´", rfReplaceAll));
  q.ParamByName("EMPRESA").AsString = Tabela.SufixoEmpresa;
  q.ParamByName("CHAVE").AsString = std::string(Chave);
  q.ParamByName("OPERACAO").AsString = operacao_log_text(Operacao);
  q.ParamByName("FORMULARIO").AsString = formulario;
  q.ExecSQL();
  Tabela.IBTransaction.CommitRetaining();
}

TFmConsultaLog::TFmConsultaLog() {
  FmConsultaLog = this;
  tbLog.FieldDefs.Add("Usuario", ftString);
  tbLog.FieldDefs.Add("Data", ftDate);
  tbLog.FieldDefs.Add("Hora", ftTime);
  tbLog.FieldDefs.Add("Tela", ftString, 50);
  tbLog.FieldDefs.Add("Descricao", ftString, 150);
  tbLog.FieldDefs.Add("Operacao", ftString, 15);
  tbLog.FieldDefs.Add("Empresa", ftString, 4);
  tbLog.CreateDataSet();
}

TFmConsultaLog::~TFmConsultaLog() {
  if (FmConsultaLog == this) FmConsultaLog = nullptr;
}

void TFmConsultaLog::FormShow() {
  tbLog.EmptyDataSet();

  // The screen names and the key are bound: a quote in them selects nothing
  // instead of breaking the statement.
  std::vector<std::string> telas;
  if (Tela.find(';') != std::string::npos) {
    telas = SplitText(Tela, ";");
  } else {
    telas.push_back(Tela);
  }
  std::string list;
  for (size_t i = 0; i < telas.size(); ++i) list += (i ? ", :TELA" : ":TELA") + std::to_string(i);

  TTIQuery QryAux(Tabela.IBDatabase);
  QryAux.SQL.Add("SELECT USUARIO, DATA, HORA, DESCRICAO, TELA, OPERACAO, EMPRESA ");
  QryAux.SQL.Add("FROM LOG WHERE TELA IN (" + list + ")");
  QryAux.SQL.Add("AND CHAVE = :CHAVE");
  if (!TodasEmpresas) QryAux.SQL.Add("AND EMPRESA = :EMPRESA");
  QryAux.SQL.Add("ORDER BY DATA, HORA ");
  for (size_t i = 0; i < telas.size(); ++i)
    QryAux.ParamByName("TELA" + std::to_string(i)).AsString = telas[i];
  QryAux.ParamByName("CHAVE").AsString = Chave;
  if (!TodasEmpresas) QryAux.ParamByName("EMPRESA").AsString = Trim(Tabela.SufixoEmpresa);
  try {
    QryAux.Open();
  } catch (const EDatabaseError& e) {
    // A name or key longer than its column matches no row.
    if (!e.is_truncation()) throw;
    return;
  }

  for (; !QryAux.Eof(); QryAux.Next()) {
    tbLog.Append();
    tbLog.FieldByName("Usuario").AsString = QryAux.FieldByName("USUARIO").AsString();
    tbLog.FieldByName("Data").AsDateTime = QryAux.FieldByName("DATA").AsDateTime();
    tbLog.FieldByName("Hora").AsDateTime = QryAux.FieldByName("HORA").AsDateTime();
    tbLog.FieldByName("Descricao").AsString = QryAux.FieldByName("DESCRICAO").AsString();
    tbLog.FieldByName("Operacao").AsString = QryAux.FieldByName("OPERACAO").AsString();
    tbLog.FieldByName("Empresa").AsString = QryAux.FieldByName("EMPRESA").AsString();
    tbLog.FieldByName("Tela").AsString = QryAux.FieldByName("TELA").AsString();
    tbLog.Post();
  }
  tbLog.First();
}

void AcessaLog(std::string_view Tela, std::string_view Chave, bool TodasEmpresas) {
  TFmConsultaLog form;
  form.Tela = std::string(Tela);
  form.Chave = std::string(Chave);
  form.TodasEmpresas = TodasEmpresas;
  form.FormShow();
  if (show_consulta_log) show_consulta_log(form);
}

}  // namespace zpk
