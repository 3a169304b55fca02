#include "ui/detail/input_boxes_qt.hpp"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

namespace zpk::ui {
namespace {

constexpr const char* kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Sizes of one member of the family, in dialog units.
struct BoxSizes {
  int form_width;
  int control_width;
  int ok_left;
  int cancel_left;
};

BoxSizes sizes_for(DialogKind kind) {
  switch (kind) {
    case DialogKind::input_combo:
      return {280, 264, 88, 142};
    case DialogKind::input_memo:
      return {250, 235, 72, 126};
    case DialogKind::input_number:
      return {130, 115, 40, 0};  // one button, centred under the field
    default:
      return {180, 164, 38, 92};
  }
}

// The date as the stored-data convention writes it (dd/mm/yyyy).
const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

}  // namespace

QPoint FuncGetAveCharSize(const QFontMetrics& Canvas) {
  const int width = Canvas.horizontalAdvance(QString::fromLatin1(kLetters));
  return QPoint(width / 52, Canvas.height());
}

QPoint GetAveCharSizeFat(const QFontMetrics& Canvas) {
  return FuncGetAveCharSize(Canvas);
}

InputBoxWindow::InputBoxWindow(const InputRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), request_(request) {
  setObjectName(QStringLiteral("InputBox"));
  setModal(true);
  setWindowTitle(QString::fromStdString(request.caption));

  const QPoint units = FuncGetAveCharSize(QFontMetrics(font()));
  auto dx = [&](int du) { return du * units.x() / 4; };
  auto dy = [&](int du) { return du * units.y() / 8; };
  const BoxSizes sizes = sizes_for(request.kind);

  prompt_ = new QLabel(QString::fromStdString(request.prompt), this);
  prompt_->setObjectName(QStringLiteral("Prompt"));
  prompt_->setTextFormat(Qt::PlainText);
  prompt_->setWordWrap(true);
  const int label_width =
      dx(request.kind == DialogKind::input_password || request.kind == DialogKind::input_date
             ? 164
             : sizes.control_width);
  prompt_->move(dx(8), dy(8));
  prompt_->setFixedWidth(label_width);
  prompt_->setFixedHeight(prompt_->heightForWidth(label_width));

  const QString initial = QString::fromStdString(request.value);
  const int control_top = prompt_->y() + prompt_->height() + 5;
  const int control_width = dx(sizes.control_width);
  switch (request.kind) {
    case DialogKind::input_combo: {
      auto* combo = new QComboBox(this);
      combo->setEditable(true);  // a text outside the list is accepted as typed
      for (const std::string& item : request.items) combo->addItem(QString::fromStdString(item));
      combo->setCurrentText(initial);
      if (request.max_length > 0) combo->lineEdit()->setMaxLength(request.max_length);
      combo->setGeometry(dx(8), control_top, control_width, combo->sizeHint().height());
      control_ = combo;
      break;
    }
    case DialogKind::input_memo: {
      auto* memo = new QPlainTextEdit(initial, this);
      memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      const int limit = request.max_length;
      if (limit > 0) {
        // A memo has no length property: text typed or pasted past the limit is cut.
        connect(memo, &QPlainTextEdit::textChanged, memo, [memo, limit] {
          const QString text = memo->toPlainText();
          if (text.size() <= limit) return;
          QTextCursor cursor = memo->textCursor();
          const int at = std::min<int>(cursor.position(), limit);
          memo->setPlainText(text.left(limit));
          cursor = memo->textCursor();
          cursor.setPosition(at);
          memo->setTextCursor(cursor);
        });
      }
      memo->setGeometry(dx(8), control_top, control_width, QFontMetrics(memo->font()).lineSpacing() * 5 + 10);
      control_ = memo;
      break;
    }
    default: {
      auto* edit = new QLineEdit(initial, this);
      if (request.max_length > 0) edit->setMaxLength(request.max_length);
      if (request.masked) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));  // "*"
      }
      int edit_width = control_width;
      if (request.kind == DialogKind::input_date) {
        // The calendar button sits inside the field's width and fills it with the day picked.
        auto* pick = new QToolButton(this);
        pick->setObjectName(QStringLiteral("Calendar"));
        pick->setText(QStringLiteral("..."));
        const int button_width = edit->sizeHint().height();
        edit_width -= button_width;
        pick->setGeometry(dx(8) + edit_width, control_top, button_width, edit->sizeHint().height());
        connect(pick, &QToolButton::clicked, this, [this, edit, pick] {
          auto* calendar = new QCalendarWidget(this);
          calendar->setWindowFlags(Qt::Popup);
          calendar->setAttribute(Qt::WA_DeleteOnClose);
          const QDate shown = QDate::fromString(edit->text().trimmed(), kDateFormat);
          if (shown.isValid()) calendar->setSelectedDate(shown);
          connect(calendar, &QCalendarWidget::activated, this, [edit, calendar](QDate date) {
            edit->setText(date.toString(kDateFormat));
            calendar->close();
          });
          calendar->move(pick->mapToGlobal(QPoint(0, pick->height())));
          calendar->show();
        });
      }
      edit->setGeometry(dx(8), control_top, edit_width, edit->sizeHint().height());
      edit->selectAll();
      control_ = edit;
      break;
    }
  }
  control_->setObjectName(QStringLiteral("Valor"));

  const int button_top = control_->y() + control_->height() + 15;
  const QString ok_caption =
      request.buttons.empty() ? QStringLiteral("OK") : QString::fromStdString(request.buttons.front());
  ok_ = new QPushButton(ok_caption, this);
  ok_->setObjectName(QStringLiteral("OK"));
  ok_->setGeometry(dx(sizes.ok_left), button_top, dx(50), dy(14));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  if (request.buttons.size() > 1) {
    cancel_ = new QPushButton(QString::fromStdString(request.buttons[1]), this);
    cancel_->setObjectName(QStringLiteral("Cancel"));
    cancel_->setGeometry(dx(sizes.cancel_left), button_top, dx(50), dy(14));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  }
  setFixedSize(dx(sizes.form_width), button_top + ok_->height() + 13);
  control_->setFocus();
}

QString InputBoxWindow::value() const {
  if (auto* combo = qobject_cast<QComboBox*>(control_)) return combo->currentText();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(control_)) return memo->toPlainText();
  return static_cast<QLineEdit*>(control_)->text();
}

std::optional<std::string> InputBoxWindow::ask() {
  if (exec() != QDialog::Accepted) return std::nullopt;
  return value().toStdString();
}

}  // namespace zpk::ui
