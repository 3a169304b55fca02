// Code 128 on a rendered page: the bars are zint's encoding of the same text
// module for module (read back from the PNG), they scan back, texts Code 128
// cannot carry are refused naming the file and line, and the human-readable
// line under EAN-13 and Code 128 bars is printed unless switched off.
#include <cairo.h>
#include <gtest/gtest.h>
#include <zint.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "reporting/report.hpp"
#include "support/temp_folder.hpp"
#include "support/shell.hpp"

namespace zpk {
namespace {

constexpr double kDpi = 600;
constexpr double kMargin = 10, kBoxW = 120, kBoxH = 15;  // mm
constexpr const char* kData = "ZPK-000123 Az/9";

// The layout of one Code 128 of kBoxW x kBoxH mm at the margin's corner.
std::string layout(const std::string& data, const std::string& extra = "") {
  return "page size=custom width=150 height=40 margin=10\nband title height=20\n"
         "  barcode x=0 y=0 w=120 h=15 type=code128 data=\"" +
         data + "\" " + extra + "\n";
}

// zint's bars for `data` as (start, width) in units of its vector, and the vector's width.
std::pair<std::vector<std::pair<int, int>>, double> zint_bars(const std::string& data) {
  std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> s(ZBarcode_Create(), ZBarcode_Delete);
  s->symbology = BARCODE_CODE128;
  s->show_hrt = 0;
  EXPECT_LT(ZBarcode_Encode_and_Buffer_Vector(s.get(), reinterpret_cast<const unsigned char*>(data.data()),
                                              static_cast<int>(data.size()), 0),
            ZINT_ERROR);
  std::vector<std::pair<int, int>> bars;
  for (const zint_vector_rect* r = s->vector->rectangles; r != nullptr; r = r->next) {
    if (r->colour == -1)
      bars.emplace_back(static_cast<int>(std::lround(r->x)), static_cast<int>(std::lround(r->width)));
  }
  std::sort(bars.begin(), bars.end());
  return {bars, s->vector->width};
}

class Code128Test : public ::testing::Test {
 protected:
  // Prepares and renders `text` as a PNG at kDpi; returns its pixels.
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> render(const std::string& text) {
    TprReport report;
    report.LoadTemplateFromText(text, "ETIQ.prt");
    EXPECT_TRUE(report.Prepare());
    const std::string png = (tmp_ / "code128.png").string();
    report.export_page_to_png(0, png, kDpi);
    return {cairo_image_surface_create_from_png(png.c_str()), cairo_surface_destroy};
  }
  static bool dark(cairo_surface_t* s, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    const uint32_t c = reinterpret_cast<const uint32_t*>(row)[x];
    return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 3 * 128;
  }
  // The dark runs of pixel row `y` inside the box, in vector units of `width` across the box.
  static std::vector<std::pair<int, int>> runs(cairo_surface_t* s, int y, double width) {
    const double left = kMargin * kDpi / 25.4, unit = kBoxW * kDpi / 25.4 / width;
    std::vector<std::pair<int, int>> found;
    const int end = static_cast<int>((kMargin + kBoxW) * kDpi / 25.4) + 2;
    for (int x = static_cast<int>(left) - 2; x < end; ++x) {
      if (!dark(s, x, y) || dark(s, x - 1, y)) continue;
      int e = x;
      while (dark(s, e, y)) ++e;
      found.emplace_back(static_cast<int>(std::lround((x - left) / unit)),
                         static_cast<int>(std::lround((e - x) / unit)));
      x = e;
    }
    return found;
  }
  static int row(double mm_in_box) { return static_cast<int>((kMargin + mm_in_box) * kDpi / 25.4); }

  test::TempFolder tmp_{"code128"};
};

TEST_F(Code128Test, BarsAreZintsEncodingOfTheSameText) {
  const auto [bars, width] = zint_bars(kData);
  ASSERT_GT(bars.size(), 20u);
  for (const char* extra : {"readable=no", ""}) {
    SCOPED_TRACE(extra);
    const auto image = render(layout(kData, extra));
    ASSERT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(runs(image.get(), row(2), width), bars);
    EXPECT_EQ(runs(image.get(), row(kBoxH * 0.75), width), bars);
    // Without the number the bars reach the box's bottom; with it they stop
    // short and the digits fill the strip below them.
    const auto bottom = runs(image.get(), row(kBoxH - 0.3), width);
    if (std::strlen(extra) > 0) {
      EXPECT_EQ(bottom, bars);
    } else {
      EXPECT_NE(bottom, bars);
      EXPECT_FALSE(bottom.empty());
    }
  }
}

TEST_F(Code128Test, ZbarReadsTheTextBack) {
  if (test::shell_output("command -v zbarimg").empty()) GTEST_SKIP() << "zbarimg (zbar-tools) not installed";
  render(layout(kData));
  const std::string out = test::shell_output("zbarimg --quiet '" + (tmp_ / "code128.png").string() + "' 2>/dev/null");
  EXPECT_EQ(out, std::string("CODE-128:") + kData + "\n");
}

TEST_F(Code128Test, TextsCode128CannotCarryNameTheFileAndLine) {
  const struct {
    const char* name;
    std::string data;
  } kCases[] = {{"accented letters", "Tecido ação"},
                {"a tab", "A\tB"},
                {"empty", ""},
                {"81 characters", std::string(81, '7')}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TprReport report;
    report.LoadTemplateFromText(layout(c.data), "ETIQ.prt");
    try {
      report.Prepare();
      ADD_FAILURE() << "prepared";
    } catch (const ELayoutError& e) {
      EXPECT_EQ(e.FileName(), "ETIQ.prt");
      EXPECT_EQ(e.Line(), 3);
      EXPECT_NE(std::string(e.what()).find("ETIQ.prt, line 3: Code 128 takes 1 to 80 printable ASCII"),
                std::string::npos)
          << e.what();
    }
  }
}

TEST_F(Code128Test, TheNumberIsPrintedUnderEan13AndCode128UnlessSwitchedOff) {
  if (test::shell_output("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  const struct {
    const char* name;
    std::string fields;
    const char* printed;
  } kCases[] = {
      {"ean13", "type=ean13 data=\"789123456789\"", "891234"},
      {"ean13 check digit", "type=ean13 data=\"789123456789\"", "567895"},
      {"code128", "type=code128 data=\"ZPK-42\"", "ZPK-42"},
  };
  for (const auto& c : kCases) {
    for (const bool readable : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (readable ? "" : " readable=no"));
      TprReport report;
      report.LoadTemplateFromText(
          "page size=custom width=100 height=40 margin=10\nband title height=20\n"
          "  barcode x=0 y=0 w=50 h=20 " +
              c.fields + (readable ? "" : " readable=no") + "\n",
          "ETIQ.prt");
      ASSERT_TRUE(report.Prepare());
      const std::string pdf = (tmp_ / "hrt.pdf").string();
      report.export_to_pdf(pdf);
      // pdftotext sets some glyphs apart: the text is compared without blanks.
      std::string text;
      for (char ch : test::shell_output("pdftotext '" + pdf + "' -"))
        if (!std::isspace(static_cast<unsigned char>(ch))) text += ch;
      EXPECT_EQ(text.find(c.printed) != std::string::npos, readable) << text;
    }
  }
}

}  // namespace
}  // namespace zpk
