// The report preview window: pages drawn by the report engine into PNG
// pictures at the zoom's resolution, shown in a scroll area beside the tool bar.
#include "ui/detail/preview_window.hpp"

#include <algorithm>
#include <exception>
#include <string>

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "foundation/session.hpp"
#include "platform/rtl/errors.hpp"
#include "platform/ui/dialog_message.hpp"
#include "reporting/renderer.hpp"

namespace zpk::ui {
namespace {

// The screen's resolution the zoom of 100 stands for: a page shown at 100
// percent is as wide as it prints.
constexpr double kScreenDpi = 96.0;

}  // namespace

PreviewWindow::PreviewWindow(std::unique_ptr<TFmSReport> form, QWidget* parent)
    : QWidget(parent), form_(std::move(form)) {
  setObjectName("FmSReport");
  setWindowTitle(QString::fromStdString(form_->Caption));
  setFocusPolicy(Qt::StrongFocus);

  auto* bar = new QToolBar(this);
  bar->setObjectName("ToolBar1");
  bar->setOrientation(Qt::Vertical);
  bar->setIconSize(QSize(37, 36));
  const auto add = [&](const char* name, const QString& hint, const QString& glyph) {
    QToolButton* button = add_button(name, hint, glyph);
    bar->addWidget(button);
    return button;
  };
  connect(add("ToolButton1", "Imprimir", "Imp"), &QToolButton::clicked, this,
          [this] { run_action([this] { form_->ToolButton1Click(); }); });
  QToolButton* mail = add("ToolButton3", "Enviar por E-mail (Gerenciador padrão)", "✉");
  // Hosted stations have no desktop mail program to hand a message to.
  mail->setVisible(vNuvem != "S");
  connect(mail, &QToolButton::clicked, this, [this] { run_action([this] { form_->ToolButton3Click(); }); });
  connect(add("ToolButton4", "Enviar por E-mail", "@"), &QToolButton::clicked, this,
          [this] { run_action([this] { form_->ToolButton4Click(); }); });
  connect(add("ToolButton5", "Salvar em Excel/HTML", "XLS"), &QToolButton::clicked, this,
          [this] { run_action([this] { form_->ToolButton5Click(); }); });
  connect(add("ToolButton7", "Salvar em PDF", "PDF"), &QToolButton::clicked, this,
          [this] { run_action([this] { form_->ToolButton7Click(); }); });
  connect(add("ToolButton2", "WhatsApp", "WA"), &QToolButton::clicked, this,
          [this] { run_action([this] { form_->ToolButton2Click(); }); });
  bar->addSeparator();
  find_text_ = new QLineEdit(this);
  find_text_->setObjectName("edtLocalizar");
  find_text_->setPlaceholderText("Localizar");
  find_text_->setMaximumWidth(120);
  bar->addWidget(find_text_);
  connect(add("ToolButton9", "Localizar", "Loc"), &QToolButton::clicked, this,
          [this] { find(find_text_->text()); });
  connect(find_text_, &QLineEdit::returnPressed, this, [this] { find(find_text_->text()); });
  bar->addSeparator();
  connect(add("ToolButton11", "Aumentar Fonte", "+"), &QToolButton::clicked, this,
          [this] { set_zoom(form_->ScalePercent() + 10); });
  connect(add("ToolButton13", "Reduzir Fonte", "−"), &QToolButton::clicked, this,
          [this] { set_zoom(form_->ScalePercent() - 10); });
  bar->addSeparator();
  connect(add("btnPrimeira", "Primeira Página", "|◀"), &QToolButton::clicked, this, [this] { first_page(); });
  connect(add("ToolButton15", "Página Anterior", "◀"), &QToolButton::clicked, this,
          [this] { previous_page(); });
  page_number_ = new QSpinBox(this);
  page_number_->setObjectName("edtPagina");
  page_number_->setMinimum(1);
  bar->addWidget(page_number_);
  connect(page_number_, &QSpinBox::editingFinished, this, [this] { go_to_page(page_number_->value() - 1); });
  connect(add("ToolButton17", "Próxima Página", "▶"), &QToolButton::clicked, this, [this] { next_page(); });
  connect(add("btnUltima", "Última Página", "▶|"), &QToolButton::clicked, this, [this] { last_page(); });
  bar->addSeparator();
  connect(add("ToolButton19", "Fechar", "✕"), &QToolButton::clicked, this, [this] { close(); });

  page_label_ = new QLabel(this);
  page_label_->setObjectName("prPreviewPanel");
  page_label_->setAlignment(Qt::AlignCenter);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(page_label_);
  scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  scroll_->setWidgetResizable(false);
  scroll_->setBackgroundRole(QPalette::Dark);
  status_ = new QLabel(this);
  status_->setObjectName("lblPagina");

  auto* right = new QVBoxLayout;
  right->addWidget(scroll_, 1);
  right->addWidget(status_);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  layout->addLayout(right, 1);

  // The save dialog of "Salvar em PDF": prefilled with the title, asks before overwriting.
  if (!form_->OnSalvarComo) {
    form_->OnSalvarComo = [this](const std::string& suggestion) -> std::optional<std::string> {
      QFileDialog dialog(this, "Salvar em PDF", QString::fromStdString(suggestion), "PDF (*.pdf)");
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setDefaultSuffix("pdf");
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
      return dialog.selectedFiles().front().toStdString();
    };
  }
  resize(1000, 800);
  refresh();
}

PreviewWindow::~PreviewWindow() {
  // A window freed without closing (its parent went first) still keeps the user's zoom.
  if (!stored_) form_->FormClose();
}

QToolButton* PreviewWindow::add_button(const char* name, const QString& hint, const QString& glyph) {
  auto* button = new QToolButton(this);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setText(glyph);
  button->setFixedSize(37, 36);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

void PreviewWindow::run_action(const std::function<void()>& action) {
  try {
    action();
  } catch (const EAbort&) {
    // The user cancelled: nothing to tell.
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
  refresh();
}

QString PreviewWindow::status_text() const {
  return status_->text();
}

void PreviewWindow::first_page() {
  go_to_page(0);
}

void PreviewWindow::previous_page() {
  form_->ToolButton15Click();
  refresh();
}

void PreviewWindow::next_page() {
  form_->ToolButton17Click();
  refresh();
}

void PreviewWindow::last_page() {
  go_to_page(page_count() - 1);
}

void PreviewWindow::go_to_page(int index) {
  // The form moves one page at a time; walking there keeps its page the only one.
  const int target = std::clamp(index, 0, std::max(page_count() - 1, 0));
  while (form_->CurrentPage() < target) form_->ToolButton17Click();
  while (form_->CurrentPage() > target) form_->ToolButton15Click();
  refresh();
}

void PreviewWindow::set_zoom(int percent) {
  form_->SetScalePercent(percent);
  refresh();
}

bool PreviewWindow::find(const QString& text) {
  const bool found = form_->ToolButton9Click(text.toStdString());
  refresh();
  if (!found && !text.isEmpty())
    status_->setText(status_->text() + QString(" — \"%1\" não encontrado").arg(text));
  return found;
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  if (event->key() == Qt::Key_Escape) {
    close();
  } else if (typed == "+" || typed == "-") {
    form_->FormKeyPress(typed.front().toLatin1());
    refresh();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  form_->FormClose();
  stored_ = true;
  QWidget::closeEvent(event);
  emit closed();
}

void PreviewWindow::refresh() {
  const int count = page_count();
  page_number_->setMaximum(std::max(count, 1));
  page_number_->setEnabled(count > 1);
  if (count == 0) {
    image_ = QImage();
    page_label_->clear();
    page_label_->setText("Relatório sem páginas");
    page_label_->adjustSize();
    status_->setText("Nenhuma página");
    drawn_page_ = -1;
    return;
  }
  const int page = current_page();
  const int zoom = form_->ScalePercent();
  QString problem;
  if (page != drawn_page_ || zoom != drawn_zoom_) {
    // The engine's PNG renderer draws exactly what goes into the PDF.
    const QString file = pictures_.filePath("pagina.png");
    try {
      form_->Report->export_page_to_png(page, file.toStdString(), kScreenDpi * zoom / 100.0);
      image_ = QImage(file);
      if (image_.isNull()) problem = "a imagem da página não pôde ser lida";
    } catch (const std::exception& e) {
      // A page too large for the zoom (or a picture it cannot read) must not
      // take the window down from inside Qt's event loop: it is told instead.
      image_ = QImage();
      problem = QString::fromStdString(e.what());
    }
    if (problem.isEmpty()) {
      page_label_->setPixmap(QPixmap::fromImage(image_));
      page_label_->resize(image_.size());
      drawn_page_ = page;
      drawn_zoom_ = zoom;
    } else {
      page_label_->clear();
      page_label_->setText(QString("A página %1 não pôde ser desenhada: %2").arg(page + 1).arg(problem));
      page_label_->adjustSize();
      drawn_page_ = -1;
    }
  }
  page_number_->blockSignals(true);
  page_number_->setValue(page + 1);
  page_number_->blockSignals(false);
  status_->setText(QString("Página %1 de %2   Zoom %3%").arg(page + 1).arg(count).arg(zoom));
  if (!problem.isEmpty()) status_->setText(status_->text() + " — " + page_label_->text());
  for (const char* name : {"ToolButton15", "btnPrimeira"})
    findChild<QToolButton*>(name)->setEnabled(page > 0);
  for (const char* name : {"ToolButton17", "btnUltima"})
    findChild<QToolButton*>(name)->setEnabled(page + 1 < count);
}

}  // namespace zpk::ui
