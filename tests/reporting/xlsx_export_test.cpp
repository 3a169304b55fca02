// Copying prepared pages into an XLSX workbook, read back with openpyxl:
// every printed text comes back as a cell showing the same thing, figures
// and dates as values with their number formats, fonts and sizes kept.
#include <cairo.h>
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/datetime.hpp"
#include "reporting/report.hpp"
#include "reporting/xlsx_export.hpp"
#include "support/temp_folder.hpp"
#include "support/shell.hpp"

namespace zpk {
namespace {

// Debian's interpreter, which python3-openpyxl installs into.
std::string python() {
  return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

bool have_openpyxl() {
  return test::shell_output(python() + " -c 'import openpyxl; print(1)' 2>/dev/null") == "1\n";
}

// One line per cell, "row|kind|shown|format|font|size|bold|italic|color",
// where `shown` is the cell displayed as the report prints it (decimal
// comma, "." between thousands, dates dd/mm/yyyy), then the column widths.
constexpr const char* kReader = R"PY(
import sys, openpyxl, datetime
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
def shown(c):
    v = c.value
    if isinstance(v, datetime.datetime):
        f = c.number_format
        return v.strftime('%d/%m/%Y' + (' %H:%M:%S' if 'ss' in f else ' %H:%M' if 'hh' in f else ''))
    if isinstance(v, (int, float)):
        f = c.number_format
        d = len(f.split('.')[1]) if '.' in f else 0
        s = ('{:,.%df}' % d).format(v) if f.startswith('#,##0') else ('{:.%df}' % d).format(v)
        return s.replace(',', '_').replace('.', ',').replace('_', '.')
    return v
for row in ws.iter_rows():
    for c in row:
        if c.value is None: continue
        kind = 'date' if isinstance(c.value, datetime.datetime) else 'num' if isinstance(c.value, (int, float)) else 'text'
        print('|'.join(str(x) for x in (c.row, kind, shown(c), c.number_format, c.font.name, c.font.sz, bool(c.font.b), bool(c.font.i), c.font.color.rgb if c.font.color else '')))
)PY";

struct Cell {
  int row;
  std::string kind, shown, format, font, size, bold, italic, color;
};

std::vector<Cell> read_cells(const std::string& xlsx, const std::string& script) {
  std::vector<Cell> cells;
  std::istringstream lines(test::shell_output(python() + " '" + script + "' '" + xlsx + "'"));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f;
    std::stringstream parts(line);
    for (std::string p; std::getline(parts, p, '|');) f.push_back(p);
    if (f.size() != 9) continue;
    cells.push_back({std::stoi(f[0]), f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]});
  }
  return cells;
}

// 60 items over two pages: a header with the issue date, one line per item
// (code with leading zeros, quantity, date), a bold red total at the end.
constexpr const char* kLayout = R"(page size=A4 margin=10
band pageheader height=10
  text x=0 y=0 w=120 h=6 text="Estoque em [vData]" size=14 bold=yes
  text x=150 y=0 w=40 h=6 text="Página [Page]" align=right
band detail dataset=ITENS height=5
  text x=0 y=0 w=20 h=5 text="[ITENS.CODIGO]" font="Courier New"
  text x=20 y=0 w=50 h=5 text="[ITENS.DESCRICAO]"
  text x=90 y=0 w=30 h=5 text="[ITENS.QTDE]" format="#,##0.00" align=right
  text x=150 y=0 w=40 h=5 text="[ITENS.DATA]" italic=yes
band summary height=10
  text x=0 y=0 w=60 h=5 text="Total"
  text x=90 y=0 w=30 h=5 text="[SUM(ITENS.QTDE)]" format="#,##0.00" bold=yes color=#CC0000 align=right
  richtext x=0 y=5 w=190 h=5 text="<b>Fim</b> &amp; conferido"
)";

class XlsxExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.FieldDefs.Add("CODIGO", ftString, 6);
    items_.FieldDefs.Add("DESCRICAO", ftString, 40);
    items_.FieldDefs.Add("QTDE", ftFloat);
    items_.FieldDefs.Add("DATA", ftDate);
    items_.CreateDataSet();
    for (int i = 1; i <= 60; ++i) {
      items_.AppendRecord({fmt::format("{:06}", i), fmt::format("Fio {}\nlote {}", i, i % 3), i * 250.5,
                           EncodeDate(2024, 1 + i % 12, 1 + i % 28)});
    }
    report_.Variables.AddVariable().Name = "vData";
    report_.Variables.Items(0).SetAsString("31/12/2024");
    report_.AddDataSet("ITENS", items_);
    report_.LoadTemplateFromText(kLayout, "ESTOQUE.prt");
    ASSERT_TRUE(report_.Prepare());
    ASSERT_GE(report_.GetEndPagesCount(), 2);
    std::FILE* f = std::fopen(script_.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(kReader, f);
    std::fclose(f);
  }

  TClientDataSet items_;
  TprReport report_;
  test::TempFolder folder_{"xlsx_export"};
  std::string script_ = (folder_ / "read.py").string();
};

// Every text of every prepared page is a cell that shows the same text, and
// nothing else is in the sheet.
TEST_F(XlsxExportTest, CellsShowEveryPrintedText) {
  if (!have_openpyxl()) GTEST_SKIP() << "python3-openpyxl not installed";
  const std::string xlsx = (folder_ / "estoque.xlsx").string();
  report_.export_to_xlsx(xlsx);

  std::multiset<std::string> printed, shown;
  for (int p = 0; p < report_.GetEndPagesCount(); ++p) {
    for (const auto& o : report_.GetEndPage(p).Objects) {
      std::string text = o.Kind == TprObjectKind::RichText ? "Fim & conferido" : o.Text;
      std::erase(text, '\n');
      printed.insert(text);
    }
  }
  const auto cells = read_cells(xlsx, script_);
  for (const auto& c : cells) shown.insert(c.shown);
  EXPECT_EQ(shown, printed);
  EXPECT_EQ(printed.count("Fio 7lote 1"), 1u);
}

// Figures and dates are values with the format that prints them; codes with
// leading zeros stay texts; fonts follow their report objects.
TEST_F(XlsxExportTest, FiguresAreValuesWithTheirFormats) {
  if (!have_openpyxl()) GTEST_SKIP() << "python3-openpyxl not installed";
  const std::string xlsx = (folder_ / "estoque.xlsx").string();
  report_.export_to_xlsx(xlsx);
  const auto cells = read_cells(xlsx, script_);
  std::map<std::string, Cell> by_text;
  for (const auto& c : cells) by_text.emplace(c.shown, c);

  const struct {
    const char* shown;
    const char* kind;
    const char* format;
    const char* font;
    const char* size;
    const char* bold;
    const char* italic;
    const char* color;
  } kCases[] = {
      {"Estoque em 31/12/2024", "text", "General", "Sans", "14.0", "True", "False", "FF000000"},
      {"000007", "text", "General", "Courier New", "10.0", "False", "False", "FF000000"},
      {"1.753,50", "num", "#,##0.00", "Sans", "10.0", "False", "False", "FF000000"},
      {"250,50", "num", "0.00", "Sans", "10.0", "False", "False",
       "FF000000"},  // printed without a thousands dot
      {"08/08/2024", "date", "dd/mm/yyyy", "Sans", "10.0", "False", "True", "FF000000"},
      {"458.415,00", "num", "#,##0.00", "Sans", "10.0", "True", "False", "FFCC0000"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.shown);
    const auto it = by_text.find(c.shown);
    ASSERT_NE(it, by_text.end());
    const Cell& cell = it->second;
    EXPECT_EQ(cell.kind, c.kind);
    EXPECT_EQ(cell.format, c.format);
    EXPECT_EQ(cell.font, c.font);
    EXPECT_EQ(cell.size, c.size);
    EXPECT_EQ(cell.bold, c.bold);
    EXPECT_EQ(cell.italic, c.italic);
    EXPECT_EQ(cell.color, c.color);
  }
  // The pages follow one another: 60 item rows, two headers, the total and
  // the closing line, each on its own row.
  std::set<int> rows;
  for (const auto& c : cells) rows.insert(c.row);
  EXPECT_EQ(rows.size(), 60u + static_cast<size_t>(report_.GetEndPagesCount()) + 2);
}

