// Barcodes and pictures on rendered pages: the bars and modules lie inside
// their boxes (pixels read back from the PNG), zbarimg reads the data back
// where it is installed, and pictures fill or fit their boxes.
#include <cairo.h>
#include <pango/pangocairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/errors.hpp"
#include "reporting/report.hpp"
#include "support/temp_folder.hpp"
#include "support/shell.hpp"

namespace zpk {
namespace {

constexpr double kDpi = 300;
constexpr double kMargin = 10;  // mm, the layouts' margin

// A PNG read back: its pixels as 0xRRGGBB.
class Image {
 public:
  explicit Image(const std::string& file)
      : surface_(cairo_image_surface_create_from_png(file.c_str()), cairo_surface_destroy) {}
  bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_.get()); }
  int height() const { return cairo_image_surface_get_height(surface_.get()); }
  unsigned rgb(int x, int y) const {
    const unsigned char* row =
        cairo_image_surface_get_data(surface_.get()) + y * cairo_image_surface_get_stride(surface_.get());
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
  }
  bool dark(int x, int y) const {
    const unsigned c = rgb(x, y);
    return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 3 * 128;
  }

 private:
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface_;
};

// A box of the layout (mm inside the margins) in pixels of the page.
struct Box {
  double x, y, w, h;
  int left() const { return static_cast<int>(std::floor((kMargin + x) * kDpi / 25.4)); }
  int top() const { return static_cast<int>(std::floor((kMargin + y) * kDpi / 25.4)); }
  int right() const { return static_cast<int>(std::ceil((kMargin + x + w) * kDpi / 25.4)); }
  int bottom() const { return static_cast<int>(std::ceil((kMargin + y + h) * kDpi / 25.4)); }
  bool holds(int px, int py) const { return px >= left() && px < right() && py >= top() && py < bottom(); }
};

class RendererBarcodeTest : public ::testing::Test {
 protected:
  // Prepares `layout` (one page) and writes it as a PNG; returns the file.
  std::string render(const std::string& layout) {
    TprReport report;
    report.LoadTemplateFromText(layout, (folder_ / "ETIQ.prt").string());
    EXPECT_TRUE(report.Prepare());
    const std::string png = (folder_ / "page.png").string();
    report.export_page_to_png(0, png, kDpi);
    return png;
  }

  test::TempFolder folder_{"barcode"};
};

// 789123456789 takes the check digit 5: (7+9+2+4+6+8) + 3 * (8+1+3+5+7+9) = 135.
constexpr const char* kEan = "7891234567895";
constexpr const char* kQr = "ZPK-000123 Tecido azul 100% algodão";
const Box kEanBox{0, 0, 40, 20};
const Box kQrBox{50, 0, 25, 25};
const std::string kCodes = std::string(R"(page size=custom width=150 height=60 margin=10
band title height=40
  barcode x=0 y=0 w=40 h=20 type=ean13 data="789123456789"
  barcode x=50 y=0 w=25 h=25 type=qr data=")") +
                           kQr + "\"\n";

TEST_F(RendererBarcodeTest, BarsAndModulesLieInsideTheirBoxes) {
  const Image image(render(kCodes));
  ASSERT_TRUE(image.ok());
  int outside = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.dark(x, y) && !kEanBox.holds(x, y) && !kQrBox.holds(x, y)) ++outside;
  EXPECT_EQ(outside, 0);

  const struct {
    const char* name;
    Box box;
  } kCases[] = {{"ean13", kEanBox}, {"qr", kQrBox}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    int dark = 0, total = 0;
    for (int y = c.box.top(); y < c.box.bottom(); ++y)
      for (int x = c.box.left(); x < c.box.right(); ++x, ++total) dark += image.dark(x, y);
    // Bars and modules cover roughly half of a symbol.
    EXPECT_GT(dark, total / 4);
    EXPECT_LT(dark, total * 3 / 4);
  }

  // A scan across the middle of the EAN-13 box meets its 30 bars, spread over
  // the box's width but for the quiet zones (11 and 7 of 113 modules).
  const int mid = (kEanBox.top() + kEanBox.bottom()) / 2;
  int bars = 0, first = -1, last = -1;
  for (int x = kEanBox.left(); x < kEanBox.right(); ++x) {
    if (!image.dark(x, mid)) continue;
    if (first < 0) first = x;
    if (x == kEanBox.left() || !image.dark(x - 1, mid)) ++bars;
    last = x;
  }
  EXPECT_EQ(bars, 30);
  const int width = kEanBox.right() - kEanBox.left();
  EXPECT_LE(first - kEanBox.left(), width / 8);
  EXPECT_LE(kEanBox.right() - last, width / 8);
  // The QR code's finder pattern: its top-left corner is dark.
  EXPECT_TRUE(image.dark(kQrBox.left() + 3, kQrBox.top() + 3));
}

