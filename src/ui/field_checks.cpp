#include "ui/field_checks.hpp"

#include <QLabel>
#include <QLineEdit>

#include "foundation/lookups.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/ui/dialog_message.hpp"

namespace zpk::ui {
namespace {

// The caption of the ERP's own questions about a field.
constexpr const char* kCaption = "ZELVO Sistemas";

}  // namespace

void ConfirmaLimparCampo(const QLabel& Label, QLineEdit& Edit) {
  if (Edit.text().trimmed().isEmpty()) return;
  const std::string question = "Deseja limpar o campo " + Label.text().toStdString() + "?";
  if (MessageBox(question, kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) Edit.clear();
}

bool ValidaCampo(bool Abrir, QLineEdit& Edit, const PesquisaCampo& Pesquisa) {
  const std::string code = Edit.text().toStdString();
  // Whatever was typed is one quoted text (its quotes doubled): a quote in the
  // field is a character of the code looked up, never the end of the literal.
  if (!code.empty() && !Existe(Pesquisa.tabela, Pesquisa.campo, QuotedStr(code))) {
    MessageBox("Código digitado inválido. Consulte.", kCaption, MB_OK | MB_ICONINFORMATION);
    Edit.setFocus();
    return false;
  }
  if (Abrir && code.empty() && Pesquisa.abre_pesquisa) Pesquisa.abre_pesquisa(Edit);
  return true;
}

}  // namespace zpk::ui
