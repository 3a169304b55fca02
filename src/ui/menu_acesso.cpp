// The main window's menu items and the menu built from ACESSO_MENU.
#include "ui/menu_acesso.hpp"

#include <QMenu>

#include "foundation/lookups.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "ui/carrega_form.hpp"

namespace zpk::ui {

QWidget* TsMenuItem::abre() const {
  return Carrega_Form(NomeBpl, NomeForm, CodRelatorio, false, true, "I");
}

std::vector<TsMenuItem*> monta_menu_acesso(QMenu& Menu, std::function<void(TsMenuItem&)> Escolhe) {
  if (!Escolhe) Escolhe = [](TsMenuItem& item) { item.abre(); };
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Text = "SELECT NIVEL, NOME_FORM, NOME_BPL, RELATORIO, CAPTION FROM " + DBLocal("ACESSO_MENU") +
               " ORDER BY NIVEL";
  q.Open();
  std::vector<TsMenuItem*> itens;
  for (; !q.Eof(); q.Next()) {
    // Rows without a screen or program are headings of the access tree, not items.
    if (Trim(q.FieldByName("NOME_FORM").AsString()).empty() &&
        Trim(q.FieldByName("NOME_BPL").AsString()).empty())
      continue;
    const std::string nivel = Trim(q.FieldByName("NIVEL").AsString());
    auto* item = new TsMenuItem(
        QString::fromStdString(nivel + " - " + Trim(q.FieldByName("CAPTION").AsString())), &Menu);
    item->NivelForm = nivel;
    item->NomeForm = Trim(q.FieldByName("NOME_FORM").AsString());
    item->NomeBpl = Trim(q.FieldByName("NOME_BPL").AsString());
    item->CodRelatorio = Trim(q.FieldByName("RELATORIO").AsString());
    QObject::connect(item, &QAction::triggered, item, [item, Escolhe] { Escolhe(*item); });
    Menu.addAction(item);
    itens.push_back(item);
  }
  return itens;
}

}  // namespace zpk::ui
