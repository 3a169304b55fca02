#include "ui/detail/message_dialog.hpp"

#include "ui/qt_dialogs.hpp"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVersionNumber>
#include <QWindow>
#include <algorithm>

namespace zpk::ui {
namespace {

constexpr int kCaptionHeight = 25;
constexpr int kButtonHeight = 25;
constexpr int kButtonPanelHeight = kButtonHeight + 16;
constexpr int kMinButtonWidth = 75;
constexpr int kIconSize = 32;
constexpr int kMinTextWidth = 250;

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

// The caption as the user reads it: "&" marks the accelerator, "&&" a real "&".
QString without_accelerator(QString caption) {
  caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  caption.remove(QLatin1Char('&'));
  caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return caption;
}

// The system icon of each message type; a custom message shows the
// application's own icon (a generic one when the program set none).
QIcon icon_for(TMsgDlgType type, const QStyle* style) {
  switch (type) {
    case mtWarning:
      return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case mtError:
      return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case mtInformation:
      return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case mtConfirmation:
      return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case mtCustom:
      break;
  }
  const QIcon app = QApplication::windowIcon();
  return app.isNull() ? style->standardIcon(QStyle::SP_ComputerIcon) : app;
}

// The message text with every line ending as CR LF, as the clipboard text has.
QString crlf(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return text;
}

// The text with a zero-width break chance inside every run of 20 characters
// without a blank: word wrap alone never breaks a long code, path or key, and
// the part past the edge would be lost from sight. Copying uses the text as given.
QString with_break_chances(const QString& text) {
  constexpr int kRun = 20;
  QString out;
  out.reserve(text.size() + text.size() / kRun);
  int run = 0;
  for (const QChar ch : text) {
    out += ch;
    run = ch.isSpace() ? 0 : run + 1;
    if (run == kRun) {
      out += QChar(0x200B);
      run = 0;
    }
  }
  return out;
}

}  // namespace

QString texto_versao() {
  const QVersionNumber version = QVersionNumber::fromString(QCoreApplication::applicationVersion());
  if (version.isNull()) return QString();
  return QString::asprintf("v%d.%d.%d (%.3d)", version.majorVersion(), version.minorVersion(),
                           version.microVersion(), version.segmentCount() > 3 ? version.segmentAt(3) : 0)
      .trimmed();
}

TMessageDialog::TMessageDialog(const MessageRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), request_(request) {
  setObjectName(QStringLiteral("TMessageDialog"));
  setModal(true);
  caption_ = q(request.caption).trimmed();
  if (caption_.isEmpty()) caption_ = q(application_title()).trimmed();
  version_ = texto_versao();
  setWindowTitle(caption_);

  QFont form_font(QStringLiteral("Tahoma"), 9);
  setFont(form_font);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(234, 234, 234));
  setPalette(palette);
  setAutoFillBackground(true);
  setWindowOpacity(235.0 / 255.0);

  panel_caption_ = new QLabel(caption_text(), this);
  panel_caption_->setObjectName(QStringLiteral("PanelCaption"));
  panel_caption_->setAlignment(Qt::AlignCenter);
  panel_caption_->setStyleSheet(
      QStringLiteral("background-color: rgb(79,79,79); color: white; font-weight: bold;"));
  panel_caption_->setCursor(Qt::DragMoveCursor);
  panel_caption_->installEventFilter(this);

  image_icon_ = new QLabel(this);
  image_icon_->setObjectName(QStringLiteral("ImageIcon"));
  // An icon with no 32-pixel picture (the generic program icon has 16) is
  // enlarged: the icon fills its square whatever the type.
  QPixmap icone = icon_for(request.type, style()).pixmap(kIconSize, kIconSize);
  if (!icone.isNull() && icone.size() != QSize(kIconSize, kIconSize))
    icone = icone.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  image_icon_->setPixmap(icone);
  image_icon_->setGeometry(16, kCaptionHeight + 16, kIconSize, kIconSize);

  panel_buttons_ = new QWidget(this);
  panel_buttons_->setObjectName(QStringLiteral("PanelButtons"));