TEST_F(RendererBarcodeTest, ZbarReadsTheDataBack) {
  if (test::shell_output("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg (zbar-tools) not installed";
  const std::string png = render(kCodes);
  const std::string out = test::shell_output("zbarimg --quiet '" + png + "' 2>/dev/null");
  EXPECT_NE(out.find(std::string("EAN-13:") + kEan + "\n"), std::string::npos) << out;
  EXPECT_NE(out.find(std::string("QR-Code:") + kQr + "\n"), std::string::npos) << out;
}

// Writes a 4 x 2 pixel PNG of one colour.
void write_png(const std::string& file, double r, double g, double b) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 2);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, r, g, b);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(s, file.c_str());
  cairo_surface_destroy(s);
}

TEST_F(RendererBarcodeTest, PicturesFillOrFitTheirBoxes) {
  const std::string logo = (folder_ / "logo.png").string();
  write_png(logo, 1, 0, 0);
  // A 4:2 picture in 30 x 30 mm boxes: stretched it fills the box; kept in
  // proportion it is 30 x 15 mm, centred (white bands above and below).
  const Box stretched{0, 0, 30, 30}, kept{40, 0, 30, 30};
  const Image image(
      render("page size=custom width=150 height=60 margin=10\nband title height=40\n"
             "  picture x=0 y=0 w=30 h=30 file=\"" +
             logo +
             "\"\n"
             "  picture x=40 y=0 w=30 h=30 stretch=no file=\"" +
             logo + "\"\n"));
  ASSERT_TRUE(image.ok());
  const int near_top = stretched.top() + 5, middle = (stretched.top() + stretched.bottom()) / 2;
  const struct {
    const char* what;
    int x, y;
    unsigned rgb;
  } kCases[] = {
      {"stretched, near the top", (stretched.left() + stretched.right()) / 2, near_top, 0xFF0000},
      {"stretched, middle", (stretched.left() + stretched.right()) / 2, middle, 0xFF0000},
      {"kept, near the top", (kept.left() + kept.right()) / 2, near_top, 0xFFFFFF},
      {"kept, middle", (kept.left() + kept.right()) / 2, middle, 0xFF0000},
      {"between the boxes", stretched.right() + 20, middle, 0xFFFFFF},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(image.rgb(c.x, c.y), c.rgb);
  }
}

TEST_F(RendererBarcodeTest, UnreadablePictureFailsNamingTheFile) {
  const std::string not_png = (folder_ / "nota.png").string();
  test::write_file(not_png, "not a picture");
  const std::string cases[] = {(folder_ / "missing.png").string(), not_png};
  for (const auto& file : cases) {
    SCOPED_TRACE(file);
    TprReport report;
    report.LoadTemplateFromText(
        "page size=A4\nband title height=20\n  picture x=0 y=0 w=20 h=20 file=\"" + file + "\"\n", "P.prt");
    ASSERT_TRUE(report.Prepare());
    try {
      report.export_page_to_png(0, (folder_ / "p.png").string(), 96);
      ADD_FAILURE() << "no error";
    } catch (const EZpkError& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace zpk

namespace zpk {
namespace {

// A line of text takes the width its font gives it, on a screen-resolution
// preview as on paper: glyph advances are neither hinted nor rounded (rounded
// positions drew 9-point text 6 % narrower than the font and opened gaps
// inside words at 96 dpi). The font's own width comes from pango laid out at
// 72 units per inch, where one unit is one point.
TEST_F(RendererBarcodeTest, TextKeepsTheFontsWidthOnScreenAndPaper) {
  const std::string texto = "TECIDO PLANO 100% ALGODAO 1,60 M CAMISETA GOLA V (CODIGO DE BARRAS) Estoque por grupo";
  const std::string layout = "page size=custom width=200 height=30 margin=10\nband title height=10\n"
                             "  text x=0 y=0 w=180 h=6 size=9 text=\"" + texto + "\"\n";
  TprReport report;
  report.LoadTemplateFromText(layout, (folder_ / "LARGURA.prt").string());
  ASSERT_TRUE(report.Prepare());
  // The right edge of the ink, in millimetres from the margin, at a resolution.
  const auto right_edge_mm = [&](double dpi) {
    const std::string png = (folder_ / "largura.png").string();
    report.export_page_to_png(0, png, dpi);
    const Image image(png);
    EXPECT_TRUE(image.ok());
    int right = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.dark(x, y)) right = std::max(right, x);
    return (right + 1) * 25.4 / dpi - 10;
  };
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
  cairo_t* cr = cairo_create(surface);
  PangoLayout* fonte = pango_cairo_create_layout(cr);
  PangoContext* context = pango_layout_get_context(fonte);
  pango_cairo_context_set_resolution(context, 72);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context, FALSE);
  pango_layout_context_changed(fonte);
  PangoFontDescription* descricao = pango_font_description_from_string("Sans 9");
  pango_layout_set_font_description(fonte, descricao);
  pango_layout_set_text(fonte, texto.c_str(), -1);
  PangoRectangle ink, logical;
  pango_layout_get_extents(fonte, &ink, &logical);
  const double natural = (ink.x + ink.width) / static_cast<double>(PANGO_SCALE) * 25.4 / 72;
  pango_font_description_free(descricao);
  g_object_unref(fonte);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);

  EXPECT_NEAR(right_edge_mm(600), natural, 0.3);
  EXPECT_NEAR(right_edge_mm(96), natural, 0.6);
}

}  // namespace
}  // namespace zpk
