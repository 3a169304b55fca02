// Rendering prepared pages: the PDF's page count, size and texts page by page
// (read back with poppler's pdfinfo/pdftotext), text alignment within boxes,
// the PNG's pixel size, and the faults an export refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include "reporting/report.hpp"
#include "support/temp_folder.hpp"
#include "support/shell.hpp"

namespace zpk {
namespace {

bool have_poppler() {
  return test::shell_output("command -v pdfinfo && command -v pdftotext").find("pdftotext") != std::string::npos;
}

// 120 records, QTDE = record / 4 (all add up to 1815). Between the page
// header and footer 257 mm hold 51 detail lines of 5 mm: three pages.
constexpr const char* kList = R"(page size=A4 margin=10
band pageheader height=10
  text x=0 y=0 w=190 h=5 text="Página [Page] de [TotalPages]" align=right
  text x=0 y=5 w=60 h=5 text="Esquerda"
  text x=65 y=5 w=60 h=5 text="Centro" align=center
  rect x=0 y=0 w=190 h=10 width=0.3
band detail dataset=ITENS height=5
  text x=0 y=0 w=30 h=5 text="Item [ITENS.CODIGO]"
  text x=30 y=0 w=40 h=5 text="[ITENS.QTDE]" format="#,##0.00" align=right
  line x=0 y=5 w=190 h=0
band summary height=15
  text x=0 y=0 w=190 h=5 text="Total geral: [SUM(ITENS.QTDE)]" format="#,##0.00"
  richtext x=0 y=5 w=190 h=5 text="<b>Negrito</b> e <i>itálico</i>"
  richtext x=0 y=10 w=190 h=5 text="a < b & c"
band pagefooter height=10
  text x=0 y=0 w=190 h=5 text="Rodapé [Page]" align=center valign=bottom
)";

class RendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.FieldDefs.Add("CODIGO", ftInteger);
    items_.FieldDefs.Add("QTDE", ftFloat);
    items_.CreateDataSet();
    for (int i = 1; i <= 120; ++i) items_.AppendRecord({i, i / 4.0});
    report_.AddDataSet("ITENS", items_);
    report_.LoadTemplateFromText(kList, "LISTA.prt");
    ASSERT_TRUE(report_.Prepare());
    ASSERT_EQ(report_.GetEndPagesCount(), 3);
  }

  // The text pdftotext reads from 1-based page `page`.
  std::string page_text(const std::string& pdf, int page) {
    return test::shell_output("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + pdf +
               "' -");
  }

  TClientDataSet items_;
  TprReport report_;
  test::TempFolder folder_{"renderer"};
};

TEST_F(RendererTest, PdfHoldsEveryPageWithItsTexts) {
  if (!have_poppler()) GTEST_SKIP() << "pdfinfo/pdftotext (poppler-utils) not installed";
  const std::string pdf = (folder_ / "lista.pdf").string();
  report_.export_to_pdf(pdf);

  const std::string info = test::shell_output("pdfinfo '" + pdf + "'");
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +3\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +595.276 x 841.89 pts \\(A4\\)"))) << info;

  // pdftotext guesses word gaps from glyph positions (it may split a bold
  // word or join "a<"), so texts are compared without their spaces.
  const struct {
    int page;
    std::vector<std::string> present, absent;
  } kCases[] = {
      {1,
       {"Página1de3", "Item10,25\n", "Item5112,75", "Rodapé1", "Esquerda", "Centro"},
       {"Item52", "Totalgeral"}},
      {2, {"Página2de3", "Item5213,00", "Item10225,50", "Rodapé2"}, {"Item51", "Item103", "Totalgeral"}},
      {3,
       {"Página3de3", "Item10325,75", "Item12030,00", "Totalgeral:1.815,00", "Negritoeitálico", "a<b&c",
        "Rodapé3"},
       {"Item102", "<b>"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.page);
    std::string text = page_text(pdf, c.page);
    std::erase(text, ' ');
    for (const auto& s : c.present) EXPECT_NE(text.find(s), std::string::npos) << s << "\n" << text;
    for (const auto& s : c.absent) EXPECT_EQ(text.find(s), std::string::npos) << s << "\n" << text;
  }
}

// Where a word lands horizontally (points from the page's left edge), read
// from pdftotext's bounding boxes.
TEST_F(RendererTest, TextsAreAlignedInTheirBoxes) {
  if (!have_poppler()) GTEST_SKIP() << "pdftotext (poppler-utils) not installed";
  const std::string pdf = (folder_ / "lista.pdf").string();
  report_.export_to_pdf(pdf);
  const std::string html = test::shell_output("pdftotext -bbox -f 1 -l 1 '" + pdf + "' -");

  constexpr double kPt = 72 / 25.4;
  // Box edges in mm from the page edge (left margin 10 mm).
  const struct {
    const char* word;
    const char* edge;  // which side of the word is checked
    double mm;
  } kCases[] = {
      {"Esquerda", "xMin", 10},       // left in x=0..60
      {"Centro", "center", 10 + 95},  // centred in x=65..125
      {"3", "xMax", 200},             // "Página 1 de 3" right-aligned to 190
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.word);
    const std::regex word_re(
        "<word xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">" +
        std::string(c.word) + "</word>");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(html, m, word_re)) << html.substr(0, 2000);
    const double x_min = std::stod(m[1]), x_max = std::stod(m[2]);
    const double at = std::string(c.edge) == "xMin"   ? x_min
                      : std::string(c.edge) == "xMax" ? x_max
                                                      : (x_min + x_max) / 2;
    EXPECT_NEAR(at, c.mm * kPt, 1.5);
  }
}

// PNG header: the width and height are the big-endian words at bytes 16 and 20.
std::pair<unsigned, unsigned> png_size(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char h[24] = {};
  in.read(reinterpret_cast<char*>(h), sizeof h);
  auto word = [&](int at) {
    return (unsigned{h[at]} << 24) | (unsigned{h[at + 1]} << 16) | (unsigned{h[at + 2]} << 8) | h[at + 3];
  };
  if (std::string(reinterpret_cast<char*>(h) + 1, 3) != "PNG") return {0, 0};
  return {word(16), word(20)};
}

TEST_F(RendererTest, PngHasThePageSizeAtTheResolution) {
  const struct {
    double dpi;
    unsigned width, height;  // 210 x 297 mm rounded
  } kCases[] = {{72, 595, 842}, {96, 794, 1123}, {150, 1240, 1754}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dpi);
    const std::string png = (folder_ / ("p2_" + std::to_string(static_cast<int>(c.dpi)) + ".png")).string();
    report_.export_page_to_png(1, png, c.dpi);
    EXPECT_EQ(png_size(png), std::make_pair(c.width, c.height));
  }
}

TEST_F(RendererTest, ExportsRefuseWhatCannotBeWritten) {
  const std::string missing_dir = (folder_ / "no" / "such" / "x").string();
  EXPECT_THROW(report_.export_to_pdf(missing_dir + ".pdf"), EZpkError);
  EXPECT_THROW(report_.export_page_to_png(0, missing_dir + ".png", 96), EZpkError);
  EXPECT_THROW(report_.export_page_to_png(3, (folder_ / "p4.png").string(), 96), EZpkError);
  for (double dpi : {0.0, -5.0, 1e6, std::nan("")}) {
    SCOPED_TRACE(dpi);
    EXPECT_THROW(report_.export_page_to_png(0, (folder_ / "bad.png").string(), dpi), EZpkError);
  }
  TprReport empty;
  EXPECT_THROW(empty.export_to_pdf((folder_ / "empty.pdf").string()), EZpkError);
}

}  // namespace
}  // namespace zpk
