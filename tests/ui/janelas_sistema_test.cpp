// The main window's tab bar: one tab per open screen, closing either closes
// both, a refused close keeps the tab; screens loaded by class name.
#include "ui/janelas_sistema.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <chrono>
#include <memory>
#include <thread>

#include "foundation/session.hpp"
#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/scoped.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"

namespace zpk::ui {
namespace {

// A screen that may refuse to close, as data-entry screens with unsaved changes do.
class TelaTeste : public QWidget {
 public:
  bool recusa = false;

 protected:
  void closeEvent(QCloseEvent* e) override { recusa ? e->ignore() : e->accept(); }
};

const RegistraTela kTelaTeste("TfmTelaTeste", [] {
  auto* tela = new TelaTeste;
  tela->setWindowTitle("Tela de teste");
  return tela;
});

class JanelasSistemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    aplicacao_qt();
    principal_.reset(make_main_window());
    SetFormPrincipal(principal_.get());
    principal_->show();
  }
  void TearDown() override {
    sysJanelas.reset();
    principal_.reset();
  }

  // Opens a test screen as an MDI child with its tab.
  TelaTeste* abre(const QString& titulo) {
    auto* tela = new TelaTeste;
    tela->setWindowTitle(titulo);
    sysJanelas->torna_filha(tela);
    sysJanelas->AddWindowBar(tela, "zpkTeste.bpl", "");
    tela->show();
    return tela;
  }
  QTabBar& tabs() { return *sysJanelas->TITabs(); }
  QMdiArea& area() { return *sysJanelas->area(); }

  std::unique_ptr<QMainWindow> principal_;
};

