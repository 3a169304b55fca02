// Preparing reports: pages, page breaks, group and page totals, "page N of
// M", variables and the host's functions over an in-memory dataset.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reporting/report.hpp"

namespace zpk {
namespace {

// ITENS: GRUPO "A".."E" with 100 records each, QTDE = record number / 4
// (so group A adds up to 5050 / 4 and all 500 to 125250 / 4).
class PrepareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.FieldDefs.Add("GRUPO", ftString, 1);
    items_.FieldDefs.Add("CODIGO", ftInteger);
    items_.FieldDefs.Add("QTDE", ftFloat);
    items_.CreateDataSet();
    for (int i = 1; i <= 500; ++i) {
      items_.AppendRecord({std::string(1, static_cast<char>('A' + (i - 1) / 100)), i, i / 4.0});
    }
    report_.AddDataSet("ITENS", items_);
  }

  // Every text of page `index` (0-based) that starts with `prefix`.
  std::vector<std::string> texts(int index, const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& o : report_.GetEndPage(index).Objects) {
      if (o.Text.rfind(prefix, 0) == 0) found.push_back(o.Text);
    }
    return found;
  }

  TClientDataSet items_;
  TprReport report_;
};

constexpr const char* kGroupedList = R"(page size=A4 margin=10
band title height=20
  text x=0 y=0 w=190 h=10 text="Lista de itens de [vEmpresa] desde [ITENS.CODIGO]" size=14
band pageheader height=10
  text x=0 y=0 w=190 h=5 text="Página [Page] de [TotalPages]" align=right
group name=G key="ITENS.GRUPO"
band groupheader group=G height=8
  text x=0 y=0 w=100 h=8 text="Grupo [ITENS.GRUPO]" bold=yes
band detail dataset=ITENS height=5
  text x=0 y=0 w=30 h=5 text="Item [ITENS.CODIGO]"
  text x=30 y=0 w=40 h=5 text="[ITENS.QTDE]" format="#,##0.00" align=right
band groupfooter group=G height=8
  text x=0 y=0 w=100 h=8 text="Total [ITENS.GRUPO]: [SUM(ITENS.QTDE)]" format="#,##0.00"
  text x=100 y=0 w=90 h=8 text="Itens [ITENS.GRUPO]: [COUNT()]"
band summary height=12
  text x=0 y=0 w=190 h=8 text="Geral: [SUM(ITENS.QTDE)], maior [MAX(ITENS.QTDE)], média [AVG(ITENS.QTDE)]" format="#,##0.00"
  text x=0 y=8 w=190 h=4 text="Itens: [COUNT()]"
band pagefooter height=10
  text x=0 y=0 w=190 h=5 text="Soma da página: [SUM(ITENS.QTDE)]" format="#,##0.00"
)";

