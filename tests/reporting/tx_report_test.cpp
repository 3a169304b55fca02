// Text-mode reports: prepared pages laid on the 10 cpi / 6 lpi character
// grid, aligned and cut to their boxes, pages separated by form feeds.
#include "reporting/tx_report.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/dataset/client_dataset.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

// A 20 x 6 character sheet (50.8 x 25.4 mm, no margins) with a framed page
// header, a right-aligned quantity per item and a total: 3 items fit on a page.
constexpr const char* kEtiqueta = R"(page size=custom width=50.8 height=25.4 margin=0
band pageheader height=12.7
  rect x=0 y=0 w=50.8 h=12.7
  text x=2.54 y=4.2333 w=45.72 h=4.2333 text="Pág. [Page]/[TotalPages]" align=center
band detail dataset=ITENS height=4.2333
  text x=0 y=0 w=25.4 h=4.2333 text="[ITENS.NOME]"
  text x=30.48 y=0 w=20.32 h=4.2333 text="[ITENS.QTDE]" format="#,##0.00" align=right
band summary height=8.4667
  line x=0 y=0 w=50.8 h=0
  text x=0 y=4.2333 w=50.8 h=4.2333 text="Total [SUM(ITENS.QTDE)]" format="0.0"
)";

class TxReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    items_.FieldDefs.Add("NOME", ftString, 30);
    items_.FieldDefs.Add("QTDE", ftFloat);
    items_.CreateDataSet();
  }
  TClientDataSet items_;
  TprTxReport report_;
};

TEST_F(TxReportTest, PagesComeOutOnTheCharacterGrid) {
  // The name is longer than its 10 columns and is cut; "Pág." keeps its
  // accent as one column.
  const struct {
    const char* nome;
    double qtde;
  } kItens[] = {{"ALGODAO CRU LARGO", 1234.5}, {"MALHA", 2}, {"RIBANA", 0.25}, {"FIO 30/1", 10}};
  for (const auto& item : kItens) items_.AppendRecord({std::string(item.nome), item.qtde});
  report_.AddDataSet("ITENS", items_);
  report_.MaxPages = 10;
  report_.LoadTemplateFromText(kEtiqueta, "ETIQUETA.prt");
  ASSERT_TRUE(report_.Prepare());
  ASSERT_EQ(report_.GetEndPagesCount(), 2);
  EXPECT_EQ(report_.text(),
            "+------------------+\n"
            "|     Pág. 1/2     |\n"
            "+------------------+\n"
            "ALGODAO CR  1.234,50\n"
            "MALHA           2,00\n"
            "RIBANA          0,25\n"
            "\f"
            "+------------------+\n"
            "|     Pág. 2/2     |\n"
            "+------------------+\n"
            "FIO 30/1       10,00\n"
            "--------------------\n"
            "Total 1246,8\n");
}

TEST_F(TxReportTest, WrappedAndMultiLineTextsStayInTheirBox) {
  report_.LoadTemplateFromText(R"(page size=custom width=50.8 height=42.3334 margin=0
band title height=12.7
  text x=0 y=0 w=25.4 h=8.4667 text="um dois tres quatro cinco" wrap=yes
  text x=25.4 y=0 w=25.4 h=12.7 text="<b>negrito</b>" valign=bottom
  richtext x=25.4 y=0 w=25.4 h=4.2333 text="<i>rico</i> &amp; x"
)",
                               "WRAP.prt");
  ASSERT_TRUE(report_.Prepare());
  EXPECT_EQ(report_.text(),
            "um dois   rico & x\n"
            "tres\n"
            "          <b>negrito\n");
}

TEST_F(TxReportTest, ExportWritesTheTextAndRefusesAnUnpreparedReport) {
  test::TempFolder folder("tx");
  const std::string file = (folder.path() / "saida.txt").string();
  EXPECT_THROW(report_.export_to_text(file), EZpkError);
  // A4 with the default 10 mm margins: the text's 10 mm + 10 mm give column 8, row 2.
  report_.LoadTemplateFromText("page size=A4\nband title height=10\n  text x=10 y=0 w=50 h=5 text=\"Olá\"\n",
                               "OLA.prt");
  ASSERT_TRUE(report_.Prepare());
  report_.export_to_text(file);
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), report_.text());
  EXPECT_EQ(content.str(), "\n\n        Olá\n");
}

}  // namespace
}  // namespace zpk
