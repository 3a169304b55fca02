// The common look of the screens and their English captions.
#include "ui/temas.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <fstream>

#include "documents/text_helpers.hpp"
#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/settings/user_settings.hpp"
#include "platform/tabela/tabela.hpp"

namespace zpk::ui {
namespace {

int tag_de(const QObject* o) {
  return o->property("Tag").isValid() ? o->property("Tag").toInt() : 0;
}

// Puts "&" before the first occurrence of letra (ignoring case), when present.
void marca(QString& texto, QChar letra) {
  const int i = texto.indexOf(letra, 0, Qt::CaseInsensitive);
  if (i >= 0) texto.insert(i, '&');
}

// The button's caption with the keyboard mnemonic its kind (Tag) gets.
QString com_mnemonico(QString texto, int tag) {
  texto.remove('&');
  static const std::map<int, char> kLetras = {{1, 'I'}, {2, 'A'}, {3, 'C'}, {4, 'D'},  {5, 'E'}, {6, 'P'},
                                              {7, 'F'}, {8, 'C'}, {9, 'C'}, {11, 'D'}, {13, 'L'}};
  if (const auto it = kLetras.find(tag); it != kLetras.end()) {
    marca(texto, QChar(it->second));
  } else if (tag == 10) {
    if (texto.startsWith('T', Qt::CaseInsensitive)) texto.insert(0, '&');
    marca(texto, 'C');
    marca(texto, 'G');
  }
  return texto;
}

QString traduz(const Dicionario& dic, const QString& texto) {
  return QString::fromStdString(getTraducaoString(dic, texto.toStdString()));
}

// The look-up button of a code field (the screens mark it with the property
// "Pesquisa"): the look-up icon of the list.
constexpr int kIconePesquisa = 40;

bool eh_pesquisa(const QObject* o) {
  return o->property("Pesquisa").toBool() && qobject_cast<const QAbstractButton*>(o) != nullptr;
}

// A panel (a plain frame) laid directly on a tab page: the page's own
// background would show through it in the style's colour instead of the theme's.
bool painel_em_aba(const QObject* o) {
  if (std::string(o->metaObject()->className()) != "QFrame") return false;
  const QObject* pagina = o->parent();
  const QObject* pilha = pagina ? pagina->parent() : nullptr;
  return qobject_cast<const QStackedWidget*>(pilha) && qobject_cast<const QTabWidget*>(pilha->parent());
}

void pinta_fundo(QWidget* w, QPalette::ColorRole papel, const QColor& cor) {
  QPalette p = w->palette();
  p.setColor(papel, cor);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

}  // namespace

int tamanho_fonte(const std::string& Resolucao) {
  if (Resolucao == "0" || Resolucao == "Pequena") return 8;
  if (Resolucao == "2" || Resolucao == "Grande") return 12;
  return 10;
}

Tema tema_da_estacao(const std::string& Tema_, int Tamanho) {
  const QPalette padrao = QApplication::palette();
  if (Tema_ == "1") return {padrao.color(QPalette::Button), "Arial", Qt::black, Tamanho};
  if (Tema_ == "2") return {QColor(39, 39, 39), "Arial", padrao.color(QPalette::Shadow), Tamanho};
  return {padrao.color(QPalette::Window), vFontePadrao, QColor(64, 64, 64), Tamanho};
}

Dicionario carrega_dicionario() {
  Dicionario dic;
  std::ifstream arquivo(program_file("Ingles.lng"));
  std::string linha;
  while (std::getline(arquivo, linha)) {
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    const size_t igual = linha.find('=');
    if (igual == std::string::npos) continue;
    dic.emplace(UpperCase(linha.substr(0, igual)), UpperCase(linha.substr(igual + 1)));
  }
  return dic;
}

std::string getTraducaoString(const Dicionario& Dic, const std::string& Texto) {
  std::string limpo;
  for (char c : Texto)
    if (c != '.' && c != ',' && c != ':' && c != '&') limpo += c;
  if (const auto it = Dic.find(UpperCase(limpo)); it != Dic.end()) return AcertaCase("", it->second);
  std::string resultado;
  for (const std::string& palavra : SplitText(limpo, " ")) {
    if (palavra.empty()) continue;
    if (!resultado.empty()) resultado += ' ';
    const auto it = Dic.find(UpperCase(palavra));
    resultado += it == Dic.end() ? palavra : AcertaCase("", it->second);
  }
  return resultado;
}

void ConfiguraTela(QWidget* Form) {
  if (!Form) return;
  const bool traduz_tela = Tabela.IBDatabase.Connected() && BuscaParametro("SIS", 10) == "I";
  const Dicionario dic = traduz_tela ? carrega_dicionario() : Dicionario{};
  if (tag_de(Form) == -1) return;

  const UserSettings venda("Venda");
  const int tamanho = tamanho_fonte(venda.read_string("Parametros", "Resolucao"));
  const Tema tema = tema_da_estacao(venda.read_string("Parametros", "Tema"), tamanho);
  QFont fonte = Form->font();
  if (!tema.fonte.empty()) fonte.setFamily(QString::fromStdString(tema.fonte));
  fonte.setPointSize(tema.tamanho);
  Form->setFont(fonte);
  QPalette paleta = Form->palette();
  paleta.setColor(QPalette::Window, tema.cor_form);
  paleta.setColor(QPalette::WindowText, tema.cor_fonte);
  Form->setPalette(paleta);

  int grupos = 0;
  for (QObject* o : Form->findChildren<QObject*>()) {
    const std::string classe = o->metaObject()->className();
    if (eh_pesquisa(o)) {
      auto* botao = static_cast<QAbstractButton*>(o);
      if (kIconePesquisa < vImageListIcones.size()) botao->setIcon(vImageListIcones[kIconePesquisa]);
      if (botao->parentWidget()) botao->setFont(botao->parentWidget()->font());
      if (auto* ferramenta = qobject_cast<QToolButton*>(botao)) ferramenta->setAutoRaise(true);
      if (auto* comum = qobject_cast<QPushButton*>(botao)) comum->setFlat(true);
    } else if (classe == "QPushButton") {
      auto* botao = static_cast<QPushButton*>(o);
      const int tag = tag_de(botao);
      if (tag != 0 && tag > 0 && tag < vImageListIcones.size()) botao->setIcon(vImageListIcones[tag]);
      botao->setText(com_mnemonico(botao->text(), tag));
      if (botao->width() > 30 && tamanho == 8) botao->resize(botao->width() - 8, botao->height());
      if (botao->width() > 30 && tamanho == 12) botao->resize(botao->width() + 8, botao->height());
    } else if (classe == "QToolButton") {
      auto* botao = static_cast<QToolButton*>(o);
      const int tag = tag_de(botao);
      if (tag > 0 && tag < vImageListIcones.size()) botao->setIcon(vImageListIcones[tag]);
      botao->setAutoRaise(true);
    } else if (classe == "QTableView") {
      auto* grade = static_cast<QTableView*>(o);
      grade->setFrameShape(QFrame::NoFrame);
      grade->setSelectionBehavior(QAbstractItemView::SelectRows);
    } else if (classe == "QTableWidget") {
      // The free-text grid: no border, its titles drawn in a gradient.
      auto* grade = static_cast<QTableWidget*>(o);
      grade->setFrameShape(QFrame::NoFrame);
      grade->horizontalHeader()->setStyleSheet(
          "QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
          "stop:0 #ffffff, stop:1 #dcdcdc); border: 0px; border-right: 1px solid #c8c8c8; padding: 2px; }");
    } else if (painel_em_aba(o)) {
      auto* painel = static_cast<QWidget*>(o);
      QPalette p = painel->palette();
      p.setColor(QPalette::Window, tema.cor_form);
      p.setColor(QPalette::WindowText, tema.cor_fonte);
      painel->setPalette(p);
      painel->setAutoFillBackground(true);
    } else if (classe == "QLabel") {
      auto* rotulo = static_cast<QLabel*>(o);
      if (tamanho >= 10) {
        QFont f = rotulo->font();
        f.setPointSize(tamanho - 2);
        rotulo->setFont(f);
      }
    } else if (classe == "QLineEdit" || classe == "QTextEdit" || classe == "QPlainTextEdit" ||
               classe == "QDoubleSpinBox" || classe == "QSpinBox" || classe == "QDateEdit") {
      pinta_fundo(static_cast<QWidget*>(o), QPalette::Base, kCorEdicao);
      // A date edit's calendar pops up in the window colour.
      if (auto* data = qobject_cast<QDateEdit*>(o); data && data->calendarPopup()) {
        QCalendarWidget* calendario = data->calendarWidget();
        QPalette p = calendario->palette();
        p.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
        calendario->setPalette(p);
        calendario->setGridVisible(true);
      }
    } else if (classe == "QGroupBox") {
      auto* grupo = static_cast<QGroupBox*>(o);
      if (!grupo->title().trimmed().isEmpty()) {
        auto* rotulo = new QLabel(grupo->title(), grupo->parentWidget());
        rotulo->setObjectName(QString("LblGroup_%1").arg(++grupos));
        QFont f = rotulo->font();
        f.setBold(true);
        rotulo->setFont(f);
        QPalette p = rotulo->palette();
        p.setColor(QPalette::WindowText, tema.cor_fonte);
        rotulo->setPalette(p);
        rotulo->setAttribute(Qt::WA_TranslucentBackground);
        rotulo->move(grupo->x() + 8, grupo->y());
        rotulo->raise();
        grupo->setTitle("_");
      }
    } else if (classe == "QTabWidget") {
      auto* paginas = static_cast<QTabWidget*>(o);
      paginas->setStyleSheet("QTabBar::tab { height: 23px; }");
      for (int i = 0; i < paginas->count(); ++i)
        paginas->setTabText(i, "     " + paginas->tabText(i) + "     ");
    }
  }

  if (traduz_tela) {
    Form->setWindowTitle(traduz(dic, Form->windowTitle()));
    for (QObject* o : Form->findChildren<QObject*>()) {
      if (auto* rotulo = qobject_cast<QLabel*>(o)) rotulo->setText(traduz(dic, rotulo->text()));
      if (auto* botao = qobject_cast<QAbstractButton*>(o)) botao->setText(traduz(dic, botao->text()));
      if (auto* grupo = qobject_cast<QGroupBox*>(o)) grupo->setTitle(traduz(dic, grupo->title()));
      // Grid column titles are translated where the grid's model takes new titles.
      if (auto* grade = qobject_cast<QTableView*>(o); grade && grade->model()) {
        QAbstractItemModel* modelo = grade->model();
        for (int c = 0; c < modelo->columnCount(); ++c)
          modelo->setHeaderData(c, Qt::Horizontal,
                                traduz(dic, modelo->headerData(c, Qt::Horizontal).toString()));
      }
      if (auto* paginas = qobject_cast<QTabWidget*>(o))
        for (int i = 0; i < paginas->count(); ++i) paginas->setTabText(i, traduz(dic, paginas->tabText(i)));
    }
  }
  QApplication::processEvents();
}

void ArredondarComponente(QWidget* Control, int Raio) {
  if (!Control) return;
  QPainterPath caminho;
  caminho.addRoundedRect(Control->rect(), Raio, Raio);
  Control->setMask(QRegion(caminho.toFillPolygon().toPolygon()));
  Control->setContentsMargins(4, 4, 4, 4);
  Control->update();
}

}  // namespace zpk::ui