TEST_F(PrepareTest, GroupedListOverFiveHundredRecords) {
  report_.LoadTemplateFromText(kGroupedList, "LISTA.prt");
  TprVariable& empresa = report_.Variables.AddVariable();
  empresa.Name = "vEmpresa";
  empresa.SetAsString("Malharia Zelvo");
  ASSERT_TRUE(report_.Prepare());

  // 277 mm between the top margin and the page footer: page 1 holds the
  // title, the header, group A's header and 45 records; full pages 51
  // records; a page where a group ends and the next starts 48.
  ASSERT_EQ(report_.GetEndPagesCount(), 11);
  for (int i = 0; i < 11; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts(i, "Página"), std::vector<std::string>{"Página " + std::to_string(i + 1) + " de 11"});
    EXPECT_EQ(texts(i, "Lista de itens").size(), i == 0 ? 1u : 0u);
    EXPECT_DOUBLE_EQ(report_.GetEndPage(i).Width, 210);
  }
  EXPECT_EQ(texts(0, "Lista de itens"), std::vector<std::string>{"Lista de itens de Malharia Zelvo desde 1"});
  EXPECT_EQ(texts(0, "Item").size(), 45u);
  EXPECT_EQ(texts(1, "Item").size(), 51u);
  EXPECT_EQ(texts(2, "Item").size(), 48u);
  EXPECT_EQ(texts(10, "Item").size(), 8u);

  const struct {
    int page;
    const char* total;
    const char* count;
  } kGroupTotals[] = {{2, "Total A: 1.262,50", "Itens A: 100"},
                      {4, "Total B: 3.762,50", "Itens B: 100"},
                      {6, "Total C: 6.262,50", "Itens C: 100"},
                      {8, "Total D: 8.762,50", "Itens D: 100"},
                      {10, "Total E: 11.262,50", "Itens E: 100"}};
  for (const auto& g : kGroupTotals) {
    SCOPED_TRACE(g.total);
    EXPECT_EQ(texts(g.page, "Total "), std::vector<std::string>{g.total});
    EXPECT_EQ(texts(g.page, "Itens "), std::vector<std::string>{g.count});
  }
  EXPECT_EQ(texts(10, "Geral"), std::vector<std::string>{"Geral: 31.312,50, maior 125,00, média 62,63"});
  EXPECT_EQ(texts(10, "Itens:"), std::vector<std::string>{"Itens: 500"});
  // Page totals: records 1-45 on page 1, 46-96 on page 2.
  EXPECT_EQ(texts(0, "Soma"), std::vector<std::string>{"Soma da página: 258,75"});
  EXPECT_EQ(texts(1, "Soma"), std::vector<std::string>{"Soma da página: 905,25"});

  // Positions: the first record lies below title, header and group header.
  const auto& first = report_.GetEndPage(0).Objects;
  const auto item =
      std::find_if(first.begin(), first.end(), [](const auto& o) { return o.Text == "Item 1"; });
  ASSERT_NE(item, first.end());
  EXPECT_DOUBLE_EQ(item->Top, 10 + 20 + 10 + 8);
  EXPECT_DOUBLE_EQ(item->Left, 10);
  const auto footer =
      std::find_if(first.begin(), first.end(), [](const auto& o) { return o.Text.rfind("Soma", 0) == 0; });
  ASSERT_NE(footer, first.end());
  EXPECT_DOUBLE_EQ(footer->Top, 297 - 10 - 10);
}

TEST_F(PrepareTest, GroupOnNewPageVisibilityAndLayoutVariables) {
  report_.LoadTemplateFromText(R"(page size=A4 margin=10
variable name=vDobro value="ITENS.QTDE * 2"
variable name=vQuatro value="vDobro * 2"
group name=G key="ITENS.GRUPO" newpage=yes
band groupheader group=G height=8
  text x=0 y=0 w=100 h=8 text="Grupo [ITENS.GRUPO]"
band detail dataset=ITENS height=5 visible="ITENS.CODIGO = 1 or ITENS.CODIGO = 150"
  text x=0 y=0 w=100 h=5 text="[ITENS.CODIGO]: [vQuatro] [ITENS.QTDE / 0]"
)",
                               "NOVA.prt");
  ASSERT_TRUE(report_.Prepare());
  ASSERT_EQ(report_.GetEndPagesCount(), 5);  // one page per group
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts(i, "Grupo"),
              std::vector<std::string>{std::string("Grupo ") + static_cast<char>('A' + i)});
  }
  // A division the data leaves without a divisor prints 0.
  EXPECT_EQ(texts(0, "1:"), std::vector<std::string>{"1: 1 0"});
  EXPECT_EQ(texts(1, "150:"), std::vector<std::string>{"150: 150 0"});
}

TEST_F(PrepareTest, HostFunctionsAndCallerVariables) {
  report_.LoadTemplateFromText(R"(band detail dataset=ITENS height=5 visible="ITENS.CODIGO = 7"
  text x=0 y=0 w=100 h=5 text="[Dobra(ITENS.CODIGO, 'x')] [IIF(ITENS.CODIGO > 5, 'maior', Falha())] [vUsuario]"
  barcode x=100 y=0 w=50 h=5 type=ean13 data="78910000000[ITENS.CODIGO - 7]"
)",
                               "FUNC.prt");
  std::vector<std::string> calls;
  report_.OnUnknownFunction = [&](TprCustomReport&, const std::string& name, const TprParameters& p,
                                  int count, Variant& value, bool& processed) {
    calls.push_back(name);
    if (name != "Dobra") return;
    ASSERT_EQ(count, 2);
    value = Variant(p.AsInteger(0) * 2);
    processed = p.AsString(1) == "x";
  };
  TprVariable& user = report_.Variables.AddVariable();
  user.Name = "vUsuario";
  user.SetAsString("ANA");
  ASSERT_TRUE(report_.Prepare());
  ASSERT_EQ(report_.GetEndPagesCount(), 1);
  EXPECT_EQ(texts(0, "14"), std::vector<std::string>{"14 maior ANA"});
  // The check digit of an EAN-13 given with 12 digits is added.
  EXPECT_EQ(texts(0, "789"), std::vector<std::string>{"7891000000007"});
  // Hidden bands evaluate nothing, and IIF reads only the branch it takes.
  EXPECT_EQ(calls, std::vector<std::string>{"Dobra"});
  std::string title;
  EXPECT_TRUE(report_.FormatTemplate("Relatório de [vUsuario]", title));
  EXPECT_EQ(title, "Relatório de ANA");
  EXPECT_FALSE(report_.FormatTemplate("[vNinguem]", title));
  EXPECT_EQ(title, "Relatório de ANA");
}