// Printed texts read back as spreadsheet values, or left as texts.
TEST(XlsxValue, ReadsPrintedFiguresAndDates) {
  const struct {
    const char* text;
    bool value, is_date;
    double number;
    const char* format;
  } kCases[] = {
      {"0", true, false, 0, "0"},
      {"1.815,00", true, false, 1815, "#,##0.00"},
      {"-3,5", true, false, -3.5, "0.0"},
      {"0,25", true, false, 0.25, "0.00"},
      {"1234567", true, false, 1234567, "0"},
      {"31/12/2024", true, true, 0, "dd/mm/yyyy"},
      {"29/02/2024 08:30", true, true, 0, "dd/mm/yyyy hh:mm"},
      {"007", false, false, 0, ""},               // a code keeps its zeros
      {"1234567890123456", false, false, 0, ""},  // beyond a double's exact digits
      {"1.81,00", false, false, 0, ""},           // not a thousands grouping
      {"1,815.00", false, false, 0, ""},          // not how the report prints
      {"29/02/2023", false, false, 0, ""},        // no such day
      {"31/12/2024 24:00", false, false, 0, ""},
      {"Item 1", false, false, 0, ""},
      {"", false, false, 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const auto v = read_xlsx_value(c.text);
    ASSERT_EQ(v.has_value(), c.value);
    if (!v) continue;
    EXPECT_EQ(v->is_date, c.is_date);
    if (!c.is_date) {
      EXPECT_DOUBLE_EQ(v->number, c.number);
    }
    EXPECT_EQ(v->number_format, c.format);
  }
}

// Writes a PNG of `width` x `height` red pixels (no resolution chunk: 96 dpi).
void write_png(const std::string& file, int width, int height) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(s, file.c_str());
  cairo_surface_destroy(s);
}

// A logo prints in the sheet at its cell and at its printed size (the
// drawing's extent, in EMU: 36,000 per millimetre), beside the texts; a
// picture that cannot be read is an error that leaves no file behind.
TEST_F(XlsxExportTest, PicturesKeepTheirCellAndPrintedSize) {
  write_png((folder_ / "logo.png").string(), 60, 20);
  const std::string layout =
      "page size=custom width=150 height=60 margin=10\nband title height=40\n"
      "  picture x=0 y=0 w=40 h=20 file=logo.png\n"
      "  picture x=100 y=0 w=30 h=30 file=logo.png stretch=no\n"
      "  text x=50 y=0 w=40 h=6 text=\"Tecelagem\"\n";
  std::FILE* f = std::fopen((folder_ / "LOGO.prt").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs(layout.c_str(), f);
  std::fclose(f);
  TprReport report;
  report.LoadTemplateFromFile((folder_ / "LOGO.prt").string());
  ASSERT_TRUE(report.Prepare());
  const std::string xlsx = (folder_ / "logo.xlsx").string();
  report.export_to_xlsx(xlsx);
  const std::string anchors = test::shell_output(
      "/usr/bin/python3 -c \"import sys, re, zipfile; d = zipfile.ZipFile(sys.argv[1]).read("
      "'xl/drawings/drawing1.xml').decode(); print(';'.join(','.join(m) for m in re.findall("
      "r'<xdr:from><xdr:col>(\\d+)</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>(\\d+)</xdr:row>.*?"
      "<a:ext cx=.(\\d+). cy=.(\\d+).', d)))\" '" + xlsx + "'");
  // Column A the stretched logo (40 x 20 mm), B the text, C the 3:1 logo kept
  // in proportion inside 30 x 30 mm (30 x 10 mm).
  EXPECT_EQ(anchors, "0,0,1440000,720000;2,0,1080000,360000\n");

  write_png((folder_ / "logo.png").string(), 1, 1);
  std::filesystem::resize_file(folder_ / "logo.png", 10);
  EXPECT_THROW(report.export_to_xlsx((folder_ / "quebrado.xlsx").string()), EZpkError);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "quebrado.xlsx"));
}

TEST_F(XlsxExportTest, RefusesNothingPreparedAndUnwritableFiles) {
  TprReport empty;
  EXPECT_THROW(empty.export_to_xlsx((folder_ / "vazio.xlsx").string()), EZpkError);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "vazio.xlsx"));
  EXPECT_THROW(report_.export_to_xlsx((folder_ / "no" / "such" / "folder.xlsx").string()), EZpkError);
}

}  // namespace
}  // namespace zpk
