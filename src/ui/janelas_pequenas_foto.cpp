// The picture viewer.
#include "ui/janelas_pequenas_foto.hpp"

#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "platform/settings/program_folder.hpp"

namespace zpk::ui {
namespace {

// One tab: a scroll box with the picture and the zoom slider under it.
QWidget* aba(QWidget* pai, QScrollArea*& caixa, QLabel*& imagem, QSlider*& slider, const QString& nome) {
  auto* pagina = new QWidget(pai);
  auto* layout = new QVBoxLayout(pagina);
  caixa = new QScrollArea(pagina);
  caixa->setObjectName("Scroll" + nome);
  caixa->setAlignment(Qt::AlignCenter);
  imagem = new QLabel;
  imagem->setObjectName("Img" + nome);
  imagem->setScaledContents(true);
  caixa->setWidget(imagem);
  slider = new QSlider(Qt::Horizontal, pagina);
  slider->setObjectName("Track" + nome);
  slider->setRange(10, 100);
  slider->setValue(100);
  layout->addWidget(caixa, 1);
  layout->addWidget(slider);
  return pagina;
}

// The largest zoom at which the picture fits the box, between 10 and 100.
int zoom_inicial(const QPixmap& imagem, const QSize& caixa) {
  if (imagem.isNull() || caixa.isEmpty()) return 100;
  const double escala = std::min(static_cast<double>(caixa.width()) / imagem.width(),
                                 static_cast<double>(caixa.height()) / imagem.height());
  return std::clamp(static_cast<int>(escala * 100), 10, 100);
}

}  // namespace

TfmFotoProd::TfmFotoProd(QWidget* Owner) : QDialog(Owner) {
  setObjectName("fmFotoProd");
  setWindowTitle("Foto");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(924, 562);
  auto* layout = new QVBoxLayout(this);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->addTab(aba(PageControl1, caixa_foto_, ImgFoto, TrackFoto, "Foto"), "Foto");
  PageControl1->addTab(aba(PageControl1, caixa_desenho_, ImgDesenho, TrackDesenho, "Desenho"), "Desenho");
  layout->addWidget(PageControl1);
  connect(TrackFoto, &QSlider::valueChanged, this, [this](int p) { zoom(ImgFoto, foto_, caixa_foto_, p); });
  connect(TrackDesenho, &QSlider::valueChanged, this,
          [this](int p) { zoom(ImgDesenho, desenho_, caixa_desenho_, p); });
  if (Owner) move(Owner->geometry().center() - rect().center());
  fmFotoProd = this;
}

TfmFotoProd::~TfmFotoProd() {
  if (fmFotoProd == this) fmFotoProd = nullptr;
}

void TfmFotoProd::zoom(QLabel* imagem, const QPixmap& original, QScrollArea* caixa, int percentual) {
  if (original.isNull()) return;
  imagem->setPixmap(original);
  imagem->resize(original.width() * percentual / 100, original.height() * percentual / 100);
  caixa->widget()->updateGeometry();
  caixa->viewport()->update();
}

void TfmFotoProd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!FotoStream.isEmpty()) {
    foto_.loadFromData(FotoStream);
  } else if (!ArquivoFoto.empty()) {
    foto_.load(QString::fromStdString(program_file(ArquivoFoto).string()));
  }
  if (!ArquivoDesenho.empty()) desenho_.load(QString::fromStdString(program_file(ArquivoDesenho).string()));
  PageControl1->setTabVisible(1, !desenho_.isNull());
  const QSize area = caixa_foto_->viewport()->size();
  for (auto [slider, imagem, original, caixa] :
       {std::tuple{TrackFoto, ImgFoto, &foto_, caixa_foto_},
        std::tuple{TrackDesenho, ImgDesenho, &desenho_, caixa_desenho_}}) {
    const int inicial = zoom_inicial(*original, area);
    if (slider->value() == inicial) zoom(imagem, *original, caixa, inicial);
    slider->setValue(inicial);
  }
}

void TfmFotoProd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TfmFotoProd::wheelEvent(QWheelEvent* event) {
  // Wherever the pointer is on the viewer, the wheel scrolls the photo.
  QScrollBar* barra = caixa_foto_->verticalScrollBar();
  barra->setValue(barra->value() - event->angleDelta().y() / 120 * barra->singleStep() * 3);
  event->accept();
}

}  // namespace zpk::ui
