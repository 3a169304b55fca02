// Printing an invoice: the report variables of a small invoice, the shipped
// WNOTA layout prepared for the demo invoice (its totals on the pages), and
// invoice numbers or layouts that find nothing.
#include "reporting/imprime_nota_fiscal.hpp"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/lookups.hpp"
#include "foundation/station_settings.hpp"
#include "platform/settings/program_folder.hpp"
#include "platform/tabela/tabela.hpp"
#include "platform/ui/dialog_service.hpp"
#include "platform/ui/headless_dialogs.hpp"
#include "support/database_fixture.hpp"
#include "support/scoped.hpp"
#include "support/sql.hpp"
#include "support/temp_folder.hpp"

namespace zpk {
namespace {

namespace fs = std::filesystem;

// A station whose shared folder is the source tree's reports/ (the layouts
// the project ships), its program folder put back afterwards.
struct ShippedLayouts {
  ShippedLayouts() {
    set_program_folder(folder.path());
    GravaIni("Caminho", "path", (fs::path(ZPK_SOURCE_DIR) / "reports").string(), Tabela.ArquivoIni);
  }
  ~ShippedLayouts() { set_program_folder({}); }
  test::TempFolder folder{"nota"};
  test::ScopedValue<std::string> ini{Tabela.ArquivoIni, "zelvo.ini"};
};

class ImprimeNota : public test::DatabaseTest {
 protected:
  // Every text of every prepared page, in order.
  static std::vector<std::string> page_texts(const TprReport& report) {
    std::vector<std::string> texts;
    for (int p = 0; p < report.GetEndPagesCount(); ++p)
      for (const auto& o : report.GetEndPage(p).Objects) texts.push_back(o.Text);
    return texts;
  }
  static bool holds(const std::vector<std::string>& texts, const std::string& text) {
    for (const auto& t : texts)
      if (t == text) return true;
    return false;
  }
  static std::string variable(const TprReport& report, const char* name) {
    const TprVariable* v = report.Variables.ByName(name);
    return v ? v->Value().AsString() : "<unset>";
  }
};

TEST_F(ImprimeNota, VariablesOfASmallInvoice) {
  test::exec("INSERT INTO " + DBLocal("NOTA") +
             " (FATURA, SERIE, CODCLI, NATUREZA, MENSAGEM, OBS) VALUES ('T30001', '1', '000201', '5101', "
             "'MENSAGEM DA NOTA', 'OBS; -- D''AGUA')");
  test::exec(
      "INSERT INTO " + DBLocal("PEDIDO") +
      " (NUMERO, CODCLI, PED_CLI, ART_CLI, RIS) VALUES ('PD9001', '000201', 'OC-4471', 'ART-22', 'RIS-9')");
  const char* kLine =
      " (FATURA, CODIGO, EMPENHO, NATUREZA, CLA_FIS, CLA_TRIB, PEDIDO, VALOR) VALUES ('T30001', ?, ?, ?, ?, "
      "?, ?, ?)";
  test::exec("INSERT INTO " + DBLocal("NOTAITEN") + kLine,
             {"A", "N", "5101", "9001", "00", "PD9001", 1234.5});
  test::exec("INSERT INTO " + DBLocal("NOTAITEN") + kLine, {"B", "N", "5101", "9001", "00", "PD9001", 0.05});
  test::exec("INSERT INTO " + DBLocal("NOTAITEN") + kLine, {"C", "N", "5949", "9002", "40", "", 10});
  test::exec("INSERT INTO " + DBLocal("NOTAITEN") + kLine,
             {"D", "S", "5949", "9002", "40", "PX", 99});  // reserved
  const char* kDup =
      " (NUMERO, CODCLI, FATURA, VALOR2, DT_VENCTO, ORIGINAL, BANCO, SITUACAO, STATUS) VALUES (?, '000201', "
      "'T30001', ?, ?, ?, ?, 'A', ?)";
  test::exec("INSERT INTO " + DBLocal("RECEBER") + kDup,
             {"T30001/2", 1000.0, EncodeDate(2025, 8, 10), EncodeDate(2025, 8, 1), "341", "N"});
  test::exec("INSERT INTO " + DBLocal("RECEBER") + kDup,
             {"T30001/1", 1343.5, EncodeDate(2025, 7, 1), EncodeDate(2025, 7, 1), "999", "N"});
  test::exec("INSERT INTO " + DBLocal("RECEBER") + kDup,
             {"T30001/3", 5.0, EncodeDate(2025, 9, 1), EncodeDate(2025, 9, 1), "341", "C"});  // cancelled
  TTIQuery q(Tabela.IBDatabase);
  TClientDataSet cds;
  ASSERT_EQ(MontaDataSetNota(q, cds, "T30001"), 4);
  TprReport report;
  preenche_variaveis_nota(q, cds, report, "T30001", "  PEDIDO 12  ", "");
  const struct {
    const char* name;
    const char* text;
  } kVariables[] = {
      {"vFiscTrib", "9001 - 61091000 - R$ 1.234,55\n9002 - 60062200 - R$ 10,00"},
      {"vFiscObs", "CAMISETAS DE MALHA DE ALGODAO\nTECIDO DE MALHA TINTO"},
      {"vTribCod", "00 - TRIBUTADA INTEGRALMENTE\n40 - ISENTA"},
      {"vNaturezas", "5101\n5949"},
      {"vDescNat", "VENDA DE PRODUCAO DO ESTABELECIMENTO\nOUTRA SAIDA NAO ESPECIFICADA"},
      {"vValNat", "1.234,55\n109,00"},
      {"vPedidos", "PD9001"},
      {"vPedidosCliente", "OC-4471"},
      {"vArtCliente", "ART-22"},
      {"vRIS", "RIS-9"},
      {"vDadosAdicionais", "MENSAGEM DA NOTA\nOBS; -- D'AGUA\nPEDIDO 12"},
      {"vDuplicata", "T30001/1\nT30001/2"},
      {"vDupVencto", "01/07/2025\n10/08/2025"},
      {"vDupVenctoOrig", "01/07/2025\n01/08/2025"},
      {"vDupValor", "1.343,50\n1.000,00"},
      {"vDupSituacao", "A\nA"},
      {"vBanco", "\nBANCO ITAU"},
  };
  for (const auto& v : kVariables) {
    SCOPED_TRACE(v.name);
    EXPECT_EQ(variable(report, v.name), v.text);
  }
}

TEST_F(ImprimeNota, WnotaPreparesTheDemoInvoiceWithItsTotals) {
  ShippedLayouts station;
  HeadlessDialogs dialogs;
  ScopedDialogService guard(dialogs);
  TTIQuery q(Tabela.IBDatabase), q2(Tabela.IBDatabase);
  TClientDataSet cds;
  TprReport report;
  ASSERT_TRUE(ImprimeNotaFiscal(q, q2, cds, report, "009001", "", "", "", 0, 0));
  EXPECT_TRUE(dialogs.records().empty());
  ASSERT_EQ(report.GetEndPagesCount(), 1);
  const auto texts = page_texts(report);
  for (const char* expected :
       {"Nº 009001   Série 1", "3.300,00", "396,00", "3.500,00", "400,00", "3.450,00", "3.920,00", "2.500,00",
        "800,00", "150,00", "300,00", "96,00", "1.960,00\n1.960,00", "Página 1 de 1",
        "000901 - CONFECCOES CARIOCA LTDA", "61091000", "CAM-900"}) {
    SCOPED_TRACE(expected);
    EXPECT_TRUE(holds(texts, expected));
  }
  // The ICMS printed per line adds up to the invoice's ICMS.
  double icms = 0;
  for (cds.First(); !cds.Eof(); cds.Next()) icms += cds.FieldByName("ITEM_VAL_ICMS").AsFloat;
  EXPECT_DOUBLE_EQ(icms, 396.0);
}

TEST_F(ImprimeNota, NothingIsPreparedForAMissingInvoiceOrLayout) {
  ShippedLayouts station;
  const struct {
    const char* name;
    const char* fatura;
    const char* layout;
    const char* message;
  } kCases[] = {
      {"no such invoice", "T99999", "", "Nota fiscal não encontrada: T99999"},
      {"hostile number", "009001' OR '1'='1", "", "Nota fiscal não encontrada: 009001' OR '1'='1"},
      {"no such layout", "009001", "WNOTA2", "Layout não encontrado: "},
      {"layout name leaving the folder", "009001", "..\\layout\\WNOTA", "Layout não encontrado: "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    HeadlessDialogs dialogs;
    ScopedDialogService guard(dialogs);
    TTIQuery q(Tabela.IBDatabase), q2(Tabela.IBDatabase);
    TClientDataSet cds;
    TprReport report;
    EXPECT_FALSE(ImprimeNotaFiscal(q, q2, cds, report, c.fatura, c.layout, "", "", 0, 0));
    EXPECT_EQ(report.GetEndPagesCount(), 0);
    ASSERT_EQ(dialogs.records().size(), 1u);
    EXPECT_EQ(dialogs.last().text.rfind(c.message, 0), 0u) << dialogs.last().text;
  }
  EXPECT_EQ(test::number("SELECT COUNT(*) FROM " + DBLocal("NOTAITEN") + " WHERE FATURA = '009001'"), 3);
}

}  // namespace
}  // namespace zpk
