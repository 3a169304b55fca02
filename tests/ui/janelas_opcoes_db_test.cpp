// Per-user screen options: what a user leaves on a screen comes back the next
// time the screen opens, also after a restart, for that user only; grid
// layouts survive saving; tab captions and the saving choice come from the menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QMainWindow>
#include <QPointer>
#include <QRadioButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <memory>

#include "foundation/session.hpp"
#include "platform/tabela/tabela.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/carrega_form.hpp"
#include "ui/janelas_sistema.hpp"
#include "ui/opcoes_tela.hpp"

namespace zpk::ui {
namespace {

// A filter screen with one control of each kind whose state is kept.
struct TelaFiltro : QWidget {
  TelaFiltro() {
    auto* layout = new QVBoxLayout(this);
    ativos = new QCheckBox("Somente ativos", this);
    ativos->setObjectName("chkAtivos");
    ordem = new QComboBox(this);
    ordem->setObjectName("cbOrdem");
    ordem->addItems({"Código", "Nome", "Cidade"});
    zoom = new QSlider(Qt::Horizontal, this);
    zoom->setObjectName("tbZoom");
    zoom->setRange(10, 100);
    zoom->setValue(100);
    data = new QDateEdit(QDate(2026, 1, 1), this);
    data->setObjectName("edInicio");
    data->setDisplayFormat("dd/MM/yyyy");
    paginas = new QTabWidget(this);
    paginas->setObjectName("pcPaginas");
    for (const char* nome : {"Geral", "Fiscal", "Estoque"}) paginas->addTab(new QWidget, nome);
    escolha = new QButtonGroup(this);
    escolha->setObjectName("rgTipo");
    for (const char* nome : {"Todos", "Clientes", "Fornecedores"}) {
      auto* radio = new QRadioButton(nome, this);
      escolha->addButton(radio);
      layout->addWidget(radio);
    }
    escolha->buttons()[0]->setChecked(true);
    grade = new QTableView(this);
    grade->setObjectName("TIDBGridItens");
    auto* modelo = new QStandardItemModel(0, 3, grade);
    modelo->setHorizontalHeaderLabels({"CODIGO", "NOME", "VALOR"});
    grade->setModel(modelo);
    for (QWidget* w : std::initializer_list<QWidget*>{ativos, ordem, zoom, data, paginas, grade})
      layout->addWidget(w);
  }
  QCheckBox* ativos;
  QComboBox* ordem;
  QSlider* zoom;
  QDateEdit* data;
  QTabWidget* paginas;
  QButtonGroup* escolha;
  QTableView* grade;
};

const RegistraTela kFiltro("TfmFiltroTeste", [] { return new TelaFiltro; });

class OpcoesTelaTest : public test::DatabaseTest {
 protected:
  void SetUp() override { aplicacao_qt(); }
  test::ScopedValue<std::string> usuario_{vUsuario, "ADMIN"};
};

TelaFiltro* abre(const std::string& salvar = "S") {
  return dynamic_cast<TelaFiltro*>(Carrega_Form("", "TfmFiltroTeste", "", false, true, salvar));
}

TEST_F(OpcoesTelaTest, OptionsComeBackAfterARestartForTheSameUserOnly) {
  QPointer<TelaFiltro> tela = abre();
  ASSERT_TRUE(tela);
  tela->ativos->setChecked(true);
  tela->ordem->setCurrentIndex(2);
  tela->zoom->setValue(40);
  tela->data->setDate(QDate(2026, 3, 15));
  tela->paginas->setTabVisible(1, false);
  tela->escolha->buttons()[2]->setChecked(true);
  tela->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(tela.isNull());
  EXPECT_EQ(fFormEventStorageList.indexOfForm(tela), -1);

  // Committed: another station sees the rows, with the class name as the screen gives it.
  test::OtherStation outra;
  EXPECT_EQ(test::rows("SELECT TELA, USUARIO, COMPONENTE, VALOR FROM OPCOES_USUARIO_001 ORDER BY COMPONENTE",
                       {}, outra.db()),
            (std::vector<std::string>{"TfmFiltroTeste|ADMIN|cbOrdem|2", "TfmFiltroTeste|ADMIN|chkAtivos|S",
                                      "TfmFiltroTeste|ADMIN|edInicio|15/03/2026",
                                      "TfmFiltroTeste|ADMIN|pcPaginas|0,2", "TfmFiltroTeste|ADMIN|rgTipo|2",
                                      "TfmFiltroTeste|ADMIN|tbZoom|40"}));

  // A restart: a new connection, the screen made afresh.
  Tabela.IBDatabase.Close();
  Tabela.IBDatabase.Open();
  tela = abre();
  ASSERT_TRUE(tela);
  EXPECT_TRUE(tela->ativos->isChecked());
  EXPECT_EQ(tela->ordem->currentIndex(), 2);
  EXPECT_EQ(tela->zoom->value(), 40);
  EXPECT_EQ(tela->data->date(), QDate(2026, 3, 15));
  EXPECT_TRUE(tela->paginas->isTabVisible(0));
  EXPECT_FALSE(tela->paginas->isTabVisible(1));
  EXPECT_TRUE(tela->paginas->isTabVisible(2));
  EXPECT_TRUE(tela->escolha->buttons()[2]->isChecked());
  delete tela;

  test::ScopedValue<std::string> outro(vUsuario, "VENDEDOR");
  tela = abre();
  EXPECT_FALSE(tela->ativos->isChecked());
  EXPECT_EQ(tela->ordem->currentIndex(), 0);
  delete tela;
}

TEST_F(OpcoesTelaTest, GridLayoutsSurviveSavingAndAreApplied) {
  test::exec("INSERT INTO OPCOES_USUARIO_001 (TELA, USUARIO, COMPONENTE, VALOR) VALUES (?, ?, ?, ?)",
             {Variant("TfmFiltroTeste"), Variant("ADMIN"), Variant("TIDBGridItens"), Variant("NOME,CODIGO")});
  // A stale row of a control the screen no longer has is skipped, and stays.
  test::exec("INSERT INTO OPCOES_USUARIO_001 (TELA, USUARIO, COMPONENTE, VALOR) VALUES (?, ?, ?, ?)",
             {Variant("TfmFiltroTeste"), Variant("ADMIN"), Variant("chkAntigo"), Variant("S")});
  std::unique_ptr<TelaFiltro> tela(abre("N"));
  TOpcoesCarregamento::InicializaOpcoes(tela.get());
  QHeaderView* cabecalho = tela->grade->horizontalHeader();
  EXPECT_EQ(cabecalho->logicalIndex(0), 1);  // NOME first
  EXPECT_EQ(cabecalho->logicalIndex(1), 0);  // then CODIGO
  EXPECT_TRUE(tela->grade->isColumnHidden(2));

  // No visible page: nothing is stored, so the tabs keep their design state next time.
  for (int i = 0; i < 3; ++i) tela->paginas->setTabVisible(i, false);
  TOpcoesCarregamento::SalvaOpcoesUsuario(tela.get());
  TOpcoesCarregamento::SalvaOpcoesUsuario(tela.get());  // saving twice writes no row twice
  EXPECT_EQ(test::text("SELECT VALOR FROM OPCOES_USUARIO_001 WHERE COMPONENTE = 'TIDBGridItens'"),
            "NOME,CODIGO");
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM OPCOES_USUARIO_001 WHERE COMPONENTE = 'pcPaginas'"), 0);
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM OPCOES_USUARIO_001 WHERE COMPONENTE = 'chkAntigo'"), 0);
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM OPCOES_USUARIO_001 WHERE COMPONENTE = 'chkAtivos'"), 1);
}

TEST_F(OpcoesTelaTest, QuotesInNamesAreStoredAsTyped) {
  test::ScopedValue<std::string> usuario(vUsuario, "O'BRIEN");
  std::unique_ptr<TelaFiltro> tela(abre("N"));
  tela->ativos->setObjectName("chk'; DELETE FROM OPCOES_USUARIO_001 --");
  tela->ativos->setChecked(true);
  TOpcoesCarregamento::SalvaOpcoesUsuario(tela.get());
  EXPECT_EQ(test::text("SELECT VALOR FROM OPCOES_USUARIO_001 WHERE USUARIO = ? AND COMPONENTE = ?",
                       {Variant("O'BRIEN"), Variant("chk'; DELETE FROM OPCOES_USUARIO_001 --")}),
            "S");
  tela->ativos->setChecked(false);
  TOpcoesCarregamento::InicializaOpcoes(tela.get());
  EXPECT_TRUE(tela->ativos->isChecked());
}

TEST_F(OpcoesTelaTest, MenuGivesTheTabCaptionAndTheSavingChoice) {
  test::exec(
      "INSERT INTO ACESSO_MENU (NIVEL, NOME_FORM, NOME_BPL, RELATORIO, CAPTION, SALVAR_TELA) "
      "VALUES ('9.01', 'TfmFiltroTeste', '', NULL, 'Filtro de teste', 'S')");
  std::unique_ptr<QMainWindow> principal(make_main_window());
  SetFormPrincipal(principal.get());
  principal->show();

  QPointer<TelaFiltro> tela = abre("I");
  ASSERT_TRUE(tela);
  EXPECT_EQ(sysJanelas->TITabs()->tabText(0), "9.01 - Filtro de teste");
  EXPECT_NE(fFormEventStorageList.indexOfForm(tela), -1);  // "I" took "S" from the menu
  tela->ativos->setChecked(true);
  emit sysJanelas->TITabs()->tabCloseRequested(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(tela.isNull());
  EXPECT_EQ(sysJanelas->TITabs()->count(), 0);
  EXPECT_EQ(test::text("SELECT VALOR FROM OPCOES_USUARIO_001 WHERE COMPONENTE = 'chkAtivos'"), "S");

  // A menu row of another package or report code does not name this tab.
  auto* pedido = new QWidget;
  pedido->setProperty("NomeClasse", "TfmCadPedido");
  pedido->setWindowTitle("Cadastro de pedidos");
  sysJanelas->torna_filha(pedido);
  sysJanelas->AddWindowBar(pedido, "ZPKVENDAS.BPL", "");
  auto* outro = new QWidget;
  outro->setProperty("NomeClasse", "TfmRelFaturamento");
  outro->setWindowTitle("Faturamento por período");
  sysJanelas->torna_filha(outro);
  sysJanelas->AddWindowBar(outro, "zpkVendas.bpl", "FAT02");
  EXPECT_EQ(sysJanelas->TITabs()->tabText(0), "1.01 - Pedidos");
  EXPECT_EQ(sysJanelas->TITabs()->tabText(1), "Faturamento por período");
  sysJanelas.reset();
  principal.reset();
}

}  // namespace
}  // namespace zpk::ui