TEST_F(JanelasSistemaTest, ClosingATabClosesItsScreenAndTheReverse) {
  QPointer<TelaTeste> a = abre("Pedidos");
  QPointer<TelaTeste> b = abre("Clientes");
  ASSERT_EQ(tabs().count(), 2);
  // Without a menu row the tab shows the window's own caption.
  EXPECT_EQ(tabs().tabText(0), "Pedidos");
  EXPECT_EQ(tabs().tabText(1), "Clientes");

  emit tabs().tabCloseRequested(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(a.isNull());
  ASSERT_EQ(tabs().count(), 1);
  EXPECT_EQ(tabs().tabText(0), "Clientes");

  ASSERT_TRUE(b);
  b->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(b.isNull());
  EXPECT_EQ(tabs().count(), 0);
  EXPECT_TRUE(area().subWindowList().isEmpty());
}

TEST_F(JanelasSistemaTest, AScreenThatRefusesToCloseKeepsItsTab) {
  QPointer<TelaTeste> tela = abre("Pedidos");
  tela->recusa = true;
  emit tabs().tabCloseRequested(0);
  tela->parentWidget()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_TRUE(tela);
  EXPECT_EQ(tabs().count(), 1);

  tela->recusa = false;
  emit tabs().tabCloseRequested(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(tela.isNull());
  EXPECT_EQ(tabs().count(), 0);
}

TEST_F(JanelasSistemaTest, TabAndActiveWindowFollowEachOther) {
  TelaTeste* a = abre("Pedidos");
  TelaTeste* b = abre("Clientes");
  area().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(a->parentWidget()));
  EXPECT_EQ(tabs().currentIndex(), 0);
  tabs().setCurrentIndex(1);
  EXPECT_EQ(area().activeSubWindow(), b->parentWidget());

  // The same screen twice gives two windows and two tabs, asking again gives no third.
  TelaTeste* c = abre("Pedidos");
  sysJanelas->AddWindowBar(c, "zpkTeste.bpl", "");
  EXPECT_EQ(tabs().count(), 3);
  int indice = -1;
  const TDadosJanela* dados = sysJanelas->GetDadosJanela(c, indice);
  ASSERT_NE(dados, nullptr);
  EXPECT_EQ(indice, 2);
  EXPECT_EQ(dados->NomeBpl, "zpkTeste.bpl");
}

TEST_F(JanelasSistemaTest, AScreenDeletedByItsOwnerLosesItsTab) {
  TelaTeste* tela = abre("Pedidos");
  delete tela->parentWidget();
  EXPECT_EQ(tabs().count(), 0);
}

TEST_F(JanelasSistemaTest, TheMainWindowMayGoBeforeTheTabBarInstance) {
  abre("Pedidos");
  principal_.reset();
  // Screens opened afterwards stay plain windows; dropping the instance is safe.
  auto* tela = new TelaTeste;
  EXPECT_EQ(sysJanelas->torna_filha(tela), nullptr);
  delete tela;
  sysJanelas.reset();
}

TEST_F(JanelasSistemaTest, TelaCarregadaFindsAnOpenScreenByClassAndGenericOnesByTitle) {
  auto* tela = dynamic_cast<TelaTeste*>(Carrega_Form("", "TfmTelaTeste", "", false, true, "N"));
  ASSERT_NE(tela, nullptr);
  EXPECT_EQ(tabs().count(), 1);
  EXPECT_EQ(tabs().tabText(0), "Tela de teste");
  EXPECT_TRUE(TelaCarregada("TFMTELATESTE", ""));
  EXPECT_FALSE(TelaCarregada("TfmOutra", ""));

  registra_classe_tela("TfmRelatorios", [] { return new TelaTeste; });
  QWidget* relatorio = Carrega_Form("", "TfmRelatorios", "FAT01", false, true, "N");
  relatorio->setWindowTitle("Faturamento  -  FAT01");
  EXPECT_TRUE(TelaCarregada("TfmRelatorios", "Faturamento"));
  EXPECT_FALSE(TelaCarregada("TfmRelatorios", "Faturamento  -  FAT01"));
  EXPECT_EQ(sRelatorio, "FAT01");
}

TEST_F(JanelasSistemaTest, UnknownScreenIsReportedAndMissingPackageRaises) {
  HeadlessDialogs dialogs;
  ScopedDialogService instalado(dialogs);
  EXPECT_EQ(Carrega_Form("", "TfmNaoExiste", "", false, true, "N"), nullptr);
  ASSERT_EQ(dialogs.records().size(), 1u);
  EXPECT_EQ(dialogs.records()[0].text, "Não foi possível encontrar a Tela!");
  EXPECT_EQ(dialogs.records()[0].type, mtError);
  EXPECT_EQ(tabs().count(), 0);

  test::TempFolder pasta("janelas-pacote");
  set_program_folder(pasta.path());
  EXPECT_THROW(Carrega_Form("zpkNaoExiste.bpl", "TfmTelaTeste", "", false, true, "N"), EZpkError);
  // A file that is no shared library is refused with the loader's message, never opened as a screen.
  test::write_file(pasta.path() / "zpkQuebrado.so", "not a library");
  EXPECT_THROW(Carrega_Form("zpkQuebrado.bpl", "TfmTelaTeste", "", false, true, "N"), EZpkError);
  set_program_folder({});
  EXPECT_EQ(tabs().count(), 0);
}

TEST_F(JanelasSistemaTest, PackagesAreSharedLibrariesFoundByNameInTheProgramFolder) {
  test::TempFolder pasta("janelas-lib");
  set_program_folder(pasta.path());
  // Any shared library stands in for a package here: loading is what is checked.
  std::filesystem::create_symlink("/lib/x86_64-linux-gnu/libm.so.6", pasta.path() / "libzpkUtilTeste.so");
  QWidget* tela = Carrega_Form("zpkUtilTeste.bpl", "TfmTelaTeste", "", false, true, "N");
  ASSERT_NE(tela, nullptr);
  EXPECT_EQ(tabs().count(), 1);
  // Loaded once: the file may go, the package stays loaded.
  std::filesystem::remove(pasta.path() / "libzpkUtilTeste.so");
  EXPECT_NE(Carrega_Form("ZPKUTILTESTE.BPL", "TfmTelaTeste", "", false, true, "N"), nullptr);
  EXPECT_EQ(tabs().count(), 2);
  set_program_folder({});
}

TEST_F(JanelasSistemaTest, TheDemoPackageRegistersItsScreenWhenLoadedAndItOpensInATab) {
  set_program_folder(ZPK_PACOTE_DEMO_DIR);
  EXPECT_FALSE(classe_tela_registrada("TfmDemoPacote"));  // only the package knows it
  QWidget* tela = Carrega_Form("zpkDemo.bpl", "TfmDemoPacote", "", false, true, "N");
  set_program_folder({});
  ASSERT_NE(tela, nullptr);
  EXPECT_TRUE(classe_tela_registrada("TfmDemoPacote"));
  EXPECT_EQ(nome_classe(tela), "TfmDemoPacote");
  ASSERT_EQ(tabs().count(), 1);
  EXPECT_EQ(tabs().tabText(0), "Tela do pacote de demonstração");
  EXPECT_EQ(area().activeSubWindow()->widget(), tela);
  // The loader gave the package's screen the common look: its button's mnemonic by kind.
  auto* confirma = tela->findChild<QPushButton*>("btnConfirmar");
  ASSERT_NE(confirma, nullptr);
  EXPECT_EQ(confirma->text(), "Confirm&ar");
}

TEST_F(JanelasSistemaTest, AModalScreenGetsNoTabAndIsFreedWhenClosed) {
  QPointer<QWidget> vista;
  QTimer fecha;  // closes the modal screen once it is up (setting it up processes events first)
  QObject::connect(&fecha, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      vista = modal;
      fecha.stop();
      modal->close();
    }
  });
  fecha.start(1);
  EXPECT_EQ(Carrega_Form("", "TfmTelaTeste", "", true, true, "N"), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(tabs().count(), 0);
  EXPECT_TRUE(vista.isNull());
}

