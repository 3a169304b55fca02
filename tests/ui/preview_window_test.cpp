// The report preview window: the pages it shows are the renderer's pixels,
// navigation, zoom kept per user, find, keys, and the preview hook that opens
// it for the library's reports.
#include "ui/detail/preview_window.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include "foundation/station_fixture.hpp"
#include "reporting/chama_relatorio.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/preview_host_qt.hpp"

namespace zpk::ui {
namespace {

using test::write_file;

// Two detail records a page after the title: nine items make five pages.
constexpr const char* kItens = R"(report title="Itens"
page size=custom width=100 height=70 margin=10
band title height=10
  text x=0 y=0 w=80 h=5 text="Lista de itens"
band detail dataset=ITENS height=20
  text x=0 y=0 w=80 h=5 text="Item [ITENS.CODIGO]"
)";

class PreviewWindowTest : public test::StationTest {
 protected:
  void SetUp() override {
    aplicacao_qt();
    StationTest::SetUp();
    items_.FieldDefs.Add("CODIGO", ftInteger);
    items_.CreateDataSet();
    for (int i = 101; i <= 109; ++i) items_.AppendRecord({i});
    report_.LoadTemplateFromText(kItens, "ITENS.prt");
    report_.AddDataSet("ITENS", items_);
    ASSERT_TRUE(report_.Prepare());
    ASSERT_GE(report_.GetEndPagesCount(), 4);
  }

  // A window over the prepared report, as the engine's own preview opens it.
  std::unique_ptr<PreviewWindow> open() {
    auto form = std::make_unique<TFmSReport>();
    form->Report = &report_;
    form->Caption = "Itens";
    auto window = std::make_unique<PreviewWindow>(std::move(form));
    window->show();
    return window;
  }

  static void click(PreviewWindow& window, const char* button) {
    auto* b = window.findChild<QToolButton*>(button);
    ASSERT_NE(b, nullptr) << button;
    b->click();
  }

  // The page as the renderer writes it at `dpi`.
  QImage rendered(int page, double dpi) {
    const std::string file = (base_ / "pagina.png").string();
    report_.export_page_to_png(page, file, dpi);
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_ARGB32);
  }

  TClientDataSet items_;
  TprReport report_;
};

TEST_F(PreviewWindowTest, ShowsTheRenderersPagesAndMovesThroughThem) {
  auto window = open();
  const int last = report_.GetEndPagesCount() - 1;
  EXPECT_EQ(window->current_page(), 0);
  EXPECT_EQ(window->page_image().convertToFormat(QImage::Format_ARGB32), rendered(0, 96));
  EXPECT_TRUE(window->status_text().startsWith(QString("Página 1 de %1 ").arg(last + 1)))
      << window->status_text().toStdString();
  // Nothing before the first page.
  EXPECT_FALSE(window->findChild<QToolButton*>("ToolButton15")->isEnabled());

  const struct {
    const char* button;
    int page;
  } kSteps[] = {
      {"ToolButton17", 1},        {"ToolButton17", 2}, {"btnUltima", last}, {"ToolButton17", last},
      {"ToolButton15", last - 1}, {"btnPrimeira", 0},  {"ToolButton15", 0},
  };
  for (const auto& step : kSteps) {
    SCOPED_TRACE(step.button);
    // A disabled button does nothing when clicked; its page must stay anyway.
    click(*window, step.button);
    EXPECT_EQ(window->current_page(), step.page);
    EXPECT_EQ(window->page_image().convertToFormat(QImage::Format_ARGB32), rendered(step.page, 96));
  }
  window->go_to_page(2);
  EXPECT_EQ(window->current_page(), 2);
  window->go_to_page(99);
  EXPECT_EQ(window->current_page(), last);
}