  label_copy_ = new QLabel(QStringLiteral("Copiar"), panel_buttons_);
  label_copy_->setObjectName(QStringLiteral("LabelCopy"));
  label_copy_->setToolTip(QStringLiteral("Copia a mensagem para a área de transferência"));
  QFont copy_font = form_font;
  copy_font.setPointSize(7);
  copy_font.setUnderline(true);
  label_copy_->setFont(copy_font);
  label_copy_->setCursor(Qt::PointingHandCursor);
  label_copy_->adjustSize();
  label_copy_->installEventFilter(this);

  scroll_box_ = new QScrollArea(this);
  scroll_box_->setObjectName(QStringLiteral("ScrollBoxMsg"));
  scroll_box_->setFrameShape(QFrame::NoFrame);
  scroll_box_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll_box_->setWidgetResizable(true);
  scroll_box_->viewport()->setAutoFillBackground(false);
  QFont message_font(QStringLiteral("Lucida Sans Typewriter"), 10);
  message_font.setStyleHint(QFont::TypeWriter);  // a fixed-pitch font where that one is missing
  scroll_box_->setFont(message_font);

  label_message_ = new QLabel(q(request.text));
  label_message_->setObjectName(QStringLiteral("LabelMessage"));
  label_message_->setTextFormat(Qt::PlainText);
  label_message_->setFont(message_font);
  label_message_->setAutoFillBackground(false);
  scroll_box_->setWidget(label_message_);
  scroll_box_->installEventFilter(this);

  const QFontMetrics button_metrics(form_font);
  for (size_t i = 0; i < request.buttons.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    auto* b = new QPushButton(q(request.buttons[i]), panel_buttons_);
    b->setObjectName(QStringLiteral("Button%1").arg(number));
    b->setFont(form_font);
    b->resize(std::max(kMinButtonWidth,
                       button_metrics.horizontalAdvance(without_accelerator(q(request.buttons[i]))) + 20),
              kButtonHeight);
    b->installEventFilter(this);
    if (number == request.default_button) b->setDefault(true);
    if (number == request.help_button) {
      // Help is not shipped with the program: the button answers nothing and
      // leaves the dialog open, as its number is never a result.
    } else {
      connect(b, &QPushButton::clicked, this, [this, number] { press(number); });
    }
    buttons_.push_back(b);
  }
  lay_out();
  if (request.default_button >= 1 && request.default_button <= button_count())
    button(request.default_button)->setFocus();
}

QPushButton* TMessageDialog::button(int number) const {
  if (number < 1 || number > button_count()) return nullptr;
  return buttons_[number - 1];
}

QString TMessageDialog::caption_text() const {
  if (!version_.isEmpty() && !caption_.isEmpty()) return version_ + QStringLiteral(" - ") + caption_;
  return caption_;
}

QString TMessageDialog::copy_text() const {
  const QString dashes(80, QLatin1Char('-'));
  const QString eol = QStringLiteral("\r\n");
  QString text;
  text += dashes + eol;
  text += QCoreApplication::applicationFilePath() + QStringLiteral(" -> ") + caption_ + eol;
  text += dashes + eol;
  text += crlf(q(request_.text)) + eol;
  text += dashes + eol;
  for (const std::string& caption : request_.buttons) {
    QString plain = q(caption);
    plain.remove(QLatin1Char('&'));
    text += QLatin1Char('|') + plain + QStringLiteral("|   ");
  }
  text += eol;
  text += dashes + eol;
  return text;
}

void TMessageDialog::copy_to_clipboard() const {
  QGuiApplication::clipboard()->setText(copy_text());
}

void TMessageDialog::press(int number) {
  can_close_ = true;
  answer_ = number;
  done(number);
}

void TMessageDialog::closeEvent(QCloseEvent* event) {
  if (can_close_) {
    event->accept();
  } else {
    event->ignore();
  }
}

void TMessageDialog::reject() {
  if (QPushButton* cancel = button(request_.cancel_button);
      cancel && request_.cancel_button != request_.help_button)
    cancel->click();
}