TEST_F(JanelasSistemaTest, ProgramEntriesStartTheProgramWithTheUsersCodeForTheFiscalOne) {
  test::TempFolder pasta("janelas-exe");
  set_program_folder(pasta.path());
  const auto programas = pasta.path() / "Programas Zelvo";
  const auto saida = pasta.path() / "argumentos.txt";
  test::write_file(programas / "SPEDFiscal", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + saida.string() +
                                                 ".tmp'\nmv '" + saida.string() + ".tmp' '" + saida.string() +
                                                 "'\n");
  ::chmod((programas / "SPEDFiscal").c_str(), 0755);
  GravaIni("caminho", "path", programas.string(), Tabela.ArquivoIni);
  test::ScopedValue codigo(vUsuarioCodigo, std::string("007"));

  EXPECT_EQ(Carrega_Form("SPEDFiscal.exe", "", "", false, true, "N"), nullptr);
  // The program runs beside the screens: wait until it has written its arguments.
  for (int i = 0; i < 500 && !std::filesystem::exists(saida); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::read_file(saida), "007|");
  EXPECT_EQ(tabs().count(), 0);
  set_program_folder({});
}

TEST(PSetFocus, QuotesAreSwallowedAndEscapeStepsBackFromEditsOnly) {
  aplicacao_qt();
  QWidget form;
  auto* primeiro = new QLineEdit(&form);
  auto* segundo = new QLineEdit(&form);
  auto* combo = new QComboBox(&form);
  combo->setEditable(true);
  form.show();
  QApplication::setActiveWindow(&form);
  EXPECT_EQ(pSetFocus(&form, Qt::Key_Apostrophe), 0);
  EXPECT_EQ(pSetFocus(&form, Qt::Key_QuoteDbl), 0);
  EXPECT_EQ(pSetFocus(&form, Qt::Key_A), Qt::Key_A);

  segundo->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), segundo);
  EXPECT_EQ(pSetFocus(&form, Qt::Key_Escape), 0);
  EXPECT_EQ(QApplication::focusWidget(), primeiro);

  combo->setFocus();
  EXPECT_EQ(pSetFocus(&form, Qt::Key_Escape), Qt::Key_Escape);
  EXPECT_TRUE(combo->hasFocus());
}

}  // namespace
}  // namespace zpk::ui