TEST_F(PreviewWindowTest, ZoomHalvesThePictureAndIsKeptForTheNextWindow) {
  int full_width = 0;
  {
    auto window = open();
    EXPECT_EQ(window->form().ScalePercent(), 100);  // nothing stored yet
    full_width = window->page_image().width();
    window->set_zoom(50);
    EXPECT_NEAR(window->page_image().width(), full_width / 2.0, 1.0);
    EXPECT_EQ(window->page_image().convertToFormat(QImage::Format_ARGB32), rendered(0, 48));
    window->close();
  }
  auto again = open();
  EXPECT_EQ(again->form().ScalePercent(), 50);
  EXPECT_NEAR(again->page_image().width(), full_width / 2.0, 1.0);

  // "+" and "-" and the zoom buttons move by ten.
  QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, "+");
  QApplication::sendEvent(again.get(), &plus);
  EXPECT_EQ(again->form().ScalePercent(), 60);
  click(*again, "ToolButton13");
  click(*again, "ToolButton13");
  EXPECT_EQ(again->form().ScalePercent(), 40);
  EXPECT_NEAR(again->page_image().width(), full_width * 0.4, 1.0);

  // Escape closes the window and keeps its zoom.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(again.get(), &escape);
  EXPECT_FALSE(again->isVisible());
  EXPECT_EQ(open()->form().ScalePercent(), 40);
}

TEST_F(PreviewWindowTest, FindShowsThePageHoldingTheText) {
  // Where the engine put the item, read from the prepared pages themselves.
  int holder = -1;
  for (int p = 0; p < report_.GetEndPagesCount() && holder < 0; ++p) {
    for (const auto& o : report_.GetEndPage(p).Objects)
      if (o.Text == "Item 107") holder = p;
  }
  ASSERT_GT(holder, 0);

  auto window = open();
  EXPECT_TRUE(window->find("item 107"));
  EXPECT_EQ(window->current_page(), holder);
  EXPECT_EQ(window->page_image().convertToFormat(QImage::Format_ARGB32), rendered(holder, 96));
  // Typed in the find box and asked for with the button; found from the current page on, wrapping.
  window->findChild<QLineEdit*>("edtLocalizar")->setText("Item 101");
  click(*window, "ToolButton9");
  EXPECT_EQ(window->current_page(), 0);
  // A text on no page leaves the page as it was and says so.
  window->go_to_page(1);
  EXPECT_FALSE(window->find("Item 999"));
  EXPECT_EQ(window->current_page(), 1);
  EXPECT_TRUE(window->status_text().contains("não encontrado"));
}

TEST_F(PreviewWindowTest, APageTooLargeForTheZoomIsToldNotThrown) {
  // 600 mm at 1000 percent would be about 22700 pixels, more than the renderer draws.
  TprReport largo;
  largo.LoadTemplateFromText(R"(report title="Largo"
page size=custom width=600 height=100 margin=10
band title height=10
  text x=0 y=0 w=80 h=5 text="Faixa larga"
)",
                             "LARGO.prt");
  ASSERT_TRUE(largo.Prepare());
  auto form = std::make_unique<TFmSReport>();
  form->Report = &largo;
  PreviewWindow window(std::move(form));
  ASSERT_FALSE(window.page_image().isNull());
  EXPECT_NO_THROW(window.set_zoom(1000));
  EXPECT_TRUE(window.page_image().isNull());
  EXPECT_TRUE(window.status_text().contains("não pôde ser desenhada")) << window.status_text().toStdString();
  // Back to a zoom it can draw, the page is shown again.
  window.set_zoom(100);
  EXPECT_FALSE(window.page_image().isNull());
}

TEST_F(PreviewWindowTest, TheHookShowsTheLayoutUntilTheUserClosesIt) {
  set_root(root());
  write_file(store_ / "layout" / "WITENS.prt", kItens);
  QtPreviewHost host;
  ScopedPreviewHost guard(host);

  int pages_seen = -1;
  QString title;
  host.on_shown = [&](PreviewWindow& window) {
    pages_seen = window.page_count();
    title = window.windowTitle();
    EXPECT_EQ(host.open_windows().size(), 1u);
    // The user closes it once the call waits for the window.
    QTimer::singleShot(0, &window, [&window] {
      click(window, "ToolButton17");
      click(window, "ToolButton19");  // Fechar
    });
  };
  TprReport caller;
  caller.AddDataSet("ITENS", items_);
  EXPECT_TRUE(Chama_RelatorioWin(caller, "WITENS", true, OwnerForm{"FmItens", "Itens"}, false, "", false));
  // The call came back only once the window was closed, and freed it.
  EXPECT_EQ(pages_seen, report_.GetEndPagesCount());
  EXPECT_EQ(title, "Visualização Itens");
  EXPECT_TRUE(host.open_windows().empty());
  EXPECT_EQ(UserSettings("Zelvo\\RelWin").read_integer("", "ScalePercent", 0), 100);
}

}  // namespace
}  // namespace zpk::ui
