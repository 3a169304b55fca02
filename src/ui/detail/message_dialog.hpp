// The library's own message dialog: a borderless window with a dark caption
// bar, the icon of the message type, the message in a scrolling fixed-pitch
// area, free button captions and a "Copiar" link. Only a button closes it.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <vector>

#include "platform/ui/dialog_service.hpp"

class QLabel;
class QPushButton;
class QScrollArea;

namespace zpk::ui {

class TMessageDialog : public QDialog {
  Q_OBJECT

 public:
  // Builds the dialog for `request` (its kind is not looked at: message boxes
  // and standard dialogs take the same window). `parent` is the owner it is
  // centred on when the request gives no position; none: the screen.
  explicit TMessageDialog(const MessageRequest& request, QWidget* parent = nullptr);

  // The 1-based button `number` (nullptr when there is none).
  QPushButton* button(int number) const;
  int button_count() const { return static_cast<int>(buttons_.size()); }
  // The 1-based number of the button pressed; 0 while none was.
  int answer() const { return answer_; }

  // The dialog as text (what "Copiar" and Ctrl+C put on the clipboard).
  QString copy_text() const;
  // Puts copy_text() on the clipboard.
  void copy_to_clipboard() const;

  // The caption bar's text: version + " - " + caption when the program has a version.
  QString caption_text() const;
  QLabel* panel_caption() const { return panel_caption_; }
  QLabel* label_message() const { return label_message_; }
  QLabel* label_copy() const { return label_copy_; }
  QLabel* image_icon() const { return image_icon_; }
  QScrollArea* scroll_box() const { return scroll_box_; }
  QWidget* panel_buttons() const { return panel_buttons_; }

 protected:
  // Refuses to close until a button was pressed (the window manager's close,
  // Alt+F4, close()).
  void closeEvent(QCloseEvent* event) override;
  // Escape presses the cancel button; without one it does nothing.
  void reject() override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void press(int number);
  void lay_out();

  MessageRequest request_;
  QString caption_;
  QString version_;
  QLabel* panel_caption_ = nullptr;
  QLabel* image_icon_ = nullptr;
  QWidget* panel_buttons_ = nullptr;
  QLabel* label_copy_ = nullptr;
  QScrollArea* scroll_box_ = nullptr;
  QLabel* label_message_ = nullptr;
  std::vector<QPushButton*> buttons_;
  bool can_close_ = false;
  int answer_ = 0;
  bool dragging_ = false;
  QPoint drag_offset_;
};

// The version text of the running program: "v1.2.3 (004)" from the
// application's version "1.2.3.4"; empty when it declares none.
QString texto_versao();

}  // namespace zpk::ui
