// Per-user screen options in OPCOES_USUARIO.
#include "ui/opcoes_tela.hpp"

#include <malloc.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <set>

#include "foundation/lookups.hpp"
#include "foundation/session.hpp"
#include "platform/db/query.hpp"
#include "platform/rtl/numbers.hpp"
#include "platform/rtl/strings.hpp"
#include "platform/tabela/tabela.hpp"
#include "ui/janelas_sistema.hpp"

namespace zpk::ui {
namespace {

bool classe_e(const QObject* o, const char* nome) {
  return std::string_view(o->metaObject()->className()) == nome;
}

int como_inteiro(const std::string& valor, int def) {
  return StrToIntDef(Trim(valor), def);
}

// Grids show the field names of their model's columns as header labels.
std::string campo_da_coluna(const QTableView* grade, int logica) {
  return grade->model()->headerData(logica, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
}

// Shows exactly the listed fields' columns and puts them in the listed order.
void aplica_grade(QTableView* grade, const std::string& valor) {
  if (!grade->model()) return;
  const std::vector<std::string> campos = SplitText(valor, ",");
  const std::set<std::string> lista(campos.begin(), campos.end());
  QHeaderView* cabecalho = grade->horizontalHeader();
  const int colunas = grade->model()->columnCount();
  for (int c = 0; c < colunas; ++c) grade->setColumnHidden(c, !lista.count(campo_da_coluna(grade, c)));
  for (int i = 0; i < static_cast<int>(campos.size()) && i < colunas; ++i) {
    if (campo_da_coluna(grade, cabecalho->logicalIndex(i)) == campos[i]) continue;
    for (int c = 0; c < colunas; ++c) {
      if (campo_da_coluna(grade, c) == campos[i]) {
        cabecalho->moveSection(cabecalho->visualIndex(c), i);
        break;
      }
    }
  }
}

void aplica(QObject* componente, const std::string& valor) {
  if (classe_e(componente, "QCheckBox") || classe_e(componente, "QRadioButton")) {
    static_cast<QAbstractButton*>(componente)->setChecked(valor == "S");
  } else if (classe_e(componente, "QButtonGroup")) {
    const auto botoes = static_cast<QButtonGroup*>(componente)->buttons();
    const int i = como_inteiro(valor, -1);
    if (i >= 0 && i < botoes.size()) botoes[i]->setChecked(true);
  } else if (classe_e(componente, "QComboBox")) {
    static_cast<QComboBox*>(componente)->setCurrentIndex(como_inteiro(valor, -1));
  } else if (classe_e(componente, "QSlider")) {
    auto* slider = static_cast<QSlider*>(componente);
    slider->setValue(como_inteiro(valor, slider->value()));
  } else if (classe_e(componente, "QDateEdit")) {
    auto* data = static_cast<QDateEdit*>(componente);
    const QDate lida = QDate::fromString(QString::fromStdString(valor), data->displayFormat());
    if (lida.isValid()) data->setDate(lida);
  } else if (classe_e(componente, "QTabWidget")) {
    auto* paginas = static_cast<QTabWidget*>(componente);
    std::set<int> visiveis;
    for (const std::string& parte : SplitText(valor, ",")) visiveis.insert(como_inteiro(parte, -1));
    for (int i = 0; i < paginas->count(); ++i) paginas->setTabVisible(i, visiveis.count(i) > 0);
  } else if (classe_e(componente, "QTableView")) {
    aplica_grade(static_cast<QTableView*>(componente), valor);
  }
}

// The screen's named controls in creation order, each name once: the first
// control of a name is the one a stored row applies to.
std::vector<QObject*> componentes(QWidget* Form) {
  std::vector<QObject*> lista;
  QSet<QString> vistos;
  for (QObject* o : Form->findChildren<QObject*>()) {
    if (o->objectName().isEmpty() || vistos.contains(o->objectName())) continue;
    vistos.insert(o->objectName());
    lista.push_back(o);
  }
  return lista;
}

// Runs Form's accepted closes through a close handler.
class FiltroFechar : public QObject {
 public:
  FiltroFechar(QWidget* form, TCloseEvent handler)
      : QObject(form), form_(form), handler_(std::move(handler)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != form_ || event->type() != QEvent::Close) return false;
    // The screen's own close query answers first; only an accepted close runs the handler.
    static_cast<QObject*>(form_)->event(event);
    if (!event->isAccepted()) return true;
    TCloseAction acao = caHide;
    handler_(form_, acao);
    if (acao == caNone || acao == caMinimize) {
      event->ignore();
      if (acao == caMinimize) form_->showMinimized();
    } else if (acao == caFree) {
      form_->setAttribute(Qt::WA_DeleteOnClose);
    }
    return true;
  }

 private:
  QWidget* form_;
  TCloseEvent handler_;
};

}  // namespace

int TFormEventStorageList::indexOfForm(const QWidget* Form) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->Form == Form) return static_cast<int>(i);
  return -1;
}