TEST_F(PrepareTest, DataTheLayoutCannotPrintNamesFileAndLine) {
  const struct {
    const char* layout;
    const char* message;
  } kCases[] = {
      {"band detail dataset=ITENS height=5\n  text x=0 y=0 w=9 h=5 text=\"[ITENS.PRECO]\"\n",
       "ERR.prt, line 2: unknown field \"PRECO\" of dataset \"ITENS\""},
      {"band detail dataset=ITENS height=5\n  text x=0 y=0 w=9 h=5 text=\"[Ninguem(1)]\"\n",
       "ERR.prt, line 2: unknown function \"Ninguem\""},
      {"band detail dataset=OUTRO height=5\n",
       "ERR.prt, line 1: dataset \"OUTRO\" is not given to the report"},
      {"band detail dataset=ITENS height=5\n  barcode x=0 y=0 w=9 h=5 type=ean13 data=\"7891000000000\"\n",
       "ERR.prt, line 2: EAN-13 \"7891000000000\" has a wrong check digit (should be 7)"},
      {"band detail dataset=ITENS height=5\n  text x=0 y=0 w=9 h=5 text=\"[ITENS.GRUPO * 2]\"\n",
       "ERR.prt, line 2:"},
      {"band detail dataset=ITENS height=5\n  text x=0 y=0 w=9 h=5 text=\"[TotalPages - 1]\"\n",
       "ERR.prt, line 2: TotalPages can only be written"},
      // 500 records of 5 mm: more pages than the report allows.
      {"page size=custom width=100 height=30 margin=5\nband detail dataset=ITENS height=5\n",
       "ERR.prt, line 2: the report would need more than 50 pages"},
  };
  report_.MaxPages = 50;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.layout);
    report_.LoadTemplateFromText(c.layout, "ERR.prt");
    try {
      report_.Prepare();
      ADD_FAILURE() << "no error";
    } catch (const ELayoutError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
  // Bands of almost no height never fill a page: the objects are limited.
  std::string flat = "band detail dataset=ITENS height=0.01\n";
  for (int i = 0; i < 50; ++i) flat += "  line x=0 y=0 w=9 h=0\n";
  report_.LoadTemplateFromText(flat, "ERR.prt");
  try {
    report_.Prepare();
    ADD_FAILURE() << "no error";
  } catch (const ELayoutError& e) {
    EXPECT_STREQ(e.what(), "ERR.prt, line 1: more than 20000 objects on one page");
  }
}

TEST_F(PrepareTest, NothingToPrint) {
  TprReport empty;
  EXPECT_FALSE(empty.Prepare());  // no template
  items_.EmptyDataSet();
  report_.LoadTemplateFromText("band title height=5\nband detail dataset=ITENS height=5\n", "VAZIO.prt");
  EXPECT_FALSE(report_.Prepare());
  EXPECT_EQ(report_.GetEndPagesCount(), 0);
  EXPECT_THROW(report_.GetEndPage(0), EZpkError);
  report_.LoadTemplateFromText("band title height=5\n  text x=0 y=0 w=9 h=5 text=\"só título\"\n",
                               "TITULO.prt");
  ASSERT_TRUE(report_.Prepare());
  EXPECT_EQ(report_.GetEndPagesCount(), 1);
  report_.ClearTemplate();
  EXPECT_EQ(report_.GetEndPagesCount(), 0);
  EXPECT_FALSE(report_.Prepare());
}

}  // namespace
}  // namespace zpk
