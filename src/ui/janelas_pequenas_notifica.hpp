// The notification box and the running log of the user-guide window, which
// many screens use to tell the user something without stopping them.
#pragma once

#include <QColor>
#include <QWidget>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QMenu;
class QTextEdit;

namespace zpk::ui {

// The notification window: a title, a body and a picture with a menu.
class TfmNotifica : public QWidget {
  Q_OBJECT
 public:
  explicit TfmNotifica(QWidget* parent = nullptr);
  QLabel* Label1 = nullptr;
  QLabel* lbTextoCorpo = nullptr;
  QLabel* Image2 = nullptr;
  QMenu* menu = nullptr;           // the picture's pop-up menu
  std::function<void()> aoClicar;  // runs when the window is clicked

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// Fills the notification window "fmNotifica" (the host's, else one made on
// first use) with Titulo and Texto, gives its picture the pop-up menu Menu and
// the window the click handler AoClicar (when given), and shows it.
TfmNotifica* Notifica(const std::string& Titulo, const std::string& Texto, QMenu* Menu = nullptr,
                      std::function<void()> AoClicar = {});

// Font styles of a LogVisual line.
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// The user-guide window: an edit flag and a rich text that grows line by line.
class TFmGuiaUsuario : public QWidget {
  Q_OBJECT
 public:
  explicit TFmGuiaUsuario(QWidget* parent = nullptr);
  QLineEdit* EdtEdita = nullptr;
  QTextEdit* EdtUsuario = nullptr;
};

// Appends Texto in colour Cor and style Estilo (TFontStyle flags) to the
// user-guide window, as a new line or at the end of the last one, opening the
// window the first time and bringing it to the front.
TFmGuiaUsuario* LogVisual(const std::string& Texto, const QColor& Cor = Qt::black, int Estilo = 0,
                          bool NovaLinha = true);

}  // namespace zpk::ui