std::string valor_opcao(const QObject* c) {
  if (classe_e(c, "QCheckBox") || classe_e(c, "QRadioButton"))
    return static_cast<const QAbstractButton*>(c)->isChecked() ? "S" : "N";
  if (classe_e(c, "QButtonGroup")) {
    const auto* grupo = static_cast<const QButtonGroup*>(c);
    return std::to_string(grupo->buttons().indexOf(grupo->checkedButton()));
  }
  if (classe_e(c, "QComboBox")) return std::to_string(static_cast<const QComboBox*>(c)->currentIndex());
  if (classe_e(c, "QSlider")) return std::to_string(static_cast<const QSlider*>(c)->value());
  if (classe_e(c, "QDateEdit")) return static_cast<const QDateEdit*>(c)->text().toStdString();
  if (classe_e(c, "QTabWidget")) {
    const auto* paginas = static_cast<const QTabWidget*>(c);
    std::string valor;
    for (int i = 0; i < paginas->count(); ++i) {
      if (!paginas->isTabVisible(i)) continue;
      if (!valor.empty()) valor += ",";
      valor += std::to_string(i);
    }
    return valor;
  }
  return {};
}

void TOpcoesCarregamento::InicializaOpcoes(QWidget* Form) {
  if (!Form) return;
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("SELECT COMPONENTE, VALOR FROM " + DBLocal("OPCOES_USUARIO"));
  q.SQL.Add("WHERE USUARIO = :USUARIO AND UPPER(TELA) = :TELA");
  q.ParamByName("USUARIO").AsString = vUsuario;
  q.ParamByName("TELA").AsString = UpperCase(nome_classe(Form));
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const QString nome = QString::fromStdString(q.FieldByName("COMPONENTE").AsString());
    if (QObject* componente = Form->findChild<QObject*>(nome))
      aplica(componente, q.FieldByName("VALOR").AsString);
  }
}

void TOpcoesCarregamento::SalvaOpcoesUsuario(QWidget* Form) {
  if (!Form) return;
  const std::string tela = nome_classe(Form);
  TTIQuery q(Tabela.IBDatabase);
  q.SQL.Add("DELETE FROM " + DBLocal("OPCOES_USUARIO"));
  q.SQL.Add("WHERE UPPER(TELA) = :TELA AND USUARIO = :USUARIO AND NOT UPPER(COMPONENTE) LIKE '%GRID%'");
  q.ParamByName("TELA").AsString = UpperCase(tela);
  q.ParamByName("USUARIO").AsString = vUsuario;
  q.ExecSQL();
  q.SQL.Clear();
  // A control whose name holds "GRID" survived the delete: its row is
  // replaced, never written twice.
  q.SQL.Add("UPDATE OR INSERT INTO " + DBLocal("OPCOES_USUARIO") + " (TELA, USUARIO, COMPONENTE, VALOR)");
  q.SQL.Add("VALUES (:TELA, :USUARIO, :COMPONENTE, :VALOR) MATCHING (TELA, USUARIO, COMPONENTE)");
  for (QObject* componente : componentes(Form)) {
    const std::string valor = valor_opcao(componente);
    if (valor.empty()) continue;
    q.ParamByName("TELA").AsString = tela;
    q.ParamByName("USUARIO").AsString = vUsuario;
    q.ParamByName("COMPONENTE").AsString = componente->objectName().toStdString();
    q.ParamByName("VALOR").AsString = valor;
    q.ExecSQL();
  }
  Tabela.IBTransaction.CommitRetaining();
}

void TOpcoesCarregamento::EventoSalvaOpcoes(QWidget* Sender, TCloseAction& Action) {
  const int indice = fFormEventStorageList.indexOfForm(Sender);
  if (!Sender || indice < 0) {
    Action = caFree;
    return;
  }
  SalvaOpcoesUsuario(Sender);
  TCloseEvent proprio = fFormEventStorageList.Items(indice).OnClose;
  if (proprio) {
    proprio(Sender, Action);
  } else {
    Action = caFree;
  }
  if (Action == caFree) {
    const int atual = fFormEventStorageList.indexOfForm(Sender);
    if (atual >= 0) fFormEventStorageList.Delete(atual);
  }
}

void TOpcoesCarregamento::EventoLiberaMemoria(QWidget* Sender, TCloseAction& Action) {
  const int indice = fFormEventStorageList.indexOfForm(Sender);
  if (indice < 0) return;
  Action = caFree;
  fFormEventStorageList.Delete(indice);
}

void TOpcoesCarregamento::LiberaMemoria() {
  ::malloc_trim(0);
  QApplication::processEvents();
}

void instala_evento_fechar(QWidget* Form, TCloseEvent Handler) {
  if (!Form) return;
  Form->installEventFilter(new FiltroFechar(Form, std::move(Handler)));
}

}  // namespace zpk::ui
