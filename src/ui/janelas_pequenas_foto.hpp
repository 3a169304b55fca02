// The picture viewer for product photos and technical drawings: two tabs,
// each a scrolled picture with a zoom slider from 10 to 100 per cent.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPixmap>
#include <string>

class QLabel;
class QScrollArea;
class QSlider;
class QTabWidget;

namespace zpk::ui {

class TfmFotoProd : public QDialog {
  Q_OBJECT
 public:
  // Captioned "Foto", 924 x 562, centred on Owner; registers itself in fmFotoProd.
  explicit TfmFotoProd(QWidget* Owner = nullptr);
  ~TfmFotoProd() override;

  std::string ArquivoFoto;     // the photo's file
  QByteArray FotoStream;       // the photo's bytes, used instead of the file when given
  std::string ArquivoDesenho;  // the drawing's file; no drawing: its tab is hidden

  QTabWidget* PageControl1 = nullptr;
  QSlider* TrackFoto = nullptr;
  QSlider* TrackDesenho = nullptr;
  QLabel* ImgFoto = nullptr;
  QLabel* ImgDesenho = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // Sizes the picture to the slider's per cent of its own size.
  void zoom(QLabel* imagem, const QPixmap& original, QScrollArea* caixa, int percentual);
  QScrollArea* caixa_foto_ = nullptr;
  QScrollArea* caixa_desenho_ = nullptr;
  QPixmap foto_;
  QPixmap desenho_;
};

// The picture viewer while one is open.
inline TfmFotoProd* fmFotoProd = nullptr;

}  // namespace zpk::ui
