// The main window's tab bar of open screens: one tab per MDI child, kept in
// step with the windows (activating a window selects its tab, a tab click
// shows its window, closing either closes both), and the look-up of a screen
// that is already open.
#pragma once

#include <QMdiSubWindow>
#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

class QMainWindow;
class QMdiArea;
class QTabBar;
class QWidget;
class QKeyEvent;

namespace zpk::ui {

// What one tab knows about its window: the screen, the package it came from
// and the report or variant code it was opened with.
struct TDadosJanela {
  QPointer<QWidget> Form;
  std::string NomeBpl;
  std::string CodRelatorio;
};

// The screen's class name as the menu stores it: the name it was registered
// under when a plugin made it, else its Qt class name.
std::string nome_classe(const QWidget* Form);

// The MDI frame the ERP's main window is: a tab bar named "TITabs1" over an
// MDI area. The host may build its own main window as long as it has both.
QMainWindow* make_main_window(QWidget* parent = nullptr);

// An MDI child frame that asks the tab bar before it closes, so that a
// refused close keeps the tab and an accepted one removes it.
class JanelaMdi : public QMdiSubWindow {
  Q_OBJECT
 public:
  using QMdiSubWindow::QMdiSubWindow;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class TJanelasSistema;
  // The default close: the screen inside is asked and may refuse.
  void fecha_padrao(QCloseEvent* event) { QMdiSubWindow::closeEvent(event); }
};

// The tab bar component of the main form. One instance, made by
// SetFormPrincipal and kept in sysJanelas.
class TJanelasSistema : public QObject {
  Q_OBJECT
 public:
  // Binds to the main form's tab bar "TITabs1" and its MDI area; raises
  // EZpkError when the form has either missing.
  explicit TJanelasSistema(QMainWindow* Form);
  ~TJanelasSistema() override;

  // The main form, its tab bar and its MDI area; nullptr once the main form is gone.
  QMainWindow* FormPrincipal() const;
  QTabBar* TITabs() const;
  QMdiArea* area() const;

  // Makes Form an MDI child of the main form (a no-op when it already is) and
  // returns its frame; a dialog or a window of its own stays what it is (nullptr).
  JanelaMdi* torna_filha(QWidget* Form);

  // Gives an MDI child of the main form its tab: captioned "<NIVEL> - <CAPTION>"
  // from ACESSO_MENU for the screen's class, package and code, else the
  // window's own caption. Forms that are no MDI child get no tab.
  void AddWindowBar(QWidget* Form, const std::string& NomeBpl, const std::string& CodRelatorio);

  // The tab data of Form and its index; nullptr and -1 when it has no tab.
  TDadosJanela* GetDadosJanela(const QWidget* Form, int& Indice) const;

  // Selects the tab of the window activated.
  void OnAtivaJanela(QMdiSubWindow* Sender);
  // Closes the window's own child windows, asks the window, and removes its
  // tab when it agreed; CanClose says what it answered.
  void OnCloseQueryJanela(JanelaMdi* Sender, QCloseEvent* event);
  // Shows the window of the active tab.
  void TITabsTabChange(int index);
  // A tab's close button asks its window to close; the tab goes with the window.
  void TITabsCloseTab(int index);

 private:
  void remove_tab(int index);
  // The tab's caption from ACESSO_MENU, or "" without a matching row.
  std::string caption_do_menu(const QWidget* Form, const std::string& NomeBpl,
                              const std::string& CodRelatorio) const;

  // Guarded: the host may destroy its main window before this instance.
  QPointer<QMainWindow> form_principal_;
  QPointer<QTabBar> tabs_;
  QPointer<QMdiArea> area_;
  bool change_attached_ = true;
};

// The process's tab bar instance; nullptr until SetFormPrincipal.
inline std::unique_ptr<TJanelasSistema> sysJanelas;

// Creates the tab bar instance in sysJanelas for the main form Form.
void SetFormPrincipal(QMainWindow* Form);

// True, with the window brought to the front, when an MDI child of class
// NomeForm is open; for the generic screens "TfmRelatorios" and
// "TFmFormulario" the caption before "  -  " must also equal Titulo.
bool TelaCarregada(const std::string& NomeForm, const std::string& Titulo);

// The data-entry keyboard filter: quotes are swallowed (returns 0) and
// Escape on an edit or button moves the focus to the previous control
// (returns 0); any other key is returned unchanged.
int pSetFocus(QWidget* Form, int Key);

}  // namespace zpk::ui
