// The report engine end to end: a titled list of 500 records in five groups
// with a summary is laid out on the exact number of pages with its group
// totals and "Página N de M" on every page, and the same figures come back
// out of the PDF (pdfinfo, pdftotext) and the XLSX (openpyxl) it is written
// to. Page 1 is also kept as build/<type>/acceptance-page1.png to be looked at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "reporting/report.hpp"
#include "support/temp_folder.hpp"
#include "support/shell.hpp"

namespace zpk {
namespace {

bool installed(const std::string& probe) {
  return !test::shell_output(probe + " 2>/dev/null && echo yes").empty();
}

// Every value is an exact binary fraction, so each total has one right answer.
constexpr const char* kLayout = R"prt(report title="Aceitação"
page size=A4 margin=10
group name=G key="ITENS.GRUPO"
band title height=20
  text x=0 y=0 w=190 h=10 text="Lista de aceitação" size=14 bold=yes
band pageheader height=10
  text x=100 y=0 w=90 h=5 text="Página [Page] de [TotalPages]" align=right
band groupheader group=G height=8
  text x=0 y=0 w=100 h=8 text="Grupo [ITENS.GRUPO]" bold=yes
band detail dataset=ITENS height=5
  text x=0 y=0 w=100 h=5 text="Item [ITENS.CODIGO]"
  text x=100 y=0 w=90 h=5 text="[ITENS.VALOR]" format="#,##0.00" align=right
band groupfooter group=G height=8
  text x=0 y=0 w=100 h=8 text="Total do grupo [ITENS.GRUPO]"
  text x=100 y=0 w=90 h=8 text="[SUM(ITENS.VALOR)]" format="#,##0.00" align=right
band summary height=12
  text x=0 y=0 w=100 h=6 text="Total geral ([COUNT()] itens)"
  text x=100 y=0 w=90 h=6 text="[SUM(ITENS.VALOR)]" format="#,##0.00" align=right
band pagefooter height=10
  text x=0 y=0 w=100 h=5 text="Lista de aceitação"
)prt";

// Record i (1..500) is in group G1..G5 by hundreds and worth i x 1.25:
// group k adds up to 1.25 x (10000 (k - 1) + 5050), all of them to 156,562.50.
const struct {
  const char* label;
  const char* printed;
  double value;
} kTotals[] = {
    {"Total do grupo G1", "6.312,50", 6312.5},   {"Total do grupo G2", "18.812,50", 18812.5},
    {"Total do grupo G3", "31.312,50", 31312.5}, {"Total do grupo G4", "43.812,50", 43812.5},
    {"Total do grupo G5", "56.312,50", 56312.5}, {"Total geral (500 itens)", "156.562,50", 156562.5},
};

// A4 less 10 mm margins is 277 mm, the footer keeps 10: page 1 holds the
// title, header and G1's header with 45 records; later pages 51 bands of 5 mm
// after the header, the group bands taking 8 mm each: 11 pages in all.
constexpr int kPages = 11;

class AcceptanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.FieldDefs.Add("GRUPO", ftString, 2);
    items_.FieldDefs.Add("CODIGO", ftInteger);
    items_.FieldDefs.Add("VALOR", ftFloat);
    items_.CreateDataSet();
    for (int i = 1; i <= 500; ++i) items_.AppendRecord({fmt::format("G{}", (i - 1) / 100 + 1), i, i * 1.25});
    report_.LoadTemplateFromText(kLayout, "ACEITE.prt");
    report_.AddDataSet("ITENS", items_);
    ASSERT_TRUE(report_.Prepare());
  }

  // The texts of the 0-based page `index`, in drawing order.
  std::vector<std::string> texts(int index) const {
    std::vector<std::string> all;
    for (const auto& o : report_.GetEndPage(index).Objects) {
      if (o.Kind == TprObjectKind::Text) all.push_back(o.Text);
    }
    return all;
  }

  TClientDataSet items_;
  TprReport report_;
  test::TempFolder tmp_{"acceptance"};
};

