// The common look: the station's font size and theme, button mnemonics by
// kind, captions over group frames, and word-by-word English captions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include "platform/settings/user_settings.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/temas.hpp"

namespace zpk::ui {
namespace {

TEST(Temas, FontSizeAndThemeFromTheStationSettings) {
  const struct {
    const char* resolucao;
    int tamanho;
  } kCases[] = {{"0", 8}, {"Pequena", 8}, {"1", 10}, {"Média", 10}, {"", 10}, {"2", 12}, {"Grande", 12}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.resolucao);
    EXPECT_EQ(tamanho_fonte(c.resolucao), c.tamanho);
  }
  aplicacao_qt();
  EXPECT_EQ(tema_da_estacao("2", 12).cor_form, QColor(39, 39, 39));
  EXPECT_EQ(tema_da_estacao("1", 8).fonte, "Arial");
  EXPECT_EQ(tema_da_estacao("", 10).cor_fonte, QColor(64, 64, 64));
}

TEST(Temas, ConfiguraTelaGivesTheStationsLookAndButtonMnemonics) {
  aplicacao_qt();
  test::TempFolder pasta("temas");
  set_user_settings_folder(pasta.path());
  UserSettings venda("Venda");
  venda.write_string("Parametros", "Resolucao", "Grande");
  venda.write_string("Parametros", "Tema", "1");

  QWidget form;
  const struct {
    const char* caption;
    int tag;
    const char* esperado;
  } kBotoes[] = {{"&Incluir", 1, "&Incluir"},  {"Alterar", 2, "&Alterar"},
                 {"Excluir", 5, "&Excluir"},   {"Sa&ir", 0, "Sair"},
                 {"Imprimir", 6, "Im&primir"}, {"Tabela de Cores", 10, "&Tabela de &Cores"},
                 {"Outro", 12, "Outro"}};
  std::vector<QPushButton*> botoes;
  for (const auto& b : kBotoes) {
    auto* botao = new QPushButton(b.caption, &form);
    botao->setProperty("Tag", b.tag);
    botao->resize(80, 25);
    botoes.push_back(botao);
  }
  auto* rotulo = new QLabel("Cliente:", &form);
  auto* grupo = new QGroupBox(" Período ", &form);
  grupo->move(10, 40);
  auto* paginas = new QTabWidget(&form);
  paginas->addTab(new QWidget, "Geral");
  ConfiguraTela(&form);

  EXPECT_EQ(form.font().family(), "Arial");
  EXPECT_EQ(form.font().pointSize(), 12);
  EXPECT_EQ(rotulo->font().pointSize(), 10);
  for (size_t i = 0; i < botoes.size(); ++i) {
    SCOPED_TRACE(kBotoes[i].caption);
    EXPECT_EQ(botoes[i]->text().toStdString(), kBotoes[i].esperado);
    EXPECT_EQ(botoes[i]->width(), 88);  // wider at size 12
  }
  EXPECT_EQ(grupo->title(), "_");
  auto* legenda = form.findChild<QLabel*>("LblGroup_1");
  ASSERT_NE(legenda, nullptr);
  EXPECT_EQ(legenda->text(), " Período ");
  EXPECT_TRUE(legenda->font().bold());
  EXPECT_EQ(legenda->pos(), QPoint(18, 40));
  EXPECT_EQ(paginas->tabText(0), "     Geral     ");

  // A form tagged -1 is left as it is.
  QWidget intocada;
  intocada.setProperty("Tag", -1);
  auto* botao = new QPushButton("Alterar", &intocada);
  botao->setProperty("Tag", 2);
  const int tamanho = intocada.font().pointSize();
  ConfiguraTela(&intocada);
  EXPECT_EQ(botao->text(), "Alterar");
  EXPECT_EQ(intocada.font().pointSize(), tamanho);
  set_user_settings_folder({});
}

TEST(Temas, LookUpButtonsGridsPanelsOnTabsAndEditsTakeTheTheme) {
  aplicacao_qt();
  test::TempFolder pasta("temas-controles");
  set_user_settings_folder(pasta.path());
  UserSettings("Venda").write_string("Parametros", "Tema", "2");
  const QList<QIcon> antes = vImageListIcones;
  vImageListIcones.clear();
  for (int i = 0; i <= 40; ++i) {
    QPixmap p(16, 16);
    p.fill(QColor(i, 0, 0));
    vImageListIcones.append(QIcon(p));
  }

  QWidget form;
  auto* pesquisa = new QToolButton(&form);
  pesquisa->setProperty("Pesquisa", true);
  auto* outro = new QToolButton(&form);  // a plain tool button keeps its own icon
  auto* grade = new QTableWidget(2, 2, &form);
  auto* paginas = new QTabWidget(&form);
  auto* pagina = new QWidget;
  paginas->addTab(pagina, "Geral");
  auto* painel = new QFrame(pagina);
  auto* solto = new QFrame(&form);  // not on a tab page: left to the form's colour
  auto* data = new QDateEdit(&form);
  data->setCalendarPopup(true);
  auto* quantidade = new QSpinBox(&form);
  ConfiguraTela(&form);

  EXPECT_EQ(pesquisa->icon().pixmap(16, 16).toImage().pixelColor(0, 0), QColor(40, 0, 0));
  EXPECT_TRUE(pesquisa->autoRaise());
  EXPECT_EQ(pesquisa->font(), form.font());
  EXPECT_TRUE(outro->icon().isNull());
  EXPECT_EQ(grade->frameShape(), QFrame::NoFrame);
  EXPECT_TRUE(grade->horizontalHeader()->styleSheet().contains("qlineargradient"));
  EXPECT_TRUE(painel->autoFillBackground());
  EXPECT_EQ(painel->palette().color(QPalette::Window), QColor(39, 39, 39));
  EXPECT_FALSE(solto->autoFillBackground());
  EXPECT_EQ(data->palette().color(QPalette::Base), kCorEdicao);
  EXPECT_EQ(data->calendarWidget()->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::Window));
  EXPECT_EQ(quantidade->palette().color(QPalette::Base), kCorEdicao);
  vImageListIcones = antes;
  set_user_settings_folder({});
}

TEST(GetTraducaoString, WholeCaptionFirstThenWordByWord) {
  const Dicionario dic = {{"CÓDIGO DO CLIENTE", "CUSTOMER CODE"}, {"CLIENTE", "CUSTOMER"}, {"DATA", "DATE"}};
  const struct {
    const char* texto;
    const char* esperado;
  } kCases[] = {
      {"Código do Cliente:", "Customer Code"},  // colon dropped before the look-up
      {"&Cliente", "Customer"},
      {"Data do Cliente", "Date do Customer"},
      {"Nome,  Data.", "Nome Date"},  // single spaces between words
      {"Sem tradução", "Sem tradução"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(getTraducaoString(dic, c.texto), c.esperado);
  }
}

}  // namespace
}  // namespace zpk::ui
