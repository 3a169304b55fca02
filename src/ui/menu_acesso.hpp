// The main window's menu items: each names the screen it opens (class and
// package), its menu level and the report code handed to the screen, and
// the menu the ERP builds from ACESSO_MENU with them.
#pragma once

#include <QAction>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class QWidget;

namespace zpk::ui {

// A menu item that opens a screen. Its four values are plain stored texts,
// also readable by name as Qt properties ("NomeForm", ...), as screens and
// options read a menu item's published values.
class TsMenuItem : public QAction {
  Q_OBJECT
  Q_PROPERTY(QString NomeForm READ nome_form WRITE set_nome_form)
  Q_PROPERTY(QString NomeBpl READ nome_bpl WRITE set_nome_bpl)
  Q_PROPERTY(QString NivelForm READ nivel_form WRITE set_nivel_form)
  Q_PROPERTY(QString CodRelatorio READ cod_relatorio WRITE set_cod_relatorio)

 public:
  using QAction::QAction;

  std::string NomeForm;      // class name of the screen ("TfmCadPedido")
  std::string NomeBpl;       // its package ("zpkVendas.bpl") or a program ("SPEDFiscal.exe")
  std::string NivelForm;     // the menu level or code shown in the tab ("1.01")
  std::string CodRelatorio;  // report or variant code handed to the screen

  // Opens the item's screen as the menu does: Carrega_Form(NomeBpl, NomeForm,
  // CodRelatorio, not modal, shown, saving as ACESSO_MENU says). Raises
  // EZpkError when its package does not load.
  QWidget* abre() const;

 private:
  QString nome_form() const { return QString::fromStdString(NomeForm); }
  QString nome_bpl() const { return QString::fromStdString(NomeBpl); }
  QString nivel_form() const { return QString::fromStdString(NivelForm); }
  QString cod_relatorio() const { return QString::fromStdString(CodRelatorio); }
  void set_nome_form(const QString& v) { NomeForm = v.toStdString(); }
  void set_nome_bpl(const QString& v) { NomeBpl = v.toStdString(); }
  void set_nivel_form(const QString& v) { NivelForm = v.toStdString(); }
  void set_cod_relatorio(const QString& v) { CodRelatorio = v.toStdString(); }
};

// Adds to Menu one item per row of ACESSO_MENU of the connected database that
// names a screen, in level order, captioned "NIVEL - CAPTION"; choosing one
// calls Escolhe with it (by default TsMenuItem::abre). Returns the items.
std::vector<TsMenuItem*> monta_menu_acesso(QMenu& Menu, std::function<void(TsMenuItem&)> Escolhe = {});

}  // namespace zpk::ui
