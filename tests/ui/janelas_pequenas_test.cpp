// The small shared windows: one browser tab however often a URL is shown,
// the picture viewer's zoom, the detail pop-up that goes when the user
// clicks elsewhere, the notification box and the user-guide log.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QWheelEvent>
#include <memory>

#include "foundation/external_programs.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/temp_folder.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/janelas_pequenas_browser.hpp"
#include "ui/janelas_pequenas_foto.hpp"
#include "ui/janelas_pequenas_notifica.hpp"
#include "ui/janelas_sistema.hpp"

namespace zpk::ui {
namespace {

void apaga_pendentes() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(ExecutaBrowser, ASecondUrlReusesTheWindowAndItsTab) {
  aplicacao_qt();
  std::unique_ptr<QMainWindow> principal(make_main_window());
  SetFormPrincipal(principal.get());
  principal->show();
  std::vector<std::string> abertos;
  set_file_opener([&](const std::filesystem::path& url) {
    abertos.push_back(url.string());
    return true;
  });
  HeadlessDialogs headless;
  BrowserNaJanela dialogos(headless);
  ScopedDialogService instalado(dialogos);

  ExecutaBrowser(nullptr, "https://zelvo.com.br/ajuda");
  QPointer<TfmWebBrowser> primeira = fmWebBrowser;
  ASSERT_TRUE(primeira);
  EXPECT_EQ(primeira->windowTitle(), "ZELVO Browser");
  ExecutaBrowser(nullptr, "https://zelvo.com.br/suporte");
  EXPECT_EQ(fmWebBrowser, primeira.data());
  EXPECT_EQ(sysJanelas->TITabs()->count(), 1);
  EXPECT_EQ(sysJanelas->area()->subWindowList().size(), 1);
  EXPECT_EQ(primeira->URL(), "https://zelvo.com.br/suporte");
  // The URLs went to the desktop's browser, and the window says so.
  EXPECT_EQ(abertos,
            (std::vector<std::string>{"https://zelvo.com.br/ajuda", "https://zelvo.com.br/suporte"}));
  EXPECT_TRUE(primeira->aviso().contains("navegador do sistema"));
  EXPECT_TRUE(headless.records().empty());

  // Closing the tab frees the window; the next URL makes a new one with a new tab.
  emit sysJanelas->TITabs()->tabCloseRequested(0);
  apaga_pendentes();
  EXPECT_TRUE(primeira.isNull());
  EXPECT_EQ(fmWebBrowser, nullptr);
  EXPECT_EQ(sysJanelas->TITabs()->count(), 0);
  ExecutaBrowser(nullptr, "https://zelvo.com.br");
  ASSERT_NE(fmWebBrowser, nullptr);
  EXPECT_EQ(sysJanelas->TITabs()->count(), 1);

  // A browser that cannot start is said in the window, not hidden.
  set_file_opener([](const std::filesystem::path&) { return false; });
  EXPECT_FALSE(fmWebBrowser->LoadURL("https://zelvo.com.br"));
  EXPECT_TRUE(fmWebBrowser->aviso().startsWith("Não foi possível"));
  set_file_opener({});
  sysJanelas.reset();
  principal.reset();
  apaga_pendentes();
}

TEST(TfmFotoProd, ZoomAtFiftyHalvesThePictureAndTheDrawingTabNeedsADrawing) {
  aplicacao_qt();
  test::TempFolder pasta("foto");
  QImage imagem(400, 240, QImage::Format_RGB32);
  imagem.fill(Qt::red);
  ASSERT_TRUE(imagem.save(QString::fromStdString((pasta.path() / "foto.png").string())));

  QPointer<TfmFotoProd> janela = new TfmFotoProd;
  janela->ArquivoFoto = (pasta.path() / "foto.png").string();
  janela->show();
  EXPECT_FALSE(janela->PageControl1->isTabVisible(1));
  janela->TrackFoto->setValue(100);
  EXPECT_EQ(janela->ImgFoto->size(), QSize(400, 240));
  janela->TrackFoto->setValue(50);
  EXPECT_EQ(janela->ImgFoto->size(), QSize(200, 120));
  EXPECT_EQ(janela->TrackFoto->minimum(), 10);
  EXPECT_EQ(janela->TrackFoto->maximum(), 100);

  // Escape closes the viewer and frees it.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QCoreApplication::sendEvent(janela, &escape);
  apaga_pendentes();
  EXPECT_TRUE(janela.isNull());
  EXPECT_EQ(fmFotoProd, nullptr);

  // A photo handed over as bytes, with a drawing: both tabs, each zooming its own picture.
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    imagem.scaled(100, 60).save(&buffer, "PNG");
  }
  janela = new TfmFotoProd;
  janela->FotoStream = bytes;
  janela->ArquivoDesenho = (pasta.path() / "foto.png").string();
  janela->show();
  EXPECT_TRUE(janela->PageControl1->isTabVisible(1));
  janela->TrackFoto->setValue(100);
  janela->TrackDesenho->setValue(100);
  janela->TrackDesenho->setValue(50);
  EXPECT_EQ(janela->ImgFoto->size(), QSize(100, 60));
  EXPECT_EQ(janela->ImgDesenho->size(), QSize(200, 120));
  delete janela;

