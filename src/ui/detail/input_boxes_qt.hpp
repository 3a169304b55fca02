// The input boxes as windows: one small dialog family (password, date,
// choice, long text, invoice number) laid out in dialog units of its font, so
// it keeps its proportions whatever font the desktop gives it.
#pragma once

#include <QDialog>
#include <QPoint>
#include <optional>
#include <string>

#include "platform/ui/dialog_service.hpp"

class QFontMetrics;
class QLabel;
class QPushButton;

namespace zpk::ui {

// Average width of the 52 letters A-Z and a-z, and the text height, of a font:
// the unit the boxes' sizes are given in (a quarter and an eighth of them).
QPoint FuncGetAveCharSize(const QFontMetrics& Canvas);
// The billing unit's copy of the same measure.
QPoint GetAveCharSizeFat(const QFontMetrics& Canvas);

class InputBoxWindow : public QDialog {
  Q_OBJECT

 public:
  // Builds the box for `request` (its kind chooses the control and the sizes).
  explicit InputBoxWindow(const InputRequest& request, QWidget* parent = nullptr);

  // The control's text as the box would return it now.
  QString value() const;
  // The control the user types in (QLineEdit, QComboBox or QPlainTextEdit).
  QWidget* control() const { return control_; }
  QLabel* prompt_label() const { return prompt_; }
  // The confirm button, and the cancel button (nullptr when the box has none).
  QPushButton* ok_button() const { return ok_; }
  QPushButton* cancel_button() const { return cancel_; }

  // Shows the box modally: the confirmed text, or nothing when it was
  // cancelled or closed.
  std::optional<std::string> ask();

 private:
  InputRequest request_;
  QLabel* prompt_ = nullptr;
  QWidget* control_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace zpk::ui
