// Reading layout files: what a good file gives, and the clear error (file
// and line) every kind of bad file gives instead of a crash.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "reporting/detail/layout_parser.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

using detail::ParseLayout;

TEST(LayoutParser, ReadsPageBandsAndObjects) {
  const TprLayout layout = ParseLayout(R"(# a stock list
report title="Estoque"
page size=A4 orientation=landscape margin=5 top=12
variable name=vTotal value="SUM(ITENS.QTDE) * 2"
group name=G key="ITENS.GRUPO" newpage=yes
band title height=20
  text x=0 y=0 w=100 h=8 text="Lista de [vEmpresa]" size=14 bold=yes align=center color=#FF0000
band groupheader group=G height=8
band detail dataset=ITENS height=5 visible="ITENS.QTDE > 0"
  text x=0 y=0 w=40 h=5 text="[ITENS.QTDE]" format="#,##0.00" align=right
  line x=0 y=5 w=200 h=0 width=0.5
  rect x=50 y=0 w=10 h=5 fill=#EEEEEE
  picture x=60 y=0 w=5 h=5 file="logo.png" stretch=no
  barcode x=70 y=0 w=30 h=5 type=ean13 data="[ITENS.EAN]"
dataset ITENS sql="with T as (select 'a\"b' S from RDB$DATABASE) select S from {T}"
)",
                                       "/layouts/LISTA.prt");
  EXPECT_EQ(layout.Title, "Estoque");
  EXPECT_EQ(layout.Directory, "/layouts");
  EXPECT_EQ(layout.Orientation, TprOrientation::Landscape);
  EXPECT_DOUBLE_EQ(layout.PageWidth, 297);  // landscape turns the A4 sheet
  EXPECT_DOUBLE_EQ(layout.PageHeight, 210);
  EXPECT_DOUBLE_EQ(layout.MarginLeft, 5);
  EXPECT_DOUBLE_EQ(layout.MarginTop, 12);
  ASSERT_EQ(layout.Groups.size(), 1u);
  EXPECT_TRUE(layout.Groups[0].NewPage);
  ASSERT_EQ(layout.Bands.size(), 3u);
  const TprBand& detail = layout.Bands[2];
  EXPECT_EQ(detail.Kind, TprBandKind::Detail);
  EXPECT_EQ(detail.DataSet, "ITENS");
  EXPECT_EQ(detail.Line, 9);
  ASSERT_NE(detail.Visible, nullptr);
  ASSERT_EQ(detail.Objects.size(), 5u);
  EXPECT_EQ(detail.Objects[0].Format, "#,##0.00");
  EXPECT_EQ(detail.Objects[0].Align, TprAlign::Right);
  EXPECT_DOUBLE_EQ(detail.Objects[1].LineWidth, 0.5);
  EXPECT_TRUE(detail.Objects[2].Filled);
  EXPECT_EQ(detail.Objects[2].FillColor, 0xEEEEEEu);
  EXPECT_FALSE(detail.Objects[3].Stretch);
  EXPECT_EQ(detail.Objects[4].Barcode, TprBarcodeType::Ean13);
  EXPECT_EQ(layout.Bands[0].Objects[0].Color, 0xFF0000u);
  EXPECT_TRUE(layout.Bands[0].Objects[0].Font.Bold);
  ASSERT_EQ(layout.DataSets.size(), 1u);
  EXPECT_EQ(layout.DataSets[0].Name, "ITENS");
  EXPECT_EQ(layout.DataSets[0].Line, 15);
  EXPECT_EQ(layout.DataSets[0].Sql, "with T as (select 'a\"b' S from RDB$DATABASE) select S from {T}");
}