  // The wheel anywhere on the viewer scrolls a photo larger than its box.
  QImage grande(2000, 2000, QImage::Format_RGB32);
  grande.fill(Qt::blue);
  ASSERT_TRUE(grande.save(QString::fromStdString((pasta.path() / "grande.png").string())));
  {
    TfmFotoProd larga;
    larga.ArquivoFoto = (pasta.path() / "grande.png").string();
    larga.show();
    larga.TrackFoto->setValue(100);
    QCoreApplication::processEvents();
    QWheelEvent roda(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&larga, &roda);
    EXPECT_GT(larga.findChild<QScrollArea*>("ScrollFoto")->verticalScrollBar()->value(), 0);
    larga.setAttribute(Qt::WA_DeleteOnClose, false);
  }
}

TEST(Notifica, FillsTheNotificationWindowAndRunsTheClickHandler) {
  aplicacao_qt();
  QMenu menu;
  int cliques = 0;
  TfmNotifica* janela = Notifica("Pedido liberado", "O pedido 123 foi liberado.", &menu, [&] { ++cliques; });
  ASSERT_NE(janela, nullptr);
  EXPECT_EQ(janela->Label1->text(), "Pedido liberado");
  EXPECT_EQ(janela->lbTextoCorpo->text(), "O pedido 123 foi liberado.");
  EXPECT_EQ(janela->menu, &menu);
  EXPECT_TRUE(janela->isVisible());
  QMouseEvent clique(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
  QCoreApplication::sendEvent(janela, &clique);
  EXPECT_EQ(cliques, 1);
  // The same window is filled again, not a second one.
  EXPECT_EQ(Notifica("Outro", "Texto"), janela);
  EXPECT_EQ(janela->Label1->text(), "Outro");
  delete janela;
}

TEST(LogVisual, AppendsLinesAndTextToTheOneUserGuideWindow) {
  aplicacao_qt();
  TFmGuiaUsuario* janela = LogVisual("Importando estoque", Qt::blue, fsBold);
  ASSERT_NE(janela, nullptr);
  EXPECT_EQ(janela->EdtEdita->text(), "S");
  EXPECT_EQ(LogVisual("... 10 itens", Qt::black, 0, false), janela);
  EXPECT_EQ(LogVisual("Concluído", Qt::darkGreen, fsItalic), janela);
  EXPECT_EQ(janela->EdtUsuario->toPlainText(), "Importando estoque... 10 itens\nConcluído");
  QTextCursor cursor(janela->EdtUsuario->document());
  cursor.setPosition(1);
  EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(Qt::blue));
  EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
  janela->close();
  apaga_pendentes();
}

}  // namespace
}  // namespace zpk::ui