TEST_F(AcceptanceTest, PreparedPagesHoldThePageNumbersAndTotals) {
  ASSERT_EQ(report_.GetEndPagesCount(), kPages);
  std::vector<std::string> totals;
  int items = 0;
  for (int p = 0; p < kPages; ++p) {
    SCOPED_TRACE(p + 1);
    const auto all = texts(p);
    EXPECT_EQ(std::count(all.begin(), all.end(), fmt::format("Página {} de {}", p + 1, kPages)), 1);
    EXPECT_EQ(std::count(all.begin(), all.end(), "Lista de aceitação"), p == 0 ? 2 : 1);  // title + footer
    for (size_t i = 0; i + 1 < all.size(); ++i) {
      if (all[i].rfind("Total", 0) == 0) totals.push_back(all[i] + " = " + all[i + 1]);
      if (all[i].rfind("Item ", 0) == 0) ++items;
    }
  }
  EXPECT_EQ(items, 500);
  std::vector<std::string> expected;
  for (const auto& t : kTotals) expected.push_back(std::string(t.label) + " = " + t.printed);
  EXPECT_EQ(totals, expected);
  // The summary and the last group's footer close the last page.
  const auto last = texts(kPages - 1);
  EXPECT_NE(std::find(last.begin(), last.end(), "156.562,50"), last.end());
}

TEST_F(AcceptanceTest, ThePdfHasEveryPageAndTheTotalsOnTheLast) {
  const std::string pdf = (tmp_ / "aceite.pdf").string();
  report_.export_to_pdf(pdf);
  const std::string png = std::string(ZPK_BINARY_DIR) + "/acceptance-page1.png";
  report_.export_page_to_png(0, png, 96);
  EXPECT_GT(std::filesystem::file_size(png), 0u);
  if (!installed("command -v pdfinfo") || !installed("command -v pdftotext"))
    GTEST_SKIP() << "pdfinfo / pdftotext (poppler-utils) are not installed";
  // "Pages:" then blanks then the count.
  EXPECT_EQ(test::shell_output("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p'"), fmt::format("{}\n", kPages));
  const std::string last = test::shell_output(fmt::format("pdftotext -layout -f {0} -l {0} '{1}' -", kPages, pdf));
  // pdftotext spreads some glyphs apart; the figures come out whole.
  for (const char* figure : {"56.312,50", "156.562,50"})
    EXPECT_NE(last.find(figure), std::string::npos) << last;
  EXPECT_EQ(last.find("6.312,50 "), std::string::npos) << "G1's total belongs on page 3, not the last";
  const std::string first = test::shell_output(fmt::format("pdftotext -layout -f 1 -l 1 '{}' -", pdf));
  EXPECT_NE(first.find("Item 45"), std::string::npos) << first;
  EXPECT_EQ(first.find("Item 46"), std::string::npos) << first;
}

TEST_F(AcceptanceTest, TheXlsxHoldsTheSameFigures) {
  const std::string xlsx = (tmp_ / "aceite.xlsx").string();
  report_.export_to_xlsx(xlsx);
  // Debian's python3 is the one with python3-openpyxl (another python may come first in PATH).
  const std::string python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  if (!installed(python + " -c 'import openpyxl'")) GTEST_SKIP() << "python3-openpyxl is not installed";
  const std::string script =
      "import openpyxl, sys\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
      "items, total = 0, 0.0\n"
      "for row in ws.iter_rows():\n"
      "  cells = [c for c in row if c.value is not None]\n"
      "  if len(cells) == 2 and str(cells[0].value).startswith('Total'):\n"
      "    print('%s = %r %s' % (cells[0].value, cells[1].value, cells[1].number_format))\n"
      "  if len(cells) == 2 and str(cells[0].value).startswith('Item '):\n"
      "    items += 1; total += cells[1].value\n"
      "print('items %d %r' % (items, total))\n";
  const std::string script_file = (tmp_ / "read.py").string();
  test::write_file(script_file, script);
  const std::string out = test::shell_output(python + " '" + script_file + "' '" + xlsx + "' 2>&1");
  std::string expected;
  for (const auto& t : kTotals) expected += fmt::format("{} = {:.1f} #,##0.00\n", t.label, t.value);
  EXPECT_EQ(out, expected + "items 500 156562.5\n");
}

}  // namespace
}  // namespace zpk