TEST(LayoutParser, RefusesBadFilesNamingFileAndLine) {
  using namespace std::string_view_literals;
  const struct {
    std::string_view text;
    const char* message;  // the error's whole beginning, or a part of it
  } kCases[] = {
      {"page size=A4\nband detail height=5 dataset=X\n  text x=0 y=0 w=10 h=5 colour=#000000\n",
       "BAD.prt, line 3: unknown field \"colour\" in text"},
      {"frobnicate a=1\n", "BAD.prt, line 1: unknown keyword \"frobnicate\""},
      {"dataset sql=\"SELECT 1 FROM RDB$DATABASE\"\n", "line 1: dataset needs its name"},
      {"dataset X\n", "line 1: dataset needs the field \"sql\""},
      {"dataset X sql=\"  delete from {PA_ITEN}\"\n", "line 1: the sql of a dataset must be a SELECT"},
      {"dataset X sql=\"EXECUTE BLOCK AS BEGIN END\"\n", "line 1: the sql of a dataset must be a SELECT"},
      {"dataset X sql=\"SELECT 1 FROM RDB$DATABASE\"\ndataset x sql=\"SELECT 2 FROM RDB$DATABASE\"\n",
       "line 2: dataset \"x\" declared twice"},
      {"dataset 1X sql=\"SELECT 1 FROM RDB$DATABASE\"\n", "line 1: \"1X\" is not a name"},
      {"band title height=5\n  text x=0 y=0 w=10 h=5 text=\"open\n",
       "line 2: the value of \"text\" is not closed"},
      {"band title height=5\n  text x=0 y=0 w=10 h=5 text=\"[1 + ]\"\n",
       "line 2: field \"text\": expression"},
      {"band title height=5\n  text x=0 y=0 w=10 h=5 text=\"[SUM(SUM(A.B))]\"\n", "a total inside a total"},
      {"band title height=5\n  text x=0 y=0 w=10 h=5 text=\"[unclosed\"\n",
       "line 2: field \"text\": a \"[\" is not closed"},
      {"band title height=5\n  text x=0 y=0 w=10 h=9\n", "line 2: the object goes below its band"},
      {"band title height=5\n  text x=185 y=0 w=10 h=5\n", "line 2: the object goes past the right margin"},
      {"band title height=abc\n", "line 1: \"height\" is not a number: abc"},
      {"band title height=1e400\n", "line 1: \"height\" is not a number"},
      {"band title height=5\nband title height=5\n", "line 2: a second title band"},
      {"band detail height=5\n", "line 1: band needs the field \"dataset\""},
      {"band groupheader group=G height=5\n", "line 1: group \"G\" is not declared above"},
      {"band footer height=5\n", "line 1: unknown band \"footer\""},
      {"text x=0 y=0 w=1 h=1\n", "line 1: text outside a band"},
      {"page size=A4\npage size=A4\n", "line 2: a second page line"},
      {"page size=B7\n", "line 1: unknown page size \"B7\""},
      {"page size=A4 margin=150\n", "line 1: the margins leave less than 10 mm"},
      {"band title height=5 height=6\n", "line 1: field \"height\" given twice"},
      {"band title height=5\n  text x=0 y=0 w=1 h=1 align=middle\n",
       "\"align\" takes left, center, right, not middle"},
      {"band title height=5\n  barcode x=0 y=0 w=1 h=1 type=pdf417 data=\"1\"\n",
       "\"type\" takes ean13, code128, qr"},
      {"band title height=5\n  text x=0 y=0 w=1 h=1 color=red\n", "takes a colour as #RRGGBB"},
      {"variable name=A value=\"B + 1\"\nvariable name=B value=\"C\"\nvariable name=C value=\"A * 2\"\n",
       "BAD.prt, line 3: variable \"C\" refers to itself (through \"A\")"},
      {"variable name=A value=\"A\"\n", "line 1: variable \"A\" refers to itself"},
      {"variable name=1A value=\"2\"\n", "line 1: \"1A\" is not a name"},
      // A band taller than the page would ask for pages without end.
      {"page size=A5\nband pageheader height=100\nband detail dataset=X height=120\n",
       "line 3: the band (120 mm) does not fit on a page"},
      {"group name=G key=\"X.A\"\n", "line 1: a group without a detail band"},
      {"band title height=5 stray\n", "line 1: \"stray\" is not a field (name=value)"},
      {"band title height=5\n  text\0x=1\n"sv, "line 2: a NUL byte"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.text));
    try {
      ParseLayout(c.text, "BAD.prt");
      ADD_FAILURE() << "no error";
    } catch (const ELayoutError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_EQ(e.FileName(), "BAD.prt");
      EXPECT_GT(e.Line(), 0);
    }
  }
}

TEST(LayoutParser, RefusesDeepNestingAndHugeFiles) {
  const std::string deep = "band title height=5\n  text x=0 y=0 w=1 h=1 text=\"[" + std::string(5000, '(') +
                           "1" + std::string(5000, ')') + "]\"\n";
  EXPECT_THROW(ParseLayout(deep, "DEEP.prt"), ELayoutError);
  const std::string nested = "variable name=V value=\"" + std::string(200, '-') + "1\"\n";
  try {
    ParseLayout(nested, "DEEP.prt");
    ADD_FAILURE() << "no error";
  } catch (const ELayoutError& e) {
    EXPECT_NE(std::string(e.what()).find("DEEP.prt, line 1: field \"value\": expression"), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find("nested more than 64 levels"), std::string::npos) << e.what();
  }
  test::TempFolder folder("layout");
  const std::string path = (folder / "HUGE.prt").string();
  std::ofstream(path) << std::string(detail::kMaxLayoutBytes + 1, '#');
  try {
    detail::LoadLayout(path);
    ADD_FAILURE() << "no error";
  } catch (const ELayoutError& e) {
    EXPECT_NE(std::string(e.what()).find("HUGE.prt: larger than 1 MiB"), std::string::npos) << e.what();
  }
  EXPECT_THROW(detail::LoadLayout((folder / "MISSING.prt").string()), ELayoutError);
}

}  // namespace
}  // namespace zpk