void TMessageDialog::keyPressEvent(QKeyEvent* event) {
  QScrollBar* bar = scroll_box_->verticalScrollBar();
  const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
  if (ctrl && event->key() == Qt::Key_C) {
    copy_to_clipboard();
    QApplication::beep();
  } else if (ctrl && event->key() == Qt::Key_Home) {
    bar->setValue(bar->minimum());
  } else if (ctrl && event->key() == Qt::Key_End) {
    bar->setValue(bar->maximum());
  } else if (event->key() == Qt::Key_Up) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  } else if (event->key() == Qt::Key_Down) {
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  } else {
    QDialog::keyPressEvent(event);
    return;
  }
  event->accept();
}

bool TMessageDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == panel_caption_) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton) break;
        // The window manager moves the window where it can (a caption drag);
        // elsewhere the dialog follows the mouse itself.
        if (windowHandle() && windowHandle()->startSystemMove()) return true;
        dragging_ = true;
        drag_offset_ = mouse->globalPosition().toPoint() - pos();
        return true;
      case QEvent::MouseMove:
        if (!dragging_) break;
        move(mouse->globalPosition().toPoint() - drag_offset_);
        return true;
      case QEvent::MouseButtonRelease:
        dragging_ = false;
        break;
      default:
        break;
    }
  } else if (watched == label_copy_) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      copy_to_clipboard();
      return true;
    }
  } else if (event->type() == QEvent::KeyPress) {
    // The dialog sees its keys before the buttons do, so the arrows scroll the
    // message instead of moving the focus.
    auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers().testFlag(Qt::ControlModifier);
    const bool ours =
        key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
        (ctrl && (key->key() == Qt::Key_C || key->key() == Qt::Key_Home || key->key() == Qt::Key_End));
    if (ours) {
      keyPressEvent(key);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TMessageDialog::lay_out() {
  const QFontMetrics message_metrics(label_message_->font());
  const QString text = label_message_->text();
  const QRect natural = message_metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::AlignLeft, text);
  const int message_width = natural.width();

  const int text_width = std::max(kIconSize + message_width + 16, kMinTextWidth);
  int row_width = label_copy_->width() + 10;
  for (QPushButton* b : buttons_) row_width += b->width() + 4;

  // The screen's work area already leaves the taskbar out.
  QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);

  const int width = std::min(std::max(text_width, row_width) + 32, available.width() - 64);
  int message_height = natural.height();
  // Wrapped when it does not fit beside the icon: also when the work area
  // capped the width just above the text's, which would otherwise cut the
  // text's end off under the hidden horizontal bar.
  if (width - 80 < message_width) {
    const QString shown = with_break_chances(text);
    label_message_->setText(shown);
    label_message_->setWordWrap(true);
    label_message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_message_->setMaximumWidth(width - 80);
    message_height =
        message_metrics.boundingRect(QRect(0, 0, width - 80, 1 << 20), Qt::TextWordWrap, shown).height();
  } else {
    label_message_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  const int height = std::min(std::max(kCaptionHeight + kButtonPanelHeight + kIconSize,
                                       kCaptionHeight + kButtonPanelHeight + message_height + 32) +
                                  32,
                              available.height() - 32);
  setFixedSize(width, height);

  panel_caption_->setGeometry(0, 0, width, kCaptionHeight);
  panel_buttons_->setGeometry(0, height - kButtonPanelHeight, width, kButtonPanelHeight);
  scroll_box_->setGeometry(64, kCaptionHeight + 16, width - 64 - 8,
                           height - kCaptionHeight - kButtonPanelHeight - 16 - 8);

  const int row_left = (width - row_width) / 2;
  label_copy_->move(row_left, (kButtonPanelHeight - label_copy_->height()) / 2);
  int left = row_left + label_copy_->width() + 10;
  for (QPushButton* b : buttons_) {
    b->move(left, 8);
    left += b->width() + 6;
  }
}

void TMessageDialog::showEvent(QShowEvent* event) {
  // Screen-centred unless a position was given; with none at all, centred on
  // the owner when there is one.
  QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  if (request_.left < 0 && request_.top < 0 && parentWidget() && parentWidget()->isVisible())
    area = parentWidget()->window()->frameGeometry();
  QPoint at = area.center() - rect().center();
  if (request_.left >= 0) at.setX(request_.left);
  if (request_.top >= 0) at.setY(request_.top);
  move(at);
  QDialog::showEvent(event);
  if (som_da_mensagem) som_da_mensagem(request_.type);
}

}  // namespace zpk::ui
